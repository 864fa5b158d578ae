#include "editor/text_drawer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/edit_exceptions.h"
#include "platform/graphics/bitmap.h"

namespace lab {
namespace {

// The pinned font of these tests: DejaVu Sans Mono, 13 pixels.
std::unique_ptr<TFont> PinnedFont(int height = -13) {
  auto font = std::make_unique<TFont>();
  font->SetName("DejaVu Sans Mono");
  font->SetHeight(height);
  return font;
}

// Columns of the bitmap that hold a dark pixel.
std::vector<bool> InkColumns(TBitmap& bitmap) {
  std::vector<bool> ink(static_cast<std::size_t>(bitmap.Width()), false);
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint32_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x)
      if ((row[x] & 0xFF) < 0x80) ink[static_cast<std::size_t>(x)] = true;
  }
  return ink;
}

int FirstInk(const std::vector<bool>& ink, int from, int to) {
  for (int x = from; x < to && x < static_cast<int>(ink.size()); ++x)
    if (ink[static_cast<std::size_t>(x)]) return x;
  return -1;
}

std::string AssertionOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EAssertionFailed& e) {
    return e.Message();
  }
  return "<none>";
}

TEST(FontStock, EqualBaseFontsShareOneRecord) {
  TFontsInfoManager& manager = GetFontsInfoManager();
  const int before = manager.Count();
  auto font = PinnedFont(-17);
  auto italic = PinnedFont(-17);
  italic->SetStyle({fsItalic, fsUnderline});  // styles do not make another record
  auto stock1 = std::make_unique<TFontStock>(font.get());
  TFontStock stock2(italic.get());
  ASSERT_EQ(stock1->FontsInfo(), stock2.FontsInfo());
  TSharedFontsInfo* info = stock2.FontsInfo();
  EXPECT_EQ(manager.Count(), before + 1);
  EXPECT_EQ(info->RefCount, 2);
  EXPECT_EQ(info->LockCount, 2);
  stock2.SetStyle({fsBold});
  const win::HFONT bold = stock2.FontHandle();
  ASSERT_NE(bold, nullptr);
  EXPECT_EQ(bold->LogFont().lfWeight, win::FW_BOLD);
  EXPECT_EQ(bold->LogFont().lfItalic, 0);
  // Freeing one user keeps the shared device fonts.
  stock1.reset();
  EXPECT_EQ(info->RefCount, 1);
  EXPECT_EQ(info->FontsData[1].Handle, bold);
  stock2.SetStyle({fsBold, fsItalic});
  EXPECT_EQ(stock2.FontHandle()->LogFont().lfItalic, 1);
  EXPECT_GT(stock2.CharHeight(), 10);

  // Another size is another record.
  auto other = PinnedFont(-20);
  stock2.SetBaseFont(other.get());
  EXPECT_NE(stock2.FontsInfo(), info);
  EXPECT_EQ(manager.Count(), before + 1);  // the old record went with its last user
  EXPECT_THROW(stock2.SetBaseFont(nullptr), EFontStockException);
}

TEST(FontStock, FontsThatDrawDifferentlyGetRecordsOfTheirOwn) {
  // Same face, height and weight, but turned or of another character set: sharing a record would
  // hand one editor the other's device fonts.
  auto plain = PinnedFont(-19);
  auto turned = PinnedFont(-19);
  turned->SetOrientation(900);
  auto greek = PinnedFont(-19);
  greek->SetCharset(161);
  TFontStock a(plain.get()), b(turned.get()), c(greek.get());
  EXPECT_NE(a.FontsInfo(), b.FontsInfo());
  EXPECT_NE(a.FontsInfo(), c.FontsInfo());
  EXPECT_EQ(a.FontHandle()->LogFont().lfEscapement, 0);
  EXPECT_EQ(b.FontHandle()->LogFont().lfEscapement, 900);
  EXPECT_EQ(c.FontHandle()->LogFont().lfCharSet, 161);
  // An equal font made afresh shares the record.
  TFontStock d(PinnedFont(-19).get());
  EXPECT_EQ(d.FontsInfo(), a.FontsInfo());
  EXPECT_EQ(a.FontsInfo()->RefCount, 2);
}

TEST(FontStock, ReleasingALockedRecordIsRefused) {
  auto font = PinnedFont(-15);
  TFontStock stock(font.get());
  TFontsInfoManager& manager = GetFontsInfoManager();
  EXPECT_EQ(AssertionOf([&] { manager.ReleaseFontsInfo(stock.FontsInfo()); }),
            "Call DeactivateFontsInfo before calling this. (CodeTextDrawer)");
  EXPECT_EQ(stock.FontsInfo()->RefCount, 1);
}

TEST(TextDrawer, CellsComeFromTheExtentStyle) {
  auto font = PinnedFont();
  TTextDrawer drawer({fsBold}, font.get());
  TFontStock plain(font.get());
  EXPECT_EQ(drawer.CharWidth(), plain.CharAdvance());  // a monospaced face: bold has the same advance
  EXPECT_EQ(drawer.CharHeight(), plain.CharHeight());
  EXPECT_GT(drawer.CharWidth(), 5);
  drawer.SetCharExtra(3);
  EXPECT_EQ(drawer.CharWidth(), plain.CharAdvance() + 3);
  EXPECT_EQ(drawer.Style(), TFontStyles{});  // the font's own style is the one in use
  drawer.SetStyle({fsItalic});
  EXPECT_EQ(drawer.StockFont()->LogFont().lfItalic, 1);
  EXPECT_THROW(drawer.SetBaseFont(nullptr), ETextDrawerException);
  EXPECT_THROW(TTextDrawer({}, nullptr), ETextDrawerException);
}

TEST(TextDrawer, EveryCharacterTakesOneCell) {
  auto font = PinnedFont();
  TTextDrawer drawer({fsBold}, font.get());
  drawer.SetCharExtra(4);  // cells wider than the glyphs, so a natural advance would show
  const int cw = drawer.CharWidth();
  TBitmap bitmap(20 * cw, 24);
  drawer.SetForeColor(clBlack);
  drawer.SetBackColor(clWhite);
  drawer.BeginDrawing(bitmap.Canvas()->Handle());
  const std::u32string text = U"|||||";
  drawer.ExtTextOut(0, 2, 0, nullptr, text.data(), static_cast<int>(text.size()));
  drawer.EndDrawing();
  const std::vector<bool> ink = InkColumns(bitmap);
  const int first = FirstInk(ink, 0, cw);
  ASSERT_GE(first, 0);
  for (int i = 1; i < 5; ++i) EXPECT_EQ(FirstInk(ink, i * cw, (i + 1) * cw), first + i * cw) << i;
  EXPECT_EQ(FirstInk(ink, 5 * cw, 20 * cw), -1);
}

TEST(TextDrawer, ClippingKeepsInkInsideTheRectangle) {
  auto font = PinnedFont();
  TTextDrawer drawer({fsBold}, font.get());
  const int cw = drawer.CharWidth();
  TBitmap bitmap(12 * cw, 24);
  drawer.SetForeColor(clBlack);
  drawer.SetBackColor(clWhite);
  drawer.BeginDrawing(bitmap.Canvas()->Handle());
  const std::u32string text = U"MMMMMMMMMM";
  const TRect clip{cw, 0, 3 * cw, 24};
  drawer.ExtTextOut(0, 2, win::ETO_CLIPPED, &clip, text.data(), static_cast<int>(text.size()));
  drawer.EndDrawing();
  const std::vector<bool> ink = InkColumns(bitmap);
  EXPECT_EQ(FirstInk(ink, 0, cw), -1);
  EXPECT_GE(FirstInk(ink, cw, 3 * cw), cw);
  EXPECT_EQ(FirstInk(ink, 3 * cw, 12 * cw), -1);
}

TEST(TextDrawer, OpaqueBackgroundAndContextRestored) {
  auto font = PinnedFont();
  TTextDrawer drawer({fsBold}, font.get());
  TBitmap bitmap(100, 20);
  win::HDC dc = bitmap.Canvas()->Handle();
  win::SetTextColor(dc, 0x123456);
  drawer.SetBackColor(clBlack);
  drawer.BeginDrawing(dc);
  drawer.BeginDrawing(dc);  // nested, same context
  const TRect box{10, 0, 30, 20};
  drawer.ExtTextOut(10, 0, win::ETO_OPAQUE, &box, U"", 0);
  drawer.EndDrawing();
  drawer.EndDrawing();
  EXPECT_EQ(bitmap.ScanLine(5)[15] & 0xFFFFFF, 0u);         // filled with the back colour
  EXPECT_EQ(bitmap.ScanLine(5)[50] & 0xFFFFFF, 0xFFFFFFu);  // nothing outside
  EXPECT_EQ(win::GetTextColor(dc), 0x123456u);  // the context is as it was
}

TEST(TextDrawer, TheSpacingArrayGrowsInStepsOf64) {
  auto font = PinnedFont();
  TTextDrawer drawer({fsBold}, font.get());
  TBitmap bitmap(50, 20);
  drawer.BeginDrawing(bitmap.Canvas()->Handle());
  const std::u32string longer(100, U'x');
  drawer.ExtTextOut(0, 0, 0, nullptr, longer.data(), 10);
  EXPECT_EQ(drawer.SpacingLength(), 64);
  drawer.ExtTextOut(0, 0, 0, nullptr, longer.data(), 100);
  EXPECT_EQ(drawer.SpacingLength(), 128);
  drawer.ExtTextOut(0, 0, 0, nullptr, longer.data(), 64);
  EXPECT_EQ(drawer.SpacingLength(), 128);
  drawer.SetCharExtra(2);  // new cell width: the array is made again
  EXPECT_EQ(drawer.SpacingLength(), 0);
  drawer.EndDrawing();
}

TEST(TextDrawer, UnbalancedDrawingIsAnAssertion) {
  auto font = PinnedFont();
  TTextDrawer drawer({fsBold}, font.get());
  EXPECT_EQ(AssertionOf([&] { drawer.EndDrawing(); }), "Assertion failure (CodeTextDrawer)");
  TBitmap a(10, 10), b(10, 10);
  drawer.BeginDrawing(a.Canvas()->Handle());
  EXPECT_EQ(AssertionOf([&] { drawer.BeginDrawing(b.Canvas()->Handle()); }), "Assertion failure (CodeTextDrawer)");
  drawer.EndDrawing();
  EXPECT_EQ(AssertionOf([&] { drawer.BeginDrawing(nullptr); }), "Assertion failure (CodeTextDrawer)");
}

}  // namespace
}  // namespace lab
