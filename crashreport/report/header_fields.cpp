#include "crashreport/report/header_fields.h"

#include <sys/ucontext.h>

#include <exception>

#include "crashreport/dialogs/crash_gui.h"
#include "crashreport/codec/file_utils.h"
#include "crashreport/module_data.h"
#include "crashreport/report/module_list.h"
#include "crashreport/report/object_checks.h"
#include "crashreport/report/system_facts.h"
#include "crashreport/report/system_utils.h"

namespace lab {
namespace {

// The page fault's error code: set for a write.
constexpr greg_t kFaultErrorWrite = 2;

std::string ProgramFileName() { return GetModuleFullName(nullptr); }

void ProgramVersion(std::string& Description, std::string& Version) {
  GetFileVersionAndDescription(ProgramFileName(), Description, Version);
}

std::string MailDateOrEmpty(TDateTime Value) { return Value == 0 ? std::string() : FormatMailDate(Value); }

// The thrown object as a std::exception, found as a catch clause would find it; nullptr when it is
// none.
const std::exception* AsStdException(const TCrashExceptionRecord& Record) {
  if (!Record.ExceptionObject || !Record.ExceptionClass) return nullptr;
  void* object = const_cast<void*>(Record.ExceptionObject);
  if (!typeid(std::exception).__do_catch(Record.ExceptionClass, &object, 1)) return nullptr;
  return static_cast<const std::exception*>(object);
}

}  // namespace

std::string GetStartDate() { return MailDateOrEmpty(ProgramStartTime()); }

std::string GetApplicationName() {
  std::string description, version;
  ProgramVersion(description, version);
  return FormatApplicationName(description, ProgramFileName());
}

std::string GetAppVersionInfo() {
  std::string description, version;
  ProgramVersion(description, version);
  return FormatApplicationVersion(version);
}

std::string GetParameters() { return FormatParameters(ProgramParameters()); }

std::string GetCompilationDate() { return GetModuleCompilationDate(RunningModuleFileName()); }

std::string GetModuleCompilationDate(const std::string& FileName) {
  const std::int64_t stamp = ReadModuleBuildTime(FileName);
  return stamp == 0 ? std::string() : MailDateOrEmpty(UnixToLocalDateTime(stamp));
}

std::string GetExceptionDate() { return MailDateOrEmpty(CrashState().ExceptionTime); }

std::string GetExceptionAddress() {
  return FormatExceptionAddress(reinterpret_cast<std::uintptr_t>(CurrentExceptionRecord().ExceptionAddress));
}

std::string GetExceptionModule() {
  const void* address = CurrentExceptionRecord().ExceptionAddress;
  return address ? ExtractFileName(GetModuleFullName(address)) : std::string();
}

std::string GetExceptionType() { return FormatExceptionType(CurrentExceptionRecord().ExceptionClass); }

std::string GetExceptionMessage(const TExceptNotifyParams& Params) {
  const TCrashExceptionRecord& record = CurrentExceptionRecord();
  const std::exception* exception = AsStdException(record);
  if (!exception) return FormatExceptionMessage(nullptr);
  std::string message = exception->what();
  if (Params.Context && Params.Context->ContextFlags == CONTEXT_FULL && Params.Context->Holds(REG_CR2) &&
      Params.Context->Holds(REG_ERR) && record.ExceptionClass &&
      ClassInheritsFromName(*record.ExceptionClass, "EAccessViolation")) {
    // The fault as the processor saw it: the touched address in CR2, a write in its error code.
    TAccessFault fault;
    fault.CodeAddress = Params.Context->Rip();
    fault.DataAddress = static_cast<std::uintptr_t>(Params.Context->Gregs[REG_CR2]);
    fault.Write = (Params.Context->Gregs[REG_ERR] & kFaultErrorWrite) != 0;
    fault.ModuleFileName = GetModuleFullName(reinterpret_cast<const void*>(fault.CodeAddress));
    message = AccessViolationMessage(message, fault);
  }
  return FormatExceptionMessage(&message);
}

std::string GetFormClass() {
  const win::HWND window = CrashGui().ForegroundWindow();
  return window ? FormatWindowText(CrashGui().WindowClassName(window)) : std::string();
}

std::string GetFormText() {
  const win::HWND window = CrashGui().ForegroundWindow();
  return window ? FormatWindowText(CrashGui().WindowText(window)) : std::string();
}

std::string GetControlClass(const TExceptNotifyParams& Params) { return Params.ActiveControlClass; }

std::string GetControlText(const TExceptNotifyParams& Params) { return FormatWindowText(Params.ActiveControlText); }

std::string GetComputerName() { return GetComputerNameText(); }

std::string GetUserName() { return CurrentUserName(); }

std::string GetTotalMemory() {
  const std::optional<TMemoryFacts> memory = ReadMemoryFacts();
  return memory ? FormatMemorySize(memory->Total) : std::string();
}

std::string GetFreeMemory() {
  const std::optional<TMemoryFacts> memory = ReadMemoryFacts();
  return memory ? FormatMemorySize(memory->Available) : std::string();
}

std::string GetTotalDisk() {
  const std::optional<TDiskFacts> disk = ReadDiskFacts(ProgramFileName());
  return FormatDiskSize(disk ? std::optional<std::uint64_t>(disk->Total) : std::nullopt);
}

std::string GetFreeDisk() {
  const std::optional<TDiskFacts> disk = ReadDiskFacts(ProgramFileName());
  return FormatDiskSize(disk ? std::optional<std::uint64_t>(disk->FreeToCaller) : std::nullopt);
}

std::string GetSystemUpTime() { return FormatUpTime(SystemUpTimeMs()); }

std::string GetProcessor() { return ReadProcessorText(); }

std::string GetDisplayMode() {
  const TRect screen = CrashGui().ScreenRect();
  return FormatDisplayMode(screen.Width(), screen.Height(), CrashGui().ScreenBitsPerPixel());
}

std::string GetSystemType() { return GetWindowsVersionText(); }

std::string GetSystemBuild() { return SystemBuildText(); }

std::string GetSystemUpdate() { return SystemUpdateText(); }

std::string GetSystemLanguage() { return SystemLanguageText(); }

TNetworkValues GetNetworkValues() {
  const std::optional<std::vector<TNetworkAdapter>> adapters = ReadNetworkAdapters();
  return adapters ? FormatNetworkValues(*adapters) : TNetworkValues{};
}

std::array<std::string, kReportHeaderFieldCount> GetReportHeaderValues(const TExceptNotifyParams& Params) {
  const TNetworkValues network = GetNetworkValues();
  return {GetStartDate(),       GetApplicationName(),   GetAppVersionInfo(),       GetParameters(),
          GetCompilationDate(), GetExceptionDate(),     GetExceptionAddress(),     GetExceptionModule(),
          GetExceptionType(),   GetExceptionMessage(Params), GetFormClass(),       GetFormText(),
          GetControlClass(Params), GetControlText(Params), GetComputerName(),      GetUserName(),
          GetTotalMemory(),     GetFreeMemory(),        GetTotalDisk(),            GetFreeDisk(),
          GetSystemUpTime(),    GetProcessor(),         GetDisplayMode(),          GetSystemType(),
          GetSystemBuild(),     GetSystemUpdate(),      GetSystemLanguage(),       network.IPAddress,
          network.Submask,      network.Gateway,        network.DNS1,              network.DNS2,
          network.DHCP};
}

}  // namespace lab
