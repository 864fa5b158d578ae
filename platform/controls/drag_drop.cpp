#include "platform/controls/drag_drop.h"

#include <cstdlib>

#include "platform/controls/allocate_hwnd.h"
#include "platform/controls/cursor.h"
#include "platform/controls/input.h"
#include "platform/controls/win_control.h"
#include "platform/controls/window_manager.h"

namespace lab {

using namespace lab::win;

namespace {

struct DragState {
  TControl* source = nullptr;
  TObject* dragObject = nullptr;
  TControl* target = nullptr;
  bool accepted = false;
  bool started = false;      // past the threshold
  int threshold = 0;
  TPoint start;              // screen
  TPoint last;               // screen
  HWND capture = nullptr;    // the hidden window that holds the mouse during the drag
  bool finishing = false;
};

DragState g_drag;

TPoint Local(TControl* c, TPoint screen) { return c->ScreenToClient(screen); }

bool SendDrag(TControl* target, TDragMessage what, TPoint screen, TObject* object = g_drag.dragObject) {
  TDragRec rec{Local(target, screen), object, target};
  return target->Perform(CM_DRAG, what, reinterpret_cast<LPARAM>(&rec)) != 0;
}

void DragTo(TPoint screen) {
  g_drag.last = screen;
  if (!g_drag.started) {
    if (std::abs(screen.X - g_drag.start.X) < g_drag.threshold &&
        std::abs(screen.Y - g_drag.start.Y) < g_drag.threshold)
      return;
    g_drag.started = true;
  }
  TControl* target = TDragManager::FindTarget(screen);
  if (target != g_drag.target) {
    if (g_drag.target) SendDrag(g_drag.target, dmDragLeave, screen);
    g_drag.target = target;
    g_drag.accepted = target && SendDrag(target, dmDragEnter, screen);
  } else if (target) {
    g_drag.accepted = SendDrag(target, dmDragMove, screen);
  }
  if (g_drag.source)
    wm::ShowCursorNumber(g_drag.accepted ? g_drag.source->DragCursor() : crNoDrop);
}

void CaptureProc(TMessage& m) {
  switch (m.Msg) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      // The capture window's client area starts at the screen's origin.
      POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
      wm::ClientToScreen(g_drag.capture, p);
      DragTo(p);
      if (m.Msg != WM_MOUSEMOVE) TDragManager::Finish(g_drag.started);
      return;
    }
    case WM_CAPTURECHANGED:
      if (!g_drag.finishing) TDragManager::Finish(false);
      return;
    default:
      m.Result = wm::DefWindowProc(g_drag.capture, m.Msg, m.WParam, m.LParam);
  }
}

}  // namespace

void TDragManager::Begin(TControl* Source, bool Immediate, int Threshold) {
  if (g_drag.source || !Source) return;
  TObject* object = nullptr;
  Source->DoStartDrag(object);
  g_drag = DragState{};
  g_drag.source = Source;
  g_drag.dragObject = object ? object : Source;
  g_drag.threshold = Threshold;
  g_drag.started = Immediate;
  // Where the press was, not where the mouse may be by now.
  g_drag.start = GetMessagePos();
  g_drag.capture = AllocateHWnd(&CaptureProc);
  wm::SetCapture(g_drag.capture);
  if (Immediate) DragTo(g_drag.start);
}

void TDragManager::Finish(bool Drop) {
  if (!g_drag.source || g_drag.finishing) return;
  g_drag.finishing = true;
  DragState d = g_drag;
  if (wm::GetCapture() == d.capture) wm::ReleaseCapture();
  TControl* target = d.target;
  const bool drop = Drop && d.started && target && d.accepted;
  if (target && !drop) SendDrag(target, dmDragLeave, d.last, d.dragObject);
  g_drag = DragState{};  // a handler below may start the next drag
  if (drop) SendDrag(target, dmDragDrop, d.last, d.dragObject);
  const TPoint at = drop ? Local(target, d.last) : TPoint{};
  d.source->DoEndDrag(drop ? target : nullptr, at.X, at.Y);
  wm::ShowCursorNumber(crDefault);
  DeallocateHWnd(d.capture);
}

TControl* TDragManager::Source() { return g_drag.source; }

TControl* TDragManager::FindTarget(TPoint Screen) {
  HWND h = wm::WindowFromPoint(Screen);
  TWinControl* w = nullptr;
  for (; h && !(w = TWinControl::FindControl(h)); h = wm::GetParent(h)) {
  }
  if (!w) return nullptr;
  if (TControl* child = w->ControlAtPos(w->ScreenToClient(Screen), false)) return child;
  return w;
}

void TDragManager::HandleDragMessage(TControl* Control, TMessage& Message) {
  auto* rec = reinterpret_cast<TDragRec*>(Message.LParam);
  if (!rec) return;
  switch (static_cast<TDragMessage>(Message.WParam)) {
    case dmDragEnter:
    case dmDragMove:
    case dmDragLeave: {
      bool accept = false;
      const TDragState state = Message.WParam == dmDragEnter   ? dsDragEnter
                               : Message.WParam == dmDragLeave ? dsDragLeave
                                                               : dsDragMove;
      Control->DragOver(rec->Source, rec->Pos.X, rec->Pos.Y, state, accept);
      Message.Result = accept ? 1 : 0;
      return;
    }
    case dmDragDrop:
      Control->DragDrop(rec->Source, rec->Pos.X, rec->Pos.Y);
      return;
    default:
      return;
  }
}

}  // namespace lab
