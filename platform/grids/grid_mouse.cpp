// TCustomGrid: the mouse. A press selects a cell (or starts a range selection, an edit, a column or
// row size or move); moves while a button is held extend the selection or follow the size or move
// (scrolling on a timer when the mouse is outside the cells); the release finishes what the press
// started.
#include "platform/controls/forms.h"
#include "platform/controls/message_queue.h"
#include "platform/controls/scroll_info.h"
#include "platform/grids/grids.h"
#include "platform/grids/inplace_edit.h"

namespace lab {

namespace {

constexpr win::UINT_PTR kScrollTimer = 1;
constexpr win::UINT kScrollInterval = 60;

}  // namespace

void TCustomGrid::StartTimer() {
  if (!HandleAllocated()) return;
  wm::SetTimer(Handle(), kScrollTimer, kScrollInterval, nullptr);
  timer_on_ = true;
}

void TCustomGrid::StopTimer() {
  if (timer_on_ && HandleAllocated()) wm::KillTimer(Handle(), kScrollTimer);
  timer_on_ = false;
}

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  last_mouse_ = {X, Y};
  if (CanFocus()) {
    SetFocus();
    // A handler that moved the focus elsewhere cancels the press.
    if (!IsActiveControl()) {
      SetMouseCapture(false);
      return;
    }
  }
  if (Button == mbLeft && Shift.Contains(ssDouble)) {
    DblClick();
  } else if (Button == mbLeft) {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridState state = gsNormal;
    int index = -1, pos = 0, ofs = 0;
    CalcSizingState(X, Y, state, index, pos, ofs, di);
    if (state != gsNormal) {
      grid_state_ = state;
      sizing_ = {state, index, pos, ofs};
      DrawSizingLine(di);
    } else {
      const TGridCoord hit = CellAtPoint(di, X, Y);
      if (hit.X >= FixedCols() && hit.Y >= FixedRows()) {
        if (Options().Contains(goEditing)) {
          if (hit == layout_.Current) {
            ShowEditor();
          } else {
            MoveCurrent(hit.X, hit.Y, true, true);
            UpdateEdit();
          }
          Click();
        } else {
          grid_state_ = gsSelecting;
          StartTimer();
          if (Shift.Contains(ssShift))
            MoveAnchor(hit);
          else
            MoveCurrent(hit.X, hit.Y, true, true);
        }
      } else if (Options().Contains(goRowMoving) && hit.X >= 0 && hit.X < FixedCols() &&
                 hit.Y >= FixedRows()) {
        move_index_ = move_pos_ = hit.Y;
        if (BeginRowDrag(move_index_, move_pos_, {X, Y})) {
          grid_state_ = gsRowMoving;
          Update();
          DrawMove();
          move_drawn_ = true;
          StartTimer();
        }
      } else if (Options().Contains(goColMoving) && hit.Y >= 0 && hit.Y < FixedRows() &&
                 hit.X >= FixedCols()) {
        move_index_ = move_pos_ = hit.X;
        if (BeginColumnDrag(move_index_, move_pos_, {X, Y})) {
          grid_state_ = gsColMoving;
          Update();
          DrawMove();
          move_drawn_ = true;
          StartTimer();
        }
      }
    }
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomGrid::MoveAndScroll(int Mouse, int CellHit, TGridDrawInfo& DrawInfo, bool Vertical,
                                TPoint MousePt) {
  TGridAxisDrawInfo* a = Vertical ? &DrawInfo.Vert : &DrawInfo.Horz;
  if (CellHit == move_pos_) return;
  // Already at the first or last place and the mouse beyond it: nothing changes.
  if (move_pos_ == a->FixedCellCount && Mouse < a->FixedBoundary) return;
  if (move_pos_ == a->GridCellCount - 1 && Mouse > a->GridBoundary) return;
  if (move_drawn_) DrawMove();
  move_drawn_ = false;
  if (Mouse < a->FixedBoundary) {
    if (move_pos_ > a->FixedCellCount && a->FirstGridCell > a->FixedCellCount) {
      ModifyScrollBar(Vertical ? win::SB_VERT : win::SB_HORZ, win::SB_LINEUP, 0);
      Update();
      CalcDrawInfo(DrawInfo);
      a = Vertical ? &DrawInfo.Vert : &DrawInfo.Horz;
    }
    CellHit = a->FirstGridCell;
  } else if (Mouse >= a->FullVisBoundary) {
    if (move_pos_ == a->LastFullVisibleCell && move_pos_ < a->GridCellCount - 1) {
      ModifyScrollBar(Vertical ? win::SB_VERT : win::SB_HORZ, win::SB_LINEDOWN, 0);
      Update();
      CalcDrawInfo(DrawInfo);
      a = Vertical ? &DrawInfo.Vert : &DrawInfo.Horz;
    }
    CellHit = a->LastFullVisibleCell;
  } else if (CellHit < 0) {
    CellHit = move_pos_;
  }
  if (grid_state_ == gsColMoving ? CheckColumnDrag(move_index_, CellHit, MousePt)
                                : CheckRowDrag(move_index_, CellHit, MousePt))
    move_pos_ = CellHit;
  DrawMove();
  move_drawn_ = true;
}

void TCustomGrid::MouseMove(TShiftState Shift, int X, int Y) {
  last_mouse_ = {X, Y};
  TGridDrawInfo di;
  CalcDrawInfo(di);
  switch (grid_state_) {
    case gsSelecting:
    case gsColMoving:
    case gsRowMoving: {
      const TGridCoord hit = CellAtPoint(di, X, Y);
      if (hit.X >= FixedCols() && hit.Y >= FixedRows() && hit.X <= di.Horz.LastFullVisibleCell + 1 &&
          hit.Y <= di.Vert.LastFullVisibleCell + 1) {
        if (grid_state_ == gsSelecting) {
          if (hit != layout_.Anchor) MoveAnchor(hit);
        } else if (grid_state_ == gsColMoving) {
          MoveAndScroll(X, hit.X, di, false, {X, Y});
        } else {
          MoveAndScroll(Y, hit.Y, di, true, {X, Y});
        }
      } else if (grid_state_ == gsColMoving) {
        MoveAndScroll(X, di.Horz.CellAt(X), di, false, {X, Y});
      } else if (grid_state_ == gsRowMoving) {
        MoveAndScroll(Y, di.Vert.CellAt(Y), di, true, {X, Y});
      }
      break;
    }
    case gsRowSizing:
    case gsColSizing:
      DrawSizingLine(di);  // erase
      sizing_.Pos = (grid_state_ == gsRowSizing ? Y : X) + sizing_.Ofs;
      DrawSizingLine(di);
      break;
    default: break;
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  last_mouse_ = {X, Y};
  struct Reset {
    TGridState& state;
    ~Reset() { state = gsNormal; }
  } reset{grid_state_};
  switch (grid_state_) {
    case gsSelecting:
      MouseMove(Shift, X, Y);
      StopTimer();
      UpdateEdit();
      Click();
      break;
    case gsRowSizing:
    case gsColSizing: {
      TGridDrawInfo di;
      CalcDrawInfo(di);
      DrawSizingLine(di);  // erase
      const bool cols = grid_state_ == gsColSizing;
      const int size = TGridLayout::SizedExtent(cols ? di.Horz : di.Vert, sizing_.Index, sizing_.Pos);
      // A cell dragged down to one pixel or less keeps its size.
      if (size > 1) {
        if (cols)
          SetColWidths(sizing_.Index, size);
        else
          SetRowHeights(sizing_.Index, size);
      }
      break;
    }
    case gsColMoving:
    case gsRowMoving: {
      if (move_drawn_) DrawMove();
      move_drawn_ = false;
      StopTimer();
      const TPoint pt{X, Y};
      if (grid_state_ == gsColMoving) {
        if (EndColumnDrag(move_index_, move_pos_, pt)) MoveColumn(move_index_, move_pos_);
      } else if (EndRowDrag(move_index_, move_pos_, pt)) {
        MoveRow(move_index_, move_pos_);
      }
      UpdateEdit();
      break;
    }
    default:
      UpdateEdit();
      break;
  }
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TCustomGrid::HandleTimer() {
  if (grid_state_ != gsSelecting && grid_state_ != gsRowMoving && grid_state_ != gsColMoving) return;
  TGridDrawInfo di;
  CalcDrawInfo(di);
  const TPoint p = last_mouse_;
  switch (grid_state_) {
    case gsColMoving: MoveAndScroll(p.X, di.Horz.CellAt(p.X), di, false, p); break;
    case gsRowMoving: MoveAndScroll(p.Y, di.Vert.CellAt(p.Y), di, true, p); break;
    case gsSelecting: {
      TGridScrollDirections dir;
      if (p.X < di.Horz.FixedBoundary)
        dir += sdLeft;
      else if (p.X > di.Horz.FullVisBoundary)
        dir += sdRight;
      if (p.Y < di.Vert.FixedBoundary)
        dir += sdUp;
      else if (p.Y > di.Vert.FullVisBoundary)
        dir += sdDown;
      if (!dir.Empty()) TimedScroll(dir);
      break;
    }
    default: break;
  }
}

bool TCustomGrid::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelDown(Shift, MousePos)) return true;
  if (Row() < RowCount() - 1) SetRow(Row() + 1);
  return true;
}

bool TCustomGrid::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelUp(Shift, MousePos)) return true;
  if (Row() > FixedRows()) SetRow(Row() - 1);
  return true;
}

}  // namespace lab
