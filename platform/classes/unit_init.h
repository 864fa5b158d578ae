#pragma once
// Unit start-up and shut-down: each part of the system (the grid's cursors and bitmaps, class and
// property registrations) describes its start-up as a TUnit; it runs once, on first use
// (UseUnit) or when InitializeUnits runs the registered units, and its shut-down runs at exit in
// the reverse order of start-up. A unit's Initialize may use other units first; they then start
// (and later end) around it.
//
// Each library registers its units as the program starts, from a file that linking the library
// always brings in (lab_register_units in cmake/components.cmake, since a static library drops
// files nothing calls); the class registry starts the registered units when asked for a name it
// does not know, so a program reads forms without starting units by hand. Nothing else depends on
// static initialisers.
//
//   static void StartGrid();   static void EndGrid();
//   constinit const TUnit GridUnit{"Grid", &StartGrid, &EndGrid};
//   ... UseUnit(GridUnit);   // in the grid's constructor, or at program start

#include <atomic>

namespace lab {

class TUnit {
 public:
  constexpr TUnit(const char* Name, void (*Initialize)(), void (*Finalize)() = nullptr) noexcept
      : name_(Name), initialize_(Initialize), finalize_(Finalize) {}
  TUnit(const TUnit&) = delete;
  TUnit& operator=(const TUnit&) = delete;

  const char* Name() const noexcept { return name_; }
  bool Initialized() const noexcept { return state_.load(std::memory_order_acquire) == kDone; }

 private:
  friend void UseUnit(const TUnit& Unit);
  friend void InitializeUnits();
  friend void FinalizeUnits() noexcept;
  static constexpr int kNotStarted = 0, kStarting = 1, kDone = 2;

  const char* name_;
  void (*initialize_)();
  void (*finalize_)();
  mutable std::atomic<int> state_{kNotStarted};
};

// Runs Unit's Initialize unless it has run; thread-safe (other threads wait until it is done). If
// Initialize raises, the unit counts as not started and the exception passes on. A unit that uses
// itself while starting raises EInvalidOperation.
void UseUnit(const TUnit& Unit);
// Adds Unit to the units that InitializeUnits starts, in the order of registration.
void RegisterUnit(const TUnit& Unit);
// Starts every registered unit not yet started.
void InitializeUnits();
// Runs the Finalize of every started unit, last started first; also runs at exit. Failures are
// reported on stderr and do not stop the others.
void FinalizeUnits() noexcept;

}  // namespace lab
