// Image-list data as stored in form text (the "Bitmap" property): a header, then the colour strip
// and the mask as BMP files. A failed read keeps the images; a good one writes back and reads again
// to the same images.

#include <cstdint>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/bmp_format.h"
#include "platform/graphics/image_list.h"
#include "platform/rtl/streams.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

std::int64_t U32(const std::uint8_t* data, std::size_t size, std::size_t at) {
  if (at + 4 > size) return 0;
  return data[at] | data[at + 1] << 8 | data[at + 2] << 16 | static_cast<std::int64_t>(data[at + 3]) << 24;
}

// The pixel count the BMP file at `at` claims, and where the next one starts (as the bitmap reads
// it). A run-length coded strip may legitimately be far larger than its data, up to the BMP
// reader's limit of 2^28 pixels: such strips cost seconds and gigabytes, not faults, so they are
// left out here, as in the bitmap target.
std::int64_t ClaimedPixels(const std::uint8_t* data, std::size_t size, std::size_t& at) {
  const std::size_t dib = at + 14;
  std::int64_t pixels = 0;
  if (dib + 8 <= size && data[dib] == 12) {
    pixels = std::int64_t{data[dib + 4] | data[dib + 5] << 8} * (data[dib + 6] | data[dib + 7] << 8);
  } else {
    const std::int64_t w = static_cast<std::int32_t>(U32(data, size, dib + 4));
    const std::int64_t h = static_cast<std::int32_t>(U32(data, size, dib + 8));
    pixels = (w < 0 ? -w : w) * (h < 0 ? -h : h);
  }
  const std::int64_t length = U32(data, size, at + 2);
  at = length < 14 || at + length > size ? size : at + static_cast<std::size_t>(length);
  return pixels;
}

void Check(lab::TImageList& list, lab::TImageList& other) {
  LAB_FUZZ_CHECK(list.Count() == other.Count());
  LAB_FUZZ_CHECK(list.Width() == other.Width() && list.Height() == other.Height());
  lab::TBitmap a, b;
  for (int i = 0; i < list.Count(); ++i) {
    list.GetBitmap(i, &a);
    other.GetBitmap(i, &b);
    for (int y = 0; y < a.Height(); ++y)
      for (int x = 0; x < a.Width(); ++x) LAB_FUZZ_CHECK(a.ScanLine(y)[x] == b.ScanLine(y)[x]);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  std::size_t at = 28;
  if (ClaimedPixels(data, size, at) > (1 << 20) || ClaimedPixels(data, size, at) > (1 << 20)) return 0;
  TImageList list(nullptr, 2, 2);
  TBitmap one;
  one.SetSize(2, 2);
  list.Add(&one, nullptr);
  TMemoryStream stream;
  stream.WriteBuffer(data, static_cast<std::int64_t>(size));
  stream.SetPosition(0);
  try {
    list.ReadData(&stream);
  } catch (const EReadError&) {
    LAB_FUZZ_CHECK(list.Count() == 1 && list.Width() == 2);
    return 0;
  }
  TMemoryStream again;
  list.WriteData(&again);
  again.SetPosition(0);
  TImageList back(nullptr);
  back.ReadData(&again);
  Check(list, back);
  return 0;
}
