#pragma once
// The crash reporter's dialogs shown for real on the headless back-end: the framework's GUI, told
// that a display is there, and the options in force put back after each test.

#include <gtest/gtest.h>

#include "crashreport/dialogs/platform_gui.h"
#include "crashreport/process_state.h"

namespace lab::testing {

class TDisplayGui : public TFrameworkGui {
 public:
  bool HasDisplay() override { return true; }
};

class CrashDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_.Assign(&CurrentCrashLogOptions());
    old_gui_ = SetCrashGui(&gui_);
  }
  void TearDown() override {
    SetCrashGui(old_gui_);
    CurrentCrashLogOptions().Assign(&saved_);
  }
  TCrashModuleOptions& Options() { return CurrentCrashLogOptions(); }

  TDisplayGui gui_;

 private:
  TCrashModuleOptions saved_{"saved", false};
  TCrashGui* old_gui_ = nullptr;
};

}  // namespace lab::testing
