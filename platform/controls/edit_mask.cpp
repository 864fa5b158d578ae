#include "platform/controls/edit_mask.h"

#include <unicode/uchar.h>

#include <algorithm>

#include "platform/rtl/format_settings.h"
#include "platform/rtl/utf8.h"

namespace lab {

TEditMask::TEditMask(std::string_view Mask)
    : TEditMask(Mask, static_cast<unsigned char>(FormatSettings.DateSeparator),
                static_cast<unsigned char>(FormatSettings.TimeSeparator)) {}

TEditMask::TEditMask(std::string_view Mask, char32_t DateSeparator, char32_t TimeSeparator) {
  Parse(Mask, DateSeparator, TimeSeparator);
}

void TEditMask::Parse(std::string_view Mask, char32_t DateSeparator, char32_t TimeSeparator) {
  const std::u32string m = Utf8Decode(Mask);
  // The fields: the last ';' that is not escaped ends the character mask's options.
  std::size_t end = m.size();
  std::vector<std::size_t> separators;
  for (std::size_t i = 0; i < m.size(); ++i) {
    if (m[i] == U'\\') {
      ++i;
      continue;
    }
    if (m[i] == U';') separators.push_back(i);
  }
  if (!separators.empty()) {
    end = separators.front();
    const std::size_t saveAt = separators[0] + 1;
    const std::size_t saveEnd = separators.size() > 1 ? separators[1] : m.size();
    if (saveAt < saveEnd) save_literals_ = m[saveAt] != U'0';
    if (separators.size() > 1 && separators[1] + 1 < m.size()) blank_ = m[separators[1] + 1];
  }

  TCase mode = TCase::None;
  for (std::size_t i = 0; i < end; ++i) {
    const char32_t c = m[i];
    TSlot s;
    s.Case = mode;
    switch (c) {
      case U'!': leading_blanks_ = true; continue;
      case U'>': mode = TCase::Upper; continue;
      case U'<':
        if (i + 1 < end && m[i + 1] == U'>') {  // "<>": no case change
          mode = TCase::None;
          ++i;
        } else {
          mode = TCase::Lower;
        }
        continue;
      case U'\\':
        if (++i >= end) continue;
        s.Literal = m[i];
        break;
      case U'L': s.Kind = TMaskCharKind::Letter; s.Required = true; break;
      case U'l': s.Kind = TMaskCharKind::Letter; break;
      case U'A': s.Kind = TMaskCharKind::AlphaNumeric; s.Required = true; break;
      case U'a': s.Kind = TMaskCharKind::AlphaNumeric; break;
      case U'C': s.Kind = TMaskCharKind::Any; s.Required = true; break;
      case U'c': s.Kind = TMaskCharKind::Any; break;
      case U'0': s.Kind = TMaskCharKind::Digit; s.Required = true; break;
      case U'9': s.Kind = TMaskCharKind::Digit; break;
      case U'#': s.Kind = TMaskCharKind::DigitOrSign; break;
      case U':': s.Literal = TimeSeparator; break;
      case U'/': s.Literal = DateSeparator; break;
      case U'_': s.Literal = U' '; break;
      default: s.Literal = c; break;
    }
    slots_.push_back(s);
  }
}

bool TEditMask::IsLiteral(std::int32_t Pos) const {
  return Pos < 0 || Pos >= Length() || slots_[static_cast<std::size_t>(Pos)].Kind == TMaskCharKind::Literal;
}

TMaskCharKind TEditMask::Kind(std::int32_t Pos) const {
  if (Pos < 0 || Pos >= Length()) return TMaskCharKind::Literal;
  return slots_[static_cast<std::size_t>(Pos)].Kind;
}

bool TEditMask::Required(std::int32_t Pos) const {
  return Pos >= 0 && Pos < Length() && slots_[static_cast<std::size_t>(Pos)].Required;
}

char32_t TEditMask::Accept(std::int32_t Pos, char32_t Ch) const {
  if (IsLiteral(Pos) || Ch < U' ') return 0;
  const TSlot& s = slots_[static_cast<std::size_t>(Pos)];
  const UChar32 c = static_cast<UChar32>(Ch);
  bool fits = false;
  switch (s.Kind) {
    case TMaskCharKind::Letter: fits = u_isalpha(c); break;
    case TMaskCharKind::AlphaNumeric: fits = u_isalnum(c); break;
    case TMaskCharKind::Any: fits = true; break;
    case TMaskCharKind::Digit: fits = Ch >= U'0' && Ch <= U'9'; break;
    case TMaskCharKind::DigitOrSign: fits = (Ch >= U'0' && Ch <= U'9') || Ch == U'+' || Ch == U'-'; break;
    case TMaskCharKind::Literal: break;
  }
  if (!fits) return 0;
  if (s.Case == TCase::Upper) return static_cast<char32_t>(u_toupper(c));
  if (s.Case == TCase::Lower) return static_cast<char32_t>(u_tolower(c));
  return Ch;
}

std::u32string TEditMask::EmptyEditText() const {
  std::u32string t;
  t.reserve(slots_.size());
  for (const TSlot& s : slots_) t.push_back(s.Kind == TMaskCharKind::Literal ? s.Literal : blank_);
  return t;
}

std::u32string TEditMask::FormatText(std::u32string_view Value, bool WithLiterals) const {
  std::u32string t = EmptyEditText();
  std::u32string value(Value);
  if (!WithLiterals && leading_blanks_) {
    // Fewer characters than positions: the missing ones are the leading optional blanks.
    std::size_t editable = 0;
    for (const TSlot& s : slots_) editable += s.Kind != TMaskCharKind::Literal;
    if (value.size() < editable) value.insert(0, editable - value.size(), U' ');
  }
  std::size_t j = 0;
  for (std::int32_t p = 0; p < Length() && j < value.size(); ++p) {
    const TSlot& s = slots_[static_cast<std::size_t>(p)];
    if (s.Kind == TMaskCharKind::Literal) {
      if (WithLiterals && value[j] == s.Literal) ++j;
      continue;
    }
    const char32_t ch = value[j++];
    if (ch == U' ' || ch == blank_) continue;
    if (const char32_t c = Accept(p, ch)) t[static_cast<std::size_t>(p)] = c;
  }
  return t;
}

std::u32string TEditMask::EnteredText(std::u32string_view EditText) const {
  std::u32string out;
  for (std::int32_t p = 0; p < Length() && p < static_cast<std::int32_t>(EditText.size()); ++p) {
    if (IsLiteral(p)) continue;
    const char32_t c = EditText[static_cast<std::size_t>(p)];
    out.push_back(c == blank_ ? U' ' : c);
  }
  return out;
}

std::u32string TEditMask::TextOf(std::u32string_view EditText) const {
  auto at = [&](std::int32_t p) -> char32_t {
    const char32_t c = p < static_cast<std::int32_t>(EditText.size()) ? EditText[static_cast<std::size_t>(p)] : blank_;
    return c == blank_ ? U' ' : c;
  };
  std::u32string out;
  for (std::int32_t p = 0; p < Length();) {
    const TSlot& s = slots_[static_cast<std::size_t>(p)];
    if (s.Kind == TMaskCharKind::Literal) {
      if (save_literals_) out.push_back(s.Literal);
      ++p;
    } else if (s.Required || save_literals_) {
      // With literals saved every character keeps its position.
      out.push_back(at(p++));
    } else {
      // A run of optional positions keeps its entered characters together, its blanks at the
      // end (or, with '!', at the front).
      std::u32string chars;
      std::size_t blanks = 0;
      for (; p < Length() && !IsLiteral(p) && !Required(p); ++p) {
        const char32_t c = at(p);
        if (c == U' ' && Kind(p) != TMaskCharKind::Any) ++blanks; else chars.push_back(c);
      }
      if (leading_blanks_) out.append(blanks, U' ');
      out += chars;
      if (!leading_blanks_) out.append(blanks, U' ');
    }
  }
  return out;
}

bool TEditMask::Insert(std::u32string& EditText, std::int32_t Pos, std::u32string_view Value,
                       std::int32_t& NewPos) const {
  std::u32string t = EditText;
  if (t.size() < slots_.size()) {
    const std::u32string empty = EmptyEditText();
    t += empty.substr(t.size());
  }
  std::int32_t p = std::max(Pos, 0);
  for (const char32_t ch : Value) {
    bool consumed = false;
    while (p < Length() && IsLiteral(p)) {
      consumed = slots_[static_cast<std::size_t>(p)].Literal == ch;
      ++p;
      if (consumed) break;
    }
    if (consumed) continue;
    if (p >= Length()) return false;
    char32_t c = Accept(p, ch);
    // A blank typed into an optional position empties it.
    if (c == 0 && (ch == U' ' || ch == blank_) && !Required(p)) c = blank_;
    if (c == 0) return false;
    t[static_cast<std::size_t>(p++)] = c;
  }
  EditText = std::move(t);
  NewPos = NextEditable(p);
  return true;
}

std::int32_t TEditMask::FirstInvalid(std::u32string_view EditText) const {
  for (std::int32_t p = 0; p < Length(); ++p) {
    if (IsLiteral(p)) continue;
    const char32_t c = p < static_cast<std::int32_t>(EditText.size()) ? EditText[static_cast<std::size_t>(p)] : blank_;
    if (c == blank_ || (c == U' ' && Kind(p) != TMaskCharKind::Any)) {
      if (Required(p)) return p;
    } else if (Accept(p, c) == 0) {
      return p;
    }
  }
  return -1;
}

std::int32_t TEditMask::NextEditable(std::int32_t Pos) const {
  for (std::int32_t p = std::max(Pos, 0); p < Length(); ++p)
    if (!IsLiteral(p)) return p;
  return Length();
}

std::int32_t TEditMask::PrevEditable(std::int32_t Pos) const {
  for (std::int32_t p = std::min(Pos, Length() - 1); p >= 0; --p)
    if (!IsLiteral(p)) return p;
  return -1;
}

std::string FormatMaskText(std::string_view EditMask, std::string_view Value) {
  const TEditMask mask(EditMask);
  if (mask.IsEmpty()) return std::string(Value);
  // Literals always show here; empty positions are spaces.
  std::u32string t = mask.FormatText(Utf8Decode(Value));
  for (std::int32_t p = 0; p < mask.Length(); ++p)
    if (!mask.IsLiteral(p) && t[static_cast<std::size_t>(p)] == mask.Blank()) t[static_cast<std::size_t>(p)] = U' ';
  return Utf8Encode(t);
}

}  // namespace lab
