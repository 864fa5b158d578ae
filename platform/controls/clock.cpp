#include "platform/controls/clock.h"

#include <chrono>

#include "platform/controls/message_queue.h"

namespace lab {

namespace {

class TRealClock : public TClock {
 public:
  std::uint64_t Milliseconds() const override {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
};

// Never destroyed: the back-end's event thread reads the time until the process is gone.
const TClock& RealClock() {
  static const auto* clock = new TRealClock;
  return *clock;
}
std::atomic<TClock*> g_clock{nullptr};

}  // namespace

void TManualClock::Advance(std::uint64_t ms) {
  now_ += ms;
  wm::WakeAllQueues();
}

const TClock& Clock() {
  TClock* c = g_clock.load();
  return c ? *c : RealClock();
}

void SetClock(TClock* clock) {
  g_clock.store(clock);
  wm::WakeAllQueues();
}

}  // namespace lab
