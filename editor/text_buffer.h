#pragma once
// TCodeEditStringList: the editor's line list. It keeps each line's code points (one, two or four
// bytes each, by the line's widest) with a cached tab-expanded length and a highlighter state,
// reports every structural change through its own events, and loads and saves text with CR LF, LF or
// CR line breaks. The TStrings surface (Strings, Text, Add, ...) is UTF-8; the editor itself works on
// code points (GetLine, LineView, PutLine, ...). The records lie in blocks (line_records.h), so a line
// inserted or deleted anywhere costs about the same in a text of any length.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editor/line_columns.h"
#include "editor/line_records.h"
#include "editor/line_string.h"
#include "editor/text_routines.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/string_list.h"

namespace lab {

class TLineLoader;
class TStream;

// Line-break convention of loading and saving.
enum TCodeEditFileFormat : std::uint8_t { sffDos, sffUnix, sffMac };  // CR LF, LF, CR

// Lines Index .. Index + NumLines - 1 were inserted, deleted or replaced.
using TStringListChangeEvent = std::function<void(TObject* Sender, int Index, int NumLines)>;

class TCodeEditStringList : public TStrings {
  LAB_CLASS(TCodeEditStringList, TStrings)
 public:
  TCodeEditStringList();
  // Fires no event: a dying owner must not hear from its lines.
  ~TCodeEditStringList() override;
  TCodeEditStringList(const TCodeEditStringList&) = delete;
  TCodeEditStringList& operator=(const TCodeEditStringList&) = delete;

  // ---- TStrings (UTF-8) ----
  int Add(const std::string& S) override;
  int AddObject(const std::string& S, TObject* AObject) override;
  void AddStrings(TStrings* Strings) override;
  void Insert(int Index, const std::string& S) override;
  void InsertObject(int Index, const std::string& S, TObject* AObject) override;
  void Delete(int Index) override;
  void Clear() override;
  void Exchange(int Index1, int Index2) override;
  // A move to the same place does nothing (at Count too); others as TStrings::Move.
  void Move(int CurIndex, int NewIndex) override;
  // Raises EListError below Count.
  void SetCapacity(int NewCapacity) override;

  // The whole stream from position 0; a line ends at CR LF, LF or CR. A byte that is not UTF-8
  // reads as its Latin-1 character. FileFormat is set from the breaks seen.
  void LoadFromStream(TStream* Stream) override;
  void LoadFromFile(const std::string& FileName) override;
  // UTF-8 with FileFormat's line break after every line but the last (and after the last one too
  // when AppendNewLineAtEOF is set).
  void SaveToStream(TStream* Stream) override;
  void SaveToFile(const std::string& FileName) override;

  // ---- Lines as code points ----
  // The line; empty for an index outside the list.
  std::u32string GetLine(int Index) const;
  // The line's stored code points, valid until the list next changes; empty outside the list.
  TLineView LineView(int Index) const;
  // As Put, Add and Insert.
  void PutLine(int Index, std::u32string_view S);
  int AddLine(std::u32string_view S);
  void InsertLine(int Index, std::u32string_view S);
  // As PutLine with Count code points from From on taken out (cut to the line), without a copy
  // of the line where it can.
  void DeleteChars(int Index, int From, int Count);

  // ---- Blocks of lines ----
  // Nothing for NumLines <= 0; the count is cut to the lines that exist from Index on, and OnDeleted
  // reports the cut count (0 at Index = Count).
  void DeleteLines(int Index, int NumLines);
  // Nothing for NumLines <= 0; the new lines are empty with range 0.
  void InsertLines(int Index, int NumLines);

  // ---- Tab expansion ----
  // The line with its tabs expanded (tab characters fill up to each stop); empty outside the list.
  std::u32string ExpandedStrings(int Index) const;
  // Cells, counted in 64 bits: a line's may pass the int range.
  std::int64_t ExpandedStringLengths(int Index) const;
  // Expanded length of the longest line; 0 for no lines.
  std::int64_t LengthOfLongestLine() const;
  int TabWidth() const { return tab_width_; }
  // A width below 1 would divide by zero where tabs expand: it is taken as 1; one above kMaxTabWidth
  // as that.
  void SetTabWidth(int Value);

  // Where the characters of line Index stand in cells, read in place; valid until the list next
  // changes. The cells kept for a long line with tabs are kept for the last such line asked for.
  TLineColumns Columns(int Index) const;

  // ---- Highlighter states ----
  // 0 outside the list, as the other reads answer empty values there.
  TCodeEditRange Ranges(int Index) const;
  void SetRanges(int Index, TCodeEditRange Value);

  TCodeEditFileFormat FileFormat() const { return file_format_; }
  void SetFileFormat(TCodeEditFileFormat Value) { file_format_ = Value; }
  bool AppendNewLineAtEOF() const { return append_new_line_at_eof_; }
  void SetAppendNewLineAtEOF(bool Value) { append_new_line_at_eof_ = Value; }

  // The record of a line, for the painter and the highlighter scan; the index must be valid.
  const TCodeEditStringRec& Record(int Index) const { return list_[Index]; }
  // The records, for tests and benchmarks (their blocks, the records moved).
  const TLineRecords& Records() const { return list_; }

  // Start and end of an outermost update.
  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;
  TNotifyEvent OnCleared;
  TStringListChangeEvent OnDeleted;
  TStringListChangeEvent OnInserted;
  TStringListChangeEvent OnPutted;

 protected:
  std::string Get(int Index) const override;
  int GetCapacity() const override { return list_.Capacity(); }
  int GetCount() const override { return list_.Count(); }
  TObject* GetObject(int Index) const override;
  // The lines joined with CR LF, no break after the last.
  std::string GetTextStr() const override;
  void Put(int Index, const std::string& S) override;
  void PutObject(int Index, TObject* AObject) override;
  void SetUpdateState(bool Updating) override;

 private:
  bool ValidIndex(int Index) const { return Index >= 0 && Index < GetCount(); }
  [[noreturn]] static void ListIndexError(int Index);
  // Runs F between BeginUpdate and EndUpdate, ending the update when F raises.
  template <class F>
  void Updating(F&& f);
  void InsertItem(int Index, TLineString S, TObject* AObject);
  template <class Chars>
  void PutItem(int Index, Chars S);
  // Replaces the lines with the loaders' in order (taking their arenas over), firing Cleared and each
  // Inserted.
  void AddLoadedLines(std::span<TLineLoader> Loaders);
  std::int64_t ComputeExpandedLength(const TCodeEditStringRec& Rec) const;

  TLineRecords list_;
  TCodeEditFileFormat file_format_ = sffDos;
  bool append_new_line_at_eof_ = false;
  // The width comes first: the expander is chosen from it when the list is made.
  int tab_width_ = 8;
  TConvertTabsProc convert_tabs_proc_ = GetBestConvertTabsProc(tab_width_);
  mutable int index_of_longest_line_ = -1;
  // The cells kept for one long line with tabs (see Columns), and which line they belong to; every
  // change that moves or replaces that line moves or forgets them.
  mutable int marked_line_ = -1;
  mutable std::int64_t marked_first_tab_ = 0;
  mutable std::vector<std::int64_t> line_marks_;
  // Lines inserted at Index (Delta > 0) or deleted from it (Delta < 0): the kept cells follow their
  // line, or are forgotten with it.
  void LinesMoved(int Index, int Delta);
};

template <class F>
void TCodeEditStringList::Updating(F&& f) {
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  f();
}

}  // namespace lab
