#pragma once
// Text routines that the line list, the painter and the editing commands share. Lines are UTF-32, so
// every position is a code point index; positions handed in and out are 1-based as the editor's are.

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "editor/line_string.h"

namespace lab {

// ---- Tab expansion ----

// Expands the tabs of Line for TabWidth; HasTabs answers whether Line held any.
using TConvertTabsProc = std::u32string (*)(std::u32string_view Line, int TabWidth, bool& HasTabs);

// ConvertTabs1 below 2, ConvertTabsPowerOfTwo for a power of two up to 65536, else ConvertTabs.
TConvertTabsProc GetBestConvertTabsProc(int TabWidth);
// Each tab becomes one blank.
std::u32string ConvertTabs1(std::u32string_view Line, int TabWidth, bool& HasTabs);
// Each tab becomes as many tab characters as reach the next multiple of TabWidth (at least one), so
// the painter can draw them as blank cells; the power-of-two form finds the stop with a mask.
std::u32string ConvertTabsPowerOfTwo(std::u32string_view Line, int TabWidth, bool& HasTabs);
std::u32string ConvertTabs(std::u32string_view Line, int TabWidth, bool& HasTabs);

// The widest tab the line list and the editor take: a line of 2^30 characters then spans at most
// 2^46 cells, so widths are counted in 64 bits.
constexpr int kMaxTabWidth = 65536;

// Display length of S: a tab advances to the next multiple of TabWidth, any other character by one.
// A TabWidth below 1 counts as 1.
std::int64_t GetExpandedLength(std::u32string_view S, int TabWidth);
std::int64_t GetExpandedLength(TLineView S, int TabWidth);
// Display column (1-based) of character Index (1-based) of Line; a column past the int range answers
// the largest int.
int CharIndex2CaretPos(int Index, int TabWidth, std::u32string_view Line);
// True when Line holds a tab; CharsBefore answers the characters before the first one.
bool GetHasTabs(std::u32string_view Line, int& CharsBefore);
bool GetHasTabs(TLineView Line, int& CharsBefore);

// ---- Small helpers ----

constexpr int MinMax(int Value, int Min, int Max) {
  if (Value > Max) Value = Max;
  if (Value < Min) Value = Min;
  return Value;
}
inline void SwapInt(int& A, int& B) { std::swap(A, B); }

// ---- Character sets and scans ----

// A set of the code points 0..255, as the word-break and identifier sets are; no code point above
// 255 is a member.
class TCodeCharSet {
 public:
  TCodeCharSet() = default;
  // The characters of Chars (each below 256).
  explicit TCodeCharSet(std::u32string_view Chars) {
    for (char32_t c : Chars) Include(c);
  }
  // Every code point from First to Last.
  static TCodeCharSet Range(char32_t First, char32_t Last) {
    TCodeCharSet s;
    for (char32_t c = First; c <= Last && c < 256; ++c) s.Include(c);
    return s;
  }

  bool Contains(char32_t C) const { return C < 256 && bits_[C]; }
  void Include(char32_t C) {
    if (C < 256) bits_.set(C);
  }
  void Exclude(char32_t C) {
    if (C < 256) bits_.reset(C);
  }
  bool Empty() const { return bits_.none(); }
  friend bool operator==(const TCodeCharSet&, const TCodeCharSet&) = default;

 private:
  std::bitset<256> bits_;
};

// First position >= Start (1-based) whose character is in Chars; 0 when none. A Start below 1 counts
// as 1.
int StrScanForCharInSet(std::u32string_view Line, int Start, const TCodeCharSet& Chars);
// Last position <= Start whose character is in Chars; 0 when none. A Start past the end counts as the
// last character.
int StrRScanForCharInSet(std::u32string_view Line, int Start, const TCodeCharSet& Chars);

// Wide characters (East Asian wide and full-width) take the part that double-byte characters play in
// the word operations: each is a word of its own.
bool IsWideChar(char32_t C);
// First wide character at or after Start, last one at or before Start; 0 when none.
int StrScanForMultiByteChar(std::u32string_view Line, int Start);
int StrRScanForMultiByteChar(std::u32string_view Line, int Start);

// The first NUL, LF or CR at or after P.
const char32_t* GetEOL(const char32_t* P);

// ---- Character types for word bounds ----

// The third class of character-type flags, as the word operations read them.
enum : std::uint16_t {
  C3_NONSPACING = 0x0001,
  C3_DIACRITIC = 0x0002,
  C3_VOWELMARK = 0x0004,
  C3_SYMBOL = 0x0008,
  C3_KATAKANA = 0x0010,
  C3_HIRAGANA = 0x0020,
  C3_HALFWIDTH = 0x0040,
  C3_FULLWIDTH = 0x0080,
  C3_IDEOGRAPH = 0x0100,
  C3_KASHIDA = 0x0200,
  C3_LEXICAL = 0x0400,
  C3_ALPHA = 0x8000,
};

// The flags of one code point, from ICU's properties: letters (and the marks that join them) are
// alphabetic, punctuation and symbols are symbols, East Asian wide and full-width characters are
// full-width and all others half-width, plus the kana and ideograph flags.
std::uint16_t GetCharTypeFlags(char32_t C);
// Sorts type flags into the word classes 0..9: 1 to 3 for half-width letters, symbols and katakana,
// 4 to 8 for full-width letters, symbols, katakana, hiragana and ideographs, 9 for bare symbols.
int CharTypeClass(std::uint16_t Flags);

}  // namespace lab
