#pragma once
// TLineRecords: the line list's records in one array with a gap. The gap (the spare room) stands
// where the last insertion or deletion happened, so the next one near it moves only the records in
// between: editing at one place costs the same in a text of any length. The records are moved
// bytewise (each holds one pointer to its line's block and plain values).
//
// The arena holds the lines of loaded text; a record's line goes back to it before the record goes.

#include <cstddef>
#include <cstdint>

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
  TLineRecords() = default;
  ~TLineRecords() { Clear(); }
  TLineRecords(const TLineRecords&) = delete;
  TLineRecords& operator=(const TLineRecords&) = delete;

  int Count() const noexcept { return count_; }
  // Records the array has room for, the gap included.
  int Capacity() const noexcept { return capacity_; }
  TCodeEditStringRec& operator[](int Index) noexcept { return buffer_[Physical(Index)]; }
  const TCodeEditStringRec& operator[](int Index) const noexcept { return buffer_[Physical(Index)]; }

  // Room for NewCapacity records (at least Count).
  void SetCapacity(int NewCapacity);
  // Count empty records at Index, 0 .. Count; the room must be there. Answers the first of them
  // (they lie one after another).
  TCodeEditStringRec* Open(int Index, int Count);
  // Removes Count records from Index on (all inside the list).
  void Erase(int Index, int Count) noexcept;
  // Removes every record and frees the array.
  void Clear() noexcept;
  // Lets a record's line go (back to the arena when it is held there).
  void ReleaseLine(TCodeEditStringRec& Rec) noexcept { arena_.Release(Rec.String); }
  TLineArena& Arena() noexcept { return arena_; }
  const TLineArena& Arena() const noexcept { return arena_; }

  // Where the gap starts (the index of the record after it), for tests and benchmarks.
  int GapPosition() const noexcept { return gap_start_; }
  // Records moved by gap moves since the list was made.
  std::int64_t RecordsMoved() const noexcept { return records_moved_; }

 private:
  std::size_t Physical(int Index) const noexcept {
    const auto i = static_cast<std::size_t>(Index);
    return Index < gap_start_ ? i : i + static_cast<std::size_t>(capacity_ - count_);
  }
  void MoveGap(int Index) noexcept;

  TCodeEditStringRec* buffer_ = nullptr;
  int count_ = 0;
  int capacity_ = 0;
  int gap_start_ = 0;
  std::int64_t records_moved_ = 0;
  TLineArena arena_;
};

}  // namespace lab
