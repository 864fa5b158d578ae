// The shared value conversion of fields, Locate, filters and CSV.
#include "platform/db/field_values.h"

#include <cmath>
#include <limits>

#include "platform/rtl/arith.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/numbers.h"
#include "platform/rtl/strutils.h"

namespace lab {

namespace {

bool ReadInt(const Variant& In, std::int64_t& out, const TFormatSettings& settings) {
  switch (In.Type()) {
    case varBoolean: out = In.AsBoolean() ? 1 : 0; return true;  // stored Booleans are 0 and 1
    case varInteger: case varInt64: out = In.AsInt64(); return true;
    case varString: {
      const std::string text = Trim(In.AsString());
      if (TryStrToInt64(text, out)) return true;
      double d;
      if (!TryStrToFloat(text, d, settings) || d != std::trunc(d) || std::fabs(d) > 9.2e18) return false;
      out = static_cast<std::int64_t>(d);
      return true;
    }
    default: {
      const double d = In.AsDouble();
      if (!std::isfinite(d) || std::fabs(d) > 9.2e18) return false;
      out = std::llround(d);
      return true;
    }
  }
}

bool ReadReal(const Variant& In, double& out, const TFormatSettings& settings) {
  if (In.Type() == varString) return TryStrToFloat(Trim(In.AsString()), out, settings);
  if (In.Type() == varDate) { out = In.AsDateTime(); return true; }
  out = In.AsDouble();
  return true;
}

}  // namespace

TConvertResult ConvertFieldValue(TFieldType Type, const Variant& In, Variant& Out,
                                 const TFormatSettings& Settings) {
  if (VarIsNull(In) || VarIsEmpty(In)) {
    Out = Null();
    return TConvertResult::Ok;
  }
  if (VarIsArray(In)) return TConvertResult::BadValue;
  // A value already in the field's own form stays as it is (what the conversions below would make
  // of it); records written value by value mostly pass here.
  const TVarType given = In.Type();
  switch (Type) {
    case ftString: case ftMemo: case ftBlob: case ftFixedChar: case ftWideString:
      if (given != varString) break;
      Out = In;
      return TConvertResult::Ok;
    case ftInteger: case ftAutoInc:
      if (given != varInteger) break;
      Out = In;
      return TConvertResult::Ok;
    case ftLargeint:
      if (given != varInt64 && given != varInteger) break;
      Out = Variant(In.AsInt64());
      return TConvertResult::Ok;
    case ftFloat: case ftBCD: case ftFMTBcd:
      if (given != varDouble) break;
      Out = In;
      return TConvertResult::Ok;
    default:
      break;
  }
  try {
    switch (Type) {
      case ftString: case ftMemo: case ftBlob: case ftFixedChar: case ftWideString:
        Out = In.StringPtr() ? In : Variant(In.AsString());
        return TConvertResult::Ok;
      case ftBoolean: {
        if (In.Type() == varString) {
          const std::string text = Trim(In.AsString());
          if (SameText(text, "True")) Out = Variant(true);
          else if (SameText(text, "False")) Out = Variant(false);
          else return TConvertResult::BadValue;
          return TConvertResult::Ok;
        }
        Out = Variant(In.AsBoolean());
        return TConvertResult::Ok;
      }
      case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: case ftLargeint: {
        std::int64_t v;
        if (!ReadInt(In, v, Settings)) return TConvertResult::BadValue;
        std::int64_t lo = std::numeric_limits<std::int32_t>::min(), hi = std::numeric_limits<std::int32_t>::max();
        if (Type == ftSmallint) lo = -32768, hi = 32767;
        if (Type == ftWord) lo = 0, hi = 65535;
        if (Type == ftLargeint) {
          Out = Variant(v);
          return TConvertResult::Ok;
        }
        if (v < lo || v > hi) return TConvertResult::OutOfRange;
        Out = Variant(static_cast<std::int32_t>(v));
        return TConvertResult::Ok;
      }
      case ftFloat: case ftBCD: case ftFMTBcd: {
        double d;
        if (!ReadReal(In, d, Settings)) return TConvertResult::BadValue;
        Out = Variant(d);
        return TConvertResult::Ok;
      }
      case ftCurrency: {
        if (In.Type() == varString) {
          Out = Variant(StrToCurr(Trim(In.AsString()), Settings));
        } else {
          Out = Variant(In.AsCurrency());
        }
        return TConvertResult::Ok;
      }
      case ftDate: case ftTime: case ftDateTime: {
        TDateTime d;
        if (In.Type() == varString) {
          const std::string text = Trim(In.AsString());
          const bool ok = Type == ftDate   ? TryStrToDate(text, d, Settings)
                          : Type == ftTime ? TryStrToTime(text, d, Settings)
                                           : TryStrToDateTime(text, d, Settings);
          if (!ok) return TConvertResult::BadValue;
        } else {
          d = In.Type() == varDate ? In.AsDateTime() : In.AsDouble();
          if (!std::isfinite(d)) return TConvertResult::BadValue;
        }
        // A date field keeps the day only, a time field the time of day only.
        if (Type == ftDate) d = std::trunc(d);
        if (Type == ftTime) d = std::fabs(d - std::trunc(d));
        Out = VarFromDateTime(d);
        return TConvertResult::Ok;
      }
      default:
        return TConvertResult::BadValue;
    }
  } catch (const EVariantOverflowError&) {
    return TConvertResult::OutOfRange;
  } catch (const EVariantError&) {
    return TConvertResult::BadValue;
  } catch (const EConvertError&) {
    return TConvertResult::BadValue;
  } catch (const EOverflow&) {
    return TConvertResult::OutOfRange;
  }
}

bool ConvertedExactly(const Variant& In, const Variant& Out) {
  auto numeric = [](const Variant& v) {
    switch (v.Type()) {
      case varDouble: case varCurrency: case varDate: case varInteger: case varInt64: return true;
      default: return false;
    }
  };
  if (!numeric(In) || !numeric(Out)) return true;  // text was read by the field's own rules
  if (In.Type() == varInt64 && Out.Type() == varInt64) return true;
  const double in = In.Type() == varDate ? In.AsDateTime() : In.AsDouble();
  const double out = Out.Type() == varDate ? Out.AsDateTime() : Out.AsDouble();
  return in == out;
}

}  // namespace lab
