#include "platform/controls/actions.h"

#include "platform/controls/win_control.h"
#include "platform/controls/window_manager.h"

namespace lab {

template <class F>
bool TBasicAction::OfferToFocus(F Offer) {
  for (TWinControl* c = TWinControl::FindControl(wm::GetFocus()); c; c = c->Parent()) {
    if (!Offer(c)) continue;
    if (target_) target_->RemoveFreeNotification(this);
    target_ = c;
    c->FreeNotification(this);
    return true;
  }
  return false;
}

bool TBasicAction::Execute() {
  if (!enabled_) return false;
  if (OnExecute) {
    OnExecute(this);
    return true;
  }
  return OfferToFocus([this](TWinControl* C) { return C->ExecuteAction(this); });
}

bool TBasicAction::Update() {
  if (OnUpdate) {
    OnUpdate(this);
    return true;
  }
  return OfferToFocus([this](TWinControl* C) { return C->UpdateAction(this); });
}

void TBasicAction::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == target_) target_ = nullptr;
}

}  // namespace lab
