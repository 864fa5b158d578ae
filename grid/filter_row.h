#pragma once
// Editing the grid's filter row: the editor over a filter cell (filter_editor.h), the column it
// edits, its keys, its drop-down list and what a chosen item does. The grid owns one and serves
// it through IFilterRowHostX, so it is driven alone as well as in a grid.
//
// The column edited is kept as the column itself, not as its place in the grid: after columns
// are moved, sized, scrolled or deleted the editor is placed again over the same column's cell
// (Place), and what was typed reaches that column.

#include <memory>

#include "platform/controls/control_types.h"

namespace lab {

class TColumnX;
class TInplaceFilterEditX;
class IMemTableDataFieldValueListX;

// What editing the filter row asks of the grid it serves.
class IFilterRowHostX {
 public:
  virtual ~IFilterRowHostX() = default;
  // A new editor, hidden, in the grid's window and its handlers still to be attached; styled in
  // the grid's font, colours and flatness each time editing starts.
  virtual TInplaceFilterEditX* CreateFilterEditor() = 0;
  virtual void StyleFilterEditor(TInplaceFilterEditX& Editor) = 0;
  // The columns in display order; whether one's filter cell shows and may be edited; where it
  // stands in the grid's client area (empty while off screen).
  virtual int FilterColumnCount() = 0;
  virtual TColumnX* FilterColumn(int Index) = 0;
  virtual bool FilterCellEditable(TColumnX* Column) = 0;
  virtual TRect FilterCellRect(TColumnX* Column) = 0;
  // The grid changes the filters itself: editing is neither placed nor ended meanwhile.
  virtual bool FiltersUpdating() = 0;
  // The editor may show now (no selection stands in the way).
  virtual bool FilterEditorMayShow() = 0;
  // Editing goes to Column the grid's way (its StartEditFilter, which calls Start); Start's share
  // of the grid: pending edits posted, its cell editor hidden, Column brought into view and made
  // current. Ended: the cell editor back as the grid's options want it.
  virtual void StartEditFilter(TColumnX* Column) = 0;
  virtual void EnterFilterColumn(TColumnX* Column) = 0;
  virtual void FilterEditingEnded() = 0;
  virtual void FocusGrid() = 0;
  virtual void InvalidateFilterCell(TColumnX* Column) = 0;
  // The editor's text into the column's filter (the grid's ApplyFilterEditText), and the editor
  // filled from the filter (its UpdateFilterEditValue, which calls Fill).
  virtual void TakeFilterEditText() = 0;
  virtual void FillFilterEditor() = 0;
  // Filtering by the filters; every filter cleared; sorting by Column alone.
  virtual void ApplyFilter() = 0;
  virtual void ClearAllFilters() = 0;
  virtual void SortByFilterColumn(TColumnX* Column, bool Ascending) = 0;
  // Down: the records take the keys at Column (at the first record on screen with ToFirst);
  // false while the grid shows no data.
  virtual bool LeaveFilterRowDown(TColumnX* Column, bool ToFirst) = 0;
  // Tab moves between filter cells; a chosen item filters at once; Column's list offers sorting.
  virtual bool TabMovesFilterEditor() = 0;
  virtual bool ChosenItemsApply() = 0;
  virtual bool OffersSorting(TColumnX* Column) = 0;
  // The values Column's drop-down offers (none: nullptr).
  virtual std::shared_ptr<IMemTableDataFieldValueListX> FilterValues(TColumnX* Column) = 0;
};

class TFilterRowX {
 public:
  explicit TFilterRowX(IFilterRowHostX& Host) : host_(Host) {}
  // The editor, owned by the grid, may outlive this: it is told nothing more.
  ~TFilterRowX();
  TFilterRowX(const TFilterRowX&) = delete;
  TFilterRowX& operator=(const TFilterRowX&) = delete;

  // nullptr before editing first starts.
  TInplaceFilterEditX* Editor() const noexcept { return editor_; }
  bool EditorShowing() const;
  // The column edited, or last edited (Up with whole-row selection starts there again); nullptr
  // before any and after it leaves the grid.
  TColumnX* Column() const noexcept { return column_; }
  void SetColumn(TColumnX* Value) noexcept { column_ = Value; }
  bool Editing() const noexcept { return editing_; }

  // Editing goes to Column: the text of the cell left is taken first (a text that does not read
  // raises EConvertError and the editor stays); the editor, made on first use, shows over the
  // cell, focused and filled from its filter.
  void Start(TColumnX* Column);
  // Ends editing, the text taken into its column first (a text that does not read raises
  // EConvertError and editing goes on); nothing while the grid updates the filters.
  void Stop();
  // Places the editor over its column's cell again; Show also shows a hidden one, focused, filled
  // and its text selected. Where nothing is left to edit, editing ends: the text is taken when it
  // reads, else the condition in force stays.
  void Place(bool Show);
  // Hides the editor, its text taken into its column first.
  void Hide();
  // The editor from the column's filter: its text, key, and the drop-down where a list exists.
  void Fill();
  // The next column in Direction whose filter may be edited (from the first or last with
  // FromEdge, wrapping) gets the editor; where none does, it stays.
  void Move(int Direction, bool FromEdge);
  // Column's condition was set: an editor showing that column shows it.
  void FilterChanged(TColumnX* Column);
  // Column leaves the grid: editing it ends, its text with it.
  void ColumnRemoved(TColumnX* Column);
  // A character typed while the grid has the focus, and a left press on the column's filter
  // cell: for the editor, where a second press soon after at the same place makes a double click.
  void TypeChar(char32_t Ch);
  void PassPress(TPoint ScreenPoint, win::WPARAM Keys);

 private:
  void Create();
  void KeyDown(win::WORD& Key, TShiftState Shift);
  void KeyPress(char32_t& Key);
  void TextChanged();
  void GetList();
  void CloseUp(bool Accept);
  // Hides the editor without taking its text.
  void Conceal();
  // Ends editing where the row or the column went: the text is taken when it reads.
  void EndQuietly();

  IFilterRowHostX& host_;
  TInplaceFilterEditX* editor_ = nullptr;
  TColumnX* column_ = nullptr;
  bool editing_ = false;
};

}  // namespace lab
