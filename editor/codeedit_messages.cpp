// Window messages, the caret and the scroll bars: the messages the editor answers itself, the system
// caret and the scroll bars kept in step with the editor's state, the scroll hint, the mouse cursor,
// the wheel and the double click.

#include <algorithm>
#include <cstring>
#include <memory>

#include "editor/codeedit.h"
#include "platform/controls/application.h"
#include "platform/controls/drop_files.h"
#include "platform/controls/hint_window.h"
#include "platform/controls/mouse.h"
#include "platform/controls/screen.h"
#include "platform/graphics/system_metrics.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/format.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/utf8.h"
#include "platform/win/window_functions.h"

namespace lab {

using namespace lab::win;

namespace {

// The scroll hint: one window for every editor of the program, made on first use.
THintWindow* ScrollHint() {
  static THintWindow* hint = nullptr;
  if (!hint) hint = new THintWindow(Application);
  return hint;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Window procedure

void TCustomCodeEdit::WndProc(TMessage& Message) {
  // Alt+Backspace is the undo key here, not a menu key.
  if (Message.Msg == WM_SYSCHAR && Message.WParam == 8 && (Message.LParam & (LPARAM{1} << 29))) {
    Message.Msg = 0;
    return;
  }
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      WMGetDlgCode(Message);
      return;
    case WM_GETTEXT:
      WMGetText(Message);
      return;
    case WM_GETTEXTLENGTH:
      WMGetTextLength(Message);
      return;
    case WM_SETTEXT:
      WMSetText(Message);
      return;
    case WM_COPY:
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
    case WM_UNDO:
      WMClipboard(Message);
      return;
    case WM_ERASEBKGND:
      Message.Result = 1;  // painting covers the whole client area
      return;
    case WM_SIZE:
      TCustomControl::WndProc(Message);
      WMSize(Message);
      return;
    case WM_SETFOCUS:
      TCustomControl::WndProc(Message);
      WMSetFocus(Message);
      return;
    case WM_KILLFOCUS:
      TCustomControl::WndProc(Message);
      WMKillFocus(Message);
      return;
    case WM_CAPTURECHANGED:
      scroll_timer_->SetEnabled(false);
      TCustomControl::WndProc(Message);
      return;
    case WM_CANCELMODE:
      return;
    case WM_DROPFILES:
      WMDropFiles(Message);
      return;
    case WM_HSCROLL:
      WMHScroll(Message);
      if (OnScroll) OnScroll(this, sbHorizontal);
      return;
    case WM_VSCROLL:
      WMVScroll(Message);
      if (OnScroll) OnScroll(this, sbVertical);
      return;
    case WM_SETCURSOR:
      if (LOWORD(static_cast<std::uintptr_t>(Message.LParam)) == HTCLIENT &&
          reinterpret_cast<HWND>(Message.WParam) == Handle() && !ComponentState().Contains(csDesigning)) {
        UpdateMouseCursor();
        Message.Result = 1;
        return;
      }
      break;
    default:
      break;
  }
  TCustomControl::WndProc(Message);
}

void TCustomCodeEdit::WMGetDlgCode(TMessage& Message) {
  TCustomControl::WndProc(Message);
  Message.Result |= DLGC_WANTARROWS | DLGC_WANTCHARS;
  if (want_tabs_) Message.Result |= DLGC_WANTTAB;
  if (want_returns_) Message.Result |= DLGC_WANTALLKEYS;
}

void TCustomCodeEdit::WMGetText(TMessage& Message) {
  const std::string text = Text();
  const auto size = static_cast<std::size_t>(Message.WParam);
  char* buffer = reinterpret_cast<char*>(Message.LParam);
  if (!buffer || size == 0) {
    Message.Result = 0;
    return;
  }
  // At most size - 1 bytes, never a code point cut in two, and the terminator.
  std::size_t n = std::min(text.size(), size - 1);
  while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  Message.Result = static_cast<LRESULT>(n);
}

void TCustomCodeEdit::WMGetTextLength(TMessage& Message) { Message.Result = static_cast<LRESULT>(Text().size()); }

void TCustomCodeEdit::WMSetText(TMessage& Message) {
  const char* text = reinterpret_cast<const char*>(Message.LParam);
  Message.Result = -1;
  SetText(text ? std::string(text) : std::string());
}

void TCustomCodeEdit::WMClipboard(TMessage& Message) {
  switch (Message.Msg) {
    case WM_COPY:
      CopyToClipboard();
      Message.Result = 1;
      break;
    case WM_CUT:
      if (!ReadOnly()) CutToClipboard();
      Message.Result = 1;
      break;
    case WM_PASTE:
      if (!ReadOnly()) PasteFromClipboard();
      Message.Result = 1;
      break;
    case WM_CLEAR:
      if (!ReadOnly()) ReplaceSelectionUndoable(U"");
      break;
    case WM_UNDO:
      Undo();
      break;
    default:
      break;
  }
}

void TCustomCodeEdit::WMSize(TMessage& /*Message*/) { SizeOrFontChanged(false); }

void TCustomCodeEdit::WMSetFocus(TMessage& /*Message*/) {
  CommandProcessor(480, U'\0', nullptr);  // focus gained: hooked handlers and events see it
  InitializeCaret();
  if (hide_selection_ && SelAvail()) InvalidateSelection();
}

void TCustomCodeEdit::WMKillFocus(TMessage& /*Message*/) {
  CommandProcessor(481, U'\0', nullptr);  // focus lost
  if (HandleAllocated() && GetFocus() == Handle()) return;
  HideCaret();
  DestroyCaret();
  if (hide_selection_ && SelAvail()) InvalidateSelection();
}

// ---------------------------------------------------------------------------------------------
// Scrolling messages

void TCustomCodeEdit::WMHScroll(TMessage& Message) {
  const int range =
      options_.Contains(eoScrollPastEol) ? max_scroll_width_ : std::max(SaturateCast<int>(lines_->LengthOfLongestLine()), 1);
  switch (Message.WParamLo()) {
    case SB_LINELEFT:
      SetLeftChar(left_char_ - 1);
      break;
    case SB_LINERIGHT:
      SetLeftChar(left_char_ + 1);
      break;
    case SB_PAGELEFT:
      SetLeftChar(left_char_ - (chars_in_window_ - (options_.Contains(eoScrollByOneLess) ? 1 : 0)));
      break;
    case SB_PAGERIGHT:
      SetLeftChar(left_char_ + (chars_in_window_ - (options_.Contains(eoScrollByOneLess) ? 1 : 0)));
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      is_scrolling_ = true;
      int position = static_cast<int>(Message.WParamHi());
      if (range > 32767) position = MulDiv(range, position, 32767);
      SetLeftChar(position);
      break;
    }
    case SB_LEFT:
      SetLeftChar(1);
      break;
    case SB_RIGHT:
      SetLeftChar(options_.Contains(eoScrollPastEol) ? max_scroll_width_ - chars_in_window_ + 1
                                                     : SaturateCast<int>(lines_->LengthOfLongestLine()));
      break;
    case SB_ENDSCROLL:
      is_scrolling_ = false;
      break;
    default:
      break;
  }
}

void TCustomCodeEdit::WMVScroll(TMessage& Message) {
  const int rows = DisplayRowCount();
  const int page = lines_in_window_ - (options_.Contains(eoScrollByOneLess) ? 1 : 0);
  switch (Message.WParamLo()) {
    case SB_LINEUP:
      SetTopLine(top_line_ - 1);
      break;
    case SB_LINEDOWN:
      SetTopLine(top_line_ + 1);
      break;
    case SB_PAGEUP:
      SetTopLine(top_line_ - page);
      break;
    case SB_PAGEDOWN:
      SetTopLine(top_line_ + page);
      break;
    case SB_TOP:
      SetTopLine(1);
      break;
    case SB_BOTTOM:
      SetTopLine(rows);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      is_scrolling_ = true;
      int position = static_cast<int>(Message.WParamHi());
      if (rows > 32767) position = MulDiv(rows + lines_in_window_ - 1, position, 32767);
      SetTopLine(position);
      if (options_.Contains(eoShowScrollHint)) {
        THintWindow* hint = ScrollHint();
        hint->SetColor(scroll_hint_color_);
        std::string text;
        if (scroll_hint_format_ == shfTopLineOnly)
          text = Format("Top Line: %d", RowToLine(top_line_));
        else
          text = Format("%d - %d", RowToLine(top_line_),
                        RowToLine(top_line_ + std::min(lines_in_window_, rows - top_line_)));
        if (text.size() > 255) text.resize(255);
        TRect rect = hint->CalcHintRect(200, text, nullptr);
        const TPoint origin = ClientToScreen({ClientWidth() - rect.Width() - 4, 0});
        int y = 10;
        if (options_.Contains(eoScrollHintFollows)) {
          const int arrow = GetSystemMetrics(SM_CYVSCROLL);
          // The thumb's place along the track, in the bar's own range.
          const int bar_max = rows > 32767 ? 32767 : std::max(1, rows + lines_in_window_ - 1);
          y = arrow +
              static_cast<int>(Round(static_cast<double>(ClientHeight() - 2 * arrow) * Message.WParamHi() / bar_max)) +
              rect.Height() / 2;
        }
        rect = lab::OffsetRect(rect, origin.X, ClientToScreen({0, y}).Y);
        hint->ActivateHint(rect, text);
      }
      break;
    }
    case SB_ENDSCROLL:
      is_scrolling_ = false;
      if (options_.Contains(eoShowScrollHint)) ScrollHint()->ReleaseHandle();
      break;
    default:
      break;
  }
  Update();
}

bool TCustomCodeEdit::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  if (ComponentState().Contains(csDesigning)) return false;
  // The wheel events first; a handler that takes the wheel step keeps the text where it is.
  if (TCustomControl::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  int step;
  if (Shift.Contains(ssCtrl))
    step = options_.Contains(eoHalfPageScroll) ? lines_in_window_ / 2 : lines_in_window_;
  else
    step = Mouse->WheelScrollLines();
  if (step == -1 || step > lines_in_window_) step = lines_in_window_;
  mouse_wheel_accumulator_ += WheelDelta;
  const int notches = mouse_wheel_accumulator_ / WHEEL_DELTA;
  mouse_wheel_accumulator_ %= WHEEL_DELTA;
  SetTopLine(SaturateCast<int>(std::int64_t{top_line_} - std::int64_t{step} * notches));
  Update();
  if (OnScroll) OnScroll(this, sbVertical);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Scroll bars

void TCustomCodeEdit::UpdateScrollBars() {
  if (paint_lock_ > 0 || !HandleAllocated()) {
    state_flags_.Include(sfScrollbarChanged);
    return;
  }
  state_flags_.Exclude(sfScrollbarChanged);
  const HWND hwnd = Handle();
  if (scroll_bars_ == ssNone) {
    ShowScrollBar(hwnd, SB_BOTH, false);
    applied_scroll_bars_ = {};
    return;
  }
  const bool hide_show = options_.Contains(eoHideShowScrollbars);
  const bool disable_arrows = options_.Contains(eoDisableScrollArrows);
  auto apply = [&](int bar, int range, int page, int position, bool arrows_at_ends, bool nothing_after) {
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (!hide_show) info.fMask |= SIF_DISABLENOSCROLL;
    if (range > 32767) {
      info.nMin = 0;
      info.nMax = 32767;
      info.nPage = static_cast<UINT>(std::max(0, MulDiv(32767, page, range)));
      info.nPos = MulDiv(32767, position, range);
    } else {
      info.nMin = 1;
      info.nMax = std::max(1, range);
      info.nPage = static_cast<UINT>(std::max(0, page));
      info.nPos = position;
    }
    const bool shown = !hide_show || info.nMin != 1 || range > page;
    UINT disabled = ESB_ENABLE_BOTH;
    if (disable_arrows || range <= page) {
      if (position < 2 && range <= position + page - 1)
        disabled = ESB_DISABLE_BOTH;
      else if (position < 2)
        disabled = ESB_DISABLE_LEFT;
      else if (arrows_at_ends && nothing_after)
        disabled = ESB_DISABLE_RIGHT;
    }
    // A bar that already shows all this is left alone: every caret move asks for the bars, and
    // drawing them again would cost more than the line typed.
    TAppliedScrollBar& applied = applied_scroll_bars_[bar == SB_HORZ ? 0 : 1];
    SCROLLINFO now;
    now.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (applied.valid && applied.shown == shown && applied.disabled == disabled && applied.mask == info.fMask &&
        GetScrollInfo(hwnd, bar, now) && now.nMin == info.nMin && now.nMax == info.nMax && now.nPage == info.nPage &&
        now.nPos == info.nPos)
      return;
    ShowScrollBar(hwnd, bar, shown);
    SetScrollInfo(hwnd, bar, info, true);
    EnableScrollBar(hwnd, bar, disabled);
    applied = {true, shown, disabled, info.fMask};
  };
  if ((scroll_bars_ == ssBoth || scroll_bars_ == ssHorizontal) && !word_wrap_plugin_) {
    const int range =
        options_.Contains(eoScrollPastEol) ? max_scroll_width_ : std::max(SaturateCast<int>(lines_->LengthOfLongestLine()), 1);
    apply(SB_HORZ, range, chars_in_window_, left_char_, true,
          std::int64_t{left_char_} + chars_in_window_ > range);
  } else {
    ShowScrollBar(hwnd, SB_HORZ, false);
    applied_scroll_bars_[0] = {};
  }
  if (scroll_bars_ == ssBoth || scroll_bars_ == ssVertical) {
    int range = DisplayRowCount();
    if (options_.Contains(eoScrollPastEof)) range += lines_in_window_ - 1;
    apply(SB_VERT, range, lines_in_window_, top_line_, true,
          std::int64_t{top_line_} + lines_in_window_ - 1 == DisplayRowCount());
  } else {
    ShowScrollBar(hwnd, SB_VERT, false);
    applied_scroll_bars_[1] = {};
  }
}

// ---------------------------------------------------------------------------------------------
// The caret

void TCustomCodeEdit::InitializeCaret() {
  const TCodeEditCaretType shape = insert_mode_ ? insert_caret_ : overwrite_caret_;
  int width = 2, height = std::max(1, text_height_ - 2);
  switch (shape) {
    case ctVerticalLine:
      caret_offset_ = {-1, 0};
      break;
    case ctHorizontalLine:
      width = char_width_;
      height = 2;
      caret_offset_ = {0, text_height_ - 2};
      break;
    case ctHalfBlock:
      width = char_width_;
      height = std::max(1, (text_height_ - 2) / 2);
      caret_offset_ = {0, height};
      break;
    case ctBlock:
      width = char_width_;
      caret_offset_ = {0, 0};
      break;
  }
  state_flags_.Exclude(sfCaretVisible);
  if (HandleAllocated() && GetFocus() == Handle()) {
    CreateCaret(Handle(), nullptr, width, height);
    UpdateCaret();
  }
}

void TCustomCodeEdit::HideCaret() {
  if (!state_flags_.Contains(sfCaretVisible)) return;
  if (HandleAllocated() && win::HideCaret(Handle())) state_flags_.Exclude(sfCaretVisible);
}

void TCustomCodeEdit::ShowCaret() {
  if (options_.Contains(eoNoCaret) || caret_waits_for_paint_ || state_flags_.Contains(sfCaretVisible)) return;
  if (HandleAllocated() && win::ShowCaret(Handle())) state_flags_.Include(sfCaretVisible);
}

void TCustomCodeEdit::UpdateCaret() {
  if (paint_lock_ > 0 || !HandleAllocated() || GetFocus() != Handle()) {
    state_flags_.Include(sfCaretChanged);
    return;
  }
  state_flags_.Exclude(sfCaretChanged);
  const TPoint p = RowColumnToPixels(DisplayXY());
  // (Far off screen the pixels stand at the ends of the int range.)
  const int x = SaturateCast<int>(std::int64_t{p.X} + caret_offset_.X);
  const int y = SaturateCast<int>(std::int64_t{p.Y} + caret_offset_.Y + 1);
  const TRect client = ClientRect();
  const bool on_screen = x >= gutter_width_ && x < client.Right && y >= client.Top && y < client.Bottom;
  if (caret_waits_for_paint_) {
    // Off the screen until the paint that its cell, invalidated once, asks for places it.
    HideCaret();
    if (on_screen && !caret_paint_asked_) {
      caret_paint_asked_ = true;
      InvalidateRect({x - 1, p.Y, x + char_width_ + 1, p.Y + text_height_}, false);
    }
    return;
  }
  if (on_screen) {
    SetCaretPos(x, y);
    ShowCaret();
  } else {
    HideCaret();
    SetCaretPos(x, y);
  }
}

// ---------------------------------------------------------------------------------------------
// Size and font

void TCustomCodeEdit::SizeOrFontChanged(bool FontChanged) {
  if (!HandleAllocated() || char_width_ <= 0) return;
  chars_in_window_ = std::max(0, (ClientWidth() - gutter_width_ - 2) / char_width_);
  lines_in_window_ = std::max(0, ClientHeight() / text_height_);
  if (word_wrap_plugin_) {
    word_wrap_plugin_->DisplayChanged();
    Invalidate();
  }
  if (FontChanged) {
    if (gutter_->ShowLineNumbers())
      GutterChanged(gutter_.get());
    else
      UpdateScrollBars();
    InitializeCaret();
    state_flags_.Exclude(sfCaretChanged);
    Invalidate();
  } else {
    UpdateScrollBars();
  }
  state_flags_.Exclude(sfScrollbarChanged);
  if (!options_.Contains(eoScrollPastEol)) SetLeftChar(left_char_);
  if (!options_.Contains(eoScrollPastEof)) SetTopLine(top_line_);
}

void TCustomCodeEdit::CreateWnd() {
  TCustomControl::CreateWnd();
  applied_scroll_bars_ = {};
  if (options_.Contains(eoDropFiles) && !ComponentState().Contains(csDesigning)) DragAcceptFiles(Handle(), true);
  SizeOrFontChanged(false);
  UpdateScrollBars();
}

void TCustomCodeEdit::DestroyWnd() {
  if (options_.Contains(eoDropFiles) && !ComponentState().Contains(csDesigning)) DragAcceptFiles(Handle(), false);
  TCustomControl::DestroyWnd();
}

void TCustomCodeEdit::WMDropFiles(TMessage& Message) {
  const auto drop = reinterpret_cast<HDROP>(Message.WParam);
  TScopeExit finish([&] { DragFinish(drop); });
  Message.Result = 0;
  if (!OnDropFiles) return;
  TStringList files;
  const UINT count = DragQueryFileCount(drop);
  for (UINT i = 0; i < count; ++i) files.Add(DragQueryFile(drop, i));
  POINT at{};
  DragQueryPoint(drop, at);
  OnDropFiles(this, at.X, at.Y, &files);
}

// ---------------------------------------------------------------------------------------------
// The mouse cursor and the double click

void TCustomCodeEdit::UpdateMouseCursor() {
  TPoint p;
  GetCursorPos(p);
  p = ScreenToClient(p);
  TCursor cursor;
  if (p.X < gutter_width_) {
    cursor = gutter_->Cursor();
  } else {
    const TBufferCoord position = DisplayToBufferPos(PixelsToRowColumn(p.X, p.Y));
    cursor = Cursor();
    if (options_.Contains(eoDragDropEditing) && !MouseCapture() && IsPointInSelection(position)) cursor = crArrow;
    if (OnMouseCursor) OnMouseCursor(this, position, cursor);
    kbd_handler_->ExecuteMouseCursor(this, position, cursor);
  }
  wm::SetCursor(Screen->Cursors(cursor));
}

void TCustomCodeEdit::DblClick() {
  TPoint p;
  GetCursorPos(p);
  p = ScreenToClient(p);
  if (p.X >= gutter_width_ + 2) {
    if (!options_.Contains(eoNoSelection)) SelectWordAt(CaretXY());
    TCustomControl::DblClick();
    state_flags_.Include(sfDblClicked);
    SetMouseCapture(false);
  } else {
    TCustomControl::DblClick();
  }
}

}  // namespace lab
