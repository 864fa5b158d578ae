// The RTF reader (formats, tables, characters, what it passes over, broken input) and the read-only
// rich-text view: loading by method and by EM_STREAMIN, line heights, tab stops, colours on screen,
// the background, scrolling.

#include <string>
#include <vector>

#include "controls_fixture.h"
#include "platform/backend/headless.h"
#include "platform/controls/application.h"
#include "platform/controls/common_controls.h"
#include "platform/controls/forms.h"
#include "platform/controls/painting.h"
#include "platform/controls/rich_view.h"
#include "platform/controls/scroll_bars.h"

namespace lab::testing {
namespace {

using namespace lab::win;

constexpr const char kHeader[] =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset0 monospace;}{\\f1 sans-serif;}}\r\n"
    "{\\colortbl ;\\red0\\green100\\blue100;\\red0\\green0\\blue0;\\red0\\green0\\blue160;}\r\n\\f0\\fs16\r\n";

std::string Rtf(const std::string& Body) { return kHeader + Body + "}"; }

TEST(RichText, CharactersOfTheText) {
  struct TCase {
    const char* Name;
    std::string Rtf;
    const char* Plain;
  };
  const TCase cases[] = {
      {"escapes", Rtf("a\\\\b\\{c\\}d"), "a\\b{c}d"},
      {"paragraphs", Rtf("one\\par\r\ntwo\\line three\\par\r\n"), "one\r\ntwo\r\nthree"},
      {"tabs", Rtf("a\\tab b\tc"), "a\tb\tc"},
      {"code page", Rtf("caf\\'e9 \\'80 \\'zz"), "caf\xC3\xA9 \xE2\x82\xAC zz"},
      {"unicode", Rtf("\\u233?\\u-10179?\\u-8704?\\u8364?x"), "\xC3\xA9\xF0\x9F\x98\x80\xE2\x82\xACx"},
      {"skip count", Rtf("{\\uc2\\u233??x}\\uc0\\u233 y"), "\xC3\xA9x\xC3\xA9y"},
      {"lone halves", Rtf("\\u-10179?a\\u-8704?b"), "\xEF\xBF\xBD" "a\xEF\xBF\xBD" "b"},
      {"passed over", Rtf("{\\*\\generator x}{\\info{\\title t}}{\\stylesheet{\\s0 Normal;}}a{\\unknown b}"), "ab"},
      {"spaces", Rtf("\\b a \\b0  b"), "a  b"},
      {"ends at its group", "{\\rtf1 a}}b{c}", "a"},
      {"unclosed", "{\\rtf1 a{\\b b", "ab"},
      {"no rtf", "plain\r\ntext\nhere\r", "plain\r\ntext\r\nhere"},
      {"deep", "{\\rtf1 " + std::string(1000, '{') + "x" + std::string(1000, '}') + "y}", "xy"},
      {"long word and number", Rtf("\\" + std::string(100, 'a') + "99999999999999999 z"), "z"},
  };
  for (const TCase& c : cases) EXPECT_EQ(ReadRichText(c.Rtf).PlainText(), c.Plain) << c.Name;
}

TEST(RichText, FontsColoursAndParagraphFormats) {
  const TRichText text = ReadRichText(
      Rtf("\\cf1\\b Title\\b0\\par\r\n\\pard\\tx1440\\tx720 \\cf2 label:\\cf3  value\\tab x\\par\r\n"
          "\\f1\\fs32 big\\par\r\n\\pard\\plain plain\\par\r\n\\fs40\\par\r\n"));
  ASSERT_EQ(text.Fonts.size(), 2u);
  EXPECT_EQ(text.Fonts[0].Name, "monospace");
  EXPECT_EQ(text.Fonts[1].Name, "sans-serif");
  EXPECT_EQ(text.Colors, (std::vector<TColor>{clDefault, TColor(RGB(0, 100, 100)), TColor(RGB(0, 0, 0)),
                                                TColor(RGB(0, 0, 160))}));
  ASSERT_EQ(text.Paragraphs.size(), 5u);
  const auto& title = text.Paragraphs[0];
  ASSERT_EQ(title.Runs.size(), 1u);
  EXPECT_EQ(title.Runs[0].Format, (TRichFormat{0, 16, 1, true}));
  const auto& line = text.Paragraphs[1];
  EXPECT_EQ(line.TabStops, (std::vector<int>{720, 1440}));
  ASSERT_EQ(line.Runs.size(), 2u);
  EXPECT_EQ(line.Runs[0].Text, "label:");
  EXPECT_EQ(line.Runs[1].Format, (TRichFormat{0, 16, 3, false}));
  EXPECT_EQ(line.Runs[1].Text, " value\tx");
  EXPECT_EQ(text.Paragraphs[2].Runs[0].Format, (TRichFormat{1, 32, 3, false}));
  EXPECT_EQ(text.Paragraphs[2].TabStops.size(), 2u);  // stops last until \pard
  EXPECT_EQ(text.Paragraphs[3].Runs[0].Format, (TRichFormat{0, 24, 0, false}));
  EXPECT_TRUE(text.Paragraphs[3].TabStops.empty());
  EXPECT_TRUE(text.Paragraphs[4].Runs.empty());
  EXPECT_EQ(text.Paragraphs[4].EndFormat.HalfPoints, 40);
  // A font number the table lacks is the view's own font.
  EXPECT_EQ(ReadRichText(Rtf("\\f7 x")).Paragraphs[0].Runs[0].Format.Font, -1);
}

class RichViewTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 400, 300);
    view = new TRichView(form);
    view->SetParent(form);
    view->SetBounds(10, 10, 300, 200);
    form->Show();
    Process();
  }
  void TearDown() override {
    delete form;
    Process();
    ControlsTest::TearDown();
  }
  void Process() { Application->ProcessMessages(); }
  COLORREF At(int x, int y) {
    TPoint p{x, y};
    wm::MapWindowPoints(view->Handle(), form->Handle(), &p, 1);
    TGdiBitmap* s = wm::WindowSurface(form->Handle());
    s->BeginDirect();
    return ColorOfPixel(s->Row(p.Y)[p.X]);
  }
  // The x of the first and last pixel near a colour (text is smoothed at its edges) in a band of
  // rows; -1 when there is none.
  std::pair<int, int> Span(int top, int bottom, COLORREF color) {
    const auto near = [&](COLORREF c) {
      return std::abs(GetRValue(c) - GetRValue(color)) < 40 && std::abs(GetGValue(c) - GetGValue(color)) < 40 &&
             std::abs(GetBValue(c) - GetBValue(color)) < 40;
    };
    int first = -1, last = -1;
    for (int y = top; y < bottom; ++y)
      for (int x = 0; x < view->ClientWidth(); ++x)
        if (near(At(x, y))) {
          if (first < 0 || x < first) first = x;
          last = std::max(last, x);
        }
    return {first, last};
  }

  TForm* form = nullptr;
  TRichView* view = nullptr;
};

// EM_STREAMIN reads through the caller's callback, a few bytes a call.
struct TSource {
  std::string Data;
  std::size_t At = 0;
  int Calls = 0;
};
DWORD ReadSome(std::uintptr_t Cookie, std::uint8_t* Buffer, LONG Count, LONG* Done) {
  auto& source = *reinterpret_cast<TSource*>(Cookie);
  ++source.Calls;
  const std::size_t n = std::min<std::size_t>({7, static_cast<std::size_t>(Count), source.Data.size() - source.At});
  std::copy_n(source.Data.data() + source.At, n, Buffer);
  source.At += n;
  *Done = static_cast<LONG>(n);
  return 0;
}

TEST_F(RichViewTest, StreamsInByMessageAndSetsTheBackground) {
  TSource source{Rtf("\\cf3 blue\\par\r\nsecond\\par\r\n")};
  EDITSTREAM stream;
  stream.dwCookie = reinterpret_cast<std::uintptr_t>(&source);
  stream.pfnCallback = ReadSome;
  EXPECT_EQ(wm::SendMessage(view->Handle(), EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream)), 12);
  EXPECT_GT(source.Calls, 10);
  EXPECT_EQ(view->Text(), "blue\r\nsecond");
  source = TSource{"{\\rtf1 not read as rtf}"};
  wm::SendMessage(view->Handle(), EM_STREAMIN, SF_TEXT, reinterpret_cast<LPARAM>(&stream));
  EXPECT_EQ(view->Text(), "{\\rtf1 not read as rtf}");

  wm::SendMessage(view->Handle(), EM_SETBKGNDCOLOR, 0, RGB(200, 210, 220));
  view->LoadRTF(Rtf("\\cf3 blue"));
  Process();
  EXPECT_EQ(At(view->ClientWidth() - 3, 3), RGB(200, 210, 220));
  const auto [first, last] = Span(0, 20, RGB(0, 0, 160));
  EXPECT_GE(first, 2);  // the text's pixels, from the margin on
  EXPECT_GT(last, first);
  wm::SendMessage(view->Handle(), EM_SETBKGNDCOLOR, 1, 0);
  EXPECT_EQ(view->Color(), clWindow);
}

TEST_F(RichViewTest, LinesTakeTheirTallestRunAndTabsTheirStops) {
  view->LoadRTF(Rtf("small\\par\r\n\\fs48 big\\fs16  small\\par\r\n\\par\r\n\\pard\\tx3000 \\cf3 a\\tab\\cf1 b\\par\r\n"));
  ASSERT_EQ(view->LineCount(), 4);
  const int first = view->LineTop(1) - view->LineTop(0);
  const int second = view->LineTop(2) - view->LineTop(1);
  EXPECT_GT(second, first + 8);
  EXPECT_EQ(view->LineTop(3) - view->LineTop(2), first);  // an empty line in the size at its end
  Process();
  // "b" begins at the stop (3000 twips, 200 pixels, after the 2-pixel margin), "a" well before it.
  const int top = view->LineTop(3), bottom = top + first;
  EXPECT_LT(Span(top, bottom, RGB(0, 0, 160)).second, 20);
  const auto b = Span(top, bottom, RGB(0, 100, 100));
  EXPECT_GE(b.first, 202);
  EXPECT_LT(b.first, 206);
}

TEST_F(RichViewTest, ScrollsByLinesAndAcross) {
  std::string body;
  for (int i = 0; i < 100; ++i) body += "\\cf3 line " + std::to_string(100 + i) + " " + std::string(80, 'x') + "\\par\r\n";
  view->LoadRTF(Rtf(body));
  view->SetFocus();
  Process();
  const int height = view->LineTop(1) - view->LineTop(0);
  const int shown = view->ClientHeight() / height;
  headless::PressKey(VK_END);
  Process();
  EXPECT_EQ(view->TopLine(), 100 - shown);
  headless::PressKey(VK_HOME);
  headless::Wheel(view->Handle(), 20, 20, -120);
  Process();
  EXPECT_EQ(view->TopLine(), 3);
  wm::SendMessage(view->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(view->TopLine(), 3 + shown - 1);
  // Across: the lines run past the right edge until scrolled to their end.
  view->SetTopLine(0);
  Process();
  const COLORREF blue = RGB(0, 0, 160);
  EXPECT_LE(Span(0, height, blue).first, 4);
  EXPECT_GE(Span(0, height, blue).second, view->ClientWidth() - 2);
  ASSERT_GT(view->ContentWidth(), view->ClientWidth());
  wm::SendMessage(view->Handle(), WM_HSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(view->ScrollX(), view->ContentWidth() - view->ClientWidth());
  Process();
  const int end = Span(0, height, blue).second;
  EXPECT_LT(end, view->ClientWidth() - 2);
  EXPECT_GT(end, view->ClientWidth() - 10);
  // A new text starts at its top again.
  view->LoadPlainText("short");
  EXPECT_EQ(view->TopLine(), 0);
  EXPECT_EQ(view->ScrollX(), 0);
}

}  // namespace
}  // namespace lab::testing
