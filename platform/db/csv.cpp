// Reading and writing comma-separated text with locale-independent values.
#include "platform/db/csv.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/db/db_errors.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/numbers.h"
#include "platform/rtl/strutils.h"

namespace lab {

bool TCsvReader::ReadLine(std::vector<TCsvField>& Fields) {
  Fields.clear();
  if (i_ >= s_.size()) return false;
  line_ = next_line_;
  TCsvField field;
  for (;;) {
    if (i_ < s_.size() && s_[i_] == '"' && field.Text.empty() && !field.Quoted) {
      field.Quoted = true;
      ++i_;
      for (;;) {
        if (i_ >= s_.size()) DatabaseError(Format("Line %d: a quoted field is not closed", line_));
        const char c = s_[i_++];
        if (c == '"') {
          if (i_ < s_.size() && s_[i_] == '"') {
            field.Text += '"';
            ++i_;
            continue;
          }
          break;
        }
        if (c == '\n') ++next_line_;
        field.Text += c;
      }
      continue;
    }
    if (i_ >= s_.size() || s_[i_] == '\n' || (s_[i_] == '\r' && (i_ + 1 >= s_.size() || s_[i_ + 1] == '\n'))) {
      Fields.push_back(std::move(field));
      if (i_ < s_.size()) i_ += s_[i_] == '\r' ? 2 : 1;
      ++next_line_;
      return true;
    }
    if (s_[i_] == ',') {
      Fields.push_back(std::move(field));
      field = TCsvField();
      ++i_;
      continue;
    }
    if (field.Quoted) DatabaseError(Format("Line %d: text follows a closing quote", line_));
    field.Text += s_[i_++];
  }
}

void CsvAppendField(std::string& Out, std::string_view Text, bool ForceQuotes) {
  const bool quote = ForceQuotes || Text.find_first_of(",\"\r\n") != std::string_view::npos ||
                     (!Text.empty() && (Text.front() == ' ' || Text.back() == ' ' || Text.front() == '\t'));
  if (!quote) {
    Out += Text;
    return;
  }
  Out += '"';
  for (char c : Text) {
    if (c == '"') Out += '"';
    Out += c;
  }
  Out += '"';
}

namespace {

const TFormatSettings& Invariant() {
  static const TFormatSettings settings;  // '.' decimals
  return settings;
}

std::string DateText(TDateTime d) {
  int y, m, day;
  DecodeDate(d, y, m, day);
  return Format("%.4d-%.2d-%.2d", y, m, day);
}

std::string TimeText(TDateTime d) {
  int h, n, s, ms;
  DecodeTime(d, h, n, s, ms);
  return ms ? Format("%.2d:%.2d:%.2d.%.3d", h, n, s, ms) : Format("%.2d:%.2d:%.2d", h, n, s);
}

bool ReadDate(std::string_view t, TDateTime& d) {
  int y, m, day;
  char tail;
  const std::string text(t);
  if (std::sscanf(text.c_str(), "%d-%d-%d%c", &y, &m, &day, &tail) != 3) return false;
  return TryEncodeDate(y, m, day, d);
}

bool ReadTime(std::string_view t, TDateTime& d) {
  int h = 0, n = 0, s = 0, ms = 0;
  char tail;
  const std::string text(t);
  const int got = std::sscanf(text.c_str(), "%d:%d:%d.%d%c", &h, &n, &s, &ms, &tail);
  if (got != 3 && got != 4) {
    if (std::sscanf(text.c_str(), "%d:%d%c", &h, &n, &tail) != 2) return false;
    s = ms = 0;
  }
  return TryEncodeTime(h, n, s, ms, d);
}

}  // namespace

std::string CsvValueText(TFieldType Type, const Variant& Value) {
  if (VarIsNull(Value) || VarIsEmpty(Value)) return {};
  switch (Type) {
    case ftFloat: {
      char buf[32];
      const auto r = std::to_chars(buf, buf + sizeof buf, Value.AsDouble());
      return std::string(buf, r.ptr);
    }
    case ftCurrency: return CurrToStr(Value.AsCurrency(), Invariant());
    case ftBoolean: return Value.AsBoolean() ? "True" : "False";
    case ftDate: return DateText(Value.AsDateTime());
    case ftTime: return TimeText(Value.AsDateTime());
    case ftDateTime: {
      const TDateTime d = Value.AsDateTime();
      return DateText(d) + " " + TimeText(d);
    }
    case ftBlob: {
      static constexpr char kHex[] = "0123456789ABCDEF";
      const std::string bytes = Value.AsString();
      std::string out;
      for (unsigned char c : bytes) {
        out += kHex[c >> 4];
        out += kHex[c & 15];
      }
      return out;
    }
    default: return Value.AsString();
  }
}

TConvertResult CsvReadValue(TFieldType Type, const TCsvField& Field, Variant& Out) {
  const std::string& t = Field.Text;
  const bool text_type = Type == ftString || Type == ftMemo;
  if (t.empty() && !(Field.Quoted && text_type)) {
    Out = Null();
    return TConvertResult::Ok;
  }
  switch (Type) {
    case ftFloat: {
      double d;
      const auto r = std::from_chars(t.data(), t.data() + t.size(), d);
      if (r.ec != std::errc() || r.ptr != t.data() + t.size()) {
        if (t == "INF" || t == "-INF" || t == "NAN") return ConvertFieldValue(Type, Variant(t), Out, Invariant());
        return TConvertResult::BadValue;
      }
      Out = Variant(d);
      return TConvertResult::Ok;
    }
    case ftDate: case ftTime: case ftDateTime: {
      TDateTime d = 0, time = 0;
      bool ok;
      if (Type == ftDate) {
        ok = ReadDate(t, d);
      } else if (Type == ftTime) {
        ok = ReadTime(t, d);
      } else {
        const std::size_t gap = t.find_first_of(" T");
        ok = ReadDate(t.substr(0, gap), d) && (gap == std::string::npos || ReadTime(t.substr(gap + 1), time));
        if (ok) d = d < 0 ? d - time : d + time;  // before 1899 the fraction still counts forward
      }
      if (!ok) return TConvertResult::BadValue;
      Out = VarFromDateTime(d);
      return TConvertResult::Ok;
    }
    case ftBlob: {
      if (t.size() % 2) return TConvertResult::BadValue;
      std::string bytes;
      for (std::size_t i = 0; i < t.size(); i += 2) {
        unsigned value;
        const auto r = std::from_chars(t.data() + i, t.data() + i + 2, value, 16);
        if (r.ec != std::errc() || r.ptr != t.data() + i + 2) return TConvertResult::BadValue;
        bytes += static_cast<char>(value);
      }
      Out = Variant(std::move(bytes));
      return TConvertResult::Ok;
    }
    default:
      return ConvertFieldValue(Type, Variant(t), Out, Invariant());
  }
}

}  // namespace lab
