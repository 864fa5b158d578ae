// The editor's published properties: every one of them, and of its option objects and keystrokes,
// changed from its default survives writing and reading a form.

#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "editor_fixture.h"
#include "platform/classes/form_text.h"
#include "platform/controls/input.h"
#include "tests/common/published_values.h"

namespace lab::edittest {
namespace {

using Paths = std::vector<std::string>;

TEST_F(EditorTest, EveryPublishedPropertyChangedSurvivesAForm) {
  EXPECT_EQ(testing::VaryPublishedValues(edit), Paths{"TabOrder"});  // the form's only control
  // Most settings now differ from a new editor's (some follow the parent's instead, some refer to
  // other components, and the keystrokes keep their number).
  TCodeEdit fresh(nullptr);
  EXPECT_GT(testing::DifferingPublishedValues(edit, &fresh).size(), 300u);

  const std::string text = WriteFormText(form);
  std::unique_ptr<TComponent> root(ReadFormText(text));
  ASSERT_EQ(root->ComponentCount(), 1);
  auto* copy = dynamic_cast<TCodeEdit*>(root->Components(0));
  ASSERT_TRUE(copy) << text;
  EXPECT_EQ(testing::DifferingPublishedValues(edit, copy), Paths{}) << text;
}

// Settings at the ends of their ranges (a negative MaxScrollWidth meant as "unlimited", the largest
// int, huge spacings and scroll positions): selecting, typing, deleting and undoing give the text
// back, every position stays in its range, and nothing overflows on the way (the sanitizer build
// checks that).
struct TExtremeCase {
  const char* name;
  std::function<void(TCodeEdit*)> set;
};

void PrintTo(const TExtremeCase& c, std::ostream* os) { *os << c.name; }

class ExtremeValueTest : public EditorTest, public ::testing::WithParamInterface<TExtremeCase> {};

constexpr int kMaxInt = std::numeric_limits<int>::max();
constexpr int kMinInt = std::numeric_limits<int>::min();

const TExtremeCase kExtremes[] = {
    {"MaxScrollWidthMinusOne", [](TCodeEdit* E) { E->SetMaxScrollWidth(-1); }},
    {"MaxScrollWidthOfTheSmallestInt", [](TCodeEdit* E) { E->SetMaxScrollWidth(kMinInt); }},
    {"MaxScrollWidthOfTheLargestInt", [](TCodeEdit* E) { E->SetMaxScrollWidth(kMaxInt); }},
    {"MaxScrollWidthGrowingWithTheView",
     [](TCodeEdit* E) {
       E->SetOptions(E->Options() + eoAutoSizeMaxScrollWidth);
       E->SetLeftChar(kMaxInt);
     }},
    {"LargestSpacing", [](TCodeEdit* E) { E->SetExtraLineSpacing(kMaxInt); }},
    {"SmallestSpacing", [](TCodeEdit* E) { E->SetExtraLineSpacing(kMinInt); }},
    {"WordWrapInANarrowWindow",
     [](TCodeEdit* E) {
       E->SetWordWrap(true);
       E->SetBounds(0, 0, 60, 300);
     }},
    {"WidestTabs",
     [](TCodeEdit* E) {
       E->SetTabWidth(kMaxInt);
       E->Lines()->Insert(1, "\t\tx\t");
     }},
};

TEST_P(ExtremeValueTest, KeepTheTextAndEveryPositionInRange) {
  SetText({"alpha beta", "gamma", "delta"});
  GetParam().set(edit);
  const std::string text = edit->Text();
  Focus();
  EXPECT_GE(edit->MaxScrollWidth(), 1);
  for (int left : {kMaxInt, kMinInt, 1}) {
    edit->SetLeftChar(left);
    edit->SetTopLine(left);
    for (win::WPARAM code = win::SB_LINEUP; code <= win::SB_ENDSCROLL; ++code) {
      edit->Perform(win::WM_HSCROLL, code | (32767 << 16), 0);
      edit->Perform(win::WM_VSCROLL, code | (32767 << 16), 0);
    }
    edit->Update();
    input::MouseWheel(-120, ScreenPointOf(edit, {1, 1}));
    Pump();
  }
  // A selection from beyond a line's end, typed over, deleted, and all undone.
  edit->SetCaretXY({1, 1});
  Press(win::VK_END);
  for (int i = 0; i < 3; ++i) Press(win::VK_RIGHT);
  Press(win::VK_DOWN, {ssShift});
  for (const TBufferCoord p : {edit->BlockBegin(), edit->BlockEnd(), edit->CaretXY()}) {
    EXPECT_GE(p.Char, 1);
    EXPECT_GE(p.Line, 1);
  }
  Press(win::VK_DELETE);
  for (char32_t c : std::u32string(U"xyz")) Press('X', {}, c);
  EXPECT_GE(edit->CaretX(), 1);
  Press(win::VK_DELETE);
  Press(win::VK_BACK);
  while (edit->CanUndo()) Press('Z', {ssCtrl});
  EXPECT_EQ(edit->Text(), text);
}

INSTANTIATE_TEST_SUITE_P(Settings, ExtremeValueTest, ::testing::ValuesIn(kExtremes),
                         [](const ::testing::TestParamInfo<TExtremeCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lab::edittest
