#include "platform/backend/x11_states.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <vector>

#include "platform/controls/messages.h"

namespace lab {

using namespace lab::win;

namespace {

// A property's 32-bit items (longs, as Xlib hands them), empty when the window has none of the type.
std::vector<long> Items(Display* dpy, Window window, Atom property, Atom type) {
  Atom actual = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<long> items;
  if (XGetWindowProperty(dpy, window, property, 0, 1024, False, type, &actual, &format, &count, &after, &data) ==
          Success &&
      actual == type && format == 32 && data)
    items.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
  if (data) XFree(data);
  return items;
}

// Whether Child is one of Parent's children: asked before reading a window that may be gone, whose
// reading would be a refused request.
bool IsChildOf(Display* dpy, Window Parent, Window Child) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(dpy, Parent, &root, &parent, &children, &count)) return false;
  const bool found = std::find(children, children + count, Child) != children + count;
  if (children) XFree(children);
  return found;
}

// ICCCM's WM_STATE values.
constexpr long kWithdrawn = 0, kIconic = 3;

}  // namespace

TX11ShowStates::TX11ShowStates(Display* display, int screen)
    : dpy_(display), screen_(screen), root_(RootWindow(display, screen)) {
  const char* names[] = {"_NET_WM_STATE", "_NET_WM_STATE_ABOVE", "_NET_WM_STATE_MAXIMIZED_VERT",
                         "_NET_WM_STATE_MAXIMIZED_HORZ", "_NET_WM_STATE_HIDDEN", "_NET_SUPPORTED",
                         "_NET_SUPPORTING_WM_CHECK", "WM_STATE"};
  Atom atoms[8];
  XInternAtoms(dpy_, const_cast<char**>(names), 8, False, atoms);
  net_state_ = atoms[0], above_ = atoms[1], max_vert_ = atoms[2], max_horz_ = atoms[3];
  hidden_ = atoms[4], supported_ = atoms[5], check_ = atoms[6], wm_state_ = atoms[7];
}

bool TX11ShowStates::Lists(Window window, Atom property, Atom wanted) const {
  for (long item : Items(dpy_, window, property, XA_ATOM))
    if (static_cast<Atom>(item) == wanted) return true;
  return false;
}

bool TX11ShowStates::Offered(WPARAM state) const {
  // A window manager that runs names a child window of the root of its own, which names itself (one
  // that ended leaves the root's name behind).
  const std::vector<long> check = Items(dpy_, root_, check_, XA_WINDOW);
  const Window named = check.empty() ? 0 : static_cast<Window>(check[0]);
  if (!named || !IsChildOf(dpy_, root_, named) || Items(dpy_, named, check_, XA_WINDOW) != check) return false;
  return state != SIZE_MAXIMIZED || (Lists(root_, supported_, max_vert_) && Lists(root_, supported_, max_horz_));
}

void TX11ShowStates::SetInitial(Window window, WPARAM state, bool above) const {
  std::vector<Atom> states;
  if (above) states.push_back(above_);
  if (state == SIZE_MAXIMIZED) states.insert(states.end(), {max_vert_, max_horz_});
  XChangeProperty(dpy_, window, net_state_, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(states.data()), static_cast<int>(states.size()));
  SetHint(window, state == SIZE_MINIMIZED);
}

void TX11ShowStates::SetHint(Window window, bool iconic) const {
  XWMHints* hints = XAllocWMHints();
  if (!hints) return;
  hints->flags = StateHint;
  hints->initial_state = iconic ? IconicState : NormalState;
  XSetWMHints(dpy_, window, hints);
  XFree(hints);
}

void TX11ShowStates::SendState(Window window, bool add) const {
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = window;
  ev.xclient.message_type = net_state_;
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = add ? 1 : 0;  // _NET_WM_STATE_ADD, _NET_WM_STATE_REMOVE
  ev.xclient.data.l[1] = static_cast<long>(max_vert_);
  ev.xclient.data.l[2] = static_cast<long>(max_horz_);
  ev.xclient.data.l[3] = 1;  // asked by a program
  XSendEvent(dpy_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
}

void TX11ShowStates::Request(Window window, WPARAM from, WPARAM to) const {
  if (to == SIZE_MINIMIZED) {
    XIconifyWindow(dpy_, window, screen_);
    return;
  }
  // An icon comes back by mapping its window again (as normal, should the window manager take the
  // map for a new one).
  if (from == SIZE_MINIMIZED) {
    SetHint(window, false);
    XMapRaised(dpy_, window);
  }
  if (to == SIZE_MAXIMIZED || from == SIZE_MAXIMIZED) SendState(window, to == SIZE_MAXIMIZED);
}

bool TX11ShowStates::Read(Window window, WPARAM& state) const {
  const std::vector<long> managed = Items(dpy_, window, wm_state_, wm_state_);
  if (managed.empty() || managed[0] == kWithdrawn) return false;
  if (managed[0] == kIconic || Lists(window, net_state_, hidden_)) state = SIZE_MINIMIZED;
  else if (Lists(window, net_state_, max_vert_) && Lists(window, net_state_, max_horz_)) state = SIZE_MAXIMIZED;
  else state = SIZE_RESTORED;
  return true;
}

}  // namespace lab
