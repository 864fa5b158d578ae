#include "editor/line_records.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace lab {

namespace {

void MoveRecords(TCodeEditStringRec* To, TCodeEditStringRec* From, int Count) noexcept {
  if (Count > 0) std::memmove(static_cast<void*>(To), From, static_cast<std::size_t>(Count) * sizeof(*From));
}

}  // namespace

void TLineRecords::MoveGap(int Index) noexcept {
  const int gap = capacity_ - count_;
  if (Index < gap_start_) {
    MoveRecords(buffer_ + Index + gap, buffer_ + Index, gap_start_ - Index);
    records_moved_ += gap_start_ - Index;
  } else if (Index > gap_start_) {
    MoveRecords(buffer_ + gap_start_, buffer_ + gap_start_ + gap, Index - gap_start_);
    records_moved_ += Index - gap_start_;
  }
  gap_start_ = Index;
}

void TLineRecords::SetCapacity(int NewCapacity) {
  if (NewCapacity < count_) NewCapacity = count_;
  if (NewCapacity == capacity_) return;
  if (NewCapacity == 0) {
    std::free(buffer_);
    buffer_ = nullptr;
    capacity_ = gap_start_ = 0;
    return;
  }
  const int behind = count_ - gap_start_;
  if (NewCapacity < capacity_) MoveRecords(buffer_ + NewCapacity - behind, buffer_ + capacity_ - behind, behind);
  void* grown = std::realloc(static_cast<void*>(buffer_), static_cast<std::size_t>(NewCapacity) * sizeof(*buffer_));
  if (!grown) {
    // The array keeps its old size; records moved down for a smaller one go back behind the gap.
    if (NewCapacity < capacity_) MoveRecords(buffer_ + capacity_ - behind, buffer_ + NewCapacity - behind, behind);
    throw std::bad_alloc();
  }
  buffer_ = static_cast<TCodeEditStringRec*>(grown);
  if (NewCapacity > capacity_) MoveRecords(buffer_ + NewCapacity - behind, buffer_ + capacity_ - behind, behind);
  capacity_ = NewCapacity;
}

TCodeEditStringRec* TLineRecords::Open(int Index, int Count) {
  MoveGap(Index);
  TCodeEditStringRec* first = buffer_ + Index;
  // Gap slots hold no objects: the new records are built in them.
  for (int i = 0; i < Count; ++i) ::new (static_cast<void*>(first + i)) TCodeEditStringRec();
  gap_start_ += Count;
  count_ += Count;
  return first;
}

void TLineRecords::Erase(int Index, int Count) noexcept {
  if (Count <= 0) return;
  TCodeEditStringRec* first;
  if (Index + Count == gap_start_) {
    // The records just before the gap (a line deleted right after it was inserted): the gap grows
    // down over them.
    first = buffer_ + Index;
    gap_start_ = Index;
  } else {
    MoveGap(Index);
    first = buffer_ + Index + (capacity_ - count_);
  }
  for (int i = 0; i < Count; ++i) {
    arena_.Release(first[i].String);
    first[i].~TCodeEditStringRec();
  }
  count_ -= Count;
}

void TLineRecords::Clear() noexcept {
  // Lines held in the arena are only forgotten here: the arena goes as a whole below.
  for (int i = 0; i < count_; ++i) (*this)[i].~TCodeEditStringRec();
  std::free(buffer_);
  buffer_ = nullptr;
  count_ = capacity_ = gap_start_ = 0;
  arena_.Clear();
}

}  // namespace lab
