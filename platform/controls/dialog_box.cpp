#include "platform/controls/dialog_box.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/controls/custom_control.h"
#include "platform/controls/dialog_controls.h"
#include "platform/controls/dialogs.h"
#include "platform/controls/dialog_items.h"
#include "platform/controls/input.h"
#include "platform/controls/message_queue.h"
#include "platform/controls/nc_layout.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/window_styles.h"
#include "platform/graphics/gdi.h"
#include "platform/graphics/system_metrics.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

using namespace win;

namespace {

std::mutex g_hookMutex;
TDialogShownHook g_shownHook;

class TDialogWindow;
// Dialogs of this thread whose windows are gone, freed where no procedure of theirs runs.
thread_local std::vector<TDialogWindow*> t_dead;

// The window of a dialog: its procedure sees each message first.
class TDialogWindow : public TCustomControl {
 public:
  TDialogWindow(const TDialogTemplate& Template, DLGPROC Proc, TWinControl* Parent, HWND Owner)
      : TCustomControl(nullptr), template_(Template), proc_(std::move(Proc)), owner_(Owner) {
    SetVisible(false);
    SetColor(clBtnFace);
    SetParentColor(false);
    if (Template.FontSize > 0) {
      Font()->SetName(Template.FontName);
      Font()->SetSize(Template.FontSize);
    }
    if (Parent) {
      SetParentFont(false);
      SetParent(Parent);
    }
    MeasureBaseUnits();
  }
  ~TDialogWindow() override { std::erase(t_dead, this); }

  static TDialogWindow* Of(HWND Window) { return dynamic_cast<TDialogWindow*>(FindControl(Window)); }

  // Pixels of dialog units.
  TRect Map(const TRect& Units) const {
    return Rect(MulDiv(Units.Left, base_.X, 4), MulDiv(Units.Top, base_.Y, 8), MulDiv(Units.Right, base_.X, 4),
                MulDiv(Units.Bottom, base_.Y, 8));
  }

  // The window, its controls and WM_INITDIALOG; shown as the template says.
  HWND Make(LPARAM InitParam) {
    TRect client = Map(template_.Bounds);
    const int border = wm::BorderWidth(WindowStyle(), WindowExStyle());
    const int width = client.Width() + 2 * border, height = client.Height() + 2 * border;
    if (template_.Style & WS_CHILD) {
      SetBounds(client.Left, client.Top, width, height);
    } else if (template_.Style & DS_CENTER) {
      SetBounds((GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width,
                height);
    } else {
      POINT origin{0, 0};
      if (owner_) wm::ClientToScreen(owner_, origin);
      SetBounds(origin.X + client.Left, origin.Y + client.Top, width, height);
    }
    const HWND h = Handle();
    for (const TDialogItemTemplate& item : template_.Items) CreateDialogItem(this, item, Map(item.Bounds));
    HWND first = nullptr;
    if (const std::vector<HWND> stops = TabStops(); !stops.empty()) first = stops.front();
    const bool focusFirst = Call(WM_INITDIALOG, reinterpret_cast<WPARAM>(first), InitParam) != 0;
    if (!wm::IsWindow(h)) return nullptr;
    if (template_.Style & WS_VISIBLE) {
      SetVisible(true);
      UpdateShowing();
      if (!(template_.Style & WS_CHILD)) wm::SetActiveWindow(h);
    }
    if (focusFirst && first && wm::IsWindow(first)) wm::SetFocus(first);
    return h;
  }

  bool Ended() const noexcept { return ended_; }
  INT_PTR Result() const noexcept { return result_; }
  void End(INT_PTR Result) {
    ended_ = true;
    result_ = Result;
  }
  void SetMsgResult(LRESULT Result) { msg_result_ = Result; }

  // The controls Tab visits, in tab order: with WS_TABSTOP, visible (as far as the dialog) and
  // enabled, those of child dialogs included.
  std::vector<HWND> TabStops() {
    std::vector<HWND> stops;
    for (TWinControl* c : AllControls()) {
      const HWND h = c->Handle();
      bool visible = true;
      for (TControl* p = c; p && p != this; p = p->Parent()) visible = visible && p->Visible();
      if (visible && (wm::GetWindowLongPtr(h, GWL_STYLE) & WS_TABSTOP) && wm::IsWindowEnabled(h)) stops.push_back(h);
    }
    return stops;
  }

  // Every control, child dialogs' too, in tab order.
  std::vector<TWinControl*> AllControls() {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    std::erase_if(list, [](TWinControl* c) { return dynamic_cast<TDialogWindow*>(c) || !c->HandleAllocated(); });
    return list;
  }

  void WndProc(TMessage& Message) override {
    // The framework's own notifications are no business of the procedure.
    if (proc_ && Message.Msg < CM_BASE && HandleAllocated()) {
      const LRESULT saved = msg_result_;
      msg_result_ = 0;
      const INT_PTR handled = Call(Message.Msg, Message.WParam, Message.LParam);
      const LRESULT result = msg_result_;
      msg_result_ = saved;
      if (handled) {
        const bool direct = Message.Msg == WM_INITDIALOG ||
                            (Message.Msg >= WM_CTLCOLORMSGBOX && Message.Msg <= WM_CTLCOLORSTATIC);
        Message.Result = direct ? handled : result;
        return;
      }
    }
    switch (Message.Msg) {
      case WM_CLOSE: {
        const HWND cancel = GetDlgItem(Handle(), IDCANCEL);
        wm::SendMessage(Handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        return;
      }
      case DM_GETDEFID:
        Message.Result = 0;
        for (TWinControl* c : AllControls())
          if (wm::SendMessage(c->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) {
            Message.Result = static_cast<LRESULT>(MAKELONG(static_cast<WORD>(GetDlgCtrlID(c->Handle())), DC_HASDEFID));
            break;
          }
        return;
      case WM_ERASEBKGND:
        if (auto dc = reinterpret_cast<HDC>(Message.WParam)) {
          PaintBackground(dc);
          Message.Result = 1;
        }
        return;
      case WM_NCDESTROY:
        TCustomControl::WndProc(Message);
        t_dead.push_back(this);
        return;
      default:
        break;
    }
    TCustomControl::WndProc(Message);
  }

 protected:
  DWORD WindowStyle() const {
    DWORD style = template_.Style & ~WS_VISIBLE;
    // A captioned window is framed by the desktop; WS_POPUP alone would leave it bare.
    if ((style & WS_CAPTION) == WS_CAPTION) style &= ~WS_POPUP;
    return style | WS_CLIPCHILDREN;
  }
  DWORD WindowExStyle() const { return template_.ExStyle | WS_EX_CONTROLPARENT; }

  void CreateParams(TCreateParams& Params) override {
    TCustomControl::CreateParams(Params);
    Params.Style = WindowStyle() | ((template_.Style & WS_CHILD) ? WS_CLIPSIBLINGS : 0);
    Params.ExStyle = WindowExStyle();
    Params.Caption = template_.Caption;
    Params.WinClassName = "#32770";
    if (!(template_.Style & WS_CHILD)) Params.WndParent = owner_;
  }

  void Paint() override { PaintBackground(Canvas()->Handle()); }

 private:
  INT_PTR Call(UINT Msg, WPARAM WParam, LPARAM LParam) {
    // The procedure may free the window: keep what runs it.
    const DLGPROC proc = proc_;
    return proc(Handle(), Msg, WParam, LParam);
  }

  void PaintBackground(HDC DC) {
    const RECT r = ClientRect();
    HBRUSH brush = proc_ ? reinterpret_cast<HBRUSH>(Call(WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(DC),
                                                         reinterpret_cast<LPARAM>(Handle())))
                         : nullptr;
    if (brush) {
      FillRect(DC, &r, brush);
      return;
    }
    HBRUSH face = CreateSolidBrush(ColorToRGB(Color()));
    FillRect(DC, &r, face);
    DeleteObject(face);
  }

  void MeasureBaseUnits() {
    HDC dc = CreateCompatibleDC(nullptr);
    TScopeExit release([&] { DeleteDC(dc); });
    dc->SelectObject(Font()->Handle());
    SIZE size{};
    GetTextExtentPoint32(dc, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &size);
    TEXTMETRIC tm{};
    GetTextMetrics(dc, &tm);
    base_ = TPoint{std::max(1, (size.cx + 26) / 52), std::max(1, static_cast<int>(tm.tmHeight))};
  }

  const TDialogTemplate& template_;
  DLGPROC proc_;
  HWND owner_;
  TPoint base_{};
  bool ended_ = false;
  INT_PTR result_ = 0;
  LRESULT msg_result_ = 0;
};

void FreeDeadDialogs() {
  while (!t_dead.empty()) {
    TDialogWindow* dialog = t_dead.back();
    t_dead.pop_back();
    delete dialog;
  }
}

// Makes a dialog; nullptr (and nothing left behind) when it cannot be made.
TDialogWindow* MakeDialog(std::string_view TemplateName, HWND ParentOrOwner, DLGPROC Proc, LPARAM InitParam) {
  FreeDeadDialogs();
  const TDialogTemplate* t = FindDialogTemplate(TemplateName);
  if (!t) return nullptr;
  TWinControl* parent = nullptr;
  if (t->Style & WS_CHILD) {
    parent = TWinControl::FindControl(ParentOrOwner);
    if (!parent) return nullptr;
  }
  auto* dialog = new TDialogWindow(*t, std::move(Proc), parent, parent ? nullptr : ParentOrOwner);
  TScopeFail drop([&] { delete dialog; });
  if (!dialog->Make(InitParam)) {
    // The procedure destroyed it while it started.
    FreeDeadDialogs();
    return nullptr;
  }
  return dialog;
}

// The push button Enter clicks: the focused one, else the default one.
HWND EnterButton(TDialogWindow* Dialog, HWND Focus, LRESULT FocusCode) {
  if (FocusCode & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) return Focus;
  const LRESULT def = wm::SendMessage(Dialog->Handle(), DM_GETDEFID, 0, 0);
  if (HIWORD(static_cast<std::uintptr_t>(def)) != DC_HASDEFID) return nullptr;
  return GetDlgItem(Dialog->Handle(), LOWORD(static_cast<std::uintptr_t>(def)));
}

// A control whose '&' mnemonic is Key: a button is clicked, a check box takes the focus and is
// clicked, a static text gives the focus to the control after it.
bool ClickMnemonic(TDialogWindow* Dialog, char32_t Key) {
  const std::vector<TWinControl*> controls = Dialog->AllControls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const HWND h = controls[i]->Handle();
    if (!wm::IsWindowVisible(h) || !wm::IsWindowEnabled(h) || !IsMnemonic(Key, wm::GetWindowText(h))) continue;
    const LRESULT code = wm::SendMessage(h, WM_GETDLGCODE, 0, 0);
    if (code & DLGC_STATIC) {
      for (std::size_t j = i + 1; j < controls.size(); ++j)
        if (wm::IsWindowVisible(controls[j]->Handle()) && wm::IsWindowEnabled(controls[j]->Handle())) {
          wm::SetFocus(controls[j]->Handle());
          break;
        }
      return true;
    }
    if (!(code & DLGC_BUTTON)) continue;
    if (!(code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) wm::SetFocus(h);
    wm::SendMessage(h, BM_CLICK, 0, 0);
    return true;
  }
  return false;
}

}  // namespace

namespace win {

TDialogShownHook SetDialogShownHook(TDialogShownHook Hook) {
  std::lock_guard lock(g_hookMutex);
  return std::exchange(g_shownHook, std::move(Hook));
}

INT_PTR DialogBoxParam(std::string_view TemplateName, HWND Owner, DLGPROC Proc, LPARAM InitParam) {
  TDialogWindow* dialog = MakeDialog(TemplateName, Owner, std::move(Proc), InitParam);
  if (!dialog) return -1;
  const HWND h = dialog->Handle();
  const bool disableOwner = Owner && wm::IsWindowEnabled(Owner);
  if (disableOwner) wm::EnableWindow(Owner, false);
  TScopeExit finish([&] {
    // The owner takes input again before the dialog goes, so that it becomes the active window.
    if (disableOwner && wm::IsWindow(Owner)) wm::EnableWindow(Owner, true);
    if (wm::IsWindow(h)) wm::DestroyWindow(h);
    FreeDeadDialogs();
  });
  TDialogShownHook hook;
  {
    std::lock_guard lock(g_hookMutex);
    hook = g_shownHook;
  }
  if (hook) hook(h);
  INT_PTR result = -1;
  for (;;) {
    if (TDialogWindow* d = TDialogWindow::Of(h); !d) {
      break;  // destroyed without EndDialog
    } else if (d->Ended()) {
      result = d->Result();
      break;
    }
    MSG msg;
    if (!wm::GetMessage(msg, nullptr, 0, 0)) {
      wm::PostQuitMessage(static_cast<int>(msg.wParam));
      result = 0;
      break;
    }
    if (!IsDialogMessage(h, msg)) {
      wm::TranslateMessage(msg);
      wm::DispatchMessage(msg);
    }
  }
  return result;
}

HWND CreateDialogParam(std::string_view TemplateName, HWND Parent, DLGPROC Proc, LPARAM InitParam) {
  TDialogWindow* dialog = MakeDialog(TemplateName, Parent, std::move(Proc), InitParam);
  return dialog ? dialog->Handle() : nullptr;
}

BOOL EndDialog(HWND Dialog, INT_PTR Result) {
  TDialogWindow* dialog = TDialogWindow::Of(Dialog);
  if (!dialog) return FALSE;
  dialog->End(Result);
  // Hidden at once; the loop destroys it once the procedure has returned.
  if (!(wm::GetWindowLongPtr(Dialog, GWL_STYLE) & WS_CHILD)) wm::ShowWindow(Dialog, SW_HIDE);
  return TRUE;
}

void SetDlgMsgResult(HWND Dialog, LRESULT Result) {
  if (TDialogWindow* dialog = TDialogWindow::Of(Dialog)) dialog->SetMsgResult(Result);
}

BOOL IsDialogMessage(HWND Dialog, MSG& Msg) {
  TDialogWindow* dialog = TDialogWindow::Of(Dialog);
  if (!dialog || !Msg.hwnd || (Msg.hwnd != Dialog && !wm::IsChild(Dialog, Msg.hwnd))) return FALSE;
  switch (Msg.message) {
    case WM_KEYDOWN: {
      const LRESULT code = wm::SendMessage(Msg.hwnd, WM_GETDLGCODE, Msg.wParam, reinterpret_cast<LPARAM>(&Msg));
      if (code & DLGC_WANTMESSAGE) return FALSE;
      switch (Msg.wParam) {
        case VK_TAB: {
          if ((code & DLGC_WANTTAB) || (GetKeyState(VK_CONTROL) & 0x8000)) return FALSE;
          const std::vector<HWND> stops = dialog->TabStops();
          if (stops.empty()) return TRUE;
          const bool back = GetKeyState(VK_SHIFT) & 0x8000;
          const auto it = std::find(stops.begin(), stops.end(), wm::GetFocus());
          const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(stops.size());
          const std::ptrdiff_t at = it == stops.end() ? (back ? 0 : n - 1) : it - stops.begin();
          wm::SetFocus(stops[static_cast<std::size_t>((at + (back ? n - 1 : 1)) % n)]);
          return TRUE;
        }
        case VK_RETURN: {
          const HWND button = EnterButton(dialog, Msg.hwnd, code);
          if (button && wm::IsWindowEnabled(button))
            wm::SendMessage(button, BM_CLICK, 0, 0);
          else if (!button)
            wm::SendMessage(Dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
          return TRUE;
        }
        case VK_ESCAPE:
          wm::SendMessage(Dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                          reinterpret_cast<LPARAM>(GetDlgItem(Dialog, IDCANCEL)));
          return TRUE;
        default:
          return FALSE;
      }
    }
    case WM_CHAR: {
      const LRESULT code = wm::SendMessage(Msg.hwnd, WM_GETDLGCODE, Msg.wParam, reinterpret_cast<LPARAM>(&Msg));
      if (code & (DLGC_WANTCHARS | DLGC_WANTMESSAGE)) return FALSE;
      return ClickMnemonic(dialog, static_cast<char32_t>(Msg.wParam)) ? TRUE : FALSE;
    }
    case WM_SYSCHAR:
      return ClickMnemonic(dialog, static_cast<char32_t>(Msg.wParam)) ? TRUE : FALSE;
    default:
      return FALSE;
  }
}

HWND GetDlgItem(HWND Dialog, int ID) {
  TDialogWindow* dialog = TDialogWindow::Of(Dialog);
  if (!dialog) return nullptr;
  for (int i = 0; i < dialog->ControlCount(); ++i)
    if (auto* c = dynamic_cast<TWinControl*>(dialog->Controls(i)); c && c->HandleAllocated() &&
                                                                    GetDlgCtrlID(c->Handle()) == ID)
      return c->Handle();
  return nullptr;
}

int GetDlgCtrlID(HWND Control) { return static_cast<int>(wm::GetWindowLongPtr(Control, GWLP_ID)); }

LRESULT SendDlgItemMessage(HWND Dialog, int ID, UINT Msg, WPARAM WParam, LPARAM LParam) {
  const HWND item = GetDlgItem(Dialog, ID);
  return item ? wm::SendMessage(item, Msg, WParam, LParam) : 0;
}

BOOL SetDlgItemText(HWND Dialog, int ID, std::string_view Text) {
  const HWND item = GetDlgItem(Dialog, ID);
  return item && wm::SetWindowText(item, Text);
}

std::string GetDlgItemText(HWND Dialog, int ID) {
  const HWND item = GetDlgItem(Dialog, ID);
  return item ? wm::GetWindowText(item) : std::string();
}

BOOL CheckDlgButton(HWND Dialog, int ID, UINT Check) {
  const HWND item = GetDlgItem(Dialog, ID);
  if (!item) return FALSE;
  wm::SendMessage(item, BM_SETCHECK, Check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND Dialog, int ID) {
  return static_cast<UINT>(SendDlgItemMessage(Dialog, ID, BM_GETCHECK, 0, 0));
}

BOOL MapDialogRect(HWND Dialog, RECT* Rect) {
  TDialogWindow* dialog = TDialogWindow::Of(Dialog);
  if (!dialog || !Rect) return FALSE;
  *Rect = dialog->Map(*Rect);
  return TRUE;
}

}  // namespace win
}  // namespace lab
