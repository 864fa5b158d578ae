#include "platform/controls/dialog_template.h"

#include <cctype>
#include <charconv>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/classes/resources.h"
#include "platform/controls/common_controls.h"
#include "platform/controls/standard_controls.h"
#include "platform/controls/window_styles.h"
#include "platform/rtl/strutils.h"

namespace lab {

using namespace win;

namespace {

const std::map<std::string_view, DWORD>& StyleNames() {
  static const std::map<std::string_view, DWORD> names = {
      {"WS_OVERLAPPED", WS_OVERLAPPED}, {"WS_POPUP", WS_POPUP}, {"WS_CHILD", WS_CHILD},
      {"WS_VISIBLE", WS_VISIBLE}, {"WS_DISABLED", WS_DISABLED}, {"WS_CLIPSIBLINGS", WS_CLIPSIBLINGS},
      {"WS_CLIPCHILDREN", WS_CLIPCHILDREN}, {"WS_CAPTION", WS_CAPTION}, {"WS_BORDER", WS_BORDER},
      {"WS_DLGFRAME", WS_DLGFRAME}, {"WS_VSCROLL", WS_VSCROLL}, {"WS_HSCROLL", WS_HSCROLL},
      {"WS_SYSMENU", WS_SYSMENU}, {"WS_THICKFRAME", WS_THICKFRAME}, {"WS_GROUP", WS_GROUP},
      {"WS_TABSTOP", WS_TABSTOP}, {"WS_MINIMIZEBOX", WS_MINIMIZEBOX}, {"WS_MAXIMIZEBOX", WS_MAXIMIZEBOX},
      {"WS_EX_DLGMODALFRAME", WS_EX_DLGMODALFRAME}, {"WS_EX_TOPMOST", WS_EX_TOPMOST},
      {"WS_EX_TOOLWINDOW", WS_EX_TOOLWINDOW}, {"WS_EX_CLIENTEDGE", WS_EX_CLIENTEDGE},
      {"WS_EX_STATICEDGE", WS_EX_STATICEDGE}, {"WS_EX_RIGHT", WS_EX_RIGHT},
      {"WS_EX_CONTROLPARENT", WS_EX_CONTROLPARENT}, {"DS_SETFONT", DS_SETFONT},
      {"DS_MODALFRAME", DS_MODALFRAME}, {"DS_CENTER", DS_CENTER}, {"BS_PUSHBUTTON", BS_PUSHBUTTON},
      {"BS_DEFPUSHBUTTON", BS_DEFPUSHBUTTON}, {"BS_CHECKBOX", BS_CHECKBOX},
      {"BS_AUTOCHECKBOX", BS_AUTOCHECKBOX}, {"BS_3STATE", BS_3STATE}, {"BS_AUTO3STATE", BS_AUTO3STATE},
      {"BS_LEFTTEXT", BS_LEFTTEXT}, {"BS_MULTILINE", BS_MULTILINE}, {"BS_FLAT", BS_FLAT},
      {"SS_LEFT", SS_LEFT}, {"SS_CENTER", SS_CENTER}, {"SS_RIGHT", SS_RIGHT},
      {"SS_LEFTNOWORDWRAP", SS_LEFTNOWORDWRAP}, {"SS_BITMAP", SS_BITMAP}, {"SS_ETCHEDHORZ", SS_ETCHEDHORZ},
      {"SS_ETCHEDVERT", SS_ETCHEDVERT}, {"SS_ETCHEDFRAME", SS_ETCHEDFRAME}, {"SS_NOPREFIX", SS_NOPREFIX},
      {"SS_CENTERIMAGE", SS_CENTERIMAGE}, {"ES_LEFT", ES_LEFT}, {"ES_MULTILINE", ES_MULTILINE},
      {"ES_AUTOVSCROLL", ES_AUTOVSCROLL}, {"ES_AUTOHSCROLL", ES_AUTOHSCROLL}, {"ES_NOHIDESEL", ES_NOHIDESEL},
      {"ES_READONLY", ES_READONLY}, {"ES_WANTRETURN", ES_WANTRETURN}, {"PBS_SMOOTH", PBS_SMOOTH},
      {"LVS_REPORT", LVS_REPORT}, {"LVS_SINGLESEL", LVS_SINGLESEL}, {"LVS_SHOWSELALWAYS", LVS_SHOWSELALWAYS},
      {"LVS_OWNERDRAWFIXED", LVS_OWNERDRAWFIXED}, {"LVS_NOSORTHEADER", LVS_NOSORTHEADER},
  };
  return names;
}

// The statements of one line, read token by token.
class TLineReader {
 public:
  TLineReader(std::string_view Name, std::string_view Line, int Number) : name_(Name), line_(Line), number_(Number) {}

  [[noreturn]] void Fail(std::string_view What) const {
    throw EDialogTemplateError("%s, line %d: %s", std::string(name_).c_str(), number_, std::string(What).c_str());
  }

  void SkipBlanks() {
    while (pos_ < line_.size() && (line_[pos_] == ' ' || line_[pos_] == '\t' || line_[pos_] == '\r')) ++pos_;
  }
  bool AtEnd() {
    SkipBlanks();
    return pos_ >= line_.size();
  }
  bool Take(char Ch) {
    SkipBlanks();
    if (pos_ < line_.size() && line_[pos_] == Ch) {
      ++pos_;
      return true;
    }
    return false;
  }
  void Expect(char Ch) {
    if (!Take(Ch)) Fail(std::string("expected '") + Ch + "'");
  }

  std::string Word() {
    SkipBlanks();
    const std::size_t start = pos_;
    while (pos_ < line_.size() && (std::isalnum(static_cast<unsigned char>(line_[pos_])) || line_[pos_] == '_')) ++pos_;
    return std::string(line_.substr(start, pos_ - start));
  }

  int Number() {
    SkipBlanks();
    const bool negative = pos_ < line_.size() && line_[pos_] == '-';
    if (negative) ++pos_;
    int base = 10;
    if (line_.substr(pos_, 2) == "0x" || line_.substr(pos_, 2) == "0X") {
      base = 16;
      pos_ += 2;
    }
    std::uint32_t value = 0;
    const char* first = line_.data() + pos_;
    const auto [end, error] = std::from_chars(first, line_.data() + line_.size(), value, base);
    if (end == first) Fail("expected a number");
    if (error != std::errc() || value > static_cast<std::uint32_t>(std::numeric_limits<int>::max()) + (negative ? 1u : 0u))
      Fail("number out of range");
    pos_ += static_cast<std::size_t>(end - first);
    return negative ? static_cast<int>(-static_cast<std::int64_t>(value)) : static_cast<int>(value);
  }

  std::string Text() {
    SkipBlanks();
    if (pos_ >= line_.size() || line_[pos_] != '"') Fail("expected a quoted text");
    std::string out;
    for (++pos_; pos_ < line_.size(); ++pos_) {
      const char ch = line_[pos_];
      if (ch == '"') {
        ++pos_;
        return out;
      }
      if (ch == '\\' && pos_ + 1 < line_.size()) out += line_[++pos_];
      else out += ch;
    }
    Fail("the text is not closed");
  }

  DWORD Flags() {
    DWORD flags = 0;
    do {
      SkipBlanks();
      if (pos_ < line_.size() && (std::isdigit(static_cast<unsigned char>(line_[pos_])))) {
        flags |= static_cast<DWORD>(Number());
        continue;
      }
      const std::string name = Word();
      if (name.empty()) Fail("expected a style");
      const auto it = StyleNames().find(name);
      if (it == StyleNames().end()) Fail("no such style: " + name);
      flags |= it->second;
    } while (Take('|'));
    return flags;
  }

  TRect Place() {
    const int x = Number();
    Expect(',');
    const int y = Number();
    Expect(',');
    const int cx = Number();
    Expect(',');
    const int cy = Number();
    if (cx < 0 || cy < 0) Fail("a size below 0");
    // In 64 bits: the far edges must fit in an int too.
    if (static_cast<std::int64_t>(x) + cx > std::numeric_limits<int>::max() ||
        static_cast<std::int64_t>(y) + cy > std::numeric_limits<int>::max())
      Fail("number out of range");
    return Bounds(x, y, cx, cy);
  }

 private:
  std::string_view name_;
  std::string_view line_;
  int number_;
  std::size_t pos_ = 0;
};

}  // namespace

TDialogTemplate ParseDialogTemplate(std::string_view Text, std::string_view Name) {
  TDialogTemplate result;
  bool started = false;
  int number = 0;
  while (!Text.empty()) {
    const std::size_t eol = Text.find('\n');
    const std::string_view line = Text.substr(0, eol);
    Text = eol == std::string_view::npos ? std::string_view() : Text.substr(eol + 1);
    TLineReader reader(Name, line, ++number);
    if (reader.AtEnd() || reader.Take('#')) continue;
    const std::string keyword = reader.Word();
    if (keyword.empty()) reader.Fail("expected a statement");
    if (!started && keyword != "DIALOG") reader.Fail("DIALOG must come first");
    if (keyword == "DIALOG") {
      if (started) reader.Fail("a second DIALOG");
      started = true;
      result.Bounds = reader.Place();
    } else if (keyword == "STYLE") {
      result.Style = reader.Flags();
    } else if (keyword == "EXSTYLE") {
      result.ExStyle = reader.Flags();
    } else if (keyword == "CAPTION") {
      result.Caption = reader.Text();
    } else if (keyword == "FONT") {
      result.FontSize = reader.Number();
      if (result.FontSize <= 0) reader.Fail("a font size must be above 0");
      reader.Expect(',');
      result.FontName = reader.Text();
    } else if (keyword == "CONTROL") {
      TDialogItemTemplate item;
      item.Text = reader.Text();
      reader.Expect(',');
      item.ID = reader.Number();
      reader.Expect(',');
      item.ClassName = reader.Text();
      reader.Expect(',');
      item.Style = reader.Flags() | WS_CHILD | WS_VISIBLE;
      reader.Expect(',');
      item.Bounds = reader.Place();
      if (reader.Take(',')) item.ExStyle = reader.Flags();
      result.Items.push_back(std::move(item));
    } else {
      reader.Fail("no such statement: " + keyword);
    }
    if (!reader.AtEnd()) reader.Fail("more after the statement");
  }
  if (!started) throw EDialogTemplateError("%s: no DIALOG statement", std::string(Name).c_str());
  return result;
}

const TDialogTemplate* FindDialogTemplate(std::string_view Name) {
  static std::mutex mutex;
  static auto* cache = new std::map<std::string, std::unique_ptr<TDialogTemplate>>;
  const std::string key = UpperCase(Name);
  std::lock_guard lock(mutex);
  if (const auto it = cache->find(key); it != cache->end()) return it->second.get();
  const auto* resource = FindResource(Name, "DIALOG");
  if (!resource) return nullptr;
  auto parsed = std::make_unique<TDialogTemplate>(ParseDialogTemplate(
      std::string_view(reinterpret_cast<const char*>(resource->Data), resource->Size), "Dialog template " + key));
  return cache->emplace(key, std::move(parsed)).first->second.get();
}

}  // namespace lab
