#pragma once
// Where each thread's stack lies, and the registers of another thread of the process, for the call
// stacks of a report.

#include <ucontext.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "crashreport/process_state.h"

namespace lab {

struct TStackBounds {
  std::uintptr_t Low = 0;   // the lowest address (the stack grows down towards it)
  std::uintptr_t High = 0;  // the stack base
};

class TMappingLookup;
class TMemoryMap;

// The calling thread's stack, as the thread library knows it. On the program's first stack, with a
// scope of the mappings lent (TMemoryMapScope), read from the mappings it lends.
TStackBounds CurrentThreadStack();
// The stack the program started on, as the thread library reads it from the mappings: from the page
// after the highest address the program started with down as far as the stack limit lets it grow,
// never into the mapping below. Empty when Memory does not hold that address.
TStackBounds InitialThreadStack(const TMappingLookup& Memory);
// The part of a stack that can be read above stack pointer Sp, up to the top of the stack that holds
// the calls above it: from Sp, or, where an exhausted stack's pointer stands below that stack (in the
// guard page below a side thread's stack, in the unmapped gap the kernel keeps below the main
// thread's), from where the stack becomes readable. High is 0 when no stack lies above Sp.
TStackBounds ReadableStackAbove(const TMemoryMap& Memory, std::uintptr_t Sp);
// The calling thread's stack base.
const void* GetStackBase();

// The program ("") and every library loaded now, as the hooks of imported routines take them.
std::vector<std::string> LoadedModuleNames();

// Threads started once the hook is in place record their stack as they start: pthread_create is
// hooked in every module loaded then. Removing it puts the modules' calls back.
void InstallThreadStartHook();
void RemoveThreadStartHook();
// The stack a thread recorded when it started; false for threads started before the hook.
bool RecordedThreadStack(std::uint32_t ThreadID, TStackBounds& Bounds);

// The real-time signal by which another thread's registers are taken.
int CaptureSignal() noexcept;
// Takes the registers of thread ThreadID of this process: the thread answers the signal in its
// handler and waits there while Use runs, so its stack holds still. Use must not take locks the
// thread may hold (it stands wherever the signal found it): copy what is needed and work on it after.
// False when it does not answer within TimeoutMs (signal blocked, or stopped) and for the calling
// thread itself; Use does not run then. A request made of the asking thread meanwhile waits until
// it is done.
bool WithThreadContext(std::uint32_t ThreadID, unsigned TimeoutMs, const std::function<void(const TCrashContext&)>& Use);
// Holds each of ThreadIDs still while a report is made: it answers the same signal and waits in its
// handler until ReleaseHeldThreads, or goes on by itself once HoldMs have passed (a held thread may
// hold a lock the report then waits for; the limit ends that wait). Answers those that did not
// answer within AnswerMs in all (signal blocked, stopped): they are not held. A thread that has
// ended is left out, and so is the calling thread.
std::vector<std::uint32_t> HoldThreads(const std::vector<std::uint32_t>& ThreadIDs, unsigned AnswerMs, unsigned HoldMs);
// Lets every held thread go on, and waits until each has left its handler.
void ReleaseHeldThreads() noexcept;
// Marks the calling thread as stopped for good in the handler of its fault: a request for its
// registers is answered with Context, the registers the kernel saved at the fault, where its own
// calls lie, instead of the handler's on the alternate stack. Context must stay valid (the handler
// never returns). Async-signal-safe.
void StopAtFault(const ucontext_t& Context) noexcept;
// The IDs of the process's threads.
std::vector<std::uint32_t> ProcessThreadIDs();

}  // namespace lab
