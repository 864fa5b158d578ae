#pragma once
// The values of the report header's fields, as pure formatters over plain facts. What reads the
// facts from the system is in system_facts.h; the dates go through FormatMailDate.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

namespace lab {

// Each parameter in double quotes, separated by one blank; empty without parameters.
std::string FormatParameters(std::span<const std::string> Parameters);
// The description from the module's version information, else the file name without folder.
std::string FormatApplicationName(std::string_view Description, std::string_view FileName);
// The version from the module's version information, "0.0.0.0" when it has none.
std::string FormatApplicationVersion(std::string_view Version);
// 16 upper-case hexadecimal digits; empty for 0.
std::string FormatExceptionAddress(std::uintptr_t Address);
// The demangled name of the thrown object's type; "Unknown exception type." when nothing is known
// of it or it is no class (a thrown int or pointer).
std::string FormatExceptionType(const std::type_info* Type);
// The exception's message (what() of a std::exception), "Unknown error message." when the thrown
// object has none; a message that does not end with "." gets one.
std::string FormatExceptionMessage(const std::string* Message);

// An access fault: where the code was, what it touched, and the module the code is in (its full file
// name; empty when the code lies in no module).
struct TAccessFault {
  std::uintptr_t CodeAddress = 0;
  std::uintptr_t DataAddress = 0;
  bool Write = false;
  std::string ModuleFileName;
};
// "Access violation at address 0000555555555123 in module 'prog'. Write of address 0000000000000010."
// with the module's file name (without folder unless LongModuleName); without a module the middle
// part is left out.
std::string FormatAccessViolation(const TAccessFault& Fault, bool LongModuleName = false);
// The message an access fault is reported with: built with the module's short name, or with its full
// file name when the short form is what FirstMessage already says.
std::string AccessViolationMessage(std::string_view FirstMessage, const TAccessFault& Fault);

// A window's or control's text for the header: at most 255 characters, each run of control
// characters made one blank.
std::string FormatWindowText(std::string_view Text);
// Bytes / 1048576 to the nearest whole number (halves to even) and " Mb".
std::string FormatMemorySize(std::uint64_t Bytes);
// Bytes / 1073741824 formatted "0.##" and " Gb"; empty when the size is not known.
std::string FormatDiskSize(std::optional<std::uint64_t> Bytes);
// "1 day, 1 hour, 1 minute, 1 second": days and hours only when not 0, minutes and seconds always;
// a unit is plural from 2 on.
std::string FormatUpTime(std::uint64_t Milliseconds);
// "1920 x 1080, 32 bit".
std::string FormatDisplayMode(int Width, int Height, int BitsPerPixel);
// The English name of the language of a locale name ("de_DE.UTF-8" gives "German"); the C and POSIX
// locales speak English; empty for a language that has no name.
std::string LanguageName(std::string_view LocaleName);
// From the text of /proc/cpuinfo (its first processor): the model name; else the processor's family,
// model and stepping, after its vendor and " - " when that is known; "Unknown processor" when none.
std::string ProcessorFromCpuInfo(std::string_view CpuInfo);

// One network adapter as the header shows it: IPv4 addresses in dotted form, empty when missing.
struct TNetworkAdapter {
  std::string Name;
  std::string Address;
  std::string Mask;
  std::string Gateway;
  std::vector<std::string> DNSServers;
  std::optional<bool> DHCP;  // not known on this system
};
struct TNetworkValues {
  std::string IPAddress, Submask, Gateway, DNS1, DNS2, DHCP;
};
// Each value holds the adapters' values in order, joined by " - ". Every address has its four parts
// as three digits ("192.168.001.010"); a missing one is "000.000.000.000". DHCP is "ON", "OFF" or
// "??" (not known), each padded to 16 characters. Without adapters every value is empty.
TNetworkValues FormatNetworkValues(std::span<const TNetworkAdapter> Adapters);
// "192.168.1.10" gives "192.168.001.010"; empty or unreadable text gives "000.000.000.000".
std::string FormatIPAddress(std::string_view Address);

}  // namespace lab
