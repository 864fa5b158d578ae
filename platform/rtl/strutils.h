#pragma once
// Text routines on UTF-8 strings. The Ansi* routines follow the locale (ICU collation and case
// mapping); the others are ordinal and fold only ASCII letters, as the framework's are.

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/format.h"
#include "platform/rtl/set.h"

namespace lab {

// ---- Locale comparison and case (ICU) ----
// Collation of the process locale (LC_ALL, LC_COLLATE, then LANG; C, POSIX or none mean the root
// collation). Answers negative, 0 or positive.
int AnsiCompareText(std::string_view S1, std::string_view S2);  // without case
// With case; strings that collate alike but differ are then ordered by code point, so only equal
// strings answer 0.
int AnsiCompareStr(std::string_view S1, std::string_view S2);
// As AnsiCompareStr, for texts the caller knows to be well-formed UTF-8 (Utf8WellFormed): the
// collator reads them without their being checked again.
int AnsiCompareWellFormedStr(std::string_view S1, std::string_view S2);
bool AnsiSameText(std::string_view S1, std::string_view S2);
// Appends S's sort key to Key: byte strings whose unsigned order (a prefix first) is AnsiCompareStr's
// order, so sorting many strings asks the collator once per string instead of once per comparison.
void AnsiSortKey(std::string_view S, std::string& Key);
// The first Count bytes of AnsiSortKey(S) (all of it when shorter), made without the rest of the
// key: only as much of S is collated as those bytes need.
std::string AnsiSortKeyPrefix(std::string_view S, std::size_t Count);
// One code point to one (ICU simple mapping), so lengths in code points never change. Bytes that
// are not well-formed UTF-8 are kept as they are.
std::string AnsiUpperCase(std::string_view S);
std::string AnsiLowerCase(std::string_view S);

// ---- Ordinal comparison and ASCII case ----
// Byte order, which is code point order for UTF-8. Answers the difference at the first differing
// byte, else the difference in length.
int CompareStr(std::string_view S1, std::string_view S2);
// As CompareStr with 'a'..'z' taken as 'A'..'Z'.
int CompareText(std::string_view S1, std::string_view S2);
bool SameText(std::string_view S1, std::string_view S2);
std::string UpperCase(std::string_view S);
std::string LowerCase(std::string_view S);

// ---- Trimming: characters up to and including the blank (controls and spaces) go ----
std::string Trim(std::string_view S);
std::string TrimLeft(std::string_view S);
std::string TrimRight(std::string_view S);

// ---- Integers as text ----
std::string IntToStr(std::int64_t Value);
// Upper-case hex, at least Digits digits; a negative value shows in the width of its type
// (8 digits for 32-bit types, 16 for 64-bit ones).
template <std::integral T>
std::string IntToHex(T Value, int Digits) {
  return Format("%.*x", Digits, Value);
}

// Leading blanks, then an optional sign, then decimal digits or "$" (or "0x") and hex digits; nothing
// may follow. A hex value may use all bits of the type (so "$FFFFFFFF" is -1 for 32 bits); a decimal
// one must fit. Anything else raises EConvertError "'<S>' is not a valid integer value".
std::int32_t StrToInt(std::string_view S);
std::int64_t StrToInt64(std::string_view S);
std::int32_t StrToIntDef(std::string_view S, std::int32_t Default);
bool TryStrToInt(std::string_view S, std::int32_t& Value);
bool TryStrToInt64(std::string_view S, std::int64_t& Value);

// ---- Quoting ----
// S between single quotes, inner quotes doubled.
std::string QuotedStr(std::string_view S);
std::string AnsiQuotedStr(std::string_view S, char Quote);
// The text of a string quoted with Quote (doubled quotes made single, anything after the closing
// quote dropped); S itself when it does not start with Quote or its quote is never closed.
std::string AnsiDequotedStr(std::string_view S, char Quote);

// ---- Replacing ----
enum TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = TSet<TReplaceFlag>;
// Replaces the first (or, with rfReplaceAll, every) OldPattern in S by NewPattern. rfIgnoreCase
// matches as AnsiUpperCase would fold. An empty OldPattern changes nothing.
std::string StringReplace(std::string_view S, std::string_view OldPattern,
                          std::string_view NewPattern, TReplaceFlags Flags = {});

// ---- Line breaks ----
// Every line break made CR LF: CR LF stays, a lone CR or a lone LF becomes CR LF (LF CR is two breaks).
std::string AdjustLineBreaks(std::string_view S);

}  // namespace lab
