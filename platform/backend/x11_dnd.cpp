#include "platform/backend/x11_dnd.h"

#include <X11/Xatom.h>
#include <unistd.h>

#include <climits>

#include "platform/backend/uri_list.h"
#include "platform/controls/input.h"

namespace lab {

namespace {

// The highest protocol version spoken here.
constexpr long kVersion = 5;

}  // namespace

TX11DropTarget::TX11DropTarget(Display* display, TWindowOf WindowOf)
    : dpy_(display), window_of_(std::move(WindowOf)) {
  const char* names[] = {"XdndAware", "XdndEnter",     "XdndPosition",  "XdndStatus",       "XdndLeave",
                         "XdndDrop",  "XdndFinished",  "XdndSelection", "XdndTypeList",     "text/uri-list",
                         "XdndActionCopy", "LAB_XDND_DATA"};
  Atom atoms[12];
  XInternAtoms(dpy_, const_cast<char**>(names), 12, False, atoms);
  aware_ = atoms[0];
  enter_ = atoms[1];
  position_ = atoms[2];
  status_ = atoms[3];
  leave_ = atoms[4];
  drop_ = atoms[5];
  finished_ = atoms[6];
  selection_ = atoms[7];
  type_list_ = atoms[8];
  uri_list_ = atoms[9];
  action_copy_ = atoms[10];
  property_ = atoms[11];
}

void TX11DropTarget::SetAware(Window window, bool aware) {
  if (aware) {
    const Atom version = kVersion;
    XChangeProperty(dpy_, window, aware_, XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&version),
                    1);
  } else {
    XDeleteProperty(dpy_, window, aware_);
  }
  XFlush(dpy_);
}

bool TX11DropTarget::Handle(const XEvent& ev) {
  if (ev.type == SelectionNotify) {
    if (ev.xselection.selection != selection_) return false;
    Arrived(ev.xselection);
    return true;
  }
  if (ev.type != ClientMessage) return false;
  const XClientMessageEvent& m = ev.xclient;
  const auto type = static_cast<Atom>(m.message_type);
  if (type == enter_) {
    Enter(m);
  } else if (type == position_) {
    Position(m);
  } else if (type == leave_) {
    if (static_cast<Window>(m.data.l[0]) == source_ && !dropping_) source_ = target_ = 0;
  } else if (type == drop_) {
    Drop(m);
  } else {
    return false;
  }
  return true;
}

bool TX11DropTarget::Offers(Window source, long more, const long* types) {
  if (!more) {
    for (int i = 0; i < 3; ++i)
      if (static_cast<Atom>(types[i]) == uri_list_) return true;
    return false;
  }
  // More than three types: the source lists them on its window.
  Atom actual = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool found = false;
  if (XGetWindowProperty(dpy_, source, type_list_, 0, 1024, False, XA_ATOM, &actual, &format, &count, &after, &data) ==
          Success &&
      data) {
    if (actual == XA_ATOM && format == 32) {
      const auto* atoms = reinterpret_cast<const unsigned long*>(data);
      for (unsigned long i = 0; i < count && !found; ++i) found = atoms[i] == uri_list_;
    }
    XFree(data);
  }
  return found;
}

void TX11DropTarget::Enter(const XClientMessageEvent& m) {
  if (dropping_) return;
  source_ = static_cast<Window>(m.data.l[0]);
  target_ = m.window;
  version_ = static_cast<int>((static_cast<unsigned long>(m.data.l[1]) >> 24) & 0xFF);
  offers_files_ = version_ <= kVersion && Offers(source_, m.data.l[1] & 1, &m.data.l[2]);
}

void TX11DropTarget::Position(const XClientMessageEvent& m) {
  if (static_cast<Window>(m.data.l[0]) != source_ || dropping_) return;
  target_ = m.window;
  const auto xy = static_cast<unsigned long>(m.data.l[2]);
  point_ = win::POINT{static_cast<int>((xy >> 16) & 0xFFFF), static_cast<int>(xy & 0xFFFF)};
  const bool accept = offers_files_ && window_of_(target_) != nullptr;
  // Accepted anywhere over the window (no rectangle to stay quiet in), as a copy.
  SendToSource(status_, accept ? 1 : 0, 0, 0, accept ? static_cast<long>(action_copy_) : None);
}

void TX11DropTarget::Drop(const XClientMessageEvent& m) {
  if (static_cast<Window>(m.data.l[0]) != source_ || dropping_) return;
  target_ = m.window;
  if (!offers_files_ || !window_of_(target_)) {
    Finish(false);
    return;
  }
  dropping_ = true;
  const Time time = version_ >= 1 ? static_cast<Time>(m.data.l[2]) : CurrentTime;
  XConvertSelection(dpy_, selection_, uri_list_, property_, target_, time);
  XFlush(dpy_);
}

void TX11DropTarget::Arrived(const XSelectionEvent& s) {
  if (!dropping_ || s.requestor != target_) return;
  std::string list;
  if (s.property != None) {
    Atom actual = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy_, target_, s.property, 0, LONG_MAX / 4, True, AnyPropertyType, &actual, &format, &count,
                           &after, &data) == Success &&
        data) {
      if (format == 8) list.assign(reinterpret_cast<const char*>(data), count);
      XFree(data);
    }
  }
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  std::vector<std::string> files = LocalFilesOfUriList(list, host);
  const win::HWND window = window_of_(target_);
  const bool accepted = window && !files.empty();
  if (accepted) input::FilesDropped(window, point_, std::move(files));
  Finish(accepted);
}

void TX11DropTarget::SendToSource(Atom type, long l1, long l2, long l3, long l4) {
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.display = dpy_;
  ev.xclient.window = source_;
  ev.xclient.message_type = type;
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(target_);
  ev.xclient.data.l[1] = l1;
  ev.xclient.data.l[2] = l2;
  ev.xclient.data.l[3] = l3;
  ev.xclient.data.l[4] = l4;
  XSendEvent(dpy_, source_, False, NoEventMask, &ev);
  XFlush(dpy_);
}

void TX11DropTarget::Finish(bool accepted) {
  if (source_) SendToSource(finished_, accepted ? 1 : 0, accepted ? static_cast<long>(action_copy_) : None, 0, 0);
  dropping_ = false;
  source_ = target_ = 0;
  offers_files_ = false;
}

}  // namespace lab
