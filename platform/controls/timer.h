#pragma once
// TTimer: a component that fires OnTimer every Interval milliseconds on the thread that made it,
// through a window timer (so it runs on the message loop's clock: real or manual).

#include "platform/classes/component.h"
#include "platform/controls/messages.h"
#include "platform/graphics/gdi_objects.h"  // EOutOfResources

namespace lab {

class TTimer : public TComponent {
  LAB_CLASS(TTimer, TComponent)
  LAB_PROPERTIES(TTimer, TComponent)
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  bool Enabled() const noexcept { return enabled_; }
  void SetEnabled(bool v);
  unsigned Interval() const noexcept { return interval_; }
  void SetInterval(unsigned v);
  TNotifyEvent OnTimer;

 protected:
  virtual void Timer();

 private:
  void UpdateTimer();
  void WndProc(TMessage& Message);
  bool enabled_ = true;
  unsigned interval_ = 1000;
  win::HWND window_ = nullptr;
};

}  // namespace lab
