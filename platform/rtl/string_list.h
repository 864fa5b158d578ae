#pragma once
// TStrings, the framework's abstract list of strings with an object per line, and TStringList, its
// stored form with sorting, duplicates handling and change events. Lines are UTF-8.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/persistent.h"
#include "platform/rtl/object.h"

namespace lab {

class TStream;

class TStrings : public TPersistent {
  LAB_CLASS(TStrings, TPersistent)
 public:
  int Count() const { return GetCount(); }
  std::string Strings(int Index) const { return Get(Index); }
  void SetStrings(int Index, const std::string& S) { Put(Index, S); }
  TObject* Objects(int Index) const { return GetObject(Index); }
  void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }
  int Capacity() const { return GetCapacity(); }
  virtual void SetCapacity(int /*NewCapacity*/) {}

  // Answers the new line's index.
  virtual int Add(const std::string& S);
  virtual int AddObject(const std::string& S, TObject* AObject);
  // Adds every line of Strings with its object.
  virtual void AddStrings(TStrings* Strings);
  virtual void Insert(int Index, const std::string& S) = 0;
  virtual void InsertObject(int Index, const std::string& S, TObject* AObject);
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;
  virtual void Exchange(int Index1, int Index2);
  // Both indexes must lie in 0 .. Count-1; a refused move raises EStringListError and changes nothing.
  virtual void Move(int CurIndex, int NewIndex);
  // Copies the lines and objects of any TStrings; other sources go to TPersistent.
  void Assign(TPersistent* Source) override;
  // Same count and the same lines, byte for byte (objects are not compared).
  bool Equals(TStrings* Strings) const;

  // Searches with CompareStrings; -1 when not found.
  virtual int IndexOf(const std::string& S) const;
  int IndexOfName(std::string_view Name) const;
  int IndexOfObject(const TObject* AObject) const;

  // Every line followed by CR LF. Setting splits at CR LF, LF or a lone CR; a break at the very end
  // makes no empty last line.
  std::string Text() const { return GetTextStr(); }
  void SetText(std::string_view Value) { SetTextStr(Value); }

  // Lines joined by Delimiter; a line holding a blank, a control character, QuoteChar or Delimiter is
  // quoted (quotes inside doubled). A single empty line is written as two quotes. Reading splits at
  // Delimiter and at blanks outside quotes.
  std::string DelimitedText() const;
  void SetDelimitedText(std::string_view Value);
  // DelimitedText with ',' and '"'.
  std::string CommaText() const;
  void SetCommaText(std::string_view Value);
  char Delimiter() const { return delimiter_; }
  void SetDelimiter(char Value) { delimiter_ = Value; }
  char QuoteChar() const { return quote_char_; }
  void SetQuoteChar(char Value) { quote_char_ = Value; }

  // "name=value" lines. A line without the separator has an empty name and value.
  char NameValueSeparator() const { return name_value_separator_; }
  void SetNameValueSeparator(char Value) { name_value_separator_ = Value; }
  std::string Names(int Index) const;
  std::string ValueFromIndex(int Index) const;
  std::string Values(std::string_view Name) const;
  // Replaces the value of the first line of that name, or adds a line; an empty value removes the line.
  virtual void SetValues(std::string_view Name, std::string_view Value);

  // Change notification is held back from the first BeginUpdate to the matching EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return update_count_; }

  // UTF-8 text; a UTF-8 byte order mark at the start is skipped. Loading reads from the stream's
  // position to its end; saving writes Text.
  virtual void LoadFromStream(TStream* Stream);
  virtual void SaveToStream(TStream* Stream);
  virtual void LoadFromFile(const std::string& FileName);
  virtual void SaveToFile(const std::string& FileName);

 protected:
  virtual std::string Get(int Index) const = 0;
  virtual int GetCount() const = 0;
  virtual TObject* GetObject(int /*Index*/) const { return nullptr; }
  virtual void Put(int Index, const std::string& S);
  // Lists without objects ignore them.
  virtual void PutObject(int /*Index*/, TObject* /*AObject*/) {}
  virtual int GetCapacity() const { return GetCount(); }
  virtual std::string GetTextStr() const;
  virtual void SetTextStr(std::string_view Value);
  // Called with true when the outermost update starts and with false when it ends.
  virtual void SetUpdateState(bool /*Updating*/) {}
  // The comparison of IndexOf, IndexOfName and sorting: here AnsiCompareText.
  virtual int CompareStrings(std::string_view S1, std::string_view S2) const;

 private:
  std::string JoinDelimited(char delimiter, char quote_char) const;
  void SplitDelimited(std::string_view Value, char delimiter, char quote_char);

  int update_count_ = 0;
  char delimiter_ = ',';
  char quote_char_ = '"';
  char name_value_separator_ = '=';
};

// Keeps BeginUpdate/EndUpdate paired when an exception passes.
class TStringsUpdate {
 public:
  explicit TStringsUpdate(TStrings& Strings) : strings_(Strings) { strings_.BeginUpdate(); }
  ~TStringsUpdate() { strings_.EndUpdate(); }
  TStringsUpdate(const TStringsUpdate&) = delete;
  TStringsUpdate& operator=(const TStringsUpdate&) = delete;

 private:
  TStrings& strings_;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList;
// Compares the lines at two indices: negative, 0 or positive.
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

class TStringList : public TStrings {
  LAB_CLASS(TStringList, TStrings)
 public:
  explicit TStringList(bool AOwnsObjects = false) : owns_objects_(AOwnsObjects) {}
  // Fires no events; frees the objects when it owns them.
  ~TStringList() override;
  TStringList(const TStringList&) = delete;
  TStringList& operator=(const TStringList&) = delete;

  // A sorted list answers the sorted position; a duplicate is ignored (answering the index of the
  // line already there), accepted, or refused with EStringListError, as Duplicates says.
  int Add(const std::string& S) override;
  int AddObject(const std::string& S, TObject* AObject) override;
  // Insert, Put, Exchange and Move raise EStringListError on a sorted list.
  void Insert(int Index, const std::string& S) override;
  void InsertObject(int Index, const std::string& S, TObject* AObject) override;
  void Delete(int Index) override;
  void Clear() override;
  void Exchange(int Index1, int Index2) override;
  void Move(int CurIndex, int NewIndex) override;
  int IndexOf(const std::string& S) const override;
  void SetValues(std::string_view Name, std::string_view Value) override;
  void SetCapacity(int NewCapacity) override;

  // Binary search of a sorted list: true when found, Index the first equal line; else Index is where S
  // would go. Only meaningful while Sorted.
  bool Find(std::string_view S, int& Index) const;
  // Sorts an unsorted list (equal lines keep their order); a sorted list is already in order.
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& Compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool Value);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates Value) { duplicates_ = Value; }
  // false: AnsiCompareText; true: AnsiCompareStr. A sorted list sorts again when this changes.
  bool CaseSensitive() const { return case_sensitive_; }
  void SetCaseSensitive(bool Value);
  // An owning list frees the object of every line it deletes or clears, and an object PutObject replaces.
  bool OwnsObjects() const { return owns_objects_; }
  void SetOwnsObjects(bool Value) { owns_objects_ = Value; }

  // Outside an update: OnChanging before and OnChange after each change. Inside one: OnChanging before
  // its first change and OnChange once at the outermost EndUpdate, only when something changed.
  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  std::string Get(int Index) const override;
  int GetCount() const override { return static_cast<int>(items_.size()); }
  TObject* GetObject(int Index) const override;
  void Put(int Index, const std::string& S) override;
  void PutObject(int Index, TObject* AObject) override;
  int GetCapacity() const override { return static_cast<int>(items_.capacity()); }
  std::string GetTextStr() const override;
  void SetTextStr(std::string_view Value) override;
  void SetUpdateState(bool Updating) override;
  int CompareStrings(std::string_view S1, std::string_view S2) const override;
  virtual void Changing();
  virtual void Changed();

 private:
  struct TItem {
    std::string String;
    TObject* Object = nullptr;
  };

  std::size_t CheckIndex(int Index) const;
  void CheckUnsorted() const;
  void InsertItem(int Index, std::string S, TObject* AObject);
  void SortItems();
  void FreeObjects(std::vector<TItem>& items);

  std::vector<TItem> items_;
  bool sorted_ = false;
  bool case_sensitive_ = false;
  bool owns_objects_;
  TDuplicates duplicates_ = dupIgnore;
  bool changing_fired_ = false;   // within the current update
  bool change_pending_ = false;   // within the current update
};

}  // namespace lab
