// TCustomGrid: its own scroll bars. Positions run 0..127 whatever the number of cells, and a bar
// shows only while there is something to scroll on its axis.
#include <algorithm>

#include "platform/controls/scroll_bars.h"
#include "platform/grids/grids.h"

namespace lab {

namespace {

bool ShowsHorz(TScrollStyle s) { return s == ssHorizontal || s == ssBoth; }
bool ShowsVert(TScrollStyle s) { return s == ssVertical || s == ssBoth; }

}  // namespace

void TCustomGrid::UpdateScrollRange() {
  if (!HandleAllocated() || updating_scroll_range_) return;
  updating_scroll_range_ = true;
  struct Guard {
    bool& flag;
    ~Guard() { flag = false; }
  } guard{updating_scroll_range_};

  const TGridCoord oldTopLeft = layout_.TopLeft;
  // Showing or hiding one bar changes the client area, which may change the other bar.
  for (int pass = 0; pass < 3; ++pass) {
    int w0 = 0, h0 = 0;
    ClientExtent(w0, h0);
    TGridDrawInfo di;
    CalcDrawInfo(di);
    if (ShowsHorz(scroll_bars_))
      wm::SetScrollRange(Handle(), win::SB_HORZ, 0, layout_.CanScroll(di, false) ? GridScrollMax : 0, true);
    if (ShowsVert(scroll_bars_))
      wm::SetScrollRange(Handle(), win::SB_VERT, 0, layout_.CanScroll(di, true) ? GridScrollMax : 0, true);
    int w1 = 0, h1 = 0;
    ClientExtent(w1, h1);
    if (w0 == w1 && h0 == h1) break;
  }

  // A larger client area may leave room after the last cells: take the view back.
  TGridDrawInfo di;
  CalcDrawInfo(di);
  const TGridCoord maxTopLeft = layout_.MaxTopLeft(di);
  layout_.TopLeft.X = std::clamp(layout_.TopLeft.X, FixedCols(), std::max(maxTopLeft.X, FixedCols()));
  layout_.TopLeft.Y = std::clamp(layout_.TopLeft.Y, FixedRows(), std::max(maxTopLeft.Y, FixedRows()));
  if (layout_.TopLeft != oldTopLeft)
    TopLeftMoved(oldTopLeft);
  else
    UpdateScrollPos();
}

void TCustomGrid::UpdateScrollPos() {
  if (!HandleAllocated() || scroll_bars_ == ssNone) return;
  TGridDrawInfo di;
  CalcDrawInfo(di);
  if (ShowsHorz(scroll_bars_)) {
    const int pos = layout_.ScrollPos(di, false);
    if (wm::GetScrollPos(Handle(), win::SB_HORZ) != pos) wm::SetScrollPos(Handle(), win::SB_HORZ, pos, true);
  }
  if (ShowsVert(scroll_bars_)) {
    const int pos = layout_.ScrollPos(di, true);
    if (wm::GetScrollPos(Handle(), win::SB_VERT) != pos) wm::SetScrollPos(Handle(), win::SB_VERT, pos, true);
  }
}

void TCustomGrid::ModifyScrollBar(int ScrollBar, int ScrollCode, int Pos) {
  if (Visible() && CanFocus() && TabStop()) SetFocus();
  // Without thumb tracking the view waits for the thumb to be let go.
  if (ScrollCode == win::SB_THUMBTRACK && !Options().Contains(goThumbTracking)) return;
  if (ScrollCode == win::SB_ENDSCROLL) return;
  TGridDrawInfo di;
  CalcDrawInfo(di);
  const bool vertical = ScrollBar == win::SB_VERT;
  const int target = layout_.ScrollTarget(di, vertical, ScrollCode, Pos);
  if (vertical)
    MoveTopLeft(LeftCol(), target);
  else
    MoveTopLeft(target, TopRow());
  // A thumb let go between two positions snaps to where the view is.
  if (ScrollCode == win::SB_THUMBPOSITION) UpdateScrollPos();
}

void TCustomGrid::HandleScroll(TMessage& Message, int Bar) {
  // A scroll-bar control of another window reports through its parent; only our own bars count.
  if (Message.LParam != 0) {
    TCustomControl::Dispatch(Message);
    return;
  }
  ModifyScrollBar(Bar, Message.WParamLo(), static_cast<std::int16_t>(Message.WParamHi()));
  Message.Result = 0;
}

}  // namespace lab
