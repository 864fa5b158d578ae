#pragma once
// EDatabaseError and the dataset model's messages. A message raised on behalf of a named component
// starts with that name and ": ", so a form with several datasets says which one failed.

#include <string>
#include <string_view>

#include "platform/rtl/exceptions.h"

namespace lab {

LAB_EXCEPTION(EDatabaseError, Exception);

class TComponent;

namespace dbmsg {
inline constexpr std::string_view SFieldNotFound = "Field '%s' not found";
inline constexpr std::string_view SNotEditing = "Dataset not in edit or insert mode";
inline constexpr std::string_view SDataSetReadOnly = "Cannot modify a read-only dataset";
inline constexpr std::string_view SFieldRequired = "Field '%s' must have a value";
inline constexpr std::string_view SFieldReadOnly = "Field '%s' cannot be modified";
inline constexpr std::string_view SDataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr std::string_view SDataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr std::string_view SDataSetEmpty = "Cannot perform this operation on an empty dataset";
inline constexpr std::string_view SRecordNotFound = "Record not found";
inline constexpr std::string_view SDuplicateFieldName = "Duplicate field name '%s'";
inline constexpr std::string_view SFieldNameMissing = "Field name missing";
inline constexpr std::string_view SUnknownFieldType = "Field '%s' is of an unknown type";
inline constexpr std::string_view SFieldTypeMismatch = "Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr std::string_view SFieldAccessError = "Cannot access field '%s' as type %s";
inline constexpr std::string_view SFieldValueError = "Invalid value for field '%s'";
inline constexpr std::string_view SInvalidIntegerValue = "'%s' is not a valid integer value for field '%s'";
inline constexpr std::string_view SInvalidFloatValue = "'%s' is not a valid floating point value for field '%s'";
inline constexpr std::string_view SInvalidBoolValue = "'%s' is not a valid boolean value for field '%s'";
inline constexpr std::string_view SInvalidDateTimeValue = "'%s' is not a valid date and time for field '%s'";
inline constexpr std::string_view SFieldRangeError = "%s is not a valid value for field '%s'. The allowed range is %s to %s";
inline constexpr std::string_view SFieldTooLong = "Value of field '%s' is longer than its size of %d characters";
inline constexpr std::string_view SLookupInfoError = "Lookup information for field '%s' is incomplete";
inline constexpr std::string_view SDataSetMissing = "Field '%s' has no dataset";
inline constexpr std::string_view SFieldIndexError = "Field index out of range";
inline constexpr std::string_view SNotSortable = "Field '%s' cannot be used for sorting";
inline constexpr std::string_view SNotSearchable = "Field '%s' cannot be used as a search key";
inline constexpr std::string_view SNoTreeFields = "Fields '%s' and '%s' cannot make a tree";
inline constexpr std::string_view SKeyValueCount = "%d key values given for %d key fields";
inline constexpr std::string_view SCircularDataLink = "Circular datalinks are not allowed";
}  // namespace dbmsg

// Raises EDatabaseError with Message, prefixed by "<Component name>: " when the component is named.
[[noreturn]] void DatabaseError(const std::string& Message, const TComponent* Component = nullptr);

template <class... A>
[[noreturn]] void DatabaseErrorFmt(std::string_view Fmt, const TComponent* Component, const A&... Args) {
  DatabaseError(Format(Fmt, Args...), Component);
}

}  // namespace lab
