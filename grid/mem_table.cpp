#include "grid/mem_table.h"

#include <utility>
#include <vector>

#include "platform/db/dataset.h"
#include "platform/db/mem_dataset.h"

namespace lab {
namespace {

struct TRegistered {
  TClass Class;
  TMemTableXFactory Factory;
};

std::vector<TRegistered>& Registry() {
  static auto* registry = new std::vector<TRegistered>;  // kept to the end: grids may still ask at exit
  return *registry;
}

// Over a dataset that reads its records in place and numbers them.
class TReadInPlaceMemTableX : public IMemTableX {
 public:
  explicit TReadInPlaceMemTableX(TDataSet* DataSet) : ds_(DataSet) {}

  int RecordCount() override { return ds_->Active() ? ds_->RecordCount() : 0; }
  int CurrentRecord() override {
    if (!ds_->Active() || ds_->IsEmpty()) return -1;
    if (!reading_.empty()) return current_;
    return ds_->RecNo() - 1;
  }
  // Readings nest (a cell compares its record with the one above): leaving one goes back to the
  // record read before it.
  void ReadEnter(int Index) override {
    if (reading_.empty()) current_ = CurrentRecord();
    Read(Index);
    reading_.push_back(Index);
  }
  void ReadLeave() override {
    if (reading_.empty()) return;
    reading_.pop_back();
    if (reading_.empty()) ds_->EndReadRecord();
    else Read(reading_.back());
  }
  void SetCurrentRecord(int Index) override { ds_->SetRecNo(Index + 1); }
  std::shared_ptr<IMemTableDataFieldValueListX> GetFieldValueList(const std::string& FieldName) override {
    return MakeFieldValueList(ds_, FieldName);
  }

 protected:
  TDataSet* ds_;

 private:
  void Read(int Index) {
    if (Index == current_) ds_->EndReadRecord();
    else ds_->BeginReadRecord(Index + 1);
  }

  std::vector<int> reading_;
  int current_ = -1;
};

class TMemDataSetTableX : public TReadInPlaceMemTableX {
 public:
  explicit TMemDataSetTableX(TMemDataSet* DataSet) : TReadInPlaceMemTableX(DataSet) {}

  bool TreeViewShown() override { return Data()->Active() && Data()->TreeViewShown(); }
  int TreeLevels() override { return Data()->TreeLevels(); }
  TMemTreeNode TreeNode() override { return Data()->TreeNode(); }
  void ChangeTreeNode(TTreeNodeChange Change) override { Data()->ChangeTreeNode(Change); }
  // The records go after the target when the first of them stands before it.
  bool MoveRecords(const std::vector<std::string>& Bookmarks, int ToRecNo, int, bool CheckOnly) override {
    std::int64_t first = -1;
    for (const std::string& b : Bookmarks) {
      std::int64_t place;
      if (!Data()->BookmarkOrderKey(b, place)) return false;
      if (first < 0 || place < first) first = place;
    }
    const int before = first >= 0 && first + 1 < ToRecNo ? ToRecNo + 1 : ToRecNo;
    return Data()->MoveRecords(Bookmarks, before, CheckOnly);
  }

 private:
  TMemDataSet* Data() const { return static_cast<TMemDataSet*>(ds_); }
};

}  // namespace

void RegisterMemTableX(TClass DataSetClass, TMemTableXFactory Factory) {
  for (TRegistered& r : Registry())
    if (r.Class == DataSetClass) {
      r.Factory = std::move(Factory);
      return;
    }
  Registry().push_back({DataSetClass, std::move(Factory)});
}

std::unique_ptr<IMemTableX> GetMemTableX(TDataSet* DataSet) {
  if (!DataSet) return nullptr;
  // The nearest registered ancestor.
  for (TClass c = DataSet->ClassType(); c; c = c->Parent)
    for (const TRegistered& r : Registry())
      if (r.Class == c) return r.Factory(DataSet);
  return nullptr;
}

std::unique_ptr<IMemTableX> CreateReadInPlaceMemTableX(TDataSet* DataSet) {
  return std::make_unique<TReadInPlaceMemTableX>(DataSet);
}

std::unique_ptr<IMemTableX> CreateMemDataSetTableX(TDataSet* DataSet) {
  return std::make_unique<TMemDataSetTableX>(static_cast<TMemDataSet*>(DataSet));
}

}  // namespace lab
