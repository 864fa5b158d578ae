#pragma once
// The clock that window timers, double-click times and caret blinking run on: the real monotonic
// clock, or a manual clock that tests move forward so timer behaviour needs no sleeping.

#include <atomic>
#include <cstdint>

namespace lab {

class TClock {
 public:
  virtual ~TClock() = default;
  // Milliseconds since an arbitrary start; never goes backwards.
  virtual std::uint64_t Milliseconds() const = 0;
  // True when waiting must not use the real time: the clock moves only when told to.
  virtual bool IsManual() const { return false; }
};

class TManualClock : public TClock {
 public:
  explicit TManualClock(std::uint64_t start = 1000) : now_(start) {}
  std::uint64_t Milliseconds() const override { return now_.load(); }
  bool IsManual() const override { return true; }
  // Moves the time on and wakes every message queue, so timers that became due fire.
  void Advance(std::uint64_t ms);

 private:
  std::atomic<std::uint64_t> now_;
};

// The clock in use; the real one unless a test put a manual clock in place.
const TClock& Clock();
// Puts a clock in place (nullptr: back to the real clock). The caller keeps it alive while in use.
void SetClock(TClock* clock);
// The time of the clock in use.
inline std::uint64_t ClockMilliseconds() { return Clock().Milliseconds(); }

}  // namespace lab
