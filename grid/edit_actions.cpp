// The grid's edit actions (cut, copy, paste, delete, select all) for a program's action lists and
// menus, the tests that say when each may run, copying a value from the record above, and what
// leaving the grid does to the record being edited.

#include "grid/dbgrid.h"
#include "grid/grid_clipboard.h"
#include "grid/grid_services.h"
#include "platform/controls/actions.h"
#include "platform/controls/clipboard.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/grids/inplace_edit.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

// ---- When each action may run ----

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

// ---- Actions ----

namespace {

// The edit action of a kind, the flag that enables it in EditActions.
bool EditActionOf(TStdActionKind Kind, TDBGridXEditAction& Action) {
  switch (Kind) {
    case sakEditCopy: Action = geaCopyX; return true;
    case sakEditPaste: Action = geaPasteX; return true;
    case sakEditCut: Action = geaCutX; return true;
    case sakEditSelectAll: Action = geaSelectAllX; return true;
    case sakEditDelete: Action = geaDeleteX; return true;
    case sakCustom: return false;
  }
  return false;
}

}  // namespace

bool TCustomDBGridX::EditActionAllowed(TDBGridXEditAction Action) {
  switch (Action) {
    case geaCopyX: return CanCopySelection();
    case geaPasteX: return CanPasteToGrid();
    case geaCutX: return CanCutSelection();
    case geaSelectAllX: return CanSelectAll();
    case geaDeleteX: return CanDeleteSelection();
  }
  return false;
}

bool TCustomDBGridX::ExecuteAction(TBasicAction* Action) {
  if (data_link_->ExecuteAction(Action)) return true;
  TDBGridXEditAction action;
  if (!Focused() || !EditActionOf(Action->Kind(), action) || !edit_actions_.Contains(action) ||
      !EditActionAllowed(action))
    return TCustomGrid::ExecuteAction(Action);
  switch (action) {
    case geaCopyX: CopyGridToClipboard(this); break;
    case geaPasteX: PasteGridFromClipboard(this); break;
    case geaCutX: CutGridSelection(this); break;
    case geaSelectAllX: selection_->SelectAll(); break;
    case geaDeleteX: DeleteGridSelection(this); break;
  }
  return true;
}

bool TCustomDBGridX::UpdateAction(TBasicAction* Action) {
  if (data_link_->UpdateAction(Action)) return true;
  TDBGridXEditAction action;
  if (!Focused() || !EditActionOf(Action->Kind(), action) || !edit_actions_.Contains(action))
    return TCustomGrid::UpdateAction(Action);
  Action->SetEnabled(EditActionAllowed(action));
  return true;
}

// ---- Copying from the record above ----

void TCustomDBGridX::CopyValueFromRecordAbove() {
  if (!data_link_->Active()) return;
  TColumnX* column = SelectedColumn();
  TField* f = column ? column->GetField() : nullptr;
  const int record = record_set_ ? mem_table_->CurrentRecord() : data_link_->ActiveRecord();
  if (!f || record <= 0 || !column->CanModify(false)) return;
  TDataSet* ds = data_link_->DataSet();
  Variant value;
  {
    // The record above shows through the fields while its value is read, whatever happens then.
    SetRowActive(record - 1);
    TScopeExit back([this] { RestoreActiveRecord(); });
    value = f->Lookup() ? ds->FieldValues(f->KeyFields()) : f->Value();
  }
  ClearSelection();
  if (!column->CanModify(true)) return;
  if (f->Lookup()) DataSetSetFieldValues(ds, f->KeyFields(), value);
  else f->SetValue(value);
  ShowEditor();
  if (EditorShowing()) InplaceEditor()->SelectAll();
}

// ---- Leaving the grid ----

void TCustomDBGridX::DoExit() {
  if (data_link_->Active()) {
    TDataSet* ds = data_link_->DataSet();
    if (options_.Contains(dgCancelOnExit) && ds->State() == dsInsert && !ds->Modified() && !in_data_update_) {
      ds->Cancel();
    } else {
      // An edit the dataset refuses keeps the user here to mend it.
      TScopeFail refocus([this] {
        if (CanFocus()) SetFocus();
      });
      data_link_->UpdateRecord();
    }
  }
  TCustomGrid::DoExit();
}

}  // namespace lab
