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

TRealClock g_realClock;
std::atomic<TClock*> g_clock{nullptr};

}  // namespace

void TManualClock::Advance(std::uint64_t ms) {
  now_ += ms;
  wm::WakeAllQueues();
}

const TClock& Clock() {
  TClock* c = g_clock.load();
  return c ? *c : g_realClock;
}

void SetClock(TClock* clock) {
  g_clock.store(clock);
  wm::WakeAllQueues();
}

}  // namespace lab
