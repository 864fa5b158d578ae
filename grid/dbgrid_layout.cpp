// The grid's update and layout locks, the deferred layout and the rebuilding of its columns.

#include "grid/dbgrid.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/rtl/scope_exit.h"
#include "platform/win/window_functions.h"

namespace lab {

void TCustomDBGridX::BeginUpdate() { ++update_lock_; }

void TCustomDBGridX::EndUpdate() {
  if (update_lock_ > 0) --update_lock_;
}

void TCustomDBGridX::BeginLayout() {
  BeginUpdate();
  if (layout_lock_ == 0) columns_->BeginUpdate();
  ++layout_lock_;
}

void TCustomDBGridX::EndLayout() {
  if (layout_lock_ <= 0) return;
  TScopeExit release([&] {
    --layout_lock_;
    EndUpdate();
  });
  if (layout_lock_ == 1) {
    TScopeExit end_update([&] { columns_->EndUpdate(); });
    InternalLayout();
  }
}

void TCustomDBGridX::CancelLayout() {
  if (layout_lock_ <= 0) return;
  if (layout_lock_ == 1) columns_->EndUpdate();
  --layout_lock_;
  EndUpdate();
}

bool TCustomDBGridX::AcquireLayoutLock() {
  if (update_lock_ != 0 || layout_lock_ != 0) return false;
  BeginLayout();
  return true;
}

// Only posts: ending levels here would end levels an outer caller holds (a BeginUpdate around a
// change would silently be undone), so a caller with a layout level of its own closes it itself.
void TCustomDBGridX::DeferLayout() {
  if (!HandleAllocated() || destroying_) return;
  win::MSG m{};
  if (!win::PeekMessage(m, Handle(), WM_DEFERLAYOUTX, WM_DEFERLAYOUTX, win::PM_NOREMOVE))
    win::PostMessage(Handle(), WM_DEFERLAYOUTX, 0, 0);
}

void TCustomDBGridX::HandleDeferLayout(TMessage& Message) {
  Message.Result = 0;
  if (AcquireLayoutLock()) EndLayout();
  else DeferLayout();
}

void TCustomDBGridX::LayoutChanged() {
  if (destroying_) return;
  if (AcquireLayoutLock()) EndLayout();
}

void TCustomDBGridX::LinkActive(bool Value) {
  if (destroying_) return;
  if (!Value) HideEditor();
  SumListTakeDataSet();
  LayoutChanged();
  if (Value && AlwaysShowEditor()) ShowCellEditor();
  UpdateScrollBar();
  columns_->ReleaseColumnLinks();
}

void TCustomDBGridX::InternalLayout() {
  if (ComponentState().Contains(csLoading) || destroying_) return;
  if (HandleAllocated()) {
    win::MSG m{};
    while (win::PeekMessage(m, Handle(), WM_DEFERLAYOUTX, WM_DEFERLAYOUTX, win::PM_REMOVE)) {
    }
  }
  in_layout_ = true;
  TScopeExit clear([&] { in_layout_ = false; });
  RebuildColumns();
  indicator_offset_ = options_.Contains(dgIndicator) ? 1 : 0;
  title_offset_ = static_cast<std::uint8_t>(GetTitleOffset());
  const int cols = std::max(columns_->Count() + indicator_offset_, indicator_offset_ + 1);
  if (cols > ColCount()) {
    SetColCount(cols);
    SetFixedCols(indicator_offset_);
  } else {
    SetFixedCols(std::min<int>(indicator_offset_, FixedCols()));
    SetColCount(cols);
    SetFixedCols(indicator_offset_);
  }
  UpdateColWidthsAndTabStops();
  UpdateRowCount();
  UpdateActive();
  if (HandleAllocated()) Invalidate();
}

void TCustomDBGridX::UpdateRowCount() {}
void TCustomDBGridX::UpdateActive() {}
void TCustomDBGridX::OptimizeColumnWidths(const TColumnsXList&) {}

void TCustomDBGridX::RebuildColumns() {
  TDataSet* ds = data_link_->DataSet();
  if (!columns_->Customized()) {
    // Default columns follow the dataset's visible fields, in field order.
    std::vector<TField*> fields;
    if (data_link_->Active() && ds)
      for (TField* f : ds->Fields())
        if (f->Visible()) fields.push_back(f);
    columns_->BeginUpdate();
    TScopeExit end_update([&] { columns_->EndUpdate(); });
    for (std::size_t i = 0; i < fields.size(); ++i) {
      TColumnX* c = static_cast<int>(i) < columns_->Count() ? columns_->GetColumn(static_cast<int>(i))
                                                            : columns_->AddDefaultColumn();
      c->SetField(fields[i]);
    }
    while (columns_->Count() > static_cast<int>(fields.size())) columns_->Delete(columns_->Count() - 1);
  } else {
    // Persistent columns stay and find their fields again.
    for (int i = 0; i < columns_->Count(); ++i) columns_->GetColumn(i)->field_ = nullptr;
  }
  DefineFieldMap();
  visible_columns_.Clear();
  for (int i = 0; i < columns_->Count(); ++i)
    if (columns_->GetColumn(i)->Visible()) visible_columns_.Add(columns_->GetColumn(i));
}

void TCustomDBGridX::DefineFieldMap() {
  data_link_->ClearMapping();
  TDataSet* ds = data_link_->DataSet();
  if (!columns_->Customized()) {
    data_link_->SetSparseMap(false);
    if (ds && data_link_->Active())
      for (TField* f : ds->Fields())
        if (f->Visible()) data_link_->AddMapping(f->FieldName());
  } else {
    data_link_->SetSparseMap(true);
    for (int i = 0; i < columns_->Count(); ++i) data_link_->AddMapping(columns_->GetColumn(i)->FieldName());
  }
}

}  // namespace lab
