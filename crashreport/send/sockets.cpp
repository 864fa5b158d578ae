#include "crashreport/send/sockets.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/rtl/format.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSendChunk = 1024;

int ElapsedMs(Clock::time_point Since) {
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - Since).count());
}

// Whether something (data, or the peer's end) can be read within Ms milliseconds.
bool WaitReadable(int Handle, int Ms) {
  const auto start = Clock::now();
  for (;;) {
    pollfd fd{Handle, POLLIN, 0};
    const int rc = ::poll(&fd, 1, std::max(0, Ms - ElapsedMs(start)));
    if (rc >= 0) return rc > 0;
    if (errno != EINTR) return false;
  }
}

std::string SystemMessage(int Error) { return std::strerror(Error); }

}  // namespace

TCrashClientSocket::TCrashClientSocket(std::string Host, std::uint32_t Timeout, bool IsTCP, std::uint16_t Port)
    : host_(std::move(Host)), port_(Port), socket_type_(IsTCP ? SOCK_STREAM : SOCK_DGRAM), timeout_(Timeout) {
  address_.sin_family = AF_INET;
}

TCrashClientSocket::~TCrashClientSocket() { Release(); }

void TCrashClientSocket::Connect() {
  if (connected_) return;
  handle_ = ::socket(AF_INET, socket_type_ | SOCK_CLOEXEC, 0);
  if (handle_ < 0) {
    handle_ = INVALID_SOCKET;
    SocketError(Format("Invalid socket: \"%s\".", SystemMessage(errno)));
  }
  TScopeFail release([&] { Release(); });

  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = socket_type_;
  addrinfo* found = nullptr;
  const int rc = ::getaddrinfo(host_.c_str(), nullptr, &hints, &found);
  if (rc != 0 || found == nullptr)
    SocketError(Format("Connection error: \"%s\"", rc == EAI_SYSTEM ? SystemMessage(errno) : std::string(gai_strerror(rc))));
  address_.sin_addr = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
  ::freeaddrinfo(found);
  address_.sin_port = htons(port_);

  // The time-out bounds the connect (Linux applies the send time-out to it) and every send and read.
  if (timeout_ > 0) {
    const timeval limit{static_cast<time_t>(timeout_ / 1000), static_cast<suseconds_t>(timeout_ % 1000 * 1000)};
    ::setsockopt(handle_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    ::setsockopt(handle_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  }
  // Each command goes out whole and waits for its reply: holding a short last piece back until the
  // peer acknowledges the one before (which it delays) would cost each message 40 ms.
  if (socket_type_ == SOCK_STREAM) {
    const int on = 1;
    ::setsockopt(handle_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  }
  int rc_connect;
  do {
    rc_connect = ::connect(handle_, reinterpret_cast<const sockaddr*>(&address_), sizeof address_);
  } while (rc_connect < 0 && errno == EINTR);
  if (rc_connect < 0) SocketError(Format("Connection error: \"%s\"", SystemMessage(errno == EINPROGRESS ? ETIMEDOUT : errno)));

  connected_ = true;
  const auto* ip = reinterpret_cast<const std::uint8_t*>(&address_.sin_addr);
  socket_log_ = Format("Connected to %d.%d.%d.%d port %d\r\n", ip[0], ip[1], ip[2], ip[3], static_cast<int>(port_));
}

void TCrashClientSocket::Close() {
  if (Release() < 0) SocketError(Format("Cannot close the socket: \"%s\"", SystemMessage(errno)));
}

int TCrashClientSocket::Release() noexcept {
  const int handle = handle_;
  handle_ = INVALID_SOCKET;
  address_.sin_port = 0;
  address_.sin_addr.s_addr = 0;
  connected_ = false;
  socket_log_.clear();
  return handle == INVALID_SOCKET || ::close(handle) == 0 || errno == EINTR ? 0 : -1;
}

void TCrashClientSocket::SocketError(std::string Message) {
  if (Message.find(socket_log_) == std::string::npos) Message += "\r\nSocket log:\r\n" + socket_log_;
  if (OnError) OnError(this, -1, Message);
  if (silent_) Abort();
  throw ECrashSocketError(std::move(Message));
}

void TCrashClientSocket::TransferError(const char* Format, int Error) {
  // The message keeps the log, which tells what the peer said before the failure.
  std::string message = lab::Format(Format, SystemMessage(Error));
  if (!socket_log_.empty()) message += "\r\nSocket log:\r\n" + socket_log_;
  Release();
  SocketError(std::move(message));
}

int TCrashClientSocket::Send(const void* Buffer, int Count) {
  if (!connected_) return 0;
  const auto* bytes = static_cast<const char*>(Buffer);
  int sent = 0;
  while (sent < Count) {
    const ssize_t n = ::send(handle_, bytes + sent, static_cast<std::size_t>(Count - sent), MSG_NOSIGNAL);
    if (n >= 0) {
      sent += static_cast<int>(n);
    } else if (errno != EINTR) {
      // With a send time-out, EAGAIN means the peer took nothing for that long.
      TransferError("Error into \"send\": \"%s\"", errno == EAGAIN || errno == EWOULDBLOCK ? ETIMEDOUT : errno);
    }
  }
  return sent;
}

int TCrashClientSocket::SendText(std::string_view Text) {
  const int total = static_cast<int>(Text.size());
  int sent = 0;
  for (int position = 0; position < total; position += kSendChunk) {
    const int chunk = std::min(kSendChunk, total - position);
    sent += Send(Text.data() + position, chunk);
    if (OnSendProgress) OnSendProgress(this, position + chunk + 1, total);
  }
  return sent;
}

int TCrashClientSocket::Receive(void* Buffer, int Count) {
  if (!connected_) return 0;
  if (Count == -1) {
    int waiting = 0;
    if (::ioctl(handle_, FIONREAD, &waiting) < 0) TransferError("Error into \"recv\": \"%s\"", errno);
    return waiting;
  }
  for (;;) {
    const ssize_t n = ::recv(handle_, Buffer, static_cast<std::size_t>(std::max(Count, 0)), 0);
    if (n >= 0) return static_cast<int>(n);
    if (errno == EAGAIN || errno == EWOULDBLOCK) return -1;
    if (errno != EINTR) TransferError("Error into \"recv\": \"%s\"", errno);
  }
}

bool TCrashClientSocket::ReplyComplete(std::string_view Text) const {
  return socket_type_ != SOCK_STREAM || Text.ends_with('\n');
}

void TCrashClientSocket::ReceiveAvailable(std::string& Text) {
  Text.clear();
  if (Receive(nullptr, -1) > 0) ReceiveWait(Text);
}

void TCrashClientSocket::ReceiveWait(std::string& Text) {
  ReceiveUntil(Text, Clock::now() + std::chrono::milliseconds(timeout_));
}

void TCrashClientSocket::ReceiveUntil(std::string& Text, Clock::time_point Deadline) {
  Text.clear();
  while (connected_) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - Clock::now()).count();
    if (left <= 0 || !WaitReadable(handle_, static_cast<int>(left))) return;
    const int waiting = Receive(nullptr, -1);
    if (waiting == 0) {
      // Readable with nothing waiting: the peer ended the connection (or sent an empty datagram,
      // which is taken away here).
      char byte;
      const ssize_t n = ::recv(handle_, &byte, socket_type_ == SOCK_STREAM ? 1 : 0,
                               socket_type_ == SOCK_STREAM ? MSG_PEEK | MSG_DONTWAIT : MSG_DONTWAIT);
      if (n == 0 && socket_type_ == SOCK_STREAM) TransferError("Error into \"recv\": \"%s\"", ECONNRESET);
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
        TransferError("Error into \"recv\": \"%s\"", errno);
      continue;
    }
    std::string part(static_cast<std::size_t>(waiting), '\0');
    const int got = Receive(part.data(), waiting);
    if (got <= 0) continue;
    part.resize(static_cast<std::size_t>(got));
    Text += part;
    socket_log_ += part;
    if (ReplyComplete(Text)) return;
  }
}

void TCrashClientSocket::ReceiveReply(std::string& Text) {
  ReceiveWait(Text);
  if (Text.empty() || !ReplyComplete(Text)) SocketError("Socket timeout.");
}

bool TCrashClientSocket::CheckReply(const std::vector<std::uint16_t>& Codes) {
  std::string reply;
  ReceiveReply(reply);
  std::size_t digits = 0;
  long code = 0;
  while (digits < reply.size() && reply[digits] >= '0' && reply[digits] <= '9') {
    if (code < 100000) code = code * 10 + (reply[digits] - '0');
    ++digits;
  }
  return digits > 0 && std::find(Codes.begin(), Codes.end(), code) != Codes.end();
}

void TCrashClientSMTP::Connect() {
  TCrashClientSocket::Connect();
  if (!CheckReply({220})) SocketError(SocketLog());
}

bool TCrashClientSMTP::ReplyComplete(std::string_view Text) const {
  if (!Text.ends_with('\n')) return false;
  Text.remove_suffix(1);
  const std::size_t start = Text.rfind('\n') + 1;  // 0 for the first line
  const std::string_view line = Text.substr(start);
  const bool code = line.size() >= 4 && std::all_of(line.begin(), line.begin() + 3, [](char c) { return c >= '0' && c <= '9'; });
  return !(code && line[3] == '-');
}

bool TCrashClientSMTP::SendCommand(std::string Command, const std::vector<std::uint16_t>& Codes) {
  if (Command.empty()) return false;
  if (!Command.ends_with("\r\n")) Command += "\r\n";
  bool accepted = false;
  if (SendText(Command) == static_cast<int>(Command.size())) {
    AppendLog(Command);
    accepted = CheckReply(Codes);
  }
  if (!accepted) SocketError(SocketLog());
  return true;
}

}  // namespace lab
