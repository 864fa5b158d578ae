// The grid's keyboard: keys move the dataset's current record (the rows follow it; the framework
// grid never moves its rows on its own), move the current column, extend selections with Shift,
// run the clipboard and delete actions, insert and append records, and open the find dialog.

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "grid/dbgrid.h"
#include "grid/filter_row.h"
#include "grid/find_dialog.h"
#include "grid/grid_clipboard.h"
#include "grid/grid_services.h"
#include "grid/grid_unit.h"
#include "platform/controls/clipboard.h"
#include "platform/controls/dialogs.h"
#include "platform/controls/input.h"
#include "platform/controls/messages.h"
#include "platform/db/dataset.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

namespace {

TShiftState KeyModifiers(TShiftState Shift) {
  TShiftState m;
  for (TShiftStateItem s : {ssShift, ssCtrl, ssAlt})
    if (Shift.Contains(s)) m.Include(s);
  return m;
}

}  // namespace

void TCustomDBGridX::ClearSelection() {
  if (options_.Contains(dgMultiSelect) && options_x_.Contains(dgxClearSelection)) selected_rows_->Clear();
  row_selecting_ = false;
  if (HasSelection() && options_x_.Contains(dgxClearSelection)) {
    selection_->Clear();
    if (HandleAllocated()) Invalidate();
    ResetEditor();
  }
}

// ---- Delete confirmation ----

bool TCustomDBGridX::ConfirmDelete(bool Several) {
  if (!options_.Contains(dgConfirmDelete)) return true;
  return MessageDlg(Several ? "Delete all selected records?" : "Delete record?", mtConfirmation, {mbOK, mbCancel}) !=
         mrCancel;
}

// ---- Steps ----

void TCustomDBGridX::DownArrowStep(bool Select, bool Extend) {
  TDataSet* ds = data_link_->DataSet();
  if (!data_link_->Active() || !ds) return;
  if (ds->State() == dsInsert && !ds->Modified() && !data_link_->Modified()) {
    // An untouched new record: at the end it stays the one appended record.
    if (ds->Eof()) return;
    ds->Cancel();
  } else if (Extend) {
    ExtendSelectionBy(Select, 1, false, false);
  } else {
    row_selecting_ = false;
    data_link_->MoveBy(1);
  }
  if (ds->Eof() && ds->CanModify() && !read_only_ && options_.Contains(dgEditing) &&
      allowed_operations_.Contains(alopAppendX))
    ds->Append();
}

void TCustomDBGridX::UpArrowStep(bool Select, bool Extend) {
  TDataSet* ds = data_link_->DataSet();
  if (!data_link_->Active() || !ds) return;
  if (ds->State() == dsInsert && !ds->Modified() && ds->Eof() && !data_link_->Modified()) {
    ds->Cancel();
    return;
  }
  if (Extend) {
    ExtendSelectionBy(Select, -1, false, false);
  } else {
    row_selecting_ = false;
    data_link_->MoveBy(-1);
  }
}

void TCustomDBGridX::TabStep(bool Forward) {
  ClearSelection();
  const int first = indicator_offset_, last = ColCount() - 1;
  if (last < first) return;
  int col = Col();
  const int start = col;
  {
    BeginUpdate();
    TScopeExit end_update([this] { EndUpdate(); });
    // Each column once, and past one record end at most: a grid without tab stops ends the loop.
    for (int steps = 0; steps <= 2 * (last - first + 2); ++steps) {
      col += Forward ? 1 : -1;
      if (col > last) {
        DownArrowStep(false, false);
        col = first;
      } else if (col < first) {
        UpArrowStep(false, false);
        col = last;
      }
      if (col == start) return;
      if (TabStops(col) && ColWidths(col) > 0) break;
    }
  }
  if (col != start) SelectColumnTo(col, 0, false);
}

void TCustomDBGridX::SelectColumnTo(int ACol, int Direction, bool Extend) {
  const bool rect_allowed = !options_.Contains(dgRowSelect) && allowed_selections_.Contains(gstRectangle) &&
                            data_link_->Active();
  if (Extend && rect_allowed && selection_->SelectionType() != gstRectangle)
    selection_->Rect()->Select(SelectedIndex(), selected_rows_->CurrentRow(), false);
  data_link_->UpdateRecord();
  const int first = indicator_offset_, last = ColCount() - 1;
  ACol = std::clamp(ACol, first, std::max(first, last));
  if (Direction != 0)
    while (ACol >= first && ACol <= last && ColWidths(ACol) <= 0) ACol += Direction;
  if (ACol < first || ACol > last) return;
  if (ACol != Col()) {
    if (!in_col_exit_) {
      in_col_exit_ = true;
      TScopeExit done([this] { in_col_exit_ = false; });
      const int before = Col();
      ColExit();
      if (Col() != before) return;
    }
    if (!options_.Contains(dgAlwaysShowEditor)) HideEditor();
    if (!options_.Contains(dgRowSelect)) MoveColRow(ACol, Row(), true, true);
    if (EditorMode()) UpdateEdit();
  }
  if (Extend && rect_allowed && selection_->SelectionType() == gstRectangle)
    selection_->Rect()->Select(SelectedIndex(), selected_rows_->CurrentRow(), true);
}

void TCustomDBGridX::ExtendSelectionBy(bool Select, int Distance, bool ToEdge, bool RowsOnly) {
  TDataSet* ds = data_link_->DataSet();
  if (!data_link_->Active() || !ds) return;
  if (!RowsOnly && !options_.Contains(dgRowSelect)) {
    if (!Select || !allowed_selections_.Contains(gstRectangle)) {
      data_link_->MoveBy(Distance);
      return;
    }
    {
      BeginUpdate();
      TScopeExit end_update([this] { EndUpdate(); });
      TDBGridXSelectionRect* rect = selection_->Rect();
      if (selection_->SelectionType() != gstRectangle) {
        selection_->Clear();
        rect->Select(SelectedIndex(), selected_rows_->CurrentRow(), false);
      }
      if (ToEdge && Distance > 0) ds->Last();
      else if (ToEdge && Distance < 0) ds->First();
      else data_link_->MoveBy(Distance);
      rect->Select(SelectedIndex(), selected_rows_->CurrentRow(), true);
    }
    if (update_lock_ == 0 && resize_in_update_) ApplyPendingResize();
    return;
  }
  Select = Select && allowed_selections_.Contains(gstRecordBookmarks);
  const bool marking = Select && options_.Contains(dgMultiSelect);
  const int step = Distance < 0 ? -1 : 1;
  const int count = ToEdge ? INT_MAX : std::abs(Distance);
  const bool many = ToEdge || count > GetVisibleDataRowCount();
  {
    BeginUpdate();
    if (many) ds->DisableControls();
    TScopeExit end_update([this, ds, many] {
      if (many) ds->EnableControls();
      EndUpdate();
    });
    for (int i = 0; i < count; ++i) {
      if (!marking) {
        if (!Select) ClearSelection();
        if (data_link_->MoveBy(step) == 0) break;
        continue;
      }
      if (i == 0 && !row_selecting_) {
        row_selecting_ = true;
        row_select_anchor_ = selected_rows_->CurrentRow();
        drag_select_value_ = selected_rows_->CurrentRowSelected();
        selected_rows_->SetCurrentRowSelected(keep_selection_ ? !drag_select_value_ : true);
      }
      // Moving away from the anchor selects the record reached; moving back lets go of the one left.
      const int side = DataSetCompareBookmarks(ds, selected_rows_->CurrentRow(), row_select_anchor_);
      const bool away = side == 0 || (side > 0) == (step > 0);
      if (!away) selected_rows_->SetCurrentRowSelected(keep_selection_ ? drag_select_value_ : false);
      if (data_link_->MoveBy(step) == 0) break;
      if (away) selected_rows_->SetCurrentRowSelected(true);
    }
  }
  if (update_lock_ == 0 && resize_in_update_) ApplyPendingResize();
}

// ---- KeyDown: what a key means, in turn ----

void TCustomDBGridX::KeyDown(win::WORD& Key, TShiftState Shift) {
  keep_selection_ = Shift.Contains(ssCtrl) || !options_x_.Contains(dgxClearSelection);
  TCustomControl::KeyDown(Key, Shift);  // OnKeyDown, before anything else
  if (Key == 0) return;
  if (FilterRowKey(Key, Shift)) return;
  if (UseRightToLeftAlignment()) {
    if (Key == win::VK_LEFT) Key = win::VK_RIGHT;
    else if (Key == win::VK_RIGHT) Key = win::VK_LEFT;
  }
  if (!data_link_->Active() || !data_link_->DataSet()) return;
  if (!CanGridAcceptKey(Key, Shift)) return;
  if (SearchKey(Key, Shift) || EditActionKey(Key, Shift)) return;
  const bool ctrl = Shift.Contains(ssCtrl);
  if (const TCursorMoveX move = KeyMove(Key, Shift); move.Target != TCursorMoveX::cmNone) MoveCursor(move);
  else if (!ctrl) RecordKey(Key, Shift);
  if (!ctrl && !Shift.Contains(ssShift) && Key == win::VK_DELETE) ClearValueCell();
}

// Up at the first record (or with Ctrl) goes into the filter row; answers whether its editor took
// the key.
bool TCustomDBGridX::FilterRowKey(win::WORD& Key, TShiftState Shift) {
  TDataSet* ds = data_link_->DataSet();
  if (Key != win::VK_UP || !FilterRowVisible() || !data_link_->Active() || !ds ||
      !(ds->Bof() || Shift.Contains(ssCtrl)))
    return false;
  int col = Col();
  if (options_.Contains(dgRowSelect)) {
    auto first_filterable = [this](int From) {
      for (int c = std::max(From, static_cast<int>(indicator_offset_)); c < ColCount(); ++c)
        if (CanEditFilter(c)) return c;
      return -1;
    };
    auto on_screen = [this](int C) {
      return C >= indicator_offset_ && (C >= LeftCol() || C < FixedCols()) && C < LeftCol() + VisibleColCount();
    };
    // From the column edited last, when it is still on screen.
    col = first_filterable(FilterCol());
    if (col < 0 || !on_screen(col)) {
      col = first_filterable(FixedCols() > indicator_offset_ ? indicator_offset_ : LeftCol());
      filter_row_->SetColumn(FilterColumnAt(col));
    }
  }
  if (col >= 0) StartEditFilter(col);
  if (!FilterEditorActive()) return false;
  Key = 0;
  return true;
}

void TCustomDBGridX::OpenFindDialog() {
  if (const TDBGridXFindDialogProc& proc = DBGridXFindDialogProc()) proc(this, "", "", {}, FindDialogModal());
}

// The search keys: copying from the record above, starting incremental search (or the find dialog
// that shares its key), and the keys of a running search. Answers whether one was.
bool TCustomDBGridX::SearchKey(win::WORD Key, TShiftState Shift) {
  const TDBGridXResources& keys = DBGridXResources();
  const TShiftState mods = KeyModifiers(Shift);
  const TShortCut sc = ShortCut(Key, mods);
  if (sc == keys.CopyFromAboveKey) {
    CopyValueFromRecordAbove();
    return true;
  }
  if (sc == keys.IncSearchStartKey && options_x_.Contains(dgxIncSearch)) {
    if (inc_search_.Active() && options_x_.Contains(dgxDialogFind) && keys.FindDialogKey == keys.IncSearchStartKey) {
      StopIncSearch();
      OpenFindDialog();
    } else {
      IncSearchLocate("", -1, 0);
    }
    return true;
  }
  if (sc == keys.FindDialogKey && options_x_.Contains(dgxDialogFind)) {
    OpenFindDialog();
    return true;
  }
  if (!inc_search_.Active()) return false;
  if (mods.Empty() && (Key == win::VK_RETURN || Key == win::VK_ESCAPE || Key == win::VK_TAB)) {
    StopIncSearch();
    return true;
  }
  if (mods.Empty() && Key == win::VK_BACK) {
    inc_search_.DropLastChar();
    return true;
  }
  if (sc == keys.IncSearchNextKey || sc == keys.IncSearchPriorKey) {
    IncSearchLocate("", inc_search_.TimeOut(), sc == keys.IncSearchNextKey ? 1 : 2);
    return true;
  }
  return false;
}

// The clipboard and delete chords: Ctrl+C (Ctrl+Insert), Ctrl+X (Shift+Delete), Ctrl+V
// (Shift+Insert), Ctrl+A and Ctrl+Delete. Answers whether the key was one.
bool TCustomDBGridX::EditActionKey(win::WORD Key, TShiftState Shift) {
  const bool ctrl = Shift.Contains(ssCtrl), shift = Shift.Contains(ssShift);
  auto paste = [this] {
    if (inc_search_.Active()) IncSearchLocate(Clipboard()->AsText(), inc_search_.TimeOut(), 0);
    else if (CanPasteToGrid() && edit_actions_.Contains(geaPasteX)) PasteGridFromClipboard(this);
  };
  auto cut = [this] {
    if (CanCutSelection() && edit_actions_.Contains(geaCutX)) CutGridSelection(this);
  };
  if (!ctrl) {
    if (shift && Key == win::VK_INSERT) paste();
    else if (shift && Key == win::VK_DELETE) cut();
    else return false;
    return true;
  }
  switch (Key) {
    case win::VK_DELETE: DeleteKey(); return true;
    case win::VK_INSERT:
    case 'C':
      if (CanCopySelection() && edit_actions_.Contains(geaCopyX)) CopyGridToClipboard(this);
      return true;
    case 'X': cut(); return true;
    case 'V': paste(); return true;
    case 'A':
      if (CanSelectAll() && edit_actions_.Contains(geaSelectAllX)) selection_->SelectAll();
      return true;
    default: return false;
  }
}

// Ctrl+Delete: the selection through the delete action, else the selected (or current) records.
void TCustomDBGridX::DeleteKey() {
  TDataSet* ds = data_link_->DataSet();
  if (edit_actions_.Contains(geaDeleteX) && HasSelection()) {
    if (!CanDeleteSelection()) return;
    // Records go only when the user agrees, as with the plain delete below.
    const TDBGridXSelectionType kind = selection_->SelectionType();
    const bool records = kind == gstRecordBookmarks || kind == gstAll;
    if (!records || ConfirmDelete(kind == gstAll || selected_rows_->Count() > 1)) DeleteGridSelection(this);
  } else if (!read_only_ && !ds->IsEmpty() && ds->CanModify() && allowed_operations_.Contains(alopDeleteX) &&
             ConfirmDelete(selected_rows_->Count() > 1)) {
    if (selected_rows_->Count() > 0) selected_rows_->Delete();
    else ds->Delete();
  }
}

// Where a navigation key sends the current cell, and what it does to the selection on the way.
TCustomDBGridX::TCursorMoveX TCustomDBGridX::KeyMove(win::WORD Key, TShiftState Shift) {
  using M = TCursorMoveX;
  const bool ctrl = Shift.Contains(ssCtrl), shift = Shift.Contains(ssShift), alt = Shift.Contains(ssAlt);
  const bool multi = options_.Contains(dgMultiSelect), row_select = options_.Contains(dgRowSelect);
  const M::TSelectionChange extend_or_clear = shift && multi ? M::scExtend : M::scClear;
  const M::TSelectionChange extend_or_keep = shift && multi ? M::scExtend : M::scKeep;
  // The records on screen: from the current one to the first, and to the last.
  auto to_first_shown = [&] { return record_set_ ? TopRow() - Row() : -data_link_->ActiveRecord(); };
  auto to_last_shown = [&] {
    if (!record_set_) return data_link_->BufferCount() - data_link_->ActiveRecord() - 1;
    TGridDrawInfo di;
    TCustomGrid::CalcDrawInfo(di);
    return std::min(di.Vert.LastFullVisibleCell, RowCount() - 1) - Row();
  };
  if (ctrl) {
    // Ctrl moves without clearing the selection only while Shift extends it.
    const M::TSelectionChange sel = !shift ? M::scClear : multi ? M::scExtend : M::scKeep;
    switch (Key) {
      case win::VK_PRIOR: case win::VK_UP: return {M::cmRecords, to_first_shown(), 0, sel};
      case win::VK_NEXT: case win::VK_DOWN: return {M::cmRecords, to_last_shown(), 0, sel};
      case win::VK_HOME: return {M::cmFirst, 0, 0, sel};
      case win::VK_END: return {M::cmLast, 0, 0, sel};
      case win::VK_LEFT: return {M::cmColumn, indicator_offset_, 1, M::scKeep};
      case win::VK_RIGHT: return {M::cmColumn, ColCount() - 1, -1, M::scKeep};
      default: return {};
    }
  }
  switch (Key) {
    case win::VK_UP: return {M::cmRecordUp, 0, 0, shift ? M::scExtend : M::scKeep};
    case win::VK_DOWN: return {M::cmRecordDown, 0, 0, shift ? M::scExtend : M::scKeep};
    case win::VK_LEFT:
    case win::VK_RIGHT: {
      const int step = Key == win::VK_LEFT ? -1 : 1;
      if (row_select) return {M::cmScrollColumns, step, 0, M::scKeep};
      return {M::cmColumn, Col() + step, step, extend_or_clear};
    }
    case win::VK_HOME:
    case win::VK_END: {
      const bool home = Key == win::VK_HOME;
      int edge = home ? indicator_offset_ : ColCount() - 1;
      while (edge != (home ? ColCount() - 1 : static_cast<int>(indicator_offset_)) && ColWidths(edge) <= 0)
        edge += home ? 1 : -1;
      // From the first (last) column the key goes on to the first (last) record.
      if (Col() == edge || row_select) return {home ? M::cmFirst : M::cmLast, 0, 0, extend_or_clear};
      return {M::cmColumn, home ? indicator_offset_ : ColCount() - 1, home ? 1 : -1, extend_or_keep};
    }
    case win::VK_NEXT:
    case win::VK_PRIOR: {
      const int page = GetVisibleDataRowCount();
      return {M::cmRecords, Key == win::VK_NEXT ? page : -page, 0, extend_or_clear};
    }
    case win::VK_TAB:
      if (!alt) return {M::cmTab, shift ? -1 : 1, 0, M::scKeep};
      return {};
    case win::VK_RETURN:
      if (options_x_.Contains(dgxEnterAsTab)) return {M::cmTab, shift ? -1 : 1, 0, M::scKeep};
      return {};
    default: return {};
  }
}

void TCustomDBGridX::MoveCursor(const TCursorMoveX& Move) {
  using M = TCursorMoveX;
  TDataSet* ds = data_link_->DataSet();
  const bool extend = Move.Selection == M::scExtend;
  switch (Move.Target) {
    case M::cmRecords:
      if (extend) {
        ExtendSelectionBy(true, Move.Value, false, true);
        return;
      }
      if (Move.Selection == M::scClear) ClearSelection();
      // A dataset that fetches as it scrolls brings the records the move needs first.
      if (Move.Value > 0 && mem_table_ && RowCount() - TopRow() < Move.Value)
        mem_table_->FetchRecords(mem_table_->CurrentRecord() + Move.Value);
      data_link_->MoveBy(Move.Value);
      return;
    case M::cmFirst:
    case M::cmLast:
      if (extend) {
        ExtendSelectionBy(true, Move.Target == M::cmFirst ? -1 : 1, true, false);
        return;
      }
      if (Move.Selection == M::scClear) ClearSelection();
      if (Move.Target == M::cmFirst) ds->First();
      else ds->Last();
      return;
    case M::cmRecordUp: UpArrowStep(true, extend); return;
    case M::cmRecordDown: DownArrowStep(true, extend); return;
    case M::cmColumn:
      if (Move.Selection == M::scClear) ClearSelection();
      SelectColumnTo(Move.Value, Move.Direction, extend);
      return;
    case M::cmScrollColumns:
      if (Move.Value < 0 && LeftCol() > FixedCols()) SetLeftCol(LeftCol() - 1);
      else if (Move.Value > 0 && LeftCol() + VisibleColCount() < ColCount()) SetLeftCol(LeftCol() + 1);
      return;
    case M::cmTab: TabStep(Move.Value > 0); return;
    case M::cmNone: return;
  }
}

// The keys that act on the record: Insert adds one, Escape takes back its changes (and ends what
// the mouse is doing), F2 opens the editor, the keypad's +, - and * open and close its tree node.
void TCustomDBGridX::RecordKey(win::WORD Key, TShiftState Shift) {
  TDataSet* ds = data_link_->DataSet();
  switch (Key) {
    case win::VK_INSERT:
      if (Shift.Contains(ssShift) || !ds->CanModify() || read_only_ || !options_.Contains(dgEditing)) return;
      ClearSelection();
      if (allowed_operations_.Contains(alopInsertX)) ds->Insert();
      else if (allowed_operations_.Contains(alopAppendX)) ds->Append();
      return;
    case win::VK_ESCAPE:
      data_link_->Reset();
      ClearSelection();
      if (!options_.Contains(dgAlwaysShowEditor)) HideEditor();
      CancelMouse();
      return;
    case win::VK_F2: SetEditorMode(true); return;
    default: TreeKey(Key); return;
  }
}

void TCustomDBGridX::CancelMouse() {
  if (HandleAllocated() && (GridState() != gsNormal || mouse_.Busy())) Perform(win::WM_CANCELMODE, 0, 0);
}

// Delete empties a check-box or image cell (the value is not typed, so there is no editor to clear
// it in).
void TCustomDBGridX::ClearValueCell() {
  if (options_.Contains(dgRowSelect)) return;
  TColumnX* c = SelectedColumn();
  const TColumnKindX kind = c ? c->GetColumnType() : ctCommon;
  TField* f = c ? c->GetField() : nullptr;
  if ((kind == ctKeyImageList || kind == ctCheckboxes) && f && !f->Required() && c->CanModify(true))
    c->UpdateDataValues("", Null(), false);
}

}  // namespace lab
