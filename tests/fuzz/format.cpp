// Format strings against a fixed set of arguments of every kind: a specifier that does not fit
// raises EConvertError, nothing else happens. The same string formats the same way twice, with the
// default settings and with others.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  const std::string_view format(reinterpret_cast<const char*>(data), size);
  std::int8_t small = -5;
  std::uint16_t word = 65535;
  std::int64_t big = INT64_MIN;
  auto run = [&](const TFormatSettings& settings) -> std::string {
    try {
      return Format(settings, format, 42, -7, 3u, small, word, big, 2.5, -1e300, 0.0 / 1.0, "text", std::string("\xC3\xA9"),
                    'c', static_cast<const void*>(&small), 12, 3);
    } catch (const EConvertError&) {
      return "<refused>";
    }
  };
  TFormatSettings other = FormatSettings;
  other.DecimalSeparator = ',';
  other.ThousandSeparator = '.';
  other.CurrencyString = "EUR";
  const std::string first = run(FormatSettings);
  LAB_FUZZ_CHECK(run(FormatSettings) == first);
  run(other);
  return 0;
}
