#include "crashreport/report/system_utils.h"

#include "crashreport/report/memory_probe.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/auxv.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>

#include "platform/classes/resources.h"
#include "platform/rtl/line_breaks.h"

namespace lab {
namespace {

long LocalOffsetSeconds() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  return local.tm_gmtoff;
}

std::string ReadLink(const char* path) {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink(path, buffer, sizeof buffer);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

}  // namespace

int GetUTCOffsetHours() { return static_cast<int>(std::nearbyint(LocalOffsetSeconds() / 3600.0)); }

int GetUTCOffsetMinutes() { return static_cast<int>(LocalOffsetSeconds() / 60); }

std::string FormatUTCOffset(int Minutes) {
  const int magnitude = Minutes < 0 ? -Minutes : Minutes;
  char text[16];
  std::snprintf(text, sizeof text, "%c%02d%02d", Minutes < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
  return text;
}

std::string FormatMailDate(TDateTime Value) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  int year, month, day, hour, minute, second, msec;
  DecodeDate(Value, year, month, day);
  DecodeTime(Value, hour, minute, second, msec);
  // The zone the local time had at that moment, summer time included.
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  const long offset = ::mktime(&local) == static_cast<std::time_t>(-1) ? LocalOffsetSeconds() : local.tm_gmtoff;
  char text[64];
  std::snprintf(text, sizeof text, "%s, %d %s %d %02d:%02d:%02d %s", kDays[DayOfWeek(Value) - 1], day,
                kMonths[month - 1], year, hour, minute, second,
                FormatUTCOffset(static_cast<int>(offset / 60)).c_str());
  return text;
}

std::string OsReleaseValue(std::string_view Text, std::string_view Key) {
  std::string result;
  ForEachLine(Text, [&](std::string_view line) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos || line.substr(0, eq) != Key) return;
    std::string_view raw = line.substr(eq + 1);
    std::string value;
    const char quote = !raw.empty() && (raw[0] == '"' || raw[0] == '\'') ? raw[0] : 0;
    for (std::size_t i = quote ? 1 : 0; i < raw.size(); ++i) {
      const char c = raw[i];
      if (quote && c == quote) break;
      // Inside double quotes (and unquoted) a backslash takes the next character as it is.
      if (c == '\\' && quote != '\'' && i + 1 < raw.size()) {
        value += raw[++i];
        continue;
      }
      value += c;
    }
    result = std::move(value);
  });
  return result;
}

std::string GetWindowsVersionText() {
  std::string name;
  for (const char* file : {"/etc/os-release", "/usr/lib/os-release"}) {
    std::ifstream in(file, std::ios::binary);
    if (!in) continue;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    name = OsReleaseValue(text, "PRETTY_NAME");
    if (name.empty()) name = OsReleaseValue(text, "NAME");
    break;
  }
  struct utsname system {};
  if (name.empty()) name = ::uname(&system) == 0 ? system.sysname : "Linux";
  if (::uname(&system) == 0) name += std::string(" (") + system.release + ")";
  return name;
}

const void* GetResourceData(const void* Module, std::string_view Name, std::string_view Type, std::size_t& Size) {
  Size = 0;
  if (Module && GetModuleBase(Module) != RunningModuleBase()) return nullptr;
  const detail::TEmbeddedResource* resource = FindResource(Name, Type);
  if (!resource) return nullptr;
  Size = resource->Size;
  return resource->Data;
}

std::string GetComputerNameText() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

namespace {

// The vDSO's image: from its ELF header to the end of its highest loaded segment.
bool InVdso(std::uintptr_t Address) noexcept {
  static const std::uintptr_t start = ::getauxval(AT_SYSINFO_EHDR);
  static const std::uintptr_t end = [] {
    if (!start) return start;
    const auto* header = reinterpret_cast<const ElfW(Ehdr)*>(start);
    const auto* segments = reinterpret_cast<const ElfW(Phdr)*>(start + header->e_phoff);
    std::uintptr_t first = UINTPTR_MAX, last = 0;
    for (int i = 0; i < header->e_phnum; ++i)
      if (segments[i].p_type == PT_LOAD) {
        first = std::min<std::uintptr_t>(first, segments[i].p_vaddr);
        last = std::max<std::uintptr_t>(last, segments[i].p_vaddr + segments[i].p_memsz);
      }
    return last > first ? start + (last - first) : start;
  }();
  return Address >= start && Address < end;
}

}  // namespace

const link_map* LoaderEntryOf(const void* Address, const void** Base) noexcept {
  dl_find_object found{};
  if (::_dl_find_object(const_cast<void*>(Address), &found) == 0) {
    if (Base) *Base = found.dlfo_map_start;
    return found.dlfo_link_map;
  }
  if (!InVdso(reinterpret_cast<std::uintptr_t>(Address))) return nullptr;
  // Only read: the vDSO's entry stands for the life of the process, and the loader links a new
  // entry in whole.
  for (const link_map* map = _r_debug.r_map; map; map = map->l_next)
    if (InVdso(reinterpret_cast<std::uintptr_t>(map->l_ld))) {
      if (Base) *Base = reinterpret_cast<const void*>(::getauxval(AT_SYSINFO_EHDR));
      return map;
    }
  return nullptr;
}

const void* FindLoadedExport(const link_map& Map, const char* Name) noexcept {
  // The loader moved the table addresses by the load bias, except where it keeps them as linked.
  const auto at = [&](ElfW(Addr) Pointer) { return Pointer < Map.l_addr ? Pointer + Map.l_addr : Pointer; };
  const ElfW(Sym)* symbols = nullptr;
  const char* names = nullptr;
  const std::uint32_t* gnu_hash = nullptr;
  const std::uint32_t* hash = nullptr;
  for (const ElfW(Dyn)* d = Map.l_ld; d && d->d_tag != DT_NULL; ++d) {
    if (d->d_tag == DT_SYMTAB) symbols = reinterpret_cast<const ElfW(Sym)*>(at(d->d_un.d_ptr));
    if (d->d_tag == DT_STRTAB) names = reinterpret_cast<const char*>(at(d->d_un.d_ptr));
    if (d->d_tag == DT_GNU_HASH) gnu_hash = reinterpret_cast<const std::uint32_t*>(at(d->d_un.d_ptr));
    if (d->d_tag == DT_HASH) hash = reinterpret_cast<const std::uint32_t*>(at(d->d_un.d_ptr));
  }
  if (!symbols || !names) return nullptr;
  const auto exported = [&](std::uint32_t Index) -> const void* {
    const ElfW(Sym)& symbol = symbols[Index];
    if (symbol.st_shndx == SHN_UNDEF || std::strcmp(names + symbol.st_name, Name) != 0) return nullptr;
    return reinterpret_cast<const void*>(Map.l_addr + symbol.st_value);
  };
  if (gnu_hash) {
    const std::uint32_t buckets = gnu_hash[0], first = gnu_hash[1], mask_words = gnu_hash[2];
    const auto* chains = gnu_hash + 4 + mask_words * (sizeof(ElfW(Addr)) / 4) + buckets;
    std::uint32_t h = 5381;
    for (const char* c = Name; *c; ++c) h = h * 33 + static_cast<unsigned char>(*c);
    std::uint32_t index = gnu_hash[4 + mask_words * (sizeof(ElfW(Addr)) / 4) + h % buckets];
    if (index < first) return nullptr;
    for (;; ++index) {
      const std::uint32_t chain = chains[index - first];
      if ((chain | 1) == (h | 1))
        if (const void* found = exported(index)) return found;
      if (chain & 1) return nullptr;
    }
  }
  if (hash)  // the symbol count is the chain table's length
    for (std::uint32_t i = 0; i < hash[1]; ++i)
      if (const void* found = exported(i)) return found;
  return nullptr;
}

std::string GetModuleFullName(const void* Module) {
  if (!Module) return ReadLink("/proc/self/exe");
  const link_map* map = LoaderEntryOf(Module);
  if (!map) return {};
  // The program's own entry has no name in the link map.
  if (!map->l_name || !map->l_name[0]) return ReadLink("/proc/self/exe");
  std::string name = map->l_name;
  if (name[0] != '/' && name.find('/') != std::string::npos) {
    char full[PATH_MAX];
    if (::realpath(name.c_str(), full)) name = full;
  }
  return name;
}

const void* GetModuleBase(const void* Address) {
  if (!Address) return nullptr;
  // The loader's index of its objects answers in a few steps; dladdr also looks for the nearest
  // symbol, a walk through the module's whole symbol table for every address of a call stack.
  const void* base = nullptr;
  return LoaderEntryOf(Address, &base) ? base : nullptr;
}

std::uintptr_t GetModuleBias(const void* Address) {
  const link_map* map = Address ? LoaderEntryOf(Address) : nullptr;
  return map ? map->l_addr : 0;
}

const void* RunningModuleBase() {
  static const void* const base = GetModuleBase(reinterpret_cast<const void*>(&RunningModuleBase));
  return base;
}

const std::string& RunningModuleFileName() {
  static const std::string name = GetModuleFullName(reinterpret_cast<const void*>(&RunningModuleBase));
  return name;
}

bool IsDebuggerAttached() noexcept {
  TKeepErrno keep;
  int fd;
  do fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  char buffer[4096];
  std::size_t length = 0;
  for (ssize_t n; length < sizeof buffer - 1; length += static_cast<std::size_t>(n)) {
    n = ::read(fd, buffer + length, sizeof buffer - 1 - length);
    if (n < 0 && errno == EINTR) {
      n = 0;
      continue;
    }
    if (n <= 0) break;
  }
  ::close(fd);
  buffer[length] = 0;
  const char* field = std::strstr(buffer, "\nTracerPid:");
  if (!field) return false;
  field += std::strlen("\nTracerPid:");
  while (*field == ' ' || *field == '\t') ++field;
  return *field >= '1' && *field <= '9';
}

std::string ReadRegistryString(std::uintptr_t, std::string_view, std::string_view) { return {}; }

}  // namespace lab
