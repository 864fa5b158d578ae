#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/graphics/bmp_format.h"

namespace lab {
namespace {

// Builds BMP files field by field.
struct BmpWriter {
  std::vector<std::uint8_t> bytes;
  void u8(int v) { bytes.push_back(static_cast<std::uint8_t>(v)); }
  void u16(int v) {
    u8(v & 0xFF);
    u8((v >> 8) & 0xFF);
  }
  void u32(std::uint32_t v) {
    u16(static_cast<int>(v & 0xFFFF));
    u16(static_cast<int>(v >> 16));
  }
  // File header with the pixel data at `offset`, then a 40-byte info header.
  void Headers(int width, int height, int bits, int compression, std::uint32_t offset, int colors = 0) {
    u8('B');
    u8('M');
    u32(0);
    u32(0);
    u32(offset);
    u32(40);
    u32(static_cast<std::uint32_t>(width));
    u32(static_cast<std::uint32_t>(height));
    u16(1);
    u16(bits);
    u32(static_cast<std::uint32_t>(compression));
    u32(0);
    u32(0);
    u32(0);
    u32(static_cast<std::uint32_t>(colors));
    u32(0);
  }
};

std::uint32_t Px(const TDecodedImage& img, int x, int y) { return img.Pixels[static_cast<std::size_t>(y) * img.Width + x]; }

TEST(GraphicsBmp, ReadsEveryPixelDepth) {
  {  // 1 bit, palette of two colours, 9 pixels wide (padding inside a 4-byte row).
    BmpWriter w;
    w.Headers(9, 1, 1, 0, 14 + 40 + 8, 2);
    w.u32(0x00102030);
    w.u32(0x00A0B0C0);
    w.u8(0b10100000);
    w.u8(0b10000000);
    w.u8(0);
    w.u8(0);
    const TDecodedImage img = DecodeBmp(w.bytes);
    EXPECT_EQ(Px(img, 0, 0), 0xFFA0B0C0u);
    EXPECT_EQ(Px(img, 1, 0), 0xFF102030u);
    EXPECT_EQ(Px(img, 2, 0), 0xFFA0B0C0u);
    EXPECT_EQ(Px(img, 8, 0), 0xFFA0B0C0u);
    EXPECT_FALSE(img.Monochrome) << "not black and white";
  }
  {  // 4 bits, two rows, bottom row first.
    BmpWriter w;
    w.Headers(3, 2, 4, 0, 14 + 40 + 64, 16);
    for (int i = 0; i < 16; ++i) w.u32(static_cast<std::uint32_t>(i * 0x111111));
    for (int b : {0x12, 0x30, 0, 0}) w.u8(b);  // bottom row: 1 2 3
    for (int b : {0xF0, 0xF0, 0, 0}) w.u8(b);  // top row: 15 0 15
    const TDecodedImage img = DecodeBmp(w.bytes);
    EXPECT_EQ(img.BitCount, 4);
    EXPECT_EQ(Px(img, 0, 1), 0xFF111111u);
    EXPECT_EQ(Px(img, 2, 1), 0xFF333333u);
    EXPECT_EQ(Px(img, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(Px(img, 1, 0), 0xFF000000u);
  }
  {  // 16 bits, 5-5-5 by default; full intensity comes out as 255.
    BmpWriter w;
    w.Headers(2, 1, 16, 0, 54);
    w.u16(0x7C00);
    w.u16(0x001F);
    const TDecodedImage img = DecodeBmp(w.bytes);
    EXPECT_EQ(Px(img, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(Px(img, 1, 0), 0xFF0000FFu);
  }
  {  // 16 bits with 5-6-5 masks after the header.
    BmpWriter w;
    w.Headers(1, 1, 16, 3, 54 + 12);
    w.u32(0xF800);
    w.u32(0x07E0);
    w.u32(0x001F);
    w.u16(0x07E0);
    w.u16(0);
    const TDecodedImage img = DecodeBmp(w.bytes);
    EXPECT_EQ(Px(img, 0, 0), 0xFF00FF00u);
  }
  {  // 32 bits, top-down (negative height).
    BmpWriter w;
    w.Headers(1, -2, 32, 0, 54);
    w.u32(0x00112233);
    w.u32(0x00445566);
    const TDecodedImage img = DecodeBmp(w.bytes);
    EXPECT_EQ(Px(img, 0, 0), 0xFF112233u);
    EXPECT_EQ(Px(img, 0, 1), 0xFF445566u);
  }
  {  // The old 12-byte header with a 3-byte palette.
    BmpWriter w;
    w.u8('B');
    w.u8('M');
    w.u32(0);
    w.u32(0);
    w.u32(14 + 12 + 6);
    w.u32(12);
    w.u16(2);
    w.u16(1);
    w.u16(1);
    w.u16(1);
    w.u8(0);
    w.u8(0);
    w.u8(0);
    w.u8(0xFF);
    w.u8(0xFF);
    w.u8(0xFF);
    for (int b : {0x40, 0, 0, 0}) w.u8(b);
    const TDecodedImage img = DecodeBmp(w.bytes);
    EXPECT_TRUE(img.Monochrome);
    EXPECT_EQ(Px(img, 0, 0), 0xFF000000u);
    EXPECT_EQ(Px(img, 1, 0), 0xFFFFFFFFu);
  }
}

TEST(GraphicsBmp, RunLengthCodingWithDeltasAndOddRuns) {
  // 4 bits: a run of 5 alternating 1 and 2, end of line, delta (1, 0), literal of 3, end.
  BmpWriter w;
  w.Headers(6, 2, 4, 2, 14 + 40 + 64, 16);
  for (int i = 0; i < 16; ++i) w.u32(static_cast<std::uint32_t>(i));
  for (int v : {5, 0x12, 0, 0, 0, 2, 1, 0, 0, 3, 0x34, 0x50, 0, 1}) w.u8(v);
  const TDecodedImage img = DecodeBmp(w.bytes);
  const int bottom = 1, top = 0;
  EXPECT_EQ(Px(img, 0, bottom) & 0xFF, 1u);
  EXPECT_EQ(Px(img, 1, bottom) & 0xFF, 2u);
  EXPECT_EQ(Px(img, 4, bottom) & 0xFF, 1u);
  EXPECT_EQ(Px(img, 5, bottom) & 0xFF, 0u) << "untouched pixels take colour 0";
  EXPECT_EQ(Px(img, 0, top) & 0xFF, 0u) << "skipped by the delta";
  EXPECT_EQ(Px(img, 1, top) & 0xFF, 3u);
  EXPECT_EQ(Px(img, 3, top) & 0xFF, 5u);
}

TEST(GraphicsBmp, RunLengthPicturesLargerThanTheirDataCanCoverAreRefusedBeforeTheyAreMade) {
  // 8 bits a pixel, two palette entries; each two bytes of data set at most 255 pixels.
  const struct {
    const char* What;
    int Width, Height;
    std::vector<int> Data;
    bool Read;
  } cases[] = {
      {"a few bytes claiming 224 million pixels", 30724, 7297, {0, 0, 0, 1}, false},
      {"as many pixels as its runs can set", 1020, 1, {255, 1, 255, 1, 255, 1, 255, 1}, true},
      {"one pixel more", 1021, 1, {255, 1, 255, 1, 255, 1, 255, 1}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    BmpWriter w;
    w.Headers(c.Width, c.Height, 8, 1, 14 + 40 + 8, 2);
    w.u32(0x000000);
    w.u32(0xFFFFFF);
    for (int v : c.Data) w.u8(v);
    if (!c.Read) {
      EXPECT_THROW(DecodeBmp(w.bytes), EInvalidGraphic);
      continue;
    }
    const TDecodedImage img = DecodeBmp(w.bytes);
    EXPECT_EQ(Px(img, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(Px(img, c.Width - 1, 0), 0xFFFFFFFFu);
  }
}

TEST(GraphicsBmp, MalformedFilesAreRefused) {
  auto refused = [](const std::vector<std::uint8_t>& bytes) {
    try {
      DecodeBmp(bytes);
    } catch (const EInvalidGraphic& e) {
      return e.Message() == "Bitmap image is not valid";
    }
    return false;
  };
  BmpWriter w;
  w.Headers(2, 2, 24, 0, 54);
  EXPECT_TRUE(refused(w.bytes)) << "no pixel data";
  BmpWriter bits;
  bits.Headers(2, 2, 7, 0, 54);
  for (int i = 0; i < 16; ++i) bits.u8(0);
  EXPECT_TRUE(refused(bits.bytes)) << "7 bits per pixel";
  BmpWriter comp;
  comp.Headers(2, 2, 24, 4, 54);
  for (int i = 0; i < 16; ++i) comp.u8(0);
  EXPECT_TRUE(refused(comp.bytes)) << "embedded JPEG";
  BmpWriter wide;
  wide.Headers(40000, 1, 24, 0, 54);
  EXPECT_TRUE(refused(wide.bytes));
  BmpWriter zero;
  zero.Headers(0, 5, 24, 0, 54);
  EXPECT_TRUE(refused(zero.bytes));
  BmpWriter palette;
  palette.Headers(1, 1, 8, 0, 54, 300);
  EXPECT_TRUE(refused(palette.bytes)) << "more colours than 8 bits can index";
  EXPECT_TRUE(refused({'B', 'M'}));
  EXPECT_TRUE(refused({'P', 'K', 3, 4}));
}

// A 1-bit image, 2 pixels wide, whose header declares `colors` table entries (3 is more than one bit
// can index); the table holds that many entries, the pixel row comes right after it.
std::vector<std::uint8_t> OneBitDib(std::uint32_t colors) {
  BmpWriter w;
  w.u32(40);
  w.u32(2);
  w.u32(1);
  w.u16(1);
  w.u16(1);
  for (std::uint32_t v : {0u, 0u, 0u, 0u, colors, 0u}) w.u32(v);
  w.u32(0x00112233);
  w.u32(0x00445566);
  for (std::uint32_t k = 2; k < colors; ++k) w.u32(0x00778899);
  w.u32(0x40);  // pixels 0 and 1: colours 0 and 1
  return w.bytes;
}

TEST(GraphicsBmp, ColourTablesLongerThanTheBitCountKeepOnlyWhatPixelsCanName) {
  // Read whole, the third entry would land past the two-entry palette.
  const TDecodedImage dib = DecodeDib(OneBitDib(3), false);
  EXPECT_EQ(Px(dib, 0, 0), 0xFF112233u);
  EXPECT_EQ(Px(dib, 1, 0), 0xFF445566u) << "the pixels follow all three entries";
  std::vector<std::uint8_t> file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 14 + 40 + 12, 0, 0, 0};
  const auto dib_bytes = OneBitDib(3);
  file.insert(file.end(), dib_bytes.begin(), dib_bytes.end());
  const TDecodedImage bmp = DecodeBmp(file);
  EXPECT_EQ(Px(bmp, 1, 0), 0xFF445566u);
  // Deeper images may carry a table too: the bits come after it.
  BmpWriter deep;
  deep.u32(40);
  deep.u32(1);
  deep.u32(1);
  deep.u16(1);
  deep.u16(24);
  for (std::uint32_t v : {0u, 0u, 0u, 0u, 2u, 0u}) deep.u32(v);
  deep.u32(0x00FFFFFF);
  deep.u32(0x00FFFFFF);
  for (int b : {0x30, 0x20, 0x10, 0}) deep.u8(b);
  EXPECT_EQ(Px(DecodeDib(deep.bytes, false), 0, 0), 0xFF102030u);
}

TEST(GraphicsBmp, HeadersOfUndefinedSizesAndExtremeHeightsAreRefused) {
  auto refused = [](const std::vector<std::uint8_t>& bytes) {
    try {
      DecodeBmp(bytes);
    } catch (const EInvalidGraphic& e) {
      return e.Message() == "Bitmap image is not valid";
    }
    return false;
  };
  // A top-down height of -2^31 has no positive counterpart in 32 bits.
  BmpWriter lowest;
  lowest.Headers(1, INT32_MIN, 24, 0, 54);
  for (int i = 0; i < 4; ++i) lowest.u8(0);
  EXPECT_TRUE(refused(lowest.bytes));
  // No version of the format has a 66-byte header.
  BmpWriter odd;
  odd.Headers(1, 1, 24, 0, 14 + 66);
  odd.bytes[14] = 66;
  for (int i = 0; i < 26 + 4; ++i) odd.u8(0);
  EXPECT_TRUE(refused(odd.bytes));
  for (std::uint32_t size : {0u, 8u, 24u, 39u, 41u, 100u, 125u, 0xFFFFFFFFu}) {
    BmpWriter w;
    w.Headers(1, 1, 24, 0, 0);
    for (int i = 0; i < 4; ++i) w.bytes[14 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    for (int i = 0; i < 200; ++i) w.u8(0);
    EXPECT_TRUE(refused(w.bytes)) << size;
  }
}

// One 2×1 24-bit image behind an info header of the given size (the fields past the first 40 zero).
std::vector<std::uint8_t> WithHeaderSize(std::uint32_t size) {
  BmpWriter w;
  w.Headers(2, 1, 24, 0, 14 + size);
  w.bytes[14] = static_cast<std::uint8_t>(size);
  if (size == 16) w.bytes.resize(14 + 16);
  while (w.bytes.size() < 14 + size) w.u8(0);
  for (int b : {1, 2, 3, 4, 5, 6, 0, 0}) w.u8(b);
  return w.bytes;
}

TEST(GraphicsBmp, EveryDefinedHeaderSizeReadsTheSamePixels) {
  for (std::uint32_t size : {16u, 40u, 52u, 56u, 64u, 108u, 124u}) {
    const TDecodedImage img = DecodeBmp(WithHeaderSize(size));
    ASSERT_EQ(img.Width, 2) << size;
    EXPECT_EQ(Px(img, 0, 0), 0xFF030201u) << size;
    EXPECT_EQ(Px(img, 1, 0), 0xFF060504u) << size;
  }
  // OS/2's compression numbers 3 and 4 are Huffman and 24-bit run lengths, not colour masks.
  auto os2 = WithHeaderSize(64);
  os2[14 + 16] = 3;
  EXPECT_THROW(DecodeBmp(os2), EInvalidGraphic);
  // Colour masks and alpha mask after a 40-byte header.
  BmpWriter alpha;
  alpha.Headers(1, 1, 32, 6, 14 + 40 + 16);
  for (std::uint32_t m : {0x000000FFu, 0x0000FF00u, 0x00FF0000u, 0xFF000000u}) alpha.u32(m);
  alpha.u32(0x80112233);
  EXPECT_EQ(Px(DecodeBmp(alpha.bytes), 0, 0), 0xFF332211u);
}

TEST(GraphicsBmp, WrittenFilesHaveTheStandardLayout) {
  const std::uint32_t px[3] = {0xFF102030u, 0xFF405060u, 0xFF708090u};
  const auto bytes = EncodeBmp(3, 1, px, 24);
  ASSERT_EQ(bytes.size(), 14u + 40u + 12u);  // one row of 9 bytes padded to 12
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[2] | (bytes[3] << 8), 66);
  EXPECT_EQ(bytes[10], 54);
  EXPECT_EQ(bytes[54], 0x30);  // blue, green, red
  EXPECT_EQ(bytes[56], 0x10);
  const TDecodedImage back = DecodeBmp(bytes);
  EXPECT_EQ(Px(back, 2, 0), 0xFF708090u);
}

}  // namespace
}  // namespace lab
