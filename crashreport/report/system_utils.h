#pragma once
// What the crash reporter asks of the system: time zone, computer and module names, debugger and
// development-environment tests.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/datetime.h"

struct link_map;

namespace lab {

// Local time minus UTC, in hours taken to the nearest whole hour (halves to even).
int GetUTCOffsetHours();
// Local time minus UTC in whole minutes (330 for India, -210 for Newfoundland).
int GetUTCOffsetMinutes();
// The zone of a mail date: sign, hours and minutes, "+0530", "-0500", "+0000".
std::string FormatUTCOffset(int Minutes);

// A mail date: "Tue, 3 Jan 2023 14:05:09 -0500" in English, with the zone the local time had then.
std::string FormatMailDate(TDateTime Value);

// The system's version text: the distribution's PRETTY_NAME, then the kernel release in brackets
// ("Debian GNU/Linux 12 (bookworm) (6.1.0-18-amd64)").
std::string GetWindowsVersionText();
// The value of Key in os-release text (KEY=value lines, the value plain or quoted with shell escapes);
// empty when missing.
std::string OsReleaseValue(std::string_view Text, std::string_view Key);

// The bytes of a named resource of the module that holds the crash reporter (Module nullptr, or an
// address inside it); nullptr and Size 0 when there is none.
const void* GetResourceData(const void* Module, std::string_view Name, std::string_view Type, std::size_t& Size);

// The host name.
std::string GetComputerNameText();

// The loader's entry of the module that holds Address, and in Base (when given) its lowest address;
// nullptr when it lies in none. Asked without waiting on the loader's lock, which a fault may leave
// held (a library's start-up runs under it): from the loader's index of its objects, or, for the vDSO
// that the index leaves out, from the loader's list. The module lookups below go through it.
const link_map* LoaderEntryOf(const void* Address, const void** Base = nullptr) noexcept;
// The routine or object the module of Map exports as Name, from its dynamic symbol table as loaded
// (no lookup through the loader, nor its lock); nullptr when it exports none of that name.
const void* FindLoadedExport(const link_map& Map, const char* Name) noexcept;

// The full file name of the module that holds Module (any address inside it; nullptr for the
// program). Empty when the address lies in no loaded module.
std::string GetModuleFullName(const void* Module);
inline bool IsValidModule(const void* Module) { return !GetModuleFullName(Module).empty(); }
// The load address of the module that holds Address; nullptr when it lies in none.
const void* GetModuleBase(const void* Address);
// What the loader added to the file addresses of the module that holds Address (0 for a program
// loaded where it was linked).
std::uintptr_t GetModuleBias(const void* Address);
// The module that holds the crash reporter (the program, or a library it is linked into).
const void* RunningModuleBase();
const std::string& RunningModuleFileName();

// A program never runs inside the development environment here.
inline bool IsRunningInIDE() { return false; }
// A tracer (debugger) is attached: TracerPid of /proc/self/status. Does not allocate.
bool IsDebuggerAttached() noexcept;

// There is no registry: every value reads as absent (empty).
std::string ReadRegistryString(std::uintptr_t RootKey, std::string_view KeyPath, std::string_view ValueName);

}  // namespace lab
