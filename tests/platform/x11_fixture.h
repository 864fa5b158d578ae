#pragma once
// Tests of the paths only the X11 back-end takes: an X server of the test's own (Xvfb picks a free
// display number itself and tells it through a pipe once it accepts connections, so tests running
// side by side never share a server), the back-end on it and a connection of the test's own.
// Include after the framework's headers: Xlib's macros (None, KeyPress, ...) clash with their names.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/backend/headless.h"
#include "platform/backend/x11.h"
#include "platform/controls/application.h"
#include "platform/controls/clock.h"
#include "platform/controls/forms.h"

#include <X11/Xlib.h>

extern char** environ;

namespace lab::testing {

class TXvfb {
 public:
  TXvfb() = default;
  TXvfb(const TXvfb&) = delete;
  TXvfb& operator=(const TXvfb&) = delete;
  ~TXvfb() { Stop(SIGTERM); }

  static bool Installed() { return access("/usr/bin/Xvfb", X_OK) == 0; }

  bool Start() {
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, ready[1], 3);
    std::vector<std::string> args = {"/usr/bin/Xvfb", "-displayfd", "3", "-screen", "0", "640x480x24",
                                     "-nolisten", "tcp", "-noreset"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ready[1]);
    if (rc != 0) {
      pid_ = -1;
      close(ready[0]);
      return false;
    }
    // The number comes with a line end once the server listens; nothing within 10 s is a failure.
    std::string number;
    pollfd p{ready[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0) {
      char buf[16];
      const ssize_t n = read(ready[0], buf, sizeof buf);
      if (n <= 0) break;
      number.append(buf, static_cast<std::size_t>(n));
    }
    close(ready[0]);
    if (number.find('\n') == std::string::npos) {
      Stop(SIGTERM);
      return false;
    }
    name_.clear();
    name_.push_back(':');
    name_.append(number, 0, number.find('\n'));
    return true;
  }

  // Ends the server: SIGKILL takes it away as a crash would.
  void Stop(int signal) {
    if (pid_ <= 0) return;
    kill(pid_, signal);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

  const std::string& Name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
};

// What a window manager sends when the user closes the window w (sent through d, flushed).
inline void SendWindowManagerClose(Display* d, Window w) {
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = w;
  ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, w, False, NoEventMask, &ev);
  XFlush(d);
}

// Runs the message loop until `done` holds (false after 10 s).
inline bool WaitFor(const std::function<bool()>& done) {
  using namespace std::chrono_literals;
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (std::chrono::steady_clock::now() < deadline) {
    Application->ProcessMessages();
    if (done()) return true;
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

// The X server of a test with the back-end on it, and a connection of the test's own to look and send.
class X11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!TXvfb::Installed()) GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_TRUE(server.Start());
    SetClock(nullptr);
    SetBackend(CreateX11Backend(server.Name().c_str()));
    d = XOpenDisplay(server.Name().c_str());
    ASSERT_TRUE(d);
  }
  void TearDown() override {
    Application->ProcessMessages();
    if (d) XCloseDisplay(d);
    SetBackend(CreateHeadlessBackend());
  }
  TXvfb server;
  Display* d = nullptr;
};

// With xdotool, which moves the server's pointer and presses its keys as a user would.
class XdotoolTest : public X11Test {
 protected:
  void SetUp() override {
    if (access("/usr/bin/xdotool", X_OK) != 0) GTEST_SKIP() << "xdotool is not installed (scripts/setup.sh)";
    X11Test::SetUp();
  }
  // Runs xdotool on the test's server; one that hangs is ended after 20 s and fails the test.
  void Xdotool(std::vector<std::string> args) {
    args.insert(args.begin(), {"/usr/bin/timeout", "20", "/usr/bin/xdotool"});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::string display = "DISPLAY=" + server.Name();
    char* envp[] = {display.data(), nullptr};
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp), 0);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "xdotool failed";
  }
};

// With xclip, the other program of the clipboard tests.
class XclipTest : public X11Test {
 protected:
  void SetUp() override {
    if (access("/usr/bin/xclip", X_OK) != 0) GTEST_SKIP() << "xclip is not installed (scripts/setup.sh)";
    X11Test::SetUp();
  }
  void TearDown() override {
    for (pid_t p : serving_) {
      kill(p, SIGTERM);
      waitpid(p, nullptr, 0);
    }
    serving_.clear();
    X11Test::TearDown();
  }

  // Runs xclip on the test's server with `input` on its standard input. With `stay` it keeps
  // serving until the test ends (once it holds the clipboard); else its output is answered when it
  // ends.
  std::string Xclip(std::vector<std::string> args, const std::string& input = {}, bool stay = false) {
    args.insert(args.begin(), {"/usr/bin/xclip", "-display", server.Name(), "-selection", "clipboard"});
    int in[2], out[2];
    EXPECT_EQ(pipe2(in, O_CLOEXEC), 0);
    EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
    const Window before = XGetSelectionOwner(d, clipboard);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    for (std::size_t done = 0; done < input.size();) {
      const ssize_t n = write(in[1], input.data() + done, input.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    close(in[1]);
    std::string output;
    if (stay) {
      serving_.push_back(pid);
      close(out[0]);
      EXPECT_TRUE(WaitFor([&] {
        const Window owner = XGetSelectionOwner(d, clipboard);
        return owner != None && owner != before;
      }));
      return output;
    }
    char buffer[65536];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) output.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "xclip failed";
    return output;
  }

 private:
  std::vector<pid_t> serving_;
};

// A shown form on the test's server with the control under test in it, as a program's window holding
// a component: what the components' clipboard tests start from.
class XclipFormTest : public XclipTest {
 protected:
  void SetUp() override {
    XclipTest::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    form = new TForm(nullptr);
    form->SetBounds(10, 10, 400, 300);
    FillForm();
    form->Show();
    Application->ProcessMessages();
  }
  void TearDown() override {
    delete form;
    XclipTest::TearDown();
  }

  // Makes the control under test (and what it works on), owned by the form, before the form shows.
  virtual void FillForm() = 0;

  TForm* form = nullptr;
};

}  // namespace lab::testing
