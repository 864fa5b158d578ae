#pragma once
// Conversion of any Variant into the stored form of a field type: the one rule that fields,
// Locate, filters and the CSV reader share, so a value means the same everywhere.

#include "platform/db/field_types.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/variant.h"

namespace lab {

enum class TConvertResult { Ok, BadValue, OutOfRange };

// Null and Empty become Null. Integers, floats and currency take numbers, Booleans and numeric
// text; Booleans take "True"/"False" (any case) and numbers; dates take dates, numbers and date
// text; strings take anything's text. The stored forms are varBoolean, varInteger (small and plain
// integers), varInt64, varCurrency, varDouble, varDate and varString.
TConvertResult ConvertFieldValue(TFieldType Type, const Variant& In, Variant& Out,
                                 const TFormatSettings& Settings = FormatSettings);

}  // namespace lab
