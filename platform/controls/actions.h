#pragma once
// TBasicAction: a command a program offers (a menu item, a tool button, a key) that the control
// holding the focus carries out. A standard action says what it does by its kind, so a control
// that knows the kind runs it on itself (ExecuteAction) and says whether it may now
// (UpdateAction); a program's own action (sakCustom) runs its OnExecute.

#include "platform/classes/component.h"

namespace lab {

enum TStdActionKind { sakCustom, sakEditCut, sakEditCopy, sakEditPaste, sakEditDelete, sakEditSelectAll };

class TBasicAction : public TComponent {
  LAB_CLASS(TBasicAction, TComponent)
 public:
  explicit TBasicAction(TComponent* AOwner, TStdActionKind Kind = sakCustom) : TComponent(AOwner), kind_(Kind) {}

  TStdActionKind Kind() const noexcept { return kind_; }
  bool Enabled() const noexcept { return enabled_; }
  void SetEnabled(bool Value) noexcept { enabled_ = Value; }
  // The component that last ran the action or brought it up to date (nullptr: none did).
  TComponent* Target() const noexcept { return target_; }

  // OnExecute when assigned; else the focused control, then each of its parents, is offered the
  // action until one runs it. A disabled action runs nowhere. Answers whether it ran.
  bool Execute();
  // OnUpdate when assigned; else the focused control and its parents, as Execute. An action no
  // control knows keeps its enabled state.
  bool Update();

  TNotifyEvent OnExecute;
  TNotifyEvent OnUpdate;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  // Offers the action along the focused control's parent chain; Offer answers whether one took it.
  template <class F>
  bool OfferToFocus(F Offer);

  TStdActionKind kind_;
  bool enabled_ = true;
  TComponent* target_ = nullptr;
};

}  // namespace lab
