#pragma once
// A top-level window's show state under X11: whether the desktop's window manager offers it (the
// _NET_WM_STATE maximised states it lists as supported, iconifying wherever one runs), the requests
// that ask it for a state, and the state it shows a window in. Without a window manager none is
// offered: nothing else maximises or iconifies a window.
//
// Include only in the X11 back-end's files: Xlib's macros clash with the framework's names.

#include <X11/Xlib.h>

#include "platform/controls/win_types.h"

namespace lab {

class TX11ShowStates {
 public:
  TX11ShowStates(Display* display, int screen);

  // Whether a window manager runs that offers the state (SIZE_RESTORED, SIZE_MINIMIZED or
  // SIZE_MAXIMIZED), as it says on the root window now.
  bool Offered(win::WPARAM state) const;
  // A window about to map from withdrawn asks for the state from the start (a window manager
  // forgets the state of a window withdrawn); above: it stays on top of others.
  void SetInitial(Window window, win::WPARAM state, bool above) const;
  // A mapped window, shown in state `from`, asks for `to`.
  void Request(Window window, win::WPARAM from, win::WPARAM to) const;
  // Whether a change of the property may change a window's state.
  bool Concerns(Atom property) const { return property == wm_state_ || property == net_state_; }
  // The state the window manager shows the window in; false while it manages it not (withdrawn).
  bool Read(Window window, win::WPARAM& state) const;

 private:
  bool Lists(Window window, Atom property, Atom wanted) const;
  void SendState(Window window, bool add) const;
  void SetHint(Window window, bool iconic) const;

  Display* dpy_;
  int screen_;
  Window root_;
  Atom net_state_, above_, max_vert_, max_horz_, hidden_, supported_, check_, wm_state_;
};

}  // namespace lab
