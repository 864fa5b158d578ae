// Device contexts of windows, BeginPaint / EndPaint and ScrollWindowEx.

#include <cairo.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>
#include <unordered_map>

#include "platform/controls/backend.h"
#include "platform/controls/caret.h"
#include "platform/controls/painting.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/wm_state.h"

namespace lab::wm {

using namespace lab::win;

namespace {

struct DcRecord {
  HWND hwnd = nullptr;
  HWND top = nullptr;
  RECT dirty;  // surface coordinates, presented on release
};

// The window device contexts handed out and not yet released; guarded by the manager lock.
std::unordered_map<HDC, DcRecord>& Dcs() {
  static auto* dcs = new std::unordered_map<HDC, DcRecord>;
  return *dcs;
}

cairo_rectangle_int_t CairoRect(const RECT& r) { return {r.Left, r.Top, r.Width(), r.Height()}; }

TRegion ToRegion(const cairo_region_t* r) {
  TRegion out;
  const int n = cairo_region_num_rectangles(r);
  for (int i = 0; i < n; ++i) {
    cairo_rectangle_int_t c;
    cairo_region_get_rectangle(r, i, &c);
    out.Unite(TRect{c.x, c.y, c.x + c.width, c.y + c.height});
  }
  return out;
}

RECT Extents(const cairo_region_t* r) {
  if (cairo_region_is_empty(r)) return RECT{};
  cairo_rectangle_int_t c;
  cairo_region_get_extents(r, &c);
  return RECT{c.x, c.y, c.x + c.width, c.y + c.height};
}

int RegionKind(const cairo_region_t* r) {
  const int n = cairo_region_num_rectangles(r);
  return n == 0 ? NULLREGION : n == 1 ? SIMPLEREGION : COMPLEXREGION;
}

// A device context on hwnd's top-level surface. `clientOnly`: device (0, 0) is the client origin,
// else the window origin. `limit` (device coordinates, may be nullptr) narrows the visible part.
HDC MakeDcLocked(Window* w, bool clientOnly, const cairo_region_t* limit, RECT* visibleBounds) {
  Window* top = FindLocked(GetTopLevelLocked(w->handle));
  if (!top) return nullptr;
  TGdiBitmap* surface = EnsureSurfaceLocked(top);
  const POINT topOrigin{top->rect.Left, top->rect.Top};
  POINT origin;
  if (clientOnly) {
    origin = ClientOriginLocked(w);
  } else {
    const RECT wr = ScreenWindowRectLocked(w);
    origin = POINT{wr.Left, wr.Top};
  }
  cairo_region_t* visible = VisibleRegionLocked(w, clientOnly);
  cairo_region_translate(visible, -origin.X, -origin.Y);
  if (limit) cairo_region_intersect(visible, limit);
  if (visibleBounds) *visibleBounds = Extents(visible);
  auto* dc = new TDeviceContext(surface, POINT{origin.X - topOrigin.X, origin.Y - topOrigin.Y},
                                ToRegion(visible));
  RECT dirty = Extents(visible);
  dirty = lab::OffsetRect(dirty, origin.X - topOrigin.X, origin.Y - topOrigin.Y);
  Dcs()[dc] = DcRecord{w->handle, top->handle, dirty};
  cairo_region_destroy(visible);
  return dc;
}

// Releases a context and shows what it may have drawn.
void Release(HDC dc) {
  DcRecord rec;
  TGdiBitmap* surface = nullptr;
  {
    std::lock_guard lock(S().mutex);
    auto it = Dcs().find(dc);
    if (it == Dcs().end()) return;
    rec = it->second;
    Dcs().erase(it);
    if (Window* top = FindLocked(rec.top)) surface = top->surface;
    if (surface) surface->AddRef();
  }
  delete dc;
  if (surface) {
    if (!rec.dirty.IsEmpty()) Backend().Present(rec.top, surface->Surface(), rec.dirty);
    surface->Release();
  }
}

}  // namespace

HDC GetDC(HWND hwnd) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  return w ? MakeDcLocked(w, true, nullptr, nullptr) : nullptr;
}

HDC GetWindowDC(HWND hwnd) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  return w ? MakeDcLocked(w, false, nullptr, nullptr) : nullptr;
}

HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  if (!w) return nullptr;
  cairo_region_t* limit = nullptr;
  if ((flags & DCX_INTERSECTRGN) && clip) {
    limit = cairo_region_create();
    for (const TRect& r : clip->Region().Rects()) {
      const cairo_rectangle_int_t c = CairoRect(r);
      cairo_region_union_rectangle(limit, &c);
    }
  }
  HDC dc = MakeDcLocked(w, !(flags & DCX_WINDOW), limit, nullptr);
  if (limit) cairo_region_destroy(limit);
  return dc;
}

int ReleaseDC(HWND, HDC dc) {
  Release(dc);
  return 1;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT& ps) {
  ps = PAINTSTRUCT{};
  bool erase;
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(hwnd);
    if (!w) return nullptr;
    cairo_region_t* update = w->update;
    w->update = cairo_region_create();
    erase = w->erase;
    w->erase = false;
    ps.rcPaint = Extents(update);
    ps.hdc = MakeDcLocked(w, true, update, nullptr);
    cairo_region_destroy(update);
    w->inPaint = true;
  }
  SuspendCaret(hwnd);
  if (erase && ps.hdc) ps.fErase = SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(ps.hdc), 0) ? FALSE : TRUE;
  return ps.hdc;
}

bool EndPaint(HWND hwnd, const PAINTSTRUCT& ps) {
  {
    std::lock_guard lock(S().mutex);
    if (Window* w = FindLocked(hwnd)) w->inPaint = false;
  }
  if (ps.hdc) Release(ps.hdc);
  ResumeCaret(hwnd);
  return true;
}

void EraseNow(HWND hwnd) {
  HDC dc;
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(hwnd);
    if (!w || !w->erase) return;
    dc = MakeDcLocked(w, true, w->update, nullptr);
  }
  if (!dc) return;
  const LRESULT erased = SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  Release(dc);
  std::lock_guard lock(S().mutex);
  if (Window* w = FindLocked(hwnd); w && erased) w->erase = false;
}

TGdiBitmap* WindowSurface(HWND topLevel) {
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(topLevel);
  if (!w || w->IsChild()) return nullptr;
  return EnsureSurfaceLocked(w);
}

bool InvalidateRgn(HWND hwnd, HRGN region, bool erase) {
  if (!region) return InvalidateRect(hwnd, nullptr, erase);
  std::lock_guard lock(S().mutex);
  Window* w = FindLocked(hwnd);
  if (!w) return false;
  for (const TRect& r : region->Region().Rects()) InvalidateWindowLocked(w, &r, erase, false);
  return true;
}

int GetUpdateRgn(HWND hwnd, HRGN region, bool erase) {
  int kind;
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(hwnd);
    if (!w) return ERROR;
    if (region) region->Region() = ToRegion(w->update);
    kind = RegionKind(w->update);
  }
  if (erase) EraseNow(hwnd);
  return kind;
}

int ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update,
                   RECT* updateRect, UINT flags) {
  SuspendCaret(hwnd);
  int kind = NULLREGION;
  HWND top = nullptr;
  RECT presented;
  std::vector<HWND> movedChildren;
  TGdiBitmap* surface = nullptr;
  {
    std::lock_guard lock(S().mutex);
    Window* w = FindLocked(hwnd);
    if (!w) {
      ResumeCaret(hwnd);
      return ERROR;
    }
    Window* topWindow = FindLocked(GetTopLevelLocked(hwnd));
    top = topWindow->handle;
    surface = EnsureSurfaceLocked(topWindow);
    const RECT bounds{0, 0, w->client.Width(), w->client.Height()};
    const RECT area = scroll ? IntersectRect(*scroll, bounds) : bounds;
    const RECT limit = clip ? IntersectRect(*clip, bounds) : bounds;
    const POINT origin = ClientOriginLocked(w);

    cairo_region_t* visible = VisibleRegionLocked(w, true);
    cairo_region_translate(visible, -origin.X, -origin.Y);
    cairo_rectangle_int_t limitRect = CairoRect(limit), areaRect = CairoRect(area);
    cairo_region_intersect_rectangle(visible, &limitRect);

    // What moves: visible pixels of the scrolled area, landing on visible pixels inside the clip.
    cairo_region_t* source = cairo_region_copy(visible);
    cairo_region_intersect_rectangle(source, &areaRect);
    cairo_region_t* target = cairo_region_copy(source);
    cairo_region_translate(target, dx, dy);
    cairo_region_intersect(target, visible);

    // Everything of the area inside the clip that did not receive moved pixels is exposed.
    cairo_region_t* exposed = cairo_region_copy(visible);
    cairo_region_intersect_rectangle(exposed, &areaRect);
    cairo_region_subtract(exposed, target);

    // Pixels still to be repainted need not move: only those that hold what was painted do.
    cairo_region_t* copied = cairo_region_copy(source);
    cairo_region_subtract(copied, w->update);
    cairo_region_translate(copied, dx, dy);
    cairo_region_intersect(copied, target);

    const POINT surfaceOrigin{origin.X - topWindow->rect.Left, origin.Y - topWindow->rect.Top};
    if (!cairo_region_is_empty(copied)) {
      // The pixels move in place: rows are taken in the order that reads each source row before
      // it is written (bottom up when moving down), and within a row the spans in the order that
      // does the same; memmove takes care of a span that overlaps its own source.
      const int n = cairo_region_num_rectangles(copied);
      std::vector<cairo_rectangle_int_t> spans(static_cast<std::size_t>(n));
      int top_row = INT_MAX, bottom_row = INT_MIN;
      for (int i = 0; i < n; ++i) {
        cairo_rectangle_int_t& r = spans[static_cast<std::size_t>(i)];
        cairo_region_get_rectangle(copied, i, &r);
        top_row = std::min(top_row, r.y);
        bottom_row = std::max(bottom_row, r.y + r.height);
      }
      if (dx > 0)
        std::sort(spans.begin(), spans.end(), [](const auto& a, const auto& b) { return a.x > b.x; });
      else
        std::sort(spans.begin(), spans.end(), [](const auto& a, const auto& b) { return a.x < b.x; });
      surface->BeginDirect();
      const int rows = bottom_row - top_row;
      for (int k = 0; k < rows; ++k) {
        const int y = dy > 0 ? bottom_row - 1 - k : top_row + k;
        std::uint32_t* to = surface->Row(surfaceOrigin.Y + y);
        const std::uint32_t* from = surface->Row(surfaceOrigin.Y + y - dy);
        for (const cairo_rectangle_int_t& r : spans)
          if (y >= r.y && y < r.y + r.height)
            std::memmove(to + (surfaceOrigin.X + r.x), from + (surfaceOrigin.X + r.x - dx),
                         static_cast<std::size_t>(r.width) * sizeof(std::uint32_t));
      }
      surface->EndDirect();
    }

    // Pending invalid parts travel with the pixels: a pixel that received moved pixels is invalid
    // where its source was, and every other pixel (outside the clip too) keeps its own state.
    cairo_region_t* moving = cairo_region_copy(w->update);
    cairo_region_intersect(moving, source);
    cairo_region_translate(moving, dx, dy);
    cairo_region_intersect(moving, target);
    cairo_region_subtract(w->update, target);
    cairo_region_union(w->update, moving);
    cairo_region_destroy(moving);

    kind = RegionKind(exposed);
    if (updateRect) *updateRect = Extents(exposed);
    if (update) update->Region() = ToRegion(exposed);
    if (flags & SW_INVALIDATE) {
      cairo_region_union(w->update, exposed);
      if ((flags & SW_ERASE) && !cairo_region_is_empty(exposed)) w->erase = true;
      if (!cairo_region_is_empty(w->update) && w->queue) w->queue->Wake();
    }
    presented = Extents(copied);
    presented = lab::OffsetRect(presented, surfaceOrigin.X, surfaceOrigin.Y);
    surface->AddRef();

    if (flags & SW_SCROLLCHILDREN) {
      for (HWND c : w->children) {
        Window* cw = FindLocked(c);
        if (!cw) continue;
        if (!scroll || !IntersectRect(cw->rect, area).IsEmpty()) movedChildren.push_back(c);
      }
    }
    cairo_region_destroy(visible);
    cairo_region_destroy(source);
    cairo_region_destroy(target);
    cairo_region_destroy(copied);
    cairo_region_destroy(exposed);
  }
  for (HWND c : movedChildren) {
    RECT r;
    GetWindowRect(c, r);
    POINT p{r.Left, r.Top};
    ScreenToClient(hwnd, p);
    SetWindowPos(c, nullptr, p.X + dx, p.Y + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (!presented.IsEmpty()) Backend().Present(top, surface->Surface(), presented);
  surface->Release();
  ResumeCaret(hwnd);
  return kind;
}

bool ScrollWindow(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip) {
  return ScrollWindowEx(hwnd, dx, dy, scroll, clip, nullptr, nullptr, SW_INVALIDATE | SW_ERASE) != ERROR;
}

}  // namespace lab::wm
