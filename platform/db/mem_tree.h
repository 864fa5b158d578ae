#pragma once
// The tree view of TMemDataSet. Records form a tree through a key field and a parent-key field: a
// record whose parent key equals another visible record's key is that record's child. The rows are
// the records in tree order, depth first, the children of a node after it in the dataset's own order
// (sorted or stored); the descendants of a collapsed node are no rows. A record whose parent key is
// null or names no visible record is a root, and so is the record where a ring of parent keys is
// entered, so every visible record belongs to the tree once, whatever its keys say.
//
// The tree is built whole from the visible records (a linear pass with a hash of the keys) whenever
// they or their order change; expanding or collapsing a node lays out the rows again. Which nodes
// are expanded is kept by record across builds: nodes start collapsed.

#include <cstdint>
#include <vector>

#include "platform/db/mem_store.h"

namespace lab {

// One record's node as a tree outline draws it.
struct TMemTreeNode {
  int Level = 0;  // 1 for a root; 0 for a record outside the tree
  bool HasChildren = false;
  bool Expanded = false;
  // The level of the row after the record's; 0 after the last row.
  int NextLevel = 0;
  // Follows[k - 1]: the record's ancestor at level k (the record itself at Level) has a sibling after it.
  std::vector<bool> Follows;
};

enum class TTreeNodeChange { Expand, Collapse, Toggle };

class TMemTree {
 public:
  // The columns of Store holding the keys; they must be of one kind (numbers or texts).
  TMemTree(int KeyColumn, int ParentColumn) : key_column_(KeyColumn), parent_column_(ParentColumn) {}

  int KeyColumn() const noexcept { return key_column_; }
  int ParentColumn() const noexcept { return parent_column_; }

  // Builds the tree over Ids, the visible records in the dataset's order.
  void Build(const TMemStore& Store, const std::vector<TRecordId>& Ids);
  // The records whose ancestors are all expanded, in tree order.
  std::vector<TRecordId> Rows() const;

  bool Holds(TRecordId Id) const { return Id < nodes_.size() && nodes_[Id].Level > 0; }
  int Level(TRecordId Id) const { return Holds(Id) ? nodes_[Id].Level : 0; }
  // The deepest level of the tree; 0 for no records.
  int Levels() const noexcept { return levels_; }
  bool HasChildren(TRecordId Id) const { return Holds(Id) && nodes_[Id].FirstChild != kNone; }
  bool Expanded(TRecordId Id) const { return Id < expanded_.size() && expanded_[Id]; }
  // Answers whether the node's state changed (a record without children changes nothing).
  bool SetExpanded(TRecordId Id, bool Value);
  // Expands every ancestor of Id, so that it is a row.
  void Reveal(TRecordId Id);
  // The node of Id with everything but NextLevel, which only the rows tell.
  TMemTreeNode Node(TRecordId Id) const;
  // Forgets the expanded nodes (the records are numbered anew).
  void Clear();

 private:
  static constexpr TRecordId kNone = 0xFFFFFFFF;
  struct TNode {
    TRecordId Parent = kNone;
    TRecordId FirstChild = kNone;
    TRecordId Next = kNone;  // the next sibling
    int Level = 0;
  };

  int key_column_;
  int parent_column_;
  std::vector<TNode> nodes_;     // by record id
  std::vector<TRecordId> roots_;
  std::vector<bool> expanded_;   // by record id, kept across builds
  int levels_ = 0;
};

}  // namespace lab
