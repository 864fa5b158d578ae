// Controls: clicks and capture, graphic children taking the mouse, the wheel turned into steps,
// font and colour taken from the parent, hints a control adjusts, mouse enter and leave, idle
// processing, a form freed on close, the scroll-bar control by keyboard, menus by keyboard, and a
// dialog escaped.

#include "controls_fixture.h"
#include "platform/controls/application.h"
#include "platform/controls/custom_control.h"
#include "platform/controls/dialogs.h"
#include "platform/controls/forms.h"
#include "platform/controls/hint_window.h"
#include "platform/controls/menus.h"
#include "platform/controls/mouse.h"
#include "platform/controls/screen.h"
#include "platform/controls/scroll_bar.h"

namespace lab::testing {
namespace {

using namespace lab::win;

class TLogging : public TCustomControl {
 public:
  TLogging(TComponent* owner, std::vector<std::string>& log, std::string name)
      : TCustomControl(owner), log_(log), name_(std::move(name)) {}
  THintInfo* adjustHint = nullptr;
  int hintPause = -1;

  void Dispatch(TMessage& m) override {
    switch (m.Msg) {
      case CM_MOUSEENTER: log_.push_back(name_ + " enter"); break;
      case CM_MOUSELEAVE: log_.push_back(name_ + " leave"); break;
      case CM_HINTSHOWPAUSE:
        if (hintPause >= 0) *reinterpret_cast<int*>(m.LParam) = hintPause;
        return;
      case CM_HINTSHOW: {
        auto* info = reinterpret_cast<THintInfo*>(m.LParam);
        info->HintStr = "Cell text in full";
        info->CursorRect = Rect(0, 0, 20, 20);
        info->HintPos = ClientToScreen(Point(5, 5));
        m.Result = 0;
        return;
      }
      default: break;
    }
    TCustomControl::Dispatch(m);
  }

 protected:
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
    log_.push_back(name_ + " down" + (s.Contains(ssDouble) ? " double" : ""));
    TCustomControl::MouseDown(b, s, x, y);
  }
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override {
    log_.push_back(name_ + " up");
    TCustomControl::MouseUp(b, s, x, y);
  }
  void Click() override {
    log_.push_back(name_ + " click");
    TCustomControl::Click();
  }
  void DblClick() override {
    log_.push_back(name_ + " dblclick");
    TCustomControl::DblClick();
  }
  bool DoMouseWheelDown(TShiftState s, TPoint p) override {
    log_.push_back(name_ + " wheel down");
    TCustomControl::DoMouseWheelDown(s, p);
    return true;
  }
  bool DoMouseWheelUp(TShiftState s, TPoint p) override {
    log_.push_back(name_ + " wheel up");
    TCustomControl::DoMouseWheelUp(s, p);
    return true;
  }

 private:
  std::vector<std::string>& log_;
  std::string name_;
};

class TGraphicLogging : public TGraphicControl {
 public:
  TGraphicLogging(TComponent* owner, std::vector<std::string>& log) : TGraphicControl(owner), log_(log) {}

 protected:
  void MouseDown(TMouseButton, TShiftState, int x, int y) override {
    log_.push_back("graphic down " + std::to_string(x) + "," + std::to_string(y));
  }
  void MouseUp(TMouseButton, TShiftState, int x, int y) override {
    log_.push_back("graphic up " + std::to_string(x) + "," + std::to_string(y));
  }

 private:
  std::vector<std::string>& log_;
};

class ControlTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 400, 300);
    a = Add("a", Rect(10, 10, 110, 60));
    b = Add("b", Rect(200, 10, 300, 60));
    form->Show();
    Process();
    events.clear();
  }
  void TearDown() override {
    delete form;
    Application->CancelHint();
    Process();
    ControlsTest::TearDown();
  }
  TLogging* Add(const char* name, TRect r) {
    auto* c = new TLogging(form, events, name);
    c->SetParent(form);
    c->SetBoundsRect(r);
    return c;
  }
  void Process() { Application->ProcessMessages(); }
  // The events without the mouse's entering and leaving.
  std::vector<std::string> Buttons() const {
    std::vector<std::string> out;
    for (const auto& e : events)
      if (e.find("enter") == std::string::npos && e.find("leave") == std::string::npos) out.push_back(e);
    return out;
  }
  std::vector<std::string> events;
  TForm* form = nullptr;
  TLogging *a = nullptr, *b = nullptr;
};

TEST_F(ControlTest, AClickNeedsTheReleaseInsideAndThePressCapturesTheMouse) {
  headless::MouseDown(a->Handle(), 5, 5);
  Process();
  EXPECT_TRUE(a->MouseCapture());
  headless::MouseUp(a->Handle(), 6, 6);
  Process();
  EXPECT_FALSE(a->MouseCapture());
  // Pressed on a, released over b: a gets the release (captured) but no click.
  clock.Advance(1000);  // not a double click
  headless::MouseDown(a->Handle(), 5, 5);
  headless::MouseUp(b->Handle(), 5, 5);
  Process();
  EXPECT_EQ(Buttons(), (std::vector<std::string>{"a down", "a click", "a up", "a down", "a up"}));
  // A double click fires DblClick and a press marked as double.
  events.clear();
  clock.Advance(1000);
  headless::Click(b->Handle(), 5, 5);
  clock.Advance(50);
  headless::Click(b->Handle(), 5, 5);
  Process();
  EXPECT_EQ(Buttons(), (std::vector<std::string>{"b down", "b click", "b up", "b dblclick", "b down double",
                                               "b up"}));
}

TEST_F(ControlTest, AGraphicChildTakesThePressesOverItAndKeepsTheMouseWhileHeld) {
  auto* g = new TGraphicLogging(form, events);
  g->SetParent(a);
  g->SetBounds(20, 10, 30, 20);
  headless::MouseDown(a->Handle(), 25, 15);
  headless::MouseUp(a->Handle(), 90, 45);  // outside the graphic control: it still gets the release
  Process();
  EXPECT_EQ(events, (std::vector<std::string>{"graphic down 5,5", "graphic up 70,35"}));
}

// Off-screen the wheel goes to the focused control wherever the pointer is (the X11 back-end's rule,
// the window under the pointer, is tested with it).
TEST_F(ControlTest, WheelNotchesBecomeStepsAndHalfNotchesWait) {
  wm::SetFocus(a->Handle());
  headless::Wheel(a->Handle(), 5, 5, -WHEEL_DELTA);
  headless::Wheel(b->Handle(), 5, 5, 60);
  Process();
  EXPECT_EQ(events, (std::vector<std::string>{"a wheel down"}));
  headless::Wheel(b->Handle(), 5, 5, 60);
  Process();
  EXPECT_EQ(events, (std::vector<std::string>{"a wheel down", "a wheel up"}));
}

// A wheel step the control takes (in OnMouseWheel or OnMouseWheelDown) goes no further; one it
// leaves reaches its parent, once.
TEST_F(ControlTest, AWheelStepMarkedHandledDoesNotReachTheParent) {
  auto* inner = new TCustomControl(form);
  inner->SetParent(form);
  inner->SetBounds(10, 100, 100, 50);
  Process();
  bool take_step = true, take_all = false;
  inner->OnMouseWheel = [&](TObject*, TShiftState, int, TPoint, bool& handled) {
    events.push_back("inner wheel");
    handled = take_all;
  };
  inner->OnMouseWheelDown = [&](TObject*, TShiftState, TPoint, bool& handled) {
    events.push_back("inner down");
    handled = take_step;
  };
  form->OnMouseWheel = [&](TObject*, TShiftState, int, TPoint, bool&) { events.push_back("form wheel"); };
  form->OnMouseWheelDown = [&](TObject*, TShiftState, TPoint, bool&) { events.push_back("form down"); };
  wm::SetFocus(inner->Handle());
  headless::Wheel(inner->Handle(), 5, 5, -WHEEL_DELTA);
  Process();
  EXPECT_EQ(events, (std::vector<std::string>{"inner wheel", "inner down"}));
  events.clear();
  take_all = true;
  headless::Wheel(inner->Handle(), 5, 5, -WHEEL_DELTA);
  Process();
  EXPECT_EQ(events, (std::vector<std::string>{"inner wheel"}));
  events.clear();
  take_all = take_step = false;
  headless::Wheel(inner->Handle(), 5, 5, -WHEEL_DELTA);
  Process();
  EXPECT_EQ(events, (std::vector<std::string>{"inner wheel", "inner down", "form wheel", "form down"}));
}

TEST_F(ControlTest, FontAndColourComeFromTheParentUntilSetOnTheControl) {
  form->Font()->SetName("monospace");
  form->Font()->SetSize(12);
  EXPECT_EQ(a->Font()->Name(), "monospace");
  EXPECT_EQ(a->Font()->Size(), 12);
  EXPECT_TRUE(a->ParentFont());
  a->Font()->SetSize(9);
  EXPECT_FALSE(a->ParentFont());
  form->Font()->SetSize(14);
  EXPECT_EQ(a->Font()->Size(), 9);
  EXPECT_EQ(b->Font()->Size(), 14);
  a->SetParentFont(true);
  EXPECT_EQ(a->Font()->Size(), 14);

  form->SetColor(clYellow);
  EXPECT_EQ(a->Color(), clYellow);
  b->SetColor(clRed);
  form->SetColor(clAqua);
  EXPECT_EQ(a->Color(), clAqua);
  EXPECT_EQ(b->Color(), clRed);
  EXPECT_FALSE(b->ParentColor());
}

TEST_F(ControlTest, AControlAdjustsItsHintAndItsPause) {
  a->SetShowHint(true);
  a->SetHint("plain");
  a->hintPause = 0;  // a tooltip shows at once
  headless::MoveMouse(a->Handle(), 30, 30);
  Process();
  clock.Advance(10);  // the minimum timer interval
  Process();
  THintWindow* hint = Application->HintWindow();
  ASSERT_TRUE(hint && hint->HandleAllocated());
  EXPECT_EQ(hint->Caption(), "Cell text in full");
  RECT r;
  wm::GetWindowRect(hint->Handle(), r);
  EXPECT_EQ(r.TopLeft(), a->ClientToScreen(Point(5, 5)));
  // Leaving the cursor rectangle the control gave ends this hint.
  headless::MoveMouse(a->Handle(), 60, 40);
  Process();
  EXPECT_FALSE(hint->HandleAllocated());
}

TEST_F(ControlTest, TheMouseEntersAndLeavesControls) {
  headless::MoveMouse(a->Handle(), 5, 5);
  Process();
  headless::MoveMouse(a->Handle(), 6, 5);
  headless::Click(b->Handle(), 5, 5);
  Process();
  std::vector<std::string> moves;
  for (auto& e : events)
    if (e.find("enter") != std::string::npos || e.find("leave") != std::string::npos) moves.push_back(e);
  EXPECT_EQ(moves, (std::vector<std::string>{"a enter", "a leave", "b enter"}));
}

TEST_F(ControlTest, IdleRunsWhenNothingWaitsAndAFormFreedOnCloseGoesOnTheNextTurn) {
  int idles = 0;
  Application->OnIdle = [&](TObject*, bool& done) {
    ++idles;
    done = false;  // no waiting
  };
  Application->HandleMessage();
  EXPECT_EQ(idles, 1);
  Application->OnIdle = nullptr;

  auto* other = new TForm(nullptr);
  bool destroyed = false;
  other->OnDestroy = [&](TObject*) { destroyed = true; };
  other->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
  other->Show();
  other->Close();
  EXPECT_FALSE(destroyed);
  Process();
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(Screen->IndexOfForm(other), -1);
}

TEST_F(ControlTest, AFocusedScrollBarControlScrollsByKeys) {
  auto* bar = new TScrollBar(form);
  bar->SetParent(form);
  bar->SetKind(sbVertical);
  bar->SetBounds(350, 10, 17, 200);
  bar->SetParams(50, 0, 100);
  bar->SetLargeChange(20);
  bar->SetFocus();
  Process();
  headless::PressKey(VK_DOWN);
  headless::PressKey(VK_NEXT);
  headless::PressKey(VK_HOME);
  Process();
  EXPECT_EQ(bar->Position(), 0);
  headless::PressKey(VK_PRIOR);
  headless::PressKey(VK_END);
  headless::PressKey(VK_UP);
  Process();
  EXPECT_EQ(bar->Position(), 99);
}

TEST_F(ControlTest, AMenuIsWorkedByKeysAndSkipsDisabledItems) {
  TPopupMenu menu(nullptr);
  std::vector<std::string> clicked;
  for (const char* caption : {"One", "Two", "Three"}) {
    auto* item = new TMenuItem(nullptr);
    item->SetCaption(caption);
    item->OnClick = [&clicked, caption](TObject*) { clicked.push_back(caption); };
    menu.Items()->Add(item);
  }
  auto* sub = new TMenuItem(nullptr);
  sub->SetCaption("Inner");
  sub->OnClick = [&clicked](TObject*) { clicked.push_back("Inner"); };
  menu.Items()->Items(2)->Add(sub);
  menu.Items()->Items(1)->SetEnabled(false);
  // Down to "Two" (disabled: Enter does nothing), down to "Three", Enter opens it, Enter takes "Inner".
  headless::PressKey(VK_DOWN);
  headless::PressKey(VK_DOWN);
  headless::PressKey(VK_RETURN);
  headless::PressKey(VK_DOWN);
  headless::PressKey(VK_RETURN);
  headless::PressKey(VK_DOWN);
  headless::PressKey(VK_RETURN);
  menu.Popup(50, 50);
  EXPECT_EQ(clicked, (std::vector<std::string>{"Inner"}));
  EXPECT_EQ(menu.Items()->Find("t&hree"), menu.Items()->Items(2));
  EXPECT_EQ(menu.Items()->Find("Four"), nullptr);
  Process();
}

TEST_F(ControlTest, EscapeClosesAMessageDialogWithItsCancelButton) {
  auto previous = SetDialogAnswerer(nullptr);
  headless::PressKey(VK_ESCAPE);
  EXPECT_EQ(MessageDlg("Discard the changes?", mtConfirmation, TMsgDlgButtons{mbYes, mbNo}), mrNo);
  headless::PressKey(VK_RETURN);
  EXPECT_EQ(MessageDlg("Done.", mtInformation, TMsgDlgButtons{mbOK}), mrOk);
  SetDialogAnswerer(previous);
  Process();
}

}  // namespace
}  // namespace lab::testing
