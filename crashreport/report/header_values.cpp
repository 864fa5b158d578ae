#include "crashreport/report/header_values.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "crashreport/codec/file_utils.h"
#include "crashreport/codec/text_utils.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/numbers.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/utf8.h"

namespace lab {
namespace {

std::string Hex16(std::uintptr_t Value) { return IntToHex(static_cast<std::uint64_t>(Value), 16); }

std::string Counted(std::uint64_t Count, const char* Unit) {
  return std::to_string(Count) + " " + Unit + (Count >= 2 ? "s" : "");
}

// The value of a "name<TAB>: value" line of a /proc/cpuinfo block.
std::string CpuInfoValue(std::string_view Block, std::string_view Name) {
  for (std::string_view line : SplitLines(Block)) {
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos && Trim(line.substr(0, colon)) == Name) return Trim(line.substr(colon + 1));
  }
  return {};
}

}  // namespace

std::string FormatParameters(std::span<const std::string> Parameters) {
  std::string text;
  for (const std::string& parameter : Parameters) {
    if (!text.empty()) text += ' ';
    text += '"' + parameter + '"';
  }
  return text;
}

std::string FormatApplicationName(std::string_view Description, std::string_view FileName) {
  return Description.empty() ? ExtractFileName(FileName) : std::string(Description);
}

std::string FormatApplicationVersion(std::string_view Version) {
  return Version.empty() ? std::string("0.0.0.0") : std::string(Version);
}

std::string FormatExceptionAddress(std::uintptr_t Address) { return Address == 0 ? std::string() : Hex16(Address); }

std::string FormatExceptionType(const std::type_info* Type) {
  if (!Type || !dynamic_cast<const abi::__class_type_info*>(Type)) return "Unknown exception type.";
  int status = 0;
  const std::unique_ptr<char, decltype(&std::free)> name(abi::__cxa_demangle(Type->name(), nullptr, nullptr, &status),
                                                         &std::free);
  return status == 0 && name ? std::string(name.get()) : std::string(Type->name());
}

std::string FormatExceptionMessage(const std::string* Message) {
  std::string text = Message ? *Message : std::string("Unknown error message.");
  if (!text.empty() && !text.ends_with('.')) text += '.';
  return text;
}

std::string FormatAccessViolation(const TAccessFault& Fault, bool LongModuleName) {
  std::string text = "Access violation at address " + Hex16(Fault.CodeAddress);
  if (!Fault.ModuleFileName.empty())
    text += " in module '" + (LongModuleName ? Fault.ModuleFileName : ExtractFileName(Fault.ModuleFileName)) + "'";
  text += Fault.Write ? ". Write" : ". Read";
  text += " of address " + Hex16(Fault.DataAddress) + ".";
  return text;
}

std::string AccessViolationMessage(std::string_view FirstMessage, const TAccessFault& Fault) {
  std::string text = FormatAccessViolation(Fault);
  if (text == FirstMessage && !Fault.ModuleFileName.empty()) text = FormatAccessViolation(Fault, true);
  return text;
}

std::string FormatWindowText(std::string_view Text) {
  return MakeSingleLine(Text.substr(0, Utf8Offset(Text, 255)));
}

std::string FormatMemorySize(std::uint64_t Bytes) {
  return std::to_string(Round(static_cast<double>(Bytes) / 1048576.0)) + " Mb";
}

std::string FormatDiskSize(std::optional<std::uint64_t> Bytes) {
  if (!Bytes) return {};
  return FormatFloat("0.##", static_cast<double>(*Bytes) / 1073741824.0) + " Gb";
}

std::string FormatUpTime(std::uint64_t Milliseconds) {
  const std::uint64_t seconds_total = Milliseconds / 1000;
  const std::uint64_t days = seconds_total / 86400;
  const std::uint64_t hours = seconds_total / 3600 % 24;
  const std::uint64_t minutes = seconds_total / 60 % 60;
  const std::uint64_t seconds = seconds_total % 60;
  std::string text;
  if (days > 0) text += Counted(days, "day") + ", ";
  if (hours > 0) text += Counted(hours, "hour") + ", ";
  return text + Counted(minutes, "minute") + ", " + Counted(seconds, "second");
}

std::string FormatDisplayMode(int Width, int Height, int BitsPerPixel) {
  return std::to_string(Width) + " x " + std::to_string(Height) + ", " + std::to_string(BitsPerPixel) + " bit";
}

std::string LanguageName(std::string_view LocaleName) {
  const std::string name(LocaleName.substr(0, LocaleName.find_first_of(".@")));
  if (name == "C" || name == "POSIX") return "English";
  const icu::Locale locale(name.c_str());
  const std::string code = locale.getLanguage();
  if (code.empty()) return {};
  icu::UnicodeString display;
  locale.getDisplayLanguage(icu::Locale::getEnglish(), display);
  std::string text;
  display.toUTF8String(text);
  return text == code ? std::string() : text;  // ICU names a language it does not know by its code
}

std::string ProcessorFromCpuInfo(std::string_view CpuInfo) {
  const std::size_t gap = CpuInfo.find("\n\n");
  const std::string_view block = CpuInfo.substr(0, gap);
  std::string text = CpuInfoValue(block, "model name");
  if (text.empty()) {
    const std::string family = CpuInfoValue(block, "cpu family");
    if (!family.empty())
      text = "Family " + family + " Model " + CpuInfoValue(block, "model") + " Stepping " +
             CpuInfoValue(block, "stepping");
    const std::string vendor = CpuInfoValue(block, "vendor_id");
    if (!text.empty() && !vendor.empty()) text = vendor + " - " + text;
  }
  return text.empty() ? std::string("Unknown processor") : text;
}

std::string FormatIPAddress(std::string_view Address) {
  unsigned parts[4];
  std::size_t at = 0;
  for (int i = 0; i < 4; ++i) {
    std::size_t end = at;
    while (end < Address.size() && end - at < 4 && Address[end] >= '0' && Address[end] <= '9') ++end;
    if (end == at || end - at > 3) return "000.000.000.000";
    parts[i] = static_cast<unsigned>(std::stoul(std::string(Address.substr(at, end - at))));
    if (parts[i] > 255 || (i < 3 && (end >= Address.size() || Address[end] != '.')) || (i == 3 && end != Address.size()))
      return "000.000.000.000";
    at = end + 1;
  }
  std::string text;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) text += '.';
    text += std::string(3 - std::to_string(parts[i]).size(), '0') + std::to_string(parts[i]);
  }
  return text;
}

TNetworkValues FormatNetworkValues(std::span<const TNetworkAdapter> Adapters) {
  TNetworkValues values;
  const auto join = [](std::string& value, const std::string& part) {
    if (!value.empty()) value += " - ";
    value += part;
  };
  for (const TNetworkAdapter& adapter : Adapters) {
    join(values.DHCP, PadRight(adapter.DHCP ? (*adapter.DHCP ? "ON" : "OFF") : "??", 16));
    join(values.IPAddress, FormatIPAddress(adapter.Address));
    join(values.Submask, FormatIPAddress(adapter.Mask));
    join(values.Gateway, FormatIPAddress(adapter.Gateway));
    join(values.DNS1, FormatIPAddress(adapter.DNSServers.empty() ? std::string() : adapter.DNSServers[0]));
    join(values.DNS2, FormatIPAddress(adapter.DNSServers.size() < 2 ? std::string() : adapter.DNSServers[1]));
  }
  return values;
}

}  // namespace lab
