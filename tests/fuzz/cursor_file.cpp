// Cursor files (.cur): the directory, then a DIB with its AND mask or a PNG image.

#include <cstdint>
#include <memory>
#include <span>

#include "platform/graphics/bmp_format.h"
#include "platform/graphics/cursors.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  std::unique_ptr<TCursorImage> cursor;
  try {
    cursor.reset(ReadCursorFile(std::span<const std::uint8_t>(data, size)));
  } catch (const EInvalidGraphic&) {
    return 0;
  }
  LAB_FUZZ_CHECK(cursor);
  LAB_FUZZ_CHECK(cursor->Width() > 0 && cursor->Height() > 0);
  LAB_FUZZ_CHECK(cursor->Pixels().size() == static_cast<std::size_t>(cursor->Width()) * cursor->Height());
  return 0;
}
