#include "crashreport/system_utils.h"

#include "crashreport/memory_probe.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <ctime>

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

std::string GetComputerNameText() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::string GetModuleFullName(const void* Module) {
  if (!Module) return ReadLink("/proc/self/exe");
  Dl_info info{};
  link_map* map = nullptr;
  if (!::dladdr1(Module, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) || !map) return {};
  // The program's own entry has no name in the link map.
  if (!map->l_name || !map->l_name[0]) return ReadLink("/proc/self/exe");
  std::string name = map->l_name;
  if (name[0] != '/' && name.find('/') != std::string::npos) {
    char full[PATH_MAX];
    if (::realpath(name.c_str(), full)) name = full;
  }
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
