// Windowed controls and their windows: CreateParams and RecreateWnd, a hooked WindowProc, message
// windows, alignment and anchors, the cursor over a control, drag and drop, pop-up menus and the
// scroll-bar control.

#include "controls_fixture.h"
#include "platform/classes/form_text.h"
#include "platform/controls/allocate_hwnd.h"
#include "platform/controls/controls_unit.h"
#include "platform/controls/application.h"
#include "platform/controls/custom_control.h"
#include "platform/controls/forms.h"
#include "platform/controls/menus.h"
#include "platform/controls/mouse.h"
#include "platform/controls/screen.h"
#include "platform/controls/scroll_bar.h"
#include "platform/controls/scroll_bars.h"
#include "platform/controls/timer.h"
#include "platform/graphics/bitmap.h"

namespace lab::testing {
namespace {

using namespace lab::win;

class TPlain : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  std::vector<UINT> seen;
  int* text_asked = nullptr;  // counts the questions for the window's text
  void Dispatch(TMessage& m) override {
    if (m.Msg >= WM_USER && m.Msg < WM_APP) seen.push_back(m.Msg);
    if (text_asked && (m.Msg == WM_GETTEXT || m.Msg == WM_GETTEXTLENGTH)) ++*text_asked;
    TCustomControl::Dispatch(m);
  }
};

class WindowTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    form = new TForm(nullptr);
    form->SetBounds(10, 10, 400, 300);
  }
  void TearDown() override {
    delete form;
    Process();
    ControlsTest::TearDown();
  }
  void Process() { Application->ProcessMessages(); }
  template <class T>
  T* Add(TRect bounds) {
    auto* c = new T(form);
    c->SetParent(form);
    c->SetBoundsRect(bounds);
    return c;
  }
  TForm* form = nullptr;
};

TEST_F(WindowTest, BorderStyleAndCtl3DChooseTheWindowStylesAndRecreateTheWindow) {
  auto* c = Add<TPlain>(Rect(0, 0, 100, 50));
  c->SetCaption("kept");
  form->Show();
  Process();
  HWND first = c->Handle();
  EXPECT_EQ(wm::GetWindowLongPtr(first, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  c->SetBorderStyle(bsSingle);
  HWND second = c->Handle();
  EXPECT_NE(first, second);
  EXPECT_FALSE(wm::IsWindow(first));
  EXPECT_NE(wm::GetWindowLongPtr(second, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(c->ClientRect(), Rect(0, 0, 96, 46));
  EXPECT_EQ(c->Caption(), "kept");
  EXPECT_TRUE(wm::IsWindowVisible(second));
  c->SetCtl3D(false);
  EXPECT_NE(wm::GetWindowLongPtr(c->Handle(), GWL_STYLE) & WS_BORDER, 0);
  EXPECT_EQ(c->ClientRect(), Rect(0, 0, 98, 48));
}

TEST_F(WindowTest, AWindowRecreatedKeepsItsTextAndOneDestroyedWithItsControlIsNotAskedForIt) {
  auto* c = Add<TPlain>(Rect(0, 0, 100, 50));
  c->SetCaption("kept");
  form->Show();
  Process();
  int asked = 0;
  c->text_asked = &asked;
  c->SetBorderStyle(bsSingle);
  EXPECT_GT(asked, 0);
  EXPECT_EQ(c->Caption(), "kept");
  asked = 0;
  delete form;
  form = nullptr;
  EXPECT_EQ(asked, 0);
}

TEST_F(WindowTest, AnotherObjectCanHookAControlsMessagesAndLetThemGoOn) {
  auto* c = Add<TPlain>(Rect(0, 0, 100, 50));
  std::vector<UINT> hooked;
  TWndMethod original = c->WindowProc;
  c->WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_USER + 5) {
      hooked.push_back(m.Msg);
      m.Result = 42;
      return;  // taken: the control never sees it
    }
    if (m.Msg >= WM_USER && m.Msg < WM_APP) hooked.push_back(m.Msg);
    original(m);
  };
  EXPECT_EQ(c->Perform(WM_USER + 5, 0, 0), 42);
  c->Perform(WM_USER + 6, 0, 0);
  EXPECT_EQ(hooked, (std::vector<UINT>{WM_USER + 5, WM_USER + 6}));
  EXPECT_EQ(c->seen, (std::vector<UINT>{WM_USER + 6}));
  c->WindowProc = original;
  c->Perform(WM_USER + 5, 0, 0);
  EXPECT_EQ(c->seen, (std::vector<UINT>{WM_USER + 6, WM_USER + 5}));
}

TEST_F(WindowTest, AMessageWindowRunsItsMethod) {
  std::vector<UINT> got;
  HWND h = AllocateHWnd([&](TMessage& m) {
    if (m.Msg == WM_USER + 100) got.push_back(m.Msg);
    m.Result = wm::DefWindowProc(nullptr, m.Msg, m.WParam, m.LParam);
  });
  ASSERT_TRUE(h);
  EXPECT_FALSE(wm::IsWindowVisible(h));
  wm::PostMessage(h, WM_USER + 100, 0, 0);
  Process();
  EXPECT_EQ(got.size(), 1u);
  DeallocateHWnd(h);
  EXPECT_FALSE(wm::PostMessage(h, WM_USER + 100, 0, 0));
}

TEST_F(WindowTest, AlignedControlsShareTheClientAreaAndAnchorsFollowResizes) {
  auto* top = Add<TPlain>(Rect(0, 0, 50, 30));
  top->SetAlign(alTop);
  auto* left = Add<TPlain>(Rect(0, 0, 40, 50));
  left->SetAlign(alLeft);
  auto* rest = Add<TPlain>(Rect(0, 0, 10, 10));
  rest->SetAlign(alClient);
  auto* pinned = Add<TPlain>(Rect(300, 250, 380, 280));
  pinned->SetAnchors(TAnchors{akRight, akBottom});
  form->Show();
  Process();
  const TRect client = form->ClientRect();
  EXPECT_EQ(top->BoundsRect(), Rect(0, 0, client.Right, 30));
  EXPECT_EQ(left->BoundsRect(), Rect(0, 30, 40, client.Bottom));
  EXPECT_EQ(rest->BoundsRect(), Rect(40, 30, client.Right, client.Bottom));
  form->SetBounds(10, 10, 500, 350);
  Process();
  EXPECT_EQ(top->Width(), form->ClientWidth());
  EXPECT_EQ(rest->BoundsRect(), Rect(40, 30, form->ClientWidth(), form->ClientHeight()));
  EXPECT_EQ(pinned->BoundsRect(), Rect(400, 300, 480, 330));  // kept its distance to the corner
}

// A form shrunk until its anchored children clamp and grown back gives them back their bounds: the
// distances come from when the anchors were set, not from the clamped bounds.
TEST_F(WindowTest, AnchoredEdgesKeepTheirDistancesThroughAShrinkAndGrowBack) {
  form->SetBorderStyle(bsNone);
  form->SetBounds(10, 10, 400, 300);
  auto* stretched = Add<TPlain>(Rect(20, 20, 380, 280));
  stretched->SetAnchors(TAnchors{akLeft, akTop, akRight, akBottom});
  auto* limited = Add<TPlain>(Rect(10, 100, 60, 200));
  limited->Constraints()->SetMinHeight(50);
  limited->SetAnchors(TAnchors{akLeft, akTop, akBottom});
  auto* corner = Add<TPlain>(Rect(300, 250, 380, 280));
  corner->SetAnchors(TAnchors{akRight, akBottom});
  auto* centred = Add<TPlain>(Rect(150, 100, 250, 200));
  centred->SetAnchors(TAnchors{});
  form->Show();
  Process();

  form->SetBounds(10, 10, 30, 40);
  Process();
  EXPECT_EQ(stretched->BoundsRect(), Rect(20, 20, 20, 20));  // no size left
  EXPECT_EQ(limited->Height(), 50);
  const int cw = form->ClientWidth(), ch = form->ClientHeight();
  EXPECT_EQ(corner->BoundsRect(), Rect(cw - 100, ch - 50, cw - 20, ch - 20));
  form->SetBounds(10, 10, 400, 300);
  Process();
  EXPECT_EQ(stretched->BoundsRect(), Rect(20, 20, 380, 280));
  EXPECT_EQ(limited->BoundsRect(), Rect(10, 100, 60, 200));
  EXPECT_EQ(corner->BoundsRect(), Rect(300, 250, 380, 280));
  EXPECT_EQ(centred->BoundsRect(), Rect(150, 100, 250, 200));

  form->SetBounds(10, 10, 800, 600);
  Process();
  EXPECT_EQ(stretched->BoundsRect(), Rect(20, 20, 780, 580));
  EXPECT_EQ(corner->BoundsRect(), Rect(700, 550, 780, 580));
  EXPECT_EQ(centred->BoundsRect(), Rect(350, 250, 450, 350));  // the centre stays in proportion

  // Moving a control by hand takes its distances anew.
  corner->SetBounds(600, 500, 80, 30);
  form->SetBounds(10, 10, 400, 300);
  Process();
  EXPECT_EQ(corner->BoundsRect(), Rect(200, 200, 280, 230));
}

// A control taken out of its parent and put back takes its distances from where it stands then.
TEST_F(WindowTest, AnAnchoredControlTakenOutAndPutBackAnchorsAnew) {
  form->SetBorderStyle(bsNone);
  form->SetBounds(10, 10, 400, 300);
  auto* corner = Add<TPlain>(Rect(300, 250, 380, 280));
  corner->SetAnchors(TAnchors{akRight, akBottom});
  corner->SetParent(nullptr);
  form->SetBounds(10, 10, 500, 350);
  EXPECT_EQ(corner->BoundsRect(), Rect(300, 250, 380, 280));  // not a child meanwhile
  corner->SetParent(form);
  form->SetBounds(10, 10, 400, 300);
  EXPECT_EQ(corner->BoundsRect(), Rect(200, 200, 280, 230));
  form->SetBounds(10, 10, 500, 350);
  EXPECT_EQ(corner->BoundsRect(), Rect(300, 250, 380, 280));
}

TEST_F(WindowTest, AnchoredChildrenOfAScaledOrReadFormKeepTheirDistances) {
  form->SetBorderStyle(bsNone);
  form->SetBounds(10, 10, 400, 300);
  auto* corner = Add<TPlain>(Rect(300, 250, 380, 280));
  corner->SetAnchors(TAnchors{akRight, akBottom});
  form->ScaleBy(2, 1);
  EXPECT_EQ(form->ClientWidth(), 800);
  EXPECT_EQ(corner->BoundsRect(), Rect(600, 500, 760, 560));
  form->SetBounds(10, 10, 900, 600);
  EXPECT_EQ(corner->BoundsRect(), Rect(700, 500, 860, 560));

  UseUnit(ControlsUnit);
  std::unique_ptr<TComponent> root(ReadFormText(
      "object Read: TForm\n  BorderStyle = bsNone\n  Width = 300\n  Height = 200\n"
      "  object Pinned: TScrollBar\n    Left = 200\n    Top = 150\n    Width = 80\n    Height = 17\n"
      "    Anchors = [akRight, akBottom]\n  end\nend\n"));
  auto* read = dynamic_cast<TForm*>(root.get());
  ASSERT_TRUE(read);
  read->SetBounds(0, 0, 400, 250);
  EXPECT_EQ(read->Controls(0)->BoundsRect(), Rect(300, 200, 380, 217));
}

// A framed form measures its client area the same before and after its window is made, so the
// anchors its controls take while it is read place them where the text says, read after read.
TEST_F(WindowTest, AnchoredControlsOfAFramedFormStayPutThroughWritingAndReading) {
  UseUnit(ControlsUnit);
  for (const char* border : {"bsSizeable", "bsDialog", "bsSingle"}) {
    SCOPED_TRACE(border);
    std::string text = std::string("object Read: TForm\n  BorderStyle = ") + border +
                       "\n  Left = 10\n  Top = 10\n  Width = 301\n  Height = 203\n";
    for (const char* anchors : {"[akTop]", "[]", "[akRight, akBottom]", "[akLeft, akTop, akRight]"})
      text += std::string("  object C") + std::to_string(text.size()) +
              ": TScrollBar\n    Left = 37\n    Top = 15\n    Width = 81\n    Height = 17\n    Anchors = " +
              anchors + "\n  end\n";
    text += "end\n";
    for (int round = 0; round < 3; ++round) {
      SCOPED_TRACE(round);
      std::unique_ptr<TComponent> root(ReadFormText(text));
      auto* read = dynamic_cast<TForm*>(root.get());
      ASSERT_TRUE(read);
      read->Show();
      Process();
      ASSERT_EQ(read->ControlCount(), 4);
      for (int i = 0; i < 4; ++i) EXPECT_EQ(read->Controls(i)->BoundsRect(), Rect(37, 15, 118, 32)) << i;
      text = WriteFormText(read);
    }
  }
  // Without a window the client area is already what the window leaves.
  auto* framed = new TForm(form);
  framed->SetBounds(0, 0, 300, 200);
  const TRect before = framed->ClientRect();
  framed->HandleNeeded();
  EXPECT_EQ(framed->ClientRect(), before);
}

TEST_F(WindowTest, TheCursorOverAControlIsItsCursorUnlessTheScreenSetsOne) {
  auto* c = Add<TPlain>(Rect(0, 0, 100, 50));
  c->SetCursor(crHSplit);
  form->Show();
  Process();
  auto& backend = static_cast<THeadlessBackend&>(Backend());
  headless::MoveMouse(c->Handle(), 10, 10);
  Process();
  EXPECT_EQ(backend.Cursor(), Screen->Cursors(crHSplit));
  headless::MoveMouse(form->Handle(), 200, 200);
  Process();
  EXPECT_EQ(backend.Cursor(), Screen->Cursors(crArrow));
  Screen->SetCursor(crHourGlass);
  headless::MoveMouse(c->Handle(), 20, 10);
  Process();
  EXPECT_EQ(backend.Cursor(), Screen->Cursors(crHourGlass));
  Screen->SetCursor(crDefault);
  Process();
  EXPECT_EQ(backend.Cursor(), Screen->Cursors(crHSplit));
}

TEST_F(WindowTest, DraggingAControlOntoAnotherAsksDragOverAndDropsAfterTheThreshold) {
  auto* source = Add<TPlain>(Rect(0, 0, 100, 50));
  auto* target = Add<TPlain>(Rect(200, 0, 300, 50));
  std::vector<std::string> events;
  source->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) {
    source->BeginDrag(false, 5);
  };
  target->OnDragOver = [&](TObject*, TObject* src, int x, int, TDragState state, bool& accept) {
    events.push_back(std::string(state == dsDragEnter ? "enter " : state == dsDragMove ? "move " : "leave ") +
                     std::to_string(x));
    accept = src == source;
  };
  target->OnDragDrop = [&](TObject*, TObject* src, int x, int y) {
    events.push_back("drop " + std::to_string(x) + "," + std::to_string(y) + (src == source ? " source" : ""));
  };
  source->OnEndDrag = [&](TObject*, TObject* to, int, int) {
    events.push_back(std::string("end ") + (to == target ? "on target" : "nowhere"));
  };
  form->Show();
  Process();
  // A press and a release without moving far is a click, not a drag.
  headless::MouseDown(source->Handle(), 10, 10);
  headless::MouseUp(source->Handle(), 12, 10);
  Process();
  EXPECT_EQ(events, (std::vector<std::string>{"end nowhere"}));
  EXPECT_FALSE(source->Dragging());

  events.clear();
  headless::MouseDown(source->Handle(), 10, 10);
  headless::MoveMouse(target->Handle(), 5, 5);
  headless::MoveMouse(target->Handle(), 6, 5);
  headless::MouseUp(target->Handle(), 6, 5);
  Process();
  // The two moves merge, as moves not yet taken from the queue do; the release moves once more.
  EXPECT_EQ(events, (std::vector<std::string>{"enter 6", "move 6", "drop 6,5 source", "end on target"}));
  EXPECT_EQ(wm::GetCapture(), nullptr);
}

TEST_F(WindowTest, ARightClickPopsUpTheMenuAndTheChosenItemRuns) {
  auto* c = Add<TPlain>(Rect(0, 0, 100, 50));
  auto* menu = new TPopupMenu(form);
  std::vector<std::string> clicked;
  for (const char* caption : {"&Copy", "-", "Select &All"}) {
    auto* item = new TMenuItem(form);
    item->SetCaption(caption);
    item->OnClick = [&clicked, caption](TObject*) { clicked.push_back(caption); };
    menu->Items()->Add(item);
  }
  menu->Items()->Items(0)->SetShortCut(ShortCut('C', TShiftState{ssCtrl}));
  c->SetPopupMenu(menu);
  TComponent* popupFor = nullptr;
  menu->OnPopup = [&](TObject*) { popupFor = menu->PopupComponent(); };
  form->Show();
  Process();
  wm::SetFocus(c->Handle());
  // The right button's release opens the menu at the mouse; the third row is chosen by a click.
  headless::Click(c->Handle(), 20, 20, VK_RBUTTON);
  const TPoint at = c->ClientToScreen(Point(20, 20));
  // Rows: text height + 6 each, the separator 8; a point well inside the last row.
  const int row = [] {
    TBitmap probe;
    probe.Canvas()->Font()->Assign(Screen->MenuFont());
    return probe.Canvas()->TextHeight("Wg") + 6;
  }();
  input::MouseMove(Point(at.X + 30, at.Y + 1 + row + 8 + row / 2));
  input::MouseButton(VK_LBUTTON, true, Point(at.X + 30, at.Y + 1 + row + 8 + row / 2));
  input::MouseButton(VK_LBUTTON, false, Point(at.X + 30, at.Y + 1 + row + 8 + row / 2));
  Process();
  EXPECT_EQ(popupFor, c);
  EXPECT_EQ(clicked, (std::vector<std::string>{"Select &All"}));
  // A press outside dismisses it; Escape does too.
  headless::Click(c->Handle(), 20, 20, VK_RBUTTON);
  headless::Click(form->Handle(), 350, 250);
  headless::Click(c->Handle(), 20, 20, VK_RBUTTON);
  headless::PressKey(VK_ESCAPE);
  Process();
  EXPECT_EQ(clicked.size(), 1u);
  // The shortcut runs its item from the keyboard.
  headless::PressKey('C', false, true, false);
  Process();
  EXPECT_EQ(clicked.back(), "&Copy");
}

TEST_F(WindowTest, TheScrollBarControlMovesItsPositionAndReportsIt) {
  auto* bar = Add<TScrollBar>(Rect(10, 10, 210, 27));
  bar->SetParams(0, 0, 100);
  bar->SetLargeChange(10);
  std::vector<std::pair<TScrollCode, int>> scrolls;
  int changes = 0;
  bar->OnScroll = [&](TObject*, TScrollCode code, int& pos) { scrolls.emplace_back(code, pos); };
  bar->OnChange = [&](TObject*) { ++changes; };
  form->Show();
  Process();
  // 200 wide: arrows of 17 at each end.
  headless::Click(bar->Handle(), 195, 8);  // right arrow
  headless::Click(bar->Handle(), 150, 8);  // the page right of the thumb
  Process();
  EXPECT_EQ(bar->Position(), 11);
  EXPECT_EQ(changes, 2);
  ASSERT_GE(scrolls.size(), 3u);
  EXPECT_EQ(scrolls[0], (std::pair<TScrollCode, int>{scLineDown, 1}));
  EXPECT_EQ(scrolls[1].first, scEndScroll);
  EXPECT_EQ(scrolls[2], (std::pair<TScrollCode, int>{scPageDown, 11}));
  EXPECT_EQ(wm::GetScrollPos(bar->Handle(), SB_CTL), 11);
  EXPECT_THROW(bar->SetParams(0, 10, 5), EInvalidOperation);
  bar->SetPosition(500);
  EXPECT_EQ(bar->Position(), 100);
}

TEST_F(WindowTest, AFormAndItsControlsStreamThroughFormText) {
  UseUnit(ControlsUnit);
  const char* text =
      "object Notes: TForm\n"
      "  Left = 30\n"
      "  Top = 40\n"
      "  Width = 300\n"
      "  Height = 200\n"
      "  Caption = 'Notes'\n"
      "  KeyPreview = True\n"
      "  object Bar: TScrollBar\n"
      "    Left = 5\n"
      "    Top = 6\n"
      "    Width = 150\n"
      "    Height = 17\n"
      "    Max = 50\n"
      "    Position = 7\n"
      "    TabOrder = 0\n"
      "  end\n"
      "end\n";
  std::unique_ptr<TComponent> root(ReadFormText(text));
  auto* notes = dynamic_cast<TForm*>(root.get());
  ASSERT_TRUE(notes);
  EXPECT_EQ(notes->Caption(), "Notes");
  EXPECT_EQ(notes->BoundsRect(), Rect(30, 40, 330, 240));
  EXPECT_TRUE(notes->KeyPreview());
  ASSERT_EQ(notes->ControlCount(), 1);
  auto* bar = dynamic_cast<TScrollBar*>(notes->Controls(0));
  ASSERT_TRUE(bar);
  EXPECT_EQ(bar->Parent(), notes);
  EXPECT_EQ(bar->Owner(), notes);
  EXPECT_EQ(bar->Max(), 50);
  EXPECT_EQ(bar->Position(), 7);
  const std::string written = WriteFormText(notes);
  EXPECT_NE(written.find("object Bar: TScrollBar"), std::string::npos);
  EXPECT_NE(written.find("Position = 7"), std::string::npos);
  EXPECT_EQ(written.find("Align"), std::string::npos);  // defaults are not written
}

// A form also writes the components it owns that have no parent, after its controls, so a control
// may refer to one written below it; sub-components and components owned elsewhere stay out.
TEST_F(WindowTest, AFormWritesItsNonVisualComponentsAfterItsControls) {
  UseUnit(ControlsUnit);
  form->SetName("Jobs");
  auto* bar = Add<TScrollBar>(Rect(5, 6, 155, 23));
  bar->SetName("Bar");
  auto* timer = new TTimer(form);
  timer->SetName("Ticker");
  timer->SetInterval(250);
  timer->SetEnabled(false);
  auto* menu = new TPopupMenu(form);
  menu->SetName("Menu1");
  bar->SetPopupMenu(menu);
  auto* part = new TTimer(form);  // a part of the form, streamed through a property if at all
  part->SetName("Part");
  part->SetSubComponent(true);
  TTimer stranger(nullptr);  // not the form's
  stranger.SetName("Stranger");

  const std::string text = WriteFormText(form);
  const std::size_t at_bar = text.find("object Bar: TScrollBar");
  const std::size_t at_ticker = text.find("object Ticker: TTimer");
  const std::size_t at_menu = text.find("object Menu1: TPopupMenu");
  ASSERT_NE(at_bar, std::string::npos) << text;
  ASSERT_NE(at_ticker, std::string::npos) << text;
  ASSERT_NE(at_menu, std::string::npos) << text;
  EXPECT_LT(at_bar, at_ticker);
  EXPECT_LT(at_ticker, at_menu);
  EXPECT_EQ(text.find("Part"), std::string::npos) << text;
  EXPECT_EQ(text.find("Stranger"), std::string::npos) << text;
  EXPECT_NE(text.find("PopupMenu = Menu1"), std::string::npos) << text;
  // Each component once: the controls are not written again as owned components.
  EXPECT_EQ(text.find("object Bar", at_bar + 1), std::string::npos) << text;

  std::unique_ptr<TComponent> root(ReadFormText(text));
  auto* copy = dynamic_cast<TForm*>(root.get());
  ASSERT_TRUE(copy);
  auto* ticker = dynamic_cast<TTimer*>(copy->FindComponent("Ticker"));
  ASSERT_TRUE(ticker);
  EXPECT_EQ(ticker->Owner(), copy);
  EXPECT_EQ(ticker->Interval(), 250u);
  EXPECT_FALSE(ticker->Enabled());
  auto* copied_bar = dynamic_cast<TScrollBar*>(copy->FindComponent("Bar"));
  ASSERT_TRUE(copied_bar);
  EXPECT_EQ(copied_bar->Parent(), copy);
  EXPECT_EQ(copied_bar->PopupMenu(), copy->FindComponent("Menu1"));
  EXPECT_EQ(copy->ComponentCount(), 3);
  EXPECT_EQ(WriteFormText(copy), text);
}


}  // namespace
}  // namespace lab::testing
