#pragma once
// TApplication: the message loop of the program (Run, ProcessMessages, HandleMessage), its handling
// of exceptions that message handlers let out (HandleException: OnException, else ShowException; the
// loop goes on), idle processing, hints, the main form, and the calls other threads hand to the main
// thread (TThread::Synchronize).

#include <exception>
#include <memory>
#include <string>

#include "platform/classes/component.h"
#include "platform/controls/control_types.h"
#include "platform/graphics/colors.h"

namespace lab {

class THintWindow;
using THintWindowClass = THintWindow* (*)(TComponent* Owner);

// What a control may change before its hint shows (CM_HINTSHOW carries a pointer to it).
struct THintInfo {
  TControl* HintControl = nullptr;
  THintWindowClass HintWindowClass = nullptr;
  TPoint HintPos;          // screen position of the hint window's top left
  int HintMaxWidth = 0;
  TColor HintColor = clInfoBk;
  TRect CursorRect;        // client area of HintControl in which the hint stays
  TPoint CursorPos;        // client position of the mouse
  int ReshowTimeout = 0;   // ms; > 0 asks again after it
  int HideTimeout = 0;     // ms
  std::string HintStr;
  void* HintData = nullptr;
};

using TExceptionEvent = std::function<void(TObject* Sender, Exception& E)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TMessageEvent = std::function<void(win::MSG& Msg, bool& Handled)>;
using TShowHintEvent = std::function<void(std::string& HintStr, bool& CanShow, THintInfo& HintInfo)>;

// Where the crash reporter takes part in the handling of exceptions that message handlers let out:
// when set, HandleException hands each exception to it first, and a false answer means it was
// dealt with there (OnException and the message box are then left out).
using TApplicationExceptionHook = std::function<bool(TObject* Sender, std::exception_ptr E)>;
TApplicationExceptionHook SetApplicationExceptionHook(TApplicationExceptionHook Hook);

// The part of a hint before "|" (shown in the hint window) and after it (for status lines).
std::string GetShortHint(const std::string& Hint);
std::string GetLongHint(const std::string& Hint);

class TApplication : public TComponent {
  LAB_CLASS(TApplication, TComponent)
 public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;

  // Creates a form owned by the application; the first one becomes the main form.
  template <class T>
  void CreateForm(T*& Reference) {
    Reference = new T(this);
    if (!main_form_) main_form_ = Reference;
  }
  TCustomForm* MainForm() const noexcept { return main_form_; }
  void SetMainForm(TCustomForm* Form) noexcept { main_form_ = Form; }

  // Readies the application for a run of its loop (Terminated becomes false again).
  void Initialize() { terminated_ = false; }
  // Shows the main form (when there is one) and handles messages until Terminate.
  void Run();
  // Handles every message waiting, then returns.
  void ProcessMessages();
  // Handles one message, or waits for one after idle processing when none is waiting.
  void HandleMessage();
  void Terminate();
  bool Terminated() const noexcept { return terminated_; }

  // Call inside a catch block: the exception goes to OnException, else to ShowException.
  // EAbort is silent. A capturing window is told to cancel its mode first.
  void HandleException(TObject* Sender);
  void ShowException(Exception& E);
  TExceptionEvent OnException;
  TIdleEvent OnIdle;
  TMessageEvent OnMessage;
  TNotifyEvent OnActivate, OnDeactivate, OnHint;
  TShowHintEvent OnShowHint;

  // The program file's name until set.
  const std::string& Title() const noexcept { return title_; }
  void SetTitle(const std::string& v) { title_ = v; }
  // The application's hidden window (made on first use, on the calling thread).
  win::HWND Handle();

  // Hints.
  bool ShowHint() const noexcept { return show_hint_; }
  void SetShowHint(bool v);
  int HintPause() const noexcept { return hint_pause_; }
  void SetHintPause(int v) { hint_pause_ = v; }
  int HintShortPause() const noexcept { return hint_short_pause_; }
  void SetHintShortPause(int v) { hint_short_pause_ = v; }
  int HintHidePause() const noexcept { return hint_hide_pause_; }
  void SetHintHidePause(int v) { hint_hide_pause_ = v; }
  TColor HintColor() const noexcept { return hint_color_; }
  void SetHintColor(TColor v) { hint_color_ = v; }
  const std::string& Hint() const noexcept { return hint_; }
  void SetHint(const std::string& v);
  void CancelHint();
  void ActivateHint(TPoint CursorPos);
  THintWindow* HintWindow() const noexcept { return hint_window_; }
  // Called by controls for each mouse move over them.
  void HintMouseMessage(TControl* Control, TMessage& Message);
  // A control going away: forget it as the hint or mouse control.
  void ControlDestroyed(TControl* Control);
  TControl* MouseControl() const noexcept { return mouse_control_; }

  // A message box owned by the application (see dialogs.h).
  int MessageBox(const std::string& Text, const std::string& Caption, int Flags);

 private:
  bool ProcessMessage(win::MSG& Msg);
  bool IsKeyMsg(win::MSG& Msg);
  void Idle();
  void DoMouseIdle();
  void WndProc(TMessage& Message);
  void StartHintTimer(int ms, bool showing);
  void StopHintTimer();
  static void HintTimerProc(win::HWND, win::UINT, win::UINT_PTR, win::DWORD);

  TCustomForm* main_form_ = nullptr;
  bool terminated_ = false;
  std::string title_;
  win::HWND handle_ = nullptr;
  bool show_hint_ = true;
  int hint_pause_ = 500, hint_short_pause_ = 50, hint_hide_pause_ = 2500;
  TColor hint_color_ = clInfoBk;
  std::string hint_;
  THintWindow* hint_window_ = nullptr;
  THintWindowClass hint_window_class_ = nullptr;
  TControl* hint_control_ = nullptr;
  TControl* mouse_control_ = nullptr;
  bool hint_active_ = false;
  bool hint_timer_shows_ = false;
  bool hint_timer_running_ = false;
  TRect hint_cursor_rect_;
};

// Made on first use; lives as long as the program.
struct TApplicationRef {
  TApplication* operator->() const;
  operator TApplication*() const;  // NOLINT: reads like the framework's global
};
inline constexpr TApplicationRef Application{};

}  // namespace lab
