// Update regions: what each window must repaint, WM_PAINT and WM_NCPAINT as they fall due, and the
// top-level surfaces the windows paint into.

#include <cstring>

#include "platform/controls/painting.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/wm_state.h"

namespace lab::wm {

using namespace lab::win;

namespace {

cairo_rectangle_int_t CairoRect(const RECT& r) {
  return cairo_rectangle_int_t{r.Left, r.Top, r.Width(), r.Height()};
}

RECT FromCairo(const cairo_rectangle_int_t& r) {
  return RECT{r.x, r.y, r.x + r.width, r.y + r.height};
}

void InvalidateOthersUnder(Window* x, Window* moving, const RECT& area) {
  if (x == moving || !x->Visible()) return;
  RECT windowOnScreen = ScreenWindowRectLocked(x);
  RECT hit = IntersectRect(windowOnScreen, area);
  if (hit.IsEmpty()) return;
  POINT origin = ClientOriginLocked(x);
  RECT local = hit;
  local = lab::OffsetRect(local, -origin.X, -origin.Y);
  InvalidateWindowLocked(x, &local, true, true);
  for (HWND c : x->children)
    if (Window* cw = FindLocked(c)) InvalidateOthersUnder(cw, moving, area);
}

bool VisibleLockedChain(Window* w) {
  for (; w; w = w->IsChild() ? FindLocked(w->parent) : nullptr)
    if (!w->Visible()) return false;
  return true;
}

Window* FindDirty(Window* w, HWND filter) {
  if (!w->Visible()) return nullptr;
  if (w->NeedsPaint() && (!filter || filter == w->handle)) return w;
  for (HWND c : w->children)
    if (Window* cw = FindLocked(c))
      if (Window* d = FindDirty(cw, filter)) return d;
  return nullptr;
}

}  // namespace

void InvalidateWindowLocked(Window* w, const RECT* clientRect, bool erase, bool frame) {
  RECT bounds{0, 0, w->client.Width(), w->client.Height()};
  RECT r = bounds;
  if (clientRect) r = IntersectRect(*clientRect, bounds);
  bool changed = false;
  if (!r.IsEmpty()) {
    cairo_rectangle_int_t cr = CairoRect(r);
    cairo_region_union_rectangle(w->update, &cr);
    if (erase) w->erase = true;
    changed = true;
  }
  if (frame && !w->ncDirty) {
    w->ncDirty = true;
    changed = true;
  }
  if (changed && w->queue) w->queue->Wake();
}

void InvalidateTreeLocked(Window* w) {
  InvalidateWindowLocked(w, nullptr, true, true);
  for (HWND c : w->children)
    if (Window* cw = FindLocked(c)) InvalidateTreeLocked(cw);
}

void InvalidateUnderLocked(Window* w) {
  Window* top = FindLocked(GetTopLevelLocked(w->handle));
  if (!top) return;
  InvalidateOthersUnder(top, w, ScreenWindowRectLocked(w));
}

void ResizeSurfaceLocked(Window* top) {
  if (top->surface) top->surface->Resize(std::max(top->rect.Width(), 1), std::max(top->rect.Height(), 1));
  InvalidateTreeLocked(top);
}

TGdiBitmap* EnsureSurfaceLocked(Window* top) {
  if (!top->surface)
    top->surface = new TGdiBitmap(std::max(top->rect.Width(), 1), std::max(top->rect.Height(), 1));
  return top->surface;
}

cairo_region_t* VisibleRegionLocked(Window* w, bool clientOnly) {
  RECT own = ScreenWindowRectLocked(w);
  if (clientOnly) {
    POINT o = ClientOriginLocked(w);
    own = RECT{o.X, o.Y, o.X + w->client.Width(), o.Y + w->client.Height()};
  }
  cairo_rectangle_int_t cr = CairoRect(own);
  cairo_region_t* region = cairo_region_create_rectangle(&cr);
  if (!VisibleLockedChain(w)) {
    cairo_region_destroy(region);
    return cairo_region_create();
  }
  // Children always clip their parent, and siblings above clip the ones below them.
  for (HWND c : w->children) {
    Window* cw = FindLocked(c);
    if (!cw || !cw->Visible()) continue;
    cairo_rectangle_int_t rc = CairoRect(ScreenWindowRectLocked(cw));
    cairo_region_subtract_rectangle(region, &rc);
  }
  for (Window* cur = w; cur->IsChild();) {
    Window* parent = FindLocked(cur->parent);
    for (HWND s : parent->children) {
      if (s == cur->handle) break;
      Window* sw = FindLocked(s);
      if (!sw || !sw->Visible()) continue;
      cairo_rectangle_int_t rs = CairoRect(ScreenWindowRectLocked(sw));
      cairo_region_subtract_rectangle(region, &rs);
    }
    POINT po = ClientOriginLocked(parent);
    cairo_rectangle_int_t pc{po.X, po.Y, parent->client.Width(), parent->client.Height()};
    cairo_region_intersect_rectangle(region, &pc);
    cur = parent;
  }
  return region;
}

HWND FindWindowToPaint(DWORD threadId, HWND filter) {
  for (;;) {
    HWND frameOf = nullptr;
    {
      std::lock_guard lock(S().mutex);
      Window* found = nullptr;
      for (HWND t : S().topLevels) {
        Window* top = FindLocked(t);
        if (!top || !top->queue || top->queue->threadId != threadId) continue;
        if ((found = FindDirty(top, filter))) break;
      }
      if (!found) {
        // Windows of this thread inside another thread's top-level window paint too.
        for (auto& [h, w] : S().windows) {
          if (!w->queue || w->queue->threadId != threadId || !w->NeedsPaint()) continue;
          if ((filter && filter != h) || !VisibleLockedChain(w.get())) continue;
          found = w.get();
          break;
        }
      }
      if (!found) return nullptr;
      if (!found->ncDirty) return found->handle;
      found->ncDirty = false;
      frameOf = found->handle;
    }
    SendMessage(frameOf, WM_NCPAINT, 1, 0);
  }
}

bool InvalidateRect(HWND hwnd, const RECT* rect, bool erase) {
  std::lock_guard lock(S().mutex);
  if (!hwnd) {
    for (auto& [h, w] : S().windows) InvalidateTreeLocked(w.get());
    return true;
  }
  Window* w = FindLocked(hwnd);
  if (!w) return false;
  InvalidateWindowLocked(w, rect, erase, false);
  return true;
}

bool ValidateRect(HWND hwnd, const RECT* rect) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  if (!w) return false;
  if (!rect) {
    cairo_region_destroy(w->update);
    w->update = cairo_region_create();
    w->erase = false;
    return true;
  }
  cairo_rectangle_int_t cr = CairoRect(*rect);
  cairo_region_subtract_rectangle(w->update, &cr);
  if (cairo_region_is_empty(w->update)) w->erase = false;
  return true;
}

bool GetUpdateRect(HWND hwnd, RECT* rect, bool erase) {
  bool sendErase = false;
  bool any;
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(hwnd);
    if (!w) return false;
    any = !cairo_region_is_empty(w->update);
    if (rect) {
      cairo_rectangle_int_t extents;
      cairo_region_get_extents(w->update, &extents);
      *rect = any ? FromCairo(extents) : RECT{};
    }
    if (erase && any && w->erase) sendErase = true;
  }
  if (sendErase) EraseNow(hwnd);
  return any;
}

bool UpdateWindow(HWND hwnd) {
  // Paints the window and then its children at once, outside the message loop.
  std::vector<HWND> order;
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(hwnd);
    if (!w) return false;
    std::vector<Window*> stack{w};
    while (!stack.empty()) {
      Window* x = stack.back();
      stack.pop_back();
      if (!x->Visible()) continue;
      order.push_back(x->handle);
      for (auto it = x->children.rbegin(); it != x->children.rend(); ++it)
        if (Window* c = FindLocked(*it)) stack.push_back(c);
    }
  }
  for (HWND h : order) {
    bool frame = false, client = false;
    {
      std::lock_guard lock(S().mutex);
      Window* w = FindLocked(h);
      if (!w || !VisibleLockedChain(w)) continue;
      frame = w->ncDirty;
      w->ncDirty = false;
      client = !cairo_region_is_empty(w->update);
    }
    if (frame) SendMessage(h, WM_NCPAINT, 1, 0);
    if (client) SendMessage(h, WM_PAINT, 0, 0);
  }
  return true;
}

}  // namespace lab::wm
