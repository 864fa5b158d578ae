#include "platform/controls/progress_bar.h"

#include <algorithm>

#include "platform/graphics/edges.h"

namespace lab {

using namespace win;

namespace {

constexpr int kInset = 2;    // the bar inside the sunken frame
constexpr int kBlockGap = 2;

}  // namespace

TProgressBar::TProgressBar(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle({csOpaque});
  SetBounds(0, 0, 150, 16);
  SetColor(clBtnFace);
  SetParentColor(false);
}

void TProgressBar::SetRange(int Min, int Max) {
  Max = std::max(Min, Max);
  if (Min == min_ && Max == max_) return;
  min_ = Min;
  max_ = Max;
  position_ = std::clamp(position_, min_, max_);
  Invalidate();
}

void TProgressBar::SetPosition(int Value) {
  Value = std::clamp(Value, min_, max_);
  if (Value == position_) return;
  position_ = Value;
  Invalidate();
}

void TProgressBar::StepBy(int Delta) {
  // In 64 bits: a step near the ends of the int range must not wrap.
  const long long next = static_cast<long long>(position_) + Delta;
  SetPosition(static_cast<int>(std::clamp<long long>(next, min_, max_)));
}

void TProgressBar::StepIt() {
  long long next = static_cast<long long>(position_) + step_;
  if (next > max_) next = min_ + (next - max_);
  if (next > max_ || next < min_) next = min_;
  SetPosition(static_cast<int>(next));
}

void TProgressBar::SetSmooth(bool Value) {
  if (Value == smooth_) return;
  smooth_ = Value;
  Invalidate();
}

int TProgressBar::FilledWidth() {
  const int width = std::max(0, ClientRect().Width() - 2 * kInset);
  if (max_ == min_) return 0;
  return static_cast<int>(static_cast<long long>(position_ - min_) * width / (static_cast<long long>(max_) - min_));
}

void TProgressBar::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  DrawEdge(c->Handle(), &r, BDR_SUNKENOUTER, BF_RECT);
  const TRect bar = lab::InflateRect(ClientRect(), -kInset, -kInset);
  const int filled = FilledWidth();
  if (filled <= 0 || bar.IsEmpty()) return;
  c->Brush()->SetColor(clHighlight);
  if (smooth_) {
    c->FillRect(TRect{bar.Left, bar.Top, bar.Left + filled, bar.Bottom});
    return;
  }
  // Blocks two thirds as wide as the bar is high, the last one cut where the filling ends.
  const int block = std::max(2, bar.Height() * 2 / 3);
  for (int x = bar.Left; x < bar.Left + filled; x += block + kBlockGap)
    c->FillRect(TRect{x, bar.Top, std::min(x + block, bar.Left + filled), bar.Bottom});
}

void TProgressBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case PBM_SETRANGE: {
      const int old = static_cast<int>(MAKELONG(static_cast<WORD>(min_), static_cast<WORD>(max_)));
      SetRange(LOWORD(static_cast<std::uintptr_t>(Message.LParam)), HIWORD(static_cast<std::uintptr_t>(Message.LParam)));
      Message.Result = old;
      return;
    }
    case PBM_SETRANGE32: {
      const int old = static_cast<int>(MAKELONG(static_cast<WORD>(min_), static_cast<WORD>(max_)));
      SetRange(static_cast<int>(Message.WParam), static_cast<int>(Message.LParam));
      Message.Result = old;
      return;
    }
    case PBM_SETPOS:
      Message.Result = position_;
      SetPosition(static_cast<int>(Message.WParam));
      return;
    case PBM_DELTAPOS:
      Message.Result = position_;
      StepBy(static_cast<int>(Message.WParam));
      return;
    case PBM_SETSTEP:
      Message.Result = step_;
      step_ = static_cast<int>(Message.WParam);
      return;
    case PBM_STEPIT:
      Message.Result = position_;
      StepIt();
      return;
    case PBM_GETPOS:
      Message.Result = position_;
      return;
    case PBM_GETRANGE:
      Message.Result = Message.WParam ? min_ : max_;
      return;
    default:
      break;
  }
  TCustomControl::Dispatch(Message);
}

}  // namespace lab
