// Names of the field types for messages.
#include "platform/db/field_types.h"

namespace lab {

const char* FieldTypeName(TFieldType Type) {
  static constexpr const char* kNames[] = {
      "Unknown", "String", "SmallInt", "Integer", "Word", "Boolean", "Float", "Currency", "BCD",
      "Date", "Time", "DateTime", "Bytes", "VarBytes", "AutoInc", "Blob", "Memo", "Graphic",
      "FmtMemo", "ParadoxOle", "DBaseOle", "TypedBinary", "Cursor", "FixedChar", "WideString",
      "LargeInt", "ADT", "Array", "Reference", "DataSet", "OraBlob", "OraClob", "Variant",
      "Interface", "IDispatch", "Guid", "TimeStamp", "FMTBcd"};
  const auto i = static_cast<std::size_t>(Type);
  return i < std::size(kNames) ? kNames[i] : "Unknown";
}

}  // namespace lab
