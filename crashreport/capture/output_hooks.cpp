#include "crashreport/capture/output_hooks.h"

#include <dlfcn.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "crashreport/capture/hooks.h"
#include "crashreport/report/thread_stacks.h"
#include "crashreport/dialogs/web_mode.h"

namespace lab {
namespace {

// The routines replaced, as the loader finds them (taken before any slot points at a hook). The
// hooks' state is at file scope: the program calls them, with no object of ours.
struct TReal {
  ssize_t (*write)(int, const void*, size_t);
  ssize_t (*writev)(int, const iovec*, int);
  size_t (*fwrite)(const void*, size_t, size_t, FILE*);
  int (*fputs)(const char*, FILE*);
  int (*puts)(const char*);
  int (*fputc)(int, FILE*);
  int (*putc)(int, FILE*);
  int (*putchar)(int);
  int (*vfprintf)(FILE*, const char*, va_list);
  int (*vfprintf_chk)(FILE*, int, const char*, va_list);  // of programs built with _FORTIFY_SOURCE
};
TReal g_real{};

std::atomic<bool> g_installed{false};
std::mutex g_page_lock;
std::string* g_page = new std::string;  // never destroyed: the program may write at exit

void Capture(const void* Data, std::size_t Size) {
  if (Size == 0) return;
  std::lock_guard guard(g_page_lock);
  g_page->append(static_cast<const char*>(Data), Size);
}

void CaptureChar(int C) {
  const char c = static_cast<char>(C);
  Capture(&c, 1);
}

void CaptureFormatted(const char* Format, va_list Args) {
  char small[512];
  va_list copy;
  va_copy(copy, Args);
  const int size = std::vsnprintf(small, sizeof small, Format, copy);
  va_end(copy);
  if (size < 0) return;
  if (static_cast<std::size_t>(size) < sizeof small) return Capture(small, static_cast<std::size_t>(size));
  std::vector<char> text(static_cast<std::size_t>(size) + 1);
  std::vsnprintf(text.data(), text.size(), Format, Args);
  Capture(text.data(), static_cast<std::size_t>(size));
}

bool IsOut(FILE* Stream) { return Stream == stdout; }

ssize_t HookedWrite(int Fd, const void* Data, size_t Size) {
  const ssize_t written = g_real.write(Fd, Data, Size);
  if (Fd == STDOUT_FILENO && written > 0) Capture(Data, static_cast<std::size_t>(written));
  return written;
}

ssize_t HookedWritev(int Fd, const iovec* Vector, int Count) {
  const ssize_t written = g_real.writev(Fd, Vector, Count);
  if (Fd != STDOUT_FILENO || written <= 0) return written;
  auto left = static_cast<std::size_t>(written);
  for (int i = 0; i < Count && left > 0; ++i) {
    const std::size_t part = std::min(left, Vector[i].iov_len);
    Capture(Vector[i].iov_base, part);
    left -= part;
  }
  return written;
}

size_t HookedFwrite(const void* Data, size_t Size, size_t Count, FILE* Stream) {
  const size_t written = g_real.fwrite(Data, Size, Count, Stream);
  if (IsOut(Stream)) Capture(Data, Size * written);
  return written;
}

int HookedFputs(const char* Text, FILE* Stream) {
  const int result = g_real.fputs(Text, Stream);
  if (IsOut(Stream) && result != EOF) Capture(Text, std::strlen(Text));
  return result;
}

int HookedPuts(const char* Text) {
  const int result = g_real.puts(Text);
  if (result != EOF) {
    Capture(Text, std::strlen(Text));
    CaptureChar('\n');
  }
  return result;
}

int HookedFputc(int C, FILE* Stream) {
  const int result = g_real.fputc(C, Stream);
  if (IsOut(Stream) && result != EOF) CaptureChar(result);
  return result;
}

int HookedPutc(int C, FILE* Stream) {
  const int result = g_real.putc(C, Stream);
  if (IsOut(Stream) && result != EOF) CaptureChar(result);
  return result;
}

int HookedPutchar(int C) {
  const int result = g_real.putchar(C);
  if (result != EOF) CaptureChar(result);
  return result;
}

int HookedVfprintf(FILE* Stream, const char* Format, va_list Args) {
  va_list copy;
  va_copy(copy, Args);
  const int result = g_real.vfprintf(Stream, Format, Args);
  if (IsOut(Stream) && result > 0) CaptureFormatted(Format, copy);
  va_end(copy);
  return result;
}

int HookedVprintf(const char* Format, va_list Args) { return HookedVfprintf(stdout, Format, Args); }

int HookedFprintf(FILE* Stream, const char* Format, ...) {
  va_list args;
  va_start(args, Format);
  const int result = HookedVfprintf(Stream, Format, args);
  va_end(args);
  return result;
}

int HookedPrintf(const char* Format, ...) {
  va_list args;
  va_start(args, Format);
  const int result = HookedVfprintf(stdout, Format, args);
  va_end(args);
  return result;
}

// The checking forms that programs built with _FORTIFY_SOURCE call instead.
int HookedVfprintfChk(FILE* Stream, int Flag, const char* Format, va_list Args) {
  va_list copy;
  va_copy(copy, Args);
  const int result = g_real.vfprintf_chk(Stream, Flag, Format, Args);
  if (IsOut(Stream) && result > 0) CaptureFormatted(Format, copy);
  va_end(copy);
  return result;
}

int HookedVprintfChk(int Flag, const char* Format, va_list Args) {
  return HookedVfprintfChk(stdout, Flag, Format, Args);
}

int HookedFprintfChk(FILE* Stream, int Flag, const char* Format, ...) {
  va_list args;
  va_start(args, Format);
  const int result = HookedVfprintfChk(Stream, Flag, Format, args);
  va_end(args);
  return result;
}

int HookedPrintfChk(int Flag, const char* Format, ...) {
  va_list args;
  va_start(args, Format);
  const int result = HookedVfprintfChk(stdout, Flag, Format, args);
  va_end(args);
  return result;
}

struct THook {
  const char* Name;
  const void* Hook;
};
const THook kHooks[] = {
    {"write", reinterpret_cast<const void*>(&HookedWrite)},
    {"writev", reinterpret_cast<const void*>(&HookedWritev)},
    {"fwrite", reinterpret_cast<const void*>(&HookedFwrite)},
    {"fputs", reinterpret_cast<const void*>(&HookedFputs)},
    {"puts", reinterpret_cast<const void*>(&HookedPuts)},
    {"fputc", reinterpret_cast<const void*>(&HookedFputc)},
    {"putc", reinterpret_cast<const void*>(&HookedPutc)},
    {"putchar", reinterpret_cast<const void*>(&HookedPutchar)},
    {"printf", reinterpret_cast<const void*>(&HookedPrintf)},
    {"fprintf", reinterpret_cast<const void*>(&HookedFprintf)},
    {"vprintf", reinterpret_cast<const void*>(&HookedVprintf)},
    {"vfprintf", reinterpret_cast<const void*>(&HookedVfprintf)},
    {"__printf_chk", reinterpret_cast<const void*>(&HookedPrintfChk)},
    {"__fprintf_chk", reinterpret_cast<const void*>(&HookedFprintfChk)},
    {"__vprintf_chk", reinterpret_cast<const void*>(&HookedVprintfChk)},
    {"__vfprintf_chk", reinterpret_cast<const void*>(&HookedVfprintfChk)},
};

template <class F>
bool Find(F& Routine, const char* Name) {
  Routine = reinterpret_cast<F>(::dlsym(RTLD_DEFAULT, Name));
  return Routine != nullptr;
}

}  // namespace

void InstallOutputHooks() {
  if (g_installed.load() || !IsCGIApplication()) return;
  if (!Find(g_real.write, "write") || !Find(g_real.writev, "writev") || !Find(g_real.fwrite, "fwrite") ||
      !Find(g_real.fputs, "fputs") || !Find(g_real.puts, "puts") || !Find(g_real.fputc, "fputc") ||
      !Find(g_real.putc, "putc") || !Find(g_real.putchar, "putchar") || !Find(g_real.vfprintf, "vfprintf") ||
      !Find(g_real.vfprintf_chk, "__vfprintf_chk"))
    return;
  g_installed = true;
  const std::vector<std::string> modules = LoadedModuleNames();
  for (const THook& hook : kHooks) {
    const void* real = nullptr;
    HookImportedProc(modules, "", hook.Name, hook.Hook, real, true);
  }
}

void RemoveOutputHooks() {
  if (!g_installed.exchange(false)) return;
  for (const THook& hook : kHooks) UnhookImportedProc(hook.Hook);
}

bool OutputHooksInstalled() noexcept { return g_installed.load(); }

std::string CapturedWebPage() {
  std::lock_guard guard(g_page_lock);
  return *g_page;
}

void ClearCapturedWebPage() {
  std::lock_guard guard(g_page_lock);
  g_page->clear();
}

bool WriteStandardOutput(std::string_view Data) {
  auto write = g_real.write ? g_real.write : &::write;
  while (!Data.empty()) {
    const ssize_t n = write(STDOUT_FILENO, Data.data(), Data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    Data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace lab
