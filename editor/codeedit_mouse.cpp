// Mouse input, drag-scrolling and repaint requests: presses, moves and releases in the text and the
// gutter (caret placement, selecting by dragging, the start of dragging the selection, gutter
// clicks), scrolling on a timer while the mouse is held outside the text, and the requests that
// repaint ranges of lines.

#include <algorithm>
#include <cstdint>

#include "editor/codeedit.h"
#include "platform/graphics/system_metrics.h"
#include "platform/rtl/scope_exit.h"
#include "platform/win/window_functions.h"

namespace lab {

using namespace lab::win;

// ---------------------------------------------------------------------------------------------
// Pressing, moving, releasing

void TCustomCodeEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const TBufferCoord old_begin = block_begin_;
  const TBufferCoord old_end = block_end_;
  bool had_selection = false;
  if (Button == mbLeft && SelAvail()) {
    had_selection = true;
    mouse_down_x_ = X;
    mouse_down_y_ = Y;
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button == mbLeft && Shift.Contains(ssDouble)) return;
  kbd_handler_->ExecuteMouseDown(this, Button, Shift, X, Y);
  if (Button == mbLeft) {
    ComputeCaret(X, Y);
  } else if (Button == mbRight) {
    if (!options_.Contains(eoRightMouseMovesCursor)) {
      if (X < gutter_width_) DoOnGutterClick(Button, X, Y);
      return;
    }
    const TBufferCoord point = DisplayToBufferPos(PixelsToRowColumn(X, Y));
    if (SelAvail() && IsPointInSelection(point)) return;
    InvalidateSelection();
    block_end_ = block_begin_;
    ComputeCaret(X, Y);
  }
  if (Button == mbLeft) {
    block_begin_ = old_begin;
    block_end_ = old_end;
    SetMouseCapture(true);
    state_flags_.Exclude(sfWaitForDragging);
    // The pressed point decides, not the caret: a press on the right half of the selection's last
    // character puts the caret after it, outside.
    if (had_selection && options_.Contains(eoDragDropEditing) && X > gutter_width_ + 2 &&
        selection_mode_ == smNormal && IsPointInSelection(DisplayToBufferPos(PixelsToRowColumn(X, Y)))) {
      // A drag of the selection may start; nothing else changes yet.
      state_flags_.Include(sfWaitForDragging);
    }
  }
  if (!state_flags_.Contains(sfWaitForDragging) && !state_flags_.Contains(sfDblClicked)) {
    if (Shift.Contains(ssShift)) {
      SetBlockEnd(CaretXY());
    } else {
      if (options_.Contains(eoAltSetsColumnMode) && active_selection_mode_ != smLine)
        SetActiveSelectionMode(Shift.Contains(ssAlt) ? smColumn : smNormal);
      SetBlockBegin(CaretXY());
    }
  }
  if (X < gutter_width_) {
    state_flags_.Include(sfPossibleGutterClick);
    if (Button == mbRight) DoOnGutterClick(Button, X, Y);
  }
  SetFocus();
}

void TCustomCodeEdit::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  if (MouseCapture() && state_flags_.Contains(sfWaitForDragging)) {
    if (std::abs(mouse_down_x_ - X) >= GetSystemMetrics(SM_CXDRAG) ||
        std::abs(mouse_down_y_ - Y) >= GetSystemMetrics(SM_CYDRAG)) {
      state_flags_.Exclude(sfWaitForDragging);
      // The mouse has passed the threshold already: the drag starts here, at this move.
      BeginDrag(true);
    }
    return;
  }
  if (!Shift.Contains(ssLeft) || !MouseCapture()) return;
  ComputeScroll(X, Y);
  TDisplayCoord p = PixelsToNearestRowColumn(X, Y);
  p.Row = std::clamp(p.Row, 1, std::max(1, DisplayRowCount()));
  if (scroll_delta_x_ != 0) p.Column = scroll_delta_x_ < 0 ? left_char_ : left_char_ + chars_in_window_;
  if (scroll_delta_y_ != 0)
    p.Row = std::clamp(scroll_delta_y_ < 0 ? top_line_ : top_line_ + lines_in_window_ - 1, 1,
                       std::max(1, DisplayRowCount()));
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  InternalSetCaretXY(DisplayToBufferPos(p));
  SetBlockEnd(CaretXY());
  if (state_flags_.Contains(sfPossibleGutterClick) && block_begin_.Line != caret_y_)
    state_flags_.Include(sfGutterDragging);
}

void TCustomCodeEdit::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  kbd_handler_->ExecuteMouseUp(this, Button, Shift, X, Y);
  scroll_timer_->SetEnabled(false);
  // The pop-up menu takes a right click of its own.
  const TShiftState buttons = Shift * TShiftState{ssLeft, ssRight, ssMiddle};
  if (Button == mbRight && buttons == TShiftState{ssRight} && PopupMenu()) return;
  SetMouseCapture(false);
  if (state_flags_.Contains(sfPossibleGutterClick) && X < gutter_width_ && Button != mbRight) {
    DoOnGutterClick(Button, X, Y);
    state_flags_ -= TCodeStateFlags{sfDblClicked, sfPossibleGutterClick, sfGutterDragging};
    return;
  }
  if (state_flags_.Contains(sfWaitForDragging) && !state_flags_.Contains(sfDblClicked)) {
    // Pressed inside the selection and let go without dragging: the caret goes there.
    ComputeCaret(X, Y);
    if (!Shift.Contains(ssShift)) SetBlockBegin(CaretXY());
    SetBlockEnd(CaretXY());
    state_flags_.Exclude(sfWaitForDragging);
  }
  state_flags_ -= TCodeStateFlags{sfDblClicked, sfPossibleGutterClick, sfGutterDragging};
}

// ---------------------------------------------------------------------------------------------
// Scrolling while the mouse is held outside the text

void TCustomCodeEdit::ComputeScroll(int X, int Y) {
  if (!MouseCapture() && !Dragging()) {
    scroll_timer_->SetEnabled(false);
    return;
  }
  TRect bounds{gutter_width_, 0, gutter_width_ + chars_in_window_ * char_width_, lines_in_window_ * text_height_};
  if (BorderStyle() == bsNone) bounds = lab::InflateRect(bounds, -2, -2);
  if (X < bounds.Left)
    scroll_delta_x_ = (X - bounds.Left) / char_width_ - 1;
  else if (X >= bounds.Right)
    scroll_delta_x_ = (X - bounds.Right) / char_width_ + 1;
  else
    scroll_delta_x_ = 0;
  if (Y < bounds.Top)
    scroll_delta_y_ = (Y - bounds.Top) / text_height_ - 1;
  else if (Y >= bounds.Bottom)
    scroll_delta_y_ = (Y - bounds.Bottom) / text_height_ + 1;
  else
    scroll_delta_y_ = 0;
  scroll_timer_->SetEnabled(scroll_delta_x_ != 0 || scroll_delta_y_ != 0);
}

void TCustomCodeEdit::ScrollTimerHandler(TObject* /*Sender*/) {
  TPoint p;
  GetCursorPos(p);
  p = ScreenToClient(p);
  TDisplayCoord d = PixelsToRowColumn(p.X, p.Y);
  d.Row = std::clamp(d.Row, 1, std::max(1, DisplayRowCount()));
  if (scroll_delta_x_ != 0) {
    SetLeftChar(left_char_ + scroll_delta_x_);
    d.Column = left_char_ + (scroll_delta_x_ > 0 ? chars_in_window_ : 0);
  }
  if (scroll_delta_y_ != 0) {
    const bool pages = GetKeyState(VK_SHIFT) < 0;
    SetTopLine(top_line_ + (pages ? scroll_delta_y_ * lines_in_window_ : scroll_delta_y_));
    d.Row = std::clamp(top_line_ + (scroll_delta_y_ > 0 ? lines_in_window_ - 1 : 0), 1, std::max(1, DisplayRowCount()));
  }
  const TBufferCoord target = DisplayToBufferPos(d);
  if (target != CaretXY()) {
    BeginUpdate();
    TScopeExit end_update([&] { EndUpdate(); });
    InternalSetCaretXY(target);
    if (MouseCapture()) SetBlockEnd(CaretXY());
  }
  ComputeScroll(p.X, p.Y);
}

// ---------------------------------------------------------------------------------------------
// Repaint requests

void TCustomCodeEdit::InvalidateGutter() { InvalidateGutterLines(-1, -1); }

void TCustomCodeEdit::InvalidateGutterLines(int FirstLine, int LastLine) {
  if (!Visible() || !HandleAllocated()) return;
  TRect rect;
  if (FirstLine == -1 && LastLine == -1) {
    rect = {0, 0, gutter_width_, ClientHeight()};
  } else {
    if (LastLine < FirstLine) std::swap(FirstLine, LastLine);
    int first = FirstLine, last = LastLine;
    if (word_wrap_plugin_) {
      first = LineToRow(FirstLine);
      last = LastLine > lines_->Count() ? top_line_ + lines_in_window_ : LineToRow(LastLine);
    }
    first = std::max(first, top_line_);
    last = std::min(last, top_line_ + lines_in_window_);
    if (last < first) return;
    rect = {0, static_cast<int>((std::int64_t{first} - top_line_) * text_height_), gutter_width_,
            static_cast<int>((std::int64_t{last} - top_line_ + 1) * text_height_)};
  }
  // While painting waits, the areas are gathered and invalidated once.
  if (state_flags_.Contains(sfLinesChanging) || paint_lock_ > 0)
    pending_repaint_rect_ = UnionRect(pending_repaint_rect_, rect);
  else
    InvalidateRect(rect, false);
}

void TCustomCodeEdit::InvalidateLines(int FirstLine, int LastLine) {
  if (!Visible() || !HandleAllocated()) return;
  TRect rect;
  if (FirstLine == -1 && LastLine == -1) {
    rect = ClientRect();
    rect.Left = gutter_width_;
  } else {
    FirstLine = std::max(FirstLine, 1);
    LastLine = std::max(LastLine, 1);
    if (LastLine < FirstLine) std::swap(FirstLine, LastLine);
    int first = FirstLine, last;
    if (LastLine >= lines_->Count()) {
      last = top_line_ + lines_in_window_;  // down to the bottom of the window
      if (word_wrap_plugin_) first = LineToRow(std::min(FirstLine, std::max(1, lines_->Count())));
      if (FirstLine > lines_->Count() && word_wrap_plugin_) first = DisplayRowCount() + FirstLine - lines_->Count();
    } else if (word_wrap_plugin_) {
      first = LineToRow(FirstLine);
      last = LineToRow(LastLine + 1) - 1;  // the last row of the last line
    } else {
      last = LastLine;
    }
    first = std::max(first, top_line_);
    last = std::min(last, top_line_ + lines_in_window_);
    if (last < first) return;
    // To the window's right edge: invalidating clips it to the client area, which would cost a
    // window lookup here for every change.
    rect = {gutter_width_, static_cast<int>((std::int64_t{first} - top_line_) * text_height_), Width(),
            static_cast<int>((std::int64_t{last} - top_line_ + 1) * text_height_)};
  }
  // While painting waits, the areas are gathered and invalidated once.
  if (state_flags_.Contains(sfLinesChanging) || paint_lock_ > 0)
    pending_repaint_rect_ = UnionRect(pending_repaint_rect_, rect);
  else
    InvalidateRect(rect, false);
}

void TCustomCodeEdit::FlushPendingRepaint() {
  if (pending_repaint_rect_.IsEmpty()) return;
  const TRect pending = pending_repaint_rect_;
  pending_repaint_rect_ = TRect{};
  InvalidateRect(pending, false);
}

void TCustomCodeEdit::InvalidateSelection() {
  InvalidateLines(NormalizedBlockBegin().Line, NormalizedBlockEnd().Line);
}

}  // namespace lab
