// A top-level window maximised or minimised under X11: what the back-end asks of the window manager
// (none, one that ended, one without the maximised states, or one that offers both, played by the
// test's own connection on a server that has none), and the state the window takes from its answer.

#include <memory>
#include <string>
#include <vector>

#include "platform/controls/forms.h"
#include "platform/controls/messages.h"
#include "platform/controls/window_manager.h"
#include "tests/platform/x11_fixture.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace lab::testing {
namespace {

enum class TManager { Absent, Ended, WithoutMaximised, Full };

struct TShowStateCase {
  const char* Name;
  TManager Manager;
  bool ShownFirst;    // asked once shown, else asked as it shows
  int Command;        // SW_SHOWMAXIMIZED or SW_MINIMIZE
  bool Offered;
  const char* Asked;  // what reached the window manager
  const char* AskedToRestore;
};

void PrintTo(const TShowStateCase& Case, std::ostream* Out) { *Out << Case.Name; }

class X11ShowState : public X11Test, public ::testing::WithParamInterface<TShowStateCase> {
 protected:
  Atom Intern(const char* Name) { return XInternAtom(d, Name, False); }

  // Names a window of the test's own as the running window manager, listing States as supported.
  void PlayManager(TManager Manager) {
    const Window root = DefaultRootWindow(d);
    XSelectInput(d, root, SubstructureNotifyMask);
    if (Manager == TManager::Absent) {
      XSync(d, False);
      return;
    }
    Window check = XCreateSimpleWindow(d, root, 0, 0, 1, 1, 0, 0, 0);
    XChangeProperty(d, root, Intern("_NET_SUPPORTING_WM_CHECK"), XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&check), 1);
    if (Manager == TManager::Ended) {
      XDestroyWindow(d, check);  // the root's name stays behind
    } else {
      XChangeProperty(d, check, Intern("_NET_SUPPORTING_WM_CHECK"), XA_WINDOW, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(&check), 1);
      Atom supported[] = {Intern("_NET_WM_STATE"), Intern("_NET_WM_STATE_MAXIMIZED_VERT"),
                          Intern("_NET_WM_STATE_MAXIMIZED_HORZ")};
      XChangeProperty(d, root, Intern("_NET_SUPPORTED"), XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(supported), Manager == TManager::Full ? 3 : 1);
    }
    XSync(d, False);
  }

  // What reached the window manager from the back-end's connection, waited for until it is
  // Expected (10 s at most): the states the window asks for as it maps, and the requests sent to
  // the root window.
  std::string Asked(Window Xwin, const std::string& Expected) {
    std::string text;
    auto add = [&](const std::string& Part) { text += (text.empty() ? "" : " ") + Part; };
    WaitFor([&] {
      XSync(d, False);
      while (XPending(d)) {
        XEvent ev;
        XNextEvent(d, &ev);
        if (ev.type == MapNotify && ev.xmap.window == Xwin) {
          for (Atom state : States(Xwin)) add(AtomName(state));
          if (XWMHints* hints = XGetWMHints(d, Xwin)) {
            if ((hints->flags & StateHint) && hints->initial_state == IconicState) add("iconic");
            XFree(hints);
          }
          add("map");
        }
        if (ev.type != ClientMessage || ev.xclient.window != Xwin) continue;
        if (ev.xclient.message_type == Intern("WM_CHANGE_STATE") && ev.xclient.data.l[0] == IconicState)
          add("iconify");
        if (ev.xclient.message_type != Intern("_NET_WM_STATE")) continue;
        add(ev.xclient.data.l[0] == 1 ? "add" : "remove");
        for (int i : {1, 2}) add(AtomName(static_cast<Atom>(ev.xclient.data.l[i])));
      }
      return text == Expected;
    });
    return text;
  }

  std::vector<Atom> States(Window Xwin) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<Atom> states;
    if (XGetWindowProperty(d, Xwin, Intern("_NET_WM_STATE"), 0, 16, False, XA_ATOM, &type, &format, &count, &after,
                           &data) == Success && data)
      states.assign(reinterpret_cast<Atom*>(data), reinterpret_cast<Atom*>(data) + count);
    if (data) XFree(data);
    return states;
  }

  std::string AtomName(Atom A) {
    char* name = XGetAtomName(d, A);
    std::string text = name ? name : "";
    if (name) XFree(name);
    return text.starts_with("_NET_WM_STATE_") ? text.substr(14) : text;
  }

  // The window manager shows the window as asked: WM_STATE and _NET_WM_STATE say so, and the window
  // has the place the state gives it.
  void Answer(Window Xwin, int Command, const win::RECT& Bounds) {
    const bool iconic = Command == win::SW_MINIMIZE;
    long wm_state[] = {iconic ? IconicState : NormalState, 0};
    XChangeProperty(d, Xwin, Intern("WM_STATE"), Intern("WM_STATE"), 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(wm_state), 2);
    Atom maximised[] = {Intern("_NET_WM_STATE_MAXIMIZED_VERT"), Intern("_NET_WM_STATE_MAXIMIZED_HORZ")};
    XChangeProperty(d, Xwin, Intern("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(maximised), Command == win::SW_SHOWMAXIMIZED ? 2 : 0);
    if (iconic) XUnmapWindow(d, Xwin);
    else XMoveResizeWindow(d, Xwin, Bounds.Left, Bounds.Top, Bounds.Width(), Bounds.Height());
    XSync(d, False);
  }
};

// Nothing that no window manager offers is asked for, and the window stays as it is. What one offers
// is asked for; the window takes it once the window manager shows it so, and again when it shows the
// window normal as asked.
TEST_P(X11ShowState, AskedWhereOfferedAndTakenAsAnswered) {
  const TShowStateCase& c = GetParam();
  PlayManager(c.Manager);
  TForm form(nullptr);
  form.SetBounds(40, 30, 200, 150);
  const win::HWND h = form.Handle();
  std::string states;  // each state WM_SIZE told, once
  form.OnResize = [&](TObject*) {
    const std::string now = wm::IsZoomed(h) ? "max " : wm::IsIconic(h) ? "min " : "normal ";
    if (!states.ends_with(now)) states += now;
  };
  if (c.ShownFirst) form.Show();
  else wm::ShowWindow(h, c.Command);
  Window xwin = 0;
  ASSERT_TRUE(WaitFor([&] { return (xwin = X11WindowOf(Backend(), h)) != 0; }));
  if (c.ShownFirst) {
    ASSERT_EQ(Asked(xwin, "map"), "map");
    // The back-end gave it the focus as it mapped, before the window manager may unmap it.
    ASSERT_TRUE(WaitFor([&] {
      Window focus = 0;
      int revert = 0;
      XGetInputFocus(d, &focus, &revert);
      return focus == xwin;
    }));
    wm::ShowWindow(h, c.Command);
  }
  EXPECT_EQ(Asked(xwin, c.Asked), c.Asked);
  EXPECT_FALSE(wm::IsZoomed(h) || wm::IsIconic(h));  // not before the window manager says so

  const win::RECT normal{40, 30, 240, 180};
  if (c.Offered) {
    Answer(xwin, c.Command, c.Command == win::SW_SHOWMAXIMIZED ? win::RECT{0, 0, 640, 480} : normal);
    EXPECT_TRUE(WaitFor([&] { return c.Command == win::SW_MINIMIZE ? wm::IsIconic(h) : wm::IsZoomed(h); }));
    wm::ShowWindow(h, win::SW_RESTORE);
    EXPECT_EQ(Asked(xwin, c.AskedToRestore), c.AskedToRestore);
    Answer(xwin, win::SW_RESTORE, normal);
    EXPECT_TRUE(WaitFor([&] {
      win::RECT bounds;
      wm::GetWindowRect(h, bounds);
      return !wm::IsZoomed(h) && !wm::IsIconic(h) && bounds == normal;
    }));
    EXPECT_EQ(states, c.Command == win::SW_MINIMIZE ? "min normal " : "max normal ");
  } else {
    Application->ProcessMessages();
    EXPECT_FALSE(wm::IsZoomed(h) || wm::IsIconic(h));
    EXPECT_EQ(states, "");
  }
  win::RECT bounds;
  wm::GetWindowRect(h, bounds);
  EXPECT_EQ(bounds, normal);
}

INSTANTIATE_TEST_SUITE_P(
    Managers, X11ShowState,
    ::testing::Values(
        TShowStateCase{"NoManagerMaximisedAsItShows", TManager::Absent, false, win::SW_SHOWMAXIMIZED, false, "map", ""},
        TShowStateCase{"NoManagerMinimised", TManager::Absent, true, win::SW_MINIMIZE, false, "", ""},
        TShowStateCase{"EndedManagerMaximised", TManager::Ended, true, win::SW_SHOWMAXIMIZED, false, "", ""},
        TShowStateCase{"MaximisedNotOffered", TManager::WithoutMaximised, true, win::SW_SHOWMAXIMIZED, false, "", ""},
        TShowStateCase{"MinimisedAsItShowsWithoutMaximised", TManager::WithoutMaximised, false, win::SW_MINIMIZE,
                       true, "iconic map", "map"},
        TShowStateCase{"MaximisedAsItShows", TManager::Full, false, win::SW_SHOWMAXIMIZED, true,
                       "MAXIMIZED_VERT MAXIMIZED_HORZ map", "remove MAXIMIZED_VERT MAXIMIZED_HORZ"},
        TShowStateCase{"Maximised", TManager::Full, true, win::SW_SHOWMAXIMIZED, true,
                       "add MAXIMIZED_VERT MAXIMIZED_HORZ", "remove MAXIMIZED_VERT MAXIMIZED_HORZ"},
        TShowStateCase{"Minimised", TManager::Full, true, win::SW_MINIMIZE, true, "iconify", "map"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace lab::testing
