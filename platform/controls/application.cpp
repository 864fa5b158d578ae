#include "platform/controls/application.h"

#include <mutex>

#include "platform/controls/allocate_hwnd.h"
#include "platform/controls/dialogs.h"
#include "platform/controls/drag_drop.h"
#include "platform/controls/forms.h"
#include "platform/controls/hint_window.h"
#include "platform/controls/input.h"
#include "platform/controls/mouse.h"
#include "platform/controls/screen.h"
#include "platform/controls/window_manager.h"
#include "platform/rtl/threads.h"

namespace lab {

using namespace lab::win;

namespace {
constexpr UINT_PTR kHintTimer = 1;

std::mutex g_hookMutex;
TApplicationExceptionHook g_exceptionHook;
// A little below the pointer, so the hint does not sit under the cursor.
constexpr int kHintCursorMargin = 20;

THintWindow* NewHintWindow(TComponent* Owner) { return new THintWindow(Owner); }
}  // namespace

TApplication* TApplicationRef::operator->() const {
  static TApplication* app = new TApplication(nullptr);
  return app;
}

TApplicationRef::operator TApplication*() const { return operator->(); }

std::string GetShortHint(const std::string& Hint) {
  const auto bar = Hint.find('|');
  return bar == std::string::npos ? Hint : Hint.substr(0, bar);
}

std::string GetLongHint(const std::string& Hint) {
  const auto bar = Hint.find('|');
  return bar == std::string::npos ? Hint : Hint.substr(bar + 1);
}

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
  // A call queued by TThread::Synchronize wakes the main thread's loop.
  WakeMainThread = [](TObject*) { wm::PostThreadMessage(MainThreadID(), WM_NULL, 0, 0); };
}

TApplication::~TApplication() {
  CancelHint();
  delete hintWindow_;
  if (handle_) DeallocateHWnd(handle_);
}

HWND TApplication::Handle() {
  if (!handle_) {
    handle_ = AllocateHWnd([this](TMessage& m) { WndProc(m); });
    wm::SetWindowText(handle_, title_);
  }
  return handle_;
}

void TApplication::WndProc(TMessage& Message) {
  if (Message.Msg == WM_NULL && IsMainThread()) {
    CheckSynchronize();
    return;
  }
  Message.Result = wm::DefWindowProc(handle_, Message.Msg, Message.WParam, Message.LParam);
}

void TApplication::Run() {
  if (mainForm_) mainForm_->SetVisible(true);
  do {
    try {
      HandleMessage();
    } catch (...) {
      HandleException(this);
    }
  } while (!terminated_ && mainForm_);
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
  if (IsMainThread()) CheckSynchronize();
}

void TApplication::HandleMessage() {
  MSG msg;
  if (!ProcessMessage(msg)) Idle();
}

void TApplication::Terminate() { wm::PostQuitMessage(0); }

bool TApplication::ProcessMessage(MSG& Msg) {
  if (!wm::PeekMessage(Msg, nullptr, 0, 0, wm::PM_REMOVE)) return false;
  if (Msg.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  if (!Msg.hwnd && Msg.message == WM_NULL) {
    if (IsMainThread()) CheckSynchronize();
    return true;
  }
  bool handled = false;
  if (OnMessage) OnMessage(Msg, handled);
  // A key or a press anywhere puts an open hint away.
  if (hintWindow_ && hintActive_ &&
      ((Msg.message >= WM_KEYFIRST && Msg.message <= WM_KEYLAST) || Msg.message == WM_LBUTTONDOWN ||
       Msg.message == WM_RBUTTONDOWN || Msg.message == WM_MBUTTONDOWN ||
       Msg.message == WM_NCLBUTTONDOWN || Msg.message == WM_MOUSEWHEEL))
    CancelHint();
  if (!handled && !IsKeyMsg(Msg)) {
    wm::TranslateMessage(Msg);
    wm::DispatchMessage(Msg);
  }
  return true;
}

bool TApplication::IsKeyMsg(MSG& Msg) {
  if (Msg.message < WM_KEYFIRST || Msg.message > WM_KEYLAST) return false;
  HWND wnd = wm::GetCapture();
  if (!wnd) {
    // The nearest window of a framework control gets the CN_ message.
    wnd = Msg.hwnd;
    while (wnd && !TWinControl::FindControl(wnd)) wnd = wm::GetParent(wnd);
    if (!wnd) return false;
  } else if (!TWinControl::FindControl(wnd)) {
    return false;
  }
  return wm::SendMessage(wnd, CN_BASE + Msg.message, Msg.wParam, Msg.lParam) != 0;
}

void TApplication::Idle() {
  DoMouseIdle();
  if (showHint_ && !mouseControl_) CancelHint();
  bool done = true;
  try {
    if (OnIdle) OnIdle(this, done);
  } catch (...) {
    HandleException(this);
  }
  if (IsMainThread() && CheckSynchronize()) done = false;
  if (done) wm::WaitMessage();
}

void TApplication::DoMouseIdle() {
  POINT p;
  GetCursorPos(p);
  TControl* control = GetCaptureControl();
  if (!control) control = TDragManager::FindTarget(p);
  if (control == mouseControl_) return;
  if (mouseControl_) mouseControl_->Perform(CM_MOUSELEAVE, 0, 0);
  mouseControl_ = control;
  if (mouseControl_) mouseControl_->Perform(CM_MOUSEENTER, 0, 0);
}

TApplicationExceptionHook SetApplicationExceptionHook(TApplicationExceptionHook Hook) {
  std::lock_guard lock(g_hookMutex);
  return std::exchange(g_exceptionHook, std::move(Hook));
}

void TApplication::HandleException(TObject* Sender) {
  std::exception_ptr current = std::current_exception();
  if (!current) return;
  if (HWND capture = wm::GetCapture()) wm::SendMessage(capture, WM_CANCELMODE, 0, 0);
  TApplicationExceptionHook hook;
  {
    std::lock_guard lock(g_hookMutex);
    hook = g_exceptionHook;
  }
  if (hook && !hook(Sender, current)) return;
  auto report = [&](Exception& e) {
    if (OnException)
      OnException(Sender, e);
    else
      ShowException(e);
  };
  try {
    std::rethrow_exception(current);
  } catch (EAbort&) {
  } catch (Exception& e) {
    report(e);
  } catch (std::exception& e) {
    Exception wrapped(e.what());
    report(wrapped);
  } catch (...) {
    Exception wrapped("Unknown exception");
    report(wrapped);
  }
}

void TApplication::ShowException(Exception& E) {
  std::string text = E.Message();
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  MessageBox(text, title_, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, int Flags) {
  return lab::MessageBox(Text, Caption, static_cast<UINT>(Flags));
}

// ---------------------------------------------------------------------------------------------
// Hints

void TApplication::SetShowHint(bool v) {
  if (showHint_ == v) return;
  showHint_ = v;
  if (!v) CancelHint();
}

void TApplication::SetHint(const std::string& v) {
  if (hint_ == v) return;
  hint_ = v;
  if (OnHint) OnHint(this);
}

void TApplication::StartHintTimer(int ms, bool showing) {
  hintTimerShows_ = showing;
  hintTimerRunning_ = true;
  wm::SetTimer(Handle(), kHintTimer, static_cast<UINT>(std::max(ms, 1)), &HintTimerProc);
}

void TApplication::StopHintTimer() {
  if (!hintTimerRunning_) return;
  hintTimerRunning_ = false;
  if (handle_) wm::KillTimer(handle_, kHintTimer);
}

void TApplication::HintTimerProc(HWND, UINT, UINT_PTR, DWORD) {
  TApplication* app = Application;
  const bool show = app->hintTimerShows_;
  app->StopHintTimer();
  if (show)
    app->ActivateHint(Mouse->CursorPos());
  else
    app->CancelHint();
}

void TApplication::HintMouseMessage(TControl* Control, TMessage& Message) {
  const TPoint screen = Control->ClientToScreen(Point(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)));
  TControl* under = TDragManager::FindTarget(screen);
  if (under != mouseControl_ && !GetCaptureControl()) {
    if (mouseControl_) mouseControl_->Perform(CM_MOUSELEAVE, 0, 0);
    mouseControl_ = under;
    if (mouseControl_) mouseControl_->Perform(CM_MOUSEENTER, 0, 0);
  }
  if (!showHint_) return;
  // The nearest control up the parent chain that shows hints.
  TControl* target = under;
  while (target && !target->ShowHint()) target = target->Parent();
  if (!target) {
    CancelHint();
    return;
  }
  if (target != hintControl_ || !hintCursorRect_.Contains(screen)) {
    const bool wasActive = hintActive_;
    int pause = wasActive ? hintShortPause_ : hintPause_;
    target->Perform(CM_HINTSHOWPAUSE, wasActive ? 1 : 0, reinterpret_cast<LPARAM>(&pause));
    CancelHint();
    hintActive_ = wasActive;
    hintControl_ = target;
    StartHintTimer(pause, true);
  }
}

void TApplication::ActivateHint(TPoint CursorPos) {
  if (!hintControl_) return;
  THintInfo info;
  info.HintControl = hintControl_;
  info.HintWindowClass = hintWindowClass_ ? hintWindowClass_ : &NewHintWindow;
  info.HintPos = Point(CursorPos.X, CursorPos.Y + kHintCursorMargin);
  info.HintMaxWidth = Screen->Width();
  info.HintColor = hintColor_;
  info.CursorRect = hintControl_->ClientRect();
  info.CursorPos = hintControl_->ScreenToClient(CursorPos);
  info.HideTimeout = hintHidePause_;
  // A control without a hint shows its parent's.
  for (TControl* c = hintControl_; c; c = c->Parent())
    if (!c->Hint().empty()) {
      info.HintStr = GetShortHint(c->Hint());
      break;
    }
  bool canShow = hintControl_->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) == 0;
  if (canShow && OnShowHint) OnShowHint(info.HintStr, canShow, info);
  hintActive_ = canShow && hintControl_;
  if (hintActive_ && !info.HintStr.empty()) {
    const TPoint origin = hintControl_->ClientToScreen(Point(0, 0));
    hintCursorRect_ = lab::OffsetRect(info.CursorRect, origin.X, origin.Y);
    if (!hintWindow_ || hintWindowClass_ != info.HintWindowClass) {
      delete hintWindow_;
      hintWindowClass_ = info.HintWindowClass;
      hintWindow_ = hintWindowClass_(this);
    }
    TRect r = hintWindow_->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
    r = lab::OffsetRect(r, info.HintPos.X, info.HintPos.Y);
    hintWindow_->SetColor(info.HintColor);
    hintWindow_->ActivateHintData(r, info.HintStr, info.HintData);
    StartHintTimer(info.ReshowTimeout > 0 ? info.ReshowTimeout : info.HideTimeout, info.ReshowTimeout > 0);
    return;
  }
  if (info.ReshowTimeout > 0)
    StartHintTimer(info.ReshowTimeout, true);
  else
    CancelHint();
}

void TApplication::CancelHint() {
  if (!hintControl_) return;
  if (hintWindow_) hintWindow_->ReleaseHandle();
  hintControl_ = nullptr;
  hintActive_ = false;
  StopHintTimer();
}

void TApplication::ControlDestroyed(TControl* Control) {
  if (hintControl_ == Control) CancelHint();
  if (mouseControl_ == Control) mouseControl_ = nullptr;
  if (Control == hintWindow_) hintWindow_ = nullptr;
}

}  // namespace lab
