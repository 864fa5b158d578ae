#pragma once
// A form for the standard controls' tests: it records the notifications its controls send it
// (WM_COMMAND, WM_NOTIFY) before the framework reflects them, and reads the pixels a control drew.

#include <vector>

#include "controls_fixture.h"
#include "platform/backend/headless.h"
#include "platform/controls/application.h"
#include "platform/controls/common_controls.h"
#include "platform/controls/forms.h"
#include "platform/controls/painting.h"
#include "platform/controls/standard_controls.h"

namespace lab::testing {

class StandardControlsTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 400, 300);
    previous = form->WindowProc;
    form->WindowProc = [this](TMessage& m) {
      if (m.Msg == win::WM_COMMAND) commands.push_back(m.WParam);
      if (m.Msg == win::WM_NOTIFY) {
        const auto& nm = *reinterpret_cast<const win::NMHDR*>(m.LParam);
        notes.push_back(nm.code);
        if (refuse_change && nm.code == win::TCN_SELCHANGING) {
          m.Result = 1;
          return;
        }
      }
      previous(m);
    };
  }
  void TearDown() override {
    delete form;
    Process();
    ControlsTest::TearDown();
  }
  void Show() {
    form->Show();
    Process();
  }
  void Process() { Application->ProcessMessages(); }
  // A pixel of a control's client area as the form's surface has it.
  win::COLORREF At(TWinControl* control, int x, int y) {
    Process();
    win::POINT p{x, y};
    wm::MapWindowPoints(control->Handle(), form->Handle(), &p, 1);
    TGdiBitmap* s = wm::WindowSurface(form->Handle());
    s->BeginDirect();
    return ColorOfPixel(s->Row(p.Y)[p.X]);
  }
  static bool Dark(win::COLORREF c) { return GetRValue(c) < 0x80 && GetGValue(c) < 0x80 && GetBValue(c) < 0x80; }
  // Whether a rectangle of a control's client area holds a dark (text) pixel.
  bool HasDark(TWinControl* control, TRect r) {
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x)
        if (Dark(At(control, x, y))) return true;
    return false;
  }
  // The notification codes of the WM_COMMANDs received, with the sender's window ID.
  static win::WORD Code(win::WPARAM w) { return win::HIWORD(w); }

  TForm* form = nullptr;
  TWndMethod previous;
  std::vector<win::WPARAM> commands;
  std::vector<win::UINT> notes;
  bool refuse_change = false;
};

}  // namespace lab::testing
