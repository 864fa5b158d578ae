#include "platform/controls/rich_text.h"

#include <algorithm>
#include <array>

#include "platform/rtl/arith.h"
#include "platform/rtl/utf8.h"

namespace lab {
namespace {

constexpr std::size_t kMaxTabStops = 256;
constexpr int kMaxHalfPoints = 3276;

// Code page 1252 from 0x80 to 0x9F (0 where it has no character; those pass as Latin-1).
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

char32_t FromCp1252(std::uint8_t Byte) {
  if (Byte >= 0x80 && Byte < 0xA0 && kCp1252High[Byte - 0x80]) return kCp1252High[Byte - 0x80];
  return Byte;
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Groups whose text is no part of the document.
bool IsIgnoredDestination(std::string_view Word) {
  static constexpr std::string_view kWords[] = {
      "stylesheet", "info",     "pict",      "object",        "header",    "footer",       "headerl", "headerr",
      "headerf",    "footerl",  "footerr",   "footerf",       "footnote",  "listtable",    "listoverridetable",
      "rsidtbl",    "generator", "xmlnstbl", "themedata",     "colorschememapping", "datastore", "latentstyles",
      "fldinst",    "filetbl",  "revtbl",    "pgdsctbl",      "bkmkstart", "bkmkend"};
  return std::find(std::begin(kWords), std::end(kWords), Word) != std::end(kWords);
}

class TRtfReader {
 public:
  explicit TRtfReader(std::string_view Text) : in_(Text) {}

  TRichText Read() {
    text_.Colors.clear();
    stack_.push_back(TState{});
    while (pos_ < in_.size() && !stack_.empty()) {
      const char c = in_[pos_++];
      switch (c) {
        case '{': OpenGroup(); break;
        case '}': CloseGroup(); break;
        case '\\': ControlWord(); break;
        case '\r':
        case '\n': break;
        default: Character(FromCp1252(static_cast<std::uint8_t>(c)), true); break;
      }
    }
    if (stack_.empty()) stack_.push_back(outermost_);  // the text ended with its group
    if (!paragraph_.Runs.empty()) EndParagraph();
    if (text_.Colors.empty()) text_.Colors.push_back(clDefault);
    ResolveFonts();
    return std::move(text_);
  }

 private:
  enum TDestination : std::uint8_t { dText, dFontTable, dColorTable, dIgnored };
  struct TState {
    TRichFormat Format;
    int SkipCount = 1;  // characters after "\uN" that stand for it
    TDestination Destination = dText;
    bool FirstWord = true;  // nothing read in the group yet: a destination may be named
  };
  TState& State() { return stack_.back(); }

  void OpenGroup() {
    skip_ = 0;
    if (stack_.size() >= static_cast<std::size_t>(kMaxRichTextDepth)) {
      ++overflow_;
      return;
    }
    stack_.push_back(State());
    State().FirstWord = true;
  }

  void CloseGroup() {
    skip_ = 0;
    if (overflow_ > 0) {
      --overflow_;
      return;
    }
    if (State().Destination == dFontTable) EndFontEntry();
    if (stack_.size() == 1) outermost_ = State();
    stack_.pop_back();  // the outermost group's end ends the text
  }

  // A parameter: an optional "-" and at most 10 digits, clamped to an int.
  bool Parameter(int& Value) {
    const bool negative = pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() && IsDigit(in_[pos_ + 1]);
    if (negative) ++pos_;
    if (pos_ >= in_.size() || !IsDigit(in_[pos_])) return false;
    long long v = 0;
    for (int n = 0; pos_ < in_.size() && IsDigit(in_[pos_]); ++pos_, ++n)
      if (n < 10) v = v * 10 + (in_[pos_] - '0');
    v = negative ? -v : v;
    Value = SaturateCast<int>(v);
    return true;
  }

  void ControlWord() {
    if (pos_ >= in_.size()) return;
    const char c = in_[pos_];
    if (!IsLetter(c)) {
      ++pos_;
      ControlSymbol(c);
      return;
    }
    const std::size_t start = pos_;
    while (pos_ < in_.size() && IsLetter(in_[pos_]) && pos_ - start < 32) ++pos_;
    const std::string_view word = in_.substr(start, pos_ - start);
    while (pos_ < in_.size() && IsLetter(in_[pos_])) ++pos_;  // a word too long to be one
    int value = 0;
    const bool has_value = Parameter(value);
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
    Apply(word, has_value, value);
  }

  void ControlSymbol(char c) {
    switch (c) {
      case '\'': {
        const int high = pos_ < in_.size() ? HexValue(in_[pos_]) : -1;
        const int low = pos_ + 1 < in_.size() ? HexValue(in_[pos_ + 1]) : -1;
        if (high < 0 || low < 0) return;
        pos_ += 2;
        Character(FromCp1252(static_cast<std::uint8_t>(high * 16 + low)), true);
        return;
      }
      case '\\':
      case '{':
      case '}': Character(static_cast<char32_t>(c), true); return;
      case '~': Character(0xA0, true); return;
      case '_': Character('-', true); return;
      case '*':
        if (State().FirstWord) State().Destination = dIgnored;
        return;
      case '\r':
      case '\n': Apply("par", false, 0); return;
      default: return;  // "\-" and the symbols of no meaning here
    }
  }

  void Apply(std::string_view Word, bool HasValue, int Value) {
    TState& s = State();
    const bool first = s.FirstWord;
    s.FirstWord = false;
    if (first && Word == "fonttbl") {
      s.Destination = dFontTable;
      return;
    }
    if (first && Word == "colortbl") {
      s.Destination = dColorTable;
      text_.Colors.clear();
      component_seen_ = false;
      red_ = green_ = blue_ = 0;
      return;
    }
    if (first && IsIgnoredDestination(Word)) s.Destination = dIgnored;
    if (s.Destination == dIgnored) return;
    if (s.Destination == dFontTable) {
      if (Word == "f" && HasValue) {
        EndFontEntry();
        font_number_ = Value;
        font_open_ = true;
      } else if (Word == "fcharset" && HasValue) {
        font_charset_ = Value;
      }
      return;
    }
    if (s.Destination == dColorTable) {
      const int v = std::clamp(Value, 0, 255);
      if (Word == "red") red_ = v, component_seen_ = true;
      else if (Word == "green") green_ = v, component_seen_ = true;
      else if (Word == "blue") blue_ = v, component_seen_ = true;
      return;
    }
    TRichFormat& f = s.Format;
    if (Word == "deff" && HasValue) default_font_ = f.Font = Value;
    else if (Word == "f" && HasValue) f.Font = Value;
    else if (Word == "fs" && HasValue) f.HalfPoints = std::clamp(Value, 2, kMaxHalfPoints);
    else if (Word == "cf" && HasValue) f.Color = std::max(Value, 0);
    else if (Word == "b") f.Bold = !HasValue || Value != 0;
    else if (Word == "plain") f = TRichFormat{default_font_};
    else if (Word == "par" || Word == "line") EndParagraph();
    else if (Word == "pard") tabs_.clear();
    else if (Word == "tx" && HasValue && tabs_.size() < kMaxTabStops) tabs_.push_back(std::max(Value, 0));
    else if (Word == "tab") Character('\t', false);
    else if (Word == "uc" && HasValue) s.SkipCount = std::clamp(Value, 0, 16);
    else if (Word == "u" && HasValue) Unicode(static_cast<char32_t>(static_cast<std::uint16_t>(Value)));
  }

  void Unicode(char32_t Unit) {
    const int skip = State().SkipCount;
    if (Unit >= 0xD800 && Unit < 0xDC00) {
      Character(0, false);  // a high half waiting before this one stands alone
      high_surrogate_ = Unit;
    } else if (Unit >= 0xDC00 && Unit < 0xE000) {
      const char32_t high = high_surrogate_;
      high_surrogate_ = 0;
      Character(high ? 0x10000 + ((high - 0xD800) << 10) + (Unit - 0xDC00) : 0xFFFD, false);
    } else {
      Character(Unit, false);
    }
    skip_ = skip;
  }

  // A character of the text (0: none, only the end of a waiting high half); Skippable ones may stand
  // for the "\uN" before them.
  void Character(char32_t C, bool Skippable) {
    if (Skippable && skip_ > 0) {
      --skip_;
      return;
    }
    if (high_surrogate_) {
      high_surrogate_ = 0;
      Character(0xFFFD, false);
    }
    if (C == 0) return;
    if (C < 0x20 && C != '\t') return;  // control characters are no text; breaks come from \par
    TState& s = State();
    s.FirstWord = false;
    switch (s.Destination) {
      case dIgnored: return;
      case dFontTable:
        if (C == ';') {
          EndFontEntry();
        } else if (font_open_) {
          Utf8Append(font_name_, C);
        }
        return;
      case dColorTable:
        if (C == ';') {
          text_.Colors.push_back(component_seen_ ? static_cast<TColor>(RGB(red_, green_, blue_)) : clDefault);
          component_seen_ = false;
          red_ = green_ = blue_ = 0;
        }
        return;
      case dText: break;
    }
    if (paragraph_.Runs.empty() || !(paragraph_.Runs.back().Format == s.Format))
      paragraph_.Runs.push_back(TRichRun{s.Format, {}});
    Utf8Append(paragraph_.Runs.back().Text, C);
  }

  void EndFontEntry() {
    if (!font_open_) return;
    font_open_ = false;
    std::string name = font_name_;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    font_numbers_.push_back(font_number_);
    text_.Fonts.push_back(TRichFont{std::move(name), font_charset_});
    font_name_.clear();
    font_charset_ = 0;
  }

  void EndParagraph() {
    if (State().Destination != dText) return;
    std::vector<int> tabs = tabs_;
    std::sort(tabs.begin(), tabs.end());
    tabs.erase(std::unique(tabs.begin(), tabs.end()), tabs.end());
    paragraph_.TabStops = std::move(tabs);
    paragraph_.EndFormat = State().Format;
    text_.Paragraphs.push_back(std::move(paragraph_));
    paragraph_ = TRichParagraph{};
  }

  // Font numbers become places in the font table; a number it lacks is the view's own font.
  void ResolveFonts() {
    const auto index = [&](int Number) {
      const auto it = std::find(font_numbers_.begin(), font_numbers_.end(), Number);
      return it == font_numbers_.end() ? -1 : static_cast<int>(it - font_numbers_.begin());
    };
    for (TRichParagraph& p : text_.Paragraphs) {
      for (TRichRun& run : p.Runs) run.Format.Font = index(run.Format.Font);
      p.EndFormat.Font = index(p.EndFormat.Font);
    }
  }

  std::string_view in_;
  std::size_t pos_ = 0;
  std::vector<TState> stack_;
  TState outermost_;  // as the outermost group ended
  int overflow_ = 0;  // groups opened past the depth limit
  TRichText text_;
  TRichParagraph paragraph_;
  std::vector<int> tabs_;
  int default_font_ = 0;
  int skip_ = 0;
  char32_t high_surrogate_ = 0;
  std::vector<int> font_numbers_;  // parallel to text_.Fonts
  bool font_open_ = false;
  int font_number_ = 0, font_charset_ = 0;
  std::string font_name_;
  bool component_seen_ = false;
  int red_ = 0, green_ = 0, blue_ = 0;
};

}  // namespace

std::string TRichText::PlainText() const {
  std::string text;
  for (std::size_t i = 0; i < Paragraphs.size(); ++i) {
    if (i > 0) text += "\r\n";
    for (const TRichRun& run : Paragraphs[i].Runs) text += run.Text;
  }
  return text;
}

TRichText ReadRichText(std::string_view Rtf) {
  const std::size_t start = Rtf.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos || !Rtf.substr(start).starts_with("{\\rtf")) return PlainRichText(Rtf);
  return TRtfReader(Rtf.substr(start)).Read();
}

TRichText PlainRichText(std::string_view Text) {
  TRichText text;
  TRichParagraph paragraph;
  paragraph.EndFormat.Font = -1;
  for (std::size_t from = 0; from <= Text.size();) {
    std::size_t end = Text.find_first_of("\r\n", from);
    if (end == std::string_view::npos) end = Text.size();
    paragraph.Runs.clear();
    std::string line;
    for (char32_t c : Utf8Decode(Text.substr(from, end - from)))
      if (c >= 0x20 || c == '\t') Utf8Append(line, c);
    if (!line.empty()) paragraph.Runs.push_back(TRichRun{TRichFormat{-1}, std::move(line)});
    if (end == Text.size()) {
      if (!paragraph.Runs.empty()) text.Paragraphs.push_back(paragraph);
      break;
    }
    text.Paragraphs.push_back(paragraph);
    from = end + (Text.substr(end).starts_with("\r\n") ? 2 : 1);
  }
  return text;
}

}  // namespace lab
