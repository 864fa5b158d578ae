#include "platform/controls/application.h"

#include <filesystem>
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
  // Until the program names itself, its title is the program file's name.
  std::error_code ec;
  title_ = std::filesystem::read_symlink("/proc/self/exe", ec).stem().string();
  // A call queued by TThread::Synchronize wakes the main thread's loop.
  WakeMainThread = [](TObject*) { wm::PostThreadMessage(MainThreadID(), WM_NULL, 0, 0); };
}

TApplication::~TApplication() {
  CancelHint();
  delete hint_window_;
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
  if (main_form_) main_form_->SetVisible(true);
  do {
    try {
      HandleMessage();
    } catch (...) {
      HandleException(this);
    }
  } while (!terminated_ && main_form_);
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
  if (hint_window_ && hint_active_ &&
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
  if (show_hint_ && !mouse_control_) CancelHint();
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
  if (control == mouse_control_) return;
  if (mouse_control_) mouse_control_->Perform(CM_MOUSELEAVE, 0, 0);
  mouse_control_ = control;
  if (mouse_control_) mouse_control_->Perform(CM_MOUSEENTER, 0, 0);
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
  if (show_hint_ == v) return;
  show_hint_ = v;
  if (!v) CancelHint();
}

void TApplication::SetHint(const std::string& v) {
  if (hint_ == v) return;
  hint_ = v;
  if (OnHint) OnHint(this);
}

void TApplication::StartHintTimer(int ms, bool showing) {
  hint_timer_shows_ = showing;
  hint_timer_running_ = true;
  wm::SetTimer(Handle(), kHintTimer, static_cast<UINT>(std::max(ms, 1)), &HintTimerProc);
}

void TApplication::StopHintTimer() {
  if (!hint_timer_running_) return;
  hint_timer_running_ = false;
  if (handle_) wm::KillTimer(handle_, kHintTimer);
}

void TApplication::HintTimerProc(HWND, UINT, UINT_PTR, DWORD) {
  TApplication* app = Application;
  const bool show = app->hint_timer_shows_;
  app->StopHintTimer();
  if (show)
    app->ActivateHint(Mouse->CursorPos());
  else
    app->CancelHint();
}

void TApplication::HintMouseMessage(TControl* Control, TMessage& Message) {
  const TPoint screen = Control->ClientToScreen(Point(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)));
  TControl* under = TDragManager::FindTarget(screen);
  if (under != mouse_control_ && !GetCaptureControl()) {
    if (mouse_control_) mouse_control_->Perform(CM_MOUSELEAVE, 0, 0);
    mouse_control_ = under;
    if (mouse_control_) mouse_control_->Perform(CM_MOUSEENTER, 0, 0);
  }
  if (!show_hint_) return;
  // The nearest control up the parent chain that shows hints.
  TControl* target = under;
  while (target && !target->ShowHint()) target = target->Parent();
  if (!target) {
    CancelHint();
    return;
  }
  if (target != hint_control_ || !hint_cursor_rect_.Contains(screen)) {
    const bool wasActive = hint_active_;
    int pause = wasActive ? hint_short_pause_ : hint_pause_;
    target->Perform(CM_HINTSHOWPAUSE, wasActive ? 1 : 0, reinterpret_cast<LPARAM>(&pause));
    CancelHint();
    hint_active_ = wasActive;
    hint_control_ = target;
    StartHintTimer(pause, true);
  }
}

void TApplication::ActivateHint(TPoint CursorPos) {
  if (!hint_control_) return;
  THintInfo info;
  info.HintControl = hint_control_;
  info.HintWindowClass = hint_window_class_ ? hint_window_class_ : &NewHintWindow;
  info.HintPos = Point(CursorPos.X, CursorPos.Y + kHintCursorMargin);
  info.HintMaxWidth = Screen->Width();
  info.HintColor = hint_color_;
  info.CursorRect = hint_control_->ClientRect();
  info.CursorPos = hint_control_->ScreenToClient(CursorPos);
  info.HideTimeout = hint_hide_pause_;
  // A control without a hint shows its parent's.
  for (TControl* c = hint_control_; c; c = c->Parent())
    if (!c->Hint().empty()) {
      info.HintStr = GetShortHint(c->Hint());
      break;
    }
  bool canShow = hint_control_->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) == 0;
  if (canShow && OnShowHint) OnShowHint(info.HintStr, canShow, info);
  hint_active_ = canShow && hint_control_;
  if (hint_active_ && !info.HintStr.empty()) {
    const TPoint origin = hint_control_->ClientToScreen(Point(0, 0));
    hint_cursor_rect_ = lab::OffsetRect(info.CursorRect, origin.X, origin.Y);
    if (!hint_window_ || hint_window_class_ != info.HintWindowClass) {
      delete hint_window_;
      hint_window_class_ = info.HintWindowClass;
      hint_window_ = hint_window_class_(this);
    }
    TRect r = hint_window_->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
    r = lab::OffsetRect(r, info.HintPos.X, info.HintPos.Y);
    hint_window_->SetColor(info.HintColor);
    hint_window_->ActivateHintData(r, info.HintStr, info.HintData);
    StartHintTimer(info.ReshowTimeout > 0 ? info.ReshowTimeout : info.HideTimeout, info.ReshowTimeout > 0);
    return;
  }
  if (info.ReshowTimeout > 0)
    StartHintTimer(info.ReshowTimeout, true);
  else
    CancelHint();
}

void TApplication::CancelHint() {
  if (!hint_control_) return;
  if (hint_window_) hint_window_->ReleaseHandle();
  hint_control_ = nullptr;
  hint_active_ = false;
  StopHintTimer();
}

void TApplication::ControlDestroyed(TControl* Control) {
  if (hint_control_ == Control) CancelHint();
  if (mouse_control_ == Control) mouse_control_ = nullptr;
  if (Control == hint_window_) hint_window_ = nullptr;
}

}  // namespace lab
