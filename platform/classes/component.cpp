#include "platform/classes/component.h"

#include <algorithm>

#include "platform/classes/ident.h"
#include "platform/rtl/strutils.h"

namespace lab {

void TComponent::DeclareProperties(TPropertyDeclarer<TComponent>& P) {
  // The name is written in the object header, never as a property.
  P.Property("Name", &TComponent::Name, &TComponent::SetName).Stored(false);
  P.Property("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0);
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  RemoveFreeNotifications();
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount()) throw EListError("List index out of bounds (%d)", Index);
  return components_[static_cast<std::size_t>(Index)];
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  const auto& list = owner_->components_;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TComponent::SetComponentIndex(int Value) {
  if (!owner_) return;
  auto& list = owner_->components_;
  const int current = ComponentIndex();
  Value = std::clamp(Value, 0, static_cast<int>(list.size()) - 1);
  if (Value == current) return;
  list.erase(list.begin() + current);
  list.insert(list.begin() + Value, this);
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (AComponent->owner_ == this) return;
  // An ownership cycle would free components twice.
  for (const TComponent* c = this; c; c = c->owner_)
    if (c == AComponent) throw EComponentError("A component cannot own itself or its owners");
  ValidateRename(nullptr, std::string(), AComponent->name_);
  if (AComponent->owner_) AComponent->owner_->RemoveComponent(AComponent);
  components_.push_back(AComponent);
  AComponent->owner_ = this;
  if (state_.Contains(csDesigning)) AComponent->SetDesigning(true);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (AComponent->owner_ != this) return;
  Notification(AComponent, opRemove);
  std::erase(components_, AComponent);
  AComponent->owner_ = nullptr;
}

TComponent* TComponent::FindComponent(std::string_view AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameText(c->name_, AName)) return c;
  return nullptr;
}

void TComponent::TearDown() {
  Destroying();
  DestroyComponents();
  RemoveFreeNotifications();
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* c = components_.back();
    c->TearDown();
    delete c;
  }
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  state_.Include(csDestroying);
  for (TComponent* c : components_) c->Destroying();
}

void TComponent::SetName(const std::string& NewName) {
  if (NewName == name_) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError("Component name \"%s\" is not a valid identifier", NewName);
  if (owner_) owner_->ValidateRename(this, name_, NewName);
  ChangeName(NewName);
}

void TComponent::ValidateRename(TComponent* AComponent, const std::string& CurName, const std::string& NewName) {
  if (NewName.empty() || (AComponent && SameText(CurName, NewName))) return;
  TComponent* existing = FindComponent(NewName);
  if (existing && existing != AComponent) throw EComponentError("A component named %s already exists", NewName);
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (std::find(free_notifies_.begin(), free_notifies_.end(), AComponent) == free_notifies_.end()) {
    free_notifies_.push_back(AComponent);
    AComponent->free_notifies_.push_back(this);
  }
  state_.Include(csFreeNotification);
  AComponent->state_.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  std::erase(free_notifies_, AComponent);
  std::erase(AComponent->free_notifies_, this);
}

void TComponent::RemoveFreeNotifications() {
  while (!free_notifies_.empty()) {
    TComponent* c = free_notifies_.back();
    free_notifies_.pop_back();
    std::erase(c->free_notifies_, this);
    c->Notification(this, opRemove);
  }
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove) RemoveFreeNotification(AComponent);
  // Receivers may free or move components while being told: walk down and re-check the bound.
  for (std::size_t i = components_.size(); i-- > 0;) {
    if (i >= components_.size()) continue;
    components_[i]->Notification(AComponent, Operation);
  }
}

void TComponent::Loaded() { state_.Exclude(csLoading); }

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  if (Value) state_.Include(csDesigning);
  else state_.Exclude(csDesigning);
  if (SetChildren)
    for (TComponent* c : components_) c->SetDesigning(Value);
}

void TComponent::GetChildren(const TGetChildProc& Proc, TComponent* /*Root*/) {
  for (TComponent* c : components_)
    if (!c->HasParent() && !c->IsSubComponent()) Proc(c);
}

}  // namespace lab
