// BMP files and bare DIBs (as in cursor and icon resources). Whatever decodes, written again as a
// 32-bit file, decodes to the same pixels. Every size a header claims is tried: the decoder refuses
// what the data cannot cover before it allocates.

#include <cstdint>
#include <span>

#include "platform/graphics/bmp_format.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  if (size == 0) return 0;
  // The first byte chooses the reader, so one corpus serves all three.
  const std::span<const std::uint8_t> bytes(data + 1, size - 1);
  TDecodedImage img;
  try {
    switch (data[0] % 3) {
      case 0: img = DecodeBmp(bytes); break;
      case 1: img = DecodeDib(bytes, false); break;
      default: img = DecodeDib(bytes, true); break;
    }
  } catch (const EInvalidGraphic&) {
    return 0;
  }
  LAB_FUZZ_CHECK(img.Width > 0 && img.Height > 0);
  LAB_FUZZ_CHECK(img.Pixels.size() == static_cast<std::size_t>(img.Width) * img.Height);
  LAB_FUZZ_CHECK(img.Alpha.empty() || img.Alpha.size() == img.Pixels.size());
  LAB_FUZZ_CHECK(img.Mask.empty() || img.Mask.size() == img.Pixels.size());
  const auto file = EncodeBmp(img.Width, img.Height, img.Pixels.data(), 32);
  const TDecodedImage back = DecodeBmp(file);
  LAB_FUZZ_CHECK(back.Width == img.Width && back.Height == img.Height);
  for (std::size_t i = 0; i < img.Pixels.size(); ++i)
    LAB_FUZZ_CHECK((back.Pixels[i] & 0xFFFFFF) == (img.Pixels[i] & 0xFFFFFF));
  return 0;
}
