#include "crashreport/internal_error.h"

#include <unistd.h>

#include <cstdio>
#include <exception>
#include <typeinfo>

#include "crashreport/report/call_stack.h"
#include "crashreport/codec/file_utils.h"
#include "crashreport/files/log_paths.h"
#include "crashreport/send/mail_shell.h"
#include "crashreport/report/memory_map.h"
#include "crashreport/report/memory_probe.h"
#include "crashreport/report/object_checks.h"
#include "crashreport/process_state.h"
#include "crashreport/send/sockets.h"
#include "crashreport/report/system_utils.h"
#include "crashreport/dialogs/window_services.h"
#include "platform/controls/dialogs.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/strutils.h"

extern "C" std::type_info* __cxa_current_exception_type() noexcept;

namespace lab {
namespace {

constexpr char kLibraryVersion[] = "1.1.0";
constexpr char kBugSubject[] = "CrashLog 1.1.0 critical bug.";
constexpr char kBuildTool[] = "GNU C++ " __VERSION__;

void WriteLine(const std::string& Line) {
  std::fflush(stderr);
  WriteStandardError(Line);
}

std::string MemoryDump(std::uintptr_t Address) {
  unsigned char bytes[32];
  if (Address == 0 || ReadMemory(reinterpret_cast<const void*>(Address), bytes, sizeof bytes) != sizeof bytes)
    return {};
  std::string dump;
  for (unsigned char b : bytes) dump += "$" + IntToHex(b, 2) + " ";
  return dump;
}

}  // namespace

std::string InternalBugCallStack() {
  const TMemoryMap memory;
  TCrashStackList stack;
  const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  BuildCallStack(stack, memory, reinterpret_cast<std::uintptr_t>(__builtin_return_address(0)), here,
                 memory.RegionEnd(here), kAllCallStackKinds, -1, 0, true, 1, GetCurrentThreadID());
  std::string text;
  for (int i = 0; i < stack.Count(); ++i) {
    const TCrashDebugInfo& e = *stack.GetItem(i);
    if (i > 0) text += std::string(12, ' ');
    text += IntToHex(i, 2) + " $" + IntToHex(e.Address, 16) + " - [" +
            IntToHex(e.Module ? e.Module->Handle : 0, 16) + "] " +
            (e.Module ? ExtractFileName(e.Module->FileName) : std::string()) + " ";
    if (e.Line > 0)
      text += " - " + e.UnitName + " - " + e.ClassName + " - " + e.ProcedureName + " - " + std::to_string(e.Line);
    text += "\r\n";
  }
  return text;
}

std::string InternalBugText(const TInternalBug& Bug) {
  return "Version   : " + std::string(kLibraryVersion) + "\r\nDate      : " + FormatMailDate(Now()) +
         "\r\nOS        : " + GetWindowsVersionText() + "\r\nTool      : " + kBuildTool +
         "\r\nDump      : " + Bug.Dump + "\r\nSection   : " + Bug.Section +
         "\r\nLastExcept: " + Bug.LastExceptionClass + "\r\nAddress   : $" + IntToHex(Bug.Address, 16) +
         "\r\nException : " + Bug.ClassName + "\r\nMessage   : " + Bug.Message + "\r\nCall Stack: " + Bug.CallStack;
}

std::string WriteInternalBugReport(const TInternalBug& Bug, const std::string& FileName) {
  try {
    std::string path = FileName.empty() ? RunningModuleFileName() + ".log" : FileName;
    if (!EnsureWritableFilePath(path, false, false)) return {};
    const std::string text = InternalBugText(Bug);
    ReplaceFileLocked(path, [&](std::string) { return text; });
    const std::string question = "Error: '" + Bug.Message +
                                 "'\r\n\r\nThis is an internal CrashLog bug.\r\n"
                                 "Do you want to send the bug information to CrashLog author?";
    if (CrashMessageBox(question, "Probably internal bug",
                        win::MB_YESNO | win::MB_ICONERROR | win::MB_TASKMODAL | win::MB_TOPMOST |
                            win::MB_SERVICE_NOTIFICATION) == win::IDYES) {
      if (!SendMailShell(kCrashLogSupportAddress, kBugSubject, kBugSubject, {}, path))
        CrashMessageBox("Cannot connect with your email client.\r\nPlease send the file \"" + path + "\" to " +
                            kCrashLogSupportAddress + " manually and then press OK.",
                        "Information", win::MB_OK | win::MB_ICONINFORMATION | win::MB_TASKMODAL);
    }
    return path;
  } catch (...) {
    return {};  // a failing bug report ends silently
  }
}

void ReportInternalError(std::string_view Section, std::uintptr_t Address) {
  TInternalBug bug;
  bug.Section = std::string(Section);
  bug.Address = Address;
  bug.Message = "General internal error.";
  if (const std::type_info* type = __cxa_current_exception_type()) bug.ClassName = ClassNameOf(*type);
  try {
    throw;
  } catch (const EAbort&) {
    return;
  } catch (const ECrashSocketError&) {
    return;
  } catch (const std::exception& e) {
    bug.Message = e.what();
  } catch (...) {
  }
  WriteLine("[ERROR] - Section: " + bug.Section + " - Address: " + IntToHex(Address, 16) + " - Message: \"" +
            bug.Message + "\"\n");
  if (!IsRunningInIDE() && !IsDebuggerAttached()) return;
  try {
    if (const std::type_info* last = CrashState().ExceptionRecord.ExceptionClass) bug.LastExceptionClass = ClassNameOf(*last);
    bug.Dump = MemoryDump(Address);
    bug.CallStack = InternalBugCallStack();
    WriteInternalBugReport(bug);
  } catch (...) {
  }
}

}  // namespace lab
