// The sending-progress dialog on its own thread, moved on by the sender's calls.

#include <gtest/gtest.h>

#include <chrono>

#include "crashreport/dialogs/dialog_state.h"
#include "crashreport/dialogs/send_dialog.h"
#include "platform/controls/dialog_box.h"
#include "platform/controls/window_manager.h"
#include "tests/crashreport/dialog_fixture.h"
#include "tests/crashreport/fake_crash_gui.h"

namespace lab::testing {
namespace {

class SendDialogTest : public CrashDialogTest {
 protected:
  void SetUp() override {
    CrashDialogTest::SetUp();
    Options().SetSendFlags(kSendShowDialogs);
    Options().SetEmailSendMode(kEmailSendSMTPServer);
  }
  void TearDown() override {
    CloseSendDialog();
    CrashDialogTest::TearDown();
  }
};

TEST_F(SendDialogTest, ShowsTheSendersProgressUntilItCloses) {
  ASSERT_TRUE(StartSendDialogThread());
  const win::HWND dialog = DialogState().SendWindow;
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(CrashState().SendProgressWindow, dialog);
  EXPECT_EQ(wm::GetWindowText(dialog), "Send.");
  SetSendProgressText("Message 1/2: Connecting with server...");
  SetSendProgressPosition(40);
  EXPECT_EQ(win::GetDlgItemText(dialog, 100), "Message 1/2: Connecting with server...");
  EXPECT_EQ(win::SendDlgItemMessage(dialog, 101, win::PBM_GETPOS, 0, 0), 40);
  SetSendProgressPosition(250);
  EXPECT_EQ(win::SendDlgItemMessage(dialog, 101, win::PBM_GETPOS, 0, 0), 100);
  CloseSendDialog();
  EXPECT_FALSE(wm::IsWindow(dialog));
  EXPECT_EQ(DialogState().SendWindow, nullptr);
  EXPECT_EQ(CrashState().SendProgressWindow, nullptr);
  SetSendProgressText("after");  // nothing to move on: no harm
  CloseSendDialog();
}

TEST_F(SendDialogTest, NoDialogWithoutADisplayTheFlagOrASendMethod) {
  TFakeCrashGui fake;  // no display
  TCrashGui* framework = SetCrashGui(&fake);
  DialogState().DialogPainted = false;
  EXPECT_FALSE(StartSendDialogThread());
  EXPECT_TRUE(DialogState().DialogPainted);  // nothing waits for a dialog
  EXPECT_TRUE(fake.Dialogs.empty());
  SetCrashGui(framework);
  Options().SetEmailSendMode(0);
  EXPECT_FALSE(StartSendDialogThread());
  Options().SetWebSendMode(kWebSendHTTP);
  Options().SetSendFlags(kSendScreenshot);
  EXPECT_FALSE(StartSendDialogThread());
  EXPECT_EQ(DialogState().SendWindow, nullptr);
}

// A window manager that never gives the dialog the focus: the start waits a bounded time, then the
// sending goes on, and the dialog still closes.
class TNoFocusGui : public TDisplayGui {
 public:
  std::intptr_t DialogBox(const std::string& Template, const TDialogProc& Proc) override {
    return TDisplayGui::DialogBox(Template, [Proc](win::HWND d, win::UINT m, win::WPARAM w, win::LPARAM l) {
      return m == win::WM_SETFOCUS ? 0 : Proc(d, m, w, l);
    });
  }
};

TEST_F(SendDialogTest, AFocusThatNeverComesHoldsTheSenderUpOnlyAWhile) {
  TNoFocusGui gui;
  SetCrashGui(&gui);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(StartSendDialogThread());
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(kSendDialogFocusWaitMs));
  EXPECT_LT(waited, std::chrono::milliseconds(kSendDialogFocusWaitMs + 2000));
  EXPECT_FALSE(DialogState().SendFocused);
  const win::HWND dialog = DialogState().SendWindow;
  EXPECT_NE(dialog, nullptr);
  CloseSendDialog();
  EXPECT_FALSE(wm::IsWindow(dialog));
  SetCrashGui(&gui_);
}

}  // namespace
}  // namespace lab::testing
