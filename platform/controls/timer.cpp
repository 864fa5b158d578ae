#include "platform/controls/timer.h"

#include "platform/controls/allocate_hwnd.h"
#include "platform/controls/application.h"
#include "platform/controls/controls_unit.h"
#include "platform/controls/window_manager.h"

namespace lab {

using namespace lab::win;

void TTimer::DeclareProperties(TPropertyDeclarer<TTimer>& P) {
  P.Property("Enabled", &TTimer::Enabled, &TTimer::SetEnabled).Default(true);
  P.Property("Interval", &TTimer::Interval, &TTimer::SetInterval).Default(1000);
  P.Property("OnTimer", &TTimer::OnTimer);
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  UseUnit(ControlsUnit);
  window_ = AllocateHWnd([this](TMessage& m) { WndProc(m); });
  // Enabled with its interval from the start: a timer left at its defaults (or read so) runs.
  UpdateTimer();
}

TTimer::~TTimer() {
  enabled_ = false;
  UpdateTimer();
  DeallocateHWnd(window_);
}

void TTimer::SetEnabled(bool v) {
  if (enabled_ == v) return;
  enabled_ = v;
  UpdateTimer();
}

void TTimer::SetInterval(unsigned v) {
  if (interval_ == v) return;
  interval_ = v;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  wm::KillTimer(window_, 1);
  if (interval_ != 0 && enabled_ && !wm::SetTimer(window_, 1, interval_, nullptr))
    throw EOutOfResources("Not enough timers available");
}

void TTimer::Timer() {
  if (OnTimer) OnTimer(this);
}

void TTimer::WndProc(TMessage& Message) {
  if (Message.Msg == WM_TIMER) {
    try {
      Timer();
    } catch (...) {
      Application->HandleException(this);
    }
    return;
  }
  Message.Result = wm::DefWindowProc(window_, Message.Msg, Message.WParam, Message.LParam);
}

}  // namespace lab
