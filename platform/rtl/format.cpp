#include "platform/rtl/format.h"

#include <charconv>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/float_text.h"

namespace lab {

TFormatSettings FormatSettings;

namespace {

[[noreturn]] void Invalid(std::string_view format) {
  throw EConvertError("Format '" + std::string(format) + "' invalid or incompatible with argument");
}

std::size_t CodePoints(std::string_view s) {
  std::size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

// The byte length of the first `count` code points of s.
std::size_t PrefixBytes(std::string_view s, std::size_t count) {
  std::size_t i = 0;
  for (; i < s.size(); ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && count-- == 0) break;
  return i;
}

std::string Digits(std::uint64_t v, int base) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v, base);
  std::string s(buf, r.ptr);
  for (char& c : s) c = static_cast<char>(c >= 'a' ? c - 32 : c);
  return s;
}

// A negative integer shown unsigned (%u, %x) wraps in the width of the type that was passed.
std::uint64_t Unsigned(const TFormatArg& a) {
  if (a.kind() == TFormatArg::Kind::UInt) return a.AsUInt();
  const auto v = static_cast<std::uint64_t>(a.AsInt());
  return a.IntSize() >= 8 ? v : v & ((std::uint64_t{1} << (8 * a.IntSize())) - 1);
}

bool IsInteger(const TFormatArg& a) {
  return a.kind() == TFormatArg::Kind::Int || a.kind() == TFormatArg::Kind::UInt;
}

}  // namespace

std::string FormatV(std::string_view format, std::span<const TFormatArg> args,
                    const TFormatSettings& fs) {
  std::string out;
  std::size_t next = 0;
  std::size_t i = 0;
  const std::size_t n = format.size();

  auto arg = [&](std::size_t index) -> const TFormatArg& {
    if (index >= args.size())
      throw EConvertError("No argument for format '" + std::string(format) + "'");
    return args[index];
  };
  // A number, or "*" taking the next argument; -1 when neither is there.
  auto number = [&]() -> long long {
    if (i < n && format[i] == '*') {
      ++i;
      const TFormatArg& a = arg(next++);
      if (!IsInteger(a)) Invalid(format);
      return a.kind() == TFormatArg::Kind::Int ? a.AsInt() : static_cast<long long>(a.AsUInt());
    }
    if (i >= n || format[i] < '0' || format[i] > '9') return -1;
    long long v = 0;
    while (i < n && format[i] >= '0' && format[i] <= '9') {
      v = v * 10 + (format[i++] - '0');
      if (v > 1000000) Invalid(format);
    }
    return v;
  };

  while (i < n) {
    const char c = format[i++];
    if (c != '%') {
      out += c;
      continue;
    }
    if (i < n && format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    long long width = number();
    if (i < n && format[i] == ':') {
      if (width < 0) Invalid(format);
      next = static_cast<std::size_t>(width);
      ++i;
      width = -1;
    }
    bool left = false;
    if (width < 0 && i < n && format[i] == '-') {
      left = true;
      ++i;
    }
    if (width < 0) width = number();
    long long prec = -1;
    if (i < n && format[i] == '.') {
      ++i;
      prec = number();
      if (prec < 0) prec = 0;
    }
    if (i >= n) Invalid(format);
    const char type = static_cast<char>(format[i] >= 'a' ? format[i] - 32 : format[i]);
    ++i;
    const TFormatArg& a = arg(next++);

    std::string text;
    switch (type) {
      case 'D':
      case 'U':
      case 'X': {
        if (!IsInteger(a)) Invalid(format);
        bool negative = false;
        if (type == 'D' && a.kind() == TFormatArg::Kind::Int) {
          negative = a.AsInt() < 0;
          text = Digits(negative ? 0 - static_cast<std::uint64_t>(a.AsInt()) : a.AsInt(), 10);
        } else {
          text = Digits(Unsigned(a), type == 'X' ? 16 : 10);
        }
        if (prec > static_cast<long long>(text.size())) text.insert(0, prec - text.size(), '0');
        if (negative) text.insert(0, 1, '-');
        break;
      }
      case 'E':
      case 'F':
      case 'G':
      case 'N':
      case 'M': {
        if (a.kind() != TFormatArg::Kind::Float) Invalid(format);
        const double v = a.AsFloat();
        if (type == 'E') text = FloatToStrF(v, ffExponent, prec < 0 ? 15 : static_cast<int>(prec), 3, fs);
        else if (type == 'F') text = FloatToStrF(v, ffFixed, 18, prec < 0 ? 2 : static_cast<int>(prec), fs);
        else if (type == 'G') text = FloatToStrF(v, ffGeneral, prec < 0 ? 15 : static_cast<int>(prec), 3, fs);
        else if (type == 'N') text = FloatToStrF(v, ffNumber, 18, prec < 0 ? 2 : static_cast<int>(prec), fs);
        else text = FloatToStrF(v, ffCurrency, 18, prec < 0 ? fs.CurrencyDecimals : static_cast<int>(prec), fs);
        break;
      }
      case 'P': {
        if (a.kind() != TFormatArg::Kind::Pointer) Invalid(format);
        text = Digits(reinterpret_cast<std::uintptr_t>(a.AsPointer()), 16);
        text.insert(0, 16 - text.size(), '0');
        break;
      }
      case 'S': {
        if (a.kind() != TFormatArg::Kind::String) Invalid(format);
        std::string_view s = a.AsString();
        if (prec >= 0) s = s.substr(0, PrefixBytes(s, static_cast<std::size_t>(prec)));
        text = s;
        break;
      }
      default:
        Invalid(format);
    }
    const std::size_t shown = CodePoints(text);
    if (width > static_cast<long long>(shown)) {
      const std::string pad(static_cast<std::size_t>(width) - shown, ' ');
      text = left ? text + pad : pad + text;
    }
    out += text;
  }
  return out;
}

}  // namespace lab
