// Push buttons and check boxes on a form: every way a click comes (mouse, Space, BM_CLICK, Enter on
// the default button, Escape on the cancel one, the mnemonic), what it does (OnClick, the form's
// modal result, WM_COMMAND to the parent), a press dragged off that clicks nothing, which button
// draws as the one Enter clicks, and the check box's round of states, messages and sides.

#include <string>

#include "platform/controls/button.h"
#include "platform/controls/check_box.h"
#include "platform/controls/edit.h"
#include "platform/controls/input.h"
#include "platform/controls/window_manager.h"
#include "standard_controls_fixture.h"

namespace lab::testing {
namespace {

using namespace lab::win;

class ButtonsTest : public StandardControlsTest {
 protected:
  void SetUp() override {
    StandardControlsTest::SetUp();
    edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 100, 24);
    ok = AddButton("&OK", 10);
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    cancel = AddButton("Cancel", 100);
    cancel->SetCancel(true);
    other = AddButton("&Details", 190);
    Show();
    edit->SetFocus();
    Process();
  }
  TButton* AddButton(const char* caption, int x) {
    auto* b = new TButton(form);
    b->SetParent(form);
    b->SetBounds(x, 50, 80, 25);
    b->SetCaption(caption);
    b->OnClick = [this, b](TObject*) { clicked += b->Caption() + ";"; };
    return b;
  }

 public:
  TEdit* edit = nullptr;
  TButton* ok = nullptr;
  TButton* cancel = nullptr;
  TButton* other = nullptr;
  std::string clicked;
};

TEST_F(ButtonsTest, EveryWayOfClickingClicksTheRightButtonOnce) {
  struct Case {
    const char* name;
    void (*act)(ButtonsTest&);
    const char* expected;
  };
  const Case cases[] = {
      {"mouse", [](ButtonsTest& t) { headless::Click(t.other->Handle(), 40, 12); }, "&Details;"},
      {"Enter clicks the default button", [](ButtonsTest&) { headless::PressKey(VK_RETURN); }, "&OK;"},
      {"Escape clicks the cancel button", [](ButtonsTest&) { headless::PressKey(VK_ESCAPE); }, "Cancel;"},
      {"Enter clicks the focused button instead",
       [](ButtonsTest& t) {
         t.other->SetFocus();
         headless::PressKey(VK_RETURN);
       },
       "&Details;"},
      {"Space on the focused button",
       [](ButtonsTest& t) {
         t.cancel->SetFocus();
         headless::PressKey(VK_SPACE);
       },
       "Cancel;"},
      {"Alt and the mnemonic", [](ButtonsTest&) { headless::PressKey('D', false, false, true); }, "&Details;"},
      {"BM_CLICK", [](ButtonsTest& t) { wm::SendMessage(t.ok->Handle(), BM_CLICK, 0, 0); }, "&OK;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    edit->SetFocus();
    clicked.clear();
    commands.clear();
    c.act(*this);
    Process();
    EXPECT_EQ(clicked, c.expected);
    // The parent hears of it with the button's ID and BN_CLICKED.
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(Code(commands[0]), BN_CLICKED);
  }
  // The OK button's click gave the form its modal result.
  EXPECT_EQ(form->ModalResult(), mrOk);
}

TEST_F(ButtonsTest, APressDraggedOffClicksNothingAndComingBackClicks) {
  const HWND h = other->Handle();
  headless::MouseDown(h, 10, 10);
  Process();
  EXPECT_TRUE(other->Pushed());
  headless::MoveMouse(h, 200, 10);
  Process();
  EXPECT_FALSE(other->Pushed());
  headless::MouseUp(h, 200, 10);
  Process();
  EXPECT_EQ(clicked, "");
  headless::MouseDown(h, 10, 10);
  headless::MoveMouse(h, 200, 10);
  headless::MoveMouse(h, 20, 10);
  Process();
  EXPECT_TRUE(other->Pushed());
  headless::MouseUp(h, 20, 10);
  Process();
  EXPECT_EQ(clicked, "&Details;");
  EXPECT_FALSE(other->Pushed());
}

TEST_F(ButtonsTest, TheActiveLookFollowsTheFocus) {
  // Focus on the edit: the default button is the one Enter clicks, and draws a dark frame.
  EXPECT_TRUE(ok->Active());
  EXPECT_FALSE(other->Active());
  EXPECT_EQ(At(ok, 0, 12), ColorToRGB(clWindowFrame));
  EXPECT_NE(At(other, 0, 12), ColorToRGB(clWindowFrame));
  other->SetFocus();
  Process();
  EXPECT_FALSE(ok->Active());
  EXPECT_TRUE(other->Active());
  EXPECT_NE(At(ok, 0, 12), ColorToRGB(clWindowFrame));
  EXPECT_EQ(At(other, 0, 12), ColorToRGB(clWindowFrame));
  // The default-button style by message, as a dialog sets it.
  wm::SendMessage(other->Handle(), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  EXPECT_TRUE(other->Default());
  EXPECT_EQ(wm::SendMessage(other->Handle(), WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
  EXPECT_EQ(wm::SendMessage(cancel->Handle(), WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
}

// A dialog sets or drops the flat style on the button's window: the button draws as its style says.
TEST_F(ButtonsTest, TheFlatLookFollowsTheWindowsStyle) {
  const int right = other->Width() - 1;
  const COLORREF shadow = ColorToRGB(clBtnShadow);
  EXPECT_FALSE(other->Flat());
  EXPECT_NE(At(other, right, 12), shadow);
  other->SetFlat(true);
  Process();
  EXPECT_TRUE(wm::GetWindowLongPtr(other->Handle(), GWL_STYLE) & BS_FLAT);
  EXPECT_EQ(At(other, right, 12), shadow);
  wm::SetWindowLongPtr(other->Handle(), GWL_STYLE, wm::GetWindowLongPtr(other->Handle(), GWL_STYLE) & ~BS_FLAT);
  other->Invalidate();
  Process();
  EXPECT_FALSE(other->Flat());
  EXPECT_NE(At(other, right, 12), shadow);
}

class CheckBoxTest : public StandardControlsTest {
 protected:
  void SetUp() override {
    StandardControlsTest::SetUp();
    box = new TCheckBox(form);
    box->SetParent(form);
    box->SetBounds(10, 10, 200, 20);
    box->SetCaption("&Send the report");
    box->OnClick = [this](TObject*) { ++clicks; };
    Show();
    box->SetFocus();
    Process();
  }
  int Check() { return static_cast<int>(wm::SendMessage(box->Handle(), BM_GETCHECK, 0, 0)); }

  TCheckBox* box = nullptr;
  int clicks = 0;
};

TEST_F(CheckBoxTest, ClicksStepTheStatesAndTellTheParent) {
  headless::Click(box->Handle(), 5, 10);
  Process();
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(Check(), static_cast<int>(BST_CHECKED));
  headless::PressKey(VK_SPACE);
  Process();
  EXPECT_EQ(box->State(), cbUnchecked);
  headless::PressKey('S', false, false, true);
  Process();
  EXPECT_EQ(box->State(), cbChecked);
  EXPECT_EQ(clicks, 3);
  EXPECT_EQ(commands.size(), 3u);
  // With AllowGrayed the round has three states.
  box->SetAllowGrayed(true);
  box->SetChecked(false);
  for (TCheckBoxState expected : {cbGrayed, cbChecked, cbUnchecked, cbGrayed}) {
    wm::SendMessage(box->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(box->State(), expected);
  }
  EXPECT_EQ(Check(), static_cast<int>(BST_INDETERMINATE));
}

TEST_F(CheckBoxTest, SettingByMessageTellsNobodyAndAProgramsSettingFiresOnClick) {
  wm::SendMessage(box->Handle(), BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(clicks, 0);
  EXPECT_TRUE(commands.empty());
  box->SetChecked(false);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(commands.empty());
}

TEST_F(CheckBoxTest, TheBoxStandsOnTheSideTheAlignmentGives) {
  // The box's inside is the window colour; the text side shows the form's.
  box->SetCaption("");
  EXPECT_EQ(At(box, 6, 10), ColorToRGB(clWindow));
  EXPECT_NE(At(box, 193, 10), ColorToRGB(clWindow));
  box->SetAlignment(taLeftJustify);
  EXPECT_NE(At(box, 6, 10), ColorToRGB(clWindow));
  EXPECT_EQ(At(box, 193, 10), ColorToRGB(clWindow));
  // A wrapped caption goes on over several lines.
  box->SetAlignment(taRightJustify);
  box->SetBounds(10, 10, 90, 60);
  box->SetWordWrap(true);
  box->SetCaption("one two three four five six");
  EXPECT_TRUE(HasDark(box, {20, 20, 90, 40}));
}

}  // namespace
}  // namespace lab::testing
