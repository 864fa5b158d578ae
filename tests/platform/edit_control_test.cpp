// The edit controls in a window: typing, caret and selection by keys and mouse, the clipboard,
// undo and OnChange; the masked edit refusing what does not fit and keeping its text on a bad exit.

#include <string>
#include <thread>
#include <vector>

#include "controls_fixture.h"
#include "platform/controls/application.h"
#include "platform/controls/clipboard.h"
#include "platform/controls/forms.h"
#include "platform/controls/input.h"
#include "platform/controls/mask_edit.h"

namespace lab::testing {
namespace {

using namespace lab::win;

class EditControl : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 300, 200);
    edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 150, 24);
    edit->OnChange = [this](TObject*) { ++changes; };
    other = new TEdit(form);
    other->SetParent(form);
    other->SetBounds(10, 50, 150, 24);
    form->Show();
    Process();
  }
  void TearDown() override {
    delete form;
    Process();
    ControlsTest::TearDown();
  }
  void Process() { Application->ProcessMessages(); }

  TForm* form = nullptr;
  TEdit* edit = nullptr;
  TEdit* other = nullptr;
  int changes = 0;
};

TEST_F(EditControl, TypingKeysAndSelection) {
  ASSERT_TRUE(edit->Focused());
  headless::TypeText("hello world");
  Process();
  EXPECT_EQ(edit->Text(), "hello world");
  EXPECT_EQ(changes, 11);
  EXPECT_TRUE(edit->Modified());
  headless::PressKey(VK_LEFT, true, true, false);  // Shift+Ctrl+Left: the last word
  Process();
  EXPECT_EQ(edit->SelText(), "world");
  headless::TypeText("there");
  Process();
  EXPECT_EQ(edit->Text(), "hello there");
  headless::PressKey(VK_HOME);
  headless::PressKey(VK_DELETE);
  headless::PressKey(VK_END);
  headless::PressKey(VK_BACK);
  Process();
  EXPECT_EQ(edit->Text(), "ello ther");
  // Undo takes back the last change, and redoes it.
  headless::PressKey('Z', false, true, false);
  Process();
  EXPECT_EQ(edit->Text(), "ello there");
  headless::PressKey('Z', false, true, false);
  Process();
  EXPECT_EQ(edit->Text(), "ello ther");
  // A program's text fires OnChange once and clears Modified.
  changes = 0;
  edit->SetText("abc");
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(edit->Modified());
}

// Another thread reads what the window holds without waiting for its owner: as set before the
// window was made, set since, and typed.
TEST_F(EditControl, AnotherThreadReadsItsTextWithoutWaitingForIt) {
  const auto read = [](HWND Window) {
    std::string text;
    std::thread([&] { text = wm::GetWindowText(Window); }).join();
    return text;
  };
  auto* made = new TEdit(form);
  made->SetText("before");
  made->SetParent(form);
  EXPECT_EQ(read(made->Handle()), "before");
  edit->SetText("set");
  EXPECT_EQ(read(edit->Handle()), "set");
  headless::TypeText("!");
  Process();
  EXPECT_EQ(read(edit->Handle()), edit->Text());
}

TEST_F(EditControl, LimitCaseAndReadOnly) {
  edit->SetMaxLength(3);
  edit->SetCharCase(ecUpperCase);
  headless::TypeText("abcd");
  Process();
  EXPECT_EQ(edit->Text(), "ABC");
  edit->SetReadOnly(true);
  headless::PressKey(VK_BACK);
  headless::TypeText("z");
  Process();
  EXPECT_EQ(edit->Text(), "ABC");
}

TEST_F(EditControl, ClipboardCutCopyPaste) {
  edit->SetText("one two");
  edit->SetFocus();
  edit->SetSelStart(4);
  edit->SetSelLength(3);
  headless::PressKey('C', false, true, false);
  Process();
  EXPECT_EQ(Clipboard()->AsText(), "two");
  headless::PressKey('X', false, true, false);
  Process();
  EXPECT_EQ(edit->Text(), "one ");
  headless::PressKey(VK_HOME);
  headless::PressKey(VK_INSERT, true, false, false);  // Shift+Insert pastes
  Process();
  EXPECT_EQ(edit->Text(), "twoone ");
  // Only the first line of what is pasted.
  Clipboard()->SetAsText("x\r\ny");
  edit->SelectAll();
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "x");
  // Read-only: copying works, cutting does not.
  edit->SetReadOnly(true);
  edit->SelectAll();
  edit->CutToClipboard();
  EXPECT_EQ(edit->Text(), "x");
}

TEST_F(EditControl, MouseSetsTheCaretDragsSelectAndDoubleClicksTakeAWord) {
  edit->SetText("alpha beta");
  Process();
  const HWND h = edit->Handle();
  // Press at the start, drag well past the end.
  headless::MouseDown(h, 1, 5);
  headless::MoveMouse(h, 140, 5);
  headless::MouseUp(h, 140, 5);
  Process();
  EXPECT_EQ(edit->SelStart(), 0);
  EXPECT_EQ(edit->SelLength(), 10);
  headless::Click(h, 140, 5);
  headless::Click(h, 140, 5);  // a double click at the end selects "beta"
  Process();
  EXPECT_EQ(edit->SelText(), "beta");
}

TEST_F(EditControl, EnteringByTabSelectsAll) {
  other->SetText("selected");
  headless::PressKey(VK_TAB);
  Process();
  ASSERT_TRUE(other->Focused());
  EXPECT_EQ(other->SelLength(), 8);
}

TEST_F(EditControl, MaskEditRefusesWhatDoesNotFitAndKeepsTheTextOnABadExit) {
  auto* m = new TMaskEdit(form);
  m->SetParent(form);
  m->SetBounds(10, 90, 150, 24);
  m->SetEditMask("00/00;1;_");
  m->SetFocus();
  Process();
  EXPECT_EQ(m->EditText(), "__/__");
  headless::TypeText("1x2");
  Process();
  EXPECT_EQ(m->EditText(), "12/__");  // the x was refused, the caret stepped over the '/'
  // Leaving with required positions empty raises and keeps the text and the focus.
  std::vector<std::string> errors;
  Application->OnException = [&](TObject*, Exception& e) { errors.push_back(e.Message()); };
  edit->SetFocus();
  Process();
  Application->OnException = nullptr;
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "Invalid input value.  Use escape key to abandon changes");
  EXPECT_TRUE(m->Focused());
  EXPECT_EQ(m->EditText(), "12/__");
  EXPECT_EQ(m->SelStart(), 3);
  headless::TypeText("34");
  Process();
  EXPECT_EQ(m->Text(), "12/34");
  edit->SetFocus();
  Process();
  EXPECT_TRUE(edit->Focused());
  // Escape gives back the value from when the edit was entered.
  m->SetFocus();
  Process();
  headless::TypeText("9");
  headless::PressKey(VK_ESCAPE);
  Process();
  EXPECT_EQ(m->Text(), "12/34");
  // Without literals saved, Text is the entered characters alone.
  m->SetEditMask("00/00;0;_");
  EXPECT_EQ(m->Text(), "1234");
}

}  // namespace
}  // namespace lab::testing
