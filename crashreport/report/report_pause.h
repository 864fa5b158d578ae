#pragma once
// The threads held still while a report is made, as the options ask, so that they change nothing the
// report describes: the main thread and the framework's thread objects (the main thread may be
// spared), and every other thread. The raising thread, the crash reporter's own threads and the
// framework's service threads are never held: the report needs them.

#include <cstdint>
#include <vector>

namespace lab {

class TCrashModuleOptions;
class TCrashThreadsList;

// The threads of the process Options ask to pause; Snapshot tells which run thread objects.
std::vector<std::uint32_t> ThreadsToPause(const TCrashModuleOptions& Options, const TCrashThreadsList& Snapshot,
                                          std::uint32_t RaisingThread);
// Holds those threads for at most HoldMs (ReleaseHeldThreads lets them go) and warns of each that
// did not answer in time, which goes on unpaused. They are asked under the thread list's write
// lock, so that none is held inside it: the report reads the list.
void PauseThreadsForReport(const TCrashModuleOptions& Options, const TCrashThreadsList& Snapshot,
                           std::uint32_t RaisingThread, unsigned HoldMs);

}  // namespace lab
