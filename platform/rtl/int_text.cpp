// Integers to and from text.
#include <limits>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strutils.h"

namespace lab {

namespace {

inline int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Parses S for a signed integer of Bits bits.
template <int Bits>
bool ParseInteger(std::string_view s, std::int64_t& value) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == s.size()) return false;
  // Decimal values must fit the signed range; hex ones may use every bit of the type.
  const std::uint64_t all = Bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << Bits) - 1;
  const std::uint64_t limit = base == 16 ? all : (all >> 1) + (negative ? 1 : 0);
  std::uint64_t magnitude = 0;
  for (; i < s.size(); ++i) {
    const int d = HexDigit(s[i]);
    if (d < 0 || d >= base) return false;
    if (magnitude > (limit - static_cast<unsigned>(d)) / static_cast<unsigned>(base)) return false;
    magnitude = magnitude * static_cast<unsigned>(base) + static_cast<unsigned>(d);
  }
  if (negative) magnitude = ~magnitude + 1;
  // Two's complement in the type's width.
  if constexpr (Bits == 64)
    value = static_cast<std::int64_t>(magnitude);
  else
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude));
  return true;
}

[[noreturn]] void NotAnInteger(std::string_view s) {
  throw EConvertError("'%s' is not a valid integer value", s);
}

}  // namespace

std::string IntToStr(std::int64_t Value) { return std::to_string(Value); }

bool TryStrToInt64(std::string_view S, std::int64_t& Value) { return ParseInteger<64>(S, Value); }

bool TryStrToInt(std::string_view S, std::int32_t& Value) {
  std::int64_t v;
  if (!ParseInteger<32>(S, v)) return false;
  Value = static_cast<std::int32_t>(v);
  return true;
}

std::int32_t StrToInt(std::string_view S) {
  std::int32_t v;
  if (!TryStrToInt(S, v)) NotAnInteger(S);
  return v;
}

std::int64_t StrToInt64(std::string_view S) {
  std::int64_t v;
  if (!TryStrToInt64(S, v)) NotAnInteger(S);
  return v;
}

std::int32_t StrToIntDef(std::string_view S, std::int32_t Default) {
  std::int32_t v;
  return TryStrToInt(S, v) ? v : Default;
}

}  // namespace lab
