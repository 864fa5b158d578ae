#pragma once
// TLineRecords: the line list's records in blocks of at most kBlockRecords, with the index of each
// block's first record beside them. Inserting or deleting a line moves records within its block only;
// the starts of the blocks after it move by a shift that stays pending after the block changed last
// and is carried to the next block that changes, so an edit costs the blocks between it and the one
// before, not the blocks of the text (edits at one place, as typing and undo make them, cost the
// same in a text of any length). Reading a record finds its block from the one read last (lines are
// mostly read in order) or by a binary search. The records are moved bytewise (each holds one pointer
// to its line's block and plain values).
//
// A block that fills up grows by 16 records while it holds at most 64, then by a quarter, up to
// kBlockRecords; a full one is split in two. Lines appended fill blocks to kAppendFill. Room reserved
// ahead (SetCapacity) lies in the last block and in empty blocks after it, which appended lines fill
// in turn. Blocks that run nearly empty are merged with a neighbour.
//
// The arena holds the lines of loaded text; a record's line goes back to it before the record goes.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "editor/line_string.h"

namespace lab {

class TObject;

// A highlighter's state at the end of a line; -1 is no state.
using TCodeEditRange = std::intptr_t;

// Flags of a line record.
enum : std::uint8_t {
  sfHasTabs = 0x01,
  sfHasNoTabs = 0x02,
  sfExpandedLengthUnknown = 0x04,
};

// 32 bytes a line besides the line's own block.
struct TCodeEditStringRec {
  TLineString String;
  TObject* Object = nullptr;
  TCodeEditRange Range = -1;
  // Tab expansion is worked out on first use; both fields are caches. A line's cells may pass the
  // int range (2^30 characters, tabs up to 65536 cells): 56 bits count them, the flags take the rest.
  mutable std::int64_t ExpandedLength : 56 = -1;
  mutable std::uint8_t Flags = sfExpandedLengthUnknown;
};
static_assert(sizeof(TCodeEditStringRec) == 32);

class TLineRecords {
 public:
  static constexpr int kBlockRecords = 1024;
  // Lines appended fill a block this far and go on in the next, leaving room for lines inserted
  // later, so that the first edits among loaded lines split no block.
  static constexpr int kAppendFill = kBlockRecords - kBlockRecords / 16;

  TLineRecords() = default;
  ~TLineRecords() { Clear(); }
  TLineRecords(const TLineRecords&) = delete;
  TLineRecords& operator=(const TLineRecords&) = delete;

  int Count() const noexcept { return count_; }
  // Records the blocks have room for.
  int Capacity() const noexcept { return capacity_; }
  // Index in 0 .. Count - 1.
  TCodeEditStringRec& operator[](int Index) noexcept {
    const std::size_t k = BlockOf(Index);
    return blocks_[k].Records[Index - Start(k)];
  }
  const TCodeEditStringRec& operator[](int Index) const noexcept {
    const std::size_t k = BlockOf(Index);
    return blocks_[k].Records[Index - Start(k)];
  }

  // Room for NewCapacity records (at least Count): more room goes to the last block and empty blocks
  // after it; less gives back room after the last record.
  void SetCapacity(int NewCapacity);
  // An empty record at Index, 0 .. Count.
  TCodeEditStringRec& Open(int Index);
  // Count empty records at Index, 0 .. Count.
  void Open(int Index, int Count);
  // An empty record after the last, placed as Open(Count()) places it.
  TCodeEditStringRec& Append() {
    if (used_ > 0) {
      TBlock& last = blocks_[used_ - 1];
      if (last.Count < last.Capacity && last.Count < kAppendFill) {
        ++count_;
        return *::new (static_cast<void*>(last.Records + last.Count++)) TCodeEditStringRec();
      }
    }
    return Open(count_);
  }
  // Moves Other's records after the last, block by block, with the arena that holds their lines;
  // Other is left empty.
  void AppendBlocks(TLineRecords& Other);
  // Removes Count records from Index on (all inside the list).
  void Erase(int Index, int Count) noexcept;
  // Removes every record and frees the blocks.
  void Clear() noexcept;
  // Exchanges the records, their blocks and their lines' arena with Other's.
  void Swap(TLineRecords& Other) noexcept {
    blocks_.swap(Other.blocks_);
    starts_.swap(Other.starts_);
    std::swap(used_, Other.used_);
    std::swap(count_, Other.count_);
    std::swap(capacity_, Other.capacity_);
    std::swap(hint_, Other.hint_);
    std::swap(step_block_, Other.step_block_);
    std::swap(step_, Other.step_);
    arena_.Swap(Other.arena_);
  }
  // Lets a record's line go (back to the arena when it is held there).
  void ReleaseLine(TCodeEditStringRec& Rec) noexcept { arena_.Release(Rec.String); }
  TLineArena& Arena() noexcept { return arena_; }
  const TLineArena& Arena() const noexcept { return arena_; }

  // Blocks holding records, and the index of block K's first record, for tests and benchmarks.
  int BlockCount() const noexcept { return static_cast<int>(used_); }
  int BlockStart(int K) const noexcept { return Start(static_cast<std::size_t>(K)); }
  // Records moved inside and between blocks by inserts, deletes, splits and merges since the list
  // was made.
  std::int64_t RecordsMoved() const noexcept { return records_moved_; }
  // Block starts written since the list was made, by the pending shift carried from block to block
  // and by blocks made, split, merged and removed.
  std::int64_t StartsMoved() const noexcept { return starts_moved_; }

 private:
  struct TBlock {
    TCodeEditStringRec* Records;
    int Count;
    int Capacity;
  };

  // The index of block K's first record (K < used_).
  int Start(std::size_t K) const noexcept { return starts_[K] + (K > step_block_ ? step_ : 0); }
  // The block holding record Index (< Count).
  std::size_t BlockOf(int Index) const noexcept {
    std::size_t k = hint_;
    if (k < used_) {
      const int start = Start(k);
      if (Index >= start) {
        if (Index < start + blocks_[k].Count) return k;
        if (k + 1 < used_ && Index < start + blocks_[k].Count + blocks_[k + 1].Count) return hint_ = k + 1;
      }
    }
    // The last block starting at or before Index.
    std::size_t low = 0, high = used_;
    while (high - low > 1) {
      const std::size_t middle = low + (high - low) / 2;
      if (Start(middle) <= Index)
        low = middle;
      else
        high = middle;
    }
    return hint_ = low;
  }
  // The block an insertion at Index goes into, and the place in it; for Index = Count the last block
  // with records, or the next one when that is full.
  std::size_t InsertionBlock(int Index, int& At);
  // An empty block of Capacity records at K (K <= used_ makes it the block before the one at K).
  void AddBlock(std::size_t K, int Capacity);
  // Room in the block lists for Blocks blocks.
  void Reserve(std::size_t Blocks);
  void RemoveBlock(std::size_t K) noexcept;
  void Resize(TBlock& Block, int Capacity);
  // Splits the full block K in halves.
  void Split(std::size_t K);
  // Merges a block run nearly empty with a neighbour that it fits with.
  void MergeSmall(std::size_t K) noexcept;
  // Moves the starts of the blocks with records after K (< used_) by Delta: the pending shift is
  // carried to K, then grows by Delta.
  void ShiftStarts(std::size_t K, int Delta) noexcept;
  // Carries the pending shift to block K: the blocks between it and K take it or give it back.
  void MoveStep(std::size_t K) noexcept;
  // Applies the pending shift to every block, before blocks are made, removed or recounted.
  void SettleStarts() noexcept;
  // Block K starts at record Start (K an empty block taking records, or one with records).
  void SetStart(std::size_t K, int Start) noexcept;
  // Sets every block start from block K on; no shift is pending after it.
  void RecountStarts(std::size_t K) noexcept;
  // Checks the blocks around K after a change there: each block with records holds 1 ..
  // kBlockRecords of them within its capacity and starts where the one before it ends, and the last
  // one ends at Count; a shift is pending after a block with records only, and the blocks around it
  // follow each other too.
  void CheckBlocksAround(std::size_t K) const noexcept;

  std::vector<TBlock> blocks_;  // the blocks with records, then the empty ones
  std::vector<int> starts_;     // the index of each block's first record (unused for an empty one)
  std::size_t used_ = 0;        // blocks with records
  int count_ = 0;
  int capacity_ = 0;
  mutable std::size_t hint_ = 0;  // the block read last
  // The blocks after step_block_ start step_ records after their entry in starts_.
  std::size_t step_block_ = 0;
  int step_ = 0;
  std::int64_t records_moved_ = 0;
  std::int64_t starts_moved_ = 0;
  TLineArena arena_;
};

}  // namespace lab
