#pragma once
// The data grid: TCustomDBGridX shows the records of a dataset (reached through a TDataSource) as
// rows and a collection of columns as columns, with titles, sort markers, footer rows, several
// kinds of selection and in-place editing; TDBGridX publishes it for forms.
//
// Layout is batched: BeginUpdate/EndUpdate and BeginLayout/EndLayout count levels, LayoutChanged
// does nothing while either is held, and the last EndLayout lays the grid out once. DeferLayout
// posts the grid's own message WM_USER + 100 (at most one waits in the queue) so a burst of changes
// lays out once, on a later turn of the message loop.
//
// Painting: the layout (dbgrid_layout.cpp) turns fonts, row and title settings, footer rows,
// frozen columns and auto-fitted widths into the framework grid's geometry; Paint draws lines and
// cells; DrawCell (cell_drawing.cpp with title_drawing.cpp and cell_parts.cpp) draws one cell of
// each kind through the writers of cell_writing.h. Multi-level captions ("Lens|Right") become the
// tree of title bands of title_tree.h.
//
// Parts of the grid live beside this header: columns.h (columns, titles, defaults, cell values),
// grid_data_link.h (the link and its column-to-field map), grid_scroll_bars.h (HorzScrollBar,
// VertScrollBar), grid_filter.h (STFilter), grid_sum_list.h (SumList, over sum_list.h),
// grid_services.h, edit_buttons.h, mru_list.h, special_row.h, grid_style.h, property_interceptors.h,
// column_footers.h, column_filter.h (a column's filter-row condition, filter_expression.h),
// filter_row.h (editing the filter row),
// drop_down_box.h and lookup_grid.h (a column's drop-down grid), column_interceptors.h,
// data_service.h (sorting and filtering handed to dataset_features.h, mem_dataset_features.h),
// grid_clipboard.h (the selection on the clipboard and back), find_dialog.h (the find keys' dialog),
// inc_search.h (incremental search, which the grid lends its records), mouse_tracker.h (what the
// mouse is doing between a press and its release, with the tracking timer) and grid_unit.h
// (start-up resources).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "grid/bookmark_list.h"
#include "grid/column_defaults.h"
#include "grid/columns.h"
#include "grid/dbgrid_types.h"
#include "grid/grid_data_link.h"
#include "grid/grid_filter.h"
#include "grid/grid_scroll_bars.h"
#include "grid/grid_sum_list.h"
#include "grid/inc_search.h"
#include "grid/mem_table.h"
#include "grid/mouse_tracker.h"
#include "grid/selection.h"
#include "grid/title_tree.h"
#include "platform/graphics/image_list.h"
#include "platform/grids/grids.h"

namespace lab {

class TDataSource;
class TDataSet;
class TReader;
class TWriter;
class TDBGridXStyle;
class TCellPainterX;
class TInplaceFilterEditX;
class IFilterRowHostX;
class TFilterRowX;
struct THintInfo;

// The grid's draw information: the framework grid's, with the pixels the footer rows take at the
// bottom and the frozen columns take inside the fixed ones.
struct TGridDrawInfoX : TGridDrawInfo {
  int FooterExtent = 0;
  int FrozenExtent = 0;
};

// Where a framework cell lies (GetCellType): the indicator or a data column, and the title row,
// the filter row, a data row, the spacer row above the footers or a footer row; with its data
// column (-1 for the indicator) and its row within its row area.
enum TColAreaX : std::uint8_t { caIndicator, caDataCol };
enum TRowAreaX : std::uint8_t { caTitleRow, caFilterRow, caDataRow, caSpacerRow, caFooterRow };
struct TCellTypeX {
  TColAreaX ColArea = caIndicator;
  TRowAreaX RowArea = caTitleRow;
  int DataCol = -1;
  int DataRow = 0;
  bool operator==(const TCellTypeX&) const = default;
};

// A column's leaf in the tree of title bands.
struct TTitleLeafX {
  THeadTreeNode* Leaf = nullptr;
  TColumnX* Column = nullptr;
};

// The grid's own message: a deferred layout waits in the queue as this.
inline constexpr win::UINT WM_DEFERLAYOUTX = win::WM_USER + 100;

// The grid lends its parts what each needs of it through a narrow interface of the part's own (the
// filter row's through TFilterRowHost, filter_row_editing.cpp).
class TCustomDBGridX : public TCustomGrid,
                       private IIncSearchHostX,
                       private IMouseTrackerHostX,
                       private ISelectionHostX {
  LAB_CLASS(TCustomDBGridX, TCustomGrid)
  LAB_PROPERTIES(TCustomDBGridX, TCustomGrid)
 public:
  explicit TCustomDBGridX(TComponent* AOwner);
  ~TCustomDBGridX() override;

  // ---- Data ----
  TDataSource* DataSource() const;
  void SetDataSource(TDataSource* Value);
  TGridDataLinkX* DataLink() const noexcept { return data_link_.get(); }
  TDBGridColumnsX* Columns() const noexcept { return columns_.get(); }
  void SetColumns(TDBGridColumnsX* Value);
  TColumnDefValuesX* ColumnDefValues() const noexcept { return column_def_values_.get(); }
  void SetColumnDefValues(TColumnDefValuesX* Value);
  // The visible columns in display order, and the columns with a sort marker in SortIndex order.
  const TColumnsXList& VisibleColumns() const noexcept { return visible_columns_; }
  const TColumnsXList& SortMarkedColumns() const noexcept { return sort_marked_columns_; }
  TColumnsXList& SortMarkedColumnsList() noexcept { return sort_marked_columns_; }
  // Adds every field of the dataset to List.
  virtual void GetDatasetFieldList(std::vector<TField*>& List);
  // Adds the fields default columns show, in order: the open dataset's visible fields.
  virtual void GetDefaultColumnFields(std::vector<TField*>& List);
  // Makes current the first column that shows Field (a field asking for the focus).
  void SelectField(TField* Field);
  // The selected records, and the selection of whichever kind the grid holds (it stands in for
  // the framework grid's cell rectangle, which the grid keeps as its current cell).
  TBookmarkListX* SelectedRows() const noexcept { return selected_rows_.get(); }
  TDBGridXSelection* Selection() const noexcept { return selection_.get(); }

  // ---- Published settings ----
  TDBGridXAllowedOperations AllowedOperations() const noexcept { return allowed_operations_; }
  void SetAllowedOperations(TDBGridXAllowedOperations Value) { allowed_operations_ = Value; }
  TDBGridXAllowedSelections AllowedSelections() const noexcept { return allowed_selections_; }
  // A selection of a kind no longer allowed is cleared.
  void SetAllowedSelections(TDBGridXAllowedSelections Value);
  bool AutoFitColWidths() const noexcept { return auto_fit_col_widths_; }
  void SetAutoFitColWidths(bool Value);
  bool DrawMemoText() const noexcept { return draw_memo_text_; }
  void SetDrawMemoText(bool Value);
  TDBGridXEditActions EditActions() const noexcept { return edit_actions_; }
  void SetEditActions(TDBGridXEditActions Value) { edit_actions_ = Value; }
  // Stored only once set.
  bool EvenRowColorSet() const noexcept { return even_row_color_set_; }
  bool OddRowColorSet() const noexcept { return odd_row_color_set_; }
  // The grid's Color until set.
  TColor EvenRowColor() const { return even_row_color_set_ ? even_row_color_ : Color(); }
  void SetEvenRowColor(TColor Value);
  TColor OddRowColor() const { return odd_row_color_set_ ? odd_row_color_ : Color(); }
  void SetOddRowColor(TColor Value);
  bool Flat() const noexcept { return flat_; }
  void SetFlat(bool Value);
  TColor FooterColor() const noexcept { return footer_color_; }
  void SetFooterColor(TColor Value);
  TFont* FooterFont() const noexcept { return footer_font_.get(); }
  void SetFooterFont(TFont* Value) { footer_font_->Assign(Value); }
  int FooterRowCount() const noexcept { return footer_row_count_; }
  void SetFooterRowCount(int Value);
  int FrozenCols() const noexcept { return frozen_cols_; }
  void SetFrozenCols(int Value);
  int MinAutoFitWidth() const noexcept { return min_auto_fit_width_; }
  void SetMinAutoFitWidth(int Value);
  TDBGridOptions Options() const noexcept { return options_; }
  void SetOptions(TDBGridOptions Value);
  TDBGridXOptions OptionsX() const noexcept { return options_x_; }
  void SetOptionsX(TDBGridXOptions Value);
  bool ReadOnly() const noexcept { return read_only_; }
  void SetReadOnly(bool Value);
  int RowHeight() const noexcept { return row_height_; }
  void SetRowHeight(int Value);
  int RowLines() const noexcept { return row_lines_; }
  void SetRowLines(int Value);
  bool RowSizingAllowed() const noexcept { return row_sizing_allowed_; }
  // The user may size rows with the mouse (over the indicator column).
  void SetRowSizingAllowed(bool Value);
  bool SortLocal() const noexcept { return sort_local_; }
  void SetSortLocal(bool Value) { sort_local_ = Value; }
  TFont* TitleFont() const noexcept { return title_font_.get(); }
  void SetTitleFont(TFont* Value) { title_font_->Assign(Value); }
  int TitleHeight() const noexcept { return title_height_; }
  void SetTitleHeight(int Value);
  TCustomImageList* TitleImages() const noexcept { return title_images_; }
  void SetTitleImages(TCustomImageList* Value);
  int TitleLines() const noexcept { return title_lines_; }
  void SetTitleLines(int Value);
  bool UseMultiTitle() const noexcept { return use_multi_title_; }
  void SetUseMultiTitle(bool Value);
  int VTitleMargin() const noexcept { return v_title_margin_; }
  void SetVTitleMargin(int Value);
  // The scroll-bar settings of each direction, the filter-row settings and the footer aggregates:
  // parts of the grid, streamed with it; the setters take over another object's settings.
  TDBGridXScrollBar* HorzScrollBar() const noexcept { return horz_scroll_bar_.get(); }
  void SetHorzScrollBar(TDBGridXScrollBar* Value) { horz_scroll_bar_->Assign(Value); }
  TDBGridXScrollBar* VertScrollBar() const noexcept { return vert_scroll_bar_.get(); }
  void SetVertScrollBar(TDBGridXScrollBar* Value) { vert_scroll_bar_->Assign(Value); }
  TSTDBGridXFilter* STFilter() const noexcept { return st_filter_.get(); }
  void SetSTFilter(TSTDBGridXFilter* Value) { st_filter_->Assign(Value); }
  TDBGridXSumList* SumList() const noexcept { return sum_list_; }
  void SetSumList(TDBGridXSumList* Value) { sum_list_->Assign(Value); }
  // The grid draws the cells' contents itself (the framework grid's own filling stays off).
  bool DefaultDrawing() const noexcept { return default_drawing_; }
  void SetDefaultDrawing(bool Value);
  // The style the grid is drawn in: the process-wide one until another is set (nullptr goes back
  // to it).
  TDBGridXStyle* Style() const noexcept { return style_; }
  void SetStyle(TDBGridXStyle* Value);
  // Framework grid settings the grid publishes.
  using TCustomGrid::FixedColor;
  using TCustomGrid::SetFixedColor;

  // ---- Current column and geometry ----
  int SelectedIndex() const;
  void SetSelectedIndex(int Value);
  // The column of the current cell, or nullptr.
  TColumnX* SelectedColumn() const;
  // A data column index to the framework grid's column, and back.
  int DataToRawColumn(int ACol) const { return ACol + indicator_offset_; }
  int RawToDataColumn(int ACol) const { return ACol - indicator_offset_; }
  int IndicatorOffset() const noexcept { return indicator_offset_; }
  int TitleOffset() const noexcept { return title_offset_; }
  int GetTitleOffset();
  // The data cells as a grid rectangle.
  TGridRect GetDataBox();
  using TCustomGrid::ColCount;
  using TCustomGrid::RowCount;
  using TCustomGrid::ColWidths;
  using TCustomGrid::RowHeights;
  using TCustomGrid::FixedCols;
  using TCustomGrid::FixedRows;
  using TCustomGrid::DefaultColWidth;
  using TCustomGrid::DefaultRowHeight;
  using TCustomGrid::CalcDrawInfo;
  void CalcDrawInfo(TGridDrawInfoX& DrawInfo);
  // Where a framework cell lies. Raises Exception "Algorithm error in TCustomDBGridX.GetCellType"
  // for a row past the grid.
  TCellTypeX GetCellType(int ACol, int ARow);
  // The dataset's IMemTableX while the link is active and the dataset offers one; record-set mode:
  // with it and no footer rows every record is a grid row and the grid scrolls its own rows.
  IMemTableX* MemTable() const noexcept { return mem_table_.get(); }
  bool RecordSetMode() const noexcept { return record_set_; }
  // The dataset shows its records as a tree (through the mem-table interface).
  bool TreeShown() const;
  // Calls Action(grid row) for each record on screen while it is the record the fields show.
  void ForEachShownRecord(const std::function<void(int GridRow)>& Action);
  // Record-set mode: the first shown row, kept within the rows and so that the view stays full.
  void SafeSetTopRow(int ARow);
  // Remembers the current record and where it stands in the window, and brings both back, around
  // a walk through the dataset.
  void SaveBookmark();
  void RestoreBookmark();
  // Makes data row Row the link's active record for reading, puts the saved one back, and tests
  // whether a row is the active one.
  void SetRowActive(int Row);
  void RestoreActiveRecord();
  bool IsRowActive(int Row);
  // The grid row of the indicator arrow at the last paint.
  int SelRow() const noexcept { return sel_row_; }
  // The root of the tree of title bands ("Root") and each column's leaf, as the last layout left them.
  THeadTreeNode* TitleTree() const noexcept { return title_tree_.get(); }
  const std::vector<TTitleLeafX>& TitleLeaves() const noexcept { return title_leaves_; }
  // Data rows are taller than one line of text: word-wrapping columns wrap.
  bool MultiLineRows() const noexcept { return multi_line_rows_; }
  int EditButtonHeight() const noexcept { return edit_button_height_; }
  // Flat, Ctl3D and a single border: the grid draws its own 1-pixel sunken border around the window.
  bool FlatBorder() const noexcept { return flat_border_; }
  // The colours of highlighted cells as the grid picks them (what the style does by default): a
  // non-data cell, and a data cell (Selected: the selection holds it).
  bool DefaultHighlightFixedCell(const TCellTypeX& Cell, bool Highlight, TColor& Background, TFont* AFont);
  bool DefaultHighlightDataCell(int DataCol, int DataRow, TGridDrawState State, bool Selected, TColor& Background,
                                TFont* AFont);

  // ---- Update and layout locks ----
  void BeginUpdate();
  // Never below zero.
  void EndUpdate();
  int UpdateLock() const noexcept { return update_lock_; }
  int LayoutLock() const noexcept { return layout_lock_; }
  void BeginLayout();
  void EndLayout();
  void CancelLayout();
  bool AcquireLayoutLock();
  // Posts one WM_DEFERLAYOUTX to the window (none when one already waits). It ends no level: a
  // caller that holds a layout level of its own closes it with CancelLayout afterwards.
  void DeferLayout();
  // The grid is inside its own layout, or its link is reporting a layout change.
  bool InLayout() const noexcept { return in_layout_; }
  bool InLinkLayout() const noexcept { return in_link_layout_; }
  bool InDataUpdate() const noexcept { return in_data_update_; }

  // Repaints the footer rows, from the last row up; a range of cells; a column down to the row
  // below the last one shown; one row.
  void InvalidateFooter();
  void InvalidateGridRect(const TGridRect& ARect);
  void InvalidateCol(int ACol);
  using TCustomGrid::InvalidateRow;
  // The cell and, with row lines, the line above it (a raised cell draws its edge there).
  void InvalidateCell(int ACol, int ARow) override;

  // The width of in-cell edit buttons, fixed when the window is made.
  int EditButtonWidth() const noexcept { return edit_button_width_; }
  // The drawing bitmap all grids share while at least one exists.
  static TBitmap* SharedDrawBitmap() noexcept;
  static int SharedDrawBitmapUsers() noexcept;

  // ---- Data-link reactions ----
  // Data rows the client area shows, less the footer rows and the filler row; at least 1.
  int GetVisibleDataRowCount();
  // Some column hides values equal to the previous record's.
  bool AnyColumnHidesDuplicates() const;
  // The field's ReadOnly; a lookup field is read-only without key fields or when all of them are.
  static bool FieldIsReadOnly(TField* Field);
  // Coord within Rect, both ends included.
  static bool PointInGridRect(TGridCoord Coord, TGridRect Rect);
  // The in-place editor reads its cell again; while the filter row is edited its editor shows
  // again where a selection hid it.
  void ResetEditor();
  // The editor text last taken from the in-place editor (written to the field by the link).
  const std::string& SavedEditText() const noexcept { return edit_text_; }

  // ---- Editing ----
  bool CanModifyRecord();
  // The grid, its link and the current column allow changing the current cell.
  bool CheckCanEditModify();
  // The in-place editor is showing with text the user changed.
  bool EditorModified();
  std::string EditorText();
  bool EditorShowing();

  // ---- Typed characters and the in-place editor's text ----
  // The character of the WM_CHAR being handled, as UTF-8 (one code point); empty outside one.
  const std::string& GetPendingChars() const noexcept { return pending_chars_; }
  // The field of the current column; nullptr without a current column or field.
  TField* SelectedField() const;
  // The column may be changed and the grid edits (dgEditing).
  bool IsColumnEditable(int DataCol);
  // The current record's lookup key of Column's field is in the column's list dataset.
  bool IsLookupKeyInList(TColumnX* Column);
  // The value behind the editor's text, as GetEditText left it: the lookup key (or the special
  // row's value) of a lookup column; Null for other columns.
  const Variant& EditValue() const noexcept { return edit_value_; }
  // Shows the filter-row editor and posts it the character (nothing while the filter row has no
  // editor).
  void ForwardCharToFilterEditor(char32_t Ch);
  // Incremental search: Text is added to the search text and the first record whose shown text
  // in the current column begins with it (without case) becomes current: Mode 0 from the first
  // record (the current one stays when it matches), 1 forward from the next, 2 backward from the
  // prior. Without a match the record and the search text stay. The search ends TimeOut ms after
  // the last keystroke (never with a negative TimeOut).
  virtual void IncSearchLocate(const std::string& Text, int TimeOut, int Mode);
  // Places the filter row's editor over the filter column's cell (in Show mode also showing,
  // focusing and filling it); with nothing to edit, editing ends.
  void UpdateFilterEdit(bool Show);
  // ---- The filter row ----
  // The editor over a filter cell (nullptr before filter editing first starts) and the grid
  // column of the column it edits or last edited (-1: none).
  TInplaceFilterEditX* FilterEditor() const;
  int FilterCol() const;
  bool FilterEditing() const;
  // On: editing starts at the current column; off: it stops.
  void SetFilterEditing(bool Value);
  // The condition text of grid column ACol; empty for a column without a field or out of range.
  std::string GetFilterText(int ACol) const;
  // Takes the editor's text into its column (a text that does not read raises EConvertError
  // naming the column and the text, and the filter in force stays), then filters the dataset:
  // OnApplyFilter, else DefaultApplyFilter.
  void ApplyFilter();
  // Ends filter editing and clears every column's condition (the dataset is filtered by
  // ApplyFilter).
  void ClearAllFilters();
  // ---- Keyboard, clipboard and delete ----
  // Clears the selected records (dgMultiSelect with dgxClearSelection) and, with
  // dgxClearSelection, whatever else is selected.
  void ClearSelection();
  // Whether the edit actions may run now: copy (an active link and a selection), cut (copy and
  // delete), paste (the clipboard holds the grid's records or text and the grid may change
  // records), select all, delete.
  bool CanCopySelection();
  bool CanCutSelection();
  bool CanPasteToGrid();
  bool CanSelectAll();
  bool CanDeleteSelection();
  // Incremental search: while active, typed text finds the first record whose current column
  // begins with it.
  bool IncSearchActive() const noexcept { return inc_search_.Active(); }
  const std::string& IncSearchText() const noexcept { return inc_search_.Text(); }
  void StopIncSearch() { inc_search_.Stop(); }
  // Starts the search's time-out again (after Backspace shortened the text).
  void ResetIncSearchTimer() { inc_search_.RestartTimer(); }
  void StopIncSearchTimer() { inc_search_.StopTimer(); }
  // The current column takes the value of the record above (a lookup column its key fields').
  void CopyValueFromRecordAbove();

  // ---- Edit actions ----
  // The data link is offered an action first; then the standard edit actions (copy, paste, cut,
  // select all, delete, in that order) run or are enabled here while the grid has the focus, each
  // when its flag is in EditActions and the matching test allows.
  bool ExecuteAction(TBasicAction* Action) override;
  bool UpdateAction(TBasicAction* Action) override;

  // ---- The mouse ----
  // What the mouse is doing (TMouseModeX), and the title button held down (grid column, -1).
  int MouseMode() const noexcept { return mouse_.Mode(); }
  int TrackedTitleColumn() const noexcept { return mouse_.PressedTitle(); }
  bool TitleButtonDown() const noexcept { return mouse_.TitleDown(); }
  // Sort markers changed with Ctrl held: the sorting waits for Ctrl to be released.
  bool SortMarkingPending() const noexcept { return sort_marking_pending_; }
  // The tracking timer's interval (-1 while it is stopped).
  int TimerInterval() const noexcept { return mouse_.TimerInterval(); }
  // Where the record drag's drop line stands (client y), -1 while none is drawn.
  int DropLineY() const noexcept { return mouse_.Drag.LineY; }
  // Whether a selection of Kind may be made with the mouse.
  bool CanSelectType(TDBGridXSelectionType Kind);

  // ---- Events ----
  TDBGridXClickEvent OnCellClick;
  TNotifyEvent OnColEnter;
  TNotifyEvent OnColExit;
  TMovedEvent OnColumnMoved;
  TNotifyEvent OnColWidthsChanged;
  TDrawColumnXCellEvent OnDrawColumnCell;
  TDrawDataCellEvent OnDrawDataCell;
  TNotifyEvent OnEditButtonClick;
  TGetCellXParamsEvent OnGetCellParams;
  TGetFooterParamsEvent OnGetFooterParams;
  TNotifyEvent OnSelectionChanged;
  TNotifyEvent OnSortMarkingChanged;
  TNotifyEvent OnSumListAfterRecalcAll;
  TNotifyEvent OnSumListRecalcAll;
  TDBGridXClickEvent OnTitleClick;
  TNotifyEvent OnApplyFilter;
  TCheckTitleXBtnEvent OnCheckButton;
  TDrawFooterCellEvent OnDrawFooterCell;
  TGetBtnXParamsEvent OnGetBtnParams;
  TGridMoveRecordsEventX OnMoveRecords;
  TTitleXClickEvent OnTitleBtnClick;

  void Dispatch(TMessage& Message) override;
  void DefineProperties(TFiler& Filer) override;

 protected:
  // ---- Framework overrides ----
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void WndProc(TMessage& Message) override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  bool UseDoubleBuffer() override;
  void Paint() override;
  void CalcSizingState(int X, int Y, TGridState& State, int& Index, int& SizingPos, int& SizingOfs,
                       TGridDrawInfo& FixedInfo) override;
  TInplaceEdit* CreateEditor() override;
  bool CanEditShow() override;
  void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) override;
  bool CanEditModify() override;
  bool CanEditAcceptKey(char32_t Key) override;
  void ColumnMoved(int FromIndex, int ToIndex) override;
  void ColWidthsChanged() override;
  void TopLeftChanged() override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
  // A row sized with the mouse sets RowHeight: every data row takes that height.
  void RowHeightsChanged() override;
  void DefaultHandler(TMessage& Message) override;
  // Held outside the cells while selecting: up and down move the record past the rows shown.
  void TimedScroll(TGridScrollDirections Direction) override;
  void SetEditText(int ACol, int ARow, const std::string& Value) override;
  // What the in-place editor starts with over a cell: its text, its mask and its length limit.
  std::string GetEditText(int ACol, int ARow) override;
  std::string GetEditMask(int ACol, int ARow) override;
  int GetEditLimit() override;
  // Typed characters: the filter row, check-box and image columns, incremental search and the
  // tree keys come before the framework grid's editor.
  void WMChar(TMessage& Message);
  // The keypad's +, - and * open, close and toggle the current node of a tree without footer rows;
  // answers whether the key did.
  bool TreeKey(win::WORD Key);
  void KeyPress(char32_t& Key) override;
  // Scales the fonts the grid and its columns own and the column widths by M/D.
  void ChangeScale(int M, int D) override;

  // ---- Mouse ----
  // A press decides what the mouse starts (sizing, a title button, column selection or moving, a
  // record drag, selections of records or cells, the editor); moves carry it on and the release
  // finishes it, with title and cell clicks and sorting by the titles.
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  // Releasing Ctrl applies sort markers changed with it held.
  void KeyUp(win::WORD& Key, TShiftState Shift) override;
  // Leaving the grid: an untouched new record goes (dgCancelOnExit), else pending edits are posted.
  void DoExit() override;
  // Whether the pressed title button still shows pressed (the mouse over its title); ends every
  // tracking the mouse does, leaving what it would have changed.
  void TrackTitleButton(int X, int Y);
  void StopTracking();
  // The tracking timer (automatic scrolling, record dragging): started, or restarted with another
  // interval; stopped.
  void ResetTimer(int Interval) { mouse_.ResetTimer(Interval); }
  void StopTimer() { mouse_.StopTimer(); }
  // Sort markers changed: with dgxAutoSortMarking OnSortMarkingChanged, or the data service sorts.
  virtual void SortMarkingChanged();
  virtual void TitleBtnClick(int ACol, TColumnX* Column);
  // Whether the title of data column ACol acts as a button now: OnCheckButton may change Enabled,
  // which is false for a column out of range.
  virtual void CheckTitleButton(int ACol, bool& Enabled);
  virtual void TitleClick(TColumnX* Column);
  // The edges of the frozen columns in the titles, which the framework grid does not size: whether
  // (X, Y) lies on one, and which column, the sizing position and the mouse's offset from it.
  bool CalcFrozenColSizingState(int X, int Y, int& Index, int& SizingPos, int& SizingOfs);
  // A mouse mode is active, or (X, Y) lies on a frozen column's edge.
  bool FrozenColSizing(int X, int Y);
  // Fits the width of Column together with the selected columns (all columns when all is selected).
  void OptimizeSelectedColsWidth(TColumnX* Column);
  // The record-drag drop line at the target row (drawn again to erase it).
  void DrawRecordMoveLine();
  // The record drag follows the mouse: the target row (scrolling at the ends of the view) and level.
  virtual void RecordDragStep(TPoint MousePt, int MouseRow);

  // ---- Keyboard ----
  void KeyDown(win::WORD& Key, TShiftState Shift) override;
  // Moves the record by Distance (to the first or last record with ToEdge), extending a rectangle
  // (unless RowsOnly or dgRowSelect) or the selected records with Select.
  void ExtendSelectionBy(bool Select, int Distance, bool ToEdge, bool RowsOnly);
  // Makes data column ACol current, stepping past hidden columns in Direction (+1, -1; 0 for
  // none); with Extend a rectangle grows to it.
  void SelectColumnTo(int ACol, int Direction, bool Extend);
  // The arrow and Tab steps of KeyDown: a record down (appending at the end) or up (cancelling an
  // untouched appended record), or the next column that is a tab stop, across record ends.
  void DownArrowStep(bool Select, bool Extend);
  void UpArrowStep(bool Select, bool Extend);
  void TabStep(bool Forward);
  // Asks "Delete record?" (or, for several records, "Delete all selected records?") with
  // dgConfirmDelete; answers whether to delete.
  bool ConfirmDelete(bool Several);
  // The filter row: whether a column's filter may be edited, and starting its editor.
  virtual bool CanEditFilter(int ACol);
  virtual void StartEditFilter(int ACol);

  // ---- The grid's own virtual operations ----
  virtual bool AcquireFocus();
  // Record moving (dgxRecordMoving): whether records may be dropped at all; the grid row and tree
  // level a drop at MousePt would go to, and whether it may.
  virtual bool CanDropRecords();
  virtual bool GetDropTarget(TPoint MousePt, int& Row, int& TreeLevel);
  virtual bool RowSelectFocused();
  virtual bool AlwaysShowEditor();
  virtual bool FilterEditorActive();
  virtual bool IsCell3D(int ACol, int ARow, TGridDrawState State);
  // DataCol and Bookmark name the record of a data cell (an empty bookmark for other cells).
  virtual bool IsCellSelected(int ACol, int ARow, int DataCol, const TBookmark& Bookmark);
  // A press in the tree area of the first column (a dataset shown as a tree): on a node's button it
  // opens or closes the node; answers whether the point lies in the area. CheckOnly changes nothing.
  virtual bool ClickTreeArea(int X, int Y, bool CheckOnly);
  // A press in the indicator that starts dragging the record (the selected records); answers
  // whether it does. CheckOnly (the cursor's test as the mouse passes) changes nothing.
  virtual bool BeginRecordDrag(TPoint MousePt, bool CheckOnly);
  virtual TInplaceFilterEditX* CreateFilterEditor();
  virtual bool FilterRowVisible();
  virtual bool TitlesVisible();
  // The colours of a highlighted cell that is no data cell; answers whether it changed them.
  virtual bool HighlightFixedCell(int ACol, int ARow, const TCellTypeX& Cell, TGridDrawState State, bool Highlight,
                                  TColor& Background, TFont* AFont);
  // Whether a data cell is drawn highlighted, and its colours then.
  virtual bool HighlightDataCell(int DataCol, int DataRow, const std::string& Value, TGridDrawState State,
                                 TColor& Background, TFont* AFont);
  virtual bool GridOrEditorFocused();
  // Moves the records of the bookmarks next to record ToRecNo (1-based; after it when the first of
  // them comes before it, else before it) at TreeLevel: OnMoveRecords, else DefaultMoveRecords; the
  // selected records, or the dragged one; CheckOnly asks only whether they may move.
  virtual bool MoveRecords(TStrings* BookmarkList, int ToRecNo, int TreeLevel, bool CheckOnly);
  virtual bool MoveSelectedRecords(int ToRecNo, int TreeLevel, bool CheckOnly);
  virtual bool UseDoubleBuffering();
  virtual void DataChanged();
  virtual void DefineFieldMap();
  virtual void ApplyPendingResize();
  virtual void PaintFlatBorder();
  // The tree area of data column 0 while the dataset shows a tree: the record's level of 18-pixel
  // boxes (GetTreeIndentWidth) with the outline of its node drawn by DrawTreeArea.
  virtual void DrawTreeCell(int DataCol, int DataRow, TRect ARect, TGridDrawState State);
  void DrawTreeArea(const TRect& ARect, const TMemTreeNode& Node);
  int GetTreeIndentWidth();
  virtual void DrawFilterRowCell(int ACol, int ARow, const TCellTypeX& Cell, TRect ARect, TGridDrawState AState,
                                 bool& Highlighted);
  // Ends a record drag, moving the records to the target when Drop.
  virtual void EndRecordDrag(TPoint MousePt, bool Drop);
  virtual void LayoutChanged();
  virtual void LinkActive(bool Value);
  virtual void Scroll(int Distance);
  virtual void FocusChanged();
  virtual void UpdateColWidthsAndTabStops();
  virtual void ApplyFilterEditText();
  virtual void ShowCellEditor();
  // One step of automatic scrolling while a selection is dragged outside the data cells.
  virtual void TimerScroll();
  virtual void UpdateActive();
  virtual void UpdateFilterEditValue();
  virtual void UpdateHorzScrollBar();
  virtual void UpdateRowCount();
  virtual void UpdateScrollBar();
  // Through the dataset's IMemTableX; false without one.
  virtual bool DefaultMoveRecords(TStrings* BookmarkList, int ToRecNo, int TreeLevel, bool CheckOnly);
  virtual std::string GetFooterValue(int Row, TColumnX* Column);
  virtual bool FindDialogModal();
  virtual void DefaultApplyFilter();
  virtual void DefaultApplySorting();

  // The text a data cell's tool tip shows for the current record: the display text, or for image
  // and check-box columns the pick-list entry of the key or the state (empty when none).
  virtual std::string GetCellTooltipText(TColumnX* Column);

  // ---- Factories (overridden by the lookup grids) ----
  virtual std::unique_ptr<TColumnDefValuesX> CreateColumnDefValues();
  virtual std::unique_ptr<TDBGridColumnsX> CreateColumns();
  // TDBGridXScrollBar for the horizontal kind, TVertDBGridXScrollBar for the vertical one.
  virtual std::unique_ptr<TDBGridXScrollBar> CreateScrollBar(TScrollBarKind Kind);

  // ---- Dynamic operations ----
  // OnGetCellParams and OnGetFooterParams, when assigned.
  virtual void GetCellParams(TColumnX* Column, TFont* AFont, TColor& Background, TGridDrawState State);
  virtual void GetFooterParams(int DataCol, int Row, TColumnX* Column, TFont* AFont, TColor& Background,
                               TAlignment& Alignment, TGridDrawState State, std::string& Text);
  // OnDrawDataCell and OnDrawColumnCell, when assigned.
  virtual void DrawDataCell(const TRect& Rect, TField* Field, TGridDrawState State);
  virtual void DrawColumnCell(const TRect& Rect, int DataCol, TColumnX* Column, TGridDrawState State);
  virtual void EditButtonClick();
  virtual void CellClick(TColumnX* Column);
  virtual void ColEnter();
  virtual void ColExit();
  // The record or one of its fields changed under the grid.
  virtual void RecordChangedForField(TField* Field);
  virtual void InvalidateSelRowIndicator();
  // The link writes the grid's pending edit into the field.
  virtual void UpdateData();

  // Fits the listed columns' widths to their contents (the layout's measuring).
  virtual void OptimizeColumnWidths(const TColumnsXList& Columns);
  void OptimizeColumnWidth(TColumnX* Column);
  // The column collection changed (one column, or all with nullptr); a column leaves it.
  virtual void ColumnsUpdated(TColumnX* Column);
  void ColumnRemoved(TColumnX* Column);

  // The layout: rebuilds the columns from the link and the fields and the visible-columns list,
  // and turns the settings into the framework grid's columns, rows and heights.
  void InternalLayout();

  // ---- Drawing helpers shared by the cell kinds ----
  // Cell text through the writers of cell_writing.h, mirrored for a right-to-left column.
  void WriteCellText(TColumnX* Column, TCanvas* ACanvas, TRect ARect, bool FillRect, int DX, int DY,
                     std::string_view Text, TAlignment Alignment, TTextLayout Layout, bool MultiLine,
                     bool EndEllipsis, int LeftMarg, int RightMarg);
  // Switches the canvas between mirrored (right-to-left) and plain mapping.
  void ChangeGridOrientation(bool RightToLeftOrientation);
  // Fixed cells in the theme's toolbar look: not flat, themes on, dgxFixed3D and both kinds of lines.
  bool UseThemedFixedCells();
  void FillFixedCellBackground(const TRect& R, bool Pressed, bool Hot, const TRect& Clip);
  // Raised (or, pressed or highlighted, sunken) inner edges; a title band passes which of its ends
  // lie in the cell.
  void DrawCellEdges(TCanvas* ACanvas, TRect ARect, bool Pressed, bool Highlighted, bool LeftEdge, bool RightEdge);
  void DrawEditButton(TColumnX* Column, TCanvas* ACanvas, TEditButtonStyleX Style, TRect ButtonRect,
                      const TRect& CellRect, bool Pressed, bool Hot, bool AFlat, bool Enabled, TColor ParentColor,
                      TBitmap* Glyph);
  void DrawCheckBox(win::HDC DC, TRect ARect, TCheckBoxState State, bool Enabled, bool Pressed, bool AFlat,
                    bool Hot, TColor ParentColor);
  // The fixed-row height the title row takes from TitleHeight/TitleLines (0 when neither is set).
  int ComputedTitleHeight() const noexcept { return computed_title_height_; }

 private:
  friend class TGridDataLinkX;
  friend class TDBGridInplaceEdit;
  friend class TColumnX;
  friend class TColumnTitleX;
  friend class TDBGridColumnsX;
  friend class TColumnDefValuesX;
  friend class TDBGridXScrollBar;
  friend class TSTDBGridXFilter;
  friend class TSTColumnFilterX;
  friend class TDBGridXSumList;
  friend class TCellPainterX;

  // What incremental search asks of the grid (dbgrid_inc_search.cpp).
  bool SearchLinkActive() override;
  std::optional<std::string> SearchedText() override;
  std::optional<bool> LocateByDataSet(const std::string& Text) override;
  void BeginWalk() override;
  bool MoveRecord(int Step) override;
  void EndWalk(bool Found) override;
  void IncSearchShown(bool Active) override;
  void SetIncSearchTimer(int Interval) override;

  // What the selection and the selected records ask of the grid (dbgrid_selection.cpp).
  TDataSet* SelectionDataSet() override;
  bool SelectionLinkActive() override;
  TDBGridColumnsX* SelectionColumns() override { return columns_.get(); }
  TDBGridXSelection* GridSelection() override { return selection_.get(); }
  IRowsSelectionX* RowsSelection() override { return selection_.get(); }
  TBookmarkListX* GridSelectedRows() override { return selected_rows_.get(); }
  void ForEachRecordShown(const std::function<void(int GridRow)>& Action) override { ForEachShownRecord(Action); }
  TGridCoord GridCellCount() override { return {ColCount(), RowCount()}; }
  int SelectionIndicatorOffset() override { return indicator_offset_; }
  void RepaintCells(const TGridRect& Cells) override { InvalidateGridRect(Cells); }
  void RepaintCurrentRecord() override;
  void RepaintGrid() override;
  void SelectionKindChanged() override { InvalidateEditor(); }
  void SelectionChangeEvent() override;
  void SelectionCleared() override;

  // What the mouse tracker asks of the grid (mouse_tracking.cpp).
  void SetTrackingTimer(int Interval) override;
  void TitleButtonChanged() override;
  void AbandonRecordDrag() override;
  void ReleaseMouse() override;

  void HandleDeferLayout(TMessage& Message);
  // Record-set mode: the interface taken anew, whether the grid should be in the mode, the rows
  // (one per record) and the current row following the current record.
  void UpdateMemTableIntf();
  bool WantsRecordSet();
  void RecordSetRowCount();
  void RecordSetUpdateActive();
  void RecordSetFollowCurrent();
  // Data rows that hold records: the link's buffer, or every record in record-set mode.
  int DataRowCount();
  // The keyboard's steps (dbgrid_keys.cpp). KeyDown hands a key to each handler in turn: the
  // filter row, the search keys, the clipboard and delete chords; a navigation key becomes a move
  // of the current cell (where it goes and what becomes of the selection), any other a record key.
  struct TCursorMoveX {
    enum TTarget : std::uint8_t {
      cmNone, cmRecords, cmFirst, cmLast, cmRecordUp, cmRecordDown, cmColumn, cmScrollColumns, cmTab
    };
    // The selection is kept, cleared first, or extended to the new place.
    enum TSelectionChange : std::uint8_t { scKeep, scClear, scExtend };
    TTarget Target = cmNone;
    // Records to move by, the column to go to, or the direction of a scroll or a tab.
    int Value = 0;
    // The way past hidden columns.
    int Direction = 0;
    TSelectionChange Selection = scKeep;
  };
  bool FilterRowKey(win::WORD& Key, TShiftState Shift);
  bool SearchKey(win::WORD Key, TShiftState Shift);
  bool EditActionKey(win::WORD Key, TShiftState Shift);
  void DeleteKey();
  TCursorMoveX KeyMove(win::WORD Key, TShiftState Shift);
  void MoveCursor(const TCursorMoveX& Move);
  void RecordKey(win::WORD Key, TShiftState Shift);
  void ClearValueCell();
  void OpenFindDialog();
  // Ends whatever the mouse is doing, finishing nothing (Escape, the dataset closed, the focus gone
  // elsewhere).
  void CancelMouse();
  // The edit action's test (CanCopySelection, CanPasteToGrid, ...).
  bool EditActionAllowed(TDBGridXEditAction Action);
  // The first row below the data rows: the spacer row above the footer rows, or RowCount.
  int FirstFooterAreaRow() const;
  // The data cells on screen in pixels (the rows up to the last one there is).
  TRect DataBoxPixels();
  // The mouse's steps. A press: a double click, a title, a data row (its selection, the editor);
  // whether X lies on a cell's edit buttons and Y within a column's own title in the title tree.
  void PressTwice(TShiftState Shift, int X, int Y, TGridCoord Cell);
  bool PressTitle(TMouseButton& Button, TShiftState Shift, int X, int Y, TGridCoord Cell);
  void PressDataRow(TMouseButton Button, TShiftState Shift, int X, int Y, TGridCoord Cell);
  void PressRectangle(TMouseButton Button, TShiftState Shift, TGridCoord Cell, TGridCoord Before,
                      const TBookmark& BeforeBookmark);
  void PressRecords(TMouseButton Button, TShiftState Shift, TGridCoord Cell, TGridCoord Before);
  void PressEditor(TMouseButton Button, int X, int Y, TGridCoord Cell, TGridCoord Before);
  // The rectangle the mouse drags grows to the current cell, anchored where the press was.
  void GrowRectangle();
  bool PointInEditButtons(TGridCoord Cell, int X);
  bool PointInLeafTitle(TGridCoord Cell, int Y);
  // Moves: a selection follows the mouse; a column is sized live to the mouse.
  void DragSelection(TShiftState Shift, int X, int Y, bool Moved);
  void SizeColumnLive(int Index, int X);
  // Releases: a title button let go; a check-box or image cell clicked.
  void ReleaseTitleButton(TShiftState Shift, int X, int Y);
  void ReleaseOnCell(TShiftState Shift, int X, int Y);
  // Automatic scrolling over the column titles while columns are selected.
  void TimerScrollColumns();
  // The line of a column being sized (drawn again to erase it).
  void DrawColSizingLine(int Pos);
  // The filter row's editing (filter_row.h), served by TFilterRowHost; made with the grid.
  class TFilterRowHost;
  void CreateFilterRow();
  // Ends editing the filter row (not while STFilter is being updated); the text goes to its column.
  void StopEditFilter();
  // The column of grid column ACol; a column's condition was set (the editor showing it follows);
  // the kept drop-down values dropped when the data changes (not by the grid's own filtering).
  TColumnX* FilterColumnAt(int ACol) const;
  void FilterConditionChanged(TColumnX* Column);
  void DropFilterValueLists();
  void WMTimer(TMessage& Message);
  void WMSetCursor(TMessage& Message);
  // Focus: the column's input settings, the frame of selected rows, a pending sort, the filter
  // row's editor keeping the focus, and FocusChanged.
  void WMSetFocus(TMessage& Message);
  void WMKillFocus(TMessage& Message);
  void InvalidateRowSelectBox();
  // EN_CHANGE of the in-place editor (the filter row's editor tells the filter row itself).
  void WMCommand(TMessage& Message);
  void WMDesignHitTest(TMessage& Message);
  // Tool tips of cut-off cells and title hints (cell_tool_tips.cpp): the pause before one (none
  // for a tool-tip cell) and what it shows, where, in which font. The steps: the data column's
  // cell under a point and whether it asks for a tip; the tip's text for a footer, a record or a
  // title (false: none there); fitting and placing it.
  struct TTipCell {
    TGridCoord Cell{-1, -1};
    TCellTypeX Type;
    TColumnX* Column = nullptr;  // none: no data column's cell
  };
  struct TToolTipText;
  void CMHintShowPause(TMessage& Message);
  void CMHintShow(TMessage& Message);
  TTipCell TipCellAt(TPoint At);
  bool TipWanted(const TTipCell& Tip);
  void FooterTip(const TTipCell& Tip, TToolTipText& Text);
  bool DataTip(const TTipCell& Tip, TPoint At, TToolTipText& Text);
  bool TitleTip(const TTipCell& Tip, TPoint At, TToolTipText& Text);
  void PlaceTip(const TToolTipText& Text, const TRect& CellRect, THintInfo& Info);
  void WMCancelMode(TMessage& Message);
  // Presses on the filter row start editing its cell.
  void WMButtonDown(TMessage& Message);
  // The record-drag target as the record number MoveRecords takes; the drop line shown or hidden;
  // the row the mouse drags to (before the first or past the last shown outside the rows).
  int DragTargetRecNo();
  int DragMouseRow(int Y);
  // The dragged records would go below the target row (the first of them comes before it).
  bool DropBelowTarget();
  void ShowDropLine(bool Show);
  // Scroll messages of the grid's own bars (or an attached one) and resizing.
  void WMVScroll(TMessage& Message);
  void WMHScroll(TMessage& Message);
  void WMSize(TMessage& Message);
  // The vertical bar's position of a thumb message, read whole from the bar (the message carries
  // only 16 bits of it).
  int ThumbPosition(const TMessage& Message);
  // The grid holds a selection of records, cells or columns, and it is the whole grid.
  bool HasSelection() const;
  bool SelectionIsAll() const;
  // The layout's steps.
  void LayoutRowHeights(TCanvas* Canvas);
  // The height of in-cell edit buttons, from the row height and the button width.
  void LayoutEditButtonHeight();
  void LayoutFrozenCols();
  void LayoutTitleFromFonts(TCanvas* Canvas);
  void LayoutTitleFromSettings(TCanvas* Canvas);
  void LayoutMultiTitle(TCanvas* Canvas);
  void LayoutScrollBars();
  void FitColWidthsToClient();
  // The tree of title bands from the captions, and its heights measured.
  void BuildTitleTree();
  int CalcTitleTreeHeight(TCanvas* Canvas, THeadTreeNode* Node);
  // Grid lines of one area of Paint.
  void DrawGridLines(bool DoHorz, bool DoVert, int StartCol, int StartRow, const TRect& Box, TColor OnColor,
                     TColor OffColor, const TGridDrawInfoX& Info);
  void DrawCellArea(int StartCol, int StartRow, const TRect& Box, TColor AreaColor, TGridDrawState AreaState,
                    const TGridDrawInfoX& Info);
  // Builds default columns from the dataset's fields, or re-resolves persistent ones.
  void RebuildColumns();
  void RebuildSortMarkedColumns();
  void TitleFontChanged();
  void FooterFontChanged();
  void TitleImagesChanged(TObject* Sender);
  // Hands the sum list the dataset of the data source (none without one).
  void SumListTakeDataSet();
  // The sum list starts and ends a recalculation: OnSumListRecalcAll, OnSumListAfterRecalcAll.
  void SumListRecalcAll();
  void SumListAfterRecalcAll();
  void SyncGridOptions();
  bool ColumnsDiffer(TCustomDBGridX* Ancestor);
  void ReadColumns(TReader& Reader);
  void WriteColumns(TWriter& Writer);

  TDBGridXAllowedOperations allowed_operations_{alopInsertX, alopUpdateX, alopDeleteX, alopAppendX};
  TDBGridXAllowedSelections allowed_selections_{gstRecordBookmarks, gstRectangle, gstColumns, gstAll};
  std::unique_ptr<TColumnDefValuesX> column_def_values_;
  std::unique_ptr<TDBGridColumnsX> columns_;
  std::unique_ptr<TGridDataLinkX> data_link_;
  TDBGridXEditActions edit_actions_;
  bool flat_ = false;
  TColor footer_color_ = clWindow;
  std::unique_ptr<TFont> footer_font_;
  TDBGridOptions options_;
  TDBGridXOptions options_x_;
  bool read_only_ = false;
  bool sort_local_ = false;
  std::unique_ptr<TFont> title_font_;
  TCustomImageList* title_images_ = nullptr;
  std::unique_ptr<TChangeLink> title_image_link_;
  std::uint8_t title_offset_ = 1;
  std::uint8_t indicator_offset_ = 1;
  bool auto_fit_col_widths_ = false;
  std::unique_ptr<TColCellParamsX> cell_params_;
  bool draw_memo_text_ = false;
  int frozen_cols_ = 0;
  int min_auto_fit_width_ = 0;
  bool row_sizing_allowed_ = false;
  TColumnsXList sort_marked_columns_;
  bool use_multi_title_ = false;
  TColumnsXList visible_columns_;
  int v_title_margin_ = 10;
  std::unique_ptr<TDBGridXScrollBar> horz_scroll_bar_;
  std::unique_ptr<TDBGridXScrollBar> vert_scroll_bar_;
  std::unique_ptr<TSTDBGridXFilter> st_filter_;
  TDBGridXSumList* sum_list_ = nullptr;  // an owned component
  int footer_row_count_ = 0;
  int row_height_ = 0, row_lines_ = 0, title_height_ = 0, title_lines_ = 0;
  TColor even_row_color_ = clWindow, odd_row_color_ = clWindow;
  bool even_row_color_set_ = false, odd_row_color_set_ = false;

  int update_lock_ = 0;
  int layout_lock_ = 0;
  bool in_layout_ = false;
  bool in_link_layout_ = false;
  bool in_data_update_ = false;
  bool acquire_focus_ = true;
  bool destroying_ = false;
  bool updating_col_widths_ = false;
  int edit_button_width_ = 0;

  // Drawing and layout state.
  bool default_drawing_ = true;
  TDBGridXStyle* style_ = nullptr;
  std::unique_ptr<THeadTreeNode> title_tree_;
  std::vector<TTitleLeafX> title_leaves_;
  int title_text_margin_ = 4;
  int computed_title_height_ = 0;
  int edit_button_height_ = 0;
  bool multi_line_rows_ = false;
  int sel_row_ = -1;
  std::string edit_text_;
  // The record the link showed before a cell moved it to its own row; -1 outside such a move.
  int saved_active_record_ = -1;
  // What the mouse is doing between a press and its release, and its tracking timer.
  TMouseTrackerX mouse_{*this};
  // Sort markers changed with Ctrl held wait for its release.
  bool sort_marking_pending_ = false;
  // A press on a selected cell of a grid that drags (DragMode dmAutomatic) waits for the move.
  bool drag_selected_press_ = false;
  // Where the rectangle the mouse drags is anchored (data column and record).
  int rect_anchor_col_ = -1;
  TBookmark rect_anchor_bookmark_;
  // The cell pressed: a check-box cell steps on its release.
  TGridCoord mouse_down_cell_{-1, -1};
  // Incremental search: its text shows highlighted in the current cell while active.
  TIncSearchX inc_search_{*this};
  // Typed characters and the editor: the character being handled, the value behind the editor's
  // text; the grid is filtering its dataset.
  std::string pending_chars_;
  Variant edit_value_;
  bool applying_filter_ = false;
  // The wheel is being handed to a list or editor over the grid.
  bool forwarding_wheel_ = false;
  // The font a tool tip is written in (handed to the tool-tip window with the hint).
  std::unique_ptr<TFont> tooltip_font_;
  // The filter row's editing and what it asks of the grid (the host first: it outlives the row).
  std::unique_ptr<IFilterRowHostX> filter_host_;
  std::unique_ptr<TFilterRowX> filter_row_;
  // Keyboard: Ctrl held or dgxClearSelection off keeps what is selected; a Shift selection of
  // records runs from its anchor (drag value: the anchor's state before); ColExit is running.
  bool keep_selection_ = false;
  bool row_selecting_ = false;
  TBookmark row_select_anchor_;
  bool drag_select_value_ = false;
  bool in_col_exit_ = false;
  bool double_buffer_ = false;
  // The grid draws its own flat border (CreateParams decides); the title and footer fonts are
  // following the grid's font.
  bool flat_border_ = false;
  bool following_font_ = false;
  std::unique_ptr<TBookmarkListX> selected_rows_;
  std::unique_ptr<TDBGridXSelection> selection_;
  bool focused_ = false;  // the focus state at the last focus change
  // Scrolling: a tracking move already went where the closing thumb message points; the bar as
  // last set and the mode it was set in; a resize waiting for the update to end; the record and
  // its distance from the window's middle while a walk runs.
  bool thumb_tracked_ = false;
  std::unique_ptr<IMemTableX> mem_table_;
  bool record_set_ = false;
  win::SCROLLINFO last_scroll_info_{};
  TScrollBarVisibleModeX last_visible_mode_ = sbAutoShowX;
  bool scroll_info_set_ = false;
  int last_rec_no_ = 0;
  bool resize_in_update_ = false;
  int saved_offset_ = 0;
  int last_left_col_ = -1;
  TBookmark saved_bookmark_;
};

// The grid placed on forms; it publishes the settings and events of TCustomDBGridX.
class TDBGridX : public TCustomDBGridX {
  LAB_CLASS(TDBGridX, TCustomDBGridX)
  LAB_PROPERTIES(TDBGridX, TCustomDBGridX)
 public:
  explicit TDBGridX(TComponent* AOwner) : TCustomDBGridX(AOwner) {}
};

}  // namespace lab
