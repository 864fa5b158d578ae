// os-release text: any bytes give a value no longer than the text, the same way every time.

#include <cstdint>
#include <string>
#include <string_view>

#include "crashreport/report/system_utils.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (std::string_view key : {"PRETTY_NAME", "NAME", ""}) {
    const std::string value = OsReleaseValue(text, key);
    LAB_FUZZ_CHECK(value.size() <= size);
    LAB_FUZZ_CHECK(value == OsReleaseValue(text, key));
  }
  return 0;
}
