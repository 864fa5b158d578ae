#include "platform/controls/scrolled_view.h"

#include <algorithm>
#include <cstdint>

#include "platform/controls/scroll_bars.h"

namespace lab {

bool MoveScrollPosition(int& Pos, int Value, int Max) noexcept {
  Value = std::clamp(Value, 0, std::max(Max, 0));
  if (Value == Pos) return false;
  Pos = Value;
  return true;
}

void ShowViewScrollBar(win::HWND Handle, int Bar, int Last, int Page, int Pos) {
  win::SCROLLINFO si;
  si.fMask = win::SIF_RANGE | win::SIF_PAGE | win::SIF_POS;
  si.nMin = 0;
  si.nMax = std::max(Last, 0);
  si.nPage = static_cast<win::UINT>(std::max(Page, 0));
  si.nPos = Pos;
  wm::SetScrollInfo(Handle, Bar, si, true);
}

bool IsViewScroll(const TMessage& Message) noexcept {
  return (Message.Msg == win::WM_VSCROLL || Message.Msg == win::WM_HSCROLL) && Message.LParam == 0;
}

int ScrolledTo(const TMessage& Message, const TScrollAxis& Axis) {
  return wm::ScrolledPosition(Message.WParamLo(), static_cast<std::int16_t>(Message.WParamHi()), Axis.Pos, Axis.Line,
                              Axis.Page, Axis.End);
}

}  // namespace lab
