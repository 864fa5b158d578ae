// The X11 back-end against a real X server (an Xvfb of the test's own): a window is mapped and
// shows its painting, a click and a key sent through the server arrive as messages, the window
// manager's close requests, refused requests and a server that goes away.

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "controls_fixture.h"
#include "platform/backend/x11.h"
#include "platform/controls/application.h"
#include "platform/controls/custom_control.h"
#include "platform/controls/forms.h"
#include "platform/controls/timer.h"

namespace lab::testing {
namespace {

using namespace lab::win;
using namespace std::chrono_literals;

class TTarget : public TCustomControl {
 public:
  TTarget(TComponent* owner, std::vector<std::string>& log) : TCustomControl(owner), log_(log) {
    SetTabStop(true);
  }

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(pressed_ ? clRed : clGreen);
    Canvas()->FillRect(ClientRect());
  }
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
    log_.push_back("down " + std::to_string(x) + "," + std::to_string(y));
    pressed_ = true;
    Invalidate();
    TCustomControl::MouseDown(b, s, x, y);
  }
  void KeyPress(char32_t& key) override {
    log_.push_back(std::string("press ") + static_cast<char>(key));
    TCustomControl::KeyPress(key);
  }

 private:
  std::vector<std::string>& log_;
  bool pressed_ = false;
};

}  // namespace
}  // namespace lab::testing

// After the controls: Xlib's macros (KeyPress, None, ...) would clash with the framework's names.
#include "x11_fixture.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace lab::testing {
namespace {

TEST(X11Backend, AWindowShowsItsPaintingAndTakesAClickAndAKeyThroughTheServer) {
  if (!TXvfb::Installed()) GTEST_SKIP() << "Xvfb is not installed";
  TXvfb server;
  ASSERT_TRUE(server.Start());
  SetClock(nullptr);
  SetBackend(CreateX11Backend(server.Name().c_str()));
  Display* d = XOpenDisplay(server.Name().c_str());
  ASSERT_TRUE(d);
  const Window root = DefaultRootWindow(d);
  auto pixel = [&](int x, int y) {
    XImage* image = XGetImage(d, root, x, y, 1, 1, AllPlanes, ZPixmap);
    const unsigned long p = image ? XGetPixel(image, 0, 0) & 0xFFFFFF : 0;
    if (image) XDestroyImage(image);
    return p;
  };

  std::vector<std::string> log;
  auto* form = new TForm(nullptr);
  form->SetBorderStyle(bsNone);
  form->SetBounds(40, 30, 200, 150);
  form->SetColor(clWhite);
  form->SetCaption("Lab window");
  auto* target = new TTarget(form, log);
  target->SetParent(form);
  target->SetBounds(20, 20, 100, 80);
  form->Show();

  // The server shows what the control painted: green inside, the form's white around it.
  EXPECT_TRUE(WaitFor([&] { return pixel(40 + 30, 30 + 30) == 0x008000; }));
  EXPECT_EQ(pixel(40 + 150, 30 + 120), 0xFFFFFFu);

  const Window xwin = X11WindowOf(Backend(), form->Handle());
  ASSERT_NE(xwin, 0u);
  char* title = nullptr;
  XFetchName(d, xwin, &title);
  EXPECT_STREQ(title, "Lab window");
  if (title) XFree(title);

  XEvent ev{};
  ev.xbutton.type = ButtonPress;
  ev.xbutton.display = d;
  ev.xbutton.window = xwin;
  ev.xbutton.root = root;
  ev.xbutton.x = 30;
  ev.xbutton.y = 25;
  ev.xbutton.x_root = 40 + 30;
  ev.xbutton.y_root = 30 + 25;
  ev.xbutton.button = Button1;
  ev.xbutton.same_screen = True;
  XSendEvent(d, xwin, True, ButtonPressMask, &ev);
  ev.xbutton.type = ButtonRelease;
  ev.xbutton.state = Button1Mask;
  XSendEvent(d, xwin, True, ButtonReleaseMask, &ev);
  XEvent key{};
  key.xkey.type = KeyPress;
  key.xkey.display = d;
  key.xkey.window = xwin;
  key.xkey.root = root;
  key.xkey.keycode = XKeysymToKeycode(d, XK_a);
  key.xkey.same_screen = True;
  XSendEvent(d, xwin, True, KeyPressMask, &key);
  key.xkey.type = KeyRelease;
  XSendEvent(d, xwin, True, KeyReleaseMask, &key);
  XFlush(d);

  EXPECT_TRUE(WaitFor([&] { return log.size() >= 2 && pixel(40 + 30, 30 + 30) == 0xFF0000; }));
  EXPECT_EQ(log, (std::vector<std::string>{"down 10,5", "press a"}));
  EXPECT_EQ(pixel(40 + 30, 30 + 30), 0xFF0000u);  // the screenshot shows the repaint

  delete form;
  Application->ProcessMessages();
  XCloseDisplay(d);
  SetBackend(CreateHeadlessBackend());
}

class X11WindowTest : public X11Test {
 protected:
  TForm* Shown(TForm* form, int left) {
    form->SetBorderStyle(bsNone);
    form->SetBounds(left, 20, 100, 80);
    form->Show();
    EXPECT_TRUE(WaitFor([&] { return X11WindowOf(Backend(), form->Handle()) != 0; }));
    return form;
  }
  // What the window manager sends when the user closes a window.
  void RequestClose(TForm* form) { SendWindowManagerClose(d, X11WindowOf(Backend(), form->Handle())); }
};

// stderr goes to a file while the object lives, so a test can read what was reported so far.
class TStderrFile {
 public:
  TStderrFile() {
    char name[] = "/tmp/lab-stderr-XXXXXX";
    fd_ = mkstemp(name);
    path_ = name;
    fflush(stderr);
    saved_ = dup(2);
    dup2(fd_, 2);
  }
  ~TStderrFile() {
    fflush(stderr);
    dup2(saved_, 2);
    close(saved_);
    close(fd_);
    unlink(path_.c_str());
  }
  std::string Text() const {
    std::ifstream in(path_);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }

 private:
  int fd_ = -1, saved_ = -1;
  std::string path_;
};

int Occurrences(const std::string& text, const std::string& part) {
  int n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// The user closes a window twice in a row: OnClose runs once. A form disabled under a modal dialog
// ignores the window manager's close request, unless the dialog was opened over it: then the form
// closes and the dialog ends as cancelled. The dialog takes its own.
TEST_F(X11WindowTest, ACloseRequestRunsOnCloseOnceAndADisabledFormIgnoresIt) {
  std::unique_ptr<TForm> first(Shown(new TForm(nullptr), 20)), second(Shown(new TForm(nullptr), 200));
  int firstCloses = 0, secondCloses = 0;
  first->OnClose = [&](TObject*, TCloseAction&) { ++firstCloses; };
  second->OnClose = [&](TObject*, TCloseAction&) { ++secondCloses; };
  RequestClose(first.get());
  RequestClose(first.get());
  RequestClose(second.get());  // events from one client arrive in order: the first two came before
  EXPECT_TRUE(WaitFor([&] { return secondCloses == 1; }));
  EXPECT_EQ(firstCloses, 1);
  EXPECT_FALSE(first->Visible());

  Shown(first.get(), 20);
  Shown(second.get(), 200);
  wm::SetActiveWindow(second->Handle());  // the dialog opens over the second form
  TForm dialog(nullptr);
  dialog.SetBorderStyle(bsNone);
  dialog.SetBounds(60, 60, 100, 80);
  int dialogCloses = 0;
  dialog.OnClose = [&](TObject*, TCloseAction&) { ++dialogCloses; };
  auto* timer = new TTimer(&dialog);
  timer->SetInterval(10);
  bool overSecond = true;
  timer->OnTimer = [&](TObject*) {
    if (!X11WindowOf(Backend(), dialog.Handle())) return;
    timer->SetEnabled(false);
    RequestClose(first.get());
    RequestClose(overSecond ? &dialog : second.get());
  };
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  EXPECT_EQ(dialogCloses, 1);
  EXPECT_EQ(firstCloses, 1);
  EXPECT_TRUE(first->Visible());

  overSecond = false;
  timer->SetEnabled(true);
  wm::SetActiveWindow(second->Handle());
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  EXPECT_EQ(dialogCloses, 1);
  EXPECT_EQ(secondCloses, 2);
  EXPECT_FALSE(second->Visible());
  EXPECT_TRUE(first->Visible());
}

// On X11 the wheel goes to the window under the pointer, not to the focused one; the focus stays.
TEST_F(X11WindowTest, TheWheelGoesToTheWindowUnderThePointer) {
  std::unique_ptr<TForm> form(Shown(new TForm(nullptr), 20));
  form->SetBounds(20, 20, 300, 100);
  std::vector<std::string> log;
  auto add = [&](const char* name, int left) {
    auto* c = new TCustomControl(form.get());
    c->SetParent(form.get());
    c->SetBounds(left, 10, 100, 50);
    c->OnMouseWheel = [&log, name](TObject*, TShiftState, int delta, TPoint, bool& handled) {
      log.push_back(name + std::string(delta > 0 ? " up" : " down"));
      handled = true;
    };
    return c;
  };
  TCustomControl* focused = add("focused", 10);
  add("pointed", 150);
  focused->SetFocus();
  XEvent ev{};
  ev.xbutton.display = d;
  ev.xbutton.window = X11WindowOf(Backend(), form->Handle());
  ev.xbutton.root = DefaultRootWindow(d);
  ev.xbutton.x = 160;
  ev.xbutton.y = 20;
  ev.xbutton.x_root = 20 + 160;
  ev.xbutton.y_root = 20 + 20;
  ev.xbutton.same_screen = True;
  for (unsigned button : {Button5, Button4}) {
    ev.xbutton.button = button;
    ev.xbutton.type = ButtonPress;
    XSendEvent(d, ev.xbutton.window, True, ButtonPressMask, &ev);
    ev.xbutton.type = ButtonRelease;
    XSendEvent(d, ev.xbutton.window, True, ButtonReleaseMask, &ev);
  }
  XFlush(d);
  EXPECT_TRUE(WaitFor([&] { return log.size() >= 2; }));
  EXPECT_EQ(log, (std::vector<std::string>{"pointed down", "pointed up"}));
  EXPECT_TRUE(focused->Focused());
}

// Requests the server refuses (here on a window another client destroyed) are reported on stderr,
// once for each kind of error and request, and the program goes on.
TEST_F(X11WindowTest, ARefusedRequestIsReportedOncePerKind) {
  std::unique_ptr<TForm> form(Shown(new TForm(nullptr), 20));
  const Window xwin = X11WindowOf(Backend(), form->Handle());
  EXPECT_TRUE(WaitFor([&] {
    XWindowAttributes a{};
    return XGetWindowAttributes(d, xwin, &a) && a.map_state == IsViewable;
  }));
  TStderrFile err;
  XDestroyWindow(d, xwin);
  XSync(d, False);
  form->SetBounds(30, 20, 100, 80);
  form->SetBounds(40, 20, 100, 80);
  form->SetCaption("Gone");
  form->Hide();  // a kind of its own, and the last: what came before it was reported by then
  EXPECT_TRUE(WaitFor([&] { return err.Text().find("X_UnmapWindow") != std::string::npos; })) << err.Text();
  // Each line once; requests of the window still under way when it went may add kinds of their own.
  const std::string text = err.Text();
  std::vector<std::string> lines;
  for (std::istringstream in(text); std::getline(in, lines.emplace_back());) {
  }
  lines.pop_back();
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(std::adjacent_find(lines.begin(), lines.end()), lines.end()) << text;
  EXPECT_EQ(Occurrences(text, "X_ConfigureWindow"), 1) << text;
  EXPECT_EQ(Occurrences(text, "X_ChangeProperty"), 1) << text;
  EXPECT_EQ(Occurrences(text, "BadWindow (invalid Window parameter) in request X_UnmapWindow (reported once)"), 1)
      << text;
}

void LoseTheServer() {
  TXvfb server;
  if (!server.Start()) std::_Exit(3);
  SetClock(nullptr);
  SetBackend(CreateX11Backend(server.Name().c_str()));
  auto* form = new TForm(nullptr);
  form->SetBounds(20, 20, 100, 80);
  form->Show();
  if (!WaitFor([&] { return X11WindowOf(Backend(), form->Handle()) != 0; })) std::_Exit(4);
  server.Stop(SIGKILL);
  WaitFor([] { return false; });  // the back-end ends the program meanwhile
  std::_Exit(5);
}

TEST(X11BackendDeathTest, LosingTheServerEndsTheProgramWithAMessageAndStatusOne) {
  if (!TXvfb::Installed()) GTEST_SKIP() << "Xvfb is not installed";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(LoseTheServer(), ::testing::ExitedWithCode(1),
              "Lost the connection to the X server :[0-9]+; the program ends");
}

}  // namespace
}  // namespace lab::testing
