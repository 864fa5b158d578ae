#include "editor/text_buffer.h"

#include <algorithm>
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
  std::string text;
  if (ValidIndex(Index)) list_[Index].String.view().AppendUtf8(text);
  return text;
}

std::u32string TCodeEditStringList::GetLine(int Index) const {
  return ValidIndex(Index) ? list_[Index].String.str() : std::u32string();
}

TLineView TCodeEditStringList::LineView(int Index) const {
  return ValidIndex(Index) ? list_[Index].String.view() : TLineView();
}

TObject* TCodeEditStringList::GetObject(int Index) const { return ValidIndex(Index) ? list_[Index].Object : nullptr; }

TCodeEditRange TCodeEditStringList::Ranges(int Index) const { return ValidIndex(Index) ? list_[Index].Range : 0; }

std::string TCodeEditStringList::GetTextStr() const {
  const int n = GetCount();
  std::size_t size = n == 0 ? 0 : 2 * static_cast<std::size_t>(n - 1);
  for (int i = 0; i < n; ++i) size += list_[i].String.view().Utf8Size();
  std::string text;
  text.reserve(size);
  for (int i = 0; i < n; ++i) {
    if (i > 0) text += "\r\n";
    list_[i].String.view().AppendUtf8(text);
  }
  return text;
}

// ---- Capacity ----

void TCodeEditStringList::SetCapacity(int NewCapacity) {
  if (NewCapacity < GetCount()) throw EListError("Stringlist capacity cannot be smaller than count");
  list_.SetCapacity(NewCapacity);
}

// ---- Adding and inserting ----

void TCodeEditStringList::LinesMoved(int Index, int Delta) {
  if (marked_line_ < Index) return;
  if (Delta > 0)
    marked_line_ += Delta;
  else
    marked_line_ = marked_line_ < Index - Delta ? -1 : marked_line_ + Delta;
}

void TCodeEditStringList::InsertItem(int Index, TLineString S, TObject* AObject) {
  TCodeEditStringRec& rec = list_.Open(Index);
  rec.String = std::move(S);
  rec.Object = AObject;
  index_of_longest_line_ = -1;
  LinesMoved(Index, 1);
  if (OnInserted) OnInserted(this, Index, 1);
}

int TCodeEditStringList::Add(const std::string& S) { return AddObject(S, nullptr); }

int TCodeEditStringList::AddObject(const std::string& S, TObject* AObject) {
  const int index = GetCount();
  Updating([&] { InsertItem(index, TLineString(Utf8Decode(S)), AObject); });
  return index;
}

int TCodeEditStringList::AddLine(std::u32string_view S) {
  const int index = GetCount();
  Updating([&] { InsertItem(index, TLineString(S), nullptr); });
  return index;
}

void TCodeEditStringList::Insert(int Index, const std::string& S) { InsertObject(Index, S, nullptr); }

void TCodeEditStringList::InsertObject(int Index, const std::string& S, TObject* AObject) {
  if (Index < 0 || Index > GetCount()) ListIndexError(Index);
  Updating([&] { InsertItem(Index, TLineString(Utf8Decode(S)), AObject); });
}

void TCodeEditStringList::InsertLine(int Index, std::u32string_view S) {
  if (Index < 0 || Index > GetCount()) ListIndexError(Index);
  Updating([&] { InsertItem(Index, TLineString(S), nullptr); });
}

void TCodeEditStringList::AddStrings(TStrings* Strings) {
  const int n = Strings->Count();  // taken first, so adding the list to itself doubles it once
  if (n <= 0) return;
  Updating([&] {
    const int first = GetCount();
    const int wanted = (first + n + 15) / 16 * 16;
    if (wanted > GetCapacity()) list_.SetCapacity(wanted);
    auto* same_kind = dynamic_cast<TCodeEditStringList*>(Strings);
    for (int i = 0; i < n; ++i) {
      // Each line is copied before its record is opened: the source may be this very list.
      TLineString line;
      if (same_kind)
        line.assign(same_kind->LineView(i));
      else
        line.assign(Utf8Decode(Strings->Strings(i)));
      TObject* object = Strings->Objects(i);
      TCodeEditStringRec& rec = list_.Open(GetCount());
      rec.String = std::move(line);
      rec.Object = object;
    }
    index_of_longest_line_ = -1;
    if (OnInserted) OnInserted(this, first, n);
  });
}

void TCodeEditStringList::InsertLines(int Index, int NumLines) {
  if (NumLines <= 0) return;
  if (Index < 0 || Index > GetCount()) ListIndexError(Index);
  Updating([&] {
    const int wanted = GetCount() + NumLines;
    if (wanted > GetCapacity()) list_.SetCapacity(wanted);
    list_.Open(Index, NumLines);
    for (int i = Index; i < Index + NumLines; ++i) {
      TCodeEditStringRec& rec = list_[i];
      rec.Range = 0;
      rec.ExpandedLength = 0;
      rec.Flags = 0;
    }
    index_of_longest_line_ = -1;
    LinesMoved(Index, NumLines);
    if (OnInserted) OnInserted(this, Index, NumLines);
  });
}

// ---- Replacing ----

template <class Chars>
void TCodeEditStringList::PutItem(int Index, Chars S) {
  if (Index == GetCount()) {
    Updating([&] { InsertItem(Index, TLineString(S), nullptr); });
    return;
  }
  if (!ValidIndex(Index)) ListIndexError(Index);
  Updating([&] {
    TCodeEditStringRec& rec = list_[Index];
    TLineString line(S);  // made first: S may be a view of the line it replaces
    list_.ReleaseLine(rec);
    rec.String = std::move(line);
    rec.ExpandedLength = -1;
    rec.Flags = sfExpandedLengthUnknown;
    index_of_longest_line_ = -1;
    if (marked_line_ == Index) marked_line_ = -1;
    if (OnPutted) OnPutted(this, Index, 1);
  });
}

void TCodeEditStringList::Put(int Index, const std::string& S) { PutItem(Index, std::u32string_view(Utf8Decode(S))); }

void TCodeEditStringList::PutLine(int Index, std::u32string_view S) { PutItem(Index, S); }

void TCodeEditStringList::DeleteChars(int Index, int From, int Count) {
  if (!ValidIndex(Index)) ListIndexError(Index);
  Updating([&] {
    TCodeEditStringRec& rec = list_[Index];
    const std::size_t from = static_cast<std::size_t>(std::max(From, 0));
    const std::size_t count = static_cast<std::size_t>(std::max(Count, 0));
    if (rec.String.InArena()) {
      // A loaded line is copied out of the arena, which takes its block back whole.
      const TLineView line = rec.String.view();
      std::u32string rest;
      line.substr(0, from).AppendTo(rest);
      if (from < line.size()) line.substr(from + std::min(count, line.size() - from)).AppendTo(rest);
      TLineString changed(std::u32string_view{rest});
      list_.ReleaseLine(rec);
      rec.String = std::move(changed);
    } else {
      rec.String.erase(from, count);
    }
    // A line without tabs keeps none; the longest line stays the longest when another one is.
    if (rec.Flags & sfHasNoTabs) {
      rec.ExpandedLength = static_cast<std::int64_t>(rec.String.size());
    } else {
      rec.ExpandedLength = -1;
      rec.Flags = sfExpandedLengthUnknown;
    }
    if (index_of_longest_line_ == Index) index_of_longest_line_ = -1;
    if (marked_line_ == Index) marked_line_ = -1;
    if (OnPutted) OnPutted(this, Index, 1);
  });
}

void TCodeEditStringList::PutObject(int Index, TObject* AObject) {
  if (!ValidIndex(Index)) ListIndexError(Index);
  list_[Index].Object = AObject;
}

void TCodeEditStringList::SetRanges(int Index, TCodeEditRange Value) {
  if (!ValidIndex(Index)) ListIndexError(Index);
  list_[Index].Range = Value;
}

// ---- Deleting ----

void TCodeEditStringList::Delete(int Index) {
  if (!ValidIndex(Index)) ListIndexError(Index);
  Updating([&] {
    list_.Erase(Index, 1);
    index_of_longest_line_ = -1;
    LinesMoved(Index, -1);
    if (OnDeleted) OnDeleted(this, Index, 1);
  });
}

void TCodeEditStringList::DeleteLines(int Index, int NumLines) {
  if (NumLines <= 0) return;
  if (Index < 0 || Index > GetCount()) ListIndexError(Index);
  // From Count on there is nothing to cut: the event still reports the cut count, 0.
  NumLines = std::min(NumLines, GetCount() - Index);
  Updating([&] {
    list_.Erase(Index, NumLines);
    index_of_longest_line_ = -1;
    LinesMoved(Index, -NumLines);
    if (OnDeleted) OnDeleted(this, Index, NumLines);
  });
}

void TCodeEditStringList::Clear() {
  if (GetCount() == 0) return;
  Updating([&] {
    list_.Clear();
    index_of_longest_line_ = -1;
    marked_line_ = -1;
    if (OnCleared) OnCleared(this);
  });
}

void TCodeEditStringList::Exchange(int Index1, int Index2) {
  if (!ValidIndex(Index1)) ListIndexError(Index1);
  if (!ValidIndex(Index2)) ListIndexError(Index2);
  Updating([&] {
    std::swap(list_[Index1], list_[Index2]);
    for (int* follows : {&index_of_longest_line_, &marked_line_}) {
      if (*follows == Index1)
        *follows = Index2;
      else if (*follows == Index2)
        *follows = Index1;
    }
  });
}

void TCodeEditStringList::Move(int CurIndex, int NewIndex) {
  if (CurIndex != NewIndex) TStrings::Move(CurIndex, NewIndex);
}

// ---- Tab expansion ----

void TCodeEditStringList::SetTabWidth(int Value) {
  Value = std::clamp(Value, 1, kMaxTabWidth);
  if (Value == tab_width_) return;
  tab_width_ = Value;
  convert_tabs_proc_ = GetBestConvertTabsProc(Value);
  index_of_longest_line_ = -1;
  marked_line_ = -1;
  for (int i = 0; i < GetCount(); ++i) {
    TCodeEditStringRec& rec = list_[i];
    rec.ExpandedLength = -1;
    rec.Flags = static_cast<std::uint8_t>((rec.Flags & ~sfHasNoTabs) | sfExpandedLengthUnknown);
  }
}

std::int64_t TCodeEditStringList::ComputeExpandedLength(const TCodeEditStringRec& Rec) const {
  // Every expander makes a tab reach the next stop, so the length needs no expanded copy.
  int before;
  const TLineView line = Rec.String.view();
  const bool has_tabs = GetHasTabs(line, before);
  Rec.ExpandedLength = has_tabs ? GetExpandedLength(line, tab_width_) : static_cast<std::int64_t>(line.size());
  Rec.Flags = has_tabs ? sfHasTabs : sfHasNoTabs;
  return Rec.ExpandedLength;
}

TLineColumns TCodeEditStringList::Columns(int Index) const {
  if (!ValidIndex(Index)) return TLineColumns();
  const TCodeEditStringRec& rec = list_[Index];
  const TLineView line = rec.String.view();
  // The record knows once whether the line has tabs, so a long line without is not scanned again.
  if (rec.ExpandedLength < 0) ComputeExpandedLength(rec);
  if (!(rec.Flags & sfHasTabs)) return TLineColumns(line, tab_width_, static_cast<std::int64_t>(line.size()), nullptr);
  if (static_cast<std::int64_t>(line.size()) < TLineColumns::kMarkLine) return TLineColumns(line, tab_width_);
  if (marked_line_ != Index) {
    int before;
    GetHasTabs(line, before);
    line_marks_ = TLineColumns::MakeMarks(line, tab_width_);
    marked_first_tab_ = before;
    marked_line_ = Index;
  }
  return TLineColumns(line, tab_width_, marked_first_tab_, &line_marks_);
}

std::u32string TCodeEditStringList::ExpandedStrings(int Index) const {
  if (!ValidIndex(Index)) return std::u32string();
  const TCodeEditStringRec& rec = list_[Index];
  if (rec.Flags & sfHasNoTabs) return rec.String.str();
  bool has_tabs;
  std::u32string expanded = convert_tabs_proc_(rec.String.str(), tab_width_, has_tabs);
  rec.ExpandedLength = static_cast<std::int64_t>(expanded.size());
  rec.Flags = has_tabs ? sfHasTabs : sfHasNoTabs;
  return expanded;
}

std::int64_t TCodeEditStringList::ExpandedStringLengths(int Index) const {
  if (!ValidIndex(Index)) return 0;
  const TCodeEditStringRec& rec = list_[Index];
  if (rec.ExpandedLength >= 0) return rec.ExpandedLength;
  return ComputeExpandedLength(rec);
}

std::int64_t TCodeEditStringList::LengthOfLongestLine() const {
  if (GetCount() == 0) return 0;
  if (index_of_longest_line_ < 0) {
    std::int64_t longest = -1;
    for (int i = 0; i < GetCount(); ++i) {
      const TCodeEditStringRec& rec = list_[i];
      const std::int64_t length = rec.ExpandedLength >= 0 ? rec.ExpandedLength : ComputeExpandedLength(rec);
      if (length > longest) {
        longest = length;
        index_of_longest_line_ = i;
      }
    }
  }
  return ExpandedStringLengths(index_of_longest_line_);
}

}  // namespace lab
