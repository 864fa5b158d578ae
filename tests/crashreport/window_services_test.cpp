#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <thread>

#include "crashreport/dialogs/crash_gui.h"
#include "crashreport/dialogs/window_services.h"
#include "fake_crash_gui.h"
#include "platform/controls/clipboard.h"
#include "platform/controls/message_queue.h"
#include "platform/controls/messages.h"
#include "platform/controls/painting.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/window_styles.h"
#include "platform/graphics/gdi_objects.h"

namespace lab {
namespace {

using testing::TFakeCrashGui;
const std::uint32_t kPid = static_cast<std::uint32_t>(::getpid());

TEST(WindowServices, TheMainWindowIsTheFirstCandidate) {
  TFakeCrashGui gui;
  gui.Add(1, kPid + 1);                                     // another process
  gui.Add(2, kPid).Info.Visible = false;                   // hidden
  gui.Add(3, kPid).Info.ExStyle = win::WS_EX_TOOLWINDOW;   // a tool window
  gui.Add(4, kPid).Info.Owner = TFakeCrashGui::Handle(9);  // owned by an ordinary window
  gui.Add(9, kPid);
  EXPECT_EQ(FindProcessMainWindow(kPid), TFakeCrashGui::Handle(9));

  // Owned by a tool window that has no owner itself: a candidate.
  gui.Windows[3].Info.Owner = TFakeCrashGui::Handle(3);
  EXPECT_EQ(FindProcessMainWindow(kPid), TFakeCrashGui::Handle(4));
  // A tool window marked as an application window is one too.
  gui.Windows[2].Info.ExStyle |= win::WS_EX_APPWINDOW;
  EXPECT_EQ(FindProcessMainWindow(kPid), TFakeCrashGui::Handle(3));
  EXPECT_EQ(FindProcessMainWindow(kPid + 1), TFakeCrashGui::Handle(1));
  EXPECT_EQ(FindProcessMainWindow(kPid + 2), nullptr);
}

TEST(WindowServices, ActivatingRestoresAMinimisedWindowOrRaisesItsPopup) {
  TFakeCrashGui gui;
  gui.Add(5, kPid).Iconic = true;
  win::MSG waiting;
  waiting.message = win::WM_USER + 7;
  gui.Queue.push_back(waiting);
  ActivateWindow();
  ASSERT_EQ(gui.Posted.size(), 1u);
  EXPECT_EQ(gui.Posted[0].message, win::WM_SYSCOMMAND);
  EXPECT_EQ(gui.Posted[0].wParam, win::SC_RESTORE);
  ASSERT_EQ(gui.Dispatched.size(), 1u);  // one pending message is served
  EXPECT_EQ(gui.Dispatched[0].message, win::WM_USER + 7u);
  ASSERT_EQ(gui.Shown.size(), 1u);
  EXPECT_EQ(gui.Shown[0].second, win::SW_SHOW);
  EXPECT_EQ(gui.MadeForeground, std::vector<win::HWND>{TFakeCrashGui::Handle(5)});

  gui.Windows[0].Iconic = false;
  gui.MadeForeground.clear();
  gui.Popup = TFakeCrashGui::Handle(6);
  ActivateWindow();
  EXPECT_EQ(gui.MadeForeground, std::vector<win::HWND>{TFakeCrashGui::Handle(6)});
  ActivateWindow();  // already in front
  EXPECT_EQ(gui.MadeForeground.size(), 1u);
}

TEST(WindowServices, OneMessageAtATimeAndQuitIsNotDispatched) {
  TFakeCrashGui gui;
  EXPECT_FALSE(ProcessOneMessage());
  win::MSG quit, paint;
  quit.message = win::WM_QUIT;
  paint.message = win::WM_PAINT;
  gui.Queue = {quit, paint};
  EXPECT_TRUE(ProcessOneMessage());
  EXPECT_TRUE(gui.Dispatched.empty());
  EXPECT_TRUE(ProcessOneMessage());
  ASSERT_EQ(gui.Dispatched.size(), 1u);
  EXPECT_EQ(gui.Dispatched[0].message, win::WM_PAINT);
}

TEST(WindowServices, AWaitingThreadServesWhatIsSentAndPumpsOnlyWhenAsked) {
  TFakeCrashGui gui;
  const auto msg = [](win::UINT Message) {
    win::MSG m{};
    m.message = Message;
    return m;
  };
  gui.Queue = {msg(win::WM_LBUTTONDOWN), msg(win::WM_KEYDOWN), msg(0xA1), msg(win::WM_PAINT), msg(win::WM_QUIT),
               msg(win::WM_TIMER)};
  EXPECT_TRUE(ServeWaitingThread(false));
  EXPECT_EQ(gui.SentServed, 1);
  EXPECT_EQ(gui.Queue.size(), 6u);
  EXPECT_TRUE(ServeWaitingThread(true));
  EXPECT_EQ(gui.SentServed, 2);
  EXPECT_EQ(gui.Beeps, 3);  // input is dropped
  ASSERT_EQ(gui.Dispatched.size(), 1u);
  EXPECT_EQ(gui.Dispatched[0].message, win::WM_PAINT);
  // The quit stays for the program's loop, and ends the round.
  ASSERT_EQ(gui.Posted.size(), 1u);
  EXPECT_EQ(gui.Posted[0].message, win::WM_QUIT);
  ASSERT_EQ(gui.Queue.size(), 2u);
  EXPECT_EQ(gui.Queue.back().message, win::WM_QUIT);
  // At most 11 a round.
  gui.Queue.assign(15, msg(win::WM_PAINT));
  ServeWaitingThread(true);
  EXPECT_EQ(gui.Queue.size(), 4u);
}

TEST(WindowServices, ABoxNobodyCanSeeAnswersItsDefaultButton) {
  TFakeCrashGui gui;
  gui.BoxAnswer = win::IDCANCEL;
  const std::pair<win::UINT, int> defaults[] = {
      {win::MB_OK | win::MB_ICONERROR, win::IDOK},
      {win::MB_YESNO | win::MB_TASKMODAL, win::IDYES},
      {win::MB_YESNO | win::MB_DEFBUTTON2, win::IDNO},
      {win::MB_YESNO | win::MB_DEFBUTTON3, win::IDNO},  // past the last button: the last
      {win::MB_ABORTRETRYIGNORE | win::MB_DEFBUTTON3, win::IDIGNORE},
      {win::MB_RETRYCANCEL, win::IDRETRY},
  };
  for (const auto& [flags, answer] : defaults) {
    EXPECT_EQ(CrashMessageBox("text", "caption", flags), answer) << flags;
  }
  EXPECT_TRUE(gui.Boxes.empty());
  gui.Display = true;
  EXPECT_EQ(CrashMessageBox("text", "caption", win::MB_OKCANCEL), win::IDCANCEL);
  EXPECT_EQ(gui.Boxes.size(), 1u);
}

TEST(WindowServices, TheFocusedControlIsRecordedAndAPasswordOnlyAsStars) {
  struct TCase {
    const char* ClassName;
    std::uint32_t Style;
    std::string Text, Recorded;
  };
  const TCase cases[] = {
      {"TEdit", 0, "Mo*", "Mo*"},
      {"TLabEdit", 0x20, "secret", "******"},  // ES_PASSWORD
      {"TButton", 0x20, "OK", "OK"},           // the style means something else there
      {"TMemo", 0, std::string(300, 'x'), std::string(256, 'x')},
  };
  for (const TCase& c : cases) {
    TFakeCrashGui gui;
    TFakeCrashGui::TWindow& w = gui.Add(7, kPid);
    w.ClassName = c.ClassName;
    w.Text = c.Text;
    w.Info.Style = c.Style;
    gui.Focused = w.Handle;
    gui.Cursor = &gui;
    TExceptNotifyParams params;
    RecordActiveControl(params);
    EXPECT_EQ(params.ActiveControlClass, c.ClassName);
    EXPECT_EQ(params.ActiveControlText, c.Recorded) << c.ClassName;
    // The screenshot frames the focused control and draws the cursor.
    EXPECT_EQ(CrashState().FocusedWindow, w.Handle);
    EXPECT_EQ(CrashState().Cursor, &gui);
  }
  TFakeCrashGui nothing;
  TExceptNotifyParams params;
  RecordActiveControl(params);
  EXPECT_EQ(CrashState().FocusedWindow, nullptr);
  EXPECT_TRUE(params.ActiveControlClass.empty());
  ResetExceptionState();
}

TEST(WindowServices, ClipboardAndWindowSnapshot) {
  TFakeCrashGui gui;
  CopyTextToClipboard("");
  CopyTextToClipboard("report");
  EXPECT_EQ(gui.Clipboard, std::vector<std::string>{"report"});

  gui.Add(1, kPid);
  gui.Add(2, kPid + 1);
  SnapshotWindows();
  gui.Add(3, kPid);
  EXPECT_FALSE(IsNewWindow(TFakeCrashGui::Handle(1)));
  EXPECT_TRUE(IsNewWindow(TFakeCrashGui::Handle(2)));  // another process's window is not recorded
  EXPECT_TRUE(IsNewWindow(TFakeCrashGui::Handle(3)));
  EXPECT_TRUE(IsOwnProcessWindow(TFakeCrashGui::Handle(3)));
  EXPECT_FALSE(IsOwnProcessWindow(TFakeCrashGui::Handle(2)));
  EXPECT_FALSE(IsOwnProcessWindow(TFakeCrashGui::Handle(77)));
}

// The framework's own GUI, on the headless back-end.
class FrameworkGui : public ::testing::Test {
 protected:
  void TearDown() override {
    for (win::HWND w : windows_) wm::DestroyWindow(w);
  }
  win::HWND Make(win::DWORD ExStyle, int X, int Y, int W, int H, win::HWND Owner = nullptr) {
    win::HWND w = wm::CreateWindowEx(ExStyle, "CrashGuiTest", "Test window", win::WS_OVERLAPPED | win::WS_VISIBLE,
                                     X, Y, W, H, Owner, 0);
    windows_.push_back(w);
    return w;
  }

  std::vector<win::HWND> windows_;
};

TEST_F(FrameworkGui, FindsTheMainWindowAndItsPixels) {
  TCrashGui& gui = CrashGui();
  win::HWND tool = Make(win::WS_EX_TOOLWINDOW, 0, 0, 50, 50);
  win::HWND main = Make(0, 100, 50, 40, 30);
  TCrashWindowInfo info;
  ASSERT_TRUE(gui.GetWindowInfo(main, info));
  EXPECT_EQ(info.ProcessID, kPid);
  EXPECT_TRUE(info.Visible);
  EXPECT_EQ(info.Bounds, (TRect{100, 50, 140, 80}));
  EXPECT_EQ(gui.WindowText(main), "Test window");
  EXPECT_EQ(FindProcessMainWindow(kPid), main);
  EXPECT_NE(FindProcessMainWindow(kPid), tool);

  TGdiBitmap* surface = wm::WindowSurface(main);
  ASSERT_NE(surface, nullptr);
  surface->BeginDirect();
  surface->Row(5)[7] = 0xFF123456;
  surface->EndDirect();
  TCrashPicture picture;
  ASSERT_TRUE(gui.CopyScreenPixels(TRect{90, 40, 150, 90}, picture));
  EXPECT_EQ(picture.Width(), 60);
  EXPECT_EQ(picture.Pixels[static_cast<std::size_t>(15 * 60 + 17)], 0xFF123456u);
  EXPECT_EQ(picture.Pixels[0], 0xFF000000u);  // no window there
}

TEST_F(FrameworkGui, PingAnswersOnlyWhileTheLoopRuns) {
  std::atomic<win::HWND> window{nullptr};
  std::atomic<bool> pump{false}, stop{false};
  std::thread owner([&] {
    window = wm::CreateWindowEx(0, "CrashGuiPing", "", 0, 0, 0, 10, 10, nullptr, 0);
    while (!pump) std::this_thread::yield();  // stuck: serves nothing
    while (!stop) {
      win::MSG msg;
      while (wm::PeekMessage(msg, nullptr, 0, 0, wm::PM_REMOVE)) wm::DispatchMessage(msg);
      std::this_thread::yield();
    }
    wm::DestroyWindow(window);
  });
  while (!window) std::this_thread::yield();
  EXPECT_FALSE(CrashGui().Ping(window, 30));
  pump = true;
  EXPECT_TRUE(CrashGui().Ping(window, 10000));
  stop = true;
  owner.join();
}

TEST_F(FrameworkGui, TextGoesToTheClipboard) {
  CopyTextToClipboard("crash report\r\nline 2");
  EXPECT_EQ(win::GetClipboardData(win::CF_TEXT).value_or(""), "crash report\r\nline 2");
}

}  // namespace
}  // namespace lab
