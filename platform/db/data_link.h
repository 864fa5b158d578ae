#pragma once
// TDataLink: what a data-aware control holds to follow a dataset through a TDataSource. A link
// sees a window of BufferCount records inside the dataset's buffers (the dataset keeps as many
// buffers as its hungriest link asks for); ActiveRecord and RecordCount are counted within that
// window. Descendants override the notifications:
//   ActiveChanged      the dataset opened or closed (or the link was attached or detached)
//   DataSetChanged     anything may have changed (default: RecordChanged(nullptr))
//   DataSetScrolled    the current record moved; Distance is how many rows the link's window
//                      moved, 0 when the current record moved within it (default: DataSetChanged)
//   LayoutChanged      fields were added, removed or re-laid out (default: DataSetChanged)
//   RecordChanged      one field (or, with nullptr, the whole current record) changed
//   EditingChanged     the dataset entered or left edit or insert mode
//   UpdateData         write pending edits into the fields (during UpdateRecord and Post)
//   CheckBrowseMode    the dataset is about to leave edit mode or move
//   FocusControl       focus the control of a field; clear Field when done
//   CheckPost          a record is about to be posted (only for links that observe records):
//                      raising refuses the post before anything is stored
//   RecordsChanged     a record was posted or deleted (only for links that observe records)
// A link may set ActiveRecord to read another row of its window, and must set it back.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/persistent.h"
#include "platform/db/field_types.h"
#include "platform/rtl/object.h"
#include "platform/rtl/variant.h"

namespace lab {

class TBasicAction;
class TDataSet;
class TDataSource;
class TField;

// What one Post or Delete did to the visible records, for links that keep totals over them: the
// record's stored values (indexed by FieldNo - 1) as it stood among the visible records before
// (empty when it was not there: a new record) and after (empty when it is not there any more:
// deleted, or hidden by the filter once posted). Described is false when the dataset cannot say
// (the visible records changed in a way these values do not tell: a new filter, for instance);
// the link then counts again from the records.
struct TRecordChange {
  bool Described = false;
  std::vector<Variant> OldValues;
  std::vector<Variant> NewValues;
};

class TDataLink : public TPersistent {
  LAB_CLASS(TDataLink, TPersistent)
 public:
  TDataLink() = default;
  ~TDataLink() override;
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* DataSource() const { return data_source_; }
  void SetDataSource(TDataSource* Value);
  TDataSet* DataSet() const;
  bool Active() const { return active_; }
  bool Editing() const { return editing_; }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool Value);

  int ActiveRecord() const;
  void SetActiveRecord(int Value);
  int BufferCount() const { return buffer_count_; }
  // At least 1; the dataset's window grows or shrinks to the largest of its links.
  void SetBufferCount(int Value);
  // Records in the link's window (at most BufferCount).
  int RecordCount() const;
  bool Bof() const;
  bool Eof() const;

  // Puts the dataset into edit mode through the data source (AutoEdit) unless the link is
  // read-only; answers Editing.
  bool Edit();
  // Runs UpdateData with the link's own field changes not echoed back to it.
  void UpdateRecord();
  virtual int MoveBy(int Distance);
  // An action (controls/actions.h) is offered to the data source first: a control bound to data
  // lets the dataset's actions run before its own.
  bool ExecuteAction(TBasicAction* Action);
  bool UpdateAction(TBasicAction* Action);

 protected:
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int /*Distance*/) { DataSetChanged(); }
  virtual void EditingChanged() {}
  virtual void FocusControl(TField*& /*Field*/) {}
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* /*Field*/) {}
  virtual void UpdateData() {}
  virtual void DataEvent(TDataEvent Event, std::intptr_t Info);
  // A link that keeps totals over the records observes them: RecordsChanged then hears of every
  // post and delete, also while the dataset's controls are disabled (totals are data, not display).
  bool ObservesRecords() const { return observes_records_; }
  void SetObservesRecords(bool Value) { observes_records_ = Value; }
  virtual void RecordsChanged(const TRecordChange& /*Change*/) {}
  // The post's values, old and new, whether or not Described (which is as RecordsChanged will
  // hear it): a link whose totals cannot take them raises.
  virtual void CheckPost(const TRecordChange& /*Change*/) {}

 private:
  friend class TDataSource;
  friend class TDataSet;

  void UpdateState();
  void UpdateRange();
  void SetActive(bool Value);
  void SetEditing(bool Value);

  TDataSource* data_source_ = nullptr;
  int first_record_ = 0;
  int buffer_count_ = 1;
  bool active_ = false, editing_ = false, read_only_ = false, updating_ = false;
  bool observes_records_ = false;
};

// A link to one field by name, for single-field controls.
class TFieldDataLink : public TDataLink {
  LAB_CLASS(TFieldDataLink, TDataLink)
 public:
  TField* Field() const { return field_; }
  const std::string& FieldName() const { return field_name_; }
  void SetFieldName(const std::string& Value);
  // Not read-only and a field that can be modified.
  bool CanModify() const;
  bool Edit();
  // The control changed the value: UpdateData will hand it to OnUpdateData.
  void Modified() { modified_ = true; }
  bool IsModified() const { return modified_; }
  // Throws away the control's change: the control shows the field again.
  void Reset() { RecordChanged(nullptr); }
  bool Editing() const { return field_editing_; }

  TNotifyEvent OnDataChange, OnEditingChange, OnUpdateData, OnActiveChange;

 protected:
  void ActiveChanged() override;
  void EditingChanged() override;
  void LayoutChanged() override { UpdateField(); }
  void RecordChanged(TField* Field) override;
  void UpdateData() override;

 private:
  void UpdateField();
  void SetField(TField* Value);

  TField* field_ = nullptr;
  std::string field_name_;
  bool modified_ = false, field_editing_ = false;
};

}  // namespace lab
