// TStrings: the operations every string list shares, written over its abstract accessors.
#include <string>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/file_save_stream.h"
#include "platform/rtl/line_breaks.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/string_list.h"
#include "platform/rtl/strutils.h"

namespace lab {

int TStrings::Add(const std::string& S) {
  const int index = GetCount();
  Insert(index, S);
  return index;
}

int TStrings::AddObject(const std::string& S, TObject* AObject) {
  const int index = Add(S);
  PutObject(index, AObject);
  return index;
}

void TStrings::AddStrings(TStrings* Strings) {
  TStringsUpdate update(*this);
  const int n = Strings->GetCount();  // taken first, so adding a list to itself doubles it once
  for (int i = 0; i < n; ++i) AddObject(Strings->Get(i), Strings->GetObject(i));
}

void TStrings::InsertObject(int Index, const std::string& S, TObject* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

void TStrings::Put(int Index, const std::string& S) {
  TObject* object = GetObject(Index);
  TStringsUpdate update(*this);
  Delete(Index);
  InsertObject(Index, S, object);
}

void TStrings::Exchange(int Index1, int Index2) {
  TStringsUpdate update(*this);
  const std::string s1 = Get(Index1), s2 = Get(Index2);
  TObject* o1 = GetObject(Index1);
  TObject* o2 = GetObject(Index2);
  Put(Index1, s2);
  PutObject(Index1, o2);
  Put(Index2, s1);
  PutObject(Index2, o1);
}

void TStrings::Move(int CurIndex, int NewIndex) {
  // Both places are checked before the line is taken out, so a refused move loses nothing and
  // tells no one of a change.
  const int count = GetCount();
  for (const int index : {CurIndex, NewIndex})
    if (index < 0 || index >= count) throw EStringListError("List index out of bounds (%d)", index);
  if (CurIndex == NewIndex) return;
  TStringsUpdate update(*this);
  const std::string s = Get(CurIndex);
  TObject* object = GetObject(CurIndex);
  Delete(CurIndex);
  InsertObject(NewIndex, s, object);
}

void TStrings::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TStrings*>(Source)) {
    if (source == this) return;
    TStringsUpdate update(*this);
    Clear();
    AddStrings(source);
    return;
  }
  TPersistent::Assign(Source);
}

bool TStrings::Equals(TStrings* Strings) const {
  const int n = GetCount();
  if (n != Strings->GetCount()) return false;
  for (int i = 0; i < n; ++i)
    if (Get(i) != Strings->Get(i)) return false;
  return true;
}

int TStrings::IndexOf(const std::string& S) const {
  const int n = GetCount();
  for (int i = 0; i < n; ++i)
    if (CompareStrings(Get(i), S) == 0) return i;
  return -1;
}

int TStrings::IndexOfName(std::string_view Name) const {
  const int n = GetCount();
  for (int i = 0; i < n; ++i) {
    const std::string s = Get(i);
    const std::size_t at = s.find(name_value_separator_);
    if (at != std::string::npos && CompareStrings(std::string_view(s).substr(0, at), Name) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* AObject) const {
  const int n = GetCount();
  for (int i = 0; i < n; ++i)
    if (GetObject(i) == AObject) return i;
  return -1;
}

int TStrings::CompareStrings(std::string_view S1, std::string_view S2) const {
  return AnsiCompareText(S1, S2);
}

// ---- Text ----

std::string TStrings::GetTextStr() const {
  const int n = GetCount();
  std::string text;
  for (int i = 0; i < n; ++i) text.append(Get(i)).append("\r\n");
  return text;
}

void TStrings::SetTextStr(std::string_view Value) {
  TStringsUpdate update(*this);
  Clear();
  ForEachLine(Value, [this](std::string_view line) { Add(std::string(line)); });
}

// ---- Delimited text ----

std::string TStrings::DelimitedText() const { return JoinDelimited(delimiter_, quote_char_); }

void TStrings::SetDelimitedText(std::string_view Value) { SplitDelimited(Value, delimiter_, quote_char_); }

std::string TStrings::CommaText() const { return JoinDelimited(',', '"'); }

void TStrings::SetCommaText(std::string_view Value) { SplitDelimited(Value, ',', '"'); }

std::string TStrings::JoinDelimited(char delimiter, char quote_char) const {
  const int n = GetCount();
  if (n == 1 && Get(0).empty()) return std::string(2, quote_char);
  std::string text;
  for (int i = 0; i < n; ++i) {
    const std::string s = Get(i);
    bool quote = false;
    for (char c : s)
      if (static_cast<unsigned char>(c) <= ' ' || c == quote_char || c == delimiter) {
        quote = true;
        break;
      }
    if (i > 0) text += delimiter;
    text += quote ? AnsiQuotedStr(s, quote_char) : s;
  }
  return text;
}

void TStrings::SplitDelimited(std::string_view Value, char delimiter, char quote_char) {
  TStringsUpdate update(*this);
  Clear();
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  std::size_t i = 0;
  const std::size_t n = Value.size();
  while (i < n && blank(Value[i])) ++i;
  while (i < n) {
    std::string s;
    if (Value[i] == quote_char) {
      // Up to the closing quote (the end when there is none); a doubled quote is one quote.
      for (++i; i < n; ++i) {
        if (Value[i] != quote_char) {
          s += Value[i];
        } else if (i + 1 < n && Value[i + 1] == quote_char) {
          s += quote_char;
          ++i;
        } else {
          ++i;
          break;
        }
      }
    } else {
      const std::size_t start = i;
      while (i < n && static_cast<unsigned char>(Value[i]) > ' ' && Value[i] != delimiter) ++i;
      s.assign(Value.substr(start, i - start));
    }
    Add(s);
    while (i < n && blank(Value[i])) ++i;
    if (i < n && Value[i] == delimiter) {
      if (i + 1 == n) Add(std::string());  // a delimiter at the very end stands before an empty line
      do ++i;
      while (i < n && blank(Value[i]));
    }
  }
}

// ---- Names and values ----

std::string TStrings::Names(int Index) const {
  std::string s = Get(Index);
  const std::size_t at = s.find(name_value_separator_);
  s.resize(at == std::string::npos ? 0 : at);
  return s;
}

std::string TStrings::ValueFromIndex(int Index) const {
  if (Index < 0) return std::string();
  const std::string s = Get(Index);
  const std::size_t at = s.find(name_value_separator_);
  return at == std::string::npos ? std::string() : s.substr(at + 1);
}

std::string TStrings::Values(std::string_view Name) const {
  const int index = IndexOfName(Name);
  return index >= 0 ? ValueFromIndex(index) : std::string();
}

void TStrings::SetValues(std::string_view Name, std::string_view Value) {
  const int index = IndexOfName(Name);
  if (Value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  std::string line(Name);
  line += name_value_separator_;
  line += Value;
  if (index >= 0)
    Put(index, line);
  else
    Add(line);
}

// ---- Updates ----

void TStrings::BeginUpdate() {
  if (update_count_ == 0) SetUpdateState(true);
  ++update_count_;
}

void TStrings::EndUpdate() {
  if (update_count_ == 0) return;  // unmatched: nothing to end
  if (--update_count_ == 0) SetUpdateState(false);
}

// ---- Files and streams ----

void TStrings::LoadFromStream(TStream* Stream) {
  const std::int64_t size = Stream->Size() - Stream->Position();
  std::string data(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  Stream->ReadBuffer(data.data(), static_cast<std::int64_t>(data.size()));
  std::string_view text = data;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  SetTextStr(text);
}

void TStrings::SaveToStream(TStream* Stream) {
  const std::string text = GetTextStr();
  Stream->WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

void TStrings::LoadFromFile(const std::string& FileName) {
  TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

void TStrings::SaveToFile(const std::string& FileName) {
  TFileSaveStream file(FileName);
  SaveToStream(&file);
  file.Commit();
}

}  // namespace lab
