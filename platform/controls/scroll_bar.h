#pragma once
// TScrollBar: a scroll-bar control. It keeps Position between Min and Max, moves it by SmallChange
// and LargeChange for arrow and page presses, and reports through OnScroll (which may change the
// position) and OnChange.

#include "platform/controls/win_control.h"

namespace lab {

class TScrollBar : public TWinControl {
  LAB_CLASS(TScrollBar, TWinControl)
  LAB_PROPERTIES(TScrollBar, TWinControl)
 public:
  explicit TScrollBar(TComponent* AOwner);

  TScrollBarKind Kind() const noexcept { return kind_; }
  void SetKind(TScrollBarKind v);
  int Min() const noexcept { return min_; }
  int Max() const noexcept { return max_; }
  int Position() const noexcept { return position_; }
  int PageSize() const noexcept { return page_size_; }
  void SetMin(int v) { SetParams(position_, v, max_); }
  void SetMax(int v) { SetParams(position_, min_, v); }
  void SetPosition(int v) { SetParams(v, min_, max_); }
  void SetPageSize(int v);
  int SmallChange() const noexcept { return small_change_; }
  void SetSmallChange(int v) { small_change_ = v; }
  int LargeChange() const noexcept { return large_change_; }
  void SetLargeChange(int v) { large_change_ = v; }
  // EInvalidOperation "Scrollbar property out of range" when AMax < AMin; the position is kept
  // inside the range.
  void SetParams(int APosition, int AMin, int AMax);

  TNotifyEvent OnChange;
  TScrollEvent OnScroll;

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  virtual void Change();
  virtual void Scroll(TScrollCode ScrollCode, int& ScrollPos);

 private:
  void DoScroll(TMessage& Message);
  int MaxPosition() const { return max_ - (page_size_ > 0 ? page_size_ - 1 : 0); }
  void UpdateInfo(bool redraw);

  TScrollBarKind kind_ = sbHorizontal;
  int min_ = 0, max_ = 100, position_ = 0, page_size_ = 0;
  int small_change_ = 1, large_change_ = 1;
};

}  // namespace lab
