// TDataSource: passes a dataset's events to its data links.
#include "platform/db/data_source.h"

#include <algorithm>

#include "platform/db/data_link.h"
#include "platform/db/db_unit.h"
#include "platform/db/dataset.h"

namespace lab {

void TDataSource::DeclareProperties(TPropertyDeclarer<TDataSource>& P) {
  P.Property("AutoEdit", &TDataSource::AutoEdit, &TDataSource::SetAutoEdit).Default(true);
  P.Property("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet);
  P.Property("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled).Default(true);
  P.Property("OnDataChange", &TDataSource::OnDataChange);
  P.Property("OnStateChange", &TDataSource::OnStateChange);
  P.Property("OnUpdateData", &TDataSource::OnUpdateData);
}

TDataSource::TDataSource(TComponent* AOwner) : TComponent(AOwner) { UseUnit(DBUnit); }

TDataSource::~TDataSource() {
  Destroying();
  OnStateChange = nullptr;
  OnDataChange = nullptr;
  SetDataSet(nullptr);
  while (!links_.empty()) RemoveDataLink(links_.back());
}

void TDataSource::SetDataSet(TDataSet* Value) {
  if (Value == dataset_) return;
  if (dataset_) {
    dataset_->RemoveFreeNotification(this);
    dataset_->RemoveDataSource(this);
  }
  if (Value) {
    Value->FreeNotification(this);
    Value->AddDataSource(this);
  }
}

void TDataSource::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  // The dataset detaches its sources while it is still whole; this is the safety net.
  if (Operation == opRemove && AComponent == dataset_) {
    dataset_ = nullptr;
    UpdateState();
  }
}

void TDataSource::SetEnabled(bool Value) {
  enabled_ = Value;
  UpdateState();
}

void TDataSource::Edit() {
  if (auto_edit_ && state_ == dsBrowse) dataset_->Edit();
}

void TDataSource::UpdateState() { SetState(enabled_ && dataset_ ? dataset_->State() : dsInactive); }

void TDataSource::SetState(TDataSetState Value) {
  if (state_ == Value) return;
  const TDataSetState prior = state_;
  state_ = Value;
  NotifyDataLinks(deUpdateState, 0);
  if (ComponentState().Contains(csDestroying)) return;
  if (OnStateChange) OnStateChange(this);
  if (prior == dsInactive && OnDataChange) OnDataChange(this, nullptr);
}

void TDataSource::NotifyDataLinks(TDataEvent Event, std::intptr_t Info) {
  // A link may leave or join while it is told.
  const std::vector<TDataLink*> links = links_;
  for (TDataLink* link : links)
    if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->DataEvent(Event, Info);
}

void TDataSource::DataEvent(TDataEvent Event, std::intptr_t Info) {
  if (Event == deUpdateState) return UpdateState();
  if (state_ == dsInactive) return;
  NotifyDataLinks(Event, Info);
  switch (Event) {
    case deFieldChange: case deRecordChange: case deDataSetChange: case deDataSetScroll: case deLayoutChange:
      if (OnDataChange)
        OnDataChange(this, Event == deFieldChange || Event == deRecordChange ? reinterpret_cast<TField*>(Info) : nullptr);
      break;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(this);
      break;
    default:
      break;
  }
}

void TDataSource::AddDataLink(TDataLink* Link) {
  links_.push_back(Link);
  Link->data_source_ = this;
  if (dataset_) dataset_->UpdateBufferCount();
  Link->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* Link) {
  Link->data_source_ = nullptr;
  links_.erase(std::remove(links_.begin(), links_.end(), Link), links_.end());
  Link->UpdateState();
  if (dataset_) dataset_->UpdateBufferCount();
}

}  // namespace lab
