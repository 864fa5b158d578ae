#include "platform/classes/unit_init.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

namespace {

struct TUnits {
  std::recursive_mutex Lock;
  std::vector<const TUnit*> Registered;
  std::vector<const TUnit*> Started;
  bool AtExitSet = false;
};

// Never destroyed: shut-down runs at exit, after other statics may be gone.
TUnits& Units() {
  static TUnits* units = new TUnits;
  return *units;
}

void AtExit() { FinalizeUnits(); }

}  // namespace

void UseUnit(const TUnit& Unit) {
  if (Unit.state_.load(std::memory_order_acquire) == TUnit::kDone) return;
  TUnits& u = Units();
  // One lock for all start-ups: a unit's start-up may use other units on the same thread, and
  // other threads wait until the whole chain is done.
  std::lock_guard lock(u.Lock);
  const int state = Unit.state_.load(std::memory_order_acquire);
  if (state == TUnit::kDone) return;
  if (state == TUnit::kStarting) throw EInvalidOperation("Unit %s uses itself while starting", Unit.name_);
  if (!u.AtExitSet) {
    std::atexit(AtExit);
    u.AtExitSet = true;
  }
  Unit.state_.store(TUnit::kStarting, std::memory_order_relaxed);
  {
    TScopeFail not_started([&] { Unit.state_.store(TUnit::kNotStarted, std::memory_order_release); });
    if (Unit.initialize_) Unit.initialize_();
  }
  u.Started.push_back(&Unit);
  Unit.state_.store(TUnit::kDone, std::memory_order_release);
}

void RegisterUnit(const TUnit& Unit) {
  TUnits& u = Units();
  std::lock_guard lock(u.Lock);
  for (const TUnit* r : u.Registered)
    if (r == &Unit) return;
  u.Registered.push_back(&Unit);
}

void InitializeUnits() {
  TUnits& u = Units();
  std::lock_guard lock(u.Lock);
  // Index loop: a start-up may register further units. A unit starting further up this thread's
  // stack (one whose start-up looks up a class) is left to finish.
  for (std::size_t i = 0; i < u.Registered.size(); ++i)
    if (u.Registered[i]->state_.load(std::memory_order_acquire) != TUnit::kStarting) UseUnit(*u.Registered[i]);
}

void FinalizeUnits() noexcept {
  TUnits& u = Units();
  std::lock_guard lock(u.Lock);
  while (!u.Started.empty()) {
    const TUnit* unit = u.Started.back();
    u.Started.pop_back();
    unit->state_.store(TUnit::kNotStarted, std::memory_order_release);
    if (!unit->finalize_) continue;
    try {
      unit->finalize_();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "Shut-down of unit %s failed: %s\n", unit->name_, e.what());
    } catch (...) {
      std::fprintf(stderr, "Shut-down of unit %s failed\n", unit->name_);
    }
  }
}

}  // namespace lab
