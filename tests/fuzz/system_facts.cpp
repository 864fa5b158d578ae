// The texts the report header reads from the system (/proc/cpuinfo, /proc/meminfo, /proc/self/stat,
// /proc/stat, the command line, the routing table, resolv.conf) and the locale name: any bytes are
// read without harm, and every address that comes out has the dotted IPv4 form.

#include <cstdint>
#include <string>
#include <string_view>

#include "crashreport/report/header_values.h"
#include "crashreport/report/system_facts.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  LAB_FUZZ_CHECK(!ProcessorFromCpuInfo(text).empty());
  ParseMemInfo(text);
  ParseStatStartTicks(text);
  ParseBootTime(text);
  for (const std::string& argument : ParseCommandLine(text)) LAB_FUZZ_CHECK(argument.find('\0') == std::string::npos);
  for (const TRouteGateway& gateway : ParseDefaultGateways(text))
    LAB_FUZZ_CHECK(FormatIPAddress(gateway.Gateway).size() == 15);
  for (const std::string& server : ParseNameServers(text)) LAB_FUZZ_CHECK(FormatIPAddress(server) != "");
  LAB_FUZZ_CHECK(FormatIPAddress(text).size() == 15);
  if (size < 64) LanguageName(text);
  return 0;
}
