#pragma once
// What the crash reporter asks of the system: time zone, computer and module names, debugger and
// development-environment tests.

#include <cstdint>
#include <string>
#include <string_view>

namespace lab {

// Local time minus UTC, in hours taken to the nearest whole hour (halves to even).
int GetUTCOffsetHours();
// Local time minus UTC in whole minutes (330 for India, -210 for Newfoundland).
int GetUTCOffsetMinutes();
// The zone of a mail date: sign, hours and minutes, "+0530", "-0500", "+0000".
std::string FormatUTCOffset(int Minutes);

// The host name.
std::string GetComputerNameText();

// The full file name of the module that holds Module (any address inside it; nullptr for the
// program). Empty when the address lies in no loaded module.
std::string GetModuleFullName(const void* Module);
inline bool IsValidModule(const void* Module) { return !GetModuleFullName(Module).empty(); }

// A program never runs inside the development environment here.
inline bool IsRunningInIDE() { return false; }
// A tracer (debugger) is attached: TracerPid of /proc/self/status. Does not allocate.
bool IsDebuggerAttached() noexcept;

// There is no registry: every value reads as absent (empty).
std::string ReadRegistryString(std::uintptr_t RootKey, std::string_view KeyPath, std::string_view ValueName);

}  // namespace lab
