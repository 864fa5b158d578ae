// BMP files and bare DIBs (as in cursor and icon resources). Whatever decodes, written again as a
// 32-bit file, decodes to the same pixels.

#include <cstdint>
#include <span>

#include "platform/graphics/bmp_format.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// The pixel count the info header claims. Run-length coded images may legitimately be far larger
// than their data (skips and early ends leave pixels unset), up to the decoder's limit of 2^28
// pixels: such sizes cost seconds, not faults, so they are left out here.
std::int64_t ClaimedPixels(std::span<const std::uint8_t> dib) {
  auto u32 = [&](std::size_t at) -> std::int64_t {
    if (at + 4 > dib.size()) return 0;
    return static_cast<std::int32_t>(dib[at] | dib[at + 1] << 8 | dib[at + 2] << 16 |
                                     static_cast<std::uint32_t>(dib[at + 3]) << 24);
  };
  if (dib.size() >= 8 && dib[0] == 12) return std::int64_t{dib[4] | dib[5] << 8} * (dib[6] | dib[7] << 8);
  const std::int64_t w = u32(4), h = u32(8);
  return (w < 0 ? -w : w) * (h < 0 ? -h : h);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  if (size == 0) return 0;
  // The first byte chooses the reader, so one corpus serves all three.
  const std::span<const std::uint8_t> bytes(data + 1, size - 1);
  const std::span<const std::uint8_t> dib = data[0] % 3 == 0 && bytes.size() > 14 ? bytes.subspan(14) : bytes;
  if (ClaimedPixels(dib) > (1 << 20)) return 0;
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
