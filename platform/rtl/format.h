#pragma once
// Format with the framework's specifiers: "%" [index ":"] ["-"] [width] ["." precision] type, where
// type is d, u, e, f, g, n, m, p, s or x, width and precision may be "*", and "%%" is a percent sign.
// A specifier that does not fit its argument raises EConvertError.

#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/rtl/format_settings.h"

namespace lab {

class TFormatArg {
 public:
  enum class Kind { Int, UInt, Float, String, Pointer };

  template <std::signed_integral T>
    requires(!std::same_as<T, char>)
  TFormatArg(T v) : kind_(Kind::Int), int_(v), size_(sizeof(T)) {}
  template <std::unsigned_integral T>
    requires(!std::same_as<T, bool>)
  TFormatArg(T v) : kind_(Kind::UInt), uint_(v), size_(sizeof(T)) {}
  TFormatArg(bool v) : kind_(Kind::Int), int_(v) {}
  TFormatArg(char c) : kind_(Kind::String), char_(c) { str_ = std::string_view(&char_, 1); }
  template <std::floating_point T>
  TFormatArg(T v) : kind_(Kind::Float), float_(static_cast<double>(v)) {}
  TFormatArg(const char* s) : kind_(Kind::String), str_(s ? s : "") {}
  TFormatArg(std::string_view s) : kind_(Kind::String), str_(s) {}
  TFormatArg(const std::string& s) : kind_(Kind::String), str_(s) {}
  TFormatArg(const void* p) : kind_(Kind::Pointer), ptr_(p) {}
  // Arguments live only inside one Format call (a char argument points into itself).
  TFormatArg(const TFormatArg&) = delete;
  TFormatArg& operator=(const TFormatArg&) = delete;

  Kind kind() const { return kind_; }
  std::int64_t AsInt() const { return int_; }
  std::uint64_t AsUInt() const { return uint_; }
  // Width of the integer type passed, in bytes: %x and %u show a negative value in that width.
  int IntSize() const { return size_; }
  double AsFloat() const { return float_; }
  std::string_view AsString() const { return str_; }
  const void* AsPointer() const { return ptr_; }

 private:
  Kind kind_;
  std::int64_t int_ = 0;
  std::uint64_t uint_ = 0;
  double float_ = 0;
  std::string_view str_;
  const void* ptr_ = nullptr;
  int size_ = 4;
  char char_ = 0;
};

std::string FormatV(std::string_view format, std::span<const TFormatArg> args,
                    const TFormatSettings& settings = FormatSettings);

template <class... A>
std::string Format(std::string_view format, const A&... args) {
  const TFormatArg list[] = {TFormatArg(args)..., TFormatArg(0)};
  return FormatV(format, std::span<const TFormatArg>(list, sizeof...(A)));
}

template <class... A>
std::string Format(const TFormatSettings& settings, std::string_view format, const A&... args) {
  const TFormatArg list[] = {TFormatArg(args)..., TFormatArg(0)};
  return FormatV(format, std::span<const TFormatArg>(list, sizeof...(A)), settings);
}

}  // namespace lab
