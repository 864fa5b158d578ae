#pragma once
// Threads as the crash reporter follows them. Every thread started through pthread_create (std::thread
// and the framework's thread class included) has an entry in the thread list from its start to its
// end: its ID, handle and stack base, its thread object, and a copy of the stack of the thread that
// started it, as it stood then, from which the report shows the thread's creation call stack (a
// "Calling Thread" after the thread's own). The crash reporter's own threads are never in the list
// nor in a report. What escapes the Execute of a thread of the framework's thread class is reported
// in that thread, and then kept by the thread as before (FatalException).

#include <cstdint>
#include <memory>

#include "crashreport/report/crash_lists.h"

namespace lab {

class TMemoryMap;

// Put in place by the crash reporter's start-up (the main thread's entry among them) and taken away
// at its shut-down.
void InstallThreadTracking();
void RemoveThreadTracking();

// What the thread start hook carries from the starting thread to the new one.
struct TThreadStartRecord {
  std::unique_ptr<TCrashThreadEntry> Entry;  // nullptr: not tracked
  bool Own = false;                          // a thread of the crash reporter's own
};
// In the starting thread: the entry of the thread about to start, with a copy of this thread's stack
// from StackPointer up. Finished threads leave the list first. Never throws: a thread that cannot
// be tracked still starts.
TThreadStartRecord NewThreadEntry(void* (*Routine)(void*), void* Argument, const void* StackPointer) noexcept;
// In the new thread, before its routine: the entry joins the list with the thread's ID, handle and
// stack base, and leaves it when the thread ends, however it ends.
void EnterThread(TThreadStartRecord Start) noexcept;

// While one lives, the threads the calling thread starts are the crash reporter's own.
class TOwnThreadStart {
 public:
  TOwnThreadStart() noexcept;
  ~TOwnThreadStart();
  TOwnThreadStart(const TOwnThreadStart&) = delete;
  TOwnThreadStart& operator=(const TOwnThreadStart&) = delete;
};
bool IsOwnThread(std::uint32_t ThreadID);

// Appends the creation call stack of ThreadID as Snapshot holds it: entries of the starting thread,
// of thread kind 0. Nothing for a thread without an entry or without a copy.
void AppendCreationCallStack(TCrashStackList& List, const TMemoryMap& Memory, const TCrashThreadsList& Snapshot,
                             std::uint32_t ThreadID);

}  // namespace lab
