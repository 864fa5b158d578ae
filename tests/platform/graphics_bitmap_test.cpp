#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "graphics_test_util.h"
#include "platform/graphics/gdi.h"

namespace lab {
namespace {

using test::At;
using test::Clear;

void Paint(TBitmap& bmp) {
  for (int y = 0; y < bmp.Height(); ++y)
    for (int x = 0; x < bmp.Width(); ++x)
      bmp.ScanLine(y)[x] = PixelOf(RGB(x * 20, y * 30, (x * y) & 0xFF));
  bmp.Changed();
}

TEST(GraphicsBitmap, BmpRoundTripKeepsPixelsInEveryWrittenDepth) {
  TBitmap bmp(7, 5);  // odd width: padded rows
  Paint(bmp);
  for (TPixelFormat pf : {pf24bit, pf32bit}) {
    bmp.SetPixelFormat(pf);
    TBitmap back;
    back.LoadFromBytes(bmp.SaveToBytes());
    ASSERT_EQ(back.Width(), 7);
    ASSERT_EQ(back.Height(), 5);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) EXPECT_EQ(At(back, x, y), At(bmp, x, y)) << pf << " " << x << "," << y;
  }

  TBitmap mono(9, 3);
  Clear(mono);
  mono.Canvas()->SetPixels(2, 1, clBlack);
  mono.SetMonochrome(true);
  const auto bytes = mono.SaveToBytes();
  EXPECT_EQ(bytes[28], 1) << "one bit per pixel";
  TBitmap back;
  back.LoadFromBytes(bytes);
  EXPECT_TRUE(back.Monochrome());
  EXPECT_EQ(At(back, 2, 1), 0u);
  EXPECT_EQ(At(back, 3, 1), 0xFFFFFFu);

  // Two pictures in one stream come back one after the other.
  TMemoryStream stream;
  bmp.SaveToStream(&stream);
  mono.SaveToStream(&stream);
  stream.SetPosition(0);
  TBitmap first, second;
  first.LoadFromStream(&stream);
  second.LoadFromStream(&stream);
  EXPECT_EQ(first.Width(), 7);
  EXPECT_EQ(second.Width(), 9);
  EXPECT_TRUE(second.Monochrome());
  EXPECT_EQ(stream.Position(), stream.Size());

  const std::string file = (std::filesystem::temp_directory_path() / "lab_graphics_roundtrip.bmp").string();
  bmp.SaveToFile(file);
  TBitmap loaded;
  loaded.LoadFromFile(file);
  EXPECT_EQ(At(loaded, 6, 4), At(bmp, 6, 4));
  std::remove(file.c_str());
  EXPECT_THROW(loaded.LoadFromFile(file), EFOpenError);
}

// A small BMP file built by hand: 8 bits per pixel with a palette, or run-length coded.
std::vector<std::uint8_t> HandMadeBmp(int bits, int compression, const std::vector<std::uint8_t>& pixels,
                                      int width, int height, const std::vector<std::uint32_t>& palette) {
  std::vector<std::uint8_t> o = {'B', 'M'};
  auto u32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) o.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  auto u16 = [&](std::uint16_t v) {
    o.push_back(static_cast<std::uint8_t>(v));
    o.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  const std::uint32_t off = 14 + 40 + 4 * static_cast<std::uint32_t>(palette.size());
  u32(off + static_cast<std::uint32_t>(pixels.size()));
  u32(0);
  u32(off);
  u32(40);
  u32(static_cast<std::uint32_t>(width));
  u32(static_cast<std::uint32_t>(height));
  u16(1);
  u16(static_cast<std::uint16_t>(bits));
  u32(static_cast<std::uint32_t>(compression));
  u32(static_cast<std::uint32_t>(pixels.size()));
  u32(0);
  u32(0);
  u32(static_cast<std::uint32_t>(palette.size()));
  u32(0);
  for (std::uint32_t c : palette) u32(c);  // stored as blue, green, red, 0
  o.insert(o.end(), pixels.begin(), pixels.end());
  return o;
}

TEST(GraphicsBitmap, ReadsPalettedAndRunLengthFilesAndRejectsBadData) {
  // 3×2, 8 bits: bottom row first, rows padded to 4 bytes. Palette: 0 red, 1 green, 2 blue.
  const std::vector<std::uint32_t> palette = {0x00FF0000, 0x0000FF00, 0x000000FF};
  TBitmap bmp;
  bmp.LoadFromBytes(HandMadeBmp(8, 0, {2, 2, 2, 0, 0, 1, 2, 0}, 3, 2, palette));
  EXPECT_EQ(bmp.PixelFormat(), pf8bit);
  EXPECT_EQ(At(bmp, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(At(bmp, 1, 0), RGB(0, 255, 0));
  EXPECT_EQ(At(bmp, 2, 0), RGB(0, 0, 255));
  EXPECT_EQ(At(bmp, 0, 1), RGB(0, 0, 255));

  // Run-length coded: bottom row "three 1s", end of line, top row "literal 0 2 0", end of bitmap.
  bmp.LoadFromBytes(HandMadeBmp(8, 1, {3, 1, 0, 0, 0, 3, 0, 2, 0, 0, 0, 1}, 3, 2, palette));
  EXPECT_EQ(At(bmp, 0, 1), RGB(0, 255, 0));
  EXPECT_EQ(At(bmp, 2, 1), RGB(0, 255, 0));
  EXPECT_EQ(At(bmp, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(At(bmp, 1, 0), RGB(0, 0, 255));

  auto good = HandMadeBmp(8, 0, {2, 2, 2, 0, 0, 1, 2, 0}, 3, 2, palette);
  for (std::size_t cut : {good.size() - 1, std::size_t{30}, std::size_t{2}}) {
    std::vector<std::uint8_t> bad(good.begin(), good.begin() + static_cast<long>(cut));
    try {
      bmp.LoadFromBytes(bad);
      ADD_FAILURE() << "accepted a file cut at " << cut;
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), "Bitmap image is not valid");
    }
  }
  auto huge = HandMadeBmp(24, 0, {}, 100000, 100000, {});
  EXPECT_THROW(bmp.LoadFromBytes(huge), EInvalidGraphic);
  EXPECT_EQ(bmp.Width(), 3) << "a failed load keeps the picture";
}

TEST(GraphicsBitmap, DrawingStretchingAndTransparency) {
  TBitmap src(4, 4);
  Clear(src, clRed);
  src.Canvas()->Brush()->SetColor(clBlue);
  src.Canvas()->FillRect({0, 0, 2, 2});

  TBitmap dst(10, 10);
  Clear(dst);
  dst.Canvas()->Draw(1, 1, &src);
  EXPECT_EQ(At(dst, 1, 1), RGB(0, 0, 255));
  EXPECT_EQ(At(dst, 4, 4), RGB(255, 0, 0));
  EXPECT_EQ(At(dst, 5, 5), 0xFFFFFFu);

  Clear(dst);
  dst.Canvas()->StretchDraw({0, 0, 8, 8}, &src);
  EXPECT_EQ(At(dst, 3, 3), RGB(0, 0, 255));
  EXPECT_EQ(At(dst, 4, 4), RGB(255, 0, 0));
  EXPECT_EQ(At(dst, 7, 7), RGB(255, 0, 0));

  // Transparent: the bottom-left pixel's colour (red) is left out.
  Clear(dst);
  src.SetTransparent(true);
  EXPECT_EQ(src.TransparentColor(), clRed);
  dst.Canvas()->Draw(0, 0, &src);
  EXPECT_EQ(At(dst, 0, 0), RGB(0, 0, 255));
  EXPECT_EQ(At(dst, 3, 3), 0xFFFFFFu);
  src.SetTransparentColor(clBlue);
  Clear(dst);
  dst.Canvas()->Draw(0, 0, &src);
  EXPECT_EQ(At(dst, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(At(dst, 3, 3), RGB(255, 0, 0));

  // A negative width mirrors.
  Clear(dst);
  win::StretchBlt(dst.Canvas()->Handle(), 3, 0, -4, 4, src.Canvas()->Handle(), 0, 0, 4, 4, win::SRCCOPY);
  EXPECT_EQ(At(dst, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(At(dst, 3, 0), RGB(0, 0, 255));

  // Copying within one bitmap over an overlapping area reads the original pixels.
  TBitmap strip(6, 1);
  for (int x = 0; x < 6; ++x) strip.ScanLine(0)[x] = PixelOf(RGB(x, 0, 0));
  win::BitBlt(strip.Canvas()->Handle(), 1, 0, 5, 1, strip.Canvas()->Handle(), 0, 0, win::SRCCOPY);
  for (int x = 1; x < 6; ++x) EXPECT_EQ(At(strip, x, 0), RGB(x - 1, 0, 0));

  // BrushCopy with a clear brush leaves the keyed colour out.
  Clear(dst, clLime);
  dst.Canvas()->Brush()->SetStyle(bsClear);
  dst.Canvas()->BrushCopy({0, 0, 4, 4}, &src, {0, 0, 4, 4}, clRed);
  EXPECT_EQ(At(dst, 3, 3), RGB(0, 255, 0));
  EXPECT_EQ(At(dst, 0, 0), RGB(0, 0, 255));
}

TEST(GraphicsBitmap, MonochromeMasksCombineWithRasterOperations) {
  // The classic transparent draw: a mask from the background colour, then AND and PAINT.
  TBitmap image(4, 1);
  const TColorRef colours[4] = {RGB(255, 0, 255), RGB(10, 20, 30), RGB(255, 0, 255), RGB(40, 50, 60)};
  for (int x = 0; x < 4; ++x) image.ScanLine(0)[x] = PixelOf(colours[x]);
  win::HDC img = image.Canvas()->Handle();

  win::HDC mask_dc = win::CreateCompatibleDC(nullptr);
  win::HBITMAP mask = win::CreateBitmap(4, 1, 1, 1, nullptr);
  win::HGDIOBJ old_mask = win::SelectObject(mask_dc, mask);
  win::SetBkColor(img, RGB(255, 0, 255));
  win::BitBlt(mask_dc, 0, 0, 4, 1, img, 0, 0, win::SRCCOPY);
  EXPECT_EQ(win::GetPixel(mask_dc, 0, 0), 0xFFFFFFu) << "background colour becomes white";
  EXPECT_EQ(win::GetPixel(mask_dc, 1, 0), 0u);

  TBitmap dst(4, 1);
  Clear(dst, clLime);
  win::HDC d = dst.Canvas()->Handle();
  win::SetTextColor(d, 0);
  win::SetBkColor(d, 0xFFFFFF);
  win::BitBlt(d, 0, 0, 4, 1, mask_dc, 0, 0, win::SRCAND);
  // Image with its background turned black: NOTSRCCOPY of the mask, then AND.
  win::SetTextColor(img, 0xFFFFFF);
  win::SetBkColor(img, 0);
  win::BitBlt(img, 0, 0, 4, 1, mask_dc, 0, 0, win::SRCAND);
  win::BitBlt(d, 0, 0, 4, 1, img, 0, 0, win::SRCPAINT);
  EXPECT_EQ(At(dst, 0, 0), RGB(0, 255, 0));
  EXPECT_EQ(At(dst, 1, 0), RGB(10, 20, 30));
  EXPECT_EQ(At(dst, 2, 0), RGB(0, 255, 0));
  EXPECT_EQ(At(dst, 3, 0), RGB(40, 50, 60));

  win::SelectObject(mask_dc, old_mask);
  win::DeleteObject(mask);
  win::DeleteDC(mask_dc);

  win::BITMAPINFO info{};
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biHeight = 1;
  std::uint8_t row[12] = {};
  EXPECT_EQ(win::GetDIBits(d, dst.Handle(), 0, 1, row, &info, win::DIB_RGB_COLORS), 1);
  EXPECT_EQ(row[3], 30);  // blue, green, red
  EXPECT_EQ(row[5], 10);
  info.bmiHeader.biBitCount = 8;
  EXPECT_EQ(win::GetDIBits(d, dst.Handle(), 0, 1, row, &info, win::DIB_RGB_COLORS), 0) << "no palette";
}

TEST(GraphicsBitmap, PaletteSectionsTakeTheNearestColourAndReadBackAsIndexes) {
  // The screenshot's way to 256 colours: a palette section, a copy into it, 8-bit rows out.
  TBitmap picture(3, 2);
  const TColorRef colours[6] = {RGB(250, 0, 0), RGB(0, 0, 10), RGB(0, 240, 5), RGB(255, 255, 255), RGB(10, 10, 10),
                                RGB(200, 10, 10)};
  for (int i = 0; i < 6; ++i) picture.ScanLine(i / 3)[i % 3] = PixelOf(colours[i]);

  win::BITMAPINFO info{};
  info.bmiHeader.biWidth = 3;
  info.bmiHeader.biHeight = 2;
  info.bmiHeader.biBitCount = 8;
  info.bmiHeader.biClrUsed = 4;
  void* bits = reinterpret_cast<void*>(1);
  win::HBITMAP section = win::CreateDIBSection(nullptr, &info, win::DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(section, nullptr);
  EXPECT_EQ(bits, nullptr);
  win::HDC dc = win::CreateCompatibleDC(nullptr);
  win::HGDIOBJ old = win::SelectObject(dc, section);
  const win::RGBQUAD palette[4] = {{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 255, 255, 0}};
  EXPECT_EQ(win::SetDIBColorTable(dc, 0, 4, palette), 4u);
  win::BitBlt(dc, 0, 0, 3, 2, picture.Canvas()->Handle(), 0, 0, win::SRCCOPY);
  EXPECT_EQ(win::GetPixel(dc, 0, 0), RGB(255, 0, 0)) << "the nearest palette colour";

  std::uint8_t rows[2][4] = {};
  win::BITMAPINFO out{};
  out.bmiHeader.biBitCount = 8;
  out.bmiHeader.biHeight = 2;  // bottom-up
  EXPECT_EQ(win::GetDIBits(dc, section, 0, 2, rows, &out, win::DIB_RGB_COLORS), 2);
  EXPECT_EQ(out.bmiHeader.biClrUsed, 4u);
  EXPECT_EQ(out.bmiColors[1].rgbRed, 255);
  // Bottom row first: white, black, red; then the top row: red, black, green.
  EXPECT_EQ(rows[0][0], 3);
  EXPECT_EQ(rows[0][1], 0);
  EXPECT_EQ(rows[0][2], 1);
  EXPECT_EQ(rows[1][0], 1);
  EXPECT_EQ(rows[1][1], 0);
  EXPECT_EQ(rows[1][2], 2);
  win::RGBQUAD back[4];
  EXPECT_EQ(win::GetDIBColorTable(dc, 2, 4, back), 2u);
  EXPECT_EQ(back[0].rgbGreen, 255);
  win::SelectObject(dc, old);
  win::DeleteObject(section);
  win::DeleteDC(dc);
}

TEST(GraphicsBitmap, SizeAssignAndCanvasNotifications) {
  TBitmap bmp(2, 2);
  EXPECT_EQ(At(bmp, 1, 1), 0xFFFFFFu) << "new pixels are white";
  int changes = 0;
  bmp.OnChange = [&](TObject*) { ++changes; };
  bmp.Canvas()->Brush()->SetColor(clRed);
  bmp.Canvas()->FillRect({0, 0, 1, 1});
  EXPECT_GE(changes, 1);
  bmp.SetSize(3, 3);
  EXPECT_EQ(At(bmp, 0, 0), RGB(255, 0, 0)) << "old pixels kept";
  EXPECT_EQ(At(bmp, 2, 2), RGB(255, 0, 0)) << "new ones take the brush colour";
  EXPECT_EQ(At(bmp, 2, 0), RGB(255, 0, 0)) << "beside the old rows";
  EXPECT_EQ(At(bmp, 0, 2), RGB(255, 0, 0)) << "below them";
  EXPECT_EQ(At(bmp, 1, 1), 0xFFFFFFu) << "the old picture untouched";
  bmp.Canvas()->Brush()->SetColor(clLime);
  bmp.SetSize(4, 2);  // wider and lower at once
  EXPECT_EQ(At(bmp, 3, 1), RGB(0, 255, 0));
  EXPECT_EQ(At(bmp, 2, 1), RGB(255, 0, 0));
  EXPECT_EQ(At(bmp, 1, 1), 0xFFFFFFu);
  bmp.Canvas()->Brush()->SetColor(clRed);
  bmp.SetSize(3, 3);

  // Sizes the device cannot hold are refused whole, keeping the picture.
  EXPECT_THROW(bmp.SetSize(40000, 2), EOutOfResources);
  EXPECT_EQ(bmp.Width(), 3);
  EXPECT_EQ(At(bmp, 2, 2), RGB(255, 0, 0));
  EXPECT_EQ(win::CreateBitmap(40000, 1, 1, 32, nullptr), nullptr);

  TBitmap copy;
  copy.Assign(&bmp);
  bmp.Canvas()->SetPixels(0, 0, clBlue);
  EXPECT_EQ(At(copy, 0, 0), RGB(255, 0, 0)) << "copies are independent";
  EXPECT_THROW(bmp.ScanLine(3), EInvalidGraphic);

  // A pattern brush tiles the bitmap from the brush origin.
  TBitmap pattern(2, 1);
  pattern.ScanLine(0)[0] = PixelOf(0);
  pattern.ScanLine(0)[1] = PixelOf(0xFFFFFF);
  TBitmap dst(6, 1);
  dst.Canvas()->Brush()->SetBitmap(&pattern);
  dst.Canvas()->FillRect({0, 0, 6, 1});
  EXPECT_EQ(At(dst, 0, 0), 0u);
  EXPECT_EQ(At(dst, 1, 0), 0xFFFFFFu);
  EXPECT_EQ(At(dst, 4, 0), 0u);
}

TEST(GraphicsBitmap, ColoursAndTheirNames) {
  EXPECT_EQ(static_cast<std::uint32_t>(clBtnFace), 0xFF00000Fu);
  EXPECT_EQ(static_cast<std::uint32_t>(clHighlight), 0xFF00000Du);
  EXPECT_EQ(static_cast<std::uint32_t>(clHighlightText), 0xFF00000Eu);
  EXPECT_EQ(static_cast<std::uint32_t>(clBtnShadow), 0xFF000010u);
  EXPECT_EQ(ColorToRGB(clBtnFace), win::GetSysColor(syscolor::BtnFace));
  EXPECT_EQ(ColorToRGB(clRed), 0x0000FFu);
  EXPECT_EQ(ColorToRGB(clWindow), 0xFFFFFFu);
  EXPECT_EQ(ColorToRGB(clWindowText), 0u);
  EXPECT_EQ(win::GetSysColor(99), 0u);
  EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
  EXPECT_EQ(ColorToString(0x123456), "$00123456");
  EXPECT_EQ(StringToColor("clbtnface"), clBtnFace);
  EXPECT_EQ(StringToColor("$00123456"), 0x123456);
  EXPECT_EQ(StringToColor("-16777201"), clBtnFace);
  EXPECT_EQ(StringToColor("clNone"), clNone);
  EXPECT_THROW(StringToColor("clPlaid"), EConvertError);
  EXPECT_THROW(StringToColor("$1FFFFFFFF"), EConvertError);
}

}  // namespace
}  // namespace lab
