// INI text: any bytes read without harm, and the text written back reads to the same text again.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/ini_file.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TMemIniFile ini("/nonexistent/fuzz.ini");
  ini.SetText(text);
  const std::string written = ini.Text();
  TMemIniFile again("/nonexistent/fuzz.ini");
  again.SetText(written);
  LAB_FUZZ_CHECK(again.Text() == written);
  // A value written under the first line's words reads back, or is refused whole.
  const std::string first(text.substr(0, text.find('\n')));
  try {
    ini.WriteString(first, first, first);
    LAB_FUZZ_CHECK(ini.ValueExists(first, first));
  } catch (const EConvertError&) {
    LAB_FUZZ_CHECK(ini.Text() == written);
  }
  return 0;
}
