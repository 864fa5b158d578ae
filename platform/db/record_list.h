#pragma once
// An ordered list of record ids, for the in-memory dataset's stored order and for its sorted or
// filtered view. The id at a position, the position of an id, and putting an id in or taking one out
// anywhere cost about the same for a million records as for a thousand: the ids live in blocks of at
// most 256 and every id knows its block, so a change moves ids within one block only. A list that
// holds 0, 1, 2, ... in order (records only ever appended) stores nothing but its length until it is
// changed elsewhere.
//
// A list in an order that follows a 64-bit key (a sorted view) keeps the keys of its blocks' first
// ids: KeyedPartitionPoint fills them in as it reads them, so a search by value steps through
// contiguous keys to its block and reads records only inside that block. A change at a block's
// start forgets its key; ForgetKey says an id's key changed where it stands.
//
// Blocks made from a whole list are filled to three quarters, so the changes that follow (a record
// posted in a sorted view) seldom split one.

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/db/mem_store.h"

namespace lab {

class TRecordList {
 public:
  TRecordList() = default;
  TRecordList(TRecordList&&) noexcept = default;
  TRecordList& operator=(TRecordList&&) noexcept = default;

  std::size_t Size() const { return size_; }
  bool Empty() const { return size_ == 0; }
  TRecordId At(std::size_t Pos) const;
  // The position of Id; -1 when the list does not hold it.
  std::int64_t Find(TRecordId Id) const;

  // Id must not be in the list yet; Pos may be Size().
  void Insert(std::size_t Pos, TRecordId Id);
  void PushBack(TRecordId Id) { Insert(size_, Id); }
  void Erase(std::size_t Pos);
  void Clear();
  // The ids given, in their order (each at most once).
  void Assign(const std::vector<TRecordId>& Ids);
  std::vector<TRecordId> ToVector() const;
  // Changes with every change of the list and is never the same for two lists (nor 0), so what was
  // worked out from a list's positions holds for as long as its stamp does.
  std::uint64_t Stamp() const { return stamp_; }

  // Calls F with every id in order.
  template <class F>
  void ForEach(F&& f) const {
    if (sequence_) {
      for (std::size_t i = 0; i < size_; ++i) f(static_cast<TRecordId>(i));
      return;
    }
    for (std::uint32_t number : order_) {
      const TBlock& b = *blocks_[number];
      for (std::uint32_t i = 0; i < b.count; ++i) f(b.ids[i]);
    }
  }

  // The first position whose id fails Pred, where Pred holds for a leading part of the list and
  // fails for the rest (as std::partition_point).
  template <class P>
  std::size_t PartitionPoint(P&& Pred) const {
    if (sequence_) {
      std::size_t lo = 0, hi = size_;
      while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (Pred(static_cast<TRecordId>(mid))) lo = mid + 1;
        else hi = mid;
      }
      return lo;
    }
    // First the block whose first id fails (searched in firsts_, so a step reads no block), then the
    // place in the block before it.
    const auto k = static_cast<std::size_t>(std::partition_point(firsts_.begin(), firsts_.end(), Pred) - firsts_.begin());
    if (k == 0) return 0;
    const TBlock& b = *blocks_[order_[k - 1]];
    const auto slot = std::partition_point(b.ids.begin(), b.ids.begin() + b.count, Pred) - b.ids.begin();
    return Start(k - 1) + static_cast<std::size_t>(slot);
  }

  // As PartitionPoint, where KeyOf(id) answers a key that ascends along the list, an id whose key
  // is below Key holds Pred and one whose key is above fails it: Pred is asked only among equal
  // keys. The first ids' keys read are kept, so every call must pass the same KeyOf until Assign,
  // Clear or ForgetKeys. Inside the block found, keys are read only with KeysInBlock; else Pred is
  // asked (for keys that cost more to read than Pred costs to ask, as a text's).
  template <class K, class P>
  std::size_t KeyedPartitionPoint(std::uint64_t Key, K&& KeyOf, P&& Pred, bool KeysInBlock = true) const {
    if (sequence_) return PartitionPoint(Pred);
    const auto holds = [&](std::uint64_t key, std::uint64_t target, TRecordId id) {
      return key != target ? key < target : Pred(id);
    };
    // First keys are kept raised to 1, so 0 can mean not known yet; the key sought is raised
    // alike, which only makes 0 and 1 tie.
    const std::uint64_t raised = std::max<std::uint64_t>(Key, 1);
    std::size_t lo = 0, hi = order_.size();
    while (lo < hi) {
      const std::size_t mid = lo + (hi - lo) / 2;
      std::uint64_t& first = first_keys_[mid];
      if (first == kNoKey) first = std::max<std::uint64_t>(KeyOf(firsts_[mid]), 1);
      if (holds(first, raised, firsts_[mid])) lo = mid + 1;
      else hi = mid;
    }
    if (lo == 0) return 0;
    const TBlock& b = *blocks_[order_[lo - 1]];
    // The block's first id holds (the search above says so): look among the rest.
    std::uint32_t from = 1, to = b.count;
    while (from < to) {
      const std::uint32_t mid = from + (to - from) / 2;
      if (KeysInBlock ? holds(KeyOf(b.ids[mid]), Key, b.ids[mid]) : Pred(b.ids[mid])) from = mid + 1;
      else to = mid;
    }
    hint_ = lo - 1;  // the caller reads the record found next
    return Start(lo - 1) + from;
  }
  // Reads the keys of all blocks' first ids at once (a list just made, searched next).
  template <class K>
  void FillFirstKeys(K&& KeyOf) {
    for (std::size_t k = 0; k < firsts_.size(); ++k) first_keys_[k] = std::max<std::uint64_t>(KeyOf(firsts_[k]), 1);
  }
  // Id's key changed while it stayed in place.
  void ForgetKey(TRecordId Id);
  void ForgetKeys();

 private:
  static constexpr std::uint32_t kBlockSize = 256;
  static constexpr std::uint32_t kBuildFill = kBlockSize * 3 / 4;
  // Blocks are counted off in groups of 64: a block's start is its group's start plus its start
  // within the group, so an id put in or taken out moves the starts of the blocks after it in its
  // group and of the groups after it, not of every block after it.
  static constexpr unsigned kGroupBits = 6;
  static constexpr std::size_t kGroupSize = std::size_t{1} << kGroupBits;
  static constexpr std::uint32_t kAbsent = 0xFFFFFFFF;
  static constexpr std::uint64_t kNoKey = 0;  // in first_keys_, whose keys are raised to 1

  struct TBlock {
    std::uint32_t count = 0;
    std::uint32_t order = 0;  // index in order_
    std::array<TRecordId, kBlockSize> ids;
  };

  // The position of the first id of the block at OrderIndex.
  std::size_t Start(std::size_t OrderIndex) const {
    return group_starts_[OrderIndex >> kGroupBits] + starts_[OrderIndex];
  }
  // The blocks after OrderIndex start Delta later (an id came or went there).
  void Shift(std::size_t OrderIndex, std::int32_t Delta);
  // The index in order_ of the block holding Pos (the last block for Pos == Size()).
  std::size_t BlockAt(std::size_t Pos) const;
  void Materialise();
  // Blocks holding Ids, filled to kBuildFill, on a cleared list.
  void Build(const std::vector<TRecordId>& Ids);
  // An empty block at OrderIndex; Renumber from there once it is filled.
  std::uint32_t NewBlock(std::size_t OrderIndex);
  void RemoveBlock(std::size_t OrderIndex);
  // After blocks came or went at FromOrderIndex: each block's index and start from there on.
  void Renumber(std::size_t FromOrderIndex);
  // Tells the ids of block Number from slot From on that they live there.
  void Locate(std::uint32_t Number, std::uint32_t From);
  void Split(std::size_t OrderIndex);
  // Moves the ids of the block after OrderIndex into it and drops that block.
  void MergeNext(std::size_t OrderIndex);
  // Checks the block at OrderIndex after a change there: it holds 1 .. kBlockSize ids, knows its
  // place, keeps its first id, ends where the next one starts (the last one at Size()), and its
  // first and last ids know their block.
  void CheckBlock(std::size_t OrderIndex) const;

  static std::uint64_t NewStamp();

  std::uint64_t stamp_ = NewStamp();
  bool sequence_ = true;  // holds 0 .. size_-1 in order, with nothing stored
  std::size_t size_ = 0;
  std::vector<std::unique_ptr<TBlock>> blocks_;  // by block number; null when free
  std::vector<std::uint32_t> free_;              // free block numbers
  std::vector<std::uint32_t> order_;             // block numbers in list order
  std::vector<std::uint32_t> starts_;            // each block's start within its group, by order index
  std::vector<std::uint32_t> group_starts_;      // position of each group's first id
  std::vector<TRecordId> firsts_;                // each block's first id, by order index
  mutable std::vector<std::uint64_t> first_keys_;  // the key of each first id, or kNoKey, by order index
  std::vector<std::uint32_t> where_;             // by id: its block's number, or kAbsent
  mutable std::size_t hint_ = 0;                 // order index of the block read last
};

}  // namespace lab
