#include "editor/text_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "editor/edit_exceptions.h"
#include "platform/rtl/utf8.h"

namespace lab {

TCodeEditStringList::TCodeEditStringList() = default;

TCodeEditStringList::~TCodeEditStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  OnCleared = nullptr;
  OnDeleted = nullptr;
  OnInserted = nullptr;
  OnPutted = nullptr;
}

void TCodeEditStringList::ListIndexError(int Index) {
  throw ECodeEditStringList("Invalid stringlist index %d", Index);
}

void TCodeEditStringList::SetUpdateState(bool Updating) {
  if (Updating) {
    if (OnChanging) OnChanging(this);
  } else {
    if (OnChange) OnChange(this);
  }
}

// ---- Reading ----

std::string TCodeEditStringList::Get(int Index) const {
  return ValidIndex(Index) ? Utf8Encode(list_[static_cast<std::size_t>(Index)].String) : std::string();
}

std::u32string_view TCodeEditStringList::GetLine(int Index) const {
  return ValidIndex(Index) ? list_[static_cast<std::size_t>(Index)].String.view() : std::u32string_view();
}

TObject* TCodeEditStringList::GetObject(int Index) const {
  return ValidIndex(Index) ? list_[static_cast<std::size_t>(Index)].Object : nullptr;
}

TCodeEditRange TCodeEditStringList::Ranges(int Index) const {
  return ValidIndex(Index) ? list_[static_cast<std::size_t>(Index)].Range : 0;
}

std::string TCodeEditStringList::GetTextStr() const {
  std::size_t size = list_.empty() ? 0 : 2 * (list_.size() - 1);
  for (const TCodeEditStringRec& rec : list_) size += rec.String.size();
  std::string text;
  text.reserve(size);  // exact for ASCII; other text grows once or twice
  for (std::size_t i = 0; i < list_.size(); ++i) {
    if (i > 0) text += "\r\n";
    for (char32_t c : list_[i].String.view()) {
      if (c < 0x80)
        text.push_back(static_cast<char>(c));
      else
        Utf8Append(text, c);
    }
  }
  return text;
}

// ---- Capacity ----

void TCodeEditStringList::SetCapacity(int NewCapacity) {
  if (NewCapacity < GetCount()) throw EListError("Stringlist capacity cannot be smaller than count");
  if (NewCapacity == GetCapacity()) return;
  std::vector<TCodeEditStringRec> resized;
  resized.reserve(static_cast<std::size_t>(NewCapacity));
  std::move(list_.begin(), list_.end(), std::back_inserter(resized));
  list_.swap(resized);
}

void TCodeEditStringList::Grow() {
  const int capacity = GetCapacity();
  if (GetCount() < capacity) return;
  list_.reserve(static_cast<std::size_t>(capacity + (capacity > 64 ? capacity / 4 : 16)));
}

// ---- Shifting records ----

// A record is moved bytewise: its line is one pointer to a block that nothing else points at, and its
// other fields are plain values. A line inserted into or deleted from the middle of a large text thus
// moves the records behind it at memory speed.

void TCodeEditStringList::OpenRecords(int Index, int Count) {
  const std::size_t at = static_cast<std::size_t>(Index), n = static_cast<std::size_t>(Count);
  const std::size_t behind = list_.size() - at;
  list_.resize(list_.size() + n);  // empty records, which own nothing and may be overwritten
  TCodeEditStringRec* const first = list_.data() + at;
  std::memmove(static_cast<void*>(first + n), first, behind * sizeof(TCodeEditStringRec));
  // The vacated slots hold copies of records that now live further on: they are built over, not destroyed.
  for (std::size_t i = 0; i < n; ++i) ::new (static_cast<void*>(first + i)) TCodeEditStringRec();
}

void TCodeEditStringList::EraseRecords(int Index, int Count) {
  const std::size_t at = static_cast<std::size_t>(Index), n = static_cast<std::size_t>(Count);
  const std::size_t behind = list_.size() - at - n;
  TCodeEditStringRec* const first = list_.data() + at;
  std::destroy_n(first, n);
  std::memmove(static_cast<void*>(first), first + n, behind * sizeof(TCodeEditStringRec));
  // The last n slots hold copies of records that moved down: empty records go over them, for the
  // vector to destroy.
  for (std::size_t i = 0; i < n; ++i) ::new (static_cast<void*>(first + behind + i)) TCodeEditStringRec();
  list_.resize(list_.size() - n);
}

// ---- Adding and inserting ----

void TCodeEditStringList::InsertItem(int Index, TLineString S, TObject* AObject) {
  Grow();
  OpenRecords(Index, 1);
  TCodeEditStringRec& rec = list_[static_cast<std::size_t>(Index)];
  rec.String = std::move(S);
  rec.Object = AObject;
  index_of_longest_line_ = -1;
  if (OnInserted) OnInserted(this, Index, 1);
}

int TCodeEditStringList::Add(const std::string& S) { return AddObject(S, nullptr); }

int TCodeEditStringList::AddObject(const std::string& S, TObject* AObject) {
  const int index = GetCount();
  Updating([&] { InsertItem(index, TLineString(Utf8Decode(S)), AObject); });
  return index;
}

int TCodeEditStringList::AddLine(std::u32string S) {
  const int index = GetCount();
  Updating([&] { InsertItem(index, TLineString(S), nullptr); });
  return index;
}

void TCodeEditStringList::Insert(int Index, const std::string& S) { InsertObject(Index, S, nullptr); }

void TCodeEditStringList::InsertObject(int Index, const std::string& S, TObject* AObject) {
  if (Index < 0 || Index > GetCount()) ListIndexError(Index);
  Updating([&] { InsertItem(Index, TLineString(Utf8Decode(S)), AObject); });
}

void TCodeEditStringList::InsertLine(int Index, std::u32string S) {
  if (Index < 0 || Index > GetCount()) ListIndexError(Index);
  Updating([&] { InsertItem(Index, TLineString(S), nullptr); });
}

void TCodeEditStringList::AddStrings(TStrings* Strings) {
  const int n = Strings->Count();  // taken first, so adding the list to itself doubles it once
  if (n <= 0) return;
  Updating([&] {
    const int first = GetCount();
    const int wanted = (first + n + 15) / 16 * 16;
    if (wanted > GetCapacity()) list_.reserve(static_cast<std::size_t>(wanted));
    auto* same_kind = dynamic_cast<TCodeEditStringList*>(Strings);
    for (int i = 0; i < n; ++i) {
      // The capacity was raised above, so lines read from this very list stay where they are.
      TCodeEditStringRec rec;
      rec.String.assign(same_kind ? same_kind->GetLine(i) : std::u32string_view(Utf8Decode(Strings->Strings(i))));
      rec.Object = Strings->Objects(i);
      list_.push_back(std::move(rec));
    }
    index_of_longest_line_ = -1;
    if (OnInserted) OnInserted(this, first, n);
  });
}

void TCodeEditStringList::InsertLines(int Index, int NumLines) {
  if (NumLines <= 0) return;
  if (Index < 0 || Index > GetCount()) ListIndexError(Index);
  Updating([&] {
    const std::size_t wanted = list_.size() + static_cast<std::size_t>(NumLines);
    if (wanted > list_.capacity()) list_.reserve(wanted);
    OpenRecords(Index, NumLines);
    for (int i = Index; i < Index + NumLines; ++i) {
      TCodeEditStringRec& rec = list_[static_cast<std::size_t>(i)];
      rec.Range = 0;
      rec.ExpandedLength = 0;
      rec.Flags = 0;
    }
    index_of_longest_line_ = -1;
    if (OnInserted) OnInserted(this, Index, NumLines);
  });
}

// ---- Replacing ----

void TCodeEditStringList::PutItem(int Index, std::u32string_view S) {
  if (Index == GetCount()) {
    Updating([&] { InsertItem(Index, TLineString(S), nullptr); });
    return;
  }
  if (!ValidIndex(Index)) ListIndexError(Index);
  Updating([&] {
    TCodeEditStringRec& rec = list_[static_cast<std::size_t>(Index)];
    rec.String.assign(S);
    rec.ExpandedLength = -1;
    rec.Flags = sfExpandedLengthUnknown;
    index_of_longest_line_ = -1;
    if (OnPutted) OnPutted(this, Index, 1);
  });
}

void TCodeEditStringList::Put(int Index, const std::string& S) { PutItem(Index, Utf8Decode(S)); }

void TCodeEditStringList::PutLine(int Index, std::u32string S) { PutItem(Index, S); }

void TCodeEditStringList::PutObject(int Index, TObject* AObject) {
  if (!ValidIndex(Index)) ListIndexError(Index);
  list_[static_cast<std::size_t>(Index)].Object = AObject;
}

void TCodeEditStringList::SetRanges(int Index, TCodeEditRange Value) {
  if (!ValidIndex(Index)) ListIndexError(Index);
  list_[static_cast<std::size_t>(Index)].Range = Value;
}

// ---- Deleting ----

void TCodeEditStringList::Delete(int Index) {
  if (!ValidIndex(Index)) ListIndexError(Index);
  Updating([&] {
    EraseRecords(Index, 1);
    index_of_longest_line_ = -1;
    if (OnDeleted) OnDeleted(this, Index, 1);
  });
}

void TCodeEditStringList::DeleteLines(int Index, int NumLines) {
  if (NumLines <= 0) return;
  if (Index < 0 || Index > GetCount()) ListIndexError(Index);
  NumLines = std::min(NumLines, GetCount() - Index);
  if (NumLines <= 0) return;  // from Count on there is nothing to delete
  Updating([&] {
    EraseRecords(Index, NumLines);
    index_of_longest_line_ = -1;
    if (OnDeleted) OnDeleted(this, Index, NumLines);
  });
}

void TCodeEditStringList::Clear() {
  if (list_.empty()) return;
  Updating([&] {
    std::vector<TCodeEditStringRec>().swap(list_);
    index_of_longest_line_ = -1;
    if (OnCleared) OnCleared(this);
  });
}

void TCodeEditStringList::Exchange(int Index1, int Index2) {
  if (!ValidIndex(Index1)) ListIndexError(Index1);
  if (!ValidIndex(Index2)) ListIndexError(Index2);
  Updating([&] {
    std::swap(list_[static_cast<std::size_t>(Index1)], list_[static_cast<std::size_t>(Index2)]);
    if (index_of_longest_line_ == Index1)
      index_of_longest_line_ = Index2;
    else if (index_of_longest_line_ == Index2)
      index_of_longest_line_ = Index1;
  });
}

// ---- Tab expansion ----

void TCodeEditStringList::SetTabWidth(int Value) {
  if (Value < 1) Value = 1;
  if (Value == tab_width_) return;
  tab_width_ = Value;
  convert_tabs_proc_ = GetBestConvertTabsProc(Value);
  index_of_longest_line_ = -1;
  for (TCodeEditStringRec& rec : list_) {
    rec.ExpandedLength = -1;
    rec.Flags = static_cast<std::uint8_t>((rec.Flags & ~sfHasNoTabs) | sfExpandedLengthUnknown);
  }
}

int TCodeEditStringList::ComputeExpandedLength(const TCodeEditStringRec& Rec) const {
  // Every expander makes a tab reach the next stop, so the length needs no expanded copy.
  int before;
  const bool has_tabs = GetHasTabs(Rec.String, before);
  Rec.ExpandedLength = has_tabs ? GetExpandedLength(Rec.String, tab_width_) : static_cast<int>(Rec.String.size());
  Rec.Flags = has_tabs ? sfHasTabs : sfHasNoTabs;
  return Rec.ExpandedLength;
}

std::u32string TCodeEditStringList::ExpandedStrings(int Index) const {
  if (!ValidIndex(Index)) return std::u32string();
  const TCodeEditStringRec& rec = list_[static_cast<std::size_t>(Index)];
  if (rec.Flags & sfHasNoTabs) return rec.String.str();
  bool has_tabs;
  std::u32string expanded = convert_tabs_proc_(rec.String, tab_width_, has_tabs);
  rec.ExpandedLength = static_cast<std::int32_t>(expanded.size());
  rec.Flags = has_tabs ? sfHasTabs : sfHasNoTabs;
  return expanded;
}

int TCodeEditStringList::ExpandedStringLengths(int Index) const {
  if (!ValidIndex(Index)) return 0;
  const TCodeEditStringRec& rec = list_[static_cast<std::size_t>(Index)];
  if (rec.ExpandedLength >= 0) return rec.ExpandedLength;
  return ComputeExpandedLength(rec);
}

int TCodeEditStringList::LengthOfLongestLine() const {
  if (list_.empty()) return 0;
  if (index_of_longest_line_ < 0) {
    int longest = -1;
    for (std::size_t i = 0; i < list_.size(); ++i) {
      const TCodeEditStringRec& rec = list_[i];
      const int length = rec.ExpandedLength >= 0 ? rec.ExpandedLength : ComputeExpandedLength(rec);
      if (length > longest) {
        longest = length;
        index_of_longest_line_ = static_cast<int>(i);
      }
    }
  }
  return ExpandedStringLengths(index_of_longest_line_);
}

}  // namespace lab
