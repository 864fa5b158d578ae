// The grid's clipboard readers. GRIDDBIF bytes either read or are refused with EConvertError, and
// bytes that read write back the same; plain text splits into cells free of tabs and line breaks
// that join and split again into the same rows.

#include <cstdint>
#include <string>
#include <string_view>

#include "grid/grid_clipboard.h"
#include "platform/rtl/exceptions.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] % 2 == 0) {
    TGridClipData parsed;
    try {
      parsed = ParseGridDbif(bytes);
    } catch (const EConvertError&) {
      return 0;
    }
    for (const auto& row : parsed.Values) LAB_FUZZ_CHECK(row.size() == parsed.FieldNames.size());
    LAB_FUZZ_CHECK(GridClipToDbif(parsed) == bytes);
    return 0;
  }
  const auto rows = ParseGridText(bytes);
  std::string joined;
  for (const auto& row : rows) {
    LAB_FUZZ_CHECK(!row.empty());
    for (std::size_t i = 0; i < row.size(); ++i) {
      LAB_FUZZ_CHECK(row[i].find_first_of("\t\r\n") == std::string::npos);
      if (i > 0) joined += '\t';
      joined += row[i];
    }
    joined += "\r\n";
  }
  LAB_FUZZ_CHECK(ParseGridText(joined) == rows);
  return 0;
}
