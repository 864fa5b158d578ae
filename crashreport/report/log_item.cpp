#include "crashreport/report/log_item.h"

#include <algorithm>

#include "crashreport/codec/text_utils.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/utf8.h"

namespace lab {
namespace {

// A group's title line: its first ":" is its last or second-to-last character.
bool IsTitleLine(std::string_view Line) {
  const std::size_t colon = Line.find(':');
  return colon != std::string_view::npos && colon + 2 >= Line.size();
}

// The 1-based character position of the first ": ", 0 when there is none.
std::size_t ColonColumn(std::string_view Line) {
  const std::size_t at = Line.find(": ");
  return at == std::string_view::npos ? 0 : Utf8Length(Line.substr(0, at)) + 1;
}

}  // namespace

std::vector<std::string> FormatLogValueLines(std::string_view Value) {
  if (Value.find_first_of("\r\n") == std::string_view::npos) return {std::string(Value)};
  const std::string escaped = ReplaceAllText(Value, ": ", ":_");
  std::vector<std::string> lines;
  for (std::string_view line : SplitLines(escaped))
    lines.emplace_back(Trim(line).empty() ? std::string_view(".") : line);
  return lines;
}

std::string_view LogValueLineText(std::string_view Line, std::size_t Column) {
  std::size_t blanks = 0;
  while (blanks < Column && blanks < Line.size() && Line[blanks] == ' ') ++blanks;
  return Line.substr(blanks);
}

TLogItem::TLogItem(std::int32_t FirstGroup) : first_group_(FirstGroup) { Clear(); }

void TLogItem::Clear() {
  text_.clear();
  group_number_ = first_group_;
  item_number_ = 0;
}

void TLogItem::AddGroup(std::string_view Title) {
  ++group_number_;
  item_number_ = 0;
  if (!text_.empty()) text_ += "\r\n\r\n";
  text_ += Title;
  text_ += ":\r\n-";
}

void TLogItem::AddItem(std::string_view Label, std::string_view Value, bool Enabled) {
  ++item_number_;
  if (!Enabled) return;
  text_ += "\r\n  ";
  text_ += std::to_string(group_number_) + "." + std::to_string(item_number_) + " ";
  text_ += Label;
  text_ += ": ";
  const std::vector<std::string> lines = FormatLogValueLines(Value);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text_ += "\r\n ";
    text_ += lines[i];
  }
}

std::string TLogItem::GetText() const {
  if (text_.empty()) return {};
  std::vector<std::string_view> lines = SplitLines(text_);
  lines.emplace_back();  // the sentinel that ends the last group
  std::vector<std::string> out;
  out.reserve(lines.size());
  std::size_t i = 0;
  while (i < lines.size()) {
    if (!IsTitleLine(lines[i])) {
      out.emplace_back(lines[i++]);
      continue;
    }
    std::size_t end = i + 1;
    while (end < lines.size() && !lines[end].empty()) ++end;
    // Lines i + 2 .. end - 1 are items and their continuation lines (i + 1 is the underline).
    std::size_t column = 0;
    for (std::size_t k = i + 2; k < end; ++k) column = std::max(column, ColonColumn(lines[k]));
    if (column == 0) {
      i = end + 1;  // no item shown: the group goes, with the empty line after it
      continue;
    }
    std::vector<std::string> block;
    block.emplace_back(lines[i]);
    block.emplace_back();
    std::size_t longest = Utf8Length(lines[i]);
    for (std::size_t k = i + 2; k < end; ++k) {
      std::string line(lines[k]);
      const std::size_t at = ColonColumn(line);
      if (at > 0)
        line.insert(line.find(": "), column - at, ' ');
      else
        line.insert(0, column, ' ');
      longest = std::max(longest, Utf8Length(line));
      block.push_back(std::move(line));
    }
    block[1].assign(longest, '-');
    for (std::string& line : block) out.push_back(std::move(line));
    if (end < lines.size()) out.emplace_back();
    i = end + 1;
  }
  if (!out.empty() && out.back().empty()) out.pop_back();  // the sentinel
  std::string text;
  for (const std::string& line : out) text += line + "\r\n";
  return text;
}

}  // namespace lab
