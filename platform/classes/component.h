#pragma once
// TComponent: an object with an owner, a name unique among its owner's components, a state, and
// the notifications by which components clear the raw pointers they hold to each other.
//
// Ownership: an owner frees what it owns. Deleting an owner deletes its components (each torn down
// while still whole: free notifications and opRemove go out before its destructor runs); deleting
// an owned component removes it from its owner. A component that refers to another it does not
// own calls FreeNotification on it and clears the pointer in Notification(..., opRemove).
// A component deleted directly is notified about from ~TComponent, after its derived parts are
// gone: receivers should only compare the pointer.

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes/event_handlers.h"
#include "platform/rtl/persistent.h"
#include "platform/classes/properties.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/set.h"

namespace lab {

LAB_EXCEPTION(EComponentError, Exception);

enum TComponentStateItem {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline
};
using TComponentState = TSet<TComponentStateItem>;

enum TOperation { opInsert, opRemove };

class TComponent;
class TBasicAction;
using TGetChildProc = std::function<void(TComponent* Child)>;

class TComponent : public TPersistent {
  LAB_CLASS(TComponent, TPersistent)
  LAB_PROPERTIES(TComponent, TPersistent)
 public:
  // Inserts the new component into AOwner's components when AOwner is given.
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const noexcept { return owner_; }
  int ComponentCount() const noexcept { return static_cast<int>(components_.size()); }
  // EListError "List index out of bounds (%d)" outside 0 .. ComponentCount-1.
  TComponent* Components(int Index) const;
  // The position in the owner's list; -1 without an owner. Setting moves it (clamped to the list).
  int ComponentIndex() const;
  void SetComponentIndex(int Value);
  // Takes AComponent from its current owner into this one's list (names must stay unique), then
  // sends opInsert. RemoveComponent sends opRemove, then takes it out; it is not freed.
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  // An owned component by name (compared without case); nullptr when none or Name is empty.
  TComponent* FindComponent(std::string_view AName) const;
  // Frees every owned component, last first.
  void DestroyComponents();
  // Marks this component and its owned components as being destroyed.
  void Destroying();

  const std::string& Name() const noexcept { return name_; }
  // A valid identifier (or empty), unique among the owner's components: EComponentError
  // "Component name \"%s\" is not a valid identifier" / "A component named %s already exists".
  virtual void SetName(const std::string& NewName);
  std::intptr_t Tag() const noexcept { return tag_; }
  void SetTag(std::intptr_t Value) noexcept { tag_ = Value; }
  TComponentState ComponentState() const noexcept { return state_; }

  // AComponent will get Notification(this, opRemove) when this component is destroyed (and this
  // one when AComponent is destroyed).
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  void SetDesigning(bool Value, bool SetChildren = true);
  // A component that is part of its owner (such as a grid's sum list): a property that publishes it
  // is streamed as nested properties ("SumList.Active = True"), not as a reference, and it is not
  // written as a component of its own.
  void SetSubComponent(bool Value) noexcept { sub_component_ = Value; }
  bool IsSubComponent() const noexcept { return sub_component_; }
  virtual void Updating() { state_.Include(csUpdating); }
  virtual void Updated() { state_.Exclude(csUpdating); }

  // An action (controls/actions.h) offered to the component: runs it, or brings its enabled state
  // up to date, when the component knows its kind; answers whether it did.
  virtual bool ExecuteAction(TBasicAction* /*Action*/) { return false; }
  virtual bool UpdateAction(TBasicAction* /*Action*/) { return false; }

  // Form streaming: the components written inside this one's block (by default the owned
  // components that have no parent component and are not sub-components), the owner of components read inside it (nullptr:
  // the root) and the parent they get.
  virtual void GetChildren(const TGetChildProc& Proc, TComponent* Root);
  virtual TComponent* GetChildOwner() { return nullptr; }
  virtual TComponent* GetChildParent() { return this; }
  virtual bool HasParent() const { return false; }
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent* /*Value*/) {}

  TPersistent* GetOwner() override { return owner_; }
  std::string GetNamePath() override { return name_; }

  // Handlers a form offers to its form text by name; Event is the std::function type of the
  // events it may be bound to: RegisterHandler<TNotifyEvent>("Button1Click", [this](TObject*) {...}).
  template <class Event>
  void RegisterHandler(std::string HandlerName, Event Handler) {
    if (!handlers_) handlers_ = std::make_unique<THandlerTable>();
    handlers_->Add(std::move(HandlerName), std::any(std::move(Handler)));
  }
  const std::any* FindHandler(std::string_view HandlerName) const {
    return handlers_ ? handlers_->Find(HandlerName) : nullptr;
  }

 protected:
  // Called once the whole form this component was read with is loaded; clears csLoading.
  virtual void Loaded();
  // A component was inserted into or is being removed from this one's owner list, or (opRemove)
  // a component this one asked for free notification is being destroyed. Passed on to every
  // owned component. Overrides call the inherited one first.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  // Raises EComponentError when NewName is taken by another of this component's components.
  virtual void ValidateRename(TComponent* AComponent, const std::string& CurName, const std::string& NewName);
  void ChangeName(const std::string& NewName) { name_ = NewName; }

  void IncludeState(TComponentStateItem Item) noexcept { state_.Include(Item); }
  void ExcludeState(TComponentStateItem Item) noexcept { state_.Exclude(Item); }

 private:
  friend class TReader;
  friend class TWriter;

  void RemoveFreeNotifications();
  // Destroying, owned components, free notifications and the owner's opRemove, while whole.
  void TearDown();

  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> free_notifies_;
  std::string name_;
  std::intptr_t tag_ = 0;
  TComponentState state_;
  bool sub_component_ = false;
  std::unique_ptr<THandlerTable> handlers_;
};

}  // namespace lab
