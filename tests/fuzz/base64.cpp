// Base64: any text decodes without harm, the same way every time, and any bytes encode to text that
// decodes back to them.

#include <cstdint>
#include <string>
#include <string_view>

#include "crashreport/codec/base64.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string decoded = Base64DecodeStr(bytes);
  LAB_FUZZ_CHECK(decoded == Base64DecodeStr(bytes));
  LAB_FUZZ_CHECK(decoded.size() <= size / 4 * 3);
  const std::string encoded = Base64EncodeStr(bytes);
  LAB_FUZZ_CHECK(encoded.size() == (size + 2) / 3 * 4);
  LAB_FUZZ_CHECK(Base64DecodeStr(encoded) == bytes);
  LAB_FUZZ_CHECK(Base64EncodeBuffer(data, size) == encoded);
  return 0;
}
