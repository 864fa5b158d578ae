#pragma once
// Files dropped on the program's windows from other programs under X11: the XDND protocol (up to
// version 5) on the receiving side. A top-level window that takes files is marked XdndAware; a drag
// that offers "text/uri-list" is accepted over it (as a copy), and on the drop the list is fetched
// from the XdndSelection, its local files handed in through input::FilesDropped, and the source told
// that the drop is finished.
//
// Events come from the back-end's event thread; SetAware from the program's threads. Include only in
// the X11 back-end's files: Xlib's macros clash with the framework's names.

#include <X11/Xlib.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/controls/win_types.h"

namespace lab {

class TX11DropTarget {
 public:
  // Which program window an X window shows (nullptr for none).
  using TWindowOf = std::function<win::HWND(Window)>;
  TX11DropTarget(Display* display, TWindowOf WindowOf);
  TX11DropTarget(const TX11DropTarget&) = delete;
  TX11DropTarget& operator=(const TX11DropTarget&) = delete;

  // Marks a window as taking drops, or no longer.
  void SetAware(Window window, bool aware);
  // The event thread's client messages and selection answers; false for others.
  bool Handle(const XEvent& ev);

 private:
  void Enter(const XClientMessageEvent& m);
  void Position(const XClientMessageEvent& m);
  void Drop(const XClientMessageEvent& m);
  void Arrived(const XSelectionEvent& s);
  void SendToSource(Atom type, long l1, long l2, long l3, long l4);
  void Finish(bool accepted);
  bool Offers(Window source, long more, const long* types);

  Display* dpy_;
  TWindowOf window_of_;
  Atom aware_, enter_, position_, status_, leave_, drop_, finished_, selection_, type_list_, uri_list_,
      action_copy_, property_;
  // The drag under way: its source, the window of ours it is over and where, and whether it offers
  // files.
  Window source_ = 0, target_ = 0;
  int version_ = 0;
  bool offers_files_ = false;
  win::POINT point_{};
  bool dropping_ = false;
};

}  // namespace lab
