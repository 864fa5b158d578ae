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
