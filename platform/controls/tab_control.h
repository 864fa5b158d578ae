#pragma once
// TTabControl: a row of tabs over a page area that the control leaves to its parent (a dialog puts
// its pages there; DisplayRect and TCM_ADJUSTRECT tell where). The user changes the tab with the
// mouse or, while the control has the focus, with Left, Right, Home and End: OnChanging (and the
// parent's answer to TCN_SELCHANGING) may refuse, then OnChange and TCN_SELCHANGE follow. A program
// that sets TabIndex (or sends TCM_SETCURSEL) changes it without either.

#include <functional>
#include <string>
#include <vector>

#include "platform/controls/custom_control.h"
#include "platform/controls/standard_controls.h"

namespace lab {

using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

class TTabControl : public TCustomControl {
  LAB_CLASS(TTabControl, TCustomControl)
 public:
  explicit TTabControl(TComponent* AOwner);

  // Tabs. An index outside them raises EListError.
  int TabCount() const noexcept { return static_cast<int>(tabs_.size()); }
  const std::string& Tab(int Index) const;
  win::LPARAM TabData(int Index) const;
  int AddTab(const std::string& Caption, win::LPARAM Data = 0) { return InsertTab(TabCount(), Caption, Data); }
  // At Index (clamped to 0 ... TabCount); answers where it went. The selected tab stays selected.
  int InsertTab(int Index, const std::string& Caption, win::LPARAM Data = 0);
  void DeleteTab(int Index);
  void ClearTabs();

  // The selected tab (-1: none). Other values outside the tabs raise EListError.
  int TabIndex() const noexcept { return tab_index_; }
  void SetTabIndex(int Value);

  // Geometry, in client coordinates: a tab's rectangle, the tab at a point (-1: none), the height of
  // the row of tabs and the page area below it.
  TRect TabRect(int Index);
  int IndexOfTabAt(int X, int Y);
  int TabHeight();
  TRect DisplayRect();

  TTabChangingEvent OnChanging;
  TNotifyEvent OnChange;

  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  void KeyDown(win::WORD& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

 private:
  struct TTab {
    std::string Caption;
    win::LPARAM Data = 0;
  };
  void CheckTab(int Index) const;
  // The user's choice: asked first, then told. Answers whether the tab changed.
  bool SelectByUser(int Index);
  // WM_NOTIFY to the parent window; its answer.
  win::LRESULT Notify(win::UINT Code);
  bool HandleTabMessage(TMessage& Message);

  std::vector<TTab> tabs_;
  int tab_index_ = -1;
};

}  // namespace lab
