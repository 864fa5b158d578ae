// The application: exceptions from message handlers reach HandleException and the loop goes on;
// Run and Terminate; Synchronize through the main loop; modal forms; message boxes with an
// answerer; hints on the manual clock; the timer component.

#include <atomic>
#include <filesystem>
#include <thread>

#include "controls_fixture.h"
#include "platform/classes/form_text.h"
#include "platform/controls/application.h"
#include "platform/controls/controls_unit.h"
#include "platform/controls/custom_control.h"
#include "platform/controls/dialogs.h"
#include "platform/controls/forms.h"
#include "platform/controls/hint_window.h"
#include "platform/controls/input.h"
#include "platform/controls/timer.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/threads.h"

namespace lab::testing {
namespace {

using namespace lab::win;

class TThrowing : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  int handled = 0;
  void Dispatch(TMessage& m) override {
    if (m.Msg == WM_USER) throw EConvertError("Boom");
    if (m.Msg == WM_USER + 1) throw EAbort("quiet");
    if (m.Msg == WM_USER + 2) {
      ++handled;
      return;
    }
    TCustomControl::Dispatch(m);
  }
};

class ApplicationTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    previous_answerer = SetDialogAnswerer([this](const TDialogRequest& r) {
      asked.push_back(r);
      return answer;
    });
    form = new TForm(nullptr);
    form->SetBounds(50, 50, 300, 200);
    control = new TThrowing(form);
    control->SetParent(form);
    control->SetBounds(0, 0, 100, 100);
    control->SetShowHint(true);
    control->SetHint("Short|Long text");
    form->Show();
    Application->ProcessMessages();
  }
  void TearDown() override {
    Application->OnException = nullptr;
    Application->SetMainForm(nullptr);
    Application->Initialize();
    delete form;
    Application->CancelHint();
    Application->ProcessMessages();
    SetDialogAnswerer(previous_answerer);
    ControlsTest::TearDown();
  }
  TDialogAnswerer previous_answerer;
  std::vector<TDialogRequest> asked;
  TModalResult answer = mrOk;
  TForm* form = nullptr;
  TThrowing* control = nullptr;
};

TEST_F(ApplicationTest, AnExceptionInAHandlerReachesOnExceptionAndTheLoopGoesOn) {
  std::vector<std::string> errors;
  Application->OnException = [&](TObject* sender, Exception& e) {
    EXPECT_EQ(sender, control);
    errors.push_back(std::string(e.ClassName()) + ": " + e.Message());
  };
  wm::PostMessage(control->Handle(), WM_USER, 0, 0);
  wm::PostMessage(control->Handle(), WM_USER + 1, 0, 0);  // EAbort is silent
  wm::PostMessage(control->Handle(), WM_USER + 2, 0, 0);
  Application->ProcessMessages();
  EXPECT_EQ(errors, (std::vector<std::string>{"EConvertError: Boom"}));
  EXPECT_EQ(control->handled, 1);
}

TEST_F(ApplicationTest, WithoutOnExceptionTheErrorIsShownInABox) {
  Application->SetTitle("Lab");
  wm::SendMessage(control->Handle(), WM_USER, 0, 0);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].Text, "Boom.");
  EXPECT_EQ(asked[0].Caption, "Lab");
  EXPECT_EQ(asked[0].Type, mtError);
  EXPECT_EQ(asked[0].Buttons, (std::vector<TModalResult>{mrOk}));
}

TEST_F(ApplicationTest, AnExceptionHookSeesExceptionsFirstAndMayKeepThem) {
  std::vector<std::string> hooked, reported;
  auto previous = SetApplicationExceptionHook([&](TObject*, std::exception_ptr e) {
    try {
      std::rethrow_exception(e);
    } catch (const Exception& ex) {
      hooked.push_back(ex.Message());
      return ex.Message() != "Boom";  // keeps this one
    }
  });
  Application->OnException = [&](TObject*, Exception& e) { reported.push_back(e.Message()); };
  wm::SendMessage(control->Handle(), WM_USER, 0, 0);
  SetApplicationExceptionHook(previous);
  wm::SendMessage(control->Handle(), WM_USER, 0, 0);
  EXPECT_EQ(hooked, (std::vector<std::string>{"Boom"}));
  EXPECT_EQ(reported, (std::vector<std::string>{"Boom"}));  // only the second, after the hook went
}

TEST_F(ApplicationTest, RunEndsWhenTheMainFormCloses) {
  Application->SetMainForm(form);
  int errors = 0;
  Application->OnException = [&](TObject*, Exception&) { ++errors; };
  wm::PostMessage(control->Handle(), WM_USER, 0, 0);
  wm::PostMessage(control->Handle(), WM_USER + 2, 0, 0);
  wm::PostMessage(form->Handle(), WM_CLOSE, 0, 0);
  Application->Run();
  EXPECT_TRUE(Application->Terminated());
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(control->handled, 1);
}

TEST_F(ApplicationTest, SynchronizeRunsOnTheMainThreadThroughTheLoop) {
  std::atomic<bool> done{false};
  DWORD ranOn = 0;
  const HWND wake = control->Handle();
  std::thread worker([&] {
    TThread::Synchronize(nullptr, [&] { ranOn = wm::CurrentThreadId(); });
    done = true;
    wm::PostMessage(wake, WM_USER + 2, 0, 0);  // so the loop looks at `done` again
  });
  while (!done) Application->HandleMessage();  // waits in the loop until the call is queued
  worker.join();
  EXPECT_EQ(ranOn, wm::CurrentThreadId());
}

TEST_F(ApplicationTest, ShowModalRunsUntilModalResultAndDisablesOtherForms) {
  TForm dialog(nullptr);
  dialog.SetBounds(0, 0, 100, 80);
  bool otherEnabledMeanwhile = true;
  auto* timer = new TTimer(&dialog);
  timer->SetInterval(100);
  timer->OnTimer = [&](TObject*) {
    otherEnabledMeanwhile = wm::IsWindowEnabled(form->Handle());
    dialog.SetModalResult(mrYes);
  };
  std::thread driver([&] {
    while (!dialog.Visible()) std::this_thread::yield();
    clock.Advance(100);
  });
  EXPECT_EQ(dialog.ShowModal(), mrYes);
  driver.join();
  EXPECT_FALSE(otherEnabledMeanwhile);
  EXPECT_TRUE(wm::IsWindowEnabled(form->Handle()));
  EXPECT_FALSE(dialog.Visible());
  EXPECT_THROW({
    dialog.Show();
    dialog.ShowModal();
  }, EInvalidOperation);
}

TEST_F(ApplicationTest, CloseAsksOnCloseQueryAndOnClose) {
  TForm other(nullptr);
  other.Show();
  bool allow = false;
  other.OnCloseQuery = [&](TObject*, bool& canClose) { canClose = allow; };
  other.Close();
  EXPECT_TRUE(other.Visible());
  allow = true;
  TCloseAction seen = caNone;
  other.OnClose = [&](TObject*, TCloseAction& a) { seen = a; };
  other.Close();
  EXPECT_EQ(seen, caHide);
  EXPECT_FALSE(other.Visible());
}

// Close requests from the display (the window manager's close button): a second one while the first
// is answered, or after the form went, runs nothing again; a form disabled under a modal dialog it
// was not opened over ignores them.
TEST_F(ApplicationTest, ACloseRequestRunsOnCloseOnceAndNeverForADisabledForm) {
  int queries = 0, closes = 0;
  form->OnCloseQuery = [&](TObject*, bool& canClose) {
    // Asking the user runs a message loop: the second request arrives meanwhile.
    if (++queries == 1) Application->ProcessMessages();
    canClose = true;
  };
  form->OnClose = [&](TObject*, TCloseAction&) { ++closes; };
  input::WindowCloseRequested(form->Handle());
  input::WindowCloseRequested(form->Handle());
  Application->ProcessMessages();
  EXPECT_EQ(queries, 1);
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(form->Visible());
  form->Show();  // a form hidden by a close closes again once shown
  Application->ProcessMessages();
  input::WindowCloseRequested(form->Handle());
  Application->ProcessMessages();
  EXPECT_EQ(closes, 2);

  // A form freed on close is asked once, though it stays until the release message comes.
  auto* freed = new TForm(nullptr);
  bool gone = false;
  freed->Show();
  freed->OnClose = [&](TObject*, TCloseAction& a) {
    ++closes;
    a = caFree;
  };
  freed->OnDestroy = [&](TObject*) { gone = true; };
  const HWND freedHandle = freed->Handle();
  input::WindowCloseRequested(freedHandle);
  input::WindowCloseRequested(freedHandle);
  Application->ProcessMessages();
  EXPECT_EQ(closes, 3);
  EXPECT_TRUE(gone);

  TForm opener(nullptr);
  form->Show();
  opener.Show();  // the active form: the dialog opens over it
  Application->ProcessMessages();
  ASSERT_EQ(wm::GetActiveWindow(), opener.Handle());
  TForm dialog(nullptr);
  int dialogCloses = 0;
  dialog.OnClose = [&](TObject*, TCloseAction&) { ++dialogCloses; };
  dialog.OnShow = [&](TObject*) {
    input::WindowCloseRequested(form->Handle());  // disabled under the dialog
    input::WindowCloseRequested(dialog.Handle());
  };
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  EXPECT_EQ(dialogCloses, 1);
  EXPECT_EQ(closes, 3);
  EXPECT_TRUE(form->Visible());
}

// Closing the window a message box was opened over ends the box, answered as cancelled: the main
// form ends the program (and a box opened after that answers at once), another form hides or goes.
// Were the close dropped, the idle handler would press Enter and the box would answer OK.
TEST_F(ApplicationTest, ClosingTheWindowUnderAMessageBoxCancelsIt) {
  SetDialogAnswerer(nullptr);
  int idles = 0;
  Application->OnIdle = [&](TObject*, bool&) {
    ++idles;
    headless::PressKey(VK_RETURN);
  };
  TScopeExit noIdle([] { Application->OnIdle = nullptr; });
  struct Case {
    const char* name;
    bool main;
    TCloseAction action;
  };
  for (const Case c : {Case{"main form", true, caHide}, Case{"other form, hidden", false, caHide},
                       Case{"other form, freed", false, caFree}}) {
    SCOPED_TRACE(c.name);
    idles = 0;
    Application->Initialize();
    auto* owner = new TForm(nullptr);
    TScopeExit freeOwner([&] {
      if (c.action != caFree) delete owner;
    });
    owner->OnClose = [&](TObject*, TCloseAction& a) { a = c.action; };
    owner->Show();
    Application->ProcessMessages();
    Application->SetMainForm(c.main ? owner : nullptr);
    input::WindowCloseRequested(owner->Handle());
    EXPECT_EQ(MessageBox("Delete record?", "Jobs", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(idles, 0);
    EXPECT_EQ(Application->Terminated(), c.main);
    if (c.main) {
      EXPECT_EQ(MessageBox("Save changes?", "Jobs", MB_YESNO), IDCANCEL);
    }
    Application->SetMainForm(nullptr);
    Application->ProcessMessages();
  }
}

TEST_F(ApplicationTest, MessageBoxesAskTheAnswererWithTheirButtons) {
  answer = mrNo;
  EXPECT_EQ(Application->MessageBox("Delete record?", "Confirm", MB_OKCANCEL | MB_ICONQUESTION), IDNO);
  EXPECT_EQ(asked.back().Buttons, (std::vector<TModalResult>{mrOk, mrCancel}));
  EXPECT_EQ(asked.back().CancelButton, mrCancel);
  EXPECT_EQ(asked.back().Type, mtConfirmation);
  answer = mrYes;
  EXPECT_EQ(MessageDlg("Delete all selected records?", mtConfirmation, TMsgDlgButtons{mbYes, mbNo}), mrYes);
  EXPECT_EQ(asked.back().Caption, "Confirm");
  EXPECT_EQ(asked.back().Buttons, (std::vector<TModalResult>{mrYes, mrNo}));
  EXPECT_EQ(asked.back().DefaultButton, mrYes);
  EXPECT_EQ(asked.back().CancelButton, mrNo);
}

// A box asked without a caption shows the application's title, which is the program's name until
// the program sets one.
TEST_F(ApplicationTest, ABoxWithoutACaptionShowsTheApplicationsTitle) {
  EXPECT_EQ(TApplication(nullptr).Title(),
            std::filesystem::read_symlink("/proc/self/exe").stem().string());
  Application->SetTitle("Lab jobs");
  for (auto ask : {+[] { MessageBox("Delete record?", "", MB_OKCANCEL); },
                   +[] { Application->MessageBox("Delete record?", "", MB_OKCANCEL); }}) {
    ask();
    EXPECT_EQ(asked.back().Caption, "Lab jobs");
  }
  MessageBox("Delete record?", "Jobs", MB_OKCANCEL);
  EXPECT_EQ(asked.back().Caption, "Jobs");
}

TEST_F(ApplicationTest, TheRealMessageBoxAnswersTheButtonTakenByKeyboard) {
  SetDialogAnswerer(nullptr);
  // Queued before the box shows: Tab to the second button, then Enter.
  headless::PressKey(VK_TAB);
  headless::PressKey(VK_RETURN);
  EXPECT_EQ(MessageBox("Save changes?", "Notes", MB_YESNOCANCEL), IDNO);
  headless::PressKey(VK_ESCAPE);
  EXPECT_EQ(MessageBox("Leave?", "Notes", MB_OKCANCEL), IDCANCEL);
}

TEST_F(ApplicationTest, AHintShowsAfterThePauseAndHidesAfterTheHidePause) {
  Application->SetHintPause(500);
  Application->SetHintHidePause(2500);
  headless::MoveMouse(control->Handle(), 10, 10);
  Application->ProcessMessages();
  ASSERT_FALSE(Application->HintWindow() && Application->HintWindow()->HandleAllocated() &&
               wm::IsWindowVisible(Application->HintWindow()->Handle()));
  clock.Advance(500);
  Application->ProcessMessages();
  THintWindow* hint = Application->HintWindow();
  ASSERT_TRUE(hint);
  ASSERT_TRUE(hint->HandleAllocated());
  EXPECT_TRUE(wm::IsWindowVisible(hint->Handle()));
  EXPECT_EQ(hint->Caption(), "Short");
  RECT r;
  wm::GetWindowRect(hint->Handle(), r);
  EXPECT_EQ(r.Left, control->ClientToScreen(Point(10, 10)).X);
  clock.Advance(2500);
  Application->ProcessMessages();
  EXPECT_FALSE(hint->HandleAllocated());
}

// A timer left at its defaults runs every second; one read from form text at its defaults too, and
// one read disabled stays silent until enabled.
TEST_F(ApplicationTest, ATimerAtItsDefaultsFiresEverySecond) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.OnTimer = [&](TObject*) { ++ticks; };
  clock.Advance(999);
  Application->ProcessMessages();
  EXPECT_EQ(ticks, 0);
  clock.Advance(1);
  Application->ProcessMessages();
  EXPECT_EQ(ticks, 1);
  timer.SetInterval(1000);  // the same interval: it keeps running
  clock.Advance(1000);
  Application->ProcessMessages();
  EXPECT_EQ(ticks, 2);

  UseUnit(ControlsUnit);
  std::unique_ptr<TComponent> root(ReadFormText(
      "object Host: TForm\n  object Ticker: TTimer\n  end\n  object Quiet: TTimer\n"
      "    Enabled = False\n  end\nend\n"));
  int read_ticks = 0, quiet_ticks = 0;
  dynamic_cast<TTimer*>(root->FindComponent("Ticker"))->OnTimer = [&](TObject*) { ++read_ticks; };
  auto* quiet = dynamic_cast<TTimer*>(root->FindComponent("Quiet"));
  quiet->OnTimer = [&](TObject*) { ++quiet_ticks; };
  clock.Advance(1000);
  Application->ProcessMessages();
  EXPECT_EQ(read_ticks, 1);
  EXPECT_EQ(quiet_ticks, 0);
  quiet->SetEnabled(true);
  clock.Advance(1000);
  Application->ProcessMessages();
  EXPECT_EQ(quiet_ticks, 1);
}

TEST_F(ApplicationTest, TheTimerComponentFiresOnTheManualClock) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.OnTimer = [&](TObject*) { ++ticks; };
  timer.SetInterval(100);
  clock.Advance(100);
  Application->ProcessMessages();
  clock.Advance(100);
  Application->ProcessMessages();
  EXPECT_EQ(ticks, 2);
  timer.SetEnabled(false);
  clock.Advance(500);
  Application->ProcessMessages();
  EXPECT_EQ(ticks, 2);
}

}  // namespace
}  // namespace lab::testing
