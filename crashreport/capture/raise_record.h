#pragma once
// What a C++ throw leaves for its report. Every throw of the program passes the runtime's throw entry
// point, which the crash reporter takes over, so it must cost next to nothing: while the reporter is
// not started it only calls the real one; once started it allocates nothing and makes no system call
// (a bad_alloc thrown when memory has run out passes like any other). It keeps the exception object,
// its type, the return address into the code that threw and a copy of the thread's stack from the
// throw up, in room the thread was given as it started: the frames between the throw and the catch
// are gone by the time a caught exception is reported. Which words of the copy are return
// addresses, and what they name, is found only when a report is made.

#include <cstddef>
#include <cstdint>
#include <typeinfo>

namespace lab {

struct TRaiseRecord {
  const void* Object = nullptr;
  const std::type_info* Class = nullptr;
  std::uintptr_t ReturnAddress = 0;  // into the code that threw
  const std::uint8_t* Stack = nullptr;  // the copy; nullptr when the thread has no room for one
  std::uintptr_t StackStart = 0;        // where the copy's first byte stood
  std::size_t StackSize = 0;
};

// Switched by the fault capture as it is installed and removed.
void StartRaiseRecording() noexcept;
void StopRaiseRecording() noexcept;

// The last throw of the calling thread (an empty record when none was recorded since it was
// forgotten); Forget empties it.
const TRaiseRecord& LastRaise() noexcept;
void ForgetLastRaise() noexcept;

// While one lives, the calling thread's record stays as it is (a report reads its copy) and what the
// thread throws meanwhile is not recorded.
class TRaiseHold {
 public:
  TRaiseHold() noexcept;
  ~TRaiseHold();
  TRaiseHold(const TRaiseHold&) = delete;
  TRaiseHold& operator=(const TRaiseHold&) = delete;
};

// Room for the copy of the calling thread's stack while the object lives (none while throws are not
// recorded, or when it cannot be had). The threads the crash reporter tracks get one as they start;
// the thread that installs the fault capture keeps its own for the life of the process.
class TRaiseStackRoom {
 public:
  TRaiseStackRoom() noexcept;
  ~TRaiseStackRoom();
  TRaiseStackRoom(const TRaiseStackRoom&) = delete;
  TRaiseStackRoom& operator=(const TRaiseStackRoom&) = delete;

 private:
  void* memory_ = nullptr;
};

}  // namespace lab
