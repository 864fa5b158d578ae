#include "grid/bookmark_list.h"

#include <algorithm>

#include "platform/db/dataset.h"
#include "platform/db/db_errors.h"
#include "platform/rtl/checks.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

namespace {

// The binary search over Count items, Compare(i) telling how item i stands to the one looked for;
// Index is where it is, or where it would go.
template <class C>
bool Search(int Count, int& Index, C&& Compare) {
  int low = 0, high = Count - 1;
  bool found = false;
  while (low <= high) {
    const int mid = (low + high) / 2;
    const int c = Compare(static_cast<std::size_t>(mid));
    if (c >= 0) {
      high = mid - 1;
      if (c == 0) {
        found = true;
        low = mid;
      }
    } else {
      low = mid + 1;
    }
  }
  Index = low;
  return found;
}

}  // namespace

TDataSet* TBookmarkListX::DataSet() const { return grid_.SelectionDataSet(); }

void TBookmarkListX::Changed() { cache_index_ = -1; }

bool TBookmarkListX::KeysHeld(const TDataSet* DataSet) const {
  return keys_stamp_ != 0 && DataSet && DataSet->BookmarkOrderStamp() == keys_stamp_;
}

void TBookmarkListX::DropKeys() {
  keys_.clear();
  keys_stamp_ = 0;
}

bool TBookmarkListX::TakeKeys(const TDataSet& DataSet) {
  DropKeys();
  const std::uint64_t stamp = DataSet.BookmarkOrderStamp();
  if (stamp == 0) return false;
  keys_.resize(items_.size());
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (!DataSet.BookmarkOrderKey(items_[i], keys_[i]) || (i > 0 && keys_[i] <= keys_[i - 1])) {
      DropKeys();
      return false;
    }
  keys_stamp_ = stamp;
  return true;
}

void TBookmarkListX::CheckOrderAround([[maybe_unused]] std::size_t Index) const {
#if LAB_CHECKS
  const TDataSet* ds = DataSet();
  if (keys_stamp_ != 0) LAB_ASSERT(keys_.size() == items_.size());
  const std::size_t from = Index > 0 ? Index - 1 : 0, to = std::min(Index + 2, items_.size());
  for (std::size_t i = from + 1; i < to; ++i) {
    if (KeysHeld(ds))
      LAB_ASSERT(keys_[i - 1] < keys_[i]);
    else if (ds && ds->Active())
      LAB_ASSERT(ds->CompareBookmarks(items_[i - 1], items_[i]) < 0);
  }
#endif
}

TBookmark TBookmarkListX::CurrentRow() const {
  if (!link_active_ || !grid_.SelectionLinkActive())
    DatabaseError(std::string(dbmsg::SDataSetClosed));
  return DataSet()->Bookmark();
}

bool TBookmarkListX::Find(const TBookmark& Bookmark, int& Index) const {
  TDataSet* ds = DataSet();
  const std::uint64_t stamp = ds ? ds->BookmarkOrderStamp() : 0;
  if (cache_index_ >= 0 && cache_stamp_ == stamp && Bookmark == cache_bookmark_) {
    Index = cache_index_;
    return cache_found_;
  }
  // By the keys while they hold (a bookmark without a key is not valid, and is left to the
  // dataset's comparison), else by the dataset's comparison.
  std::int64_t key = 0;
  bool found;
  if (KeysHeld(ds) && ds->BookmarkOrderKey(Bookmark, key)) {
    found = Search(Count(), Index, [&](std::size_t i) { return keys_[i] < key ? -1 : (keys_[i] > key ? 1 : 0); });
  } else {
    found = Search(Count(), Index, [&](std::size_t i) {
      return ds ? ds->CompareBookmarks(items_[i], Bookmark) : items_[i].compare(Bookmark);
    });
  }
  cache_bookmark_ = Bookmark;
  cache_index_ = Index;
  cache_found_ = found;
  cache_stamp_ = stamp;
  return found;
}

int TBookmarkListX::IndexOf(const TBookmark& Bookmark) const {
  int index = -1;
  return Find(Bookmark, index) ? index : -1;
}

bool TBookmarkListX::CurrentRowSelected() const {
  int index = 0;
  return Find(CurrentRow(), index);
}

void TBookmarkListX::SetCurrentRowSelected(bool Value) {
  const TBookmark current = CurrentRow();
  if (current.empty()) return;
  int index = 0;
  if (Find(current, index) == Value) return;
  TDataSet* ds = DataSet();
  // An empty list holds the keys of any order; else they stay only while they hold.
  if (items_.empty()) {
    keys_.clear();
    keys_stamp_ = ds ? ds->BookmarkOrderStamp() : 0;
  }
  std::int64_t key = 0;
  if (!KeysHeld(ds) || (Value && !ds->BookmarkOrderKey(current, key))) DropKeys();
  if (Value) {
    items_.insert(items_.begin() + index, current);
    if (keys_stamp_ != 0) keys_.insert(keys_.begin() + index, key);
  } else {
    items_.erase(items_.begin() + index);
    if (keys_stamp_ != 0) keys_.erase(keys_.begin() + index);
  }
  CheckOrderAround(static_cast<std::size_t>(index));
  Changed();
  grid_.RepaintCurrentRecord();
  IRowsSelectionX* selection = grid_.RowsSelection();
  if (Count() > 0) selection->RowsPicked();
  selection->UpdateState();
  selection->SelectionChanged();
}

void TBookmarkListX::Clear() {
  if (items_.empty()) return;
  items_.clear();
  DropKeys();
  Changed();
  grid_.RowsSelection()->UpdateState();
  grid_.RepaintGrid();
  grid_.RowsSelection()->SelectionChanged();
}

void TBookmarkListX::Delete() {
  TDataSet* ds = DataSet();
  if (!ds) return;
  // The dataset's order changes with each record deleted.
  DropKeys();
  ds->DisableControls();
  {
    TScopeExit enable([ds] { ds->EnableControls(); });
    while (!items_.empty()) {
      if (ds->BookmarkValid(items_.back())) {
        ds->GotoBookmark(items_.back());
        ds->Delete();
      }
      items_.pop_back();
      Changed();
    }
  }
  grid_.RowsSelection()->UpdateState();
}

void TBookmarkListX::LinkActive(bool Value) {
  items_.clear();
  DropKeys();
  Changed();
  link_active_ = Value;
}

TGridRect TBookmarkListX::SelectionRect() {
  TGridRect r{-1, -1, -1, -1};
  TDataSet* ds = DataSet();
  if (items_.empty() || !ds) return r;
  grid_.ForEachRecordShown([&](int row) {
    int index = 0;
    if (!Find(ds->Bookmark(), index)) return;
    if (r.Top < 0) r.Top = row;
    r.Bottom = row;
  });
  if (r.Top < 0) return r;
  r.Left = 0;
  r.Right = grid_.GridCellCount().X - 1;
  return r;
}

bool TBookmarkListX::Refresh() {
  TDataSet* ds = DataSet();
  if (!ds) return false;
  const std::size_t before = items_.size();
  if (ds->BookmarkOrderStamp() != 0) {
    // By key: a bookmark without one is gone; one key per record.
    std::vector<std::pair<std::int64_t, TBookmark>> keyed;
    keyed.reserve(items_.size());
    for (TBookmark& b : items_) {
      std::int64_t key = 0;
      if (ds->BookmarkOrderKey(b, key)) keyed.emplace_back(key, std::move(b));
    }
    auto less = [](const auto& a, const auto& b) { return a.first < b.first; };
    if (!std::is_sorted(keyed.begin(), keyed.end(), less)) std::stable_sort(keyed.begin(), keyed.end(), less);
    keyed.erase(std::unique(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
                keyed.end());
    items_.clear();
    keys_.clear();
    for (auto& [key, b] : keyed) {
      keys_.push_back(key);
      items_.push_back(std::move(b));
    }
    keys_stamp_ = ds->BookmarkOrderStamp();
#if LAB_CHECKS
    for (std::size_t i = 1; i < keys_.size(); ++i) LAB_ASSERT(keys_[i - 1] < keys_[i]);
#endif
  } else {
    DropKeys();
    std::erase_if(items_, [ds](const TBookmark& b) { return !ds->BookmarkValid(b); });
    auto less = [ds](const TBookmark& a, const TBookmark& b) { return ds->CompareBookmarks(a, b) < 0; };
    if (!std::is_sorted(items_.begin(), items_.end(), less)) {
      std::stable_sort(items_.begin(), items_.end(), less);
      items_.erase(std::unique(items_.begin(), items_.end(),
                               [ds](const TBookmark& a, const TBookmark& b) { return ds->CompareBookmarks(a, b) == 0; }),
                   items_.end());
    }
  }
  Changed();
  if (items_.size() == before) return false;
  grid_.RowsSelection()->UpdateState();
  grid_.RepaintGrid();
  return true;
}

void TBookmarkListX::DataChanged() {
  Changed();
  TDataSet* ds = DataSet();
  if (items_.empty() || !ds || !ds->Active()) return;
  // Nothing came, went or moved since the list was last known in order; or the keys of the new
  // order show it still is.
  if (KeysHeld(ds) || TakeKeys(*ds)) return;
  if (ds->BookmarkOrderStamp() != 0) {
    Refresh();
    return;
  }
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (!ds->BookmarkValid(items_[i]) || (i > 0 && ds->CompareBookmarks(items_[i - 1], items_[i]) >= 0)) {
      Refresh();
      return;
    }
}

}  // namespace lab
