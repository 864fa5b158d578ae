#pragma once
// TProgressBar: a bar that fills from Min to Max as Position grows, in blocks, or smoothly with
// Smooth. Position stays within the range. Beside its properties the bar answers the progress-bar
// messages (PBM_SETRANGE, PBM_SETRANGE32, PBM_SETPOS, PBM_DELTAPOS, PBM_SETSTEP, PBM_STEPIT,
// PBM_GETPOS, PBM_GETRANGE), so a dialog's sender can drive it by messages alone.

#include "platform/controls/custom_control.h"
#include "platform/controls/standard_controls.h"

namespace lab {

class TProgressBar : public TCustomControl {
  LAB_CLASS(TProgressBar, TCustomControl)
 public:
  explicit TProgressBar(TComponent* AOwner);

  int Min() const noexcept { return min_; }
  int Max() const noexcept { return max_; }
  // A maximum below the minimum is taken as the minimum.
  void SetRange(int Min, int Max);
  void SetMin(int Value) { SetRange(Value, max_); }
  void SetMax(int Value) { SetRange(min_, Value); }
  int Position() const noexcept { return position_; }
  void SetPosition(int Value);
  int Step() const noexcept { return step_; }
  void SetStep(int Value) { step_ = Value; }
  // Advances by Step (or Delta); past Max the bar starts again from Min, as the system's does.
  void StepIt();
  void StepBy(int Delta);
  bool Smooth() const noexcept { return smooth_; }
  void SetSmooth(bool Value);

  // The pixels of the bar that are filled.
  int FilledWidth();

  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;

 private:
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  int step_ = 10;
  bool smooth_ = false;
};

}  // namespace lab
