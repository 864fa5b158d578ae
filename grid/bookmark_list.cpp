#include "grid/bookmark_list.h"

#include <algorithm>

#include "grid/dbgrid.h"
#include "grid/selection.h"
#include "platform/db/dataset.h"
#include "platform/db/db_errors.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

TDataSet* TBookmarkListX::DataSet() const { return grid_->DataLink()->DataSet(); }

void TBookmarkListX::Changed() { cache_index_ = -1; }

TBookmark TBookmarkListX::CurrentRow() const {
  if (!link_active_ || !grid_->DataLink()->Active())
    DatabaseError(std::string(dbmsg::SDataSetClosed));
  return DataSet()->Bookmark();
}

bool TBookmarkListX::Find(const TBookmark& Bookmark, int& Index) const {
  if (cache_index_ >= 0 && Bookmark == cache_bookmark_) {
    Index = cache_index_;
    return cache_found_;
  }
  TDataSet* ds = DataSet();
  int low = 0, high = Count() - 1;
  bool found = false;
  while (low <= high) {
    const int mid = (low + high) / 2;
    const int c = ds ? ds->CompareBookmarks(items_[static_cast<std::size_t>(mid)], Bookmark)
                     : items_[static_cast<std::size_t>(mid)].compare(Bookmark);
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
  cache_bookmark_ = Bookmark;
  cache_index_ = low;
  cache_found_ = found;
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
  if (Value) items_.insert(items_.begin() + index, current);
  else items_.erase(items_.begin() + index);
  Changed();
  // The current record's row: its place in the link's buffer, or among all records when every
  // record is a row.
  const int record =
      grid_->RecordSetMode() ? grid_->MemTable()->CurrentRecord() : grid_->DataLink()->ActiveRecord();
  grid_->InvalidateRow(record + grid_->TitleOffset());
  TDBGridXSelection* selection = grid_->Selection();
  if (Count() > 0 && selection->SelectionType() != gstRecordBookmarks) {
    selection->Clear();
    selection->SetSelectionType(gstRecordBookmarks);
  }
  selection->UpdateState();
  selection->SelectionChanged();
}

void TBookmarkListX::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
  grid_->Selection()->UpdateState();
  if (grid_->HandleAllocated()) grid_->Invalidate();
  grid_->Selection()->SelectionChanged();
}

void TBookmarkListX::Delete() {
  TDataSet* ds = DataSet();
  if (!ds) return;
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
  grid_->Selection()->UpdateState();
}

void TBookmarkListX::LinkActive(bool Value) {
  items_.clear();
  Changed();
  link_active_ = Value;
}

TGridRect TBookmarkListX::SelectionRect() {
  TGridRect r{-1, -1, -1, -1};
  TDataSet* ds = DataSet();
  if (items_.empty() || !ds) return r;
  grid_->ForEachShownRecord([&](int row) {
    int index = 0;
    if (!Find(ds->Bookmark(), index)) return;
    if (r.Top < 0) r.Top = row;
    r.Bottom = row;
  });
  if (r.Top < 0) return r;
  r.Left = 0;
  r.Right = grid_->ColCount() - 1;
  return r;
}

bool TBookmarkListX::Refresh() {
  TDataSet* ds = DataSet();
  if (!ds) return false;
  const std::size_t before = items_.size();
  std::erase_if(items_, [ds](const TBookmark& b) { return !ds->BookmarkValid(b); });
  auto less = [ds](const TBookmark& a, const TBookmark& b) { return ds->CompareBookmarks(a, b) < 0; };
  if (!std::is_sorted(items_.begin(), items_.end(), less)) {
    std::stable_sort(items_.begin(), items_.end(), less);
    items_.erase(std::unique(items_.begin(), items_.end(),
                             [ds](const TBookmark& a, const TBookmark& b) { return ds->CompareBookmarks(a, b) == 0; }),
                 items_.end());
  }
  Changed();
  if (items_.size() == before) return false;
  grid_->Selection()->UpdateState();
  if (grid_->HandleAllocated()) grid_->Invalidate();
  return true;
}

void TBookmarkListX::DataChanged() {
  Changed();
  TDataSet* ds = DataSet();
  if (items_.empty() || !ds || !ds->Active()) return;
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (!ds->BookmarkValid(items_[i]) || (i > 0 && ds->CompareBookmarks(items_[i - 1], items_[i]) >= 0)) {
      Refresh();
      return;
    }
}

}  // namespace lab
