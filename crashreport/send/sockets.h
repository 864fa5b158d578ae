#pragma once
// A small blocking client over POSIX sockets for sending reports: TCrashClientSocket connects to an
// IPv4 peer by TCP or UDP, sends and receives with time-outs and keeps a transcript (the socket log);
// TCrashClientSMTP adds the SMTP greeting and one command with its reply. The mail exchanger of a
// domain is asked of the DNS servers in dns_mx.h.

#include <netinet/in.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/object.h"

namespace lab {

LAB_EXCEPTION(ECrashSocketError, Exception);

// Fired before a failure is raised, with the code -1 and the failure's message.
using TCrashSocketErrorEvent = std::function<void(TObject* Sender, int Code, const std::string& Message)>;
// Fired after each chunk of SendText, with the 1-based position after it and the text's length.
using TCrashSocketProgressEvent = std::function<void(TObject* Sender, int Position, int Total)>;

constexpr int INVALID_SOCKET = -1;

class TCrashClientSocket : public TObject {
  LAB_CLASS(TCrashClientSocket, TObject)
 public:
  // Timeout in milliseconds bounds the connect, each send and each reply as a whole.
  TCrashClientSocket(std::string Host, std::uint32_t Timeout, bool IsTCP, std::uint16_t Port);
  ~TCrashClientSocket() override;
  TCrashClientSocket(const TCrashClientSocket&) = delete;
  TCrashClientSocket& operator=(const TCrashClientSocket&) = delete;

  // Nothing when connected already. A host that does not resolve fails as a connection error (it is
  // never taken for 0.0.0.0, which is this machine).
  virtual void Connect();
  // Closes the socket when open; forgets the peer's address and empties the log.
  virtual void Close();

  // Sends all Count bytes (a short write goes on with the rest); the bytes sent, 0 when not connected.
  int Send(const void* Buffer, int Count);
  // Sends Text in chunks of at most 1024 bytes, firing OnSendProgress after each; the bytes sent.
  int SendText(std::string_view Text);
  // One read of at most Count bytes; with Count -1 the number of bytes waiting instead.
  int Receive(void* Buffer, int Count);
  // What has arrived, and once something has, what follows until the reply is whole (ReplyComplete)
  // or Timeout has passed; empty when nothing waits.
  void ReceiveAvailable(std::string& Text);
  // The reply, read from when something arrives until it is whole, all within Timeout from the call
  // (a peer that trickles its reply cannot stretch it); what came by then, empty when nothing did.
  void ReceiveWait(std::string& Text);
  // The same until Deadline.
  void ReceiveUntil(std::string& Text, std::chrono::steady_clock::time_point Deadline);
  // ReceiveWait; no whole reply within Timeout fails with "Socket timeout.".
  void ReceiveReply(std::string& Text);
  // Receives a reply and answers whether its leading digits form one of Codes.
  bool CheckReply(const std::vector<std::uint16_t>& Codes);

  const std::string& Host() const { return host_; }
  std::uint16_t Port() const { return port_; }
  int SocketType() const { return socket_type_; }
  std::uint32_t Timeout() const { return timeout_; }
  bool Connected() const { return connected_; }
  int Handle() const { return handle_; }
  const sockaddr_in& Address() const { return address_; }
  const std::string& SocketLog() const { return socket_log_; }
  bool Silent() const { return silent_; }
  void SetSilent(bool Value) { silent_ = Value; }

  TCrashSocketErrorEvent OnError;
  TCrashSocketProgressEvent OnSendProgress;

 protected:
  // Whether Text, as received so far, is a whole reply: a datagram always; on TCP, text that ends
  // with a line break.
  virtual bool ReplyComplete(std::string_view Text) const;
  // Fires OnError with Message (the socket log appended unless it holds it already), then raises
  // ECrashSocketError, or ends silently (EAbort) when Silent.
  [[noreturn]] void SocketError(std::string Message);
  void AppendLog(std::string_view Text) { socket_log_.append(Text); }

 private:
  // Closes the socket and forgets the peer and the log; -1 (errno set) when closing failed.
  int Release() noexcept;
  // A failed send or recv: closes the socket, then reports Format with the system's message for Error.
  [[noreturn]] void TransferError(const char* Format, int Error);

  sockaddr_in address_{};
  std::string host_;
  std::uint16_t port_;
  int socket_type_;
  std::uint32_t timeout_;
  bool connected_ = false;
  int handle_ = INVALID_SOCKET;
  std::string socket_log_;
  bool silent_ = false;
};

class TCrashClientSMTP : public TCrashClientSocket {
  LAB_CLASS(TCrashClientSMTP, TCrashClientSocket)
 public:
  using TCrashClientSocket::TCrashClientSocket;
  // Connects and reads the greeting, which must be 220; any other fails with the socket log.
  void Connect() override;
  // Sends Command (CR LF appended unless it ends with it) and checks its reply against Codes; an
  // empty Command answers false. A reply of another code fails with the socket log as the message.
  bool SendCommand(std::string Command, const std::vector<std::uint16_t>& Codes);

 protected:
  // A reply is whole once its last line has arrived: a line that does not go on with "-" after its
  // code ("250-first", then "250 last"), so a reply sent in parts is read to its end and no more is
  // waited for after it.
  bool ReplyComplete(std::string_view Text) const override;
};

}  // namespace lab
