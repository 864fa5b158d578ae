#include "grid/grid_data_link.h"

#include "grid/dbgrid.h"
#include "grid/grid_services.h"
#include "platform/db/dataset.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

namespace {
constexpr int kMaxMapSize = 0x0FFFFFFF;
}  // namespace

TGridDataLinkX::TGridDataLinkX(TCustomDBGridX* AGrid) : grid_(AGrid) {}

TGridDataLinkX::~TGridDataLinkX() { ClearMapping(); }

void TGridDataLinkX::AddMapping(const std::string& FieldName) {
  if (static_cast<int>(map_.size()) >= kMaxMapSize) GridError("Grid requested to display more than 256 columns");
  if (map_.size() == map_.capacity()) {
    std::size_t grown = map_.capacity() < 8 ? 8 : map_.capacity() * 2;
    if (grown > static_cast<std::size_t>(kMaxMapSize)) grown = kMaxMapSize;
    map_.reserve(std::max(grown, map_.size() + 1));
  }
  TDataSet* ds = DataSet();
  TField* field = nullptr;
  if (ds && !FieldName.empty()) field = sparse_map_ ? ds->FindField(FieldName) : ds->FieldByName(FieldName);
  if (field) {
    map_.push_back(ds->Fields().IndexOf(field));
    field->FreeNotification(grid_);
  } else {
    map_.push_back(-1);
  }
}

void TGridDataLinkX::ClearMapping() { map_.clear(); }

TField* TGridDataLinkX::GetMappedField(int Index) const {
  if (Index < 0 || Index >= static_cast<int>(map_.size())) return nullptr;
  const int entry = map_[static_cast<std::size_t>(Index)];
  TDataSet* ds = DataSet();
  if (entry < 0 || !ds || entry >= ds->FieldCount()) return nullptr;
  return ds->Fields()[entry];
}

bool TGridDataLinkX::DefaultFields() const {
  TDataSet* ds = DataSet();
  const bool result = !ds || ds->DefaultFields();
  if (sparse_map_)
    for (int entry : map_)
      if (entry < 0) return false;
  return result;
}

void TGridDataLinkX::Reset() {
  if (modified_) RecordChanged(nullptr);
  else if (TDataSet* ds = DataSet()) ds->Cancel();
}

void TGridDataLinkX::ActiveChanged() {
  grid_->LinkActive(Active());
  modified_ = false;
}

void TGridDataLinkX::DataSetChanged() {
  if (TBookmarkListX* rows = grid_->SelectedRows()) rows->DataChanged();
  grid_->DropFilterValueLists();
  grid_->DataChanged();
  modified_ = false;
}

void TGridDataLinkX::DataSetScrolled(int Distance) { grid_->Scroll(Distance); }

void TGridDataLinkX::EditingChanged() { grid_->InvalidateSelRowIndicator(); }

void TGridDataLinkX::FocusControl(TField*& Field) {
  if (!Field) return;
  grid_->SelectField(Field);
  TColumnX* current = grid_->SelectedColumn();
  if (current && current->GetField() == Field && grid_->AcquireFocus()) {
    Field = nullptr;
    grid_->ShowCellEditor();
  }
}

void TGridDataLinkX::LayoutChanged() {
  const bool saved = grid_->in_link_layout_;
  grid_->in_link_layout_ = true;
  {
    TScopeExit restore([&] { grid_->in_link_layout_ = saved; });
    grid_->LayoutChanged();
  }
  TDataLink::LayoutChanged();
}

void TGridDataLinkX::RecordChanged(TField* Field) {
  if (Field) grid_->DropFilterValueLists();
  grid_->RecordChangedForField(Field);
  modified_ = false;
}

void TGridDataLinkX::UpdateData() {
  if (in_update_data_) return;
  in_update_data_ = true;
  TScopeExit done([&] { in_update_data_ = false; });
  if (modified_) grid_->UpdateData();
  modified_ = false;
}

}  // namespace lab
