#include "platform/rtl/string_list.h"

#include <algorithm>
#include <numeric>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/line_breaks.h"
#include "platform/rtl/strutils.h"

namespace lab {

namespace {

[[noreturn]] void IndexError(int Index) { throw EStringListError("List index out of bounds (%d)", Index); }

}  // namespace

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  FreeObjects(items_);
}

void TStringList::FreeObjects(std::vector<TItem>& items) {
  if (!owns_objects_) return;
  for (TItem& item : items) {
    delete item.Object;
    item.Object = nullptr;
  }
}

std::size_t TStringList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= GetCount()) IndexError(Index);
  return static_cast<std::size_t>(Index);
}

void TStringList::CheckUnsorted() const {
  if (sorted_) throw EStringListError("Operation not allowed on sorted list");
}

// ---- Change events ----

void TStringList::Changing() {
  if (UpdateCount() > 0) {
    if (changing_fired_) return;
    changing_fired_ = true;
  }
  if (OnChanging) OnChanging(this);
}

void TStringList::Changed() {
  if (UpdateCount() > 0) {
    change_pending_ = true;
    return;
  }
  if (OnChange) OnChange(this);
}

void TStringList::SetUpdateState(bool Updating) {
  const bool fire = !Updating && change_pending_;
  changing_fired_ = false;
  change_pending_ = false;
  if (fire && OnChange) OnChange(this);
}

// ---- Reading ----

std::string TStringList::Get(int Index) const { return items_[CheckIndex(Index)].String; }

TObject* TStringList::GetObject(int Index) const { return items_[CheckIndex(Index)].Object; }

int TStringList::CompareStrings(std::string_view S1, std::string_view S2) const {
  return case_sensitive_ ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

bool TStringList::Find(std::string_view S, int& Index) const {
  // The first line not less than S.
  const auto at = std::partition_point(items_.begin(), items_.end(), [&](const TItem& item) {
    return CompareStrings(item.String, S) < 0;
  });
  Index = static_cast<int>(at - items_.begin());
  return at != items_.end() && CompareStrings(at->String, S) == 0;
}

int TStringList::IndexOf(const std::string& S) const {
  if (!sorted_) {
    for (std::size_t i = 0; i < items_.size(); ++i)
      if (CompareStrings(items_[i].String, S) == 0) return static_cast<int>(i);
    return -1;
  }
  int index;
  return Find(S, index) ? index : -1;
}

std::string TStringList::GetTextStr() const {
  std::size_t size = 0;
  for (const TItem& item : items_) size += item.String.size() + 2;
  std::string text;
  text.reserve(size);
  for (const TItem& item : items_) text.append(item.String).append("\r\n");
  return text;
}

// ---- Changing ----

void TStringList::InsertItem(int Index, std::string S, TObject* AObject) {
  Changing();
  items_.insert(items_.begin() + Index, TItem{std::move(S), AObject});
  Changed();
}

int TStringList::Add(const std::string& S) { return AddObject(S, nullptr); }

int TStringList::AddObject(const std::string& S, TObject* AObject) {
  int index = GetCount();
  if (sorted_ && Find(S, index)) {
    if (duplicates_ == dupIgnore) return index;
    if (duplicates_ == dupError) throw EStringListError("String list does not allow duplicates");
  }
  InsertItem(index, S, AObject);
  return index;
}

void TStringList::Insert(int Index, const std::string& S) { InsertObject(Index, S, nullptr); }

void TStringList::InsertObject(int Index, const std::string& S, TObject* AObject) {
  CheckUnsorted();
  if (Index < 0 || Index > GetCount()) IndexError(Index);
  InsertItem(Index, S, AObject);
}

void TStringList::Put(int Index, const std::string& S) {
  CheckUnsorted();
  const std::size_t i = CheckIndex(Index);
  Changing();
  items_[i].String = S;
  Changed();
}

void TStringList::PutObject(int Index, TObject* AObject) {
  const std::size_t i = CheckIndex(Index);
  Changing();
  TObject* old = items_[i].Object;
  items_[i].Object = AObject;
  if (owns_objects_ && old != AObject) delete old;
  Changed();
}

void TStringList::Delete(int Index) {
  const std::size_t i = CheckIndex(Index);
  Changing();
  TObject* object = items_[i].Object;
  items_.erase(items_.begin() + Index);
  if (owns_objects_) delete object;
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  std::vector<TItem> old;
  old.swap(items_);
  FreeObjects(old);
  Changed();
}

void TStringList::Exchange(int Index1, int Index2) {
  CheckUnsorted();  // swapping would break the order
  const std::size_t i = CheckIndex(Index1), j = CheckIndex(Index2);
  Changing();
  std::swap(items_[i], items_[j]);
  Changed();
}

void TStringList::Move(int CurIndex, int NewIndex) {
  // Checked before anything moves, so a refused move loses no line.
  CheckUnsorted();
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  if (CurIndex == NewIndex) return;
  Changing();
  const auto from = items_.begin() + CurIndex, to = items_.begin() + NewIndex;
  if (CurIndex < NewIndex)
    std::rotate(from, from + 1, to + 1);
  else
    std::rotate(to, from, from + 1);
  Changed();
}

void TStringList::SetValues(std::string_view Name, std::string_view Value) {
  const int index = IndexOfName(Name);
  if (!sorted_ || index < 0 || Value.empty()) {
    TStrings::SetValues(Name, Value);
    return;
  }
  // A sorted list cannot change a line in place: the new line moves to its own sorted position,
  // under the duplicates rule, counting only the other lines.
  std::string line(Name);
  line += NameValueSeparator();
  line += Value;
  const std::size_t i = static_cast<std::size_t>(index);
  if (items_[i].String == line) return;
  int at;
  bool duplicate = false;
  if (Find(line, at))
    for (std::size_t j = static_cast<std::size_t>(at); j < items_.size(); ++j) {
      if (CompareStrings(items_[j].String, line) != 0) break;
      if (j != i) duplicate = true;
    }
  if (duplicate && duplicates_ == dupError) throw EStringListError("String list does not allow duplicates");
  Changing();
  TItem item{std::move(line), items_[i].Object};
  items_.erase(items_.begin() + index);
  if (duplicate && duplicates_ == dupIgnore) {
    if (owns_objects_) delete item.Object;
  } else {
    Find(item.String, at);
    items_.insert(items_.begin() + at, std::move(item));
  }
  Changed();
}

void TStringList::SetCapacity(int NewCapacity) {
  if (NewCapacity < GetCount()) throw EStringListError("List capacity out of bounds (%d)", NewCapacity);
  if (NewCapacity > GetCapacity()) {
    items_.reserve(static_cast<std::size_t>(NewCapacity));
  } else if (NewCapacity < GetCapacity()) {
    std::vector<TItem> fitted;
    fitted.reserve(static_cast<std::size_t>(NewCapacity));
    std::move(items_.begin(), items_.end(), std::back_inserter(fitted));
    items_.swap(fitted);
  }
}

void TStringList::SetTextStr(std::string_view Value) {
  // Built aside and put in place in one change, so a refused duplicate leaves the list as it was and
  // a long sorted text does not insert line by line.
  std::vector<TItem> lines;
  ForEachLine(Value, [&](std::string_view line) { lines.push_back(TItem{std::string(line), nullptr}); });
  if (sorted_ && lines.size() > 1) {
    auto less = [this](const TItem& a, const TItem& b) { return CompareStrings(a.String, b.String) < 0; };
    std::stable_sort(lines.begin(), lines.end(), less);
    // Equal lines in the order one Add after another would leave them: the last added first, or
    // only the first added.
    std::vector<TItem> kept;
    kept.reserve(lines.size());
    for (auto run = lines.begin(); run != lines.end();) {
      auto run_end = run + 1;
      while (run_end != lines.end() && !less(*run, *run_end)) ++run_end;
      if (run_end - run > 1 && duplicates_ == dupError)
        throw EStringListError("String list does not allow duplicates");
      if (duplicates_ == dupIgnore)
        kept.push_back(std::move(*run));
      else
        std::move(std::make_reverse_iterator(run_end), std::make_reverse_iterator(run),
                  std::back_inserter(kept));
      run = run_end;
    }
    lines.swap(kept);
  }
  if (items_.empty() && lines.empty()) return;
  Changing();
  lines.swap(items_);
  FreeObjects(lines);
  Changed();
}

// ---- Sorting ----

void TStringList::SortItems() {
  if (items_.size() < 2) return;
  Changing();
  std::stable_sort(items_.begin(), items_.end(), [this](const TItem& a, const TItem& b) {
    return CompareStrings(a.String, b.String) < 0;
  });
  Changed();
}

void TStringList::Sort() {
  if (!sorted_) SortItems();
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
  if (sorted_ || items_.size() < 2) return;
  // The comparison reads the list by index, so the lines stay in place while an order is worked out.
  std::vector<int> order(items_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return Compare(this, a, b) < 0; });
  std::vector<TItem> sorted;
  sorted.reserve(items_.size());
  for (int i : order) sorted.push_back(std::move(items_[static_cast<std::size_t>(i)]));
  Changing();
  items_.swap(sorted);
  Changed();
}

void TStringList::SetSorted(bool Value) {
  if (Value == sorted_) return;
  if (Value) SortItems();
  sorted_ = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (Value == case_sensitive_) return;
  case_sensitive_ = Value;
  if (sorted_) SortItems();
}

}  // namespace lab
