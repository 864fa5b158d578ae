#include "platform/rtl/variant.h"

#include <cmath>

#include "platform/rtl/arith.h"
#include "platform/rtl/float_text.h"
#include "platform/rtl/numbers.h"
#include "platform/rtl/strutils.h"

namespace lab {

namespace {

enum Slot { kEmpty, kNull, kBool, kInt32, kInt64, kDouble, kCurrency, kDate, kString, kArray };

[[noreturn]] void Overflow(TVarType from, TVarType to) {
  throw EVariantOverflowError("Overflow while converting variant of type (%s) into type (%s)",
                              VarTypeAsText(from), VarTypeAsText(to));
}

[[noreturn]] void BadIndex() { throw EVariantBadIndexError("Variant or safe array index out of bounds"); }

// Text as a Boolean the way the framework writes them.
bool TextToBool(std::string_view text, bool& value) {
  const std::string trimmed = Trim(text);
  if (SameText(trimmed, "True")) value = true;
  else if (SameText(trimmed, "False")) value = false;
  else return false;
  return true;
}

// Text as a number: an integer, a floating-point value or a Boolean (-1 for True).
bool TextToDouble(std::string_view text, double& value) {
  std::int64_t whole;
  bool flag;
  if (TryStrToInt64(text, whole)) value = static_cast<double>(whole);
  else if (TryStrToFloat(text, value)) return true;
  else if (TextToBool(text, flag)) value = flag ? -1 : 0;
  else return false;
  return true;
}

// Currency to the nearest integer, halves to even, exactly.
std::int64_t RoundCurrency(Currency c) {
  const std::int64_t raw = c.Raw();
  std::int64_t q = raw / Currency::Scale, r = raw % Currency::Scale;
  if (r < 0) {
    r += Currency::Scale;
    --q;
  }
  if (2 * r > Currency::Scale || (2 * r == Currency::Scale && (q & 1) != 0)) ++q;
  return q;
}

template <class T>
int Sign(T a, T b) {
  return a < b ? -1 : b < a ? 1 : 0;
}

TVariantRelationship FromSign(int sign) {
  return sign == 0 ? vrEqual : sign < 0 ? vrLessThan : vrGreaterThan;
}

}  // namespace

Variant::Storage Variant::CheckedUnsigned(std::uint64_t value) {
  if (value > static_cast<std::uint64_t>(INT64_MAX)) Overflow(varInt64, varInt64);
  return static_cast<std::int64_t>(value);
}

void Variant::CannotConvert(TVarType to) const {
  throw EVariantTypeCastError("Could not convert variant of type (%s) into type (%s)",
                              VarTypeAsText(Type()), VarTypeAsText(to));
}

std::int64_t Variant::AsInt64() const {
  switch (value_.index()) {
    case kEmpty: return 0;
    case kBool: return std::get<bool>(value_) ? -1 : 0;
    case kInt32: return std::get<std::int32_t>(value_);
    case kInt64: return std::get<std::int64_t>(value_);
    case kCurrency: return RoundCurrency(std::get<Currency>(value_));
    case kString: {
      std::int64_t whole;
      if (TryStrToInt64(std::get<std::string>(value_), whole)) return whole;
      break;
    }
    default: break;
  }
  if (value_.index() == kNull || value_.index() == kArray) CannotConvert(varInt64);
  const double d = AsDouble();  // a floating-point value, a date or numeric text
  if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0)) Overflow(Type(), varInt64);
  return Round(d);
}

std::int32_t Variant::AsInteger() const {
  if (value_.index() == kInt32) return std::get<std::int32_t>(value_);
  if (value_.index() == kNull || value_.index() == kArray) CannotConvert(varInteger);
  std::int64_t v;
  try {
    v = AsInt64();
  } catch (const EVariantOverflowError&) {
    Overflow(Type(), varInteger);
  } catch (const EVariantTypeCastError&) {
    CannotConvert(varInteger);
  }
  if (v < INT32_MIN || v > INT32_MAX) Overflow(Type(), varInteger);
  return static_cast<std::int32_t>(v);
}

double Variant::AsDouble() const {
  switch (value_.index()) {
    case kEmpty: return 0;
    case kBool: return std::get<bool>(value_) ? -1 : 0;
    case kInt32: return std::get<std::int32_t>(value_);
    case kInt64: return static_cast<double>(std::get<std::int64_t>(value_));
    case kDouble: return std::get<double>(value_);
    case kCurrency: return std::get<Currency>(value_).ToDouble();
    case kDate: return std::get<DateValue>(value_).Value;
    case kString: {
      double d;
      if (TextToDouble(std::get<std::string>(value_), d)) return d;
      break;
    }
    default: break;
  }
  CannotConvert(varDouble);
}

bool Variant::AsBoolean() const {
  switch (value_.index()) {
    case kEmpty: return false;
    case kBool: return std::get<bool>(value_);
    case kInt32: return std::get<std::int32_t>(value_) != 0;
    case kInt64: return std::get<std::int64_t>(value_) != 0;
    case kDouble: return std::get<double>(value_) != 0;
    case kCurrency: return std::get<Currency>(value_).Raw() != 0;
    case kDate: return std::get<DateValue>(value_).Value != 0;
    case kString: {
      double d;
      if (TextToDouble(std::get<std::string>(value_), d)) return d != 0;
      break;
    }
    default: break;
  }
  CannotConvert(varBoolean);
}

std::string Variant::AsString() const {
  switch (value_.index()) {
    case kEmpty: return {};
    case kBool: return std::get<bool>(value_) ? "True" : "False";
    case kInt32: return IntToStr(std::get<std::int32_t>(value_));
    case kInt64: return IntToStr(std::get<std::int64_t>(value_));
    case kDouble: return FloatToStr(std::get<double>(value_));
    case kCurrency: return CurrToStr(std::get<Currency>(value_));
    case kDate: return DateTimeToStr(std::get<DateValue>(value_).Value);
    case kString: return std::get<std::string>(value_);
    default: break;
  }
  CannotConvert(varString);
}

Currency Variant::AsCurrency() const {
  switch (value_.index()) {
    case kEmpty: return Currency();
    case kCurrency: return std::get<Currency>(value_);
    case kBool:
    case kInt32:
    case kInt64: {
      const std::int64_t v = AsInt64();
      if (v > INT64_MAX / Currency::Scale || v < INT64_MIN / Currency::Scale) Overflow(Type(), varCurrency);
      return Currency(v);
    }
    case kDouble:
    case kDate:
      try {
        return FloatToCurr(AsDouble());
      } catch (const EConvertError&) {
        Overflow(Type(), varCurrency);
      }
    case kString: {
      const std::string& text = std::get<std::string>(value_);
      try {
        return StrToCurr(text);
      } catch (const EConvertError&) {
        bool flag;
        if (TextToBool(text, flag)) return Currency(flag ? -1 : 0);
      }
      break;
    }
    default: break;
  }
  CannotConvert(varCurrency);
}

TDateTime Variant::AsDateTime() const {
  switch (value_.index()) {
    case kString: {
      TDateTime v;
      if (TryStrToDateTime(std::get<std::string>(value_), v)) return v;
      break;
    }
    case kNull:
    case kArray: break;
    default: return AsDouble();
  }
  CannotConvert(varDate);
}

const Variant::ArrayValue& Variant::Array() const {
  if (value_.index() != kArray) throw EVariantNotAnArrayError("Variant is not an array");
  return std::get<ArrayValue>(value_);
}

const Variant& Variant::operator[](int index) const {
  const ArrayValue& a = Array();
  const std::int64_t at = static_cast<std::int64_t>(index) - a.Low;
  if (at < 0 || at >= static_cast<std::int64_t>(a.Items.size())) BadIndex();
  return a.Items[static_cast<std::size_t>(at)];
}

Variant& Variant::operator[](int index) {
  return const_cast<Variant&>(static_cast<const Variant&>(*this)[index]);
}

Variant Null() {
  Variant v;
  v.value_ = Variant::NullValue{};
  return v;
}

Variant Unassigned() { return Variant(); }

Variant VarFromDateTime(TDateTime value) {
  Variant v;
  v.value_ = Variant::DateValue{value};
  return v;
}

Variant VarArrayOf(std::vector<Variant> items) {
  Variant v;
  v.value_ = Variant::ArrayValue{0, std::move(items)};
  return v;
}

Variant VarArrayCreate(int lowBound, int highBound) {
  if (highBound < lowBound - 1) BadIndex();
  Variant v;
  const auto count = static_cast<std::size_t>(static_cast<std::int64_t>(highBound) - lowBound + 1);
  v.value_ = Variant::ArrayValue{lowBound, std::vector<Variant>(count)};
  return v;
}

int VarArrayLowBound(const Variant& value, int dim) {
  const Variant::ArrayValue& a = value.Array();
  if (dim != 1) BadIndex();
  return a.Low;
}

int VarArrayHighBound(const Variant& value, int dim) {
  const Variant::ArrayValue& a = value.Array();
  if (dim != 1) BadIndex();
  return static_cast<int>(a.Low + static_cast<std::int64_t>(a.Items.size()) - 1);
}

std::string VarTypeAsText(TVarType type) {
  std::string name;
  switch (type & varTypeMask) {
    case varEmpty: name = "Empty"; break;
    case varNull: name = "Null"; break;
    case varInteger: name = "Integer"; break;
    case varDouble: name = "Double"; break;
    case varCurrency: name = "Currency"; break;
    case varDate: name = "Date"; break;
    case varBoolean: name = "Boolean"; break;
    case varVariant: name = "Variant"; break;
    case varInt64: name = "Int64"; break;
    case varString: name = "String"; break;
    default: name = Format("$%.4x", type & varTypeMask); break;
  }
  return (type & varArray) ? "Array " + name : name;
}

std::string VarToStr(const Variant& value) { return VarToStrDef(value, ""); }

std::string VarToStrDef(const Variant& value, std::string_view fallback) {
  if (VarIsNull(value) || VarIsEmpty(value)) return std::string(fallback);
  return value.AsString();
}

TDateTime VarToDateTime(const Variant& value) { return value.AsDateTime(); }

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
  const std::size_t ka = a.value_.index(), kb = b.value_.index();
  if (ka == kEmpty || kb == kEmpty || ka == kNull || kb == kNull) return ka == kb ? vrEqual : vrNotEqual;
  if (ka == kArray || kb == kArray) {
    if (ka != kb) return vrNotEqual;
    const auto& x = std::get<Variant::ArrayValue>(a.value_);
    const auto& y = std::get<Variant::ArrayValue>(b.value_);
    if (x.Low != y.Low || x.Items.size() != y.Items.size()) return vrNotEqual;
    for (std::size_t i = 0; i < x.Items.size(); ++i)
      if (VarCompareValue(x.Items[i], y.Items[i]) != vrEqual) return vrNotEqual;
    return vrEqual;
  }
  if (ka == kString && kb == kString)
    return FromSign(AnsiCompareStr(std::get<std::string>(a.value_), std::get<std::string>(b.value_)));
  if (ka == kBool && kb == kBool) return FromSign(Sign(std::get<bool>(a.value_), std::get<bool>(b.value_)));

  // Text against a value of another kind is read as that kind.
  if (ka == kString || kb == kString) {
    const bool textFirst = ka == kString;
    const std::string& text = std::get<std::string>(textFirst ? a.value_ : b.value_);
    const Variant& other = textFirst ? b : a;
    double t, o = other.AsDouble();
    const bool read = other.value_.index() == kDate ? TryStrToDateTime(text, t) : TextToDouble(text, t);
    if (!read || std::isnan(t) || std::isnan(o)) return vrNotEqual;
    return FromSign(textFirst ? Sign(t, o) : Sign(o, t));
  }

  // Exact where both are integers or currency amounts, else as doubles.
  const bool exactA = ka == kBool || ka == kInt32 || ka == kInt64 || ka == kCurrency;
  const bool exactB = kb == kBool || kb == kInt32 || kb == kInt64 || kb == kCurrency;
  if (exactA && exactB) {
    auto scaled = [](const Variant& v) -> __int128 {
      if (v.value_.index() == kCurrency) return std::get<Currency>(v.value_).Raw();
      return static_cast<__int128>(v.AsInt64()) * Currency::Scale;
    };
    return FromSign(Sign(scaled(a), scaled(b)));
  }
  const double x = a.AsDouble(), y = b.AsDouble();
  if (std::isnan(x) || std::isnan(y)) return vrNotEqual;
  return FromSign(Sign(x, y));
}

bool operator==(const Variant& a, const Variant& b) { return VarCompareValue(a, b) == vrEqual; }

}  // namespace lab
