#include "grid/grid_scroll_bars.h"

#include <utility>

#include "grid/dbgrid.h"
#include "platform/controls/scroll_bar.h"
#include "platform/win/window_functions.h"

namespace lab {

// Stands in an attached bar's WindowProc: scroll notifications go to the grid first.
class TDBGridXScrollBar::THook {
 public:
  TDBGridXScrollBar* Owner;
  TWndMethod Previous;

  void operator()(TMessage& Message) const {
    if (Message.Msg != CN_HSCROLL && Message.Msg != CN_VSCROLL) {
      Previous(Message);
      return;
    }
    // The grid may detach the bar while it scrolls, and this hook goes with it.
    const TWndMethod previous = Previous;
    const win::UINT msg = Owner->ext_scroll_bar_->Kind() == sbHorizontal ? win::WM_HSCROLL : win::WM_VSCROLL;
    Owner->grid_->Perform(msg, Message.WParam, Message.LParam);
    previous(Message);
  }
};

void TDBGridXScrollBar::DeclareProperties(TPropertyDeclarer<TDBGridXScrollBar>& P) {
  using S = TDBGridXScrollBar;
  P.Property("ExtScrollBar", &S::ExtScrollBar, &S::SetExtScrollBar);
  P.Property("Tracking", &S::Tracking, &S::SetTracking).Default(false);
  P.Property("Visible", &S::Visible, &S::SetVisible).Default(true);
}

void TVertDBGridXScrollBar::DeclareProperties(TPropertyDeclarer<TVertDBGridXScrollBar>& P) {
  using S = TVertDBGridXScrollBar;
  // VisibleMode says all that Visible does.
  P.Property("Visible", &S::Visible, &S::SetVisible).Stored(false);
  P.Property("VisibleMode", &S::VisibleMode, &S::SetVisibleMode).Default(sbAutoShowX);
}

TDBGridXScrollBar::TDBGridXScrollBar(TCustomDBGridX* AGrid, TScrollBarKind AKind) : grid_(AGrid), kind_(AKind) {}

TDBGridXScrollBar::~TDBGridXScrollBar() { Unhook(); }

TPersistent* TDBGridXScrollBar::GetOwner() { return grid_; }

bool TDBGridXScrollBar::Designing() const { return grid_->ComponentState().Contains(csDesigning); }

void TDBGridXScrollBar::SetExtScrollBar(TScrollBar* Value) {
  if (Value == ext_scroll_bar_) return;
  // Whoever holds the bar's messages (another grid, this grid's other direction, any control)
  // would lose them to the hook.
  if (Value && !Designing() && !Value->OwnsWindowProc())
    throw Exception("Possible %s already attached to the other control.", Value->Name());
  Unhook();
  ext_scroll_bar_ = Value;
  if (Value) {
    Value->FreeNotification(grid_);
    if (!Designing()) {
      saved_proc_ = Value->WindowProc;
      Value->WindowProc = THook{this, saved_proc_};
      hooked_ = true;
    }
    Value->SetVisible(Visible());
  }
  if (grid_->ComponentState().Contains(csLoading) || !grid_->HandleAllocated()) return;
  if (kind_ == sbVertical) grid_->UpdateScrollBar();
  grid_->LayoutChanged();
}

// The bar gets back the procedure it had when it was attached (a hook set over ours since goes
// too: it would call into these settings after they are gone).
void TDBGridXScrollBar::Unhook() noexcept {
  TScrollBar* bar = std::exchange(ext_scroll_bar_, nullptr);
  if (!bar) return;
  if (std::exchange(hooked_, false)) bar->WindowProc = std::move(saved_proc_);
  saved_proc_ = nullptr;
  bar->RemoveFreeNotification(grid_);
}

void TDBGridXScrollBar::ForgetComponent(TComponent* AComponent) noexcept {
  if (!AComponent || AComponent != ext_scroll_bar_) return;
  ext_scroll_bar_ = nullptr;
  hooked_ = false;
  saved_proc_ = nullptr;
}

void TDBGridXScrollBar::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TDBGridXScrollBar*>(Source)) {
    SetTracking(src->Tracking());
    SetVisibleMode(src->VisibleMode());
    if (ext_scroll_bar_) ext_scroll_bar_->SetVisible(Visible());
    return;
  }
  TPersistent::Assign(Source);
}

void TDBGridXScrollBar::SetVisible(bool Value) {
  SetVisibleMode(Value ? sbAutoShowX : sbNeverShowX);
  if (ext_scroll_bar_) ext_scroll_bar_->SetVisible(Visible());
}

void TDBGridXScrollBar::SetVisibleMode(TScrollBarVisibleModeX Value) {
  if (Value == visible_mode_) return;
  visible_mode_ = Value;
  if (kind_ == sbVertical) grid_->UpdateScrollBar();
  grid_->LayoutChanged();
}

bool TDBGridXScrollBar::IsScrollBarShowing() {
  if (ext_scroll_bar_) return ext_scroll_bar_->Visible();
  if (!Visible() || !grid_->HandleAllocated()) return false;
  const auto style = win::GetWindowLongPtr(grid_->Handle(), win::GWL_STYLE);
  return (style & (kind_ == sbHorizontal ? win::WS_HSCROLL : win::WS_VSCROLL)) != 0;
}

bool TDBGridXScrollBar::GetScrollInfo(win::SCROLLINFO& Info) {
  if (ext_scroll_bar_)
    return ext_scroll_bar_->HandleAllocated() && win::GetScrollInfo(ext_scroll_bar_->Handle(), win::SB_CTL, Info);
  return grid_->HandleAllocated() &&
         win::GetScrollInfo(grid_->Handle(), kind_ == sbHorizontal ? win::SB_HORZ : win::SB_VERT, Info);
}

}  // namespace lab
