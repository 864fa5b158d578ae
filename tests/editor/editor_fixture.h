#pragma once
// Shared set-up of the editor control's tests: the headless back-end, a manual clock, a form holding
// an editor with its window made, and message pumping.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/codeedit.h"
#include "platform/backend/headless.h"
#include "platform/controls/clock.h"
#include "platform/controls/forms.h"
#include "platform/controls/input.h"
#include "platform/controls/message_queue.h"
#include "platform/win/window_functions.h"

namespace lab::edittest {

// The screen point just inside the cell of a text position of Edit (its window made).
inline win::POINT ScreenPointOf(TCodeEdit* Edit, TBufferCoord P) {
  const TDisplayCoord d = Edit->BufferToDisplayPos(P);
  win::POINT p{(d.Column - 1) * Edit->CharWidth() + Edit->TextOffset() + 1,
               (d.Row - Edit->TopLine()) * Edit->TextHeight() + Edit->TextHeight() / 2};
  win::ClientToScreen(Edit->Handle(), p);
  return p;
}

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetBackend(CreateHeadlessBackend());
    SetClock(&clock);
    form = new TForm(nullptr);
    form->SetName("Form1");
    form->SetBounds(0, 0, 640, 480);
    edit = new TCodeEdit(form);
    edit->SetName("Edit1");
    edit->SetParent(form);
    edit->SetBounds(0, 0, 400, 300);
    edit->HandleNeeded();
  }
  void TearDown() override {
    delete form;
    Pump();
    SetClock(nullptr);
  }

  // Dispatches what waits in the queue (a bounded number of turns).
  int Pump(int turns = 1000) {
    int n = 0;
    win::MSG m;
    while (turns-- > 0 && wm::PeekMessage(m, nullptr, 0, 0, wm::PM_REMOVE)) {
      wm::TranslateMessage(m);
      wm::DispatchMessage(m);
      ++n;
    }
    return n;
  }

  // Shows the form and gives the editor the focus, so that keys reach it.
  void Focus() {
    form->Show();
    edit->SetFocus();
    Pump();
  }
  // A key pressed and let go with modifiers held, as the keyboard delivers it; Ch is the character
  // it types.
  void Press(win::UINT Key, TShiftState Shift = {}, char32_t Ch = 0) {
    if (Shift.Contains(ssCtrl)) input::KeyDown(win::VK_CONTROL);
    if (Shift.Contains(ssShift)) input::KeyDown(win::VK_SHIFT);
    if (Shift.Contains(ssAlt)) input::KeyDown(win::VK_MENU);
    input::KeyDown(Key, Ch);
    input::KeyUp(Key);
    if (Shift.Contains(ssAlt)) input::KeyUp(win::VK_MENU);
    if (Shift.Contains(ssShift)) input::KeyUp(win::VK_SHIFT);
    if (Shift.Contains(ssCtrl)) input::KeyUp(win::VK_CONTROL);
    Pump();
  }

  // Lines "line 1" .. "line N".
  void Fill(int N) {
    TStringList lines;
    for (int i = 1; i <= N; ++i) lines.Add("line " + std::to_string(i));
    edit->Lines()->Assign(&lines);
  }
  void SetText(std::initializer_list<const char*> Lines) {
    TStringList lines;
    for (const char* line : Lines) lines.Add(line);
    edit->Lines()->Assign(&lines);
  }

  TManualClock clock;
  TForm* form = nullptr;
  TCodeEdit* edit = nullptr;
};

}  // namespace lab::edittest
