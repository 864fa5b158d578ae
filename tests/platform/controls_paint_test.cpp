// Painting: coalesced WM_PAINT, pixels of windowed and graphic controls on the form's surface, the
// erase, clipping by siblings, ScrollWindowEx, double buffering, the caret's blink.

#include <vector>

#include "controls_fixture.h"
#include "platform/controls/application.h"
#include "platform/controls/caret.h"
#include "platform/controls/custom_control.h"
#include "platform/controls/forms.h"
#include "platform/controls/painting.h"

namespace lab::testing {
namespace {

using namespace lab::win;

class TSolid : public TCustomControl {
 public:
  TSolid(TComponent* owner, TColor color) : TCustomControl(owner), color_(color) {}
  int paints = 0;
  TRect lastClip;
  bool stripes = false;  // horizontal bands of 10 rows, a new colour each
  bool squares = false;  // squares of 10 pixels, a new colour each

 protected:
  void Paint() override {
    ++paints;
    lastClip = Canvas()->ClipRect();
    if (squares) {
      for (int y = 0; y < Height(); y += 10)
        for (int x = 0; x < Width(); x += 10) {
          Canvas()->Brush()->SetColor(static_cast<TColor>(RGB(x * 2, y * 2, 77)));
          Canvas()->FillRect(Rect(x, y, x + 10, y + 10));
        }
      return;
    }
    if (!stripes) {
      Canvas()->Brush()->SetColor(color_);
      Canvas()->FillRect(ClientRect());
      return;
    }
    for (int y = 0; y < Height(); y += 10) {
      Canvas()->Brush()->SetColor(static_cast<TColor>(RGB(y, 0, 255 - y)));
      Canvas()->FillRect(Rect(0, y, Width(), y + 10));
    }
  }

 private:
  TColor color_;
};

class TBox : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(clRed);
    Canvas()->FillRect(ClientRect());
  }
};

class PaintTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 300, 200);
    form->SetColor(clWhite);
  }
  void TearDown() override {
    delete form;
    Application->ProcessMessages();
    ControlsTest::TearDown();
  }
  void Process() { Application->ProcessMessages(); }
  // The colour at a point of the form's client area (0x00BBGGRR).
  COLORREF At(int x, int y) {
    TGdiBitmap* s = wm::WindowSurface(form->Handle());
    s->BeginDirect();
    return ColorOfPixel(s->Row(y)[x]);
  }
  TSolid* Solid(TColor color, TRect bounds) {
    auto* c = new TSolid(form, color);
    c->SetParent(form);
    c->SetBoundsRect(bounds);
    return c;
  }
  TForm* form = nullptr;
};

TEST_F(PaintTest, ControlsPaintIntoTheFormSurfaceAndTheFormErasesWithItsColour) {
  TSolid* blue = Solid(clBlue, Rect(10, 10, 60, 60));
  auto* box = new TBox(form);
  box->SetParent(form);
  box->SetBounds(100, 10, 20, 20);
  form->Show();
  Process();
  EXPECT_EQ(At(20, 20), RGB(0, 0, 255));
  EXPECT_EQ(At(105, 15), RGB(255, 0, 0));  // painted by the form for its graphic child
  EXPECT_EQ(At(200, 150), RGB(255, 255, 255));
  EXPECT_EQ(blue->paints, 1);
}

TEST_F(PaintTest, InvalidatingTwicePaintsOnceWithTheUnionOfBoth) {
  TSolid* c = Solid(clBlue, Rect(0, 0, 100, 100));
  form->Show();
  Process();
  c->paints = 0;
  const RECT r1{0, 0, 10, 10}, r2{40, 50, 60, 70};
  wm::InvalidateRect(c->Handle(), &r1, false);
  wm::InvalidateRect(c->Handle(), &r2, false);
  Process();
  EXPECT_EQ(c->paints, 1);
  EXPECT_EQ(c->lastClip, (TRect{0, 0, 60, 70}));
  Process();
  EXPECT_EQ(c->paints, 1);
}

TEST_F(PaintTest, ASiblingAboveClipsTheOneBelow) {
  TSolid* below = Solid(clBlue, Rect(0, 0, 100, 100));
  TSolid* above = Solid(clGreen, Rect(50, 50, 150, 150));
  form->Show();
  Process();
  EXPECT_EQ(At(75, 75), RGB(0, 128, 0));
  // Repainting the lower one does not draw over the upper one.
  below->Invalidate();
  Process();
  EXPECT_EQ(At(75, 75), RGB(0, 128, 0));
  EXPECT_EQ(At(25, 25), RGB(0, 0, 255));
  // Hiding the upper one repaints what it covered.
  above->Hide();
  Process();
  EXPECT_EQ(At(75, 75), RGB(0, 0, 255));
  EXPECT_EQ(At(120, 120), RGB(255, 255, 255));
}

TEST_F(PaintTest, ScrollWindowExMovesPixelsAndRepaintsOnlyWhatWasExposed) {
  TSolid* c = Solid(clBlue, Rect(0, 0, 100, 100));
  c->stripes = true;
  form->Show();
  Process();
  EXPECT_EQ(At(5, 25), RGB(20, 0, 235));
  c->paints = 0;
  RECT exposed;
  // Scrolling the content up by 10: the band from y 20 lands at y 10, the last band is exposed.
  const int kind = wm::ScrollWindowEx(c->Handle(), 0, -10, nullptr, nullptr, nullptr, &exposed, SW_INVALIDATE);
  EXPECT_EQ(kind, SIMPLEREGION);
  EXPECT_EQ(exposed, (RECT{0, 90, 100, 100}));
  EXPECT_EQ(At(5, 15), RGB(20, 0, 235));
  Process();
  EXPECT_EQ(c->paints, 1);
  EXPECT_EQ(c->lastClip, (TRect{0, 90, 100, 100}));
}

// Every direction, and a window above that cuts a hole narrower than the step: each moved pixel
// is the one that stood a step before it, read before anything was written over it.
TEST_F(PaintTest, ScrollWindowExMovesEveryPixelByTheStepInEachDirection) {
  TSolid* c = Solid(clBlue, Rect(20, 30, 120, 130));
  c->squares = true;
  TSolid* above = Solid(clRed, Rect(60, 30, 80, 130));  // columns 40..59 of c
  form->Show();
  Process();
  auto hole = [](int x) { return x >= 40 && x < 60; };
  for (const POINT step : {POINT{25, 0}, POINT{-25, 0}, POINT{7, 13}, POINT{-9, -4}, POINT{0, 11}, POINT{30, -6}}) {
    std::vector<COLORREF> old(100 * 100);
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x) old[static_cast<std::size_t>(y * 100 + x)] = At(20 + x, 30 + y);
    wm::ScrollWindowEx(c->Handle(), step.X, step.Y, nullptr, nullptr, nullptr, nullptr, 0);
    int moved = 0;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x) {
        const int sx = x - step.X, sy = y - step.Y;
        const COLORREF now = At(20 + x, 30 + y);
        if (hole(x)) {
          EXPECT_EQ(now, RGB(255, 0, 0));
        } else if (sx >= 0 && sx < 100 && sy >= 0 && sy < 100 && !hole(sx)) {
          ASSERT_EQ(now, old[static_cast<std::size_t>(sy * 100 + sx)]) << step.X << "," << step.Y << " at " << x << "," << y;
          ++moved;
        }
      }
    EXPECT_GT(moved, 0);
  }
  EXPECT_NE(above, nullptr);
}

TEST_F(PaintTest, DoubleBufferedPaintingGivesTheSamePixels) {
  TSolid* c = Solid(clBlue, Rect(0, 0, 100, 100));
  c->stripes = true;
  c->SetDoubleBuffered(true);
  form->Show();
  Process();
  EXPECT_EQ(At(5, 5), RGB(0, 0, 255));
  EXPECT_EQ(At(5, 95), RGB(90, 0, 165));
  const RECT part{0, 40, 100, 50};
  wm::InvalidateRect(c->Handle(), &part, true);
  Process();
  EXPECT_EQ(At(5, 45), RGB(40, 0, 215));
  EXPECT_EQ(c->lastClip, (TRect{0, 40, 100, 50}));
}

TEST_F(PaintTest, TheCaretBlinksOnTheTimerAndStaysOffWhileHidden) {
  TSolid* c = Solid(clWhite, Rect(0, 0, 100, 100));
  form->Show();
  Process();
  ASSERT_TRUE(wm::CreateCaret(c->Handle(), nullptr, 2, 10));
  wm::SetCaretPos(20, 20);
  EXPECT_EQ(At(20, 20), RGB(255, 255, 255));  // created hidden
  wm::ShowCaret(c->Handle());
  EXPECT_EQ(At(20, 20), RGB(0, 0, 0));  // inverted
  EXPECT_EQ(At(22, 20), RGB(255, 255, 255));
  clock.Advance(wm::GetCaretBlinkTime());
  Process();
  EXPECT_EQ(At(20, 20), RGB(255, 255, 255));
  clock.Advance(wm::GetCaretBlinkTime());
  Process();
  EXPECT_EQ(At(20, 29), RGB(0, 0, 0));
  // Painting under the caret keeps it right.
  c->Invalidate();
  Process();
  EXPECT_EQ(At(20, 20), RGB(0, 0, 0));
  wm::HideCaret(c->Handle());
  EXPECT_EQ(At(20, 20), RGB(255, 255, 255));
  clock.Advance(wm::GetCaretBlinkTime() * 3);
  Process();
  EXPECT_EQ(At(20, 20), RGB(255, 255, 255));
  wm::DestroyCaret();
}

}  // namespace
}  // namespace lab::testing
