#pragma once
// TDataSource: the meeting point of one dataset and the data links that show it. It passes the
// dataset's events on to its links while it is Enabled, follows the dataset's State, and offers
// the events OnStateChange, OnDataChange (with the changed field, or nullptr) and OnUpdateData.

#include <functional>
#include <vector>

#include "platform/classes/component.h"
#include "platform/db/field_types.h"

namespace lab {

class TDataSet;
class TDataLink;
class TField;

using TDataChangeEvent = std::function<void(TObject* Sender, TField* Field)>;

class TDataSource : public TComponent {
  LAB_CLASS(TDataSource, TComponent)
  LAB_PROPERTIES(TDataSource, TComponent)
 public:
  explicit TDataSource(TComponent* AOwner);
  // Detaches its data links (they turn inactive) and leaves its dataset.
  ~TDataSource() override;

  TDataSet* DataSet() const { return dataset_; }
  void SetDataSet(TDataSet* Value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  bool AutoEdit() const { return auto_edit_; }
  void SetAutoEdit(bool Value) { auto_edit_ = Value; }
  // The dataset's state; dsInactive without a dataset or while disabled.
  TDataSetState State() const { return state_; }
  // Puts a browsing dataset into edit mode when AutoEdit is on.
  void Edit();

  TNotifyEvent OnStateChange;
  TDataChangeEvent OnDataChange;
  TNotifyEvent OnUpdateData;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TDataSet;
  friend class TDataLink;

  void DataEvent(TDataEvent Event, std::intptr_t Info);
  void UpdateState();
  void SetState(TDataSetState Value);
  void NotifyDataLinks(TDataEvent Event, std::intptr_t Info);
  void AddDataLink(TDataLink* Link);
  void RemoveDataLink(TDataLink* Link);

  TDataSet* dataset_ = nullptr;
  bool enabled_ = true, auto_edit_ = true;
  TDataSetState state_ = dsInactive;
  std::vector<TDataLink*> links_;
};

}  // namespace lab
