#pragma once
// The grid's scroll-bar settings, one object per direction: whether the bar shows (VisibleMode),
// whether the grid scrolls while the thumb is dragged (Tracking), and an external TScrollBar that
// may scroll the grid in place of its own bar. An attached bar's scroll notifications reach the
// grid as its own WM_HSCROLL / WM_VSCROLL, then the bar; the bar gets its window procedure back
// when it is detached or the grid goes, and a freed bar is forgotten.
//
// The horizontal settings publish ExtScrollBar, Tracking and Visible; the vertical ones also
// VisibleMode, which then carries Visible (Visible is never written for them).

#include "grid/dbgrid_types.h"
#include "platform/controls/messages.h"
#include "platform/controls/scroll_info.h"
#include "platform/rtl/persistent.h"
#include "platform/classes/properties.h"

namespace lab {

class TComponent;
class TCustomDBGridX;
class TScrollBar;

class TDBGridXScrollBar : public TPersistent {
  LAB_CLASS(TDBGridXScrollBar, TPersistent)
  LAB_PROPERTIES(TDBGridXScrollBar, TPersistent)
 public:
  TDBGridXScrollBar(TCustomDBGridX* AGrid, TScrollBarKind AKind);
  ~TDBGridXScrollBar() override;
  TDBGridXScrollBar(const TDBGridXScrollBar&) = delete;
  TDBGridXScrollBar& operator=(const TDBGridXScrollBar&) = delete;

  TCustomDBGridX* Grid() const noexcept { return grid_; }
  TScrollBarKind Kind() const noexcept { return kind_; }

  TScrollBar* ExtScrollBar() const noexcept { return ext_scroll_bar_; }
  // Outside design time a bar another grid's settings already hook raises "Possible <name> already
  // attached to the other control." and the old attachment stays.
  void SetExtScrollBar(TScrollBar* Value);
  bool Tracking() const noexcept { return tracking_; }
  void SetTracking(bool Value) noexcept { tracking_ = Value; }
  // Not sbNeverShowX. Setting it chooses sbAutoShowX or sbNeverShowX; an attached bar shows or hides
  // with it.
  bool Visible() const noexcept { return visible_mode_ != sbNeverShowX; }
  void SetVisible(bool Value);
  TScrollBarVisibleModeX VisibleMode() const noexcept { return visible_mode_; }
  void SetVisibleMode(TScrollBarVisibleModeX Value);

  // Whether the bar is on screen: the attached bar's visibility, else the grid window's own bar.
  bool IsScrollBarShowing();
  // The range and position of the attached bar, else of the grid window's bar of this direction.
  bool GetScrollInfo(win::SCROLLINFO& Info);

  // The grid was told that AComponent goes away: forgets it when it is the attached bar.
  void ForgetComponent(TComponent* AComponent) noexcept;

  // Tracking and VisibleMode. An attached bar stays where it is: one bar scrolls one control.
  void Assign(TPersistent* Source) override;

  TPersistent* GetOwner() override;

 private:
  class THook;
  void Unhook() noexcept;
  bool Designing() const;

  TCustomDBGridX* grid_;
  TScrollBarKind kind_;
  TScrollBar* ext_scroll_bar_ = nullptr;
  TWndMethod saved_proc_;  // the attached bar's own WindowProc
  bool hooked_ = false;
  bool tracking_ = false;
  TScrollBarVisibleModeX visible_mode_ = sbAutoShowX;
};

class TVertDBGridXScrollBar : public TDBGridXScrollBar {
  LAB_CLASS(TVertDBGridXScrollBar, TDBGridXScrollBar)
  LAB_PROPERTIES(TVertDBGridXScrollBar, TDBGridXScrollBar)
 public:
  explicit TVertDBGridXScrollBar(TCustomDBGridX* AGrid) : TDBGridXScrollBar(AGrid, sbVertical) {}
};

}  // namespace lab
