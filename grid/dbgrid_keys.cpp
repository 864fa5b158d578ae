// The grid's keyboard: keys move the dataset's current record (the rows follow it; the framework
// grid never moves its rows on its own), move the current column, extend selections with Shift,
// run the clipboard and delete actions, insert and append records, and open the find dialog.

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "grid/dbgrid.h"
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
#include "platform/rtl/utf8.h"

namespace lab {

namespace {

TShiftState KeyModifiers(TShiftState Shift) {
  TShiftState m;
  for (TShiftStateItem s : {ssShift, ssCtrl, ssAlt})
    if (Shift.Contains(s)) m.Include(s);
  return m;
}

// Cuts the last character (one code point of UTF-8) off Text.
void PopCodePoint(std::string& Text) { Text.erase(Utf8Prev(Text, Text.size())); }

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

// ---- Edit-action tests ----

bool TCustomDBGridX::CanCopySelection() { return data_link_->Active() && HasSelection(); }

bool TCustomDBGridX::CanDeleteSelection() {
  TDataSet* ds = data_link_->DataSet();
  if (!data_link_->Active() || read_only_ || !ds || ds->IsEmpty() || !ds->CanModify()) return false;
  switch (selection_->SelectionType()) {
    case gstRecordBookmarks:
    case gstAll: return allowed_operations_.Contains(alopDeleteX);
    case gstRectangle:
    case gstColumns: return allowed_operations_.Contains(alopUpdateX);
    case gstNon: return false;
  }
  return false;
}

bool TCustomDBGridX::CanCutSelection() { return CanCopySelection() && CanDeleteSelection(); }

bool TCustomDBGridX::CanPasteToGrid() {
  TDataSet* ds = data_link_->DataSet();
  if (!data_link_->Active() || read_only_ || !ds || !ds->CanModify()) return false;
  if (!Clipboard()->HasFormat(CF_GRIDDBIF()) && !Clipboard()->HasFormat(win::CF_TEXT)) return false;
  return ds->State() == dsInsert || allowed_operations_.Contains(alopUpdateX);
}

bool TCustomDBGridX::CanSelectAll() {
  TDataSet* ds = data_link_->DataSet();
  return data_link_->Active() && ds && !ds->IsEmpty() && allowed_selections_.Contains(gstAll);
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

// ---- Incremental search and copying from above: they come with the mouse tracking's keyboard
// half; until then the keys that call them find nothing to do. ----


void TCustomDBGridX::StopIncSearch() {
  if (!inc_search_active_) return;
  inc_search_active_ = false;
  inc_search_text_.clear();
  if (HandleAllocated()) InvalidateRow(Row());
}

void TCustomDBGridX::ResetIncSearchTimer() {}

void TCustomDBGridX::CopyValueFromRecordAbove() {}

// ---- KeyDown ----

void TCustomDBGridX::KeyDown(win::WORD& Key, TShiftState Shift) {
  keep_selection_ = Shift.Contains(ssCtrl) || !options_x_.Contains(dgxClearSelection);
  TCustomControl::KeyDown(Key, Shift);  // OnKeyDown, before anything else
  if (Key == 0) return;
  const bool ctrl = Shift.Contains(ssCtrl), shift = Shift.Contains(ssShift), alt = Shift.Contains(ssAlt);
  const bool multi = options_.Contains(dgMultiSelect);
  TDataSet* ds = data_link_->DataSet();

  // Up at the first record (or with Ctrl) goes into the filter row.
  if (Key == win::VK_UP && FilterRowVisible() && data_link_->Active() && ds && (ds->Bof() || ctrl)) {
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
      col = first_filterable(filter_col_);
      if (col < 0 || !on_screen(col)) {
        col = first_filterable(FixedCols() > indicator_offset_ ? indicator_offset_ : LeftCol());
        filter_col_ = col;
      }
    }
    if (col >= 0) StartEditFilter(col);
    if (FilterEditorActive()) {
      Key = 0;
      return;
    }
  }

  if (UseRightToLeftAlignment()) {
    if (Key == win::VK_LEFT) Key = win::VK_RIGHT;
    else if (Key == win::VK_RIGHT) Key = win::VK_LEFT;
  }
  if (!data_link_->Active() || !ds) return;
  if (!CanGridAcceptKey(Key, Shift)) return;

  // Shortcut keys: the first that matches handles the key.
  const TDBGridXResources& keys = DBGridXResources();
  const TShiftState mods = KeyModifiers(Shift);
  const TShortCut sc = ShortCut(Key, mods);
  auto open_find_dialog = [this] {
    if (const TDBGridXFindDialogProc& proc = DBGridXFindDialogProc()) proc(this, "", "", {}, FindDialogModal());
  };
  if (sc == keys.CopyFromAboveKey) {
    CopyValueFromRecordAbove();
    return;
  }
  if (sc == keys.IncSearchStartKey && options_x_.Contains(dgxIncSearch)) {
    if (inc_search_active_ && options_x_.Contains(dgxDialogFind) && keys.FindDialogKey == keys.IncSearchStartKey) {
      StopIncSearch();
      open_find_dialog();
    } else {
      IncSearchLocate("", -1, 0);
    }
    return;
  }
  if (sc == keys.FindDialogKey && options_x_.Contains(dgxDialogFind)) {
    open_find_dialog();
    return;
  }
  if (inc_search_active_) {
    if (mods.Empty() && (Key == win::VK_RETURN || Key == win::VK_ESCAPE || Key == win::VK_TAB)) {
      StopIncSearch();
      return;
    }
    if (mods.Empty() && Key == win::VK_BACK) {
      PopCodePoint(inc_search_text_);
      InvalidateRow(Row());
      ResetIncSearchTimer();
      return;
    }
    if (sc == keys.IncSearchNextKey) {
      IncSearchLocate(inc_search_text_, keys.IncSearchTimeOut, 1);
      return;
    }
    if (sc == keys.IncSearchPriorKey) {
      IncSearchLocate(inc_search_text_, keys.IncSearchTimeOut, 2);
      return;
    }
  }

  auto paste = [&] {
    if (inc_search_active_) IncSearchLocate(Clipboard()->AsText(), keys.IncSearchTimeOut, 0);
    else if (CanPasteToGrid() && edit_actions_.Contains(geaPasteX)) PasteGridFromClipboard(this);
  };
  auto cut = [&] {
    if (CanCutSelection() && edit_actions_.Contains(geaCutX)) CutGridSelection(this);
  };
  // The records on screen: from the current one to the first, and to the last.
  auto to_first_shown = [&] { return record_set_ ? TopRow() - Row() : -data_link_->ActiveRecord(); };
  auto to_last_shown = [&] {
    if (!record_set_) return data_link_->BufferCount() - data_link_->ActiveRecord() - 1;
    TGridDrawInfo di;
    TCustomGrid::CalcDrawInfo(di);
    return std::min(di.Vert.LastFullVisibleCell, RowCount() - 1) - Row();
  };
  auto first_data_col = [this] {
    int c = indicator_offset_;
    while (c < ColCount() - 1 && ColWidths(c) <= 0) ++c;
    return c;
  };
  auto last_data_col = [this] {
    int c = ColCount() - 1;
    while (c > indicator_offset_ && ColWidths(c) <= 0) --c;
    return c;
  };

  if (ctrl) {
    switch (Key) {
      case win::VK_PRIOR: case win::VK_NEXT: case win::VK_END: case win::VK_HOME: case win::VK_UP: case win::VK_DOWN:
        if (!shift) ClearSelection();
        break;
      default: break;
    }
    switch (Key) {
      case win::VK_PRIOR:
      case win::VK_UP:
        if (shift && multi) ExtendSelectionBy(true, to_first_shown(), false, true);
        else data_link_->MoveBy(to_first_shown());
        break;
      case win::VK_NEXT:
      case win::VK_DOWN:
        if (shift && multi) ExtendSelectionBy(true, to_last_shown(), false, true);
        else data_link_->MoveBy(to_last_shown());
        break;
      case win::VK_HOME:
        if (shift && multi) ExtendSelectionBy(true, -1, true, false);
        else ds->First();
        break;
      case win::VK_END:
        if (shift && multi) ExtendSelectionBy(true, 1, true, false);
        else ds->Last();
        break;
      case win::VK_LEFT: SelectColumnTo(indicator_offset_, 1, false); break;
      case win::VK_RIGHT: SelectColumnTo(ColCount() - 1, -1, false); break;
      case win::VK_DELETE:
        if (edit_actions_.Contains(geaDeleteX) && HasSelection()) {
          if (CanDeleteSelection()) {
            // Records go only when the user agrees, as with the plain delete below.
            const TDBGridXSelectionType kind = selection_->SelectionType();
            const bool records = kind == gstRecordBookmarks || kind == gstAll;
            if (!records || ConfirmDelete(kind == gstAll || selected_rows_->Count() > 1)) DeleteGridSelection(this);
          }
        } else if (!read_only_ && !ds->IsEmpty() && ds->CanModify() && allowed_operations_.Contains(alopDeleteX) &&
                   ConfirmDelete(selected_rows_->Count() > 1)) {
          if (selected_rows_->Count() > 0) selected_rows_->Delete();
          else ds->Delete();
        }
        break;
      case win::VK_INSERT:
      case 'C':
        if (CanCopySelection() && edit_actions_.Contains(geaCopyX)) CopyGridToClipboard(this);
        break;
      case 'X': cut(); break;
      case 'V': paste(); break;
      case 'A':
        if (CanSelectAll() && edit_actions_.Contains(geaSelectAllX)) selection_->SelectAll();
        break;
      default: break;
    }
    return;
  }

  switch (Key) {
    case win::VK_UP: UpArrowStep(true, shift); break;
    case win::VK_DOWN: DownArrowStep(true, shift); break;
    case win::VK_LEFT:
      if (options_.Contains(dgRowSelect)) {
        if (LeftCol() > FixedCols()) SetLeftCol(LeftCol() - 1);
      } else if (multi && shift) {
        SelectColumnTo(Col() - 1, -1, true);
      } else {
        ClearSelection();
        SelectColumnTo(Col() - 1, -1, false);
      }
      break;
    case win::VK_RIGHT:
      if (options_.Contains(dgRowSelect)) {
        if (LeftCol() + VisibleColCount() < ColCount()) SetLeftCol(LeftCol() + 1);
      } else if (multi && shift) {
        SelectColumnTo(Col() + 1, 1, true);
      } else {
        ClearSelection();
        SelectColumnTo(Col() + 1, 1, false);
      }
      break;
    case win::VK_HOME:
    case win::VK_END: {
      const bool home = Key == win::VK_HOME;
      if (Col() == (home ? first_data_col() : last_data_col()) || options_.Contains(dgRowSelect)) {
        if (shift && multi) {
          ExtendSelectionBy(true, home ? -1 : 1, true, false);
        } else {
          ClearSelection();
          if (home) ds->First();
          else ds->Last();
        }
      } else {
        SelectColumnTo(home ? indicator_offset_ : ColCount() - 1, home ? 1 : -1, shift && multi);
      }
      break;
    }
    case win::VK_NEXT:
    case win::VK_PRIOR: {
      const int page = GetVisibleDataRowCount();
      const int by = Key == win::VK_NEXT ? page : -page;
      if (shift && multi) {
        ExtendSelectionBy(true, by, false, true);
      } else {
        ClearSelection();
        // A dataset that fetches as it scrolls brings the records of the page first.
        if (by > 0 && mem_table_ && RowCount() - TopRow() < page)
          mem_table_->FetchRecords(mem_table_->CurrentRecord() + page);
        data_link_->MoveBy(by);
      }
      break;
    }
    case win::VK_INSERT:
      if (shift) {
        paste();
      } else if (ds->CanModify() && !read_only_ && options_.Contains(dgEditing)) {
        ClearSelection();
        if (allowed_operations_.Contains(alopInsertX)) ds->Insert();
        else if (allowed_operations_.Contains(alopAppendX)) ds->Append();
      }
      break;
    case win::VK_DELETE:
      if (shift) cut();
      break;
    case win::VK_TAB:
      if (!alt) TabStep(!shift);
      break;
    case win::VK_RETURN:
      if (options_x_.Contains(dgxEnterAsTab)) TabStep(!shift);
      break;
    case win::VK_ESCAPE: {
      data_link_->Reset();
      ClearSelection();
      if (!options_.Contains(dgAlwaysShowEditor)) HideEditor();
      const TGridState state = GridState();
      if (state == gsRowSizing || state == gsColSizing || state == gsRowMoving || pressed_title_col_ >= 0)
        Perform(win::WM_CANCELMODE, 0, 0);
      break;
    }
    case win::VK_F2: SetEditorMode(true); break;
    default: break;
  }

  // Delete empties a check-box or image cell (the value is not typed, so there is no editor to
  // clear it in).
  if (Key == win::VK_DELETE && !shift && !options_.Contains(dgRowSelect)) {
    TColumnX* c = SelectedColumn();
    const TColumnKindX kind = c ? c->GetColumnType() : ctCommon;
    TField* f = c ? c->GetField() : nullptr;
    if ((kind == ctKeyImageList || kind == ctCheckboxes) && f && !f->Required() && c->CanModify(true))
      c->UpdateDataValues("", Null(), false);
  }
}

}  // namespace lab
