// The UTF-8 helpers split any bytes the same way: decoding counts what Utf8Length counts, stepping
// with Utf8Next and Utf8At walks the same code points, Utf8Prev steps back over them, and valid text
// (what encoding gives) comes back byte for byte.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/utf8.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  const std::string_view s(reinterpret_cast<const char*>(data), size);
  const std::u32string points = Utf8Decode(s);
  LAB_FUZZ_CHECK(points.size() == Utf8Length(s));
  std::size_t at = 0;
  for (std::size_t n = 0; n < points.size(); ++n) {
    LAB_FUZZ_CHECK(Utf8Offset(s, n) == at);
    std::size_t length = 0;
    LAB_FUZZ_CHECK(Utf8At(s, at, &length) == points[n]);
    const std::size_t next = Utf8Next(s, at);
    LAB_FUZZ_CHECK(length == next - at && length > 0);
    LAB_FUZZ_CHECK(Utf8Prev(s, next) == at);
    at = next;
  }
  LAB_FUZZ_CHECK(at == s.size());
  LAB_FUZZ_CHECK(Utf8Offset(s, points.size()) == s.size());
  // Whatever was read encodes to valid UTF-8, which reads back the same and encodes to itself.
  const std::string encoded = Utf8Encode(points);
  const std::u32string again = Utf8Decode(encoded);
  LAB_FUZZ_CHECK(Utf8Encode(again) == encoded);
  // A byte standing for itself becomes two bytes of UTF-8: with the size unchanged, the input was
  // valid, and comes back byte for byte.
  if (encoded.size() == s.size()) LAB_FUZZ_CHECK(encoded == s);
  return 0;
}
