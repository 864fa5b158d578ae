#pragma once
// The report header's 33 values for the exception being processed, one routine per field. Each reads
// what it needs (the process state, the module list, the crash reporter's GUI, the system) and
// formats it with header_values.h; none fails: a fact that cannot be had gives an empty value or a
// fixed text.

#include <array>
#include <string>

#include "crashreport/report/header_values.h"
#include "crashreport/process_state.h"

namespace lab {

constexpr int kReportHeaderFieldCount = 33;

// Application.
std::string GetStartDate();
std::string GetApplicationName();
// The program's file version, "0.0.0.0" when it has none.
std::string GetAppVersionInfo();
std::string GetParameters();
std::string GetCompilationDate();
// The link time stamped into a module's file, as the report writes dates; empty without one.
std::string GetModuleCompilationDate(const std::string& FileName);
// Exception.
std::string GetExceptionDate();
std::string GetExceptionAddress();
std::string GetExceptionModule();
std::string GetExceptionType();
// The message of the current exception; for an access violation with a register context, rebuilt
// from the faulting and the touched address.
std::string GetExceptionMessage(const TExceptNotifyParams& Params);
// Active controls: the foreground window and the focused control (from the dispatcher's params).
std::string GetFormClass();
std::string GetFormText();
std::string GetControlClass(const TExceptNotifyParams& Params);
std::string GetControlText(const TExceptNotifyParams& Params);
// Computer.
std::string GetComputerName();
std::string GetUserName();
std::string GetTotalMemory();
std::string GetFreeMemory();
std::string GetTotalDisk();
std::string GetFreeDisk();
std::string GetSystemUpTime();
std::string GetProcessor();
std::string GetDisplayMode();
// Operating system.
std::string GetSystemType();
std::string GetSystemBuild();
std::string GetSystemUpdate();
std::string GetSystemLanguage();
// Network: IP address, submask, gateway, DNS 1, DNS 2 and DHCP together.
TNetworkValues GetNetworkValues();

// All 33 values in the header's field order.
std::array<std::string, kReportHeaderFieldCount> GetReportHeaderValues(const TExceptNotifyParams& Params);

}  // namespace lab
