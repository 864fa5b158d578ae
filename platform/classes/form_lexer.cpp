#include "platform/classes/form_lexer.h"

#include <charconv>

#include "platform/rtl/strutils.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/utf8.h"

namespace lab::detail {

namespace {

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

bool TToken::IsIdent(std::string_view Word) const noexcept {
  return Kind == TTokenKind::Ident && SameText(Text, Word);
}

TFormLexer::TFormLexer(std::string_view Text) : text_(Text) {
  // A UTF-8 byte order mark may lead the text.
  if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
  current_ = Scan();
}

const TToken& TFormLexer::Peek() {
  if (!has_next_) {
    next_ = Scan();
    has_next_ = true;
  }
  return next_;
}

TToken TFormLexer::Next() {
  TToken previous = std::move(current_);
  if (has_next_) {
    current_ = std::move(next_);
    has_next_ = false;
  } else {
    current_ = Scan();
  }
  return previous;
}

void TFormLexer::Error(int Line) const { throw EReadError("Line %d: Invalid stream format", Line); }

void TFormLexer::SkipBlanks() {
  while (!AtEnd()) {
    const char c = text_[pos_];
    if (c == '\n') {
      ++line_;
    } else if (c == '\r') {
      ++line_;
      if (At(1) == '\n') ++pos_;
    } else if (c != ' ' && c != '\t' && c != '\f' && c != '\v') {
      return;
    }
    ++pos_;
  }
}

TToken TFormLexer::Scan() {
  SkipBlanks();
  TToken t;
  t.Line = line_;
  if (AtEnd()) return t;
  const char c = text_[pos_];
  if (IsIdentStart(c)) {
    t.Kind = TTokenKind::Ident;
    // Dotted names ("Title.Font.Name", "Frame1.Button1") are one token.
    while (true) {
      const std::size_t start = pos_;
      while (!AtEnd() && IsIdentChar(text_[pos_])) ++pos_;
      t.Text.append(text_.substr(start, pos_ - start));
      if (At(0) == '.' && IsIdentStart(At(1))) {
        t.Text += '.';
        ++pos_;
        continue;
      }
      break;
    }
  } else if (c == '\'' || c == '#') {
    ScanString(t);
  } else if (IsDigit(c) || c == '$' || (c == '-' && (IsDigit(At(1)) || At(1) == '$'))) {
    ScanNumber(t);
  } else if (c == '{') {
    ScanBinary(t);
  } else if (std::string_view("=:[](),<>").find(c) != std::string_view::npos) {
    t.Kind = TTokenKind::Symbol;
    t.Symbol = c;
    ++pos_;
  } else {
    Error(line_);
  }
  return t;
}

// 'quoted' pieces ('' for a quote) and #nnn code points, without blanks between; a '+' joins the
// next line's pieces.
void TFormLexer::ScanString(TToken& t) {
  t.Kind = TTokenKind::String;
  while (true) {
    const char c = At(0);
    if (c == '\'') {
      ++pos_;
      while (true) {
        if (AtEnd() || text_[pos_] == '\n' || text_[pos_] == '\r') Error(line_);
        if (text_[pos_] == '\'') {
          if (At(1) == '\'') {
            t.Text += '\'';
            pos_ += 2;
            continue;
          }
          ++pos_;
          break;
        }
        t.Text += text_[pos_++];
      }
    } else if (c == '#') {
      ++pos_;
      std::uint64_t code = 0;
      const char* first = text_.data() + pos_;
      const char* last = text_.data() + text_.size();
      std::from_chars_result r;
      if (At(0) == '$') {
        ++first;
        r = std::from_chars(first, last, code, 16);
      } else {
        r = std::from_chars(first, last, code, 10);
      }
      if (r.ec != std::errc() || r.ptr == first || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        Error(line_);
      pos_ = static_cast<std::size_t>(r.ptr - text_.data());
      Utf8Append(t.Text, static_cast<char32_t>(code));
    } else {
      // A '+' continues the string on the next piece.
      const std::size_t save_pos = pos_;
      const int save_line = line_;
      SkipBlanks();
      if (At(0) == '+') {
        ++pos_;
        SkipBlanks();
        if (At(0) == '\'' || At(0) == '#') continue;
        Error(line_);
      }
      pos_ = save_pos;
      line_ = save_line;
      return;
    }
  }
}

void TFormLexer::ScanNumber(TToken& t) {
  const std::size_t start = pos_;
  const bool negative = At(0) == '-';
  if (negative) ++pos_;
  if (At(0) == '$') {
    ++pos_;
    const std::size_t digits = pos_;
    while (HexValue(At(0)) >= 0) ++pos_;
    std::uint64_t value = 0;
    const auto r = std::from_chars(text_.data() + digits, text_.data() + pos_, value, 16);
    if (digits == pos_ || r.ec != std::errc()) Error(line_);
    t.Kind = TTokenKind::Integer;
    t.Int = static_cast<std::int64_t>(negative ? 0 - value : value);
  } else {
    while (IsDigit(At(0))) ++pos_;
    bool is_float = false;
    if (At(0) == '.' && IsDigit(At(1))) {
      is_float = true;
      ++pos_;
      while (IsDigit(At(0))) ++pos_;
    }
    if ((At(0) == 'e' || At(0) == 'E') &&
        (IsDigit(At(1)) || ((At(1) == '+' || At(1) == '-') && IsDigit(At(2))))) {
      is_float = true;
      pos_ += 2;
      while (IsDigit(At(0))) ++pos_;
    }
    const char* first = text_.data() + start;
    const char* last = text_.data() + pos_;
    if (is_float) {
      t.Kind = TTokenKind::Float;
      const auto r = std::from_chars(first, last, t.Float);
      if (r.ec != std::errc() || r.ptr != last) Error(line_);
    } else {
      t.Kind = TTokenKind::Integer;
      const auto r = std::from_chars(first, last, t.Int);
      if (r.ec != std::errc() || r.ptr != last) Error(line_);
    }
  }
  if (IsIdentChar(At(0))) Error(line_);
}

void TFormLexer::ScanBinary(TToken& t) {
  t.Kind = TTokenKind::Binary;
  ++pos_;
  int high = -1;
  while (true) {
    SkipBlanks();
    if (AtEnd()) Error(line_);
    const char c = text_[pos_++];
    if (c == '}') break;
    const int v = HexValue(c);
    if (v < 0) Error(line_);
    if (high < 0) {
      high = v;
    } else {
      t.Text += static_cast<char>(high * 16 + v);
      high = -1;
    }
  }
  if (high >= 0) Error(line_);
}

}  // namespace lab::detail
