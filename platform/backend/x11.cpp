#include "platform/backend/x11.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>
#include <cairo.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/backend/x11_clipboard.h"
#include "platform/backend/x11_dnd.h"
#include "platform/backend/x11_states.h"
#include "platform/controls/clipboard.h"
#include "platform/controls/input.h"
#include "platform/controls/painting.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/threads.h"
#include "platform/rtl/utf8.h"
#include "platform/win/cursors.h"

namespace lab {

using namespace lab::win;

namespace {

// A request the server refused (most often one on a window that went away meanwhile) is not worth
// stopping the program for; each kind is reported once, so a fault shows without flooding stderr.
// The kinds (error, request) reported on each connection.
struct TReportedErrors {
  std::mutex mutex;
  std::map<Display*, std::set<std::pair<int, int>>> seen;
};

TReportedErrors& Reported() {
  static auto* reported = new TReportedErrors;  // used by the event thread until the very end
  return *reported;
}

int ReportXError(Display* display, XErrorEvent* e) {
  {
    TReportedErrors& r = Reported();
    std::lock_guard lock(r.mutex);
    if (!r.seen[display].emplace(e->error_code, e->request_code).second) return 0;
  }
  char error[128] = {}, request[128] = {}, number[16];
  XGetErrorText(display, e->error_code, error, sizeof error);
  std::snprintf(number, sizeof number, "%d", e->request_code);
  XGetErrorDatabaseText(display, "XRequest", number, number, request, sizeof request);
  std::fprintf(stderr, "X protocol error: %s in request %s (reported once)\n", error, request);
  return 0;
}

// Xlib calls this when the connection is gone (the server ended or the network went); it may not
// return. Every window went with the server, so the program ends here, without running the exit
// handlers: they would tear down the back-end from inside its own thread.
[[noreturn]] int ConnectionLost(Display* display) {
  std::fprintf(stderr, "Lost the connection to the X server %s; the program ends\n", DisplayString(display));
  std::_Exit(1);
}

UINT VkOfKeySym(KeySym sym) {
  if (sym >= XK_a && sym <= XK_z) return static_cast<UINT>('A' + (sym - XK_a));
  if (sym >= XK_A && sym <= XK_Z) return static_cast<UINT>(sym);
  if (sym >= XK_0 && sym <= XK_9) return static_cast<UINT>(sym);
  if (sym >= XK_F1 && sym <= XK_F24) return VK_F1 + static_cast<UINT>(sym - XK_F1);
  if (sym >= XK_KP_0 && sym <= XK_KP_9) return VK_NUMPAD0 + static_cast<UINT>(sym - XK_KP_0);
  switch (sym) {
    case XK_BackSpace: return VK_BACK;
    case XK_Tab: case XK_ISO_Left_Tab: return VK_TAB;
    case XK_Return: case XK_KP_Enter: return VK_RETURN;
    case XK_Escape: return VK_ESCAPE;
    case XK_space: return VK_SPACE;
    case XK_Delete: case XK_KP_Delete: return VK_DELETE;
    case XK_Insert: case XK_KP_Insert: return VK_INSERT;
    case XK_Home: case XK_KP_Home: return VK_HOME;
    case XK_End: case XK_KP_End: return VK_END;
    case XK_Prior: case XK_KP_Prior: return VK_PRIOR;
    case XK_Next: case XK_KP_Next: return VK_NEXT;
    case XK_Left: case XK_KP_Left: return VK_LEFT;
    case XK_Up: case XK_KP_Up: return VK_UP;
    case XK_Right: case XK_KP_Right: return VK_RIGHT;
    case XK_Down: case XK_KP_Down: return VK_DOWN;
    case XK_Shift_L: return VK_LSHIFT;
    case XK_Shift_R: return VK_RSHIFT;
    case XK_Control_L: return VK_LCONTROL;
    case XK_Control_R: return VK_RCONTROL;
    case XK_Alt_L: case XK_Meta_L: return VK_LMENU;
    case XK_Alt_R: case XK_Meta_R: return VK_RMENU;
    case XK_Super_L: return VK_LWIN;
    case XK_Super_R: return VK_RWIN;
    case XK_Menu: return VK_APPS;
    case XK_Caps_Lock: return VK_CAPITAL;
    case XK_Num_Lock: return VK_NUMLOCK;
    case XK_Scroll_Lock: return VK_SCROLL;
    case XK_Pause: return VK_PAUSE;
    case XK_Print: return VK_SNAPSHOT;
    case XK_KP_Multiply: return VK_MULTIPLY;
    case XK_KP_Add: return VK_ADD;
    case XK_KP_Subtract: return VK_SUBTRACT;
    case XK_KP_Decimal: return VK_DECIMAL;
    case XK_KP_Divide: return VK_DIVIDE;
    case XK_semicolon: return VK_OEM_1;
    case XK_equal: return VK_OEM_PLUS;
    case XK_comma: return VK_OEM_COMMA;
    case XK_minus: return VK_OEM_MINUS;
    case XK_period: return VK_OEM_PERIOD;
    case XK_slash: return VK_OEM_2;
    case XK_grave: return VK_OEM_3;
    case XK_bracketleft: return VK_OEM_4;
    case XK_backslash: return VK_OEM_5;
    case XK_bracketright: return VK_OEM_6;
    case XK_apostrophe: return VK_OEM_7;
    default: return 0;
  }
}

unsigned FontCursorOf(int idc) {
  switch (idc) {
    case IDC_IBEAM: return XC_xterm;
    case IDC_WAIT: case IDC_APPSTARTING: return XC_watch;
    case IDC_CROSS: return XC_crosshair;
    case IDC_UPARROW: return XC_sb_up_arrow;
    case IDC_SIZENWSE: return XC_bottom_right_corner;
    case IDC_SIZENESW: return XC_bottom_left_corner;
    case IDC_SIZEWE: return XC_sb_h_double_arrow;
    case IDC_SIZENS: return XC_sb_v_double_arrow;
    case IDC_SIZEALL: case IDC_SIZE: return XC_fleur;
    case IDC_NO: return XC_X_cursor;
    case IDC_HAND: return XC_hand2;
    case IDC_HELP: return XC_question_arrow;
    default: return XC_left_ptr;
  }
}

class TX11Backend : public TBackend {
 public:
  explicit TX11Backend(Display* display) : dpy_(display) {
    screen_ = DefaultScreen(dpy_);
    root_ = RootWindow(dpy_, screen_);
    screen_size_.Store(SIZE{DisplayWidth(dpy_, screen_), DisplayHeight(dpy_, screen_)});
    XSelectInput(dpy_, root_, StructureNotifyMask);  // to hear of the screen's new sizes
    visual_ = DefaultVisual(dpy_, screen_);
    depth_ = DefaultDepth(dpy_, screen_);
    const char* names[] = {"WM_PROTOCOLS", "WM_DELETE_WINDOW", "UTF8_STRING", "_NET_WM_NAME",
                           "_NET_WM_STATE", "_NET_WM_STATE_ABOVE", "_NET_WM_WINDOW_TYPE",
                           "_NET_WM_WINDOW_TYPE_NORMAL", "_NET_WM_WINDOW_TYPE_UTILITY",
                           "_NET_WM_WINDOW_TYPE_POPUP_MENU"};
    static_assert(sizeof(names) / sizeof(names[0]) == kAtomCount);
    XInternAtoms(dpy_, const_cast<char**>(names), kAtomCount, False, atoms_);
    Bool supported = False;
    XkbSetDetectableAutoRepeat(dpy_, True, &supported);  // held keys repeat presses only
    im_ = XOpenIM(dpy_, nullptr, nullptr, nullptr);
    XSetWindowAttributes attrs{};
    attrs.event_mask = PropertyChangeMask;
    helper_ = XCreateWindow(dpy_, root_, 0, 0, 1, 1, 0, CopyFromParent, InputOnly, CopyFromParent,
                            CWEventMask, &attrs);
    clipboard_ = std::make_unique<TX11Clipboard>(dpy_, helper_);
    states_ = std::make_unique<TX11ShowStates>(dpy_, screen_);
    drop_target_ = std::make_unique<TX11DropTarget>(dpy_, [this](Window w) { return WindowOf(w); });
    XFlush(dpy_);
    if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
    thread_ = std::thread([this] { EventLoop(); });
  }

  ~TX11Backend() override {
    stop_ = true;
    if (wake_[1] >= 0) {
      const char c = 1;
      [[maybe_unused]] ssize_t n = write(wake_[1], &c, 1);
    }
    thread_.join();
    for (auto& [h, t] : tops_) DestroyX(t);
    for (auto& [img, cursor] : cursors_) XFreeCursor(dpy_, cursor);
    XDestroyWindow(dpy_, helper_);
    if (im_) XCloseIM(im_);
    XCloseDisplay(dpy_);
    {
      TReportedErrors& r = Reported();
      std::lock_guard lock(r.mutex);
      r.seen.erase(dpy_);
    }
    if (wake_[0] >= 0) close(wake_[0]);
    if (wake_[1] >= 0) close(wake_[1]);
  }

  std::string_view Name() const override { return "x11"; }

  SIZE ScreenSize() const override { return screen_size_.Load(); }

  void CreateTopLevel(HWND h, const TTopLevelInfo& info) override {
    std::lock_guard lock(mutex_);
    tops_[h].info = info;
  }

  void DestroyTopLevel(HWND h) override {
    std::lock_guard lock(mutex_);
    auto it = tops_.find(h);
    if (it == tops_.end()) return;
    DestroyX(it->second);
    tops_.erase(it);
    XFlush(dpy_);
  }

  void ShowTopLevel(HWND h, bool visible) override {
    std::lock_guard lock(mutex_);
    auto it = tops_.find(h);
    if (it == tops_.end()) return;
    Top& t = it->second;
    if (visible) {
      EnsureX(h, t);
      if (!t.shown) states_->SetInitial(t.xwin, t.initial.value_or(SIZE_RESTORED), t.info.stayOnTop);
      t.initial.reset();
      XMapRaised(dpy_, t.xwin);
    } else if (t.xwin) {
      XUnmapWindow(dpy_, t.xwin);
    }
    t.shown = visible;
    XFlush(dpy_);
  }

  TShowStateAnswer RequestShowState(HWND h, WPARAM state) override {
    std::lock_guard lock(mutex_);
    auto it = tops_.find(h);
    if (it == tops_.end() || it->second.info.popup || !states_->Offered(state)) return TShowStateAnswer::NotOffered;
    Top& t = it->second;
    if (t.shown) states_->Request(t.xwin, t.state, state);
    else t.initial = state;  // asked for as it maps
    XFlush(dpy_);
    return TShowStateAnswer::Asked;
  }

  void MoveTopLevel(HWND h, const RECT& r) override {
    std::lock_guard lock(mutex_);
    auto it = tops_.find(h);
    if (it == tops_.end()) return;
    it->second.info.bounds = r;
    if (!it->second.xwin) return;
    XMoveResizeWindow(dpy_, it->second.xwin, r.Left, r.Top, static_cast<unsigned>(std::max(r.Width(), 1)),
                      static_cast<unsigned>(std::max(r.Height(), 1)));
    XFlush(dpy_);
  }

  void SetTitle(HWND h, std::string_view title) override {
    std::lock_guard lock(mutex_);
    auto it = tops_.find(h);
    if (it == tops_.end()) return;
    it->second.info.title = std::string(title);
    if (it->second.xwin) StoreTitle(it->second);
    XFlush(dpy_);
  }

  void ActivateTopLevel(HWND h) override {
    std::lock_guard lock(mutex_);
    auto it = tops_.find(h);
    if (it == tops_.end() || !it->second.xwin || it->second.info.popup) return;
    if (focused_ == it->second.xwin) return;
    // (An icon's window is unmapped, whatever the last map event said: it takes the focus once it
    // maps again.)
    if (it->second.mapped && it->second.state != SIZE_MINIMIZED) {
      XRaiseWindow(dpy_, it->second.xwin);
      XSetInputFocus(dpy_, it->second.xwin, RevertToParent, CurrentTime);
    } else {
      pending_focus_ = it->second.xwin;
    }
    XFlush(dpy_);
  }

  void Present(HWND h, cairo_surface_t* surface, const RECT& dirty) override {
    std::lock_guard lock(mutex_);
    auto it = tops_.find(h);
    if (it == tops_.end() || !it->second.xwin || !it->second.mapped) return;
    PutImage(it->second, surface, dirty);
  }

  void SetCursor(TCursorImage* cursor) override {
    std::lock_guard lock(mutex_);
    current_ = XCursorOf(cursor);
    for (auto& [h, t] : tops_)
      if (t.xwin) XDefineCursor(dpy_, t.xwin, current_);
    XFlush(dpy_);
  }

  void AcceptFiles(HWND h, bool accept) override {
    std::lock_guard lock(mutex_);
    auto it = tops_.find(h);
    if (it == tops_.end() || it->second.acceptsFiles == accept) return;
    it->second.acceptsFiles = accept;
    if (it->second.xwin) drop_target_->SetAware(it->second.xwin, accept);
  }

  void ClipboardChanged(const TClipboardFormats& content) override { clipboard_->Own(content); }
  bool ClipboardHeldElsewhere() override { return clipboard_->HeldElsewhere(); }
  std::vector<std::string> ForeignClipboardFormats() override { return clipboard_->ForeignFormats(); }
  std::optional<std::string> ForeignClipboardData(const std::string& format) override {
    return clipboard_->ForeignData(format);
  }

  void Beep() override {
    XBell(dpy_, 0);
    XFlush(dpy_);
  }

  bool WheelFollowsPointer() const override { return true; }

  unsigned long XWindowOf(HWND h) {
    std::lock_guard lock(mutex_);
    auto it = tops_.find(h);
    return it == tops_.end() ? 0 : it->second.xwin;
  }

 private:
  enum {
    kProtocols, kDeleteWindow, kUtf8, kNetWmName, kNetWmState, kNetWmStateAbove, kNetWmWindowType,
    kTypeNormal, kTypeUtility, kTypePopupMenu, kAtomCount
  };

  struct Top {
    TTopLevelInfo info;
    Window xwin = 0;
    XIC ic = nullptr;
    GC gc = nullptr;
    bool mapped = false;
    bool acceptsFiles = false;  // files dropped from other programs are taken (XDND)
    bool shown = false;         // mapped, or asked to be
    WPARAM state = SIZE_RESTORED;          // as the window manager shows it
    std::optional<WPARAM> initial;         // the state asked for before it shows
  };

  void EnsureX(HWND h, Top& t) {
    if (t.xwin) return;
    const RECT r = t.info.bounds;
    XSetWindowAttributes attrs{};
    attrs.background_pixmap = None;  // the surface covers everything: no flash of a background
    attrs.bit_gravity = NorthWestGravity;
    attrs.override_redirect = t.info.popup ? True : False;
    attrs.event_mask = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask |
                       ButtonReleaseMask | PointerMotionMask | StructureNotifyMask | FocusChangeMask |
                       PropertyChangeMask;
    attrs.cursor = current_;
    t.xwin = XCreateWindow(dpy_, root_, r.Left, r.Top, static_cast<unsigned>(std::max(r.Width(), 1)),
                           static_cast<unsigned>(std::max(r.Height(), 1)), 0, depth_, InputOutput,
                           visual_, CWBackPixmap | CWBitGravity | CWOverrideRedirect | CWEventMask | CWCursor,
                           &attrs);
    by_x_[t.xwin] = h;
    XSetWMProtocols(dpy_, t.xwin, &atoms_[kDeleteWindow], 1);
    XSizeHints hints{};
    hints.flags = USPosition | PPosition;
    hints.x = r.Left;
    hints.y = r.Top;
    XSetWMNormalHints(dpy_, t.xwin, &hints);
    XClassHint cls{const_cast<char*>("lab"), const_cast<char*>("Lab")};
    XSetClassHint(dpy_, t.xwin, &cls);
    const Atom type = t.info.popup ? atoms_[kTypePopupMenu]
                      : t.info.toolWindow ? atoms_[kTypeUtility]
                                          : atoms_[kTypeNormal];
    XChangeProperty(dpy_, t.xwin, atoms_[kNetWmWindowType], XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&type), 1);
    if (t.info.stayOnTop)
      XChangeProperty(dpy_, t.xwin, atoms_[kNetWmState], XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&atoms_[kNetWmStateAbove]), 1);
    if (auto owner = tops_.find(t.info.owner); owner != tops_.end() && owner->second.xwin)
      XSetTransientForHint(dpy_, t.xwin, owner->second.xwin);
    StoreTitle(t);
    if (im_) {
      t.ic = XCreateIC(im_, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow,
                       t.xwin, XNFocusWindow, t.xwin, nullptr);
      if (t.ic) {
        long imEvents = 0;
        XGetICValues(t.ic, XNFilterEvents, &imEvents, nullptr);
        XSelectInput(dpy_, t.xwin, attrs.event_mask | imEvents);
      }
    }
    t.gc = XCreateGC(dpy_, t.xwin, 0, nullptr);
    if (t.acceptsFiles) drop_target_->SetAware(t.xwin, true);
  }

  void DestroyX(Top& t) {
    if (!t.xwin) return;
    if (t.ic) XDestroyIC(t.ic);
    if (t.gc) XFreeGC(dpy_, t.gc);
    by_x_.erase(t.xwin);
    if (focused_ == t.xwin) focused_ = 0;
    XDestroyWindow(dpy_, t.xwin);
    t.xwin = 0;
  }

  void StoreTitle(Top& t) {
    XStoreName(dpy_, t.xwin, t.info.title.c_str());
    XChangeProperty(dpy_, t.xwin, atoms_[kNetWmName], atoms_[kUtf8], 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(t.info.title.data()),
                    static_cast<int>(t.info.title.size()));
  }

  void PutImage(Top& t, cairo_surface_t* surface, RECT dirty) {
    cairo_surface_flush(surface);
    const int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
    dirty = IntersectRect(dirty, RECT{0, 0, w, h});
    if (dirty.IsEmpty()) return;
    // The surface's 32-bit pixels are what a 24-bit true-colour visual takes; no copy is made.
    XImage* image = XCreateImage(dpy_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0,
                                 reinterpret_cast<char*>(cairo_image_surface_get_data(surface)),
                                 static_cast<unsigned>(w), static_cast<unsigned>(h), 32,
                                 cairo_image_surface_get_stride(surface));
    if (!image) return;
    XPutImage(dpy_, t.xwin, t.gc, image, dirty.Left, dirty.Top, dirty.Left, dirty.Top,
              static_cast<unsigned>(dirty.Width()), static_cast<unsigned>(dirty.Height()));
    image->data = nullptr;
    XDestroyImage(image);
    XFlush(dpy_);
  }

  ::Cursor XCursorOf(TCursorImage* image) {
    auto it = cursors_.find(image);
    if (it != cursors_.end()) return it->second;
    ::Cursor c;
    if (image && image->StandardId()) {
      c = XCreateFontCursor(dpy_, FontCursorOf(image->StandardId()));
    } else {
      // A two-colour cursor from the image: opaque pixels show, dark ones in black.
      const int w = image ? image->Width() : 1, hgt = image ? image->Height() : 1;
      const int stride = (w + 7) / 8;
      std::vector<char> source(static_cast<std::size_t>(stride) * hgt), mask(source.size());
      if (image) {
        for (int y = 0; y < hgt; ++y)
          for (int x = 0; x < w; ++x) {
            const std::uint32_t p = image->Pixels()[static_cast<std::size_t>(y) * w + x];
            if ((p >> 24) < 0x80) continue;
            const int lum = ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
            mask[static_cast<std::size_t>(y) * stride + x / 8] |= static_cast<char>(1 << (x % 8));
            if (lum < 384) source[static_cast<std::size_t>(y) * stride + x / 8] |= static_cast<char>(1 << (x % 8));
          }
      }
      Pixmap src = XCreateBitmapFromData(dpy_, root_, source.data(), static_cast<unsigned>(w), static_cast<unsigned>(hgt));
      Pixmap msk = XCreateBitmapFromData(dpy_, root_, mask.data(), static_cast<unsigned>(w), static_cast<unsigned>(hgt));
      XColor black{}, white{};
      white.red = white.green = white.blue = 0xFFFF;
      const TPoint hot = image ? image->HotSpot() : TPoint{};
      c = XCreatePixmapCursor(dpy_, src, msk, &black, &white, static_cast<unsigned>(hot.X),
                              static_cast<unsigned>(hot.Y));
      XFreePixmap(dpy_, src);
      XFreePixmap(dpy_, msk);
    }
    cursors_[image] = c;
    return c;
  }

  HWND WindowOf(Window xwin) {
    std::lock_guard lock(mutex_);
    auto it = by_x_.find(xwin);
    return it == by_x_.end() ? nullptr : it->second;
  }

  void EventLoop() {
    const TServiceThreadMark service;  // it serves every thread's windows
    const int fd = ConnectionNumber(dpy_);
    while (!stop_) {
      if (XPending(dpy_) == 0) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        poll(fds, wake_[0] >= 0 ? 2 : 1, 200);
        if (wake_[0] >= 0 && (fds[1].revents & POLLIN)) {
          char buf[16];
          while (read(wake_[0], buf, sizeof buf) > 0) {
          }
        }
      }
      while (!stop_ && XPending(dpy_) > 0) {
        XEvent ev;
        XNextEvent(dpy_, &ev);
        if (XFilterEvent(&ev, None)) continue;
        Handle(ev);
      }
    }
  }

  void Handle(XEvent& ev) {
    switch (ev.type) {
      case KeyPress: Key(ev.xkey, true); break;
      case KeyRelease: Key(ev.xkey, false); break;
      case ButtonPress:
      case ButtonRelease: Button(ev.xbutton); break;
      case MotionNotify: {
        // Only the last of a burst of moves matters; a move after a button stays after it.
        XEvent latest = ev;
        XEvent next;
        while (XPending(dpy_) > 0 && (XPeekEvent(dpy_, &next), next.type == MotionNotify) &&
               next.xmotion.window == ev.xmotion.window)
          XNextEvent(dpy_, &latest);
        if (const HWND top = WindowOf(latest.xmotion.window))
          input::MouseMove(POINT{latest.xmotion.x_root, latest.xmotion.y_root}, top);
        break;
      }
      case Expose: OnExpose(ev.xexpose); break;
      case ConfigureNotify:
        if (ev.xconfigure.window == root_) {
          // The screen changed its size (the server reports it on the root window).
          screen_size_.Store(SIZE{ev.xconfigure.width, ev.xconfigure.height});
          ScreenSizeChanged();
        } else {
          Configure(ev.xconfigure);
        }
        break;
      case MapNotify:
      case UnmapNotify: Mapped(ev.xany.window, ev.type == MapNotify); break;
      case FocusIn:
        if (ev.xfocus.detail != NotifyPointer) Focus(ev.xfocus.window, true);
        break;
      case FocusOut:
        if (ev.xfocus.detail != NotifyPointer) Focus(ev.xfocus.window, false);
        break;
      case ClientMessage:
        if (drop_target_->Handle(ev)) break;
        if (static_cast<Atom>(ev.xclient.message_type) == atoms_[kProtocols] &&
            static_cast<Atom>(ev.xclient.data.l[0]) == atoms_[kDeleteWindow])
          if (HWND h = WindowOf(ev.xclient.window)) input::WindowCloseRequested(h);
        break;
      case SelectionNotify:
        if (drop_target_->Handle(ev)) break;
        [[fallthrough]];
      case SelectionRequest:
      case SelectionClear:
      case PropertyNotify: {
        if (states_->Concerns(ev.xproperty.atom) && StateChanged(ev.xproperty.window)) break;
        bool taken = false;
        clipboard_->Handle(ev, taken);
        if (taken) ClipboardTakenBySystem();
        break;
      }
      case MappingNotify: XRefreshKeyboardMapping(&ev.xmapping); break;
      default: break;
    }
  }

  void Key(XKeyEvent& k, bool down) {
    if (!WindowOf(k.window)) return;
    const KeySym unshifted = XLookupKeysym(&k, 0);
    UINT vk = VkOfKeySym(unshifted);
    const bool altGr = unshifted == XK_ISO_Level3_Shift || unshifted == XK_Mode_switch;
    const UINT scan = k.keycode >= 8 ? k.keycode - 8 : 0;
    if (altGr) {
      // AltGr counts as Ctrl+Alt, as the framework knows it; it still types.
      if (down) {
        input::KeyDown(VK_LCONTROL, 0, scan);
        input::KeyDown(VK_RMENU, 0, scan, true);
      } else {
        input::KeyUp(VK_RMENU, scan, true);
        input::KeyUp(VK_LCONTROL, scan);
      }
      return;
    }
    if (!down) {
      if (vk) input::KeyUp(vk, scan);
      return;
    }
    std::u32string text;
    char buf[64];
    KeySym sym = NoSymbol;
    XIC ic = nullptr;
    {
      std::lock_guard lock(mutex_);
      auto it = by_x_.find(k.window);
      if (it != by_x_.end()) ic = tops_[it->second].ic;
    }
    if (ic) {
      Status status = 0;
      std::vector<char> big;
      int n = Xutf8LookupString(ic, &k, buf, sizeof buf, &sym, &status);
      if (status == XBufferOverflow) {
        big.resize(static_cast<std::size_t>(n) + 1);
        n = Xutf8LookupString(ic, &k, big.data(), n, &sym, &status);
      }
      if (status == XLookupChars || status == XLookupBoth)
        text = Utf8Decode(std::string_view(big.empty() ? buf : big.data(), static_cast<std::size_t>(n)));
    } else {
      const int n = XLookupString(&k, buf, sizeof buf, &sym, nullptr);
      for (int i = 0; i < n; ++i) text += static_cast<char32_t>(static_cast<unsigned char>(buf[i]));
    }
    // Keys that type nothing on Windows type nothing here either.
    if (vk == VK_DELETE || (vk >= VK_F1 && vk <= VK_F24)) text.clear();
    const char32_t first = text.empty() ? 0 : text[0];
    if (!vk && first) vk = VK_PROCESSKEY;
    if (vk) input::KeyDown(vk, first, scan);
    // The rest of an input method's committed text comes as characters of their own.
    for (std::size_t i = 1; i < text.size(); ++i) {
      input::KeyDown(VK_PROCESSKEY, text[i]);
      input::KeyUp(VK_PROCESSKEY);
    }
    if (vk == VK_PROCESSKEY) input::KeyUp(VK_PROCESSKEY);
  }

  // The server knows which window is under the pointer: the press goes to the one it was
  // delivered to, whatever the program's own stacking order says.
  void Button(XButtonEvent& b) {
    const HWND top = WindowOf(b.window);
    if (!top) return;
    const POINT p{b.x_root, b.y_root};
    const bool down = b.type == ButtonPress;
    switch (b.button) {
      case Button1: input::MouseButton(VK_LBUTTON, down, p, top); break;
      case Button2: input::MouseButton(VK_MBUTTON, down, p, top); break;
      case Button3: input::MouseButton(VK_RBUTTON, down, p, top); break;
      case Button4: if (down) input::MouseWheel(WHEEL_DELTA, p, top); break;
      case Button5: if (down) input::MouseWheel(-WHEEL_DELTA, p, top); break;
      default: break;
    }
  }

  void OnExpose(XExposeEvent& e) {
    const HWND h = WindowOf(e.window);
    if (!h) return;
    RECT r{e.x, e.y, e.x + e.width, e.y + e.height};
    // The pixels are all in the surface: showing them again needs no painting.
    TGdiBitmap* surface = wm::WindowSurface(h);
    if (!surface) return;
    std::lock_guard lock(mutex_);
    auto it = tops_.find(h);
    if (it != tops_.end() && it->second.xwin) PutImage(it->second, surface->Surface(), r);
  }

  void Configure(XConfigureEvent& c) {
    const HWND h = WindowOf(c.window);
    if (!h) return;
    int x = c.x, y = c.y;
    if (!c.send_event) {
      // A window inside the desktop's frame reports where it sits in the frame; ask for the screen.
      Window child;
      XTranslateCoordinates(dpy_, c.window, root_, 0, 0, &x, &y, &child);
    }
    input::WindowConfigured(h, RECT{x, y, x + c.width, y + c.height});
  }

  // The window manager showed one of the program's windows in another state; false for a window not
  // the program's.
  bool StateChanged(Window xwin) {
    HWND h = nullptr;
    WPARAM state = SIZE_RESTORED;
    {
      std::lock_guard lock(mutex_);
      auto it = by_x_.find(xwin);
      if (it == by_x_.end()) return false;
      Top& t = tops_[it->second];
      if (!states_->Read(xwin, state) || state == t.state) return true;
      t.state = state;
      h = it->second;
    }
    input::WindowStateChanged(h, state);
    return true;
  }

  void Mapped(Window xwin, bool mapped) {
    std::lock_guard lock(mutex_);
    auto it = by_x_.find(xwin);
    if (it == by_x_.end()) return;
    tops_[it->second].mapped = mapped;
    if (mapped && pending_focus_ == xwin) {
      pending_focus_ = 0;
      XSetInputFocus(dpy_, xwin, RevertToParent, CurrentTime);
      XFlush(dpy_);
    }
  }

  void Focus(Window xwin, bool in) {
    HWND h = nullptr;
    {
      std::lock_guard lock(mutex_);
      auto it = by_x_.find(xwin);
      if (it == by_x_.end()) return;
      h = it->second;
      Top& t = tops_[h];
      if (in) {
        focused_ = xwin;
        if (t.ic) XSetICFocus(t.ic);
      } else {
        if (focused_ == xwin) focused_ = 0;
        if (t.ic) XUnsetICFocus(t.ic);
      }
    }
    if (in) input::WindowActivated(h);
  }

  Display* dpy_;
  int screen_ = 0;
  Window root_ = 0;
  TScreenSize screen_size_;
  Visual* visual_ = nullptr;
  int depth_ = 24;
  Atom atoms_[kAtomCount]{};
  XIM im_ = nullptr;
  Window helper_ = 0;
  std::mutex mutex_;
  std::unordered_map<HWND, Top> tops_;
  std::unordered_map<Window, HWND> by_x_;
  std::unordered_map<TCursorImage*, ::Cursor> cursors_;
  ::Cursor current_ = None;
  Window focused_ = 0, pending_focus_ = 0;
  std::unique_ptr<TX11Clipboard> clipboard_;
  std::unique_ptr<TX11DropTarget> drop_target_;
  std::unique_ptr<TX11ShowStates> states_;
  int wake_[2] = {-1, -1};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace

std::unique_ptr<TBackend> CreateX11Backend(const char* displayName) {
  static const bool threads = XInitThreads() != 0;
  (void)threads;
  Display* display = XOpenDisplay(displayName && *displayName ? displayName : nullptr);
  if (!display) {
    const char* shown = displayName && *displayName ? displayName : getenv("DISPLAY");
    throw Exception("Cannot open display %s", std::string(shown ? shown : ""));
  }
  XSetErrorHandler(&ReportXError);
  XSetIOErrorHandler(&ConnectionLost);
  return std::make_unique<TX11Backend>(display);
}

unsigned long X11WindowOf(TBackend& backend, HWND window) {
  auto* x = dynamic_cast<TX11Backend*>(&backend);
  return x ? x->XWindowOf(window) : 0;
}

}  // namespace lab
