#pragma once
// TLogItem builds the numbered header of a report: group titles, each underlined, and numbered
// "label: value" lines whose values line up within their group. The log file's readers find the
// fields again by this layout.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/object.h"

namespace lab {

class TLogItem : public TObject {
  LAB_CLASS(TLogItem, TObject)
 public:
  // FirstGroup is the number before the first group's (the first group is FirstGroup + 1).
  explicit TLogItem(std::int32_t FirstGroup = 0);

  void Clear();
  // Starts the next group.
  void AddGroup(std::string_view Title);
  // Counts the item in the current group and writes it when Enabled, so an item keeps its number
  // whether or not the items before it are shown.
  void AddItem(std::string_view Label, std::string_view Value, bool Enabled);
  // The finished header: values aligned per group, each title underlined as long as the group's
  // longest line, groups without a shown item left out, every line ending in CR LF.
  std::string GetText() const;

  // The header as built, before alignment.
  const std::string& Text() const noexcept { return text_; }
  std::int32_t GroupNumber() const noexcept { return group_number_; }
  std::int32_t ItemNumber() const noexcept { return item_number_; }
  std::int32_t FirstGroup() const noexcept { return first_group_; }

 private:
  std::string text_;
  std::int32_t group_number_ = 0;
  std::int32_t item_number_ = 0;
  std::int32_t first_group_ = 0;
};

// The lines of an item's value as the header stores them: a value with line breaks (CR LF, LF or a
// lone CR) has every ": " written ":_" and every blank line written "."; a value without breaks is
// one line, unchanged.
std::vector<std::string> FormatLogValueLines(std::string_view Value);
// A later line of a value whose first line starts at Column (in characters), as the header wrote
// it: without the blanks that put it under the value (at most Column), so the value's own
// indentation stays.
std::string_view LogValueLineText(std::string_view Line, std::size_t Column);

}  // namespace lab
