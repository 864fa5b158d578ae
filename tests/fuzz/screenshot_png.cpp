// The screenshot's colours and PNG from any picture: the octree never holds more than 256 leaves and
// keeps up to 256 distinct colours exactly, every pixel takes its leaf's entry (in the leaf's box of
// colours), and the PNG's chunks carry their CRCs and inflate back to those entries. The first two bytes give the
// width and height (1 to 32), the rest the pixels' red, green and blue bytes, over and over.

#include <zlib.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "crashreport/files/color_octree.h"
#include "crashreport/files/png_writer.h"
#include "crashreport/codec/zlib_memory.h"
#include "platform/rtl/streams.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

std::uint32_t BigEndian(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  if (size < 5) return 0;
  const int width = data[0] % 32 + 1, height = data[1] % 32 + 1;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  std::set<std::uint32_t> distinct;
  TColorOctree tree;
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const std::uint8_t* p = data + 2 + 3 * (i % ((size - 2) / 3));
    pixels[i] = static_cast<std::uint32_t>(p[0]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[2];
    distinct.insert(pixels[i]);
    tree.Add(pixels[i] | 0xFF000000u);
    LAB_FUZZ_CHECK(tree.LeafCount() >= 1 && tree.LeafCount() <= 256);
  }
  const std::vector<std::uint32_t> palette = tree.Palette();
  LAB_FUZZ_CHECK(palette.size() == static_cast<std::size_t>(tree.LeafCount()));
  if (distinct.size() <= 256) LAB_FUZZ_CHECK(std::set<std::uint32_t>(palette.begin(), palette.end()) == distinct);

  TStringStream stream("");
  WriteIndexedPNG(stream, width, height, palette, [&](int Row, std::uint8_t* Out) {
    for (int x = 0; x < width; ++x) Out[x] = tree.LeafIndex(pixels[static_cast<std::size_t>(Row) * width + x]);
  });
  // Read back: the chunks with their CRCs, the palette and the rows.
  const std::string png = stream.DataString();
  LAB_FUZZ_CHECK(png.compare(0, 16, std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16)) == 0);
  std::string kinds, plte, idat;
  for (std::size_t at = 8; at < png.size();) {
    const std::uint32_t length = BigEndian(png, at);
    LAB_FUZZ_CHECK(at + 12 + length <= png.size());
    LAB_FUZZ_CHECK(crc32(0, reinterpret_cast<const Bytef*>(png.data() + at + 4), length + 4) ==
                   BigEndian(png, at + 8 + length));
    const std::string kind = png.substr(at + 4, 4), body = png.substr(at + 8, length);
    kinds += kind;
    if (kind == "PLTE") plte = body;
    if (kind == "IDAT") idat += body;
    at += 12 + length;
  }
  LAB_FUZZ_CHECK(kinds == "IHDRPLTEIDATIEND" && plte.size() == 768);
  const std::vector<std::uint8_t> rows = DecompressBuf(idat.data(), idat.size());
  LAB_FUZZ_CHECK(rows.size() == static_cast<std::size_t>(height) * (width + 1));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i % (width + 1) == 0) {
      LAB_FUZZ_CHECK(rows[i] == 0);
      continue;
    }
    LAB_FUZZ_CHECK(rows[i] < palette.size());
    const std::uint32_t shown = BigEndian(std::string(1, '\0') + plte.substr(3 * rows[i], 3), 0);
    const std::uint32_t pixel = pixels[i / (width + 1) * width + i % (width + 1) - 1];
    if (distinct.size() <= 256) LAB_FUZZ_CHECK(shown == pixel);
    // A leaf below the root holds colours of one box, whose top bits they share, and so does their mean.
    LAB_FUZZ_CHECK(((shown ^ pixel) & 0x808080) == 0);
  }
  return 0;
}
