#pragma once
// The framework's Variant: a value of one of a few types that converts to the others on demand, with
// Empty (never assigned) and Null (a database null) as values of their own, and arrays of Variants
// (several key fields at once). Value semantics: copies are deep, scalars cost no allocation.

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/rtl/currency.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/exceptions.h"

namespace lab {

using TVarType = std::uint16_t;
inline constexpr TVarType varEmpty = 0x0000;
inline constexpr TVarType varNull = 0x0001;
inline constexpr TVarType varInteger = 0x0003;
inline constexpr TVarType varDouble = 0x0005;
inline constexpr TVarType varCurrency = 0x0006;
inline constexpr TVarType varDate = 0x0007;
inline constexpr TVarType varBoolean = 0x000B;
inline constexpr TVarType varVariant = 0x000C;
inline constexpr TVarType varInt64 = 0x0014;
inline constexpr TVarType varString = 0x0100;
inline constexpr TVarType varTypeMask = 0x0FFF;
inline constexpr TVarType varArray = 0x2000;  // flag: an array of the masked type

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

// "Could not convert variant of type (Null) into type (Double)" and the like.
LAB_EXCEPTION(EVariantError, Exception);
LAB_EXCEPTION(EVariantTypeCastError, EVariantError);
// "Overflow while converting variant of type (Int64) into type (Integer)".
LAB_EXCEPTION(EVariantOverflowError, EVariantError);
// "Variant or safe array index out of bounds".
LAB_EXCEPTION(EVariantBadIndexError, EVariantError);
// "Variant is not an array".
LAB_EXCEPTION(EVariantNotAnArrayError, EVariantError);

class Variant {
 public:
  Variant() noexcept = default;  // Empty
  Variant(bool value) noexcept : value_(value) {}
  template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>)
  Variant(T value) : value_(FromInteger(value)) {}
  Variant(double value) noexcept : value_(value) {}
  Variant(float value) noexcept : value_(static_cast<double>(value)) {}
  Variant(Currency value) noexcept : value_(value) {}
  Variant(const char* value) : value_(std::string(value ? value : "")) {}
  Variant(std::string value) noexcept : value_(std::move(value)) {}
  Variant(std::string_view value) : value_(std::string(value)) {}
  // Other pointers would quietly become Booleans.
  Variant(const void*) = delete;

  TVarType Type() const noexcept {
    // By the storage's alternatives, in order.
    static constexpr TVarType kTypes[] = {varEmpty,  varNull,     varBoolean, varInteger, varInt64,
                                          varDouble, varCurrency, varDate,    varString,  varArray | varVariant};
    return kTypes[value_.index()];
  }

  // Conversions in the framework's rules: Empty is 0, "" or False; Null raises; True is -1; text
  // reads as a number with FormatSettings (or as "True"/"False"); floating-point values round half
  // to even into integers. EVariantTypeCastError when no rule applies, EVariantOverflowError when
  // the value does not fit.
  std::int32_t AsInteger() const;
  std::int64_t AsInt64() const;
  double AsDouble() const;
  bool AsBoolean() const;
  std::string AsString() const;
  // The text a string Variant holds, read in place (no copy); nullptr for every other type.
  const std::string* StringPtr() const noexcept { return std::get_if<std::string>(&value_); }
  Currency AsCurrency() const;
  TDateTime AsDateTime() const;

  // Array elements by index within the array's bounds; EVariantNotAnArrayError for a scalar,
  // EVariantBadIndexError outside the bounds.
  Variant& operator[](int index);
  const Variant& operator[](int index) const;

  friend bool operator==(const Variant& a, const Variant& b);

 private:
  struct NullValue {};
  struct DateValue {
    double Value;
  };
  struct ArrayValue {
    int Low = 0;
    std::vector<Variant> Items;
  };
  using Storage = std::variant<std::monostate, NullValue, bool, std::int32_t, std::int64_t, double,
                               Currency, DateValue, std::string, ArrayValue>;

  template <class T>
  static Storage FromInteger(T value) {
    if constexpr (std::is_signed_v<T> ? sizeof(T) <= 4 : sizeof(T) < 4)
      return static_cast<std::int32_t>(value);
    else if constexpr (std::is_signed_v<T> || sizeof(T) < 8)
      return static_cast<std::int64_t>(value);
    else
      return CheckedUnsigned(value);
  }
  static Storage CheckedUnsigned(std::uint64_t value);
  [[noreturn]] void CannotConvert(TVarType to) const;

  const ArrayValue& Array() const;

  friend Variant Null();
  friend Variant VarFromDateTime(TDateTime value);
  friend Variant VarArrayOf(std::vector<Variant> items);
  friend Variant VarArrayCreate(int lowBound, int highBound);
  friend int VarArrayLowBound(const Variant& value, int dim);
  friend int VarArrayHighBound(const Variant& value, int dim);
  friend TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);

  Storage value_;
};

Variant Null();
Variant Unassigned();
// TDateTime is a plain double, so a date value is made explicitly.
Variant VarFromDateTime(TDateTime value);

// A one-dimensional array from 0 to count - 1.
Variant VarArrayOf(std::vector<Variant> items);
// An array of Empty values with the given bounds (high may be low - 1 for none).
Variant VarArrayCreate(int lowBound, int highBound);
// Bounds of dimension 1, the only one; EVariantNotAnArrayError for a scalar,
// EVariantBadIndexError for another dimension.
int VarArrayLowBound(const Variant& value, int dim = 1);
int VarArrayHighBound(const Variant& value, int dim = 1);

inline TVarType VarType(const Variant& value) noexcept { return value.Type(); }
inline bool VarIsEmpty(const Variant& value) noexcept { return value.Type() == varEmpty; }
inline bool VarIsNull(const Variant& value) noexcept { return value.Type() == varNull; }
inline bool VarIsClear(const Variant& value) noexcept { return value.Type() == varEmpty; }
inline bool VarIsArray(const Variant& value) noexcept { return (value.Type() & varArray) != 0; }
// "Integer", "String", "Array Variant" ...
std::string VarTypeAsText(TVarType type);

// Text of a value, with Null and Empty as "" (or the fallback).
std::string VarToStr(const Variant& value);
std::string VarToStrDef(const Variant& value, std::string_view fallback);
TDateTime VarToDateTime(const Variant& value);

// Empty equals only Empty and Null only Null, neither is less or greater than anything; numbers
// compare by value across types, text by the locale (AnsiCompareStr); text against a number or
// date is read as one, and compares as not equal when it cannot be; arrays are equal when their
// bounds and all elements are, and are otherwise just not equal. operator== is vrEqual.
TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);

}  // namespace lab
