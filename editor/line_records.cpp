#include "editor/line_records.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/rtl/checks.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

namespace {

void MoveRecords(TCodeEditStringRec* To, TCodeEditStringRec* From, int Count) noexcept {
  if (Count > 0) std::memmove(static_cast<void*>(To), From, static_cast<std::size_t>(Count) * sizeof(*From));
}

// Room for Count new records, built in place.
void MakeRecords(TCodeEditStringRec* At, int Count) noexcept {
  for (int i = 0; i < Count; ++i) ::new (static_cast<void*>(At + i)) TCodeEditStringRec();
}

// The growth of a full block: 16 records while it holds at most 64, then a quarter.
int Grown(int Capacity) { return Capacity + (Capacity > 64 ? Capacity / 4 : 16); }

}  // namespace

void TLineRecords::Resize(TBlock& Block, int Capacity) {
  if (Capacity == 0) {
    std::free(Block.Records);
    Block.Records = nullptr;
  } else {
    void* moved = std::realloc(static_cast<void*>(Block.Records), static_cast<std::size_t>(Capacity) * sizeof(TCodeEditStringRec));
    if (!moved) throw std::bad_alloc();
    Block.Records = static_cast<TCodeEditStringRec*>(moved);
  }
  capacity_ += Capacity - Block.Capacity;
  Block.Capacity = Capacity;
}

void TLineRecords::Reserve(std::size_t Blocks) {
  // Doubling, so that blocks made one at a time cost a copy of the lists now and then only.
  if (Blocks > blocks_.capacity()) blocks_.reserve(std::max(Blocks, 2 * blocks_.capacity()));
  if (Blocks > starts_.capacity()) starts_.reserve(blocks_.capacity());
}

void TLineRecords::AddBlock(std::size_t K, int Capacity) {
  // Both vectors have room before the block is made, so nothing below fails with it half in place.
  Reserve(blocks_.size() + 1);
  TBlock block{nullptr, 0, 0};
  Resize(block, Capacity);
  SettleStarts();
  const int start = K < used_ ? starts_[K] : count_;
  blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(K), block);
  starts_.insert(starts_.begin() + static_cast<std::ptrdiff_t>(K), start);
  starts_moved_ += static_cast<std::int64_t>(starts_.size() - K);
}

void TLineRecords::RemoveBlock(std::size_t K) noexcept {
  SettleStarts();
  TBlock& block = blocks_[K];
  std::free(block.Records);
  capacity_ -= block.Capacity;
  if (K < used_) --used_;
  blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(K));
  starts_.erase(starts_.begin() + static_cast<std::ptrdiff_t>(K));
  starts_moved_ += static_cast<std::int64_t>(starts_.size() - K);
  hint_ = 0;
}

void TLineRecords::ShiftStarts(std::size_t K, int Delta) noexcept {
  MoveStep(K);
  step_ += Delta;
}

void TLineRecords::MoveStep(std::size_t K) noexcept {
  if (step_ != 0) {
    int* starts = starts_.data();
    for (std::size_t j = step_block_ + 1; j <= K; ++j) starts[j] += step_;
    for (std::size_t j = K + 1; j <= step_block_; ++j) starts[j] -= step_;
    starts_moved_ += static_cast<std::int64_t>(K > step_block_ ? K - step_block_ : step_block_ - K);
  }
  step_block_ = K;
}

void TLineRecords::SettleStarts() noexcept {
  if (step_ != 0) MoveStep(used_ - 1);
  step_ = 0;
  step_block_ = 0;
}

void TLineRecords::SetStart(std::size_t K, int Start) noexcept {
  starts_[K] = Start - (K > step_block_ ? step_ : 0);
}

void TLineRecords::RecountStarts(std::size_t K) noexcept {
  SettleStarts();
  int start = K == 0 ? 0 : starts_[K - 1] + blocks_[K - 1].Count;
  for (std::size_t j = K; j < blocks_.size(); ++j) {
    starts_[j] = start;
    start += blocks_[j].Count;
  }
  starts_moved_ += static_cast<std::int64_t>(blocks_.size() - K);
}

void TLineRecords::CheckBlocksAround([[maybe_unused]] std::size_t K) const noexcept {
#if LAB_CHECKS
  LAB_ASSERT(used_ <= blocks_.size() && starts_.size() == blocks_.size());
  LAB_ASSERT((used_ == 0) == (count_ == 0));
  LAB_ASSERT(step_ == 0 || step_block_ < used_);
  if (used_ == 0) return;
  auto check = [&](std::size_t Around) {
    const std::size_t from = Around > 0 ? Around - 1 : 0, to = std::min(Around + 1, used_ - 1);
    for (std::size_t j = from; j <= to; ++j) {
      const TBlock& block = blocks_[j];
      LAB_ASSERT(block.Count > 0 && block.Count <= block.Capacity && block.Capacity <= kBlockRecords);
      LAB_ASSERT(Start(j) == (j == 0 ? 0 : Start(j - 1) + blocks_[j - 1].Count));
    }
  };
  check(std::min(K, used_ - 1));
  if (step_ != 0) check(step_block_ + 1);
  LAB_ASSERT(Start(used_ - 1) + blocks_[used_ - 1].Count == count_);
#endif
}

void TLineRecords::Split(std::size_t K) {
  AddBlock(K + 1, kBlockRecords);
  TBlock& block = blocks_[K];
  TBlock& upper = blocks_[K + 1];
  const int half = block.Count / 2;
  upper.Count = block.Count - half;
  std::memcpy(static_cast<void*>(upper.Records), block.Records + half, static_cast<std::size_t>(upper.Count) * sizeof(TCodeEditStringRec));
  block.Count = half;
  starts_[K + 1] = starts_[K] + half;  // no shift is pending once a block is made
  records_moved_ += upper.Count;
  ++used_;
}

std::size_t TLineRecords::InsertionBlock(int Index, int& At) {
  if (Index < count_) {
    const std::size_t k = BlockOf(Index);
    At = Index - Start(k);
    return k;
  }
  // At the end: the last block with records until appended lines fill it, else the first empty
  // block, made when there is none.
  if (used_ > 0) {
    const TBlock& last = blocks_[used_ - 1];
    if (last.Count < kAppendFill) {
      At = last.Count;
      return used_ - 1;
    }
  }
  if (used_ == blocks_.size()) AddBlock(used_, used_ == 0 ? Grown(0) : kBlockRecords);
  At = 0;
  return used_;
}

TCodeEditStringRec& TLineRecords::Open(int Index) {
  int at;
  std::size_t k = InsertionBlock(Index, at);
  if (blocks_[k].Count == blocks_[k].Capacity) {
    if (blocks_[k].Capacity < kBlockRecords) {
      Resize(blocks_[k], std::min(kBlockRecords, Grown(blocks_[k].Capacity)));
    } else {
      Split(k);
      if (at > blocks_[k].Count) {
        at -= blocks_[k].Count;
        ++k;
      }
    }
  }
  TBlock& block = blocks_[k];
  if (k == used_) {
    // An empty block takes its first record.
    SetStart(k, count_);
    ++used_;
  }
  MoveRecords(block.Records + at + 1, block.Records + at, block.Count - at);
  records_moved_ += block.Count - at;
  MakeRecords(block.Records + at, 1);
  ++block.Count;
  ++count_;
  ShiftStarts(k, 1);
  hint_ = k;
  CheckBlocksAround(k);
  return block.Records[at];
}

void TLineRecords::AppendBlocks(TLineRecords& Other) {
  if (&Other == this) return;
  // All room first: nothing below fails with the blocks half moved.
  Reserve(blocks_.size() + Other.used_);
  SettleStarts();
  arena_.Adopt(Other.arena_);
  const auto from = Other.blocks_.begin(), to = from + static_cast<std::ptrdiff_t>(Other.used_);
  const std::size_t k = used_;
  blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(k), from, to);
  starts_.insert(starts_.begin() + static_cast<std::ptrdiff_t>(k), Other.used_, 0);
  for (auto block = from; block != to; ++block) capacity_ += block->Capacity;
  used_ += Other.used_;
  count_ += Other.count_;
  RecountStarts(k);
  // Other keeps its empty blocks only.
  Other.blocks_.erase(from, to);
  Other.starts_.erase(Other.starts_.begin(), Other.starts_.begin() + static_cast<std::ptrdiff_t>(Other.used_));
  Other.capacity_ = 0;
  for (const TBlock& block : Other.blocks_) Other.capacity_ += block.Capacity;
  Other.used_ = Other.hint_ = Other.step_block_ = 0;
  Other.count_ = Other.step_ = 0;
  CheckBlocksAround(k);
  CheckBlocksAround(used_ > 0 ? used_ - 1 : 0);
}

void TLineRecords::Open(int Index, int Count) {
  if (Count <= 0) return;
  int at;
  std::size_t k = InsertionBlock(Index, at);
  TBlock* block = &blocks_[k];
  if (block->Count + Count > block->Capacity && block->Count + Count <= kBlockRecords)
    Resize(*block, std::max(block->Count + Count, std::min(kBlockRecords, Grown(block->Capacity))));
  if (block->Count + Count <= block->Capacity) {
    if (k == used_) {
      // An empty block takes its first records.
      SetStart(k, count_);
      ++used_;
    }
    MoveRecords(block->Records + at + Count, block->Records + at, block->Count - at);
    records_moved_ += block->Count - at;
    MakeRecords(block->Records + at, Count);
    block->Count += Count;
    count_ += Count;
    ShiftStarts(k, Count);
    hint_ = k;
    CheckBlocksAround(k);
    return;
  }
  // More than the block can hold: the records after the place move to a block of their own, the new
  // ones fill the rest of this block and then full blocks (empty ones first) between the two. All
  // room is taken first, so nothing fails once records move.
  const int tail = block->Count - at;
  const int here = std::min(Count, block->Capacity - at);
  // Empty blocks right after this one take records first (at the end of the text).
  int rest = Count - here;
  if (k + 1 >= used_)
    for (std::size_t p = k + 1; p < blocks_.size() && rest > 0; ++p) rest -= blocks_[p].Capacity;
  const int fresh = rest > 0 ? (rest + kBlockRecords - 1) / kBlockRecords : 0;
  std::vector<TCodeEditStringRec*> room;
  TScopeFail free_room([&] {
    for (TCodeEditStringRec* records : room) std::free(records);
  });
  auto allocate = [&](int Records) {
    room.reserve(room.size() + 1);
    auto* records = static_cast<TCodeEditStringRec*>(std::malloc(static_cast<std::size_t>(Records) * sizeof(TCodeEditStringRec)));
    if (!records) throw std::bad_alloc();
    room.push_back(records);
  };
  const int tail_capacity = std::max(tail, std::min(kBlockRecords, Grown(tail)));
  if (tail > 0) allocate(tail_capacity);
  for (int i = 0; i < fresh; ++i) allocate(kBlockRecords);
  Reserve(blocks_.size() + static_cast<std::size_t>(fresh) + 1);
  free_room.Release();
  SettleStarts();
  block = &blocks_[k];

  if (k == used_) ++used_;  // an empty block takes records
  TBlock moved{nullptr, 0, 0};
  if (tail > 0) {
    moved = {room[0], tail, tail_capacity};
    std::memcpy(static_cast<void*>(moved.Records), block->Records + at, static_cast<std::size_t>(tail) * sizeof(TCodeEditStringRec));
    records_moved_ += tail;
    capacity_ += tail_capacity;
  }
  MakeRecords(block->Records + at, here);
  block->Count = at + here;
  int left = Count - here;
  std::size_t pos = k + 1;
  std::size_t next_room = tail > 0 ? 1 : 0;
  while (left > 0) {
    if (!(pos == used_ && pos < blocks_.size())) {
      blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(pos), TBlock{room[next_room++], 0, kBlockRecords});
      starts_.insert(starts_.begin() + static_cast<std::ptrdiff_t>(pos), 0);
      capacity_ += kBlockRecords;
    }
    TBlock& filled = blocks_[pos];
    filled.Count = std::min(left, filled.Capacity);
    MakeRecords(filled.Records, filled.Count);
    left -= filled.Count;
    ++used_;
    ++pos;
  }
  if (tail > 0) {
    blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(pos), moved);
    starts_.insert(starts_.begin() + static_cast<std::ptrdiff_t>(pos), 0);
    ++used_;
  }
  count_ += Count;
  RecountStarts(k);
  hint_ = k;
  CheckBlocksAround(k);
  CheckBlocksAround(pos - 1);
}

void TLineRecords::Erase(int Index, int Count) noexcept {
  LAB_ASSERT(Index >= 0 && Count <= count_ - Index);
  while (Count > 0) {
    const std::size_t k = BlockOf(Index);
    TBlock& block = blocks_[k];
    const int at = Index - Start(k);
    const int n = std::min(Count, block.Count - at);
    for (int i = at; i < at + n; ++i) {
      arena_.Release(block.Records[i].String);
      block.Records[i].~TCodeEditStringRec();
    }
    MoveRecords(block.Records + at, block.Records + at + n, block.Count - at - n);
    records_moved_ += block.Count - at - n;
    block.Count -= n;
    count_ -= n;
    Count -= n;
    ShiftStarts(k, -n);
    if (block.Count == 0)
      RemoveBlock(k);
    else
      MergeSmall(k);
    CheckBlocksAround(std::min(k, used_ > 0 ? used_ - 1 : 0));
  }
}

void TLineRecords::MergeSmall(std::size_t K) noexcept {
  if (blocks_[K].Count >= kBlockRecords / 4) return;
  // With the next block, or else the one before, when the two fill at most half a block.
  std::size_t left = K;
  if (K + 1 < used_ && blocks_[K].Count + blocks_[K + 1].Count <= kBlockRecords / 2) {
    left = K;
  } else if (K > 0 && blocks_[K - 1].Count + blocks_[K].Count <= kBlockRecords / 2) {
    left = K - 1;
  } else {
    return;
  }
  TBlock& a = blocks_[left];
  TBlock& b = blocks_[left + 1];
  const int total = a.Count + b.Count;
  if (total > a.Capacity) {
    // Growing can fail: the blocks then simply stay apart.
    void* grown = std::realloc(static_cast<void*>(a.Records), static_cast<std::size_t>(kBlockRecords / 2) * sizeof(TCodeEditStringRec));
    if (!grown) return;
    a.Records = static_cast<TCodeEditStringRec*>(grown);
    capacity_ += kBlockRecords / 2 - a.Capacity;
    a.Capacity = kBlockRecords / 2;
  }
  std::memcpy(static_cast<void*>(a.Records + a.Count), b.Records, static_cast<std::size_t>(b.Count) * sizeof(TCodeEditStringRec));
  records_moved_ += b.Count;
  a.Count = total;
  b.Count = 0;
  RemoveBlock(left + 1);
}

void TLineRecords::SetCapacity(int NewCapacity) {
  NewCapacity = std::max(NewCapacity, count_);
  if (NewCapacity > capacity_) {
    // The last block grows to a full one, then empty blocks follow.
    if (!blocks_.empty() && blocks_.back().Capacity < kBlockRecords)
      Resize(blocks_.back(), std::min(kBlockRecords, blocks_.back().Capacity + (NewCapacity - capacity_)));
    while (capacity_ < NewCapacity) AddBlock(blocks_.size(), std::min(kBlockRecords, NewCapacity - capacity_));
    return;
  }
  // Empty blocks go first, then the last block gives back what its records leave free.
  while (blocks_.size() > used_ && capacity_ - blocks_.back().Capacity >= NewCapacity) RemoveBlock(blocks_.size() - 1);
  if (capacity_ > NewCapacity && !blocks_.empty()) {
    TBlock& last = blocks_.back();
    const int capacity = std::max(last.Count, last.Capacity - (capacity_ - NewCapacity));
    if (capacity == 0)
      RemoveBlock(blocks_.size() - 1);
    else
      Resize(last, capacity);
  }
}

void TLineRecords::Clear() noexcept {
  // Lines held in the arena are only forgotten here: the arena goes as a whole below.
  for (std::size_t k = 0; k < used_; ++k)
    for (int i = 0; i < blocks_[k].Count; ++i) blocks_[k].Records[i].~TCodeEditStringRec();
  for (TBlock& block : blocks_) std::free(block.Records);
  blocks_.clear();
  starts_.clear();
  used_ = hint_ = step_block_ = 0;
  count_ = capacity_ = step_ = 0;
  arena_.Clear();
}

}  // namespace lab
