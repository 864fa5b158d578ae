#pragma once
// The lookup grid: a data grid listing the records of a list dataset by its list fields, with the
// key fields whose values a lookup stands for and an optional special first row ("(none)") that
// stands for a value of its own. It keeps a choice: nothing, the special row, or the current
// record, shown highlighted whether the grid has the focus or not. The special row stands where a
// grid's filter row would, a fixed row under the titles (a lookup grid has no filter row).
//
// TPopupDataGridX is the same grid as the drop-down of a lookup column (the column's DataList),
// which the column's in-place editor opens under the cell; the column's DropDownBox configures it.
// It is a pop-up window that never takes the focus, so the editor's keys move its choice, and it
// holds the mouse while open, so a press anywhere else closes it. The mouse tracks the rows; a
// release over one chooses it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "grid/dbgrid.h"

namespace lab {

class TSpecRowX;

class TDBLookupGridX : public TCustomDBGridX {
  LAB_CLASS(TDBLookupGridX, TCustomDBGridX)
 public:
  // A list to pick from: read-only, without indicator and titles, with column lines.
  explicit TDBLookupGridX(TComponent* AOwner);
  ~TDBLookupGridX() override;

  // Sizing, lines and sort marking of the list, kept in the grid's own options.
  TDBLookupGridXOptions Options() const;
  void SetOptions(TDBLookupGridXOptions Value);
  // The key fields (";" between several) of the list dataset.
  const std::string& KeyFieldName() const noexcept { return key_field_name_; }
  void SetKeyFieldName(const std::string& Value) { key_field_name_ = Value; }
  // The fields the default columns show (";" between several; every visible field when empty).
  const std::string& ListFieldName() const noexcept { return list_field_name_; }
  void SetListFieldName(const std::string& Value);
  TSpecRowX* SpecRow() const noexcept { return spec_row_.get(); }
  // Takes over the settings of Value.
  void SetSpecRow(TSpecRowX* Value);

  enum TChoiceX : std::uint8_t { lcNoneX, lcSpecRowX, lcRecordX };
  TChoiceX Choice() const noexcept { return choice_; }
  // Chooses what stands for Key: the special row for its value (and, when it shows for keys the
  // list does not hold, for such a key), else the record with that key; without either nothing
  // is chosen and the first record is current.
  void ChooseKey(const Variant& Key);
  // Moves the choice Distance rows down (up when negative), the special row standing above the
  // first record; without a choice the first row is chosen.
  void MoveChoice(int Distance);
  // Chooses the special row or the record shown at grid row ARow; false for any other row.
  bool ChooseRow(int ARow);
  // The current record's key fields, or the special row's value; Null without a choice.
  Variant ChosenKey();

 protected:
  void GetDefaultColumnFields(std::vector<TField*>& List) override;
  bool FilterRowVisible() override;
  bool CanEditFilter(int ACol) override;
  bool IsCell3D(int ACol, int ARow, TGridDrawState State) override;
  void DrawFilterRowCell(int ACol, int ARow, const TCellTypeX& Cell, TRect ARect, TGridDrawState AState,
                         bool& Highlighted) override;
  bool HighlightDataCell(int DataCol, int DataRow, const std::string& Value, TGridDrawState State,
                         TColor& Background, TFont* AFont) override;

 private:
  bool SpecRowShown() const;
  void SetChoice(TChoiceX Value);

  std::string key_field_name_;
  std::string list_field_name_;
  std::unique_ptr<TSpecRowX> spec_row_;
  TChoiceX choice_ = lcNoneX;
};

// How the drop-down closed: with a choice to take, or without.
using TPopupDataGridCloseEventX = std::function<void(bool Chosen)>;

class TPopupDataGridX : public TDBLookupGridX {
  LAB_CLASS(TPopupDataGridX, TDBLookupGridX)
 public:
  explicit TPopupDataGridX(TComponent* AOwner);

  // Shows the list under Anchor (above it when the screen ends first) in Anchor's font, Rows
  // records high at most (at least one; the titles and the special row besides), Width wide (0:
  // as wide as Anchor). OnClose hears how it closes.
  void DropDown(TWinControl* Anchor, int Rows, int Width, TPopupDataGridCloseEventX OnClose);
  // Hides the list and tells OnClose.
  void CloseUp(bool Chosen);
  bool DroppedDown() const noexcept { return dropped_down_; }
  // Up, Down, PgUp and PgDn move the choice; answers whether Key was one of them.
  bool MoveByKey(win::WORD Key);

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;

 private:
  // A press outside the rows: on the list's own scroll bar it scrolls; anywhere else it closes.
  void PressOutside(TPoint ClientPos);

  bool dropped_down_ = false;
  TPopupDataGridCloseEventX on_close_;
};

}  // namespace lab
