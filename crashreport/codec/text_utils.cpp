#include "crashreport/codec/text_utils.h"

#include "platform/rtl/string_list.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/utf8.h"

namespace lab {

int PosFrom(std::string_view SubText, std::string_view Text, int Start) {
  if (Start < 1 || SubText.empty()) return 0;
  const std::size_t at = Text.find(SubText, static_cast<std::size_t>(Start - 1));
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

std::string ReplaceAllText(std::string_view Text, std::string_view Pattern, std::string_view Replacement) {
  if (Pattern.empty()) return std::string(Text);
  std::string out;
  out.reserve(Text.size());
  std::size_t from = 0;
  for (std::size_t at; (at = Text.find(Pattern, from)) != std::string_view::npos; from = at + Pattern.size()) {
    out.append(Text.substr(from, at - from));
    out.append(Replacement);
  }
  out.append(Text.substr(from));
  return out;
}

void SplitToStrings(std::string_view Separators, std::string_view Text, TStrings* List) {
  std::size_t from = Text.find_first_not_of(Separators);
  if (from == std::string_view::npos) return;
  for (std::size_t at; (at = Text.find_first_of(Separators, from)) != std::string_view::npos; from = at + 1)
    List->Add(Trim(Text.substr(from, at - from)));
  std::string last = Trim(Text.substr(from));
  if (!last.empty()) List->Add(last);
}

std::string MakeSingleLine(std::string_view Text) {
  std::string out;
  out.reserve(Text.size());
  bool in_run = false;
  for (char c : Text) {
    if (static_cast<unsigned char>(c) < 32) {
      if (!in_run) out += ' ';
      in_run = true;
    } else {
      out += c;
      in_run = false;
    }
  }
  return out;
}

std::string PadRight(std::string_view Text, int Width) {
  std::string out(Text);
  const std::size_t length = Utf8Length(Text);
  if (Width > 0 && length < static_cast<std::size_t>(Width))
    out.append(static_cast<std::size_t>(Width) - length, ' ');
  return out;
}

std::string HTMLEncode(std::string_view Text) {
  std::string s = ReplaceAllText(Text, "&", "&amp;");
  s = ReplaceAllText(s, "\"", "&quot;");
  s = ReplaceAllText(s, "'", "&#039;");
  s = ReplaceAllText(s, "<", "&lt;");
  s = ReplaceAllText(s, ">", "&gt;");
  s = ReplaceAllText(s, "  ", "&nbsp;&nbsp;");
  return ReplaceAllText(s, "\r\n", "<br>\r\n");
}

std::vector<std::string_view> SplitLines(std::string_view Text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] != '\r' && Text[i] != '\n') continue;
    lines.push_back(Text.substr(start, i - start));
    if (Text[i] == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  lines.push_back(Text.substr(start));
  return lines;
}

}  // namespace lab
