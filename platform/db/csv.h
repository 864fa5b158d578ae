#pragma once
// Comma-separated text as the in-memory dataset reads and writes it: a header line of field names,
// then one line per record, fields separated by ',' and quoted with '"' when they hold a comma, a
// quote, a line break or surrounding blanks, or are empty text; lines end with CR LF (LF alone is
// read too). An empty unquoted field is Null. Values are written in one fixed form whatever the
// locale: numbers with '.', dates "yyyy-mm-dd", times "hh:nn:ss[.zzz]", date-times both joined by a
// blank, Booleans "True"/"False", blobs as hex digits.

#include <string>
#include <string_view>
#include <vector>

#include "platform/db/field_types.h"
#include "platform/db/field_values.h"
#include "platform/rtl/variant.h"

namespace lab {

struct TCsvField {
  std::string Text;
  bool Quoted = false;
};

class TCsvReader {
 public:
  explicit TCsvReader(std::string_view Text) : s_(Text) {}
  // The next line's fields; false at the end. Raises EDatabaseError for a quote left open.
  bool ReadLine(std::vector<TCsvField>& Fields);
  // The line number (from 1) of the line last read.
  int Line() const { return line_; }

 private:
  std::string_view s_;
  std::size_t i_ = 0;
  int line_ = 0, next_line_ = 1;
};

// Appends one field, quoted when needed (Null as nothing).
void CsvAppendField(std::string& Out, std::string_view Text, bool ForceQuotes);

// The fixed text of a stored value of the type (Null: empty).
std::string CsvValueText(TFieldType Type, const Variant& Value);
// Reads the fixed text form into the stored form of the type.
TConvertResult CsvReadValue(TFieldType Type, const TCsvField& Field, Variant& Out);

}  // namespace lab
