#pragma once
// TColumnsXList: columns held by pointer, apart from the collection that owns them, so a holder
// (the selection) needs no more of a column than its name.

#include <utility>
#include <vector>

namespace lab {

class TColumnX;

// A list of columns it does not own: the visible columns, the sorted ones, a selection.
class TColumnsXList {
 public:
  int Count() const noexcept { return static_cast<int>(items_.size()); }
  TColumnX* GetColumn(int Index) const { return items_.at(static_cast<std::size_t>(Index)); }
  TColumnX* operator[](int Index) const { return GetColumn(Index); }
  void SetColumn(int Index, TColumnX* Value) { items_.at(static_cast<std::size_t>(Index)) = Value; }
  void Add(TColumnX* Column) { items_.push_back(Column); }
  void Insert(int Index, TColumnX* Column) { items_.insert(items_.begin() + Index, Column); }
  void Delete(int Index) { items_.erase(items_.begin() + Index); }
  // Takes the column out when it is there; answers its former index or -1.
  int Remove(TColumnX* Column);
  int IndexOf(const TColumnX* Column) const;
  void Exchange(int Index1, int Index2) { std::swap(items_.at(static_cast<std::size_t>(Index1)), items_.at(static_cast<std::size_t>(Index2))); }
  void Clear() noexcept { items_.clear(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<TColumnX*> items_;
};

}  // namespace lab
