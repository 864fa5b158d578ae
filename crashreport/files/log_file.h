#pragma once
// TLogFile: a module's log of crash reports (the ".clf" file). The file holds the report texts one
// after the other, each followed by three CR LF pairs, with one more CR LF between two reports. The
// log is kept to a maximum count, searched by header field, and written out as the XML log.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/object.h"

namespace lab {

class TLogFile : public TObject {
  LAB_CLASS(TLogFile, TObject)
 public:
  // Makes the name usable (EnsureWritableFilePath, with the program's sub-folder) and loads the file
  // when it exists, read under a shared lock, so a save that another process makes in place is never
  // seen half done. A file that is no log (IsLogText: damaged, cut short, another program's file of
  // that name) is never taken for one: unless ReadOnly it is renamed aside (KeptAsideName) with an
  // internal warning and the log starts empty; read-only, the entries found in it are loaded. A file
  // that cannot be read, or locked within ten seconds, raises EFOpenError.
  TLogFile(std::string FileName, bool ReadOnly);
  // A log of no file, in memory only (for the XML log of the current report); Save raises EWriteError.
  TLogFile();

  // Drops the oldest entries so that at most MaxCount remain with the new one (a MaxCount below 1
  // counts as 1), then appends ReportText (its line breaks made CR LF) and three CR LF pairs.
  void AddEntry(std::string_view ReportText, std::int32_t MaxCount);
  // True when one entry holds, for every header field ID ("2.2"), exactly the value at the same
  // index of Values, compared in the form the header stores it. IDs and Values must be as long as
  // each other (else EListError).
  bool HasEntry(std::span<const std::string> IDs, std::span<const std::string> Values) const;
  // The indexes of the entries HasEntry would find, in order.
  std::vector<int> EntriesWith(std::span<const std::string> IDs, std::span<const std::string> Values) const;
  // Writes the log under a lock: the entries that other processes saved since this one was loaded
  // are kept, and the entries added here go after them, trimmed as AddEntry was asked to. The file is
  // replaced whole (ReplaceFileLocked); one that has become no log since the load is first renamed
  // aside as at the load. A log opened read-only raises EWriteError.
  void Save();
  // The value of header field ID ("2.2") in entry Index, its lines joined with CR LF; empty when the
  // entry or the field does not exist.
  std::string GetEntryField(std::string_view ID, int Index) const;
  int GetCount() const noexcept { return static_cast<int>(entries_.size()); }
  // The whole log as Save writes it.
  std::string GetText() const;
  // Entry Index with its three final CR LF pairs; EStringListError outside the entries.
  const std::string& GetEntry(int Index) const;
  // Writes the XML log of all entries (LogToXML) to FileName.
  void SaveToXML(const std::string& FileName) const;

  const std::string& FileName() const noexcept { return file_name_; }
  // The name an unreadable file was given (the file's name and ".unreadable", with ".2", ".3", ...
  // when that is taken); empty when none was found.
  const std::string& KeptAsideName() const noexcept { return kept_aside_name_; }
  bool ReadOnly() const noexcept { return read_only_; }
  // When set, the XML log shows the protected names of the call stacks in clear.
  const std::string& Password() const noexcept { return password_; }
  void SetPassword(std::string Value) { password_ = std::move(Value); }

 private:
  struct TAddedEntry {
    std::string Text;
    std::int32_t MaxCount;
  };

  std::string file_name_;
  bool read_only_;
  std::string kept_aside_name_;
  std::vector<std::string> entries_;
  std::string password_;
  std::vector<TAddedEntry> added_;  // since the last load or save
};

// The entries of a log file's text: line breaks made CR LF, the text cut after each entry's three
// CR LF pairs and the one between entries; a piece without a table (a line of "-" followed by a line
// that begins with "|") is dropped. Text shorter than 6 bytes holds no entries.
std::vector<std::string> SplitLogText(std::string_view Text);
// The file's text of the entries: joined by CR LF.
std::string JoinLogText(const std::vector<std::string>& Entries);
// True when Text is a log as Save writes it (its line breaks of any kind): empty, or entries that
// each hold a table and end with their three CR LF pairs, joined by CR LF, so that the entries
// loaded from it are all it holds.
bool IsLogText(std::string_view Text);

// Where header field ID stands in an entry: the value's first byte, the end of its last line and its
// column (in characters), found as "CR LF, two blanks, ID, a blank" and the next ": "; the value
// goes on over the following lines that begin with two blanks and have a blank as fourth character.
struct TLogFieldPlace {
  bool Found = false;
  std::size_t Start = 0;
  std::size_t End = 0;
  std::size_t Column = 0;
};
TLogFieldPlace FindLogField(std::string_view Entry, std::string_view ID);
// The value of the field at Place, as GetEntryField gives it.
std::string ReadLogField(std::string_view Entry, const TLogFieldPlace& Place);

}  // namespace lab
