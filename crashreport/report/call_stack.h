#pragma once
// Turning a thread's raw stack into a call stack: every stack word that is a return address (the
// bytes before it in the code form a call instruction) becomes an entry at the call, described by
// module, source file, routine and line. x86-64: 8-byte words, the call forms with REX prefixes and
// RIP-relative operands. Memory is tested before it is read and copied without faulting.

#include <cstdint>
#include <string>

#include "crashreport/report/crash_lists.h"
#include "crashreport/options.h"

namespace lab {

class TMemoryMap;

// A set of entry kinds (bit N for kind N).
using TCrashKindSet = std::uint8_t;
constexpr TCrashKindSet KindBit(int Kind) noexcept { return static_cast<TCrashKindSet>(1u << Kind); }
constexpr bool HoldsKind(TCrashKindSet Kinds, int Kind) noexcept { return (Kinds & KindBit(Kind)) != 0; }
constexpr TCrashKindSet kAllCallStackKinds = KindBit(dkSourceLine + 1) - 1;  // every kind up to dkSourceLine
// At most this much stack is scanned from the stack pointer.
constexpr std::size_t kMaxStackScan = 0x19000;

// The kinds a report shows: {4}, with CallStackOptions bit 0 {2} and bit 1 {3}.
TCrashKindSet GetCallStackFilter(const TCrashModuleOptions& Options);

// A new list with the entries found: FirstAddress (when not 0) first, then the stack from StackStart
// (the stack pointer) up to StackEnd (the stack base). Only kinds in Kinds count; MaxCount (-1: no
// limit) of them are kept after Skip (-1: none) are dropped. With ResolveJumps, a call through a
// jump thunk also gives the routine it reached.
std::unique_ptr<TCrashStackList> GetCallStack(std::uintptr_t FirstAddress, std::uintptr_t StackStart,
                                              std::uintptr_t StackEnd, TCrashKindSet Kinds, int MaxCount, int Skip,
                                              bool ResolveJumps, std::uint8_t ThreadKind, std::uint32_t ThreadID);
// The crash reporter's own routines that stand between a program's frames (the thread start wrapper,
// the throw and terminate handlers): call stacks leave out the calls made in them. Routine is any
// address in the routine; at most a few dozen are kept.
void LeaveOutOfCallStacks(const void* Routine) noexcept;

// The same into List; Memory is the snapshot of the mappings to test against.
void BuildCallStack(TCrashStackList& List, const TMemoryMap& Memory, std::uintptr_t FirstAddress,
                    std::uintptr_t StackStart, std::uintptr_t StackEnd, TCrashKindSet Kinds, int MaxCount, int Skip,
                    bool ResolveJumps, std::uint8_t ThreadKind, std::uint32_t ThreadID);

// The same from a copy of a stack taken earlier: Size bytes that stood from StackStart up, every kind
// kept, FirstAddress (when not 0) first.
void BuildCopiedCallStack(TCrashStackList& List, const TMemoryMap& Memory, const std::uint8_t* Copy, std::size_t Size,
                          std::uintptr_t StackStart, std::uintptr_t FirstAddress, std::uint8_t ThreadKind,
                          std::uint32_t ThreadID);

// Where the call that returns to ReturnAddress begins, from the call instruction found in the bytes
// before it (5 bytes for a direct call, 6 through a pointer cell, and so on): the address an exception
// thrown by that call is reported at. ReturnAddress itself when no call instruction ends there.
std::uintptr_t CallInstructionBefore(std::uintptr_t ReturnAddress);
std::uintptr_t CallInstructionBefore(const TMemoryMap& Memory, std::uintptr_t ReturnAddress);

// The call stack of any thread of the process (the calling one included), its first entry where the
// thread stands. Memory: a snapshot of the mappings taken for several threads (nullptr: one is taken).
// False when the thread did not answer within TimeoutMs.
bool GetThreadCallStack(std::uint32_t ThreadID, TCrashKindSet Kinds, std::uint8_t ThreadKind, TCrashStackList& List,
                        const TMemoryMap* Memory = nullptr, unsigned TimeoutMs = 1000);

// Describes Address: kind 4 with source file, scope, routine and line from the module's debug data;
// else kind 3 (a C++ routine with its scope) or 2 (a plain routine) from its symbols; else kind 1
// (the module only) or 0.
void GetAddressDebugInfo(std::uintptr_t Address, std::uint32_t ThreadID, TCrashDebugInfo& Info, std::uint8_t ThreadKind);
// Kind 4 for an address the module's debug data knows.
bool FindSourceLocation(std::uintptr_t Address, TCrashDebugInfo& Info);

// The heading of a thread's run of entries: "Exception Thread: ID=1234; Priority=0; Class=; [Main]"
// (texts of the options in force). Index is the entry's place in the call stack; Report is set for
// the report's text, which always names the class.
std::string FormatThreadHeader(int Index, const TCrashDebugInfo& Entry, bool Report);

// A routine of this module by name (as the symbol table has it, or demangled without parameters);
// 0 when there is none. HookBySymbol hooks it (HookProc) under the name "SymbolID = " and the name;
// HookBySymbolOrExport falls back on an exported routine of another module.
std::uintptr_t GetSymbolAddress(const std::string& Name);
const void* HookBySymbol(const std::string& Name, const void* NewProc);
const void* HookBySymbolOrExport(const std::string& Name, const void* NewProc, const std::string& ModuleName,
                                 const std::string& ExportName);

// Code tests: a frame set up by push rbp; mov rbp, rsp (after an endbr64), or push rbx first.
bool StartsWithStackFrame(const void* Code);
bool StartsWithPushRbx(const void* Code);

}  // namespace lab
