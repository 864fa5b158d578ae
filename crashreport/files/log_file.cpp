#include "crashreport/files/log_file.h"

#include "crashreport/codec/file_utils.h"
#include "crashreport/internal_warning.h"
#include "crashreport/report/log_item.h"
#include "crashreport/files/log_paths.h"
#include "crashreport/codec/text_utils.h"
#include "crashreport/files/xml_log.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/utf8.h"

namespace lab {
namespace {

constexpr std::string_view kEntryEnd = "\r\n\r\n\r\n";

bool HasTable(std::string_view Entry) { return Entry.find("-\r\n|") != std::string_view::npos; }

void AddTrimmed(std::vector<std::string>& Entries, std::string Entry, std::int32_t MaxCount) {
  if (MaxCount < 1) MaxCount = 1;
  const std::size_t keep = static_cast<std::size_t>(MaxCount) - 1;
  if (Entries.size() > keep) Entries.erase(Entries.begin(), Entries.end() - static_cast<std::ptrdiff_t>(keep));
  Entries.push_back(std::move(Entry));
}

// The file's text is its entries, joined; the last may lack some (or all) of its final CR LF pairs.
bool IsLogText(std::string_view Text, const std::vector<std::string>& Entries) {
  if (Text.empty()) return true;
  const std::string joined = JoinLogText(Entries);
  const std::string text = AdjustLineBreaks(Text);
  if (!joined.starts_with(text)) return false;
  for (std::size_t i = text.size(); i < joined.size(); i += 2)
    if (joined.compare(i, 2, "\r\n") != 0) return false;
  return true;
}

// Under the exclusive lock, the file is looked at again: when it is (still) no log it is renamed
// aside, KeptName tells where, and no entries are answered; else its entries (none when it is gone).
std::vector<std::string> SetAsideUnlessLog(const std::string& FileName, std::string& KeptName) {
  const TLockedFile file(FileName, true, false);
  if (!file.Exists()) return {};
  const std::string text = file.ReadAll();
  std::vector<std::string> entries = SplitLogText(text);
  if (IsLogText(text, entries)) return entries;
  KeptName = RenameFileAside(FileName, FileName + ".unreadable");
  ShowInternalWarning(eeLogError, Format("The log file \"%s\" cannot be read; it is kept as \"%s\".", FileName,
                                         KeptName));
  return {};
}

// Thrown inside a save that found no log under the lock, to set the file aside outside it.
struct TNoLogText {};

// The line that starts at Start (a line start) belongs to a value that goes on from the line before.
bool IsContinuationLine(std::string_view Entry, std::size_t Start) {
  return Entry.size() > Start + 3 && Entry[Start] == ' ' && Entry[Start + 1] == ' ' && Entry[Start + 3] == ' ';
}

}  // namespace

std::vector<std::string> SplitLogText(std::string_view Text) {
  std::vector<std::string> entries;
  if (Text.size() < 6) return entries;
  std::string text = AdjustLineBreaks(Text);
  if (!text.ends_with(kEntryEnd)) text += kEntryEnd;
  // A run of four or more CR LF pairs ends an entry: its last pair stands between two entries, the
  // rest (the entry's three and any breaks at the end of the report itself) belong to the entry
  // before. The run at the very end belongs to the last entry whole.
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] != '\r' || i + 1 >= text.size() || text[i + 1] != '\n') {
      ++i;
      continue;
    }
    std::size_t run_end = i;
    while (run_end + 1 < text.size() && text[run_end] == '\r' && text[run_end + 1] == '\n') run_end += 2;
    const std::size_t pairs = (run_end - i) / 2;
    if (run_end == text.size()) {
      if (HasTable(std::string_view(text).substr(start))) entries.push_back(text.substr(start));
      start = text.size();
      break;
    }
    if (pairs >= 4) {
      std::string_view entry = std::string_view(text).substr(start, run_end - 2 - start);
      if (HasTable(entry)) entries.emplace_back(entry);
      start = run_end;
    }
    i = run_end;
  }
  return entries;
}

std::string JoinLogText(const std::vector<std::string>& Entries) {
  std::string text;
  std::size_t size = 0;
  for (const std::string& entry : Entries) size += entry.size() + 2;
  text.reserve(size);
  for (std::size_t i = 0; i < Entries.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += Entries[i];
  }
  return text;
}

TLogFieldPlace FindLogField(std::string_view Entry, std::string_view ID) {
  TLogFieldPlace place;
  const std::string key = "\r\n  " + std::string(ID) + " ";
  const std::size_t at = Entry.find(key);
  if (ID.empty() || at == std::string_view::npos) return place;
  const std::size_t line_start = at + 2;
  std::size_t line_end = Entry.find("\r\n", line_start);
  if (line_end == std::string_view::npos) line_end = Entry.size();
  const std::string_view line = Entry.substr(line_start, line_end - line_start);
  std::size_t colon = line.find(": ", key.size() - 2);
  if (colon == std::string_view::npos) {
    if (!line.ends_with(':')) return place;
    colon = line.size() - 1;  // an empty value whose blank was cut off
  }
  place.Found = true;
  place.Start = std::min(line_start + colon + 2, line_end);
  place.Column = Utf8Length(line.substr(0, colon)) + 2;
  place.End = line_end;
  while (place.End + 2 <= Entry.size() && IsContinuationLine(Entry, place.End + 2)) {
    const std::size_t next = Entry.find("\r\n", place.End + 2);
    place.End = next == std::string_view::npos ? Entry.size() : next;
  }
  return place;
}

std::string ReadLogField(std::string_view Entry, const TLogFieldPlace& Place) {
  if (!Place.Found) return {};
  std::string value;
  bool first = true;
  for (std::string_view line : SplitLines(Entry.substr(Place.Start, Place.End - Place.Start))) {
    std::string text(first ? line : LogValueLineText(line, Place.Column));
    if (!first) value += "\r\n";
    first = false;
    // A line that was blank in the value is stored as "."; ": " in a value of several lines as ":_".
    if (text != ".") value += ReplaceAllText(text, ":_", ": ");
  }
  return Trim(value);
}

bool IsLogText(std::string_view Text) { return IsLogText(Text, SplitLogText(Text)); }

TLogFile::TLogFile(std::string FileName, bool ReadOnly) : file_name_(std::move(FileName)), read_only_(ReadOnly) {
  EnsureWritableFilePath(file_name_, true, ReadOnly);
  std::string text;
  if (!ReadFileLocked(file_name_, text)) return;
  entries_ = SplitLogText(text);
  if (!ReadOnly && !IsLogText(text, entries_)) entries_ = SetAsideUnlessLog(file_name_, kept_aside_name_);
}

TLogFile::TLogFile() : read_only_(false) {}

void TLogFile::AddEntry(std::string_view ReportText, std::int32_t MaxCount) {
  std::string entry = AdjustLineBreaks(ReportText);
  entry += kEntryEnd;
  AddTrimmed(entries_, entry, MaxCount);
  added_.push_back(TAddedEntry{std::move(entry), MaxCount});
}

bool TLogFile::HasEntry(std::span<const std::string> IDs, std::span<const std::string> Values) const {
  return !EntriesWith(IDs, Values).empty();
}

std::vector<int> TLogFile::EntriesWith(std::span<const std::string> IDs, std::span<const std::string> Values) const {
  if (IDs.size() != Values.size())
    throw EListError("%d field names and %d values", static_cast<int>(IDs.size()), static_cast<int>(Values.size()));
  std::vector<std::vector<std::string>> lines;
  lines.reserve(Values.size());
  for (const std::string& value : Values) lines.push_back(FormatLogValueLines(value));
  std::vector<int> found;
  for (std::size_t index = 0; index < entries_.size(); ++index) {
    const std::string& entry = entries_[index];
    bool all = true;
    for (std::size_t i = 0; all && i < IDs.size(); ++i) {
      const TLogFieldPlace place = FindLogField(entry, IDs[i]);
      if (!place.Found) {
        all = false;
        break;
      }
      // The value as the header writes it, its later lines starting in the entry's value column.
      std::string expected;
      for (std::size_t k = 0; k < lines[i].size(); ++k) {
        if (k > 0) expected += "\r\n" + std::string(place.Column, ' ');
        expected += lines[i][k];
      }
      all = std::string_view(entry).substr(place.Start, place.End - place.Start) == expected;
    }
    if (all) found.push_back(static_cast<int>(index));
  }
  return found;
}

void TLogFile::Save() {
  if (read_only_) throw EWriteError("Cannot write the log file \"%s\" opened for reading only", file_name_);
  if (file_name_.empty()) throw EWriteError("Cannot write a log that has no file");
  std::vector<std::string> entries;
  // A file that is no log is never written over: it goes aside and the save is made again. Another
  // program that keeps writing the file under that name ends the tries.
  for (int tries = 0;; ++tries) {
    try {
      ReplaceFileLocked(file_name_, [this, &entries](std::string current) {
        entries = SplitLogText(current);
        if (!IsLogText(current, entries)) throw TNoLogText();
        for (const TAddedEntry& added : added_) AddTrimmed(entries, added.Text, added.MaxCount);
        return JoinLogText(entries);
      });
      break;
    } catch (const TNoLogText&) {
      if (tries == 2) throw EWriteError("Cannot write the log file \"%s\": another program keeps writing it", file_name_);
      SetAsideUnlessLog(file_name_, kept_aside_name_);
    }
  }
  // Only a save that went through takes the file's entries; a failed one can be tried again.
  entries_ = std::move(entries);
  added_.clear();
}

std::string TLogFile::GetEntryField(std::string_view ID, int Index) const {
  if (Index < 0 || Index >= GetCount()) return {};
  const std::string& entry = entries_[static_cast<std::size_t>(Index)];
  return ReadLogField(entry, FindLogField(entry, ID));
}

std::string TLogFile::GetText() const { return JoinLogText(entries_); }

const std::string& TLogFile::GetEntry(int Index) const {
  if (Index < 0 || Index >= GetCount()) throw EStringListError("List index out of bounds (%d)", Index);
  return entries_[static_cast<std::size_t>(Index)];
}

void TLogFile::SaveToXML(const std::string& FileName) const {
  WriteFileBytes(FileName, LogToXML(entries_, password_));
}

}  // namespace lab
