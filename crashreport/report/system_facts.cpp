#include "crashreport/report/system_facts.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <net/route.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>

#include "crashreport/codec/file_utils.h"
#include "crashreport/codec/text_utils.h"
#include "platform/rtl/strutils.h"

namespace lab {
namespace {

std::string ReadTextFile(const char* Name) {
  std::ifstream in(Name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The blank-separated words of a line.
std::vector<std::string_view> Words(std::string_view Line) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (true) {
    at = Line.find_first_not_of(" \t", at);
    if (at == std::string_view::npos) break;
    const std::size_t end = std::min(Line.find_first_of(" \t", at), Line.size());
    words.push_back(Line.substr(at, end - at));
    at = end;
  }
  return words;
}

// A word that is a number in Base, digits only; nothing for other text or a number past 64 bits.
std::optional<std::uint64_t> ParseUnsigned(std::string_view Text, int Base = 10) {
  std::uint64_t value = 0;
  const char* const end = Text.data() + Text.size();
  const auto [stop, error] = std::from_chars(Text.data(), end, value, Base);
  if (Text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

bool IsIPv4(const std::string& Text) {
  in_addr address;
  return ::inet_pton(AF_INET, Text.c_str(), &address) == 1;
}

std::string DottedAddress(const sockaddr* Address) {
  if (!Address || Address->sa_family != AF_INET) return {};
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(Address)->sin_addr, text, sizeof text);
  return text;
}


}  // namespace

// ---- Parsers ----

std::optional<TMemoryFacts> ParseMemInfo(std::string_view Text) {
  std::optional<std::uint64_t> total, available, free;
  for (std::string_view line : SplitLines(Text)) {
    const std::vector<std::string_view> words = Words(line);
    if (words.size() < 2) continue;
    const std::uint64_t unit = words.size() > 2 && words[2] == "kB" ? 1024 : 1;
    const std::optional<std::uint64_t> value = ParseUnsigned(words[1]);
    if (!value || *value > UINT64_MAX / unit) continue;
    if (words[0] == "MemTotal:") total = *value * unit;
    else if (words[0] == "MemAvailable:") available = *value * unit;
    else if (words[0] == "MemFree:") free = *value * unit;
  }
  if (!total) return std::nullopt;
  return TMemoryFacts{*total, available ? *available : free.value_or(0)};
}

std::optional<std::uint64_t> ParseStatStartTicks(std::string_view Text) {
  const std::size_t bracket = Text.rfind(')');
  if (bracket == std::string_view::npos) return std::nullopt;
  const std::vector<std::string_view> fields = Words(Text.substr(bracket + 1));
  // The fields after the name start with the third; the start time is the 22nd.
  if (fields.size() < 20) return std::nullopt;
  return ParseUnsigned(fields[19]);
}

std::optional<std::int64_t> ParseBootTime(std::string_view Text) {
  for (std::string_view line : SplitLines(Text)) {
    const std::vector<std::string_view> words = Words(line);
    if (words.size() == 2 && words[0] == "btime") {
      const std::optional<std::uint64_t> value = ParseUnsigned(words[1]);
      if (value && *value <= static_cast<std::uint64_t>(INT64_MAX)) return static_cast<std::int64_t>(*value);
    }
  }
  return std::nullopt;
}

std::vector<std::string> ParseCommandLine(std::string_view Text) {
  std::vector<std::string> arguments;
  if (Text.ends_with('\0')) Text.remove_suffix(1);
  if (Text.empty()) return arguments;
  std::size_t from = Text.find('\0');
  while (from != std::string_view::npos) {
    const std::size_t end = Text.find('\0', from + 1);
    arguments.emplace_back(Text.substr(from + 1, end == std::string_view::npos ? std::string_view::npos : end - from - 1));
    from = end;
  }
  return arguments;
}

std::vector<TRouteGateway> ParseDefaultGateways(std::string_view Text) {
  std::vector<TRouteGateway> gateways;
  for (std::string_view line : SplitLines(Text)) {
    const std::vector<std::string_view> words = Words(line);
    if (words.size() < 8) continue;
    const auto destination = ParseUnsigned(words[1], 16), gateway = ParseUnsigned(words[2], 16),
               flags = ParseUnsigned(words[3], 16), mask = ParseUnsigned(words[7], 16);
    if (!destination || !gateway || !flags || !mask || *destination != 0 || *mask != 0 || !(*flags & RTF_GATEWAY) ||
        *gateway > 0xFFFFFFFFu)
      continue;
    // The table shows the address as the kernel keeps it: in network order, read as a host number.
    in_addr address;
    address.s_addr = static_cast<std::uint32_t>(*gateway);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address, text, sizeof text);
    gateways.push_back(TRouteGateway{std::string(words[0]), text});
  }
  return gateways;
}

std::vector<std::string> ParseNameServers(std::string_view Text) {
  std::vector<std::string> servers;
  for (std::string_view line : SplitLines(Text)) {
    const std::vector<std::string_view> words = Words(line);
    if (words.size() >= 2 && words[0] == "nameserver" && IsIPv4(std::string(words[1])))
      servers.emplace_back(words[1]);
  }
  return servers;
}

// ---- Readers ----

TDateTime UnixToLocalDateTime(std::int64_t Seconds, int Milliseconds) {
  const time_t t = static_cast<time_t>(Seconds);
  std::tm local{};
  TDateTime date, time;
  if (!::localtime_r(&t, &local) || !TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date) ||
      !TryEncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), Milliseconds, time))
    return 0;
  return date + time;
}

TDateTime ProgramStartTime() {
  const std::optional<std::uint64_t> ticks = ParseStatStartTicks(ReadTextFile("/proc/self/stat"));
  const std::optional<std::int64_t> boot = ParseBootTime(ReadTextFile("/proc/stat"));
  const long per_second = ::sysconf(_SC_CLK_TCK);
  if (!ticks || !boot || per_second <= 0) return 0;
  const std::uint64_t hz = static_cast<std::uint64_t>(per_second);
  return UnixToLocalDateTime(*boot + static_cast<std::int64_t>(*ticks / hz),
                       static_cast<int>(*ticks % hz * 1000 / hz));
}

std::vector<std::string> ProgramParameters() { return ParseCommandLine(ReadTextFile("/proc/self/cmdline")); }

std::uint64_t SystemUpTimeMs() {
  timespec ts{};
  ::clock_gettime(CLOCK_BOOTTIME, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

std::string CurrentUserName() {
  passwd entry{};
  passwd* found = nullptr;
  char buffer[4096];
  if (::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_name)
    return found->pw_name;
  return GetEnvironmentText("USER");
}

std::optional<TMemoryFacts> ReadMemoryFacts() { return ParseMemInfo(ReadTextFile("/proc/meminfo")); }

std::optional<TDiskFacts> ReadDiskFacts(const std::string& Path) {
  struct statvfs info;
  if (::statvfs(Path.c_str(), &info) != 0) return std::nullopt;
  return TDiskFacts{static_cast<std::uint64_t>(info.f_blocks) * info.f_frsize,
                    static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize};
}

std::string ReadProcessorText() { return ProcessorFromCpuInfo(ReadTextFile("/proc/cpuinfo")); }

std::string SystemBuildText() {
  utsname names{};
  return ::uname(&names) == 0 ? std::string(names.release) : std::string();
}

std::string SystemUpdateText() {
  utsname names{};
  return ::uname(&names) == 0 ? std::string(names.version) : std::string();
}

std::string SystemLanguageText() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const std::string value = GetEnvironmentText(name);
    if (!value.empty()) return LanguageName(value);
  }
  return LanguageName("C");
}

std::optional<std::vector<TNetworkAdapter>> ReadNetworkAdapters() {
  ifaddrs* first = nullptr;
  if (::getifaddrs(&first) != 0) return std::nullopt;
  const std::unique_ptr<ifaddrs, decltype(&::freeifaddrs)> list(first, &::freeifaddrs);
  std::vector<TNetworkAdapter> adapters;
  for (const ifaddrs* item = first; item; item = item->ifa_next) {
    if (!item->ifa_addr || item->ifa_addr->sa_family != AF_INET || (item->ifa_flags & IFF_LOOPBACK) || !item->ifa_name)
      continue;
    bool known = false;
    for (const TNetworkAdapter& adapter : adapters) known = known || adapter.Name == item->ifa_name;
    if (known) continue;  // the first address of an adapter stands for it
    TNetworkAdapter& adapter = adapters.emplace_back();
    adapter.Name = item->ifa_name;
    adapter.Address = DottedAddress(item->ifa_addr);
    adapter.Mask = DottedAddress(item->ifa_netmask);
  }
  const std::vector<TRouteGateway> gateways = ParseDefaultGateways(ReadTextFile("/proc/net/route"));
  const std::vector<std::string> servers = ParseNameServers(ReadTextFile("/etc/resolv.conf"));
  for (TNetworkAdapter& adapter : adapters) {
    for (const TRouteGateway& gateway : gateways)
      if (gateway.Interface == adapter.Name) {
        adapter.Gateway = gateway.Gateway;
        break;
      }
    adapter.DNSServers = servers;
  }
  return adapters;
}

}  // namespace lab
