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
  timerOn_ = true;
}

void TCustomGrid::StopTimer() {
  if (timerOn_ && HandleAllocated()) wm::KillTimer(Handle(), kScrollTimer);
  timerOn_ = false;
}

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  lastMouse_ = {X, Y};
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
      gridState_ = state;
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
          gridState_ = gsSelecting;
          StartTimer();
          if (Shift.Contains(ssShift))
            MoveAnchor(hit);
          else
            MoveCurrent(hit.X, hit.Y, true, true);
        }
      } else if (Options().Contains(goRowMoving) && hit.X >= 0 && hit.X < FixedCols() &&
                 hit.Y >= FixedRows()) {
        moveIndex_ = movePos_ = hit.Y;
        if (BeginRowDrag(moveIndex_, movePos_, {X, Y})) {
          gridState_ = gsRowMoving;
          Update();
          DrawMove();
          moveDrawn_ = true;
          StartTimer();
        }
      } else if (Options().Contains(goColMoving) && hit.Y >= 0 && hit.Y < FixedRows() &&
                 hit.X >= FixedCols()) {
        moveIndex_ = movePos_ = hit.X;
        if (BeginColumnDrag(moveIndex_, movePos_, {X, Y})) {
          gridState_ = gsColMoving;
          Update();
          DrawMove();
          moveDrawn_ = true;
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
  if (CellHit == movePos_) return;
  // Already at the first or last place and the mouse beyond it: nothing changes.
  if (movePos_ == a->FixedCellCount && Mouse < a->FixedBoundary) return;
  if (movePos_ == a->GridCellCount - 1 && Mouse > a->GridBoundary) return;
  if (moveDrawn_) DrawMove();
  moveDrawn_ = false;
  if (Mouse < a->FixedBoundary) {
    if (movePos_ > a->FixedCellCount && a->FirstGridCell > a->FixedCellCount) {
      ModifyScrollBar(Vertical ? win::SB_VERT : win::SB_HORZ, win::SB_LINEUP, 0);
      Update();
      CalcDrawInfo(DrawInfo);
      a = Vertical ? &DrawInfo.Vert : &DrawInfo.Horz;
    }
    CellHit = a->FirstGridCell;
  } else if (Mouse >= a->FullVisBoundary) {
    if (movePos_ == a->LastFullVisibleCell && movePos_ < a->GridCellCount - 1) {
      ModifyScrollBar(Vertical ? win::SB_VERT : win::SB_HORZ, win::SB_LINEDOWN, 0);
      Update();
      CalcDrawInfo(DrawInfo);
      a = Vertical ? &DrawInfo.Vert : &DrawInfo.Horz;
    }
    CellHit = a->LastFullVisibleCell;
  } else if (CellHit < 0) {
    CellHit = movePos_;
  }
  if (gridState_ == gsColMoving ? CheckColumnDrag(moveIndex_, CellHit, MousePt)
                                : CheckRowDrag(moveIndex_, CellHit, MousePt))
    movePos_ = CellHit;
  DrawMove();
  moveDrawn_ = true;
}

void TCustomGrid::MouseMove(TShiftState Shift, int X, int Y) {
  lastMouse_ = {X, Y};
  TGridDrawInfo di;
  CalcDrawInfo(di);
  switch (gridState_) {
    case gsSelecting:
    case gsColMoving:
    case gsRowMoving: {
      const TGridCoord hit = CellAtPoint(di, X, Y);
      if (hit.X >= FixedCols() && hit.Y >= FixedRows() && hit.X <= di.Horz.LastFullVisibleCell + 1 &&
          hit.Y <= di.Vert.LastFullVisibleCell + 1) {
        if (gridState_ == gsSelecting) {
          if (hit != layout_.Anchor) MoveAnchor(hit);
        } else if (gridState_ == gsColMoving) {
          MoveAndScroll(X, hit.X, di, false, {X, Y});
        } else {
          MoveAndScroll(Y, hit.Y, di, true, {X, Y});
        }
      } else if (gridState_ == gsColMoving) {
        MoveAndScroll(X, di.Horz.CellAt(X), di, false, {X, Y});
      } else if (gridState_ == gsRowMoving) {
        MoveAndScroll(Y, di.Vert.CellAt(Y), di, true, {X, Y});
      }
      break;
    }
    case gsRowSizing:
    case gsColSizing:
      DrawSizingLine(di);  // erase
      sizing_.Pos = (gridState_ == gsRowSizing ? Y : X) + sizing_.Ofs;
      DrawSizingLine(di);
      break;
    default: break;
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  lastMouse_ = {X, Y};
  struct Reset {
    TGridState& state;
    ~Reset() { state = gsNormal; }
  } reset{gridState_};
  switch (gridState_) {
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
      const bool cols = gridState_ == gsColSizing;
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
      if (moveDrawn_) DrawMove();
      moveDrawn_ = false;
      StopTimer();
      const TPoint pt{X, Y};
      if (gridState_ == gsColMoving) {
        if (EndColumnDrag(moveIndex_, movePos_, pt)) MoveColumn(moveIndex_, movePos_);
      } else if (EndRowDrag(moveIndex_, movePos_, pt)) {
        MoveRow(moveIndex_, movePos_);
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
  if (gridState_ != gsSelecting && gridState_ != gsRowMoving && gridState_ != gsColMoving) return;
  TGridDrawInfo di;
  CalcDrawInfo(di);
  const TPoint p = lastMouse_;
  switch (gridState_) {
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
