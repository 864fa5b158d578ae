#pragma once
// TBookmarkListX: the grid's selected records (SelectedRows) as bookmarks kept in dataset order, so
// a record is found by a binary search with the dataset's own bookmark comparison. Where the
// dataset orders bookmarks by key, the list keeps each one's key beside it while the dataset's
// order stands, and searches the keys instead: a lookup asks the dataset once, not at each step.
// The last lookup is remembered: drawing asks for the same record once per cell.

#include <cstdint>
#include <string>
#include <vector>

#include "grid/selection_host.h"
#include "platform/db/field_types.h"
#include "platform/grids/grid_types.h"
#include "platform/rtl/object.h"

namespace lab {

class TDataSet;

class TBookmarkListX : public TObject {
  LAB_CLASS(TBookmarkListX, TObject)
 public:
  explicit TBookmarkListX(ISelectionHostX& AGrid) : grid_(AGrid) {}

  int Count() const noexcept { return static_cast<int>(items_.size()); }
  const TBookmark& Items(int Index) const { return items_.at(static_cast<std::size_t>(Index)); }
  // The current record's bookmark; EDatabaseError "Cannot perform this operation on a closed
  // dataset" while the grid's link is inactive.
  TBookmark CurrentRow() const;
  // Whether Bookmark is in the list; Index is where it is, or where it would go.
  bool Find(const TBookmark& Bookmark, int& Index) const;
  int IndexOf(const TBookmark& Bookmark) const;
  bool CurrentRowSelected() const;
  // Selects or deselects the current record; the grid's selection becomes a record selection
  // (another kind is cleared first) or, with the last record gone, none.
  void SetCurrentRowSelected(bool Value);
  void Clear();
  // Deletes every selected record from the dataset, the last first, and empties the list.
  void Delete();
  void LinkActive(bool Value);
  // The grid rows from the first to the last selected record on screen, over all columns; all -1
  // when none shows.
  TGridRect SelectionRect();
  // Takes out the bookmarks of records that are no longer there and puts the rest in the dataset's
  // order again (it may have been sorted since); answers whether any went.
  bool Refresh();
  // The dataset changed (records deleted, sorted or filtered out): the last lookup is forgotten,
  // and a list no longer in the dataset's order, or holding records no longer there, is refreshed,
  // so every lookup still finds what is selected.
  void DataChanged();

 private:
  TDataSet* DataSet() const;
  void Changed();
  // Whether keys_ holds the keys of the dataset's present order.
  bool KeysHeld(const TDataSet* DataSet) const;
  void DropKeys();
  // Takes every item's key, when each has one and they stand in the list's order.
  bool TakeKeys(const TDataSet& DataSet);
  // Checks that the items around Index stand in the dataset's order (by their keys while the keys
  // hold), each once.
  void CheckOrderAround(std::size_t Index) const;

  ISelectionHostX& grid_;
  std::vector<TBookmark> items_;
  // While keys_stamp_ is the dataset's order stamp (never 0 then): every item is a valid bookmark
  // and keys_ holds their keys, rising strictly.
  std::vector<std::int64_t> keys_;
  std::uint64_t keys_stamp_ = 0;
  bool link_active_ = false;
  // The last lookup, and the dataset's order stamp it was made under.
  mutable TBookmark cache_bookmark_;
  mutable int cache_index_ = -1;
  mutable bool cache_found_ = false;
  mutable std::uint64_t cache_stamp_ = 0;
};

}  // namespace lab
