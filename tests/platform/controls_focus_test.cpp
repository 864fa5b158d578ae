// Focus on forms: Tab and Shift+Tab through the tab order, focus by click, DoEnter / DoExit in order
// across containers, keys reaching KeyDown / KeyPress / KeyUp, dialog keys and KeyPreview.

#include <string>
#include <vector>

#include "controls_fixture.h"
#include "platform/controls/application.h"
#include "platform/controls/custom_control.h"
#include "platform/controls/forms.h"
#include "platform/controls/input.h"
#include "platform/controls/screen.h"

namespace lab::testing {
namespace {

using namespace lab::win;

// A control that takes the focus when clicked (as editors and grids do) and logs what happens.
class TProbe : public TCustomControl {
 public:
  TProbe(TComponent* owner, std::vector<std::string>& log, std::string name)
      : TCustomControl(owner), log_(log), name_(std::move(name)) {
    SetTabStop(true);
  }
  LRESULT dlgCode = 0;

 protected:
  void DoEnter() override {
    log_.push_back("enter " + name_);
    TCustomControl::DoEnter();
  }
  void DoExit() override {
    log_.push_back("exit " + name_);
    TCustomControl::DoExit();
  }
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
    if (CanFocus()) SetFocus();
    TCustomControl::MouseDown(b, s, x, y);
  }
  void KeyDown(WORD& key, TShiftState shift) override {
    log_.push_back(name_ + " down " + std::to_string(key) + (shift.Contains(ssShift) ? " shift" : ""));
    TCustomControl::KeyDown(key, shift);
  }
  void KeyPress(char32_t& key) override {
    log_.push_back(name_ + " press " + std::string(1, static_cast<char>(key)));
    TCustomControl::KeyPress(key);
  }
  void KeyUp(WORD& key, TShiftState shift) override {
    log_.push_back(name_ + " up " + std::to_string(key));
    TCustomControl::KeyUp(key, shift);
  }

 public:
  void Dispatch(TMessage& m) override {
    if (m.Msg == WM_GETDLGCODE) {
      m.Result = dlgCode;
      return;
    }
    TCustomControl::Dispatch(m);
  }

 private:
  std::vector<std::string>& log_;
  std::string name_;
};

class TContainer : public TCustomControl {
 public:
  TContainer(TComponent* owner, std::vector<std::string>& log, std::string name)
      : TCustomControl(owner), log_(log), name_(std::move(name)) {
    control_style_.Include(csAcceptsControls);
  }

 protected:
  void DoEnter() override { log_.push_back("enter " + name_); }
  void DoExit() override { log_.push_back("exit " + name_); }

 private:
  std::vector<std::string>& log_;
  std::string name_;
};

class FocusTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    form = new TForm(nullptr);
    form->SetBounds(100, 100, 400, 300);
    panel1 = new TContainer(form, events, "panel1");
    panel1->SetParent(form);
    panel1->SetBounds(0, 0, 200, 300);
    panel2 = new TContainer(form, events, "panel2");
    panel2->SetParent(form);
    panel2->SetBounds(200, 0, 200, 300);
    a = Probe(panel1, "a", 10);
    b = Probe(panel1, "b", 60);
    c = Probe(panel2, "c", 10);
    form->Show();
    Process();
  }
  void TearDown() override {
    delete form;
    Process();
    ControlsTest::TearDown();
  }
  TProbe* Probe(TWinControl* parent, const char* name, int top) {
    auto* p = new TProbe(form, events, name);
    p->SetParent(parent);
    p->SetBounds(10, top, 100, 40);
    return p;
  }
  void Process() { Application->ProcessMessages(); }

  std::vector<std::string> events;
  TForm* form = nullptr;
  TContainer *panel1 = nullptr, *panel2 = nullptr;
  TProbe *a = nullptr, *b = nullptr, *c = nullptr;
};

TEST_F(FocusTest, ShowingTheFormFocusesTheFirstTabStop) {
  EXPECT_TRUE(a->Focused());
  EXPECT_EQ(form->ActiveControl(), a);
  EXPECT_EQ(Screen->ActiveForm(), form);
  EXPECT_EQ(Screen->ActiveControl(), a);
  EXPECT_EQ(events, (std::vector<std::string>{"enter panel1", "enter a"}));
}

TEST_F(FocusTest, TabMovesThroughTheTabOrderWithExitBeforeEnter) {
  events.clear();
  headless::PressKey(VK_TAB);
  Process();
  EXPECT_TRUE(b->Focused());
  headless::PressKey(VK_TAB);
  Process();
  EXPECT_TRUE(c->Focused());
  headless::PressKey(VK_TAB);  // wraps round
  Process();
  EXPECT_TRUE(a->Focused());
  headless::PressKey(VK_TAB, true, false, false);  // back again
  Process();
  EXPECT_TRUE(c->Focused());
  std::vector<std::string> moves;
  for (const std::string& e : events)
    if (e.rfind("enter", 0) == 0 || e.rfind("exit", 0) == 0) moves.push_back(e);
  EXPECT_EQ(moves, (std::vector<std::string>{
                        "exit a", "enter b",                          //
                        "exit b", "exit panel1", "enter panel2", "enter c",  //
                        "exit c", "exit panel2", "enter panel1", "enter a",  //
                        "exit a", "exit panel1", "enter panel2", "enter c"}));
  // The dialog key never reached the controls' KeyDown (its release goes to the new focus).
  for (const std::string& e : events) {
    EXPECT_EQ(e.find("down 9"), std::string::npos) << e;
  }
}

TEST_F(FocusTest, TabOrderAndTabStopDecide) {
  b->SetTabOrder(0);  // b before a in panel1
  c->SetTabStop(false);
  std::vector<TWinControl*> order;
  form->GetTabOrderList(order);
  ASSERT_EQ(order.size(), 5u);
  EXPECT_EQ(order[0], panel1);
  EXPECT_EQ(order[1], b);
  EXPECT_EQ(order[2], a);
  EXPECT_EQ(form->FindNextControl(a, true, true, false), b);  // c does not stop, a wraps to b
  c->SetVisible(false);
  EXPECT_FALSE(c->CanFocus());
}

TEST_F(FocusTest, AClickMovesTheFocusToTheClickedControl) {
  events.clear();
  headless::Click(c->Handle(), 5, 5);
  Process();
  EXPECT_TRUE(c->Focused());
  EXPECT_EQ(Screen->ActiveControl(), c);
  EXPECT_EQ(events, (std::vector<std::string>{"exit a", "exit panel1", "enter panel2", "enter c"}));
}

TEST_F(FocusTest, KeysReachTheFocusedControlInOrder) {
  events.clear();
  headless::TypeText("x");
  headless::PressKey(VK_DELETE);
  Process();
  EXPECT_EQ(events, (std::vector<std::string>{"a down 88", "a press x", "a up 88", "a down 46", "a up 46"}));
}

TEST_F(FocusTest, AControlThatWantsTabGetsIt) {
  a->dlgCode = DLGC_WANTTAB;
  events.clear();
  headless::PressKey(VK_TAB);
  Process();
  EXPECT_TRUE(a->Focused());
  EXPECT_EQ(events.front(), "a down 9");
  // Arrows move the focus among siblings unless wanted.
  a->dlgCode = 0;
  events.clear();
  headless::PressKey(VK_DOWN);
  Process();
  EXPECT_TRUE(b->Focused());
}

TEST_F(FocusTest, KeyPreviewLetsTheFormSeeKeysFirst) {
  std::vector<WORD> seen;
  form->SetKeyPreview(true);
  form->OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
    seen.push_back(key);
    if (key == 'Q') key = 0;  // the form keeps this one
  };
  events.clear();
  headless::PressKey('Q');
  headless::PressKey('W');
  Process();
  EXPECT_EQ(seen, (std::vector<WORD>{'Q', 'W'}));
  EXPECT_EQ(events, (std::vector<std::string>{"a press q", "a up 81", "a down 87", "a press w", "a up 87"}));
}

TEST_F(FocusTest, HidingOrDisablingTheFocusedControlMovesTheActiveControlAway) {
  b->SetFocus();
  Process();
  ASSERT_TRUE(b->Focused());
  b->SetEnabled(false);
  Process();
  EXPECT_NE(form->ActiveControl(), b);
  EXPECT_FALSE(b->Focused());
  EXPECT_THROW(b->SetFocus(), EInvalidOperation);
}

}  // namespace
}  // namespace lab::testing
