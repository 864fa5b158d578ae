#pragma once
// TCustomGrid: the framework's base grid. A rectangle of cells with fixed (non-scrolling) columns
// and rows at the top left, a current cell with a selection that reaches to an anchor, column and
// row sizing and moving with the mouse, keyboard navigation, its own scroll bars (positions 0 to
// 127 whatever the cell count) and one in-place editor over the current cell. It draws grid lines
// and backgrounds and leaves each cell's content to DrawCell. The geometry lives in a TGridLayout
// (grid_layout.h), so everything that needs no window can be computed and checked without one.
//
// Descendants give behaviour through the virtual operations below; their roles:
//   DrawCell           paints one cell (called by Paint for every visible cell)
//   SelectCell         may refuse a cell before it becomes current
//   CalcSizingState    hit test for column and row edges under the mouse
//   CreateEditor       makes the in-place editor (a TInplaceEdit by default)
//   CanEditShow        whether the editor may show now
//   GetEditText, SetEditText, GetEditMask, GetEditLimit, CanEditModify, CanEditAcceptKey
//                      what the editor shows, takes back, masks, limits and accepts
//   ColumnMoved, RowMoved, ColWidthsChanged, RowHeightsChanged, SizeChanged, TopLeftChanged
//                      notifications after the change is made
//   Begin/Check/EndColumnDrag, Begin/Check/EndRowDrag
//                      may refuse or redirect a column or row move by the mouse
//   CanGridAcceptKey   which keys KeyDown handles in the current mouse state
//   TimedScroll        one step of auto-scrolling while the mouse selects outside the cells
//   DeleteColumn, DeleteRow

#include <cstdint>
#include <string>
#include <vector>

#include "platform/controls/custom_control.h"
#include "platform/grids/grid_layout.h"
#include "platform/grids/grid_types.h"

namespace lab {

class TInplaceEdit;

using TMovedEvent = std::function<void(TObject* Sender, int FromIndex, int ToIndex)>;

class TCustomGrid : public TCustomControl {
  LAB_CLASS(TCustomGrid, TCustomControl)
 public:
  explicit TCustomGrid(TComponent* AOwner);
  ~TCustomGrid() override;

  // --- cells on screen
  // The client rectangle of a cell; empty when no pixel of it shows (scrolled out, hidden, beyond
  // the client area).
  TRect CellRect(int ACol, int ARow);
  // The cell under a client point; (-1, -1) when there is none.
  TGridCoord MouseCoord(int X, int Y);
  void MouseToCell(int X, int Y, int& ACol, int& ARow);
  // The cells fully shown after the fixed ones (at least 1).
  int VisibleColCount();
  int VisibleRowCount();
  // Pixel end of the last cell drawn (the width and height of the grid picture).
  int GridWidth();
  int GridHeight();

  // --- current cell, selection and view; an index outside the grid raises EInvalidGridOperation
  int Col() const noexcept { return layout_.Current.X; }
  void SetCol(int Value);
  int Row() const noexcept { return layout_.Current.Y; }
  void SetRow(int Value);
  int LeftCol() const noexcept { return layout_.TopLeft.X; }
  void SetLeftCol(int Value);
  int TopRow() const noexcept { return layout_.TopLeft.Y; }
  void SetTopRow(int Value);
  TGridRect Selection() const noexcept { return layout_.Selection(); }
  void SetSelection(const TGridRect& Value);

  // --- the in-place editor
  bool EditorMode() const noexcept { return editor_mode_; }
  void SetEditorMode(bool Value);
  TInplaceEdit* InplaceEditor() const noexcept { return inplace_edit_; }

  // The geometry as it stands (for descendants' own drawing and hit tests).
  const TGridLayout& Layout() const noexcept { return layout_; }

  void Dispatch(TMessage& Message) override;

 protected:
  // --- structure (published by descendants as they see fit)
  int ColCount() const noexcept { return layout_.Cols.Count(); }
  void SetColCount(int Value);
  int RowCount() const noexcept { return layout_.Rows.Count(); }
  void SetRowCount(int Value);
  int FixedCols() const noexcept { return layout_.Cols.FixedCount(); }
  void SetFixedCols(int Value);
  int FixedRows() const noexcept { return layout_.Rows.FixedCount(); }
  void SetFixedRows(int Value);
  int DefaultColWidth() const noexcept { return layout_.Cols.DefaultExtent(); }
  // Resets every column's width.
  void SetDefaultColWidth(int Value);
  int DefaultRowHeight() const noexcept { return layout_.Rows.DefaultExtent(); }
  // Resets every row's height.
  void SetDefaultRowHeight(int Value);
  int ColWidths(int Index) const { return layout_.Cols.Extent(Index); }
  // -1 hides a column with its line; other widths below 0 count as 0.
  void SetColWidths(int Index, int Value);
  int RowHeights(int Index) const { return layout_.Rows.Extent(Index); }
  void SetRowHeights(int Index, int Value);
  bool TabStops(int Index) const { return layout_.Cols.TabStop(Index); }
  void SetTabStops(int Index, bool Value) { layout_.Cols.SetTabStop(Index, Value); }
  int GridLineWidth() const noexcept { return layout_.GridLineWidth; }
  void SetGridLineWidth(int Value);
  TGridOptions Options() const noexcept { return layout_.Options; }
  void SetOptions(TGridOptions Value);
  TScrollStyle ScrollBars() const noexcept { return scroll_bars_; }
  // Re-creates the window when one exists.
  void SetScrollBars(TScrollStyle Value);
  TColor FixedColor() const noexcept { return fixed_color_; }
  void SetFixedColor(TColor Value);
  bool DefaultDrawing() const noexcept { return default_drawing_; }
  void SetDefaultDrawing(bool Value) { default_drawing_ = Value; }

  // --- the mouse state, for descendants that size and track on their own
  TGridState GridState() const noexcept { return grid_state_; }
  void SetGridState(TGridState Value) noexcept { grid_state_ = Value; }
  int SizingIndex() const noexcept { return sizing_.Index; }
  int SizingPos() const noexcept { return sizing_.Pos; }
  int SizingOfs() const noexcept { return sizing_.Ofs; }
  void SetSizing(int Index, int Pos, int Ofs) noexcept { sizing_ = {grid_state_, Index, Pos, Ofs}; }

  // --- draw information
  void CalcDrawInfo(TGridDrawInfo& DrawInfo);
  void CalcDrawInfoXY(TGridDrawInfo& DrawInfo, int UseWidth, int UseHeight);
  void CalcFixedInfo(TGridDrawInfo& DrawInfo);
  // The pixels of a cell range on screen (the grid lines after it left out).
  TRect BoxRect(int ALeft, int ATop, int ARight, int ABottom);
  // Per axis, the largest first cell from which the cells up to Coord still show whole.
  TGridCoord CalcMaxTopLeft(const TGridCoord& Coord, const TGridDrawInfo& DrawInfo);
  // Whether the mouse sizes (or, at X, Y, would size) a column or a row.
  bool Sizing(int X, int Y);

  // --- virtual operations (see the list at the top)
  virtual void CalcSizingState(int X, int Y, TGridState& State, int& Index, int& SizingPos,
                               int& SizingOfs, TGridDrawInfo& FixedInfo);
  virtual TInplaceEdit* CreateEditor();
  virtual bool CanEditShow();
  virtual void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) = 0;
  virtual bool SelectCell(int ACol, int ARow);
  virtual void DeleteColumn(int ACol);
  virtual void DeleteRow(int ARow);

  virtual bool BeginColumnDrag(int& Origin, int& Destination, TPoint MousePt);
  virtual bool BeginRowDrag(int& Origin, int& Destination, TPoint MousePt);
  virtual bool CheckColumnDrag(int& Origin, int& Destination, TPoint MousePt);
  virtual bool CheckRowDrag(int& Origin, int& Destination, TPoint MousePt);
  virtual bool EndColumnDrag(int& Origin, int& Destination, TPoint MousePt);
  virtual bool EndRowDrag(int& Origin, int& Destination, TPoint MousePt);
  virtual bool CanEditAcceptKey(char32_t Key);
  virtual bool CanGridAcceptKey(win::WORD Key, TShiftState Shift);
  virtual bool CanEditModify();
  virtual int GetEditLimit();
  virtual std::string GetEditMask(int ACol, int ARow);
  virtual std::string GetEditText(int ACol, int ARow);
  virtual void SetEditText(int ACol, int ARow, const std::string& Value);
  virtual void ColumnMoved(int FromIndex, int ToIndex);
  virtual void RowMoved(int FromIndex, int ToIndex);
  virtual void ColWidthsChanged();
  virtual void RowHeightsChanged();
  virtual void SizeChanged(int OldColCount, int OldRowCount);
  virtual void TopLeftChanged();
  virtual void TimedScroll(TGridScrollDirections Direction);

  // --- cells and view
  // Makes (ACol, ARow) current when SelectCell agrees; MoveAnchor false keeps the anchor (the
  // selection grows); Show scrolls the cell into view.
  void MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show);
  // MoveColRow with Show, then the editor follows and OnClick fires.
  void FocusCell(int ACol, int ARow, bool MoveAnchor);
  void MoveColumn(int FromIndex, int ToIndex);
  void MoveRow(int FromIndex, int ToIndex);
  // Scrolls the cells (not the fixed ones) by pixels.
  void ScrollData(int DX, int DY);
  virtual void InvalidateCell(int ACol, int ARow);
  void InvalidateCol(int ACol);
  void InvalidateRow(int ARow);
  void InvalidateGrid();
  void InvalidateRect(const TGridRect& ARect);
  void UpdateScrollRange();
  void UpdateScrollPos();
  // Whether the grid is the active control of its form (or, without a form, has the focus).
  bool IsActiveControl();

  // --- the in-place editor
  void ShowEditor();
  void HideEditor();
  // Shows the editor and hands it the character, as if typed there.
  void ShowEditorChar(char32_t Ch);
  // Re-reads the editor's cell: its text, mask and limit.
  void InvalidateEditor();
  // Shows (or moves) the editor over the current cell when CanEditShow allows.
  void UpdateEdit();
  // Takes the editor's text back into the cell (SetEditText) and hides the editor.
  void HideEdit();
  void UpdateText();

  // --- painting
  void Paint() override;
  // The XOR line of a column or row being sized (drawn again to erase it); the line of a row
  // (Rows) or a column at Pos.
  void DrawSizingLine(const TGridDrawInfo& DrawInfo);
  void DrawSizingLine(const TGridDrawInfo& DrawInfo, bool Rows, int Pos);
  // A dotted XOR line Width pixels wide in the line pen's colour (drawn again, it is gone), shown at
  // once.
  void DrawXorLine(TPoint From, TPoint To, int Width);
  // The colour the sizing and moving lines are drawn with, XOR over the cells: white inverts them.
  TColor LinePenColor() const noexcept { return line_pen_color_; }
  void SetLinePenColor(TColor Value) noexcept { line_pen_color_ = Value; }

  // --- input
  void KeyDown(win::WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
  // WM_CHAR: KeyPress first; a character it leaves opens the editor with it (goEditing).
  void WMChar(TMessage& Message);

  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;

 private:
  friend class TInplaceEdit;

  void CheckCoord(int ACol, int ARow) const;
  void MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show);
  void MoveAnchor(TGridCoord NewAnchor);
  void MoveTopLeft(int ALeft, int ATop);
  void TopLeftMoved(TGridCoord OldTopLeft);
  void ClampInView(TGridCoord Coord);
  void SelectionMoved(const TGridRect& OldSel);
  void ChangeSize(int NewColCount, int NewRowCount);
  // After the fixed counts change: view, current cell and anchor at the first scrolling cell.
  void RestartAtFirstScrollingCell();
  void ModifyScrollBar(int ScrollBar, int ScrollCode, int Pos);
  void ResizeCell(bool Cols, int Index, int OldSize, int NewSize);
  void InvalidateScreen(const TRect& R);
  void ClientExtent(int& Width, int& Height);

  void DrawCells(int ACol, int ARow, int StartX, int StartY, int StopX, int StopY, TColor Color,
                 TGridDrawState IncludeDrawState, const TGridDrawInfo& DrawInfo);
  void DrawLines(bool DoHorz, bool DoVert, int Col, int Row, const TRect& Box, TColor OnColor,
                 TColor OffColor, const TGridDrawInfo& DrawInfo);
  void DrawMove();
  // A column or row move follows the mouse, scrolling at the edges.
  void MoveAndScroll(int Mouse, int CellHit, TGridDrawInfo& DrawInfo, bool Vertical, TPoint MousePt);
  void StartTimer();
  void StopTimer();
  void HandleTimer();

  void HandleScroll(TMessage& Message, int Bar);
  void HandleSize(TMessage& Message);

  TGridLayout layout_;
  TScrollStyle scroll_bars_ = ssBoth;
  TColor fixed_color_ = clBtnFace;
  bool default_drawing_ = true;
  bool editor_mode_ = false;
  bool can_edit_modify_ = true;
  TInplaceEdit* inplace_edit_ = nullptr;
  int inplace_col_ = -1;
  int inplace_row_ = -1;

  TGridState grid_state_ = gsNormal;
  TGridSizing sizing_;
  int move_index_ = 0;
  int move_pos_ = 0;
  bool move_drawn_ = false;
  TColor line_pen_color_ = clWhite;
  TPoint last_mouse_;
  bool timer_on_ = false;
  bool updating_scroll_range_ = false;
};

}  // namespace lab
