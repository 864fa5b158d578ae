#pragma once
// Shared set-up of the window-layer tests: the headless back-end, a manual clock, message pumping and
// a window that records what it receives.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/backend/headless.h"
#include "platform/controls/clock.h"
#include "platform/controls/message_queue.h"
#include "platform/controls/window_manager.h"

namespace lab::testing {

struct Received {
  win::HWND hwnd;
  win::UINT msg;
  win::WPARAM wParam;
  win::LPARAM lParam;
};

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetBackend(CreateHeadlessBackend());
    SetClock(&clock);
    Pump();
  }
  void TearDown() override {
    for (win::HWND h : windows_) wm::DestroyWindow(h);
    Pump();
    SetClock(nullptr);
  }

  // Dispatches everything waiting, as a message loop would.
  int Pump() {
    int n = 0;
    win::MSG m;
    while (wm::PeekMessage(m, nullptr, 0, 0, wm::PM_REMOVE)) {
      wm::TranslateMessage(m);
      wm::DispatchMessage(m);
      ++n;
    }
    return n;
  }

  // A top-level or child window that logs its messages and then does the default.
  win::HWND Recording(win::DWORD style = win::WS_POPUP | win::WS_VISIBLE,
                      win::HWND parent = nullptr, int x = 0, int y = 0, int w = 200, int h = 100,
                      const char* cls = "") {
    win::WNDPROC proc = [this](win::HWND hwnd, win::UINT msg, win::WPARAM wp, win::LPARAM lp) {
      log.push_back({hwnd, msg, wp, lp});
      return wm::DefWindowProc(hwnd, msg, wp, lp);
    };
    win::HWND made = wm::CreateWindowEx(0, cls, "", style, x, y, w, h, parent, 0, nullptr, &proc);
    if (!(style & win::WS_CHILD)) windows_.push_back(made);
    return made;
  }

  // The messages of the log (of one window, when given) that are among `wanted`, in order.
  std::vector<win::UINT> Only(std::initializer_list<win::UINT> wanted, win::HWND of = nullptr) const {
    std::vector<win::UINT> out;
    for (const Received& r : log)
      if (!of || r.hwnd == of)
        for (win::UINT w : wanted)
        if (r.msg == w) out.push_back(r.msg);
    return out;
  }

  TManualClock clock;
  std::vector<Received> log;  // what Recording windows received

 private:
  std::vector<win::HWND> windows_;
};

}  // namespace lab::testing
