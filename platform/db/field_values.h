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

// Whether Out, converted from the number or date In, still holds In's value: 9.25 read into an
// integer field becomes 9, and a time of day read into a date field is dropped. A search for a
// value the field cannot hold matches no record.
bool ConvertedExactly(const Variant& In, const Variant& Out);

}  // namespace lab
