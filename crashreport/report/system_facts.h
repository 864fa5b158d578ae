#pragma once
// What the report header needs to know of the program, the computer and the network, read from the
// system (/proc, statvfs, getifaddrs, the resolver's configuration), with the parsers of the texts
// it reads kept apart so they can be tested on fixed samples.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "crashreport/report/header_values.h"
#include "platform/rtl/datetime.h"

namespace lab {

// Seconds (and milliseconds) since 1970, UTC, as local time; 0 for a time local time cannot show.
TDateTime UnixToLocalDateTime(std::int64_t Seconds, int Milliseconds = 0);
// When the program started, in local time: its start in clock ticks after boot (/proc/self/stat) put
// on the boot time (/proc/stat). 0 when it cannot be read.
TDateTime ProgramStartTime();
// The program's command-line parameters, without the program itself (/proc/self/cmdline).
std::vector<std::string> ProgramParameters();
// Milliseconds since the system started, suspended time included (CLOCK_BOOTTIME).
std::uint64_t SystemUpTimeMs();
// The name of the user the program runs as; $USER when the user database has no entry.
std::string CurrentUserName();

struct TMemoryFacts {
  std::uint64_t Total = 0;
  std::uint64_t Available = 0;
};
// Physical memory in bytes (/proc/meminfo); nothing when it cannot be read.
std::optional<TMemoryFacts> ReadMemoryFacts();

struct TDiskFacts {
  std::uint64_t Total = 0;
  std::uint64_t FreeToCaller = 0;
};
// The size of the file system that holds Path and the space it has for this user; nothing when
// statvfs fails.
std::optional<TDiskFacts> ReadDiskFacts(const std::string& Path);

// The processor from /proc/cpuinfo (ProcessorFromCpuInfo).
std::string ReadProcessorText();
// The kernel release and the kernel's build text (uname).
std::string SystemBuildText();
std::string SystemUpdateText();
// The English name of the language the program's messages use (LC_ALL, LC_MESSAGES, then LANG).
std::string SystemLanguageText();
// The IPv4 network adapters other than loopback, in the system's order, each with its first address
// and mask, its default gateway and the resolver's name servers (the same for every adapter here);
// whether an address came from DHCP is not known. Nothing when the interfaces cannot be listed.
std::optional<std::vector<TNetworkAdapter>> ReadNetworkAdapters();

// ---- Parsers of the texts read above ----

// The "Name: value kB" lines of /proc/meminfo: MemTotal and MemAvailable (MemFree on old kernels).
std::optional<TMemoryFacts> ParseMemInfo(std::string_view Text);
// The start time in clock ticks after boot from the text of /proc/<pid>/stat (field 22, counted
// after the name in brackets, which may itself hold blanks and brackets).
std::optional<std::uint64_t> ParseStatStartTicks(std::string_view Text);
// The boot time in seconds since 1970 from the "btime" line of /proc/stat.
std::optional<std::int64_t> ParseBootTime(std::string_view Text);
// The arguments of a NUL-separated command line, the program itself left out.
std::vector<std::string> ParseCommandLine(std::string_view Text);
// Default gateways from /proc/net/route: interface name and dotted address, in the table's order.
struct TRouteGateway {
  std::string Interface;
  std::string Gateway;
};
std::vector<TRouteGateway> ParseDefaultGateways(std::string_view Text);
// The IPv4 name servers of a resolv.conf, in order.
std::vector<std::string> ParseNameServers(std::string_view Text);

}  // namespace lab
