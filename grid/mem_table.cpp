#include "grid/mem_table.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/db/mem_dataset.h"
#include "platform/rtl/scope_exit.h"

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
  bool MoveRecords(const std::vector<std::string>& Bookmarks, int ToRecNo, int TreeLevel, bool CheckOnly) override {
    std::vector<std::int64_t> places;
    for (const std::string& b : Bookmarks) {
      std::int64_t place;
      if (!Data()->BookmarkOrderKey(b, place)) return false;
      places.push_back(place);
    }
    if (places.empty()) return false;
    std::sort(places.begin(), places.end());
    const bool after = places.front() + 1 < ToRecNo;
    if (TreeViewShown()) return MoveInTree(Bookmarks, places, after ? ToRecNo - 1 : ToRecNo - 2, TreeLevel, CheckOnly);
    return Data()->MoveRecords(Bookmarks, after ? ToRecNo + 1 : ToRecNo, CheckOnly);
  }

 private:
  TMemDataSet* Data() const { return static_cast<TMemDataSet*>(ds_); }

  int LevelOf(int Index) {
    ReadEnter(Index);
    TScopeExit leave([this] { ReadLeave(); });
    return TreeNode().Level;
  }

  // In a tree the values decide where a record stands: records dropped at Level below record Above
  // (-1: above the first) become children of Above's ancestor one level up (roots at level 1)
  // through the parent-key field. A parent among them or below one of them would make a ring.
  bool MoveInTree(const std::vector<std::string>& Bookmarks, const std::vector<std::int64_t>& Places, int Above,
                  int Level, bool CheckOnly) {
    TMemDataSet* ds = Data();
    if (!ds->CanModify() || Above >= RecordCount()) return false;
    const int wanted = Level - 1;  // the parent's level; 0: none
    int parent = -1;
    // Up the chain of Above's ancestors (Above itself first) to its root.
    int level = Above >= 0 ? LevelOf(Above) + 1 : 1;
    for (int row = Above; row >= 0 && level > 1; --row) {
      const int l = LevelOf(row);
      if (l >= level) continue;
      level = l;
      if (l == wanted) parent = row;
      if (l <= wanted && std::binary_search(Places.begin(), Places.end(), row)) return false;
    }
    if (wanted > 0 && parent < 0) return false;
    if (CheckOnly) return true;
    ds->CheckBrowseMode();
    TField* parent_field = ds->FieldByName(ds->TreeParentField());
    Variant key = Null();
    if (parent >= 0) {
      ReadEnter(parent);
      TScopeExit leave([this] { ReadLeave(); });
      key = ds->FieldByName(ds->TreeKeyField())->Value();
    }
    const TBookmark current = ds->Bookmark();
    ds->DisableControls();
    TScopeExit enable([ds, &current] {
      if (ds->BookmarkValid(current)) ds->GotoBookmark(current);
      ds->EnableControls();
    });
    for (const std::string& b : Bookmarks) {
      ds->GotoBookmark(b);
      ds->Edit();
      TScopeFail cancel([ds] { ds->Cancel(); });
      parent_field->SetValue(key);
      ds->Post();
    }
    return true;
  }
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
