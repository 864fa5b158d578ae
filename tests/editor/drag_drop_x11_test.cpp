// Drags under X11, on an X server of the test's own: text dragged with the mouse from one editor to
// another (the button and motion events come from the server), and files dropped on an editor by a
// program speaking XDND (the test's own connection plays the file manager).

#include <string>
#include <vector>

#include "editor/codeedit.h"
#include "platform/controls/forms.h"
#include "platform/win/window_functions.h"
#include "tests/editor/editor_fixture.h"
#include "tests/platform/x11_fixture.h"

namespace lab::testing {
namespace {

class EditorX11Drag : public X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    form = new TForm(nullptr);
    form->SetBounds(20, 20, 420, 320);
    source = new TCodeEdit(form);
    source->SetParent(form);
    source->SetBounds(0, 0, 400, 140);
    target = new TCodeEdit(form);
    target->SetParent(form);
    target->SetBounds(0, 150, 400, 140);
    form->Show();
    ASSERT_TRUE(WaitFor([&] { return X11WindowOf(Backend(), form->Handle()) != 0; }));
    xwin = X11WindowOf(Backend(), form->Handle());
  }
  void TearDown() override {
    delete form;
    X11Test::TearDown();
  }

  // A button or motion event of the server's kind on the form's window, at a screen point.
  void Pointer(int Type, win::POINT P) {
    XEvent ev{};
    ev.type = Type;
    if (Type == MotionNotify) {
      ev.xmotion.window = xwin;
      ev.xmotion.root = DefaultRootWindow(d);
      ev.xmotion.x_root = P.X;
      ev.xmotion.y_root = P.Y;
      ev.xmotion.state = Button1Mask;
    } else {
      ev.xbutton.window = xwin;
      ev.xbutton.root = DefaultRootWindow(d);
      ev.xbutton.x_root = P.X;
      ev.xbutton.y_root = P.Y;
      ev.xbutton.button = Button1;
      ev.xbutton.state = Type == ButtonRelease ? Button1Mask : 0;
    }
    XSendEvent(d, xwin, False, 0, &ev);
    XSync(d, False);
    Application->ProcessMessages();
  }

  TForm* form = nullptr;
  TCodeEdit* source = nullptr;
  TCodeEdit* target = nullptr;
  Window xwin = 0;
};

TEST_F(EditorX11Drag, TextDraggedFromOneEditorToAnother) {
  source->SetText("09:00:01 Tracer1 JOB=24001");
  source->SetCaretXY({17, 1});
  source->SetBlockBegin({10, 1});
  source->SetBlockEnd({17, 1});
  target->SetText("notes: ");
  const win::POINT from = edittest::ScreenPointOf(source, {12, 1}), to = edittest::ScreenPointOf(target, {8, 1});
  Pointer(MotionNotify, from);
  Pointer(ButtonPress, from);
  Pointer(MotionNotify, {from.X + 10, from.Y + 8});
  Pointer(MotionNotify, to);
  ASSERT_TRUE(WaitFor([&] { return source->Dragging() && target->CaretXY() == TBufferCoord{8, 1}; }))
      << "dragging " << source->Dragging() << ", source holding the mouse " << source->MouseCapture()
      << ", target's caret " << target->CaretXY().Char << ":" << target->CaretXY().Line;
  Pointer(ButtonRelease, to);
  ASSERT_TRUE(WaitFor([&] { return target->Text() == "notes: Tracer1"; })) << target->Text();
  EXPECT_EQ(source->Text(), "09:00:01 Tracer1 JOB=24001");
  EXPECT_EQ(target->SelText(), "Tracer1");
  target->Undo();
  EXPECT_EQ(target->Text(), "notes: ");
}

// The other side of XDND, as a file manager speaks it: its window owns the XdndSelection, tells the
// editor's window where the drag is, drops, serves the list and waits to hear that it is finished.
class TXdndSource {
 public:
  explicit TXdndSource(Display* D) : d_(D) {
    window_ = XCreateSimpleWindow(d_, DefaultRootWindow(d_), 0, 0, 1, 1, 0, 0, 0);
    for (const char* name : {"XdndAware", "XdndEnter", "XdndPosition", "XdndStatus", "XdndLeave", "XdndDrop",
                             "XdndFinished", "XdndSelection", "text/uri-list", "XdndActionCopy", "text/plain"})
      atoms_.push_back(XInternAtom(d_, name, False));
    XSetSelectionOwner(d_, AtomOf(kSelection), window_, CurrentTime);
  }
  ~TXdndSource() { XDestroyWindow(d_, window_); }
  TXdndSource(const TXdndSource&) = delete;
  TXdndSource& operator=(const TXdndSource&) = delete;

  enum { kAware, kEnter, kPosition, kStatus, kLeave, kDrop, kFinished, kSelection, kUriList, kCopy, kPlain };
  ::Atom AtomOf(int Which) const { return atoms_[static_cast<std::size_t>(Which)]; }

  void Send(Window Target, int Message, long L1, long L2, long L3, long L4) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = Target;
    ev.xclient.message_type = AtomOf(Message);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(window_);
    ev.xclient.data.l[1] = L1;
    ev.xclient.data.l[2] = L2;
    ev.xclient.data.l[3] = L3;
    ev.xclient.data.l[4] = L4;
    XSendEvent(d_, Target, False, NoEventMask, &ev);
    XFlush(d_);
  }

  // Waits (running the program's loop) for a client message of the kind; serves the list when asked.
  bool Await(int Message, XClientMessageEvent& Got) {
    return WaitFor([&] {
      while (XPending(d_) > 0) {
        XEvent ev;
        XNextEvent(d_, &ev);
        if (ev.type == SelectionRequest) Serve(ev.xselectionrequest);
        if (ev.type == ClientMessage && ev.xclient.message_type == AtomOf(Message)) {
          Got = ev.xclient;
          return true;
        }
      }
      return false;
    });
  }

  std::string list;

 private:
  void Serve(const XSelectionRequestEvent& r) {
    XEvent answer{};
    answer.xselection.type = SelectionNotify;
    answer.xselection.requestor = r.requestor;
    answer.xselection.selection = r.selection;
    answer.xselection.target = r.target;
    answer.xselection.time = r.time;
    answer.xselection.property = None;
    if (r.target == AtomOf(kUriList)) {
      XChangeProperty(d_, r.requestor, r.property, r.target, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(list.data()), static_cast<int>(list.size()));
      answer.xselection.property = r.property;
    }
    XSendEvent(d_, r.requestor, False, NoEventMask, &answer);
    XFlush(d_);
  }

  Display* d_;
  Window window_;
  std::vector<::Atom> atoms_;
};

TEST_F(EditorX11Drag, FilesDroppedByAnotherProgramThroughXdnd) {
  std::vector<std::string> dropped;
  TPoint where;
  target->OnDropFiles = [&](TObject*, int X, int Y, TStrings* Files) {
    for (int i = 0; i < Files->Count(); ++i) dropped.push_back(Files->Strings(i));
    where = {X, Y};
  };
  TXdndSource drag(d);
  // Only a window that takes files says so.
  auto aware = [&] {
    ::Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(d, xwin, drag.AtomOf(TXdndSource::kAware), 0, 1, False, AnyPropertyType, &type, &format, &count,
                       &after, &data);
    const long version = data && count == 1 ? *reinterpret_cast<long*>(data) : 0;
    if (data) XFree(data);
    return version;
  };
  EXPECT_EQ(aware(), 0);
  target->SetOptions(target->Options() + TCodeEditorOptions{eoDropFiles});
  ASSERT_TRUE(WaitFor([&] { return aware() == 5; }));

  const std::string long_name(300, 'n');
  drag.list = "# dragged from a file manager\r\nfile:///tmp/job%2024001.txt\r\nfile://localhost/tmp/" + long_name +
              "\r\nfile://elsewhere.example/tmp/x.txt\r\nhttp://example.com/y.txt\r\n";
  win::POINT at{40, 30};
  win::ClientToScreen(target->Handle(), at);
  drag.Send(xwin, TXdndSource::kEnter, 5L << 24, static_cast<long>(drag.AtomOf(TXdndSource::kPlain)),
            static_cast<long>(drag.AtomOf(TXdndSource::kUriList)), 0);
  drag.Send(xwin, TXdndSource::kPosition, 0, (static_cast<long>(at.X) << 16) | at.Y, CurrentTime,
            static_cast<long>(drag.AtomOf(TXdndSource::kCopy)));
  XClientMessageEvent status{};
  ASSERT_TRUE(drag.Await(TXdndSource::kStatus, status));
  EXPECT_EQ(static_cast<Window>(status.data.l[0]), xwin);
  EXPECT_EQ(status.data.l[1] & 1, 1) << "accepted";
  EXPECT_EQ(static_cast<::Atom>(status.data.l[4]), drag.AtomOf(TXdndSource::kCopy));
  drag.Send(xwin, TXdndSource::kDrop, 0, CurrentTime, 0, 0);
  XClientMessageEvent finished{};
  ASSERT_TRUE(drag.Await(TXdndSource::kFinished, finished));
  EXPECT_EQ(finished.data.l[1] & 1, 1) << "accepted";
  ASSERT_TRUE(WaitFor([&] { return !dropped.empty(); }));
  EXPECT_EQ(dropped, (std::vector<std::string>{"/tmp/job 24001.txt", "/tmp/" + long_name}));
  EXPECT_EQ(where, (TPoint{40, 30}));

  // A drag that offers no files is turned down.
  drag.Send(xwin, TXdndSource::kEnter, 5L << 24, static_cast<long>(drag.AtomOf(TXdndSource::kPlain)), 0, 0);
  drag.Send(xwin, TXdndSource::kPosition, 0, (static_cast<long>(at.X) << 16) | at.Y, CurrentTime,
            static_cast<long>(drag.AtomOf(TXdndSource::kCopy)));
  ASSERT_TRUE(drag.Await(TXdndSource::kStatus, status));
  EXPECT_EQ(status.data.l[1] & 1, 0);
  drag.Send(xwin, TXdndSource::kLeave, 0, 0, 0, 0);

  // Without eoDropFiles the window takes no files any more.
  target->SetOptions(target->Options() - TCodeEditorOptions{eoDropFiles});
  EXPECT_TRUE(WaitFor([&] { return aware() == 0; }));
}

}  // namespace
}  // namespace lab::testing
