#include "platform/rtl/strutils.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <vector>

#include "platform/rtl/utf8.h"

namespace lab {

namespace {

inline unsigned char Byte(char c) { return static_cast<unsigned char>(c); }
inline unsigned char AsciiUpper(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }
inline unsigned char AsciiLower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

template <class Fold>
int CompareOrdinal(std::string_view a, std::string_view b, Fold fold) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int d = int(fold(Byte(a[i]))) - int(fold(Byte(b[i])));
    if (d != 0) return d;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

}  // namespace

int CompareStr(std::string_view S1, std::string_view S2) {
  return CompareOrdinal(S1, S2, [](unsigned char c) { return c; });
}

int CompareText(std::string_view S1, std::string_view S2) { return CompareOrdinal(S1, S2, AsciiUpper); }

bool SameText(std::string_view S1, std::string_view S2) {
  return S1.size() == S2.size() && CompareText(S1, S2) == 0;
}

std::string UpperCase(std::string_view S) {
  std::string out(S);
  for (char& c : out) c = static_cast<char>(AsciiUpper(Byte(c)));
  return out;
}

std::string LowerCase(std::string_view S) {
  std::string out(S);
  for (char& c : out) c = static_cast<char>(AsciiLower(Byte(c)));
  return out;
}

std::string TrimLeft(std::string_view S) {
  std::size_t i = 0;
  while (i < S.size() && Byte(S[i]) <= ' ') ++i;
  return std::string(S.substr(i));
}

std::string TrimRight(std::string_view S) {
  std::size_t n = S.size();
  while (n > 0 && Byte(S[n - 1]) <= ' ') --n;
  return std::string(S.substr(0, n));
}

std::string Trim(std::string_view S) {
  std::size_t i = 0, n = S.size();
  while (i < n && Byte(S[i]) <= ' ') ++i;
  while (n > i && Byte(S[n - 1]) <= ' ') --n;
  return std::string(S.substr(i, n - i));
}

std::string QuotedStr(std::string_view S) { return AnsiQuotedStr(S, '\''); }

std::string AnsiQuotedStr(std::string_view S, char Quote) {
  std::string out;
  out.reserve(S.size() + 2);
  out += Quote;
  for (char c : S) {
    if (c == Quote) out += Quote;
    out += c;
  }
  out += Quote;
  return out;
}

std::string AnsiDequotedStr(std::string_view S, char Quote) {
  if (S.empty() || S[0] != Quote) return std::string(S);
  std::string out;
  for (std::size_t i = 1; i < S.size(); ++i) {
    if (S[i] != Quote) {
      out += S[i];
    } else if (i + 1 < S.size() && S[i + 1] == Quote) {
      out += Quote;
      ++i;
    } else {
      return out;
    }
  }
  return std::string(S);  // never closed
}

std::string StringReplace(std::string_view S, std::string_view OldPattern, std::string_view NewPattern,
                          TReplaceFlags Flags) {
  if (OldPattern.empty()) return std::string(S);
  const bool all = Flags.Contains(rfReplaceAll);
  std::string out;
  out.reserve(S.size());
  if (!Flags.Contains(rfIgnoreCase)) {
    std::size_t from = 0;
    for (std::size_t at; (at = S.find(OldPattern, from)) != std::string_view::npos;) {
      out.append(S.substr(from, at - from)).append(NewPattern);
      from = at + OldPattern.size();
      if (!all) break;
    }
    out.append(S.substr(from));
    return out;
  }
  // Without case: match on upper-cased code points, copy the unmatched bytes of S as they are.
  std::u32string text;
  std::vector<std::size_t> offsets;  // byte offset of each code point of S, and the end
  for (std::size_t i = 0; i < S.size();) {
    std::size_t length;
    text += static_cast<char32_t>(u_toupper(static_cast<UChar32>(Utf8At(S, i, &length))));
    offsets.push_back(i);
    i += length;
  }
  offsets.push_back(S.size());
  std::u32string pattern = Utf8Decode(OldPattern);
  for (char32_t& c : pattern) c = static_cast<char32_t>(u_toupper(static_cast<UChar32>(c)));
  std::size_t from = 0;  // in code points
  for (std::size_t at; (at = text.find(pattern, from)) != std::u32string::npos;) {
    out.append(S.substr(offsets[from], offsets[at] - offsets[from])).append(NewPattern);
    from = at + pattern.size();
    if (!all) break;
  }
  out.append(S.substr(offsets[from]));
  return out;
}

std::string AdjustLineBreaks(std::string_view S) {
  std::string out;
  out.reserve(S.size() + S.size() / 32);
  for (std::size_t i = 0; i < S.size(); ++i) {
    const char c = S[i];
    if (c == '\r' || c == '\n') {
      out += "\r\n";
      if (c == '\r' && i + 1 < S.size() && S[i + 1] == '\n') ++i;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace lab
