#include <gtest/gtest.h>

#include <vector>

#include "graphics_test_util.h"
#include "platform/win/cursors.h"

namespace lab {
namespace {

using test::At;
using test::Clear;

std::uint32_t PixelAt(const TCursorImage& c, int x, int y) {
  return c.Pixels()[static_cast<std::size_t>(y) * c.Width() + x];
}

// A cursor file with one 32-bit entry (alpha in the pixels) or one 1-bit entry with its AND mask.
std::vector<std::uint8_t> CursorFile(int size, int bits, TPoint hot) {
  std::vector<std::uint8_t> o;
  auto u16 = [&](int v) {
    o.push_back(static_cast<std::uint8_t>(v));
    o.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  auto u32 = [&](std::uint32_t v) {
    u16(static_cast<int>(v & 0xFFFF));
    u16(static_cast<int>(v >> 16));
  };
  const std::size_t xor_stride = (static_cast<std::size_t>(size) * bits + 31) / 32 * 4;
  const std::size_t and_stride = (static_cast<std::size_t>(size) + 31) / 32 * 4;
  const std::size_t palette = bits == 1 ? 8 : 0;
  const std::size_t image = 40 + palette + (xor_stride + and_stride) * size;
  u16(0);
  u16(2);
  u16(1);
  o.push_back(static_cast<std::uint8_t>(size));
  o.push_back(static_cast<std::uint8_t>(size));
  o.push_back(0);
  o.push_back(0);
  u16(hot.X);
  u16(hot.Y);
  u32(static_cast<std::uint32_t>(image));
  u32(22);
  u32(40);
  u32(static_cast<std::uint32_t>(size));
  u32(static_cast<std::uint32_t>(size * 2));
  u16(1);
  u16(bits);
  for (int i = 0; i < 6; ++i) u32(0);
  if (bits == 1) {
    u32(0x000000);
    u32(0xFFFFFF);
  }
  // Rows bottom-up. Left half: opaque red (32-bit) or white (1-bit); right half: transparent.
  for (int row = size - 1; row >= 0; --row) {
    std::vector<std::uint8_t> r(xor_stride, 0);
    for (int x = 0; x < size / 2; ++x) {
      if (bits == 32) {
        r[4 * x + 2] = 0xFF;
        r[4 * x + 3] = 0xFF;
      } else {
        r[x / 8] = static_cast<std::uint8_t>(r[x / 8] | (0x80 >> (x % 8)));
      }
    }
    o.insert(o.end(), r.begin(), r.end());
  }
  for (int row = size - 1; row >= 0; --row) {
    std::vector<std::uint8_t> r(and_stride, 0);
    for (int x = size / 2; x < size; ++x) r[x / 8] = static_cast<std::uint8_t>(r[x / 8] | (0x80 >> (x % 8)));
    o.insert(o.end(), r.begin(), r.end());
  }
  return o;
}

TEST(GraphicsCursor, StandardCursorsHaveShapesHotSpotsAndIds) {
  TCursorImage* arrow = StandardCursor(crArrow);
  ASSERT_NE(arrow, nullptr);
  EXPECT_EQ(StandardCursor(crDefault), arrow);
  EXPECT_EQ(win::LoadCursor(nullptr, win::IDC_ARROW), arrow);
  EXPECT_EQ(arrow->HotSpot(), (TPoint{0, 0}));
  EXPECT_EQ(arrow->StandardId(), win::IDC_ARROW);
  EXPECT_EQ(PixelAt(*arrow, 0, 0), 0xFF000000u) << "black outline at the tip";
  EXPECT_EQ(PixelAt(*arrow, 2, 8), 0xFFFFFFFFu) << "white body";
  EXPECT_EQ(PixelAt(*arrow, 31, 31) >> 24, 0u) << "transparent elsewhere";
  EXPECT_EQ(StandardCursor(crNone), nullptr);
  for (TCursor c = crSizeAll; c <= crArrow; ++c) {
    if (c == -5) continue;
    TCursorImage* img = StandardCursor(c);
    ASSERT_NE(img, nullptr) << c;
    int opaque = 0;
    for (std::uint32_t p : img->Pixels()) opaque += (p >> 24) != 0;
    EXPECT_GT(opaque, 10) << c;
  }
  EXPECT_EQ(win::LoadCursor(nullptr, win::IDC_SIZEWE)->HotSpot(), (TPoint{16, 16}));
  EXPECT_EQ(win::LoadCursor(nullptr, 12345), nullptr);
  EXPECT_EQ(CursorToIdent(crHSplit), "crHSplit");
  EXPECT_EQ(IdentToCursor("CRDRAG"), crDrag);
  EXPECT_FALSE(IdentToCursor("crNothing").has_value());
}

TEST(GraphicsCursor, CursorFilesGiveImageAndHotSpot) {
  std::unique_ptr<TCursorImage> c(ReadCursorFile(CursorFile(16, 32, {3, 4})));
  EXPECT_EQ(c->Width(), 16);
  EXPECT_EQ(c->HotSpot(), (TPoint{3, 4}));
  EXPECT_EQ(PixelAt(*c, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(*c, 15, 15) >> 24, 0u);

  std::unique_ptr<TCursorImage> mono(ReadCursorFile(CursorFile(8, 1, {7, 0})));
  EXPECT_EQ(mono->HotSpot(), (TPoint{7, 0}));
  EXPECT_EQ(PixelAt(*mono, 1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(*mono, 6, 1), 0u);

  // A 1-bit image declaring three colours: the third entry is skipped, not written past the palette.
  auto three = CursorFile(8, 1, {7, 0});
  three[22 + 32] = 3;
  three.insert(three.begin() + 22 + 40 + 8, {0x10, 0x20, 0x30, 0});
  three[6 + 8] = static_cast<std::uint8_t>(three[6 + 8] + 4);
  std::unique_ptr<TCursorImage> declared(ReadCursorFile(three));
  EXPECT_EQ(PixelAt(*declared, 1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(*declared, 6, 1), 0u);

  auto bad = CursorFile(16, 32, {0, 0});
  bad.resize(40);
  EXPECT_THROW(ReadCursorFile(bad), EInvalidGraphic);
  EXPECT_THROW(ReadCursorFile(std::vector<std::uint8_t>{1, 2, 3}), EInvalidGraphic);
  // A run-length image of a few bytes claiming 23816×9864 pixels: refused at once, not decoded.
  const std::vector<std::uint8_t> huge{
      0x00, 0x00, 0x02, 0x00, 0x01, 0x00, 0x08, 0x08, 0x00, 0x00, 0x01, 0x8c, 0x00, 0x00, 0x70, 0x00,
      0x00, 0x00, 0x16, 0x00, 0x00, 0x00, 0x28, 0x00, 0x00, 0x00, 0x08, 0x5d, 0x00, 0x00, 0x10, 0x4d,
      0x00, 0x00, 0x00, 0x01, 0x08, 0x00, 0x01, 0x00, 0x00, 0x00, 0x70, 0x00, 0x00, 0x00, 0x16, 0x00,
      0x00, 0x00, 0x28, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x8a, 0x0f, 0x0f, 0x0f, 0x0f, 0x4f, 0x17, 0x0f, 0x0f, 0x0f, 0x0f, 0x0f, 0x0f, 0x0f, 0x0f,
      0x0f, 0x0f, 0x0f, 0x0f, 0x0f, 0x0f, 0xb3, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0xff, 0xff,
      0xff, 0xff, 0xff, 0xff, 0xff, 0x0f, 0x00, 0x08, 0x0f, 0x0f, 0x0f, 0x0f, 0x0f, 0x0f, 0x17, 0x0f,
      0x0f, 0x0f, 0x2c, 0x0f, 0x0f, 0x0f, 0x0f, 0x0f, 0x28, 0x0f, 0x17, 0x0f, 0x10, 0x0f, 0x55, 0x55,
      0x55, 0x55, 0x55, 0x55, 0x55, 0x01, 0x08, 0x00, 0x01, 0x00, 0x0f, 0x0f,
  };
  EXPECT_THROW(ReadCursorFile(huge), EInvalidGraphic);

  try {
    LoadCursorResource("NOSUCHCURSOR");
    ADD_FAILURE();
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message(), "Resource NOSUCHCURSOR not found");
  }
  EXPECT_EQ(win::LoadCursor(nullptr, std::string_view("NOSUCHCURSOR")), nullptr);
  TBitmap bmp;
  EXPECT_THROW(bmp.LoadFromResourceName(nullptr, "NOSUCHBITMAP"), EResNotFound);
}

TEST(GraphicsCursor, ScreenTableKeepsImagesStoredUnderSeveralNumbers) {
  EXPECT_EQ(ScreenCursor(crHSplit), StandardCursor(crHSplit));
  EXPECT_EQ(ScreenCursor(1234), StandardCursor(crArrow)) << "unknown numbers show the arrow";
  EXPECT_EQ(ScreenCursor(crNone), nullptr);
  auto* custom = ReadCursorFile(CursorFile(16, 32, {1, 1}));
  SetScreenCursor(1, custom);
  SetScreenCursor(2, custom);
  EXPECT_EQ(ScreenCursor(1), custom);
  SetScreenCursor(1, nullptr);
  EXPECT_EQ(ScreenCursor(1), StandardCursor(crArrow));
  EXPECT_EQ(ScreenCursor(2)->HotSpot(), (TPoint{1, 1})) << "still alive under the other number";
  SetScreenCursor(2, nullptr);
  SetScreenCursor(crHSplit, StandardCursor(crVSplit));
  EXPECT_EQ(ScreenCursor(crHSplit), StandardCursor(crVSplit));
  SetScreenCursor(crHSplit, nullptr);
  EXPECT_EQ(ScreenCursor(crHSplit), StandardCursor(crHSplit));
}

TEST(GraphicsCursor, DrawIconExAndIconInfo) {
  TBitmap bmp(40, 40);
  Clear(bmp, clLime);
  win::HCURSOR arrow = win::LoadCursor(nullptr, win::IDC_ARROW);
  ASSERT_TRUE(win::DrawIconEx(bmp.Canvas()->Handle(), 5, 5, arrow, 0, 0, 0, nullptr, win::DI_NORMAL));
  EXPECT_EQ(At(bmp, 5, 5), 0u);
  EXPECT_EQ(At(bmp, 7, 13), 0xFFFFFFu);
  EXPECT_EQ(At(bmp, 36, 36), 0x00FF00u);

  win::ICONINFO info{};
  ASSERT_TRUE(win::GetIconInfo(arrow, &info));
  EXPECT_EQ(info.xHotspot, 0u);
  EXPECT_TRUE(info.hbmMask->Monochrome());
  EXPECT_EQ(info.hbmColor->Width(), 32);
  win::DeleteObject(info.hbmMask);
  win::DeleteObject(info.hbmColor);

  std::uint8_t and_plane[2 * 2] = {0x3F, 0xFF, 0x3F, 0xFF}, xor_plane[4] = {0x80, 0, 0x00, 0};
  win::HCURSOR made = win::CreateCursor(nullptr, 1, 0, 16, 2, and_plane, xor_plane);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(PixelAt(*made, 0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(*made, 1, 0), 0xFF000000u);
  EXPECT_EQ(PixelAt(*made, 5, 0), 0u);
  EXPECT_TRUE(win::DestroyCursor(made));
  EXPECT_TRUE(win::DestroyCursor(arrow)) << "shared cursors are not freed";
  EXPECT_EQ(StandardCursor(crArrow)->Width(), 32);
}

}  // namespace
}  // namespace lab
