// The tab control (tabs kept with the selection through inserts and deletes, the user's change by
// mouse and keys with its questions and notices, a program's change without them, the messages and
// the page area), the progress bar (its range, position and steps by properties and messages, what
// it fills) and the static text and image (etched lines, alignment, a copied picture).

#include <string>

#include "platform/controls/progress_bar.h"
#include "platform/controls/static_image.h"
#include "platform/controls/static_text.h"
#include "platform/controls/tab_control.h"
#include "platform/controls/window_manager.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/gdi_objects.h"
#include "platform/rtl/exceptions.h"
#include "standard_controls_fixture.h"

namespace lab::testing {
namespace {

using namespace lab::win;

class TabControlTest : public StandardControlsTest {
 protected:
  void SetUp() override {
    StandardControlsTest::SetUp();
    tabs = new TTabControl(form);
    tabs->SetParent(form);
    tabs->SetBounds(10, 10, 360, 200);
    for (const char* t : {"General", "Call Stack", "Modules"}) tabs->AddTab(t);
    tabs->OnChanging = [this](TObject*, bool& allow) {
      events += "changing;";
      allow = allow_change;
    };
    tabs->OnChange = [this](TObject*) { events += "change;"; };
    Show();
  }
  void ClickTab(int index) {
    const TRect r = tabs->TabRect(index);
    headless::Click(tabs->Handle(), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    Process();
  }

  TTabControl* tabs = nullptr;
  std::string events;
  bool allow_change = true;
};

TEST_F(TabControlTest, TheSelectionStaysOnItsTabThroughInsertsAndDeletes) {
  EXPECT_EQ(tabs->TabIndex(), 0);
  tabs->SetTabIndex(1);
  tabs->InsertTab(0, "First");
  EXPECT_EQ(tabs->TabIndex(), 2);
  EXPECT_EQ(tabs->Tab(2), "Call Stack");
  tabs->DeleteTab(0);
  EXPECT_EQ(tabs->Tab(tabs->TabIndex()), "Call Stack");
  // Deleting the selected last tab selects the one before it; at the count an index is refused.
  tabs->SetTabIndex(2);
  tabs->DeleteTab(2);
  EXPECT_EQ(tabs->TabIndex(), 1);
  EXPECT_THROW(tabs->DeleteTab(tabs->TabCount()), EListError);
  EXPECT_THROW(tabs->SetTabIndex(tabs->TabCount()), EListError);
  tabs->ClearTabs();
  EXPECT_EQ(tabs->TabIndex(), -1);
  EXPECT_TRUE(events.empty());
}

TEST_F(TabControlTest, TheUsersChangeIsAskedThenToldAndMayBeRefused) {
  ClickTab(2);
  EXPECT_EQ(tabs->TabIndex(), 2);
  EXPECT_EQ(events, "changing;change;");
  EXPECT_EQ(notes, (std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGE}));
  // Keys move while the tabs have the focus (the click gave it to them).
  ASSERT_TRUE(tabs->Focused());
  for (auto [key, expected] : {std::pair{VK_LEFT, 1}, {VK_HOME, 0}, {VK_END, 2}, {VK_RIGHT, 2}}) {
    headless::PressKey(key);
    Process();
    EXPECT_EQ(tabs->TabIndex(), expected);
  }
  // Refused by the event, then by the parent: nothing changes and nothing is told.
  events.clear();
  notes.clear();
  allow_change = false;
  ClickTab(0);
  EXPECT_EQ(events, "changing;");
  allow_change = true;
  refuse_change = true;
  ClickTab(0);
  EXPECT_EQ(tabs->TabIndex(), 2);
  EXPECT_EQ(notes, (std::vector<UINT>{TCN_SELCHANGING}));
}

TEST_F(TabControlTest, MessagesAndThePageArea) {
  const HWND h = tabs->Handle();
  char text[] = "Other";
  TCITEM item;
  item.mask = TCIF_TEXT;
  item.pszText = text;
  EXPECT_EQ(wm::SendMessage(h, TCM_INSERTITEM, 10, reinterpret_cast<LPARAM>(&item)), 3);
  EXPECT_EQ(wm::SendMessage(h, TCM_GETITEMCOUNT, 0, 0), 4);
  EXPECT_EQ(wm::SendMessage(h, TCM_SETCURSEL, 3, 0), 0);
  EXPECT_EQ(wm::SendMessage(h, TCM_GETCURSEL, 0, 0), 3);
  EXPECT_EQ(wm::SendMessage(h, TCM_SETCURSEL, 4, 0), -1);
  EXPECT_TRUE(notes.empty());
  // The page area lies below the tabs, inside the control; the way back gives the window again.
  RECT window;
  wm::GetWindowRect(h, window);
  RECT page = window;
  wm::SendMessage(h, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
  EXPECT_GE(page.Top, window.Top + tabs->TabHeight());
  EXPECT_GT(page.Left, window.Left);
  EXPECT_LT(page.Right, window.Right);
  EXPECT_LT(page.Bottom, window.Bottom);
  wm::SendMessage(h, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&page));
  EXPECT_EQ(page, window);
  // The selected tab stands out above the others.
  const TRect selected = tabs->TabRect(3), other = tabs->TabRect(0);
  EXPECT_EQ(At(tabs, (selected.Left + selected.Right) / 2, 1), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(At(tabs, (other.Left + other.Right) / 2, 1), ColorToRGB(clBtnFace));
}

class ProgressBarTest : public StandardControlsTest {
 protected:
  void SetUp() override {
    StandardControlsTest::SetUp();
    bar = new TProgressBar(form);
    bar->SetParent(form);
    bar->SetBounds(10, 10, 204, 16);
    Show();
  }
  LRESULT Send(UINT msg, WPARAM w, LPARAM l) { return wm::SendMessage(bar->Handle(), msg, w, l); }
  TProgressBar* bar = nullptr;
};

TEST_F(ProgressBarTest, RangePositionAndStepsByMessages) {
  struct Case {
    UINT msg;
    WPARAM w;
    LPARAM l;
    LRESULT answer;
    int position;
  };
  const Case cases[] = {
      {PBM_SETPOS, 40, 0, 0, 40},
      {PBM_SETPOS, 150, 0, 40, 100},  // kept within the range
      {PBM_DELTAPOS, static_cast<WPARAM>(-30), 0, 100, 70},
      {PBM_SETSTEP, 20, 0, 10, 70},
      {PBM_STEPIT, 0, 0, 70, 90},
      {PBM_STEPIT, 0, 0, 90, 10},  // past the end it starts again
      {PBM_SETRANGE32, 20, 50, MAKELONG(0, 100), 20},
      {PBM_SETRANGE, 0, MAKELPARAM(5, 10), MAKELONG(20, 50), 10},
      {PBM_GETPOS, 0, 0, 10, 10},
      {PBM_GETRANGE, TRUE, 0, 5, 10},
      {PBM_GETRANGE, FALSE, 0, 10, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.msg);
    EXPECT_EQ(Send(c.msg, c.w, c.l), c.answer);
    EXPECT_EQ(bar->Position(), c.position);
  }
  // A maximum below the minimum is the minimum; a step near the int's end does not wrap.
  bar->SetRange(10, 5);
  EXPECT_EQ(bar->Max(), 10);
  bar->SetRange(0, INT32_MAX);
  bar->SetPosition(INT32_MAX - 1);
  bar->StepBy(INT32_MAX);
  EXPECT_EQ(bar->Position(), INT32_MAX);
}

TEST_F(ProgressBarTest, FillsItsShareInBlocksOrSmoothly) {
  bar->SetPosition(50);
  EXPECT_EQ(bar->FilledWidth(), 100);
  const COLORREF highlight = ColorToRGB(clHighlight);
  EXPECT_EQ(At(bar, 3, 8), highlight);
  EXPECT_NE(At(bar, 150, 8), highlight);
  // Between two blocks the background shows; smooth, the bar is filled throughout.
  EXPECT_NE(At(bar, 2 + 8 + 1, 8), highlight);
  bar->SetSmooth(true);
  EXPECT_EQ(At(bar, 2 + 8 + 1, 8), highlight);
  bar->SetPosition(100);
  EXPECT_EQ(At(bar, 200, 8), highlight);
  bar->SetPosition(0);
  EXPECT_NE(At(bar, 3, 8), highlight);
}

class StaticsTest : public StandardControlsTest {};

TEST_F(StaticsTest, EtchedLinesAndAlignedText) {
  auto* line = new TStaticText(form);
  line->SetParent(form);
  line->SetBounds(10, 10, 100, 2);
  line->SetFrame(sfEtchedHorz);
  auto* text = new TStaticText(form);
  text->SetParent(form);
  text->SetBounds(10, 30, 200, 20);
  text->SetCaption("Centre");
  text->SetAlignment(taCenter);
  Show();
  EXPECT_EQ(At(line, 50, 0), ColorToRGB(clBtnShadow));
  EXPECT_EQ(At(line, 50, 1), ColorToRGB(clBtnHighlight));
  // Centred: as much room left and right of the text.
  int first = -1, last = -1;
  for (int x = 0; x < 200; ++x)
    for (int y = 0; y < 20; ++y)
      if (Dark(At(text, x, y))) {
        if (first < 0) first = x;
        last = x;
      }
  ASSERT_GE(first, 0);
  EXPECT_NEAR(first, 199 - last, 2);
  text->SetAlignment(taRightJustify);
  EXPECT_FALSE(HasDark(text, {0, 0, first, 20}));
  EXPECT_TRUE(HasDark(text, {190, 0, 200, 20}));
}

TEST_F(StaticsTest, AnImageKeepsItsCopyAndLeavesOutItsTransparentColour) {
  auto* image = new TStaticImage(form);
  image->SetParent(form);
  image->SetBounds(10, 10, 20, 20);
  image->SetTransparent(true);
  Show();
  // Red with a white bottom-left pixel, which is left out.
  TBitmap source(8, 8);
  source.Canvas()->Brush()->SetColor(clRed);
  source.Canvas()->FillRect(Rect(0, 0, 8, 8));
  source.Canvas()->SetPixels(0, 7, clWhite);
  source.Canvas()->SetPixels(3, 7, clWhite);
  HBITMAP handle = source.Handle();
  wm::SendMessage(image->Handle(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(handle));
  source.SetSize(0, 0);  // the sender's bitmap is gone; the control's copy is drawn
  EXPECT_EQ(At(image, 1, 1), RGB(255, 0, 0));
  EXPECT_EQ(At(image, 3, 7), ColorToRGB(clBtnFace));
  EXPECT_EQ(At(image, 12, 12), ColorToRGB(clBtnFace));
  EXPECT_NE(wm::SendMessage(image->Handle(), STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
  image->SetCenter(true);
  EXPECT_EQ(At(image, 7, 7), RGB(255, 0, 0));
  EXPECT_EQ(At(image, 1, 1), ColorToRGB(clBtnFace));
}

}  // namespace
}  // namespace lab::testing
