#pragma once
// IMemTableX: what a dataset that holds every record at hand offers the grid, so that each record
// can be a grid row (record-set mode) instead of the rows mirroring the data link's buffer: how
// many records there are, which is current, reading any of them through the fields while the
// current record stays, and, for datasets that show their records as a tree, the levels.
//
// A dataset offers it through its class: the grid asks GetMemTableX, which finds the adapter
// registered for the dataset's class or its nearest ancestor (TMemDataSet's is registered when the
// grid unit starts).

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "grid/field_value_list.h"
#include "platform/db/mem_tree.h"
#include "platform/rtl/object.h"

namespace lab {

class TDataSet;

class IMemTableX {
 public:
  virtual ~IMemTableX() = default;
  // The records in view.
  virtual int RecordCount() = 0;
  // The current record's index (0-based), -1 when none is current.
  virtual int CurrentRecord() = 0;
  // Record Index shows through the fields until ReadLeave; the current record does not move.
  // Reading the current record reads it live (its edit included).
  virtual void ReadEnter(int Index) = 0;
  virtual void ReadLeave() = 0;
  // Makes record Index current.
  virtual void SetCurrentRecord(int Index) = 0;
  // Datasets that show a tree: whether they do now, the current record's level and the levels.
  virtual bool TreeViewShown() { return false; }
  virtual int TreeLevel() { return TreeNode().Level; }
  virtual int TreeLevels() { return 0; }
  // The node of the record read (or the current one) as the tree area draws it.
  virtual TMemTreeNode TreeNode() { return {}; }
  // Expands, collapses or toggles the current record's node.
  virtual void ChangeTreeNode(TTreeNodeChange /*Change*/) {}
  // Asks for the records up to Index to be at hand (a dataset that fetches while it scrolls).
  virtual void FetchRecords(int /*Index*/) {}
  // The distinct values of a field over every record, for the filter row's drop-down; the
  // values are read when first asked for.
  virtual std::shared_ptr<IMemTableDataFieldValueListX> GetFieldValueList(const std::string& /*FieldName*/) {
    return nullptr;
  }
  // Moves the records of Bookmarks, keeping their order, next to record number ToRecNo (1-based):
  // after it when the first of them comes before it, else before it (where the grid's drop line
  // shows them); in a tree they become children, at TreeLevel (1: roots), of the record above that
  // place one level up. CheckOnly answers whether they may move there and moves nothing. A dataset
  // that cannot move its records so answers false.
  virtual bool MoveRecords(const std::vector<std::string>& /*Bookmarks*/, int /*ToRecNo*/, int /*TreeLevel*/,
                           bool /*CheckOnly*/) {
    return false;
  }
};

using TMemTableXFactory = std::function<std::unique_ptr<IMemTableX>(TDataSet* DataSet)>;

// Registers the adapter of a dataset class (a later registration replaces an earlier one).
void RegisterMemTableX(TClass DataSetClass, TMemTableXFactory Factory);
// The interface DataSet offers, or nullptr.
std::unique_ptr<IMemTableX> GetMemTableX(TDataSet* DataSet);

// The adapter of datasets that read their records in place (TDataSet::BeginReadRecord).
std::unique_ptr<IMemTableX> CreateReadInPlaceMemTableX(TDataSet* DataSet);
// The adapter of TMemDataSet: reading in place, and its tree view.
std::unique_ptr<IMemTableX> CreateMemDataSetTableX(TDataSet* DataSet);

}  // namespace lab
