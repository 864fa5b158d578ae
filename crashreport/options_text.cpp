#include "crashreport/options_text.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <set>

#include "crashreport/options.h"
#include "platform/rtl/format.h"

namespace lab {
namespace {

enum class TKind { Flag, Number, Text };

struct TValue {
  bool Flag = false;
  std::int64_t Number = 0;
  std::string Text;
  int Index = 0;
};

using TSetter = void (*)(TCrashModuleOptions&, const TValue&);

struct TSetting {
  const char* Name;
  TKind Kind;
  std::int64_t Min, Max;  // of a number
  int Count;              // an indexed setting takes indexes 0 to Count - 1; 0: not indexed
  TSetter Set;
};

// A filter list is padded with empty lines up to the line given.
constexpr int kMaxListLines = 1000;

void SetListLine(TStringList& List, const TValue& Value) {
  while (List.Count() <= Value.Index) List.Add("");
  List.SetStrings(Value.Index, Value.Text);
}

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

#define LAB_FLAG(Name) \
  {#Name, TKind::Flag, 0, 1, 0, [](TCrashModuleOptions& o, const TValue& v) { o.Set##Name(v.Flag); }}
#define LAB_NUMBER(Name, Type, Min, Max)                                                       \
  {#Name, TKind::Number, Min, Max, 0,                                                          \
   [](TCrashModuleOptions& o, const TValue& v) { o.Set##Name(static_cast<Type>(v.Number)); }}
#define LAB_TEXT(Name) \
  {#Name, TKind::Text, 0, 0, 0, [](TCrashModuleOptions& o, const TValue& v) { o.Set##Name(v.Text); }}

// Every setting the options stream carries, under its name.
const TSetting kSettings[] = {
    LAB_FLAG(StoredFlag),
    LAB_FLAG(ExceptionFiltersActive),
    LAB_NUMBER(LogFlags, std::uint8_t, 0, 0xFF),
    LAB_FLAG(ReportInMessageBody),
    LAB_FLAG(SaveLogFile),
    LAB_NUMBER(DialogFirstPage, std::uint8_t, 0, 0xFF),
    LAB_FLAG(FreezeActive),
    LAB_NUMBER(FreezeTimeout, std::int32_t, kInt32Min, kInt32Max),
    LAB_TEXT(FreezeMessage),
    LAB_TEXT(SMTPFrom),
    LAB_TEXT(SMTPHost),
    LAB_NUMBER(SMTPPort, std::uint16_t, 0, 0xFFFF),
    LAB_TEXT(SMTPUserID),
    LAB_TEXT(SMTPPassword),
    LAB_NUMBER(TerminateAction, std::uint8_t, 0, 0xFF),
    LAB_FLAG(TerminateAfterErrors),
    LAB_NUMBER(MaxLogEntries, std::int32_t, kInt32Min, kInt32Max),
    LAB_NUMBER(ErrorsBeforeTerminate, std::int32_t, kInt32Min, kInt32Max),
    LAB_TEXT(EmailAddresses),
    LAB_TEXT(EmailSubject),
    LAB_NUMBER(EmailSendMode, std::uint8_t, 0, 3),
    LAB_NUMBER(ReportItems, std::uint64_t, 0, (std::int64_t{1} << 40) - 1),
    LAB_TEXT(LogFilePath),
    LAB_NUMBER(WebSendMode, std::uint8_t, 0, 3),
    LAB_TEXT(WebURL),
    LAB_TEXT(WebUserID),
    LAB_TEXT(WebPassword),
    LAB_NUMBER(WebPort, std::int32_t, 0, 0xFFFF),
    LAB_TEXT(AttachedFiles),
    LAB_NUMBER(SendFlags, std::uint16_t, 0, 0xFFFF),
    LAB_NUMBER(DialogOptions, std::uint8_t, 0, 0xFF),
    LAB_NUMBER(AutoCloseSeconds, std::int32_t, kInt32Min, kInt32Max),
    LAB_TEXT(SupportURL),
    LAB_TEXT(HTMLTemplate),
    LAB_NUMBER(CallStackOptions, std::uint8_t, 0, 0xFF),
    LAB_NUMBER(BehaviourFlags, std::uint8_t, 0, 0xFF),
    LAB_NUMBER(ErrorFrequencyAction, std::uint8_t, 0, 0xFF),
    LAB_NUMBER(ErrorFrequencyCount, std::int32_t, kInt32Min, kInt32Max),
    LAB_NUMBER(ErrorFrequencyMinutes, std::int32_t, kInt32Min, kInt32Max),
    {"ExceptionFilterClasses", TKind::Text, 0, 0, kMaxListLines,
     [](TCrashModuleOptions& o, const TValue& v) { SetListLine(*o.ExceptionFilterClasses(), v); }},
    {"ExceptionFilterSettings", TKind::Text, 0, 0, kMaxListLines,
     [](TCrashModuleOptions& o, const TValue& v) { SetListLine(*o.ExceptionFilterSettings(), v); }},
    LAB_TEXT(EmailMessage),
    {"CustomizedTexts", TKind::Text, 0, 0, kCustomizedTextCount,
     [](TCrashModuleOptions& o, const TValue& v) { o.CustomizedTexts()[static_cast<std::size_t>(v.Index)] = v.Text; }},
};

#undef LAB_FLAG
#undef LAB_NUMBER
#undef LAB_TEXT

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
         });
}

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// The problems of one line, raised with its place.
class TLine {
 public:
  TLine(const std::string& File, int Number) : file_(File), number_(Number) {}
  [[noreturn]] void Fail(std::string_view Name, const std::string& Problem) const {
    throw EOptionsTextError("%s:%d: %s: %s", file_, number_, std::string(Name), Problem);
  }

 private:
  const std::string& file_;
  int number_;
};

bool ParseNumber(std::string_view Text, std::int64_t& Value) {
  bool negative = false;
  if (!Text.empty() && Text.front() == '-') {
    negative = true;
    Text.remove_prefix(1);
  }
  int base = 10;
  if (Text.size() > 2 && Text[0] == '0' && (Text[1] == 'x' || Text[1] == 'X')) {
    base = 16;
    Text.remove_prefix(2);
  }
  std::uint64_t magnitude = 0;
  const auto [end, error] = std::from_chars(Text.data(), Text.data() + Text.size(), magnitude, base);
  if (Text.empty() || error != std::errc() || end != Text.data() + Text.size()) return false;
  if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return false;
  Value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
  return true;
}

// A text as written, or in double quotes with its escapes.
std::string ParseText(std::string_view Raw, std::string_view Name, const TLine& Line) {
  if (Raw.empty() || Raw.front() != '"') return std::string(Raw);
  if (Raw.size() < 2 || Raw.back() != '"') Line.Fail(Name, "the text's closing quote is missing");
  Raw = Raw.substr(1, Raw.size() - 2);
  std::string text;
  for (std::size_t i = 0; i < Raw.size(); ++i) {
    if (Raw[i] == '"') Line.Fail(Name, "a quote inside a quoted text is written \\\"");
    if (Raw[i] != '\\') {
      text += Raw[i];
      continue;
    }
    const char escaped = ++i < Raw.size() ? Raw[i] : '\0';
    switch (escaped) {
      case '"': text += '"'; break;
      case '\\': text += '\\'; break;
      case 'r': text += '\r'; break;
      case 'n': text += '\n'; break;
      case 't': text += '\t'; break;
      default: Line.Fail(Name, "only \\\" \\\\ \\r \\n and \\t stand for a character in a quoted text");
    }
  }
  return text;
}

TValue ParseValue(const TSetting& Setting, std::string_view Raw, std::string_view Name, const TLine& Line) {
  TValue value;
  switch (Setting.Kind) {
    case TKind::Flag:
      if (SameName(Raw, "true")) value.Flag = true;
      else if (!SameName(Raw, "false")) Line.Fail(Name, Format("\"%s\" is neither true nor false", std::string(Raw)));
      break;
    case TKind::Number:
      if (!ParseNumber(Raw, value.Number))
        Line.Fail(Name, Format("\"%s\" is not a whole number", std::string(Raw)));
      if (value.Number < Setting.Min || value.Number > Setting.Max)
        Line.Fail(Name, Format("%s is not between %s and %s", std::string(Raw), std::to_string(Setting.Min),
                               std::to_string(Setting.Max)));
      break;
    case TKind::Text: value.Text = ParseText(Raw, Name, Line); break;
  }
  return value;
}

}  // namespace

void ReadOptionsText(std::string_view Text, const std::string& FileName, TCrashModuleOptions& Options) {
  if (Text.starts_with("\xEF\xBB\xBF")) Text.remove_prefix(3);
  std::set<std::string> given;
  int number = 0;
  while (!Text.empty()) {
    const std::size_t end = std::min(Text.find('\n'), Text.size());
    std::string_view line = Text.substr(0, end);
    Text.remove_prefix(std::min(end + 1, Text.size()));
    ++number;
    if (line.ends_with('\r')) line.remove_suffix(1);
    line = Trim(line);
    if (line.empty() || line.front() == '#') continue;

    const TLine place(FileName, number);
    const std::size_t equals = line.find('=');
    const std::string_view name = Trim(line.substr(0, equals));
    if (equals == std::string_view::npos) place.Fail(name, "\"=\" and a value are missing");
    if (name.empty()) place.Fail(name, "the setting's name is missing");
    // An indexed setting: Name[index].
    std::string_view base = name;
    std::int64_t index = -1;
    if (name.back() == ']') {
      const std::size_t open = name.find('[');
      if (open == std::string_view::npos || !ParseNumber(Trim(name.substr(open + 1, name.size() - open - 2)), index) ||
          index < 0)
        place.Fail(name, "the index in brackets is not a whole number from 0");
      base = Trim(name.substr(0, open));
    }
    const auto setting = std::find_if(std::begin(kSettings), std::end(kSettings),
                                      [&](const TSetting& s) { return SameName(s.Name, base); });
    if (setting == std::end(kSettings)) place.Fail(name, "no such setting");
    if ((setting->Count > 0) != (index >= 0))
      place.Fail(name, setting->Count > 0 ? "an index in brackets is missing" : "the setting takes no index");
    if (setting->Count > 0 && index >= setting->Count)
      place.Fail(name, Format("the index is not below %d", setting->Count));

    const std::string key = std::string(setting->Name) + (index >= 0 ? "[" + std::to_string(index) + "]" : "");
    if (!given.insert(key).second) place.Fail(name, "given twice");
    TValue value = ParseValue(*setting, Trim(line.substr(equals + 1)), name, place);
    value.Index = static_cast<int>(index);
    setting->Set(Options, value);
  }
}

}  // namespace lab
