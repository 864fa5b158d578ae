// The X11 back-end against a real X server (Xvfb on a free display number): a window is mapped and
// shows its painting, and a click and a key sent through the server arrive as messages.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "controls_fixture.h"
#include "platform/backend/x11.h"
#include "platform/controls/application.h"
#include "platform/controls/custom_control.h"
#include "platform/controls/forms.h"

extern char** environ;

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
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace lab::testing {
namespace {

// An Xvfb of our own, on the first display number nobody uses.
class TXvfb {
 public:
  ~TXvfb() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool Start() {
    for (int n = 91; n < 140; ++n) {
      const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
      const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
      if (access(socket.c_str(), F_OK) == 0 || access(lock.c_str(), F_OK) == 0) continue;
      name_ = ":" + std::to_string(n);
      posix_spawn_file_actions_t actions;
      posix_spawn_file_actions_init(&actions);
      posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
      posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
      std::vector<std::string> args = {"/usr/bin/Xvfb", name_, "-screen", "0", "640x480x24",
                                       "-nolisten", "tcp", "-noreset"};
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
      posix_spawn_file_actions_destroy(&actions);
      if (rc != 0) return false;
      const auto deadline = std::chrono::steady_clock::now() + 10s;
      while (std::chrono::steady_clock::now() < deadline) {
        if (Display* d = XOpenDisplay(name_.c_str())) {
          XCloseDisplay(d);
          return true;
        }
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) break;  // the number was taken meanwhile
        std::this_thread::sleep_for(20ms);
      }
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
    return false;
  }
  const std::string& Name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
};

bool WaitFor(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (std::chrono::steady_clock::now() < deadline) {
    Application->ProcessMessages();
    if (done()) return true;
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

TEST(X11Backend, AWindowShowsItsPaintingAndTakesAClickAndAKeyThroughTheServer) {
  if (access("/usr/bin/Xvfb", X_OK) != 0) GTEST_SKIP() << "Xvfb is not installed";
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

}  // namespace
}  // namespace lab::testing
