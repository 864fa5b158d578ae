// The exception dialog: its procedure, its two layouts (simple: the message sized to its text;
// detailed: the report's pages in the saved placement) and its paint.

#include <algorithm>
#include <memory>
#include <sstream>

#include "crashreport/dialogs/crash_dialogs.h"
#include "crashreport/dialogs/crash_gui.h"
#include "crashreport/dialogs/dialog_fonts.h"
#include "crashreport/dialogs/dialog_frame.h"
#include "crashreport/dialogs/dialog_pages.h"
#include "crashreport/dialogs/dialog_state.h"
#include "crashreport/event_dispatch.h"
#include "crashreport/internal_warning.h"
#include "crashreport/capture/last_exception.h"
#include "crashreport/dialogs/list_view_items.h"
#include "crashreport/process_state.h"
#include "crashreport/dialogs/window_services.h"
#include "platform/controls/dialogs.h"
#include "platform/controls/messages.h"
#include "platform/controls/standard_controls.h"
#include "platform/controls/window_styles.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/colors.h"
#include "platform/graphics/cursors.h"
#include "platform/graphics/gdi.h"

namespace lab {

namespace {

enum : int {
  kOkItem = 2, kTerminateItem = 3, kDetailsItem = 4, kMessageItem = 101, kTabItem = 1000, kLineItem = 2000,
  kSendItem = 3000, kAttachItem = 4000, kCopyItem = 5000
};
constexpr int kMessageLeft = 48, kMargin = 8, kButtonHeight = 25, kMinContentWidth = 250, kMaxWidth = 640;
constexpr int kLinkHeight = 13;
// How long the dialog has to paint before the watchdog closes it.
constexpr unsigned kPaintWatchdogMs = 3000;

// What the bottom area's choices need across: the send and attach boxes, the copy box, the link.
struct TBottomWidths {
  int Send = 0, Copy = 0, Link = 0;
};

// The dialog that is up, run by its procedure, and what it made; one exception dialog at a time.
class TExceptionDialog {
 public:
  explicit TExceptionDialog(const TCrashModuleOptions& Options) : options_(Options) {}

  std::intptr_t Proc(win::HWND Dialog, win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam);
  const std::string& Text(int Index) const { return options_.GetCustomizedText(static_cast<std::uint8_t>(Index)); }

 private:
  // The support link's font; nullptr (the dialog's own) before the dialog is initialised.
  win::HFONT LinkFont() const { return fonts_ ? fonts_->Link() : nullptr; }
  TPoint SimpleMessageSize(win::HWND Dialog, const std::string& Message) const;
  TBottomWidths MeasureBottom(win::HWND Dialog) const;
  void Layout(win::HWND Dialog);
  void ApplyMode(win::HWND Dialog);
  void ShowPage(win::HWND Dialog, int Tab);
  void InitDialog(win::HWND Dialog);
  void Paint(win::HWND Dialog);
  void Destroy(win::HWND Dialog);

  const TCrashModuleOptions& options_;
  std::vector<TDialogPage> pages_;
  std::unique_ptr<TDetailsPage> page_;
  std::unique_ptr<TBitmap> error_image_;
  win::HBRUSH background_ = nullptr;  // with the library's own look
  std::unique_ptr<TDialogFonts> fonts_;
  TRect link_;
  bool link_hot_ = false;
  int button_width_ = 0;
  TAutoClose auto_close_;
};

win::HWND Item(win::HWND Dialog, int ID) { return CrashGui().GetDlgItem(Dialog, ID); }

void Place(win::HWND Dialog, int ID, const TRect& Bounds, bool Shown = true) {
  TCrashGui& gui = CrashGui();
  const win::HWND w = Item(Dialog, ID);
  if (!w) return;
  gui.SetWindowPos(w, nullptr, Bounds, win::SWP_NOZORDER | win::SWP_NOACTIVATE);
  gui.ShowWindow(w, Shown ? win::SW_SHOWNA : win::SW_HIDE);
}

// The message's size in the simple layout: its lines and the check boxes' line, each a line high,
// as wide as the widest plus 16 pixels within the cap; a longer line wraps, a line more for each
// further cap-width.
TPoint TExceptionDialog::SimpleMessageSize(win::HWND Dialog, const std::string& Message) const {
  const win::HWND label = Item(Dialog, kMessageItem);
  const int cap = kMaxWidth - kMessageLeft;
  std::vector<std::string> lines;
  std::istringstream in(Message);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  lines.push_back(Text(18) + "    " + Text(20));
  int width = 0, height = 0;
  for (const std::string& line : lines) {
    const win::SIZE extent = MeasureText(label, line);
    const int w = extent.cx + 16;
    height += extent.cy;
    if (w > cap) height += extent.cy * ((w - 1) / cap);
    width = std::max(width, std::min(w, cap));
  }
  return TPoint{std::max(width, kMinContentWidth), height};
}

TBottomWidths TExceptionDialog::MeasureBottom(win::HWND Dialog) const {
  const TDialogChoices& c = DialogState().Choices;
  constexpr int kBox = 24;  // the box and its gap
  TBottomWidths widths;
  if (c.CanSend) widths.Send = MeasureText(Item(Dialog, kSendItem), Text(18)).cx + kBox;
  if (c.CanAttachScreenshot)
    widths.Send = std::max(widths.Send, 12 + MeasureText(Item(Dialog, kAttachItem), Text(19)).cx + kBox);
  if (c.ShowCopyOption) widths.Copy = MeasureText(Item(Dialog, kCopyItem), Text(20)).cx + kBox;
  if (c.ShowSupportLink) widths.Link = MeasureText(Dialog, Text(21), LinkFont()).cx + 4;
  return widths;
}

TRect WindowForClient(win::HWND Dialog, int Left, int Top, int Width, int Height) {
  TCrashGui& gui = CrashGui();
  TCrashWindowInfo info;
  gui.GetWindowInfo(Dialog, info);
  const TRect client = gui.ClientRect(Dialog);
  return TRect{Left, Top, Left + Width + info.Bounds.Width() - client.Width(),
               Top + Height + info.Bounds.Height() - client.Height()};
}

// Lays the controls out in the client area as it is.
void TExceptionDialog::Layout(win::HWND Dialog) {
  TCrashGui& gui = CrashGui();
  TCrashDialogState& state = DialogState();
  const TCrashModuleOptions& options = options_;
  const TDialogChoices& c = state.Choices;
  const TRect client = gui.ClientRect(Dialog);
  const int w = client.Width(), h = client.Height(), bottom = c.BottomHeight;
  const int buttons_top = h - bottom - kButtonHeight - kMargin;
  const int bw = button_width_;

  const win::HWND label = Item(Dialog, kMessageItem);
  const int message_height = state.DetailsShown ? 2 * MeasureText(label, Text(3)).cy
                                                : SimpleMessageSize(Dialog, GetExceptionMessageText()).Y;
  Place(Dialog, kMessageItem, TRect{kMessageLeft, kMargin, w - kMargin, kMargin + message_height});
  const int tab_top = std::max(kMessageLeft, kMargin + message_height + 4);
  Place(Dialog, kTabItem, TRect{kMargin, tab_top, w - kMargin, std::max(tab_top, buttons_top - kMargin)},
        state.DetailsShown);
  if (page_) page_->Place(Item(Dialog, kTabItem));

  Place(Dialog, kTerminateItem, TRect{5, buttons_top, 5 + bw, buttons_top + kButtonHeight},
        TerminateButtonShown(options, CrashState().ErrorCount));
  Place(Dialog, kOkItem, TRect{(w - bw) / 2, buttons_top, (w - bw) / 2 + bw, buttons_top + kButtonHeight});
  Place(Dialog, kDetailsItem, TRect{w - 5 - bw, buttons_top, w - 5, buttons_top + kButtonHeight},
        options.ShowsDetailsButton());
  SetItemText(Dialog, kDetailsItem, DetailsCaption(options, state.DetailsShown));

  // The send and attach boxes from the left, the copy box and the link at the right.
  const int area = h - bottom;
  const TBottomWidths widths = MeasureBottom(Dialog);
  const int right = w - kMargin - std::max(widths.Copy, widths.Link);
  Place(Dialog, kLineItem, TRect{kMargin, area - 2, w - kMargin, area}, bottom > 0);
  Place(Dialog, kSendItem, TRect{kMargin, area + 3, right - 8, area + 17}, c.CanSend);
  Place(Dialog, kAttachItem, TRect{kMargin + 12, area + 18, right - 8, area + 32}, c.CanAttachScreenshot);
  Place(Dialog, kCopyItem, TRect{w - kMargin - widths.Copy, area + 3, w - kMargin, area + 17}, c.ShowCopyOption);
  const int link_top = area + 4 + (c.ShowCopyOption ? 16 : 0);
  link_ = c.ShowSupportLink ? TRect{w - kMargin - widths.Link, link_top, w - kMargin, link_top + kLinkHeight}
                                    : TRect{};
  gui.InvalidateRect(Dialog, nullptr);
}

// Sizes and places the window for the mode, then lays it out.
void TExceptionDialog::ApplyMode(win::HWND Dialog) {
  TCrashGui& gui = CrashGui();
  TCrashDialogState& state = DialogState();
  const TRect screen = gui.ScreenRect();
  const int bottom = state.Choices.BottomHeight;
  TRect bounds;
  int shown_state = 1;
  if (state.DetailsShown) {
    SetItemText(Dialog, kMessageItem, Text(3));
    if (!state.Placement.Recorded) state.Placement = ReadDialogPlacement(bottom, screen);
    const TDialogPlacement& p = state.Placement;
    bounds = TRect{p.Left, p.Top, p.Left + p.Width, p.Top + p.Height + bottom};
    shown_state = p.WindowsState;
  } else {
    // Left maximised or minimised in detailed mode: normal again first.
    if (state.Placement.WindowsState != 1) gui.ShowWindow(Dialog, win::SW_RESTORE);
    SetItemText(Dialog, kMessageItem, GetExceptionMessageText());
    const TPoint message = SimpleMessageSize(Dialog, GetExceptionMessageText());
    const TBottomWidths choices = MeasureBottom(Dialog);
    const int width = std::max({kMessageLeft + message.X + kMargin, 3 * button_width_ + 30,
                                2 * kMargin + choices.Send + 16 + std::max(choices.Copy, choices.Link)});
    const int height = kMargin + message.Y + kMargin + kButtonHeight + kMargin + bottom;
    bounds = WindowForClient(Dialog, 0, 0, width, height);
    bounds = OffsetRect(bounds, (screen.Width() - bounds.Width()) / 2, (screen.Height() - bounds.Height()) / 2);
  }
  gui.SetWindowPos(Dialog, nullptr, bounds, win::SWP_NOZORDER | win::SWP_NOACTIVATE);
  // Placing the window changed nothing of the user's: the state saved stays, and shows where the
  // window manager offers it (the window tells it back as it takes it).
  if (shown_state == 3 || shown_state == 6) {
    state.Placement.WindowsState = shown_state;
    gui.ShowWindow(Dialog, shown_state == 3 ? win::SW_SHOWMAXIMIZED : win::SW_MINIMIZE);
  }
  Layout(Dialog);
}

// Maximised or minimised, the window keeps the normal place recorded before.
void RecordPlacement(win::HWND Dialog) {
  TCrashDialogState& state = DialogState();
  TCrashWindowInfo info;
  if (!state.DetailsShown || !CrashGui().GetWindowInfo(Dialog, info)) return;
  TDialogPlacement& p = state.Placement;
  p.WindowsState = (info.Style & win::WS_MAXIMIZE) ? 3 : (info.Style & win::WS_MINIMIZE) ? 6 : 1;
  if (p.WindowsState != 1) return;
  p.Width = info.Bounds.Width();
  p.Height = info.Bounds.Height() - state.Choices.BottomHeight;
  p.Left = info.Bounds.Left;
  p.Top = info.Bounds.Top;
  p.Recorded = true;
}

// Without the library's own look the buttons are plain.
void DropFlatStyle(win::HWND Dialog) {
  TCrashGui& gui = CrashGui();
  for (int id : {kOkItem, kTerminateItem, kDetailsItem}) {
    TCrashWindowInfo info;
    const win::HWND button = Item(Dialog, id);
    if (button && gui.GetWindowInfo(button, info))
      gui.SetWindowStyles(button, info.Style & ~win::BS_FLAT, info.ExStyle);
  }
}

void TExceptionDialog::ShowPage(win::HWND Dialog, int Tab) {
  page_.reset();
  if (Tab < 0 || Tab >= static_cast<int>(pages_.size())) return;
  page_ = std::make_unique<TDetailsPage>(pages_[static_cast<std::size_t>(Tab)], Item(Dialog, kTabItem),
                                                 TPageLook{background_, &auto_close_, fonts_.get()});
}

void TExceptionDialog::InitDialog(win::HWND Dialog) {
  TCrashGui& gui = CrashGui();
  TCrashDialogState& state = DialogState();
  TCrashProcessState& s = CrashState();
  const TCrashModuleOptions& options = options_;
  state.Window = Dialog;
  state.StayOnTop = StayOnTopOption(options);
  ApplyDialogFrame(Dialog, options, state.StayOnTop);
  state.Choices = GetDialogChoices(options, s.Duplicate);
  state.Placement = TDialogPlacement{};
  gui.SetForegroundWindow(Dialog);
  state.DetailsShown = options.OpensDetailed();

  error_image_ = std::make_unique<TBitmap>();
  error_image_->LoadFromResourceName(nullptr, "CR_Error");
  if (OwnLookOption(options)) background_ = win::CreateSolidBrush(0xC8D0D4);
  else DropFlatStyle(Dialog);
  fonts_ = std::make_unique<TDialogFonts>();

  for (int id : {kMessageItem, kOkItem, kTerminateItem, kDetailsItem}) SetItemFont(Dialog, id, fonts_->Message());
  SetItemText(Dialog, kOkItem, Text(14));
  SetItemText(Dialog, kTerminateItem, Text(options.RestartsOnTerminate() ? 16 : 15));
  button_width_ = gui.ChildBounds(Item(Dialog, kOkItem)).Width();
  for (int id : {kOkItem, kTerminateItem, kDetailsItem})
    for (const std::string& caption : {Text(14), Text(15), Text(16), Text(17) + " >>"})
      button_width_ = std::max(button_width_, MeasureText(Item(Dialog, id), caption).cx + 16);

  SetItemText(Dialog, kSendItem, Text(18));
  SetItemText(Dialog, kAttachItem, Text(19));
  SetItemText(Dialog, kCopyItem, Text(20));
  CheckItem(Dialog, kSendItem, s.SendChecked && options.ChecksSendBox());
  CheckItem(Dialog, kAttachItem, s.AttachChecked && options.ChecksScreenshotBox());
  CheckItem(Dialog, kCopyItem, false);
  gui.EnableWindow(Item(Dialog, kAttachItem), IsItemChecked(Dialog, kSendItem));
  SetItemText(Dialog, 0, Text(2));

  const win::HWND tab = Item(Dialog, kTabItem);
  pages_ = DialogPages(options, !s.CustomData.empty());
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    std::string caption = PageCaption(options, pages_[i]);
    win::TCITEM item;
    item.mask = win::TCIF_TEXT;
    item.pszText = caption.data();
    gui.SendMessage(tab, win::TCM_INSERTITEM, i, reinterpret_cast<win::LPARAM>(&item));
  }
  const int first = FirstTab(options, pages_);
  gui.SendMessage(tab, win::TCM_SETCURSEL, static_cast<win::WPARAM>(first), 0);

  gui.SetFocus(Item(Dialog, kOkItem));
  ApplyMode(Dialog);
  ShowPage(Dialog, first);
  auto_close_.Start(Dialog, options.AutoCloseSeconds());
  StartKeepInFront(Dialog);
  gui.SetTimer(Dialog, kPaintWatchdogTimer, kPaintWatchdogMs);
}

void TExceptionDialog::Paint(win::HWND Dialog) {
  TCrashGui& gui = CrashGui();
  TCrashDialogState& state = DialogState();
  if (!state.DialogPainted.exchange(true) && state.Painted) state.Painted();
  win::PAINTSTRUCT ps;
  const win::HDC dc = gui.BeginPaint(Dialog, ps);
  if (!dc) return;
  if (error_image_ && !error_image_->Empty())
    DrawTransparentBitmap(dc, error_image_->Handle(), 8, 8, error_image_->Width(),
                          error_image_->Height());
  if (DialogState().Choices.ShowSupportLink && !link_.IsEmpty()) {
    const win::HGDIOBJ old = LinkFont() ? win::SelectObject(dc, LinkFont()) : nullptr;
    win::SetBkMode(dc, win::TRANSPARENT);
    win::SetTextColor(dc, RGB(0, 0, 128));
    win::TextOut(dc, link_.Left, link_.Top, Text(21));
    if (old) win::SelectObject(dc, old);
  }
  gui.EndPaint(Dialog, ps);
}

void TExceptionDialog::Destroy(win::HWND Dialog) {
  TCrashGui& gui = CrashGui();
  TCrashDialogState& state = DialogState();
  TCrashProcessState& s = CrashState();
  gui.KillTimer(Dialog, kPaintWatchdogTimer);
  gui.KillTimer(Dialog, kKeepInFrontTimer);
  auto_close_.Stop(Dialog);
  s.SendChecked = IsItemChecked(Dialog, kSendItem);
  s.AttachChecked = IsItemChecked(Dialog, kAttachItem);
  s.CopyChecked = IsItemChecked(Dialog, kCopyItem);
  page_.reset();
  if (background_) win::DeleteObject(background_);
  background_ = nullptr;
  if (state.DetailsShown) SaveDialogPlacement(state.Placement);
  // What it drew with goes with its window.
  error_image_.reset();
  fonts_.reset();
  state.Window = nullptr;
}

std::intptr_t TExceptionDialog::Proc(win::HWND Dialog, win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam) {
  TCrashGui& gui = CrashGui();
  TCrashDialogState& state = DialogState();
  if (TAutoClose::IsInput(Msg)) auto_close_.Reset();
  switch (Msg) {
    case win::WM_INITDIALOG:
      InitDialog(Dialog);
      return 0;  // the focus is set
    case win::WM_COMMAND:
      switch (static_cast<int>(win::LOWORD(WParam))) {
        case kOkItem:
          gui.EndDialog(Dialog, kOkItem);
          break;
        case kTerminateItem:
          CrashState().TerminateRequested = true;
          gui.EndDialog(Dialog, kTerminateItem);
          break;
        case kDetailsItem:
          if (state.DetailsShown) RecordPlacement(Dialog);
          state.DetailsShown = !state.DetailsShown;
          ApplyMode(Dialog);
          break;
        case kSendItem:
          gui.EnableWindow(Item(Dialog, kAttachItem), IsItemChecked(Dialog, kSendItem));
          break;
      }
      return 1;
    case win::WM_NOTIFY: {
      const auto& hdr = *reinterpret_cast<const win::NMHDR*>(LParam);
      if (hdr.idFrom == kTabItem && hdr.code == win::TCN_SELCHANGE) {
        auto_close_.Reset();
        ShowPage(Dialog, static_cast<int>(gui.SendMessage(Item(Dialog, kTabItem), win::TCM_GETCURSEL, 0, 0)));
      }
      return 0;
    }
    case win::WM_MOUSEMOVE: {
      const TPoint at{win::GET_X_LPARAM(LParam), win::GET_Y_LPARAM(LParam)};
      const bool hot = link_.Contains(at);
      if (hot != link_hot_) {
        link_hot_ = hot;
        gui.InvalidateRect(Dialog, &link_);
      }
      if (hot) gui.ShowCursor(crHandPoint);
      return 0;
    }
    case win::WM_LBUTTONUP:
      if (link_hot_) {
        state.StayOnTop = false;
        gui.SetWindowPos(Dialog, win::HWND_NOTOPMOST, {}, win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
        gui.OpenDocument(options_.SupportURL());
      }
      return 0;
    case win::WM_PAINT:
      Paint(Dialog);
      return 1;
    case win::WM_CTLCOLORDLG:
    case win::WM_CTLCOLORSTATIC:
      if (!background_) return 0;
      win::SetBkMode(reinterpret_cast<win::HDC>(WParam), win::TRANSPARENT);
      win::SetTextColor(reinterpret_cast<win::HDC>(WParam), RGB(0, 0, 0));
      return reinterpret_cast<std::intptr_t>(background_);
    case win::WM_SIZE:
      Layout(Dialog);
      RecordPlacement(Dialog);
      return 0;
    case win::WM_MOVE:
      RecordPlacement(Dialog);
      return 0;
    case win::WM_TIMER:
      if (WParam == kPaintWatchdogTimer) {
        gui.KillTimer(Dialog, kPaintWatchdogTimer);
        if (!state.DialogPainted) gui.EndDialog(Dialog, 0);
      } else if (WParam == kAutoCloseTimer) {
        if (auto_close_.Tick()) gui.PostMessage(Dialog, win::WM_CLOSE, 0, 0);
      } else if (WParam == kKeepInFrontTimer) {
        KeepInFront(Dialog, state.StayOnTop);
      }
      return 1;
    case win::WM_DESTROY:
      Destroy(Dialog);
      return 0;
    default:
      return 0;
  }
}

}  // namespace

void ShowExceptionDialog() {
  TCrashGui& gui = CrashGui();
  if (!gui.HasDisplay()) return;
  TCrashDialogState& state = DialogState();
  TCrashProcessState& s = CrashState();
  const win::HWND foreground = gui.ForegroundWindow();
  state.Window = nullptr;
  gui.Beep();
  for (;;) {
    TExceptionDialog dialog(CurrentCrashLogOptions());
    state.DialogPainted = false;
    gui.DialogBox("CR_Dialog", [&dialog](win::HWND Dialog, win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam) {
      return dialog.Proc(Dialog, Msg, WParam, LParam);
    });
    const bool painted = state.DialogPainted;
    if (!painted)
      CrashMessageBox(GetExceptionMessageText(), dialog.Text(2), win::MB_ICONERROR | win::MB_TASKMODAL | win::MB_TOPMOST);
    if (!s.TerminateRequested) break;
    ClearInternalWarning();
    CallInRaisingThread([&] {
      bool execute = s.TerminateRequested;
      FireExceptionActionNotify(CurrentExceptionRecord(), atTerminating, execute);
      s.TerminateRequested = execute;
    });
    if (!painted) ShowInternalWarning(eeShowError, "Cannot show the DialogBox window.");
    if (s.TerminateRequested) break;
  }
  state.DialogPainted = false;
  if (foreground) gui.SetForegroundWindow(foreground);
}

}  // namespace lab
