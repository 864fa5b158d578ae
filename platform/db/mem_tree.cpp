#include "platform/db/mem_tree.h"

#include <algorithm>
#include <bit>
#include <string_view>
#include <unordered_map>

namespace lab {

void TMemTree::Build(const TMemStore& Store, const std::vector<TRecordId>& Ids) {
  const TRecordId count = Store.IdCount();
  nodes_.assign(count, TNode{});
  if (expanded_.size() < count) expanded_.resize(count);
  roots_.clear();
  levels_ = 0;

  // Each record's parent: the first visible record (in the dataset's order) holding its parent key.
  const TMemStore::TColumn& keys = Store.Column(key_column_);
  const TMemStore::TColumn& parents = Store.Column(parent_column_);
  auto link = [&](auto KeyOf) {
    std::unordered_map<decltype(KeyOf(keys, 0)), TRecordId> by_key;
    by_key.reserve(Ids.size());
    for (TRecordId id : Ids)
      if (!keys.IsNull(id)) by_key.emplace(KeyOf(keys, id), id);
    for (TRecordId id : Ids) {
      if (parents.IsNull(id)) continue;
      const auto it = by_key.find(KeyOf(parents, id));
      if (it != by_key.end() && it->second != id) nodes_[id].Parent = it->second;
    }
  };
  if (keys.Kind() == TColumnKind::Text) {
    link([](const TMemStore::TColumn& C, TRecordId Id) { return C.Text(Id); });
  } else {
    // Whole numbers compare exactly; a real on either side compares both as reals.
    const bool whole = keys.Kind() == TColumnKind::Integer && parents.Kind() == TColumnKind::Integer;
    link([whole](const TMemStore::TColumn& C, TRecordId Id) {
      if (whole) return static_cast<std::uint64_t>(C.Int(Id));
      double v = C.Kind() == TColumnKind::Integer ? static_cast<double>(C.Int(Id)) : C.Real(Id);
      if (v == 0) v = 0;  // -0 is 0
      return std::bit_cast<std::uint64_t>(v);
    });
  }

  // A ring of parents never reaches a root: the record where the walk up enters it becomes one.
  std::vector<std::uint8_t> state(count, 0);  // 0 not met, 1 on the walk, 2 done
  std::vector<TRecordId> walk;
  for (TRecordId id : Ids) {
    walk.clear();
    TRecordId p = id;
    for (; p != kNone && state[p] == 0; p = nodes_[p].Parent) {
      state[p] = 1;
      walk.push_back(p);
    }
    if (p != kNone && state[p] == 1) nodes_[p].Parent = kNone;
    for (TRecordId w : walk) state[w] = 2;
  }

  // Children and roots in the dataset's order.
  std::vector<TRecordId> last_child(count, kNone);
  TRecordId last_root = kNone;
  for (TRecordId id : Ids) {
    const TRecordId parent = nodes_[id].Parent;
    TRecordId& last = parent == kNone ? last_root : last_child[parent];
    if (last != kNone) nodes_[last].Next = id;
    else if (parent != kNone) nodes_[parent].FirstChild = id;
    else roots_.push_back(id);
    last = id;
  }
  // Levels, parents first (tree order).
  if (roots_.empty()) return;
  for (TRecordId n = roots_.front(); n != kNone;) {
    const TRecordId parent = nodes_[n].Parent;
    nodes_[n].Level = parent == kNone ? 1 : nodes_[parent].Level + 1;
    levels_ = std::max(levels_, nodes_[n].Level);
    if (nodes_[n].FirstChild != kNone) {
      n = nodes_[n].FirstChild;
      continue;
    }
    while (n != kNone && nodes_[n].Next == kNone) n = nodes_[n].Parent;
    if (n != kNone) n = nodes_[n].Next;
  }
}

std::vector<TRecordId> TMemTree::Rows() const {
  std::vector<TRecordId> rows;
  if (roots_.empty()) return rows;
  for (TRecordId n = roots_.front(); n != kNone;) {
    rows.push_back(n);
    if (expanded_[n] && nodes_[n].FirstChild != kNone) {
      n = nodes_[n].FirstChild;
      continue;
    }
    while (n != kNone && nodes_[n].Next == kNone) n = nodes_[n].Parent;
    if (n != kNone) n = nodes_[n].Next;
  }
  return rows;
}

bool TMemTree::SetExpanded(TRecordId Id, bool Value) {
  if (!HasChildren(Id) || expanded_[Id] == Value) return false;
  expanded_[Id] = Value;
  return true;
}

void TMemTree::Reveal(TRecordId Id) {
  if (!Holds(Id)) return;
  for (TRecordId p = nodes_[Id].Parent; p != kNone; p = nodes_[p].Parent) expanded_[p] = true;
}

TMemTreeNode TMemTree::Node(TRecordId Id) const {
  TMemTreeNode node;
  if (!Holds(Id)) return node;
  node.Level = nodes_[Id].Level;
  node.HasChildren = nodes_[Id].FirstChild != kNone;
  node.Expanded = node.HasChildren && expanded_[Id];
  node.Follows.resize(static_cast<std::size_t>(node.Level));
  TRecordId a = Id;
  for (int k = node.Level; k >= 1; --k, a = nodes_[a].Parent)
    node.Follows[static_cast<std::size_t>(k - 1)] = nodes_[a].Next != kNone;
  return node;
}

void TMemTree::Clear() {
  nodes_.clear();
  roots_.clear();
  expanded_.clear();
  levels_ = 0;
}

}  // namespace lab
