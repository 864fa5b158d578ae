#include <gtest/gtest.h>
#include <unistd.h>

#include "graphics_test_util.h"
#include "platform/graphics/draw_text.h"

namespace lab {
namespace {

using test::At;
using test::Clear;
using test::InkBounds;

constexpr TColorRef kWhite = 0xFFFFFF;

// A white canvas with a pinned font.
struct TextSurface {
  TBitmap bmp;
  explicit TextSurface(int w, int h, const char* face = "monospace", int height = -13) : bmp(w, h) {
    Clear(bmp);
    bmp.Canvas()->Font()->SetName(face);
    bmp.Canvas()->Font()->SetHeight(height);
    bmp.Canvas()->Font()->SetColor(clBlack);
    bmp.Canvas()->Brush()->SetStyle(bsClear);
  }
  TCanvas* c() { return bmp.Canvas(); }
  win::HDC dc() {
    c()->TextWidth("x");  // selects the canvas font
    return c()->Handle();
  }
};

TEST(GraphicsText, FontPropertiesSizeHeightAndChangeNotification) {
  TFont f;
  EXPECT_EQ(f.Name(), "sans-serif");
  EXPECT_EQ(f.Size(), 8);
  EXPECT_EQ(f.Height(), -11);
  int changes = 0;
  f.OnChange = [&](TObject*) { ++changes; };
  f.SetSize(10);
  EXPECT_EQ(f.Height(), -13);
  EXPECT_EQ(f.Size(), 10);
  f.SetSize(10);
  EXPECT_EQ(changes, 1) << "same value, no change";
  win::HFONT h1 = f.Handle();
  EXPECT_EQ(f.Handle(), h1);
  f.SetStyle({fsBold, fsUnderline});
  win::HFONT h2 = f.Handle();
  EXPECT_EQ(h2->LogFont().lfWeight, win::FW_BOLD);
  EXPECT_EQ(h2->LogFont().lfUnderline, 1);
  f.SetColor(clRed);
  EXPECT_EQ(f.Handle(), h2) << "colour is not part of the device font";
  EXPECT_EQ(changes, 3);

  TFont g;
  g.Assign(&f);
  EXPECT_EQ(g.Height(), -13);
  EXPECT_EQ(g.Style(), (TFontStyles{fsBold, fsUnderline}));
  EXPECT_EQ(g.Color(), clRed);

  // A device font taken over by a TFont gives it its properties.
  win::HFONT rotated = win::CreateFont(-20, 0, 900, 900, win::FW_BOLD, 1, 0, 0, win::DEFAULT_CHARSET,
                                       win::OUT_TT_ONLY_PRECIS, 0, 0, win::FIXED_PITCH, "monospace");
  g.SetHandle(rotated);
  EXPECT_EQ(g.Handle(), rotated);
  EXPECT_EQ(g.Height(), -20);
  EXPECT_EQ(g.Orientation(), 900);
  EXPECT_EQ(g.Style(), (TFontStyles{fsBold, fsItalic}));
  EXPECT_EQ(g.Pitch(), fpFixed);
  EXPECT_EQ(g.Name(), "monospace");
}

TEST(GraphicsText, FamiliesResolveThroughFontconfigWithFallback) {
  TextSurface s(10, 10, "monospace");
  std::string face;
  win::GetTextFace(s.dc(), &face);
  EXPECT_EQ(face, "DejaVu Sans Mono");
  s.c()->Font()->SetName("sans-serif");
  win::GetTextFace(s.dc(), &face);
  EXPECT_EQ(face, "DejaVu Sans");
  s.c()->Font()->SetName("Default");
  win::GetTextFace(s.dc(), &face);
  EXPECT_EQ(face, "DejaVu Sans");
  s.c()->Font()->SetName("No Such Family 12345");
  win::GetTextFace(s.dc(), &face);
  EXPECT_FALSE(face.empty());
  EXPECT_GT(s.c()->TextWidth("abc"), 0);
}

// A proportional font's average width is the one its own tables give (DejaVu Sans 1038, its bold
// 1173, DejaVu Serif 1050 of 2048 units to the em), not a guess from the em.
TEST(GraphicsText, AProportionalFontsAverageWidthComesFromTheFont) {
  struct Case {
    const char* face;
    bool bold;
    int average;
  };
  for (const Case& c : {Case{"DejaVu Sans", false, 101}, Case{"DejaVu Sans", true, 115},
                        Case{"DejaVu Serif", false, 103}}) {
    TextSurface s(10, 10, c.face, -200);
    if (c.bold) s.c()->Font()->SetStyle({fsBold});
    win::TEXTMETRIC tm{};
    ASSERT_TRUE(win::GetTextMetrics(s.dc(), &tm));
    EXPECT_EQ(tm.tmAveCharWidth, c.average) << c.face << (c.bold ? " bold" : "");
  }
}

TEST(GraphicsText, MetricsAreConsistentAndPitchIsReported) {
  TextSurface s(10, 10, "monospace", -13);
  win::TEXTMETRIC tm{};
  ASSERT_TRUE(win::GetTextMetrics(s.dc(), &tm));
  EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
  EXPECT_EQ(tm.tmInternalLeading, tm.tmHeight - 13);
  EXPECT_GE(tm.tmHeight, 14);
  EXPECT_LE(tm.tmHeight, 17);
  EXPECT_EQ(tm.tmPitchAndFamily & win::TMPF_FIXED_PITCH, 0) << "set only for variable pitch";
  EXPECT_EQ(tm.tmPitchAndFamily & 0xF0, win::FF_MODERN);
  EXPECT_EQ(tm.tmOverhang, 0);
  EXPECT_EQ(tm.tmWeight, win::FW_NORMAL);
  const int cell = s.c()->TextWidth("M");
  EXPECT_EQ(tm.tmAveCharWidth, cell);
  EXPECT_EQ(s.c()->TextWidth("iii"), 3 * cell);
  EXPECT_EQ(s.c()->TextWidth("WWW"), 3 * cell);
  EXPECT_EQ(s.c()->TextHeight("x"), tm.tmHeight);
  win::ABC abc{};
  ASSERT_TRUE(win::GetCharABCWidths(s.dc(), 'M', 'M', &abc));
  EXPECT_EQ(abc.abcA + static_cast<int>(abc.abcB) + abc.abcC, cell);
  win::SetTextCharacterExtra(s.dc(), 2);
  win::SIZE size{};
  win::GetTextExtentPoint32(s.dc(), "abcd", -1, &size);
  EXPECT_EQ(size.cx, 4 * (cell + 2));
  win::SetTextCharacterExtra(s.dc(), 0);

  win::OUTLINETEXTMETRIC otm;
  EXPECT_GT(win::GetOutlineTextMetrics(s.dc(), sizeof otm, &otm), 0u);
  EXPECT_EQ(otm.otmTextMetrics.tmHeight, tm.tmHeight);
  EXPECT_EQ(otm.otmpFamilyName, "DejaVu Sans Mono");
  EXPECT_GT(otm.otmEMSquare, 0u);

  s.c()->Font()->SetName("sans-serif");
  ASSERT_TRUE(win::GetTextMetrics(s.dc(), &tm));
  EXPECT_NE(tm.tmPitchAndFamily & win::TMPF_FIXED_PITCH, 0);
  EXPECT_LT(s.c()->TextWidth("iii"), s.c()->TextWidth("WWW"));
  // Absurd heights are held to a sane size instead of overflowing.
  s.c()->Font()->SetHeight(INT32_MIN);
  EXPECT_GT(s.c()->TextWidth("x"), 0);
  s.c()->Font()->SetHeight(0);
  EXPECT_GT(s.c()->TextWidth("x"), 0);
  // A positive height is the cell height.
  s.c()->Font()->SetHeight(20);
  ASSERT_TRUE(win::GetTextMetrics(s.dc(), &tm));
  EXPECT_NEAR(tm.tmHeight, 20, 1);
}

TEST(GraphicsText, DrawTextCalcRectSingleAndWrapped) {
  TextSurface s(200, 100, "monospace", -13);
  win::HDC dc = s.dc();
  win::TEXTMETRIC tm{};
  win::GetTextMetrics(dc, &tm);
  const int cell = tm.tmAveCharWidth;

  TRect r{10, 10, 10, 10};
  int h = win::DrawText(dc, "Hello", -1, &r, win::DT_CALCRECT | win::DT_SINGLELINE | win::DT_NOPREFIX);
  EXPECT_EQ(h, tm.tmHeight);
  EXPECT_EQ(r, (TRect{10, 10, 10 + 5 * cell, 10 + tm.tmHeight}));

  // Ten cells wide: "aaa bbb ccc ddd" breaks into "aaa bbb" / "ccc ddd".
  r = {0, 0, 10 * cell, 0};
  h = win::DrawText(dc, "aaa bbb ccc ddd", -1, &r, win::DT_CALCRECT | win::DT_WORDBREAK);
  EXPECT_EQ(h, 2 * tm.tmHeight);
  EXPECT_EQ(r.Right, 7 * cell) << "the widest line";
  EXPECT_EQ(r.Bottom, 2 * tm.tmHeight);

  // Line breaks in the text; CR LF counts once.
  r = {0, 0, 100, 0};
  h = win::DrawText(dc, "a\r\nbb\ncc", -1, &r, win::DT_CALCRECT);
  EXPECT_EQ(h, 3 * tm.tmHeight);
  EXPECT_EQ(r.Right, 2 * cell);
  // ...but not with DT_SINGLELINE.
  r = {0, 0, 100, 0};
  EXPECT_EQ(win::DrawText(dc, "a\r\nbb", -1, &r, win::DT_CALCRECT | win::DT_SINGLELINE), tm.tmHeight);

  // A word wider than the line stays whole; edit-control mode breaks it.
  r = {0, 0, 4 * cell, 0};
  h = win::DrawText(dc, "abcdefghij", -1, &r, win::DT_CALCRECT | win::DT_WORDBREAK);
  EXPECT_EQ(h, tm.tmHeight);
  EXPECT_EQ(r.Right, 10 * cell);
  r = {0, 0, 4 * cell, 0};
  h = win::DrawText(dc, "abcdefghij", -1, &r, win::DT_CALCRECT | win::DT_WORDBREAK | win::DT_EDITCONTROL);
  EXPECT_EQ(h, 3 * tm.tmHeight);

  // Prefixes: "&&" is one ampersand, "&F" underlines F and takes no room.
  r = {0, 0, 0, 0};
  win::DrawText(dc, "&File && Exit", -1, &r, win::DT_CALCRECT | win::DT_SINGLELINE);
  EXPECT_EQ(r.Right, 11 * cell);
  r = {0, 0, 0, 0};
  win::DrawText(dc, "&File", -1, &r, win::DT_CALCRECT | win::DT_SINGLELINE | win::DT_NOPREFIX);
  EXPECT_EQ(r.Right, 5 * cell);

  // Tabs expand to eight average widths; the extended form sets margins and tab length.
  r = {0, 0, 0, 0};
  win::DrawText(dc, "a\tb", -1, &r, win::DT_CALCRECT | win::DT_SINGLELINE | win::DT_EXPANDTABS);
  EXPECT_EQ(r.Right, 9 * cell);
  win::DRAWTEXTPARAMS p;
  p.iTabLength = 4;
  p.iLeftMargin = 3;
  p.iRightMargin = 5;
  r = {0, 0, 0, 0};
  win::DrawTextEx(dc, "a\tb", -1, &r, win::DT_CALCRECT | win::DT_SINGLELINE | win::DT_EXPANDTABS, &p);
  EXPECT_EQ(r.Right, 3 + 5 * cell + 5);
  EXPECT_EQ(p.uiLengthDrawn, 3u);

  r = {0, 0, 50, 50};
  EXPECT_EQ(win::DrawText(dc, "", -1, &r, win::DT_CALCRECT), 0);
  EXPECT_EQ(r, (TRect{0, 0, 0, 0}));
}

TEST(GraphicsText, DrawTextPlacesAndClipsItsLines) {
  TextSurface s(120, 60, "monospace", -13);
  win::HDC dc = s.dc();
  win::TEXTMETRIC tm{};
  win::GetTextMetrics(dc, &tm);
  const int cell = tm.tmAveCharWidth;

  TRect r{0, 0, 120, 60};
  const int ret = win::DrawText(dc, "MMMM", -1, &r, win::DT_SINGLELINE | win::DT_CENTER | win::DT_VCENTER);
  const TRect ink = InkBounds(s.bmp, kWhite);
  ASSERT_FALSE(ink.IsEmpty());
  const int text_left = (120 - 4 * cell) / 2, text_top = (60 - tm.tmHeight) / 2;
  EXPECT_GE(ink.Left, text_left);
  EXPECT_LE(ink.Right, text_left + 4 * cell + 1);
  EXPECT_GE(ink.Top, text_top);
  EXPECT_LE(ink.Bottom, text_top + tm.tmHeight);
  EXPECT_EQ(ret, text_top + tm.tmHeight) << "offset from the top to the text's bottom";

  // Right alignment with a clip: nothing outside the rectangle.
  Clear(s.bmp);
  s.c()->Brush()->SetStyle(bsClear);
  r = {10, 10, 40, 30};
  win::DrawText(dc, "WWWWWWWWWWWW", -1, &r, win::DT_SINGLELINE | win::DT_RIGHT);
  const TRect clipped = InkBounds(s.bmp, kWhite);
  EXPECT_GE(clipped.Left, 10);
  EXPECT_LE(clipped.Right, 40);
  EXPECT_GE(clipped.Top, 10);
  test::SaveForInspection(s.bmp, "drawtext_clip");
}

TEST(GraphicsText, EndEllipsisShortensToFit) {
  TextSurface s(200, 40, "monospace", -13);
  win::HDC dc = s.dc();
  win::TEXTMETRIC tm{};
  win::GetTextMetrics(dc, &tm);
  const int cell = tm.tmAveCharWidth;

  // Ten cells wide: seven characters and "..." fit.
  TRect r{0, 0, 10 * cell, 20};
  win::DrawText(dc, "abcdefghijklmnop", -1, &r, win::DT_CALCRECT | win::DT_SINGLELINE | win::DT_END_ELLIPSIS);
  EXPECT_EQ(r.Right, 10 * cell);
  r = {0, 0, 10 * cell + cell / 2, 20};
  win::DrawText(dc, "abcdefghijklmnop", -1, &r, win::DT_CALCRECT | win::DT_SINGLELINE | win::DT_END_ELLIPSIS);
  EXPECT_EQ(r.Right, 10 * cell);
  // Text that fits is left alone.
  r = {0, 0, 10 * cell, 20};
  win::DrawText(dc, "abc", -1, &r, win::DT_CALCRECT | win::DT_SINGLELINE | win::DT_END_ELLIPSIS);
  EXPECT_EQ(r.Right, 3 * cell);

  // Drawn: the ink stays inside and the last cells hold the dots (ink only in their lower part).
  r = {0, 0, 10 * cell, 20};
  win::DrawText(dc, "MMMMMMMMMMMMMMMM", -1, &r, win::DT_SINGLELINE | win::DT_END_ELLIPSIS);
  const TRect ink = InkBounds(s.bmp, kWhite);
  EXPECT_LE(ink.Right, 10 * cell);
  const TRect dots = InkBounds(s.bmp, kWhite, {7 * cell, 0, 10 * cell, 20});
  ASSERT_FALSE(dots.IsEmpty());
  EXPECT_GT(dots.Top, tm.tmAscent / 2) << "dots sit on the baseline";
  test::SaveForInspection(s.bmp, "ellipsis");

  // In edit-control mode the last whole line shows that text goes on.
  r = {0, 0, 6 * cell, tm.tmHeight * 2 + tm.tmHeight / 2};
  Clear(s.bmp);
  s.c()->Brush()->SetStyle(bsClear);
  win::DrawText(dc, "aaaa bbbb cccc dddd", -1, &r,
                win::DT_WORDBREAK | win::DT_EDITCONTROL | win::DT_END_ELLIPSIS);
  EXPECT_TRUE(InkBounds(s.bmp, kWhite, {0, 2 * tm.tmHeight, 200, 40}).IsEmpty()) << "no partial third line";
  EXPECT_FALSE(InkBounds(s.bmp, kWhite, {4 * cell, tm.tmHeight, 6 * cell, 2 * tm.tmHeight}).IsEmpty());
}

TEST(GraphicsText, ExtTextOutAdvancesOpaqueAndClipping) {
  TextSurface s(200, 30, "monospace", -13);
  win::HDC dc = s.dc();
  win::TEXTMETRIC tm{};
  win::GetTextMetrics(dc, &tm);

  // Fixed cells of 20 pixels: each character's ink starts in its own cell.
  const int dx[3] = {20, 20, 20};
  win::ExtTextOut(dc, 0, 0, 0, nullptr, "lll", -1, dx);
  const TRect first = InkBounds(s.bmp, kWhite, {0, 0, 20, 30});
  const TRect second = InkBounds(s.bmp, kWhite, {20, 0, 40, 30});
  const TRect third = InkBounds(s.bmp, kWhite, {40, 0, 60, 30});
  ASSERT_FALSE(first.IsEmpty());
  EXPECT_EQ(second.Left - first.Left, 20);
  EXPECT_EQ(third.Left - first.Left, 40);

  // The same through UTF-32, as the editor draws its lines.
  Clear(s.bmp);
  win::ExtTextOut(dc, 0, 0, 0, nullptr, std::u32string_view(U"lll"), dx);
  EXPECT_EQ(InkBounds(s.bmp, kWhite, {20, 0, 40, 30}), second);

  // ETO_OPAQUE fills the rectangle with the background colour; ETO_CLIPPED keeps ink inside it.
  Clear(s.bmp);
  win::SetBkColor(dc, 0x00FFFF);
  const TRect box{100, 2, 130, 20};
  win::ExtTextOut(dc, 95, 2, win::ETO_OPAQUE | win::ETO_CLIPPED, &box, "WWWWWWWW");
  EXPECT_EQ(At(s.bmp, 129, 19), 0x00FFFFu);
  EXPECT_EQ(At(s.bmp, 130, 19), kWhite);
  const TRect ink = InkBounds(s.bmp, kWhite);
  EXPECT_EQ(ink, box);

  // Opaque background mode fills the text cell; transparent does not.
  Clear(s.bmp);
  win::SetBkMode(dc, win::OPAQUE);
  win::TextOut(dc, 0, 0, "ab");
  const int w = s.c()->TextWidth("ab");
  EXPECT_EQ(At(s.bmp, w - 1, tm.tmHeight - 1), 0x00FFFFu);
  EXPECT_EQ(At(s.bmp, w, 0), kWhite);

  // Text alignment: TA_RIGHT ends the text at x.
  Clear(s.bmp);
  win::SetBkMode(dc, win::TRANSPARENT);
  win::SetTextAlign(dc, win::TA_RIGHT);
  win::TextOut(dc, 100, 0, "MM");
  const TRect right = InkBounds(s.bmp, kWhite);
  EXPECT_LE(right.Right, 101);
  EXPECT_GE(right.Left, 100 - w - 1);
  win::SetTextAlign(dc, win::TA_LEFT);
}

TEST(GraphicsText, UnderlineBoldAndInvalidUtf8StillDraw) {
  TextSurface s(100, 30, "sans-serif", -13);
  win::TEXTMETRIC tm{};
  s.c()->Font()->SetStyle({fsUnderline});
  win::GetTextMetrics(s.dc(), &tm);
  EXPECT_EQ(tm.tmUnderlined, 1);
  s.c()->TextOut(0, 0, "ab");
  const int w = s.c()->TextWidth("ab");
  // A full-width line below the baseline.
  bool line = false;
  for (int y = tm.tmAscent; y < tm.tmHeight && !line; ++y) {
    bool full = true;
    for (int x = 0; x < w; ++x) full &= At(s.bmp, x, y) != kWhite;
    line |= full;
  }
  EXPECT_TRUE(line);

  s.c()->Font()->SetStyle({fsBold});
  const int bold = s.c()->TextWidth("mmmm");
  s.c()->Font()->SetStyle({});
  EXPECT_GE(bold, s.c()->TextWidth("mmmm"));

  Clear(s.bmp);
  s.c()->Brush()->SetStyle(bsClear);
  s.c()->TextOut(0, 0, std::string("a\xff\xfe" "b"));
  EXPECT_GT(s.c()->TextWidth(std::string("a\xff" "b")), s.c()->TextWidth("ab"));
  EXPECT_FALSE(InkBounds(s.bmp, kWhite).IsEmpty());
}

TEST(GraphicsText, RotatedTextRunsUpwardFromItsReferencePoint) {
  TextSurface s(60, 120, "sans-serif", -16);
  const int width = s.c()->TextWidth("Rotated");
  win::TEXTMETRIC tm{};
  win::GetTextMetrics(s.dc(), &tm);
  s.c()->Font()->SetOrientation(900);
  s.c()->TextOut(10, 100, "Rotated");
  const TRect ink = InkBounds(s.bmp, kWhite);
  test::SaveForInspection(s.bmp, "rotated");
  ASSERT_FALSE(ink.IsEmpty());
  // Text at 90 degrees: it occupies x in [10, 10 + height) and y in (100 - width, 100].
  EXPECT_GE(ink.Left, 10 - 1);
  EXPECT_LE(ink.Right, 10 + tm.tmHeight + 1);
  EXPECT_LE(ink.Bottom, 100 + 1);
  EXPECT_GE(ink.Top, 100 - width - 1);
  EXPECT_GT(ink.Height(), width * 3 / 4);
  EXPECT_LT(ink.Width(), tm.tmHeight + 2);
}

// A character the font lacks comes from a font that has it, drawn as that font draws it and measured
// by its advance; the characters the font has stay its own, and one no font has shows the font's box.
TEST(GraphicsText, CharactersTheFontLacksComeFromAFontThatHasThem) {
  const char* file = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
  // The tests' font configuration lists it beside the DejaVu faces.
  ASSERT_EQ(access(file, R_OK), 0) << "scripts/setup.sh installs fonts-wqy-microhei";
  for (const char* text : {"\xe4\xb8\xad", "\xe3\x81\x8b", "\xe4\xb8\xad\xe3\x81\x8b"}) {  // 中, か, 中か
    TextSurface fallen(90, 50, "DejaVu Sans", -24), direct(90, 50, "WenQuanYi Micro Hei", -24);
    fallen.c()->TextOut(4, 4, text);
    direct.c()->TextOut(4, 4, text);
    const TRect a = InkBounds(fallen.bmp, kWhite), b = InkBounds(direct.bmp, kWhite);
    ASSERT_FALSE(a.IsEmpty()) << text;
    ASSERT_EQ(a.Width(), b.Width()) << text;
    ASSERT_EQ(a.Height(), b.Height()) << text;
    for (int y = 0; y < a.Height(); ++y)
      for (int x = 0; x < a.Width(); ++x)
        ASSERT_EQ(At(fallen.bmp, a.Left + x, a.Top + y), At(direct.bmp, b.Left + x, b.Top + y)) << text;
    EXPECT_EQ(fallen.c()->TextWidth(text), direct.c()->TextWidth(text)) << text;
  }

  TextSurface mixed(200, 50, "DejaVu Sans", -24), latin(200, 50, "DejaVu Sans", -24);
  const std::string han = "\xe4\xb8\xad";
  EXPECT_EQ(mixed.c()->TextWidth("A" + han + "B"),
            mixed.c()->TextWidth("A") + mixed.c()->TextWidth(han) + mixed.c()->TextWidth("B"));
  win::TEXTMETRIC before{}, after{};
  win::GetTextMetrics(latin.dc(), &before);
  mixed.c()->TextOut(4, 4, "A" + han);
  latin.c()->TextOut(4, 4, "A");
  win::GetTextMetrics(mixed.dc(), &after);
  EXPECT_EQ(after.tmHeight, before.tmHeight);  // the line keeps the requested font's metrics
  const int a_width = latin.c()->TextWidth("A");
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 4 + a_width; ++x) ASSERT_EQ(At(mixed.bmp, x, y), At(latin.bmp, x, y));

  // A character of a private plane no font has: the font's own box, with its width.
  TextSurface none(90, 50, "DejaVu Sans", -24);
  const std::string unknown = "\xf4\x8f\xbf\xbd";  // U+10FFFD
  EXPECT_GT(none.c()->TextWidth(unknown), 0);
  none.c()->TextOut(4, 4, unknown);
  EXPECT_FALSE(InkBounds(none.bmp, kWhite).IsEmpty());
}

}  // namespace
}  // namespace lab
