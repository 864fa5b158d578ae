// The blocked record-id list of the in-memory dataset.
#include "platform/db/record_list.h"

#include <atomic>

#include "platform/db/db_errors.h"
#include "platform/rtl/checks.h"

namespace lab {

std::uint64_t TRecordList::NewStamp() {
  // Lists of datasets on other threads draw from the same count.
  static std::atomic<std::uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

TRecordId TRecordList::At(std::size_t Pos) const {
  if (sequence_) return static_cast<TRecordId>(Pos);
  std::size_t k = hint_;
  // Reading on from the block read last (a cursor moving) needs no search.
  if (k >= order_.size() || Pos < Start(k) || Pos >= Start(k) + blocks_[order_[k]]->count) {
    k = BlockAt(Pos);
    hint_ = k;
  }
  return blocks_[order_[k]]->ids[Pos - Start(k)];
}

std::int64_t TRecordList::Find(TRecordId Id) const {
  if (sequence_) return Id < size_ ? static_cast<std::int64_t>(Id) : -1;
  if (Id >= where_.size() || where_[Id] == kAbsent) return -1;
  const TBlock& b = *blocks_[where_[Id]];
  // A scan of one block, a kilobyte at most, that stops where it finds the id.
  const auto slot = std::find(b.ids.begin(), b.ids.begin() + b.count, Id) - b.ids.begin();
  return static_cast<std::int64_t>(Start(b.order) + static_cast<std::size_t>(slot));
}

std::size_t TRecordList::BlockAt(std::size_t Pos) const {
  const auto g = static_cast<std::size_t>(std::upper_bound(group_starts_.begin(), group_starts_.end(), Pos) -
                                          group_starts_.begin()) - 1;
  const auto first = starts_.begin() + static_cast<std::ptrdiff_t>(g << kGroupBits);
  const auto last = starts_.begin() + static_cast<std::ptrdiff_t>(std::min(starts_.size(), (g + 1) << kGroupBits));
  return static_cast<std::size_t>(std::upper_bound(first, last, Pos - group_starts_[g]) - starts_.begin()) - 1;
}

void TRecordList::Shift(std::size_t OrderIndex, std::int32_t Delta) {
  const auto delta = static_cast<std::uint32_t>(Delta);  // wraps as the sum should
  const std::size_t group = OrderIndex >> kGroupBits;
  const std::size_t end = std::min(starts_.size(), (group + 1) << kGroupBits);
  for (std::size_t k = OrderIndex + 1; k < end; ++k) starts_[k] += delta;
  for (std::size_t g = group + 1; g < group_starts_.size(); ++g) group_starts_[g] += delta;
}

void TRecordList::Locate(std::uint32_t Number, std::uint32_t From) {
  const TBlock& b = *blocks_[Number];
  for (std::uint32_t i = From; i < b.count; ++i) where_[b.ids[i]] = Number;
}

void TRecordList::ForgetKey(TRecordId Id) {
  if (sequence_ || Id >= where_.size() || where_[Id] == kAbsent) return;
  const std::uint32_t k = blocks_[where_[Id]]->order;
  if (firsts_[k] == Id) first_keys_[k] = kNoKey;
}

void TRecordList::ForgetKeys() { std::fill(first_keys_.begin(), first_keys_.end(), kNoKey); }

void TRecordList::Renumber(std::size_t FromOrderIndex) {
  group_starts_.resize((order_.size() + kGroupSize - 1) >> kGroupBits);
  // From the start of the group; the blocks before it stay as they were.
  std::size_t k = FromOrderIndex & ~(kGroupSize - 1);
  std::size_t pos = k == 0 ? 0 : Start(k - 1) + blocks_[order_[k - 1]]->count;
  for (; k < order_.size(); ++k) {
    TBlock& b = *blocks_[order_[k]];
    b.order = static_cast<std::uint32_t>(k);
    if ((k & (kGroupSize - 1)) == 0) group_starts_[k >> kGroupBits] = static_cast<std::uint32_t>(pos);
    starts_[k] = static_cast<std::uint32_t>(pos - group_starts_[k >> kGroupBits]);
    pos += b.count;
  }
}

std::uint32_t TRecordList::NewBlock(std::size_t OrderIndex) {
  std::uint32_t number;
  if (!free_.empty()) {
    number = free_.back();
    free_.pop_back();
  } else {
    number = static_cast<std::uint32_t>(blocks_.size());
    blocks_.emplace_back();
  }
  blocks_[number].reset(new TBlock);  // its ids are written as they arrive
  order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(OrderIndex), number);
  starts_.insert(starts_.begin() + static_cast<std::ptrdiff_t>(OrderIndex), 0);
  firsts_.insert(firsts_.begin() + static_cast<std::ptrdiff_t>(OrderIndex), 0);  // set as ids arrive
  first_keys_.insert(first_keys_.begin() + static_cast<std::ptrdiff_t>(OrderIndex), kNoKey);
  return number;  // the caller renumbers once it filled the block
}

void TRecordList::RemoveBlock(std::size_t OrderIndex) {
  const std::uint32_t number = order_[OrderIndex];
  blocks_[number].reset();
  free_.push_back(number);
  order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(OrderIndex));
  starts_.erase(starts_.begin() + static_cast<std::ptrdiff_t>(OrderIndex));
  firsts_.erase(firsts_.begin() + static_cast<std::ptrdiff_t>(OrderIndex));
  first_keys_.erase(first_keys_.begin() + static_cast<std::ptrdiff_t>(OrderIndex));
  Renumber(OrderIndex);
  if (hint_ >= order_.size()) hint_ = 0;
}

void TRecordList::Split(std::size_t OrderIndex) {
  TBlock& b = *blocks_[order_[OrderIndex]];
  const std::uint32_t keep = b.count / 2;
  const std::uint32_t number = NewBlock(OrderIndex + 1);
  TBlock& c = *blocks_[number];
  c.count = b.count - keep;
  std::copy(b.ids.begin() + keep, b.ids.begin() + b.count, c.ids.begin());
  b.count = keep;
  firsts_[OrderIndex + 1] = c.ids[0];
  Renumber(OrderIndex + 1);  // the new block starts where the ids it took did
  Locate(number, 0);
}

void TRecordList::MergeNext(std::size_t OrderIndex) {
  const std::uint32_t number = order_[OrderIndex];
  TBlock& b = *blocks_[number];
  const TBlock& next = *blocks_[order_[OrderIndex + 1]];
  const std::uint32_t from = b.count;
  std::copy(next.ids.begin(), next.ids.begin() + next.count, b.ids.begin() + b.count);
  b.count += next.count;
  RemoveBlock(OrderIndex + 1);
  Locate(number, from);
}

void TRecordList::CheckBlock([[maybe_unused]] std::size_t OrderIndex) const {
#if LAB_CHECKS
  LAB_ASSERT(!sequence_ && OrderIndex < order_.size());
  LAB_ASSERT(starts_.size() == order_.size() && firsts_.size() == order_.size() && first_keys_.size() == order_.size());
  const std::uint32_t number = order_[OrderIndex];
  const TBlock& b = *blocks_[number];
  LAB_ASSERT(b.count > 0 && b.count <= kBlockSize && b.order == OrderIndex && firsts_[OrderIndex] == b.ids[0]);
  const std::size_t end = OrderIndex + 1 < order_.size() ? Start(OrderIndex + 1) : size_;
  LAB_ASSERT(Start(OrderIndex) + b.count == end);
  const std::size_t last = order_.size() - 1;
  LAB_ASSERT(Start(last) + blocks_[order_[last]]->count == size_);
  LAB_ASSERT(where_[b.ids[0]] == number && where_[b.ids[b.count - 1]] == number);
#endif
}

void TRecordList::Materialise() {
  std::vector<TRecordId> ids(size_);
  for (std::size_t i = 0; i < size_; ++i) ids[i] = static_cast<TRecordId>(i);
  Clear();
  Build(ids);
}

void TRecordList::Insert(std::size_t Pos, TRecordId Id) {
  stamp_ = NewStamp();
  if (sequence_) {
    if (Pos == size_ && Id == size_) {
      ++size_;
      return;
    }
    Materialise();
  }
  if (order_.empty()) {
    NewBlock(0);
    Renumber(0);
  }
  std::size_t k = BlockAt(Pos);
  // At a block's start, the end of the block before takes it when there is room (appending, mostly).
  if (Pos == Start(k) && k > 0 && blocks_[order_[k - 1]]->count < kBlockSize) --k;
  if (blocks_[order_[k]]->count == kBlockSize) {
    Split(k);
    if (Pos > Start(k + 1)) ++k;
  }
  const std::uint32_t number = order_[k];
  TBlock& b = *blocks_[number];
  const auto slot = static_cast<std::uint32_t>(Pos - Start(k));
  std::copy_backward(b.ids.begin() + slot, b.ids.begin() + b.count, b.ids.begin() + b.count + 1);
  b.ids[slot] = Id;
  ++b.count;
  if (slot == 0) {
    firsts_[k] = Id;
    first_keys_[k] = kNoKey;
  }
  if (Id >= where_.size()) where_.resize(static_cast<std::size_t>(Id) + 1, kAbsent);
  where_[Id] = number;
  Shift(k, 1);
  ++size_;
  CheckBlock(k);
}

void TRecordList::Erase(std::size_t Pos) {
  stamp_ = NewStamp();
  if (sequence_) {
    if (Pos + 1 == size_) {
      --size_;
      return;
    }
    Materialise();
  }
  const std::size_t k = BlockAt(Pos);
  const std::uint32_t number = order_[k];
  TBlock& b = *blocks_[number];
  const auto slot = static_cast<std::uint32_t>(Pos - Start(k));
  where_[b.ids[slot]] = kAbsent;
  std::copy(b.ids.begin() + slot + 1, b.ids.begin() + b.count, b.ids.begin() + slot);
  --b.count;
  if (slot == 0 && b.count > 0) {
    firsts_[k] = b.ids[0];
    first_keys_[k] = kNoKey;
  }
  Shift(k, -1);
  --size_;
  // Blocks stay at least a quarter full on average, so their number stays bounded by the ids.
  if (b.count == 0) {
    RemoveBlock(k);
  } else if (b.count < kBlockSize / 4) {
    if (k + 1 < order_.size() && b.count + blocks_[order_[k + 1]]->count <= kBlockSize) {
      MergeNext(k);
    } else if (k > 0 && b.count + blocks_[order_[k - 1]]->count <= kBlockSize) {
      MergeNext(k - 1);
    }
  }
  if (!order_.empty()) CheckBlock(std::min(k, order_.size() - 1));
}

void TRecordList::Clear() {
  stamp_ = NewStamp();
  sequence_ = true;
  size_ = 0;
  hint_ = 0;
  std::vector<std::unique_ptr<TBlock>>().swap(blocks_);
  std::vector<std::uint32_t>().swap(free_);
  std::vector<std::uint32_t>().swap(order_);
  std::vector<std::uint32_t>().swap(starts_);
  std::vector<std::uint32_t>().swap(group_starts_);
  std::vector<TRecordId>().swap(firsts_);
  std::vector<std::uint64_t>().swap(first_keys_);
  std::vector<std::uint32_t>().swap(where_);
}

void TRecordList::Assign(const std::vector<TRecordId>& Ids) {
  Clear();
  bool in_sequence = true;
  for (std::size_t i = 0; i < Ids.size() && in_sequence; ++i) in_sequence = Ids[i] == i;
  if (in_sequence) {
    size_ = Ids.size();
    return;
  }
  Build(Ids);
}

void TRecordList::Build(const std::vector<TRecordId>& Ids) {
  sequence_ = false;
  TRecordId top = 0;
  for (TRecordId id : Ids) top = std::max(top, id);
  where_.assign(static_cast<std::size_t>(top) + 1, kAbsent);
  const std::size_t blocks = (Ids.size() + kBuildFill - 1) / kBuildFill;
  // Room for the blocks that splits add, so the first ones move no vector.
  const std::size_t room = blocks + blocks / 4 + 4;
  blocks_.reserve(room);
  order_.reserve(room);
  starts_.reserve(room);
  firsts_.reserve(room);
  first_keys_.reserve(room);
  first_keys_.assign(blocks, kNoKey);
  for (std::size_t start = 0; start < Ids.size(); start += kBuildFill) {
    const auto number = static_cast<std::uint32_t>(blocks_.size());
    std::unique_ptr<TBlock> b(new TBlock);
    b->count = static_cast<std::uint32_t>(std::min<std::size_t>(kBuildFill, Ids.size() - start));
    b->order = number;
    std::copy(Ids.begin() + static_cast<std::ptrdiff_t>(start),
              Ids.begin() + static_cast<std::ptrdiff_t>(start + b->count), b->ids.begin());
    blocks_.push_back(std::move(b));
    order_.push_back(number);
    if ((number & (kGroupSize - 1)) == 0) group_starts_.push_back(static_cast<std::uint32_t>(start));
    starts_.push_back(static_cast<std::uint32_t>(start - group_starts_.back()));
    firsts_.push_back(Ids[start]);
    Locate(number, 0);
  }
  size_ = Ids.size();
}

std::vector<TRecordId> TRecordList::ToVector() const {
  std::vector<TRecordId> ids;
  ids.reserve(size_);
  ForEach([&](TRecordId id) { ids.push_back(id); });
  return ids;
}

}  // namespace lab
