#pragma once
// Menus: TMenuItem (caption, shortcut, enabled, checked, sub-items, OnClick), TMenu and
// TPopupMenu, which shows its items in a pop-up window at a screen point and runs the chosen item.

#include <string>
#include <vector>

#include "platform/classes/component.h"
#include "platform/controls/control_types.h"

namespace lab {

class TMenuItem : public TComponent {
  LAB_CLASS(TMenuItem, TComponent)
  LAB_PROPERTIES(TMenuItem, TComponent)
 public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  const std::string& Caption() const noexcept { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  bool Enabled() const noexcept { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool v) { visible_ = v; }
  bool Checked() const noexcept { return checked_; }
  void SetChecked(bool v) { checked_ = v; }
  TShortCut ShortCut() const noexcept { return short_cut_; }
  void SetShortCut(TShortCut v) { short_cut_ = v; }
  // A caption of "-" makes a separator line.
  bool IsLine() const { return caption_ == "-"; }

  int Count() const noexcept { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int Index) const { return items_.at(static_cast<std::size_t>(Index)); }
  TMenuItem* Parent() const noexcept { return parent_; }
  // Sub-items belong to the item: it frees them.
  void Add(TMenuItem* Item);
  void Insert(int Index, TMenuItem* Item);
  void Delete(int Index);
  void Remove(TMenuItem* Item);
  void Clear();
  int IndexOf(TMenuItem* Item) const;
  // The sub-item with this caption ("&" marks and case ignored), or nullptr.
  TMenuItem* Find(const std::string& ACaption) const;

  virtual void Click();
  TNotifyEvent OnClick;

 private:
  std::string caption_;
  bool enabled_ = true, visible_ = true, checked_ = false;
  TShortCut short_cut_ = 0;
  std::vector<TMenuItem*> items_;
  TMenuItem* parent_ = nullptr;
};

class TMenu : public TComponent {
  LAB_CLASS(TMenu, TComponent)
 public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;
  TMenuItem* Items() noexcept { return items_; }
  // A key message (WM_KEYDOWN / CN_KEYDOWN) that is the shortcut of an enabled item: the item runs.
  bool IsShortCut(const TMessage& Message);
  // The item with this shortcut, or nullptr.
  TMenuItem* FindItem(TShortCut ShortCut);

 private:
  TMenuItem* items_;
};

class TPopupMenu : public TMenu {
  LAB_CLASS(TPopupMenu, TMenu)
 public:
  explicit TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}
  // Shows the menu with its top left at a screen point and waits until an item is chosen (its Click
  // runs then) or the menu is dismissed (a press outside it, or Escape).
  virtual void Popup(int X, int Y);
  bool AutoPopup() const noexcept { return auto_popup_; }
  void SetAutoPopup(bool v) { auto_popup_ = v; }
  TComponent* PopupComponent() const noexcept { return popup_component_; }
  void SetPopupComponent(TComponent* v) { popup_component_ = v; }
  TNotifyEvent OnPopup;

 private:
  bool auto_popup_ = true;
  TComponent* popup_component_ = nullptr;
};

}  // namespace lab
