// DNS replies and resolv.conf text from any bytes: the mail exchanger read from a reply is a name
// of at most 255 bytes, the same every time, and only whole IPv4 addresses are taken as servers.

#include <arpa/inet.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "crashreport/send/dns_mx.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The reply answers the query whose identifier it carries.
  const std::uint16_t id = size >= 2 ? static_cast<std::uint16_t>(data[0] << 8 | data[1]) : 0;
  const std::string exchanger = ParseMXReply(bytes, id);
  LAB_FUZZ_CHECK(exchanger.size() <= 255);
  LAB_FUZZ_CHECK(exchanger == ParseMXReply(bytes, id));
  LAB_FUZZ_CHECK(ParseMXReply(bytes, static_cast<std::uint16_t>(id + 1)).empty());

  for (std::size_t start = 0; start < size && start < 64; ++start) {
    std::size_t at = start;
    std::string name;
    if (ReadDNSName(bytes, at, name)) {
      LAB_FUZZ_CHECK(name.size() <= 255);
      LAB_FUZZ_CHECK(at > start && at <= size);
    }
  }

  TStringList servers;
  ParseDNSServers(bytes, &servers);
  for (int i = 0; i < servers.Count(); ++i) {
    in_addr address{};
    LAB_FUZZ_CHECK(::inet_pton(AF_INET, servers.Strings(i).c_str(), &address) == 1);
  }
  return 0;
}
