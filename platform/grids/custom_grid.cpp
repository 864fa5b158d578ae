// TCustomGrid: construction, structure, the current cell and the view, invalidation.
#include <algorithm>

#include "platform/controls/forms.h"
#include "platform/controls/painting.h"
#include "platform/controls/window_manager.h"
#include "platform/grids/grids.h"
#include "platform/grids/inplace_edit.h"

namespace lab {

namespace {

// The index a column or row at Index has after the one at FromIndex moved to ToIndex.
void FollowMove(int& Index, int FromIndex, int ToIndex) {
  if (Index == FromIndex)
    Index = ToIndex;
  else if (FromIndex < ToIndex && Index > FromIndex && Index <= ToIndex)
    --Index;
  else if (FromIndex > ToIndex && Index >= ToIndex && Index < FromIndex)
    ++Index;
}

}  // namespace

TCustomGrid::TCustomGrid(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle({csCaptureMouse, csOpaque, csDoubleClicks});
  SetBounds(0, 0, 320, 120);
  SetTabStop(true);
  SetBorderStyle(bsSingle);
  SetColor(clWindow);
  SetParentColor(false);
}

TCustomGrid::~TCustomGrid() = default;

void TCustomGrid::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style |= win::WS_TABSTOP;
  if (scroll_bars_ == ssVertical || scroll_bars_ == ssBoth) Params.Style |= win::WS_VSCROLL;
  if (scroll_bars_ == ssHorizontal || scroll_bars_ == ssBoth) Params.Style |= win::WS_HSCROLL;
  Params.WindowClassStyle |= win::CS_DBLCLKS;
}

void TCustomGrid::CreateWnd() {
  TCustomControl::CreateWnd();
  UpdateScrollRange();
}

void TCustomGrid::CheckCoord(int ACol, int ARow) const {
  if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount())
    InvalidGridOperation(SGridIndexOutOfRange);
}

// --- geometry

void TCustomGrid::ClientExtent(int& Width, int& Height) {
  const TRect r = ClientRect();
  Width = r.Width();
  Height = r.Height();
}

void TCustomGrid::CalcDrawInfo(TGridDrawInfo& DrawInfo) {
  int w = 0, h = 0;
  ClientExtent(w, h);
  CalcDrawInfoXY(DrawInfo, w, h);
}

void TCustomGrid::CalcDrawInfoXY(TGridDrawInfo& DrawInfo, int UseWidth, int UseHeight) {
  DrawInfo = layout_.CalcDrawInfo(UseWidth, UseHeight);
}

void TCustomGrid::CalcFixedInfo(TGridDrawInfo& DrawInfo) { DrawInfo = layout_.CalcFixedInfo(); }

TRect TCustomGrid::BoxRect(int ALeft, int ATop, int ARight, int ABottom) {
  TGridDrawInfo di;
  CalcDrawInfo(di);
  return lab::BoxRect(di, GridRect({ALeft, ATop}, {ARight, ABottom}), false);
}

TGridCoord TCustomGrid::CalcMaxTopLeft(const TGridCoord& Coord, const TGridDrawInfo& DrawInfo) {
  return {DrawInfo.Horz.MaxFirstCell(Coord.X), DrawInfo.Vert.MaxFirstCell(Coord.Y)};
}

bool TCustomGrid::Sizing(int X, int Y) {
  TGridState state = grid_state_;
  if (state == gsNormal) {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    int index = -1, pos = 0, ofs = 0;
    CalcSizingState(X, Y, state, index, pos, ofs, di);
  }
  return state != gsNormal;
}

TRect TCustomGrid::CellRect(int ACol, int ARow) { return BoxRect(ACol, ARow, ACol, ARow); }

TGridCoord TCustomGrid::MouseCoord(int X, int Y) {
  TGridDrawInfo di;
  CalcDrawInfo(di);
  return CellAtPoint(di, X, Y);
}

void TCustomGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) {
  const TGridCoord c = MouseCoord(X, Y);
  ACol = c.X;
  ARow = c.Y;
}

int TCustomGrid::VisibleColCount() {
  TGridDrawInfo di;
  CalcDrawInfo(di);
  return di.Horz.VisibleCount();
}

int TCustomGrid::VisibleRowCount() {
  TGridDrawInfo di;
  CalcDrawInfo(di);
  return di.Vert.VisibleCount();
}

int TCustomGrid::GridWidth() {
  TGridDrawInfo di;
  CalcDrawInfo(di);
  return di.Horz.GridBoundary;
}

int TCustomGrid::GridHeight() {
  TGridDrawInfo di;
  CalcDrawInfo(di);
  return di.Vert.GridBoundary;
}

// --- structure

void TCustomGrid::ChangeSize(int NewColCount, int NewRowCount) {
  const int oldCols = ColCount();
  const int oldRows = RowCount();
  if (NewColCount == oldCols && NewRowCount == oldRows) return;
  const TGridCoord oldTopLeft = layout_.TopLeft;
  // The editor's cell went away: nothing to hand its text back to.
  if (inplace_edit_ && (inplace_col_ >= NewColCount || inplace_row_ >= NewRowCount)) {
    inplace_col_ = inplace_row_ = -1;
    editor_mode_ = false;
    inplace_edit_->Hide();
  }
  layout_.Cols.SetCount(NewColCount);
  layout_.Rows.SetCount(NewRowCount);
  // Cells that went away take the current cell, the anchor and the view along to the last ones.
  auto clampInto = [&](TGridCoord& c, int minX, int minY) {
    c.X = std::clamp(c.X, minX, NewColCount - 1);
    c.Y = std::clamp(c.Y, minY, NewRowCount - 1);
  };
  const TGridRect oldSel = Selection();
  clampInto(layout_.Current, 0, 0);
  clampInto(layout_.Anchor, 0, 0);
  clampInto(layout_.TopLeft, FixedCols(), FixedRows());
  if (Selection() != oldSel) SelectionMoved(oldSel);
  if (layout_.TopLeft != oldTopLeft) TopLeftMoved(oldTopLeft);
  InvalidateGrid();
  UpdateScrollRange();
  SizeChanged(oldCols, oldRows);
}

void TCustomGrid::SetColCount(int Value) {
  if (Value < 1) Value = 1;
  if (Value == ColCount()) return;
  if (Value <= FixedCols()) SetFixedCols(Value - 1);
  ChangeSize(Value, RowCount());
  // Row selection spans every column.
  if (Options().Contains(goRowSelect)) layout_.Anchor.X = ColCount() - 1;
}

void TCustomGrid::SetRowCount(int Value) {
  if (Value < 1) Value = 1;
  if (Value == RowCount()) return;
  if (Value <= FixedRows()) SetFixedRows(Value - 1);
  ChangeSize(ColCount(), Value);
}

void TCustomGrid::SetFixedCols(int Value) {
  if (Value == FixedCols()) return;
  if (Value < 0) InvalidGridOperation(SGridIndexOutOfRange);
  if (Value >= ColCount()) InvalidGridOperation(SFixedColTooBig);
  layout_.Cols.SetFixedCount(Value);
  RestartAtFirstScrollingCell();
}

void TCustomGrid::SetFixedRows(int Value) {
  if (Value == FixedRows()) return;
  if (Value < 0) InvalidGridOperation(SGridIndexOutOfRange);
  if (Value >= RowCount()) InvalidGridOperation(SFixedRowTooBig);
  layout_.Rows.SetFixedCount(Value);
  RestartAtFirstScrollingCell();
}

// The view and the current cell start again at the first scrolling cell.
void TCustomGrid::RestartAtFirstScrollingCell() {
  HideEditor();
  layout_.TopLeft = {FixedCols(), FixedRows()};
  layout_.Current = layout_.TopLeft;
  layout_.Anchor = layout_.Current;
  if (Options().Contains(goRowSelect)) layout_.Anchor.X = ColCount() - 1;
  UpdateScrollRange();
  InvalidateGrid();
}

void TCustomGrid::SetDefaultColWidth(int Value) {
  layout_.Cols.SetDefaultExtent(Value);
  ColWidthsChanged();
  InvalidateGrid();
}

void TCustomGrid::SetDefaultRowHeight(int Value) {
  layout_.Rows.SetDefaultExtent(Value);
  RowHeightsChanged();
  InvalidateGrid();
}

void TCustomGrid::ResizeCell(bool Cols, int Index, int OldSize, int NewSize) {
  if (!HandleAllocated() || OldSize == NewSize) return;
  // Everything from the cell's start onward moves or changes.
  TGridDrawInfo di;
  CalcDrawInfo(di);
  const TGridAxisDrawInfo& a = Cols ? di.Horz : di.Vert;
  int start = a.CellStart(Index);
  if (start < 0) {
    // Scrolled out before the view: only a fixed cell could move the rest, and it is on screen.
    if (Index >= a.FixedCellCount && Index < a.FirstGridCell) return;
    start = 0;
  }
  int w = 0, h = 0;
  ClientExtent(w, h);
  const TRect r = Cols ? Rect(start, 0, w, h) : Rect(0, start, w, h);
  InvalidateScreen(r);
}

void TCustomGrid::SetColWidths(int Index, int Value) {
  const int old = layout_.Cols.Extent(Index);
  layout_.Cols.SetExtent(Index, Value);
  const int now = layout_.Cols.Extent(Index);
  if (now == old) return;
  ResizeCell(true, Index, old, now);
  ColWidthsChanged();
}

void TCustomGrid::SetRowHeights(int Index, int Value) {
  const int old = layout_.Rows.Extent(Index);
  layout_.Rows.SetExtent(Index, Value);
  const int now = layout_.Rows.Extent(Index);
  if (now == old) return;
  ResizeCell(false, Index, old, now);
  RowHeightsChanged();
}

void TCustomGrid::SetGridLineWidth(int Value) {
  Value = std::max(Value, 0);
  if (Value == layout_.GridLineWidth) return;
  layout_.GridLineWidth = Value;
  UpdateScrollRange();
  UpdateEdit();
  InvalidateGrid();
}

void TCustomGrid::SetOptions(TGridOptions Value) {
  // A whole-row selection has no cell to edit in place.
  if (Value.Contains(goRowSelect)) Value.Exclude(goAlwaysShowEditor);
  if (Value == layout_.Options) return;
  const TGridOptions old = layout_.Options;
  layout_.Options = Value;
  if (!editor_mode_) {
    if (Value.Contains(goAlwaysShowEditor))
      ShowEditor();
    else
      HideEditor();
  } else if (!Value.Contains(goEditing) || Value.Contains(goRowSelect)) {
    HideEditor();
  }
  if (Value.Contains(goRowSelect)) MoveCurrent(Col(), Row(), true, false);
  const TGridOptions lines{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine};
  if ((old * lines) != (Value * lines)) {
    UpdateScrollRange();
    UpdateEdit();
  }
  InvalidateGrid();
}

void TCustomGrid::SetScrollBars(TScrollStyle Value) {
  if (Value == scroll_bars_) return;
  scroll_bars_ = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomGrid::SetFixedColor(TColor Value) {
  if (Value == fixed_color_) return;
  fixed_color_ = Value;
  InvalidateGrid();
}

// --- default behaviour of the virtual operations

void TCustomGrid::CalcSizingState(int X, int Y, TGridState& State, int& Index, int& SizingPos,
                                  int& SizingOfs, TGridDrawInfo& FixedInfo) {
  const TGridSizing s = layout_.CalcSizingState(FixedInfo, X, Y, Options());
  State = s.State;
  Index = s.Index;
  SizingPos = s.Pos;
  SizingOfs = s.Ofs;
}

bool TCustomGrid::SelectCell(int, int) { return true; }

void TCustomGrid::DeleteColumn(int ACol) {
  MoveColumn(ACol, ColCount() - 1);
  SetColCount(ColCount() - 1);
}

void TCustomGrid::DeleteRow(int ARow) {
  MoveRow(ARow, RowCount() - 1);
  SetRowCount(RowCount() - 1);
}

bool TCustomGrid::BeginColumnDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::BeginRowDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::CheckColumnDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::CheckRowDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::EndColumnDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::EndRowDrag(int&, int&, TPoint) { return true; }
void TCustomGrid::ColumnMoved(int, int) {}
void TCustomGrid::RowMoved(int, int) {}
void TCustomGrid::SizeChanged(int, int) {}

void TCustomGrid::ColWidthsChanged() {
  UpdateScrollRange();
  UpdateEdit();
}

void TCustomGrid::RowHeightsChanged() {
  UpdateScrollRange();
  UpdateEdit();
}

void TCustomGrid::TopLeftChanged() {
  if (editor_mode_ && inplace_edit_) inplace_edit_->UpdateLoc(CellRect(Col(), Row()));
}

void TCustomGrid::TimedScroll(TGridScrollDirections Direction) {
  if (!Options().Contains(goRangeSelect)) return;
  TGridCoord a = layout_.Anchor;
  if (Direction.Contains(sdLeft) && a.X > FixedCols()) --a.X;
  if (Direction.Contains(sdRight) && a.X < ColCount() - 1) ++a.X;
  if (Direction.Contains(sdUp) && a.Y > FixedRows()) --a.Y;
  if (Direction.Contains(sdDown) && a.Y < RowCount() - 1) ++a.Y;
  if (a != layout_.Anchor) MoveAnchor(a);
}

// --- the current cell, the anchor and the view

void TCustomGrid::SetCol(int Value) {
  if (Value != Col()) FocusCell(Value, Row(), true);
}

void TCustomGrid::SetRow(int Value) {
  if (Value != Row()) FocusCell(Col(), Value, true);
}

void TCustomGrid::SetLeftCol(int Value) {
  if (Value < FixedCols() || Value >= ColCount()) InvalidGridOperation(SGridIndexOutOfRange);
  if (Value != LeftCol()) MoveTopLeft(Value, TopRow());
}

void TCustomGrid::SetTopRow(int Value) {
  if (Value < FixedRows() || Value >= RowCount()) InvalidGridOperation(SGridIndexOutOfRange);
  if (Value != TopRow()) MoveTopLeft(LeftCol(), Value);
}

void TCustomGrid::SetSelection(const TGridRect& Value) {
  CheckCoord(Value.Left, Value.Top);
  CheckCoord(Value.Right, Value.Bottom);
  const TGridRect old = Selection();
  layout_.Anchor = Value.TopLeft();
  layout_.Current = Value.BottomRight();
  SelectionMoved(old);
}

void TCustomGrid::MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show) {
  MoveCurrent(ACol, ARow, MoveAnchor, Show);
}

void TCustomGrid::FocusCell(int ACol, int ARow, bool MoveAnchor) {
  MoveCurrent(ACol, ARow, MoveAnchor, true);
  UpdateEdit();
  Click();
}

void TCustomGrid::MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show) {
  CheckCoord(ACol, ARow);
  if (!SelectCell(ACol, ARow)) return;
  const TGridRect oldSel = Selection();
  const TGridCoord oldCurrent = layout_.Current;
  layout_.Current = {ACol, ARow};
  if (!Options().Contains(goAlwaysShowEditor)) HideEditor();
  if (MoveAnchor || !Options().Contains(goRangeSelect)) {
    layout_.Anchor = layout_.Current;
    if (Options().Contains(goRowSelect)) layout_.Anchor.X = ColCount() - 1;
  }
  if (Options().Contains(goRowSelect)) layout_.Current.X = FixedCols();
  if (Show) ClampInView(layout_.Current);
  SelectionMoved(oldSel);
  InvalidateCell(oldCurrent.X, oldCurrent.Y);
  InvalidateCell(layout_.Current.X, layout_.Current.Y);
}

void TCustomGrid::MoveAnchor(TGridCoord NewAnchor) {
  if (Options().Contains(goRangeSelect) && !Options().Contains(goEditing)) {
    const TGridRect oldSel = Selection();
    layout_.Anchor = NewAnchor;
    if (Options().Contains(goRowSelect)) layout_.Anchor.X = ColCount() - 1;
    ClampInView(NewAnchor);
    SelectionMoved(oldSel);
  } else {
    MoveCurrent(NewAnchor.X, NewAnchor.Y, true, true);
  }
}

void TCustomGrid::ClampInView(TGridCoord Coord) {
  if (!HandleAllocated()) return;
  TGridDrawInfo di;
  CalcDrawInfo(di);
  const TGridCoord topLeft = layout_.TopLeftShowing(di, Coord);
  if (topLeft != layout_.TopLeft) MoveTopLeft(topLeft.X, topLeft.Y);
}

void TCustomGrid::MoveTopLeft(int ALeft, int ATop) {
  if (ALeft == LeftCol() && ATop == TopRow()) return;
  // Paint what is pending first, so the pixels that scroll are current.
  if (HandleAllocated()) Update();
  const TGridCoord old = layout_.TopLeft;
  layout_.TopLeft = {ALeft, ATop};
  TopLeftMoved(old);
}

void TCustomGrid::TopLeftMoved(TGridCoord OldTopLeft) {
  UpdateScrollPos();
  if (HandleAllocated()) {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    std::vector<TGridScrollStep> steps;
    if (TGridLayout::CalcScrollData(di, OldTopLeft, layout_.TopLeft, steps)) {
      for (const TGridScrollStep& s : steps)
        wm::ScrollWindowEx(Handle(), s.DX, s.DY, &s.Area, &s.Area, nullptr, nullptr, win::SW_INVALIDATE);
      // The focus frame around whole selected rows spans the scrolled and the fixed part.
      if (Options().Contains(goRowSelect)) InvalidateRect(Selection());
    } else {
      InvalidateGrid();
    }
  }
  TopLeftChanged();
}

void TCustomGrid::ScrollData(int DX, int DY) {
  if (!HandleAllocated()) return;
  TGridDrawInfo di;
  CalcDrawInfo(di);
  std::vector<TGridScrollStep> steps;
  TGridLayout::ScrollAreas(di, DX, DY, steps);
  for (const TGridScrollStep& s : steps)
    wm::ScrollWindowEx(Handle(), s.DX, s.DY, &s.Area, &s.Area, nullptr, nullptr, win::SW_INVALIDATE);
  if (Options().Contains(goRowSelect)) InvalidateRect(Selection());
}

void TCustomGrid::SelectionMoved(const TGridRect& OldSel) {
  if (!HandleAllocated()) return;
  const TGridRect now = Selection();
  if (now == OldSel) return;
  TGridDrawInfo di;
  CalcDrawInfo(di);
  InvalidateScreen(lab::BoxRect(di, OldSel, true));
  InvalidateScreen(lab::BoxRect(di, now, true));
}

void TCustomGrid::MoveColumn(int FromIndex, int ToIndex) {
  if (FromIndex == ToIndex) return;
  layout_.Cols.Move(FromIndex, ToIndex);
  // The current cell, the anchor and the editor's cell move with their column.
  FollowMove(layout_.Current.X, FromIndex, ToIndex);
  FollowMove(layout_.Anchor.X, FromIndex, ToIndex);
  if (inplace_col_ >= 0) FollowMove(inplace_col_, FromIndex, ToIndex);
  InvalidateRect({std::min(FromIndex, ToIndex), 0, std::max(FromIndex, ToIndex), RowCount() - 1});
  ColumnMoved(FromIndex, ToIndex);
  if (!layout_.Cols.AllDefault()) ColWidthsChanged();
  UpdateEdit();
}

void TCustomGrid::MoveRow(int FromIndex, int ToIndex) {
  if (FromIndex == ToIndex) return;
  layout_.Rows.Move(FromIndex, ToIndex);
  FollowMove(layout_.Current.Y, FromIndex, ToIndex);
  FollowMove(layout_.Anchor.Y, FromIndex, ToIndex);
  if (inplace_row_ >= 0) FollowMove(inplace_row_, FromIndex, ToIndex);
  InvalidateRect({0, std::min(FromIndex, ToIndex), ColCount() - 1, std::max(FromIndex, ToIndex)});
  RowMoved(FromIndex, ToIndex);
  if (!layout_.Rows.AllDefault()) RowHeightsChanged();
  UpdateEdit();
}

// --- invalidation

void TCustomGrid::InvalidateScreen(const TRect& R) {
  if (!HandleAllocated() || R.IsEmpty()) return;
  wm::InvalidateRect(Handle(), &R, false);
}

void TCustomGrid::InvalidateRect(const TGridRect& ARect) {
  if (!HandleAllocated()) return;
  TGridDrawInfo di;
  CalcDrawInfo(di);
  InvalidateScreen(lab::BoxRect(di, ARect, true));
}

void TCustomGrid::InvalidateCell(int ACol, int ARow) { InvalidateRect({ACol, ARow, ACol, ARow}); }

void TCustomGrid::InvalidateCol(int ACol) { InvalidateRect({ACol, 0, ACol, RowCount() - 1}); }

void TCustomGrid::InvalidateRow(int ARow) { InvalidateRect({0, ARow, ColCount() - 1, ARow}); }

void TCustomGrid::InvalidateGrid() { Invalidate(); }

bool TCustomGrid::IsActiveControl() {
  if (TCustomForm* form = ParentForm()) return form->ActiveControl() == this;
  if (!HandleAllocated()) return false;
  const win::HWND focus = wm::GetFocus();
  return focus == Handle() || (focus && wm::IsChild(Handle(), focus));
}

}  // namespace lab
