#include "crashreport/send/dns_mx.h"

#include <arpa/inet.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <utility>

#include "crashreport/send/sockets.h"
#include "crashreport/codec/text_utils.h"
#include "platform/rtl/format.h"

namespace lab {

const char* const kFallbackDNSServer = "8.8.8.8";

namespace {

constexpr std::size_t kHeaderSize = 12;
constexpr std::uint16_t kTypeMX = 15;
constexpr std::uint16_t kClassIN = 1;
constexpr int kMaxPointerHops = 32;
constexpr std::size_t kMaxNameLength = 255;
// The header's flags word: a response, and its reply code (0 no error).
constexpr std::uint16_t kFlagResponse = 0x8000;
constexpr std::uint16_t kReplyCodeMask = 0x000F;
// A label's first byte: its kind in the top two bits (00 a label of that length, 11 a pointer whose
// other 14 bits are the offset of the name's rest).
constexpr std::uint8_t kLabelKindMask = 0xC0;
constexpr std::uint8_t kLabelPointer = 0xC0;
constexpr std::uint16_t kPointerOffsetMask = 0x3FFF;

std::uint16_t Read16(std::string_view Packet, std::size_t At) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(Packet[At]) << 8 | static_cast<std::uint8_t>(Packet[At + 1]));
}

void Put16(std::string& Packet, std::uint16_t Value) {
  Packet += static_cast<char>(Value >> 8);
  Packet += static_cast<char>(Value & 0xFF);
}

}  // namespace

std::string BuildMXQuery(std::string_view Domain, std::uint16_t Id) {
  if (Domain.ends_with('.')) Domain.remove_suffix(1);
  if (Domain.empty() || Domain.size() > 253) return {};
  std::string query;
  Put16(query, Id);
  query.append("\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00", 10);  // recursion desired, one question
  for (std::size_t start = 0; start <= Domain.size();) {
    const std::size_t end = std::min(Domain.find('.', start), Domain.size());
    const std::size_t length = end - start;
    if (length == 0 || length > 63) return {};
    query += static_cast<char>(length);
    query.append(Domain.substr(start, length));
    start = end + 1;
  }
  query.append("\x00\x00\x0F\x00\x01", 5);  // end of name, type MX, class IN
  return query;
}

bool ReadDNSName(std::string_view Packet, std::size_t& Offset, std::string& Name) {
  Name.clear();
  std::size_t at = Offset;
  bool jumped = false;
  int hops = 0;
  std::size_t length = 0;  // as sent: label lengths and their length bytes
  for (;;) {
    if (at >= Packet.size()) return false;
    const auto byte = static_cast<std::uint8_t>(Packet[at]);
    if (byte == 0) {
      if (!jumped) Offset = at + 1;
      return true;
    }
    if ((byte & kLabelKindMask) == kLabelPointer) {
      if (at + 1 >= Packet.size() || ++hops > kMaxPointerHops) return false;
      if (!jumped) Offset = at + 2;
      jumped = true;
      at = Read16(Packet, at) & kPointerOffsetMask;
      continue;
    }
    if ((byte & kLabelKindMask) != 0) return false;  // the reserved label kinds
    length += byte + 1;
    if (length + 1 > kMaxNameLength || at + 1 + byte > Packet.size()) return false;
    if (!Name.empty()) Name += '.';
    Name.append(Packet.substr(at + 1, byte));
    at += 1 + byte;
  }
}

std::string ParseMXReply(std::string_view Reply, std::uint16_t Id) {
  if (Reply.size() < kHeaderSize || Read16(Reply, 0) != Id) return {};
  const std::uint16_t flags = Read16(Reply, 2);
  if ((flags & kFlagResponse) == 0 || (flags & kReplyCodeMask) != 0) return {};
  const int questions = Read16(Reply, 4);
  const int answers = Read16(Reply, 6);
  std::size_t at = kHeaderSize;
  std::string name;
  for (int i = 0; i < questions; ++i) {
    if (!ReadDNSName(Reply, at, name) || at + 4 > Reply.size()) return {};
    at += 4;
  }
  // Every answer must be whole; the first MX record names the exchanger.
  std::string exchanger;
  for (int i = 0; i < answers; ++i) {
    if (!ReadDNSName(Reply, at, name) || at + 10 > Reply.size()) return {};
    const std::uint16_t type = Read16(Reply, at);
    const std::uint16_t cls = Read16(Reply, at + 2);
    const std::size_t data_length = Read16(Reply, at + 8);
    at += 10;
    if (at + data_length > Reply.size()) return {};
    if (type == kTypeMX && cls == kClassIN && exchanger.empty()) {
      // The preference, then the exchanger's name, which must stand inside the record.
      std::size_t name_at = at + 2;
      if (data_length < 3 || !ReadDNSName(Reply, name_at, exchanger) || name_at > at + data_length) return {};
    }
    at += data_length;
  }
  return exchanger;
}

void ParseDNSServers(std::string_view ResolvConf, TStrings* Servers) {
  for (std::string_view line : SplitLines(ResolvConf)) {
    line = line.substr(0, std::min(line.find_first_of("#;"), line.size()));
    const std::size_t key = line.find_first_not_of(" \t");
    if (key == std::string_view::npos || !line.substr(key).starts_with("nameserver")) continue;
    line.remove_prefix(key + 10);
    if (line.empty() || (line[0] != ' ' && line[0] != '\t')) continue;
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) continue;
    const std::string address(line.substr(start, std::min(line.find_first_of(" \t", start), line.size()) - start));
    in_addr parsed{};
    if (address.size() <= 15 && ::inet_pton(AF_INET, address.c_str(), &parsed) == 1 && parsed.s_addr != 0)
      Servers->Add(address);
  }
}

std::unique_ptr<TStringList> GetDNSServers() {
  auto servers = std::make_unique<TStringList>();
  std::ifstream in("/etc/resolv.conf", std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ParseDNSServers(text, servers.get());
  servers->Add(kFallbackDNSServer);
  return servers;
}

std::string ResolveMXRecord(const std::string& EmailAddress, std::uint32_t Timeout, const TStrings& Servers,
                            std::uint16_t Port) {
  const std::uint32_t base_wait = (Timeout + 150) / 3;
  const std::size_t at = EmailAddress.find('@');
  const std::string domain = at == std::string::npos ? EmailAddress : EmailAddress.substr(at + 1);
  std::random_device random;
  const auto id = static_cast<std::uint16_t>(random());
  const std::string query = BuildMXQuery(domain, id);
  for (int i = 0; i < Servers.Count() && !query.empty(); ++i) {
    for (std::uint32_t attempt = 0; attempt < 3; ++attempt) {
      std::string host;
      try {
        const std::uint32_t wait = attempt * 100 + base_wait;
        TCrashClientSocket socket(Servers.Strings(i), wait, false, Port);
        socket.Connect();
        if (socket.SendText(query) == static_cast<int>(query.size())) {
          // A reply to another query (another identifier) is passed over: ours may follow it.
          const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait);
          std::string reply;
          do {
            socket.ReceiveUntil(reply, deadline);
          } while (reply.size() >= 2 && Read16(reply, 0) != id);
          host = ParseMXReply(reply, id);
        }
      } catch (const ECrashSocketError&) {
        // A server that cannot be reached or refuses: the next attempt, then the next server.
      }
      if (!host.empty()) return host;
    }
  }
  throw ECrashSocketError(Format("Cannot resolve the \"%s\" MX record.", domain));
}

std::string ResolveMXRecord(const std::string& EmailAddress, std::uint32_t Timeout) {
  return ResolveMXRecord(EmailAddress, Timeout, *GetDNSServers());
}

namespace {
TMXLookup& MXLookup() {
  static TMXLookup lookup;
  return lookup;
}
}  // namespace

std::string LookupMXRecord(const std::string& EmailAddress, std::uint32_t Timeout) {
  return MXLookup() ? MXLookup()(EmailAddress, Timeout) : ResolveMXRecord(EmailAddress, Timeout);
}

TMXLookup SetMXLookup(TMXLookup Lookup) { return std::exchange(MXLookup(), std::move(Lookup)); }

}  // namespace lab
