#include "platform/controls/scroll_bar.h"

#include <algorithm>

#include "platform/controls/nc_layout.h"
#include "platform/controls/scroll_bars.h"
#include "platform/controls/window_manager.h"

namespace lab {

using namespace lab::win;

void TScrollBar::DeclareProperties(TPropertyDeclarer<TScrollBar>& P) {
  P.Property("Kind", &TScrollBar::Kind, &TScrollBar::SetKind).Default(sbHorizontal);
  P.Property("LargeChange", &TScrollBar::LargeChange, &TScrollBar::SetLargeChange).Default(1);
  P.Property("Max", &TScrollBar::Max, &TScrollBar::SetMax).Default(100);
  P.Property("Min", &TScrollBar::Min, &TScrollBar::SetMin).Default(0);
  P.Property("PageSize", &TScrollBar::PageSize, &TScrollBar::SetPageSize).Default(0);
  P.Property("Position", &TScrollBar::Position, &TScrollBar::SetPosition).Default(0);
  P.Property("SmallChange", &TScrollBar::SmallChange, &TScrollBar::SetSmallChange).Default(1);
  P.Property("OnChange", &TScrollBar::OnChange);
  P.Property("OnScroll", &TScrollBar::OnScroll);
}

TScrollBar::TScrollBar(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 121, wm::HorizontalScrollBarHeight());
  SetTabStop(true);
  control_style_ = TControlStyle{csFramed, csDoubleClicks};
}

void TScrollBar::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, wm::kScrollBarClass);
  Params.Style |= kind_ == sbVertical ? SBS_VERT : SBS_HORZ;
}

void TScrollBar::CreateWnd() {
  TWinControl::CreateWnd();
  UpdateInfo(true);
}

void TScrollBar::UpdateInfo(bool redraw) {
  if (!HandleAllocated()) return;
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = min_;
  si.nMax = max_;
  si.nPage = static_cast<UINT>(page_size_);
  si.nPos = position_;
  wm::SetScrollInfo(Handle(), SB_CTL, si, redraw);
}

void TScrollBar::SetKind(TScrollBarKind v) {
  if (kind_ == v) return;
  kind_ = v;
  SetBounds(Left(), Top(), Height(), Width());
  RecreateWnd();
}

void TScrollBar::SetPageSize(int v) {
  if (page_size_ == v) return;
  if (v < 0 || v > max_ - min_ + 1) throw EInvalidOperation("Scrollbar property out of range");
  page_size_ = v;
  position_ = std::clamp(position_, min_, MaxPosition());
  UpdateInfo(true);
}

void TScrollBar::SetParams(int APosition, int AMin, int AMax) {
  if (AMax < AMin) throw EInvalidOperation("Scrollbar property out of range");
  min_ = AMin;
  max_ = AMax;
  if (page_size_ > max_ - min_ + 1) page_size_ = max_ - min_ + 1;
  APosition = std::clamp(APosition, min_, MaxPosition());
  const bool changed = APosition != position_;
  position_ = APosition;
  UpdateInfo(true);
  if (changed) Change();
}

void TScrollBar::Change() {
  if (OnChange) OnChange(this);
}

void TScrollBar::Scroll(TScrollCode ScrollCode, int& ScrollPos) {
  if (OnScroll) OnScroll(this, ScrollCode, ScrollPos);
}

void TScrollBar::DoScroll(TMessage& Message) {
  const auto code = static_cast<TScrollCode>(Message.WParamLo());
  int pos = position_;
  switch (code) {
    case scLineUp: pos -= small_change_; break;
    case scLineDown: pos += small_change_; break;
    case scPageUp: pos -= large_change_; break;
    case scPageDown: pos += large_change_; break;
    case scPosition:
    case scTrack: {
      SCROLLINFO si;
      si.fMask = SIF_TRACKPOS;
      wm::GetScrollInfo(Handle(), SB_CTL, si);
      pos = si.nTrackPos;
      break;
    }
    case scTop: pos = min_; break;
    case scBottom: pos = max_; break;
    default: break;
  }
  pos = std::clamp(pos, min_, MaxPosition());
  Scroll(code, pos);
  SetPosition(pos);
}

void TScrollBar::Dispatch(TMessage& Message) {
  if (Message.Msg == CN_HSCROLL || Message.Msg == CN_VSCROLL) {
    DoScroll(Message);
    return;
  }
  TWinControl::Dispatch(Message);
}

}  // namespace lab
