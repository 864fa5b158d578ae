#include "editor/text_routines.h"

#include <unicode/uchar.h>
#include <unicode/uscript.h>

#include <algorithm>
#include <cstdint>

#include "platform/rtl/arith.h"

namespace lab {

namespace {

// Both expanders fill to the next stop with tab characters; Stop answers the fill for a column.
template <class Stop>
std::u32string ExpandWith(std::u32string_view Line, bool& HasTabs, Stop stop) {
  const std::size_t first = Line.find(U'\t');
  HasTabs = first != std::u32string_view::npos;
  if (!HasTabs) return std::u32string(Line);
  std::u32string out(Line.substr(0, first));
  out.reserve(Line.size() + 16);
  for (std::size_t i = first; i < Line.size(); ++i) {
    const char32_t c = Line[i];
    if (c == U'\t')
      out.append(static_cast<std::size_t>(stop(out.size())), U'\t');
    else
      out.push_back(c);
  }
  return out;
}

}  // namespace

TConvertTabsProc GetBestConvertTabsProc(int TabWidth) {
  if (TabWidth < 2) return &ConvertTabs1;
  for (int n = 2; n <= 65536; n <<= 1)
    if (n == TabWidth) return &ConvertTabsPowerOfTwo;
  return &ConvertTabs;
}

std::u32string ConvertTabs1(std::u32string_view Line, int /*TabWidth*/, bool& HasTabs) {
  std::u32string out(Line);
  HasTabs = false;
  for (char32_t& c : out)
    if (c == U'\t') {
      c = U' ';
      HasTabs = true;
    }
  return out;
}

std::u32string ConvertTabsPowerOfTwo(std::u32string_view Line, int TabWidth, bool& HasTabs) {
  const std::size_t mask = static_cast<std::size_t>(TabWidth) - 1;
  return ExpandWith(Line, HasTabs, [&](std::size_t column) { return TabWidth - (column & mask); });
}

std::u32string ConvertTabs(std::u32string_view Line, int TabWidth, bool& HasTabs) {
  if (TabWidth < 1) TabWidth = 1;  // a zero width would divide by zero
  const std::size_t width = static_cast<std::size_t>(TabWidth);
  return ExpandWith(Line, HasTabs, [&](std::size_t column) { return width - column % width; });
}

namespace {

template <class Chars>
std::int64_t ExpandedLengthOf(const Chars& S, int TabWidth) {
  const std::int64_t width = std::max(TabWidth, 1);
  std::int64_t column = 0;
  for (auto c : S)
    column = c == U'\t' ? column + width - column % width : column + 1;
  return column;
}

template <class Chars>
bool HasTabsIn(const Chars& Line, int& CharsBefore) {
  for (std::size_t i = 0; i < Line.size(); ++i)
    if (Line[i] == U'\t') {
      CharsBefore = static_cast<int>(i);
      return true;
    }
  CharsBefore = static_cast<int>(Line.size());
  return false;
}

}  // namespace

std::int64_t GetExpandedLength(std::u32string_view S, int TabWidth) { return ExpandedLengthOf(S, TabWidth); }

std::int64_t GetExpandedLength(TLineView S, int TabWidth) {
  return S.Visit([&](auto chars) { return ExpandedLengthOf(chars, TabWidth); });
}

int CharIndex2CaretPos(int Index, int TabWidth, std::u32string_view Line) {
  if (Index < 2) return 1;
  int before;
  if (TabWidth < 2 || !GetHasTabs(Line, before) || before >= Index - 1) return Index;
  // Characters past the end of the line count one column each.
  std::int64_t column = before;
  for (int i = before; i < Index - 1; ++i) {
    if (static_cast<std::size_t>(i) < Line.size() && Line[static_cast<std::size_t>(i)] == U'\t')
      column += TabWidth - column % TabWidth;
    else
      ++column;
  }
  return SaturateCast<int>(column + 1);
}

bool GetHasTabs(std::u32string_view Line, int& CharsBefore) {
  const std::size_t at = Line.find(U'\t');
  if (at == std::u32string_view::npos) {
    CharsBefore = static_cast<int>(Line.size());
    return false;
  }
  CharsBefore = static_cast<int>(at);
  return true;
}

bool GetHasTabs(TLineView Line, int& CharsBefore) {
  return Line.Visit([&](auto chars) { return HasTabsIn(chars, CharsBefore); });
}

int StrScanForCharInSet(std::u32string_view Line, int Start, const TCodeCharSet& Chars) {
  if (Start < 1) Start = 1;
  for (std::size_t i = static_cast<std::size_t>(Start) - 1; i < Line.size(); ++i)
    if (Chars.Contains(Line[i])) return static_cast<int>(i) + 1;
  return 0;
}

int StrRScanForCharInSet(std::u32string_view Line, int Start, const TCodeCharSet& Chars) {
  if (Start > static_cast<int>(Line.size())) Start = static_cast<int>(Line.size());
  for (int i = Start; i >= 1; --i)
    if (Chars.Contains(Line[static_cast<std::size_t>(i) - 1])) return i;
  return 0;
}

bool IsWideChar(char32_t C) {
  if (C < 0x1100) return false;  // nothing below the Hangul jamo is wide
  const int width = u_getIntPropertyValue(static_cast<UChar32>(C), UCHAR_EAST_ASIAN_WIDTH);
  return width == U_EA_WIDE || width == U_EA_FULLWIDTH;
}

int StrScanForMultiByteChar(std::u32string_view Line, int Start) {
  if (Start < 1) Start = 1;
  for (std::size_t i = static_cast<std::size_t>(Start) - 1; i < Line.size(); ++i)
    if (IsWideChar(Line[i])) return static_cast<int>(i) + 1;
  return 0;
}

int StrRScanForMultiByteChar(std::u32string_view Line, int Start) {
  if (Start > static_cast<int>(Line.size())) Start = static_cast<int>(Line.size());
  for (int i = Start; i >= 1; --i)
    if (IsWideChar(Line[static_cast<std::size_t>(i) - 1])) return i;
  return 0;
}

const char32_t* GetEOL(const char32_t* P) {
  while (*P != 0 && *P != U'\n' && *P != U'\r') ++P;
  return P;
}

std::uint16_t GetCharTypeFlags(char32_t C) {
  const UChar32 c = static_cast<UChar32>(C);
  std::uint16_t flags = 0;
  const int category = u_charType(c);
  const std::uint32_t mask = U_MASK(category);
  // Marks count as letters, so a decomposed accent never splits its word; for the same reason the
  // mark and diacritic flags are left out.
  if (u_isalpha(c) || (mask & U_GC_M_MASK)) flags |= C3_ALPHA;
  if (mask & (U_GC_P_MASK | U_GC_S_MASK)) flags |= C3_SYMBOL;
  flags |= IsWideChar(C) ? C3_FULLWIDTH : C3_HALFWIDTH;
  if (C >= 0x3000) {
    UErrorCode error = U_ZERO_ERROR;
    const UScriptCode script = uscript_getScript(c, &error);
    if (script == USCRIPT_KATAKANA) flags |= C3_KATAKANA;
    if (script == USCRIPT_HIRAGANA) flags |= C3_HIRAGANA;
    if (u_hasBinaryProperty(c, UCHAR_IDEOGRAPHIC)) flags |= C3_IDEOGRAPH;
  }
  return flags;
}

int CharTypeClass(std::uint16_t Flags) {
  if (Flags == C3_SYMBOL) return 9;
  if (Flags & C3_HALFWIDTH) {
    if (Flags == C3_HALFWIDTH || Flags == (C3_HALFWIDTH | C3_ALPHA)) return 1;
    if (Flags & (C3_SYMBOL | C3_LEXICAL)) return 2;
    if (Flags & C3_KATAKANA) return 3;
    return 0;
  }
  if (Flags == C3_FULLWIDTH || Flags == (C3_FULLWIDTH | C3_ALPHA)) return 4;
  if (Flags & (C3_SYMBOL | C3_LEXICAL)) return 5;
  if (Flags & C3_KATAKANA) return 6;
  if (Flags & C3_HIRAGANA) return 7;
  if (Flags & C3_IDEOGRAPH) return 8;
  return 0;
}

}  // namespace lab
