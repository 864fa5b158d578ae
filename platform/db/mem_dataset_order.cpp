// TMemDataSet: moving records by hand within the stored order.
#include <algorithm>

#include "platform/db/mem_dataset.h"

namespace lab {

bool TMemDataSet::MoveRecords(const std::vector<TBookmark>& Bookmarks, int BeforeRecNo, bool CheckOnly) {
  // A sort or a tree puts every record where its values say: a hand-made order would not hold.
  if (!Active() || read_only_ || !sort_keys_.empty() || tree_ || Bookmarks.empty()) return false;
  // Posted first: a posted record the filter turns away leaves the view, and the numbers with it.
  if (!CheckOnly) CheckBrowseMode();
  TRecordList& view = View();
  const auto n = static_cast<std::int64_t>(view.Size());
  if (BeforeRecNo < 1 || BeforeRecNo > n + 1) return false;
  std::vector<std::int64_t> places;
  for (const TBookmark& b : Bookmarks) {
    std::int64_t place;
    if (!BookmarkOrderKey(b, place)) return false;
    places.push_back(place);
  }
  if (CheckOnly) return true;
  std::sort(places.begin(), places.end());
  places.erase(std::unique(places.begin(), places.end()), places.end());

  // The records go before the first record from BeforeRecNo on that stays, or last.
  std::int64_t anchor_place = BeforeRecNo - 1;
  while (anchor_place < n && std::binary_search(places.begin(), places.end(), anchor_place)) ++anchor_place;
  const bool last = anchor_place == n;
  const TRecordId anchor = last ? 0 : view.At(static_cast<std::size_t>(anchor_place));
  const bool had_record = BufferRecordCount() > 0 && ActiveBuffer().BookmarkFlag == bfCurrent;
  const auto current = had_record ? static_cast<TRecordId>(ActiveBuffer().Handle) : 0;

  std::vector<TRecordId> moved;
  for (std::int64_t p : places) moved.push_back(view.At(static_cast<std::size_t>(p)));
  for (auto p = places.rbegin(); p != places.rend(); ++p) view.Erase(static_cast<std::size_t>(*p));
  // A view of its own (a filter's) and the stored order take the records alike.
  if (own_view_)
    for (TRecordId id : moved) base_.Erase(static_cast<std::size_t>(base_.Find(id)));
  auto insert = [&](TRecordList& list) {
    auto at = static_cast<std::size_t>(last ? static_cast<std::int64_t>(list.Size()) : list.Find(anchor));
    for (TRecordId id : moved) list.Insert(at++, id);
  };
  insert(view);
  if (own_view_) insert(base_);

  if (had_record) cursor_ = ViewPos(current);
  CursorPosChanged();
  Resync({});
  return true;
}

}  // namespace lab
