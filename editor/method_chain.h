#pragma once
// Multicast events: TCodeMethodChain keeps handlers in the order added and calls them all;
// TCodeNotifyEventChain calls each as a notify event with its sender. A handler that raises is
// passed to OnException, which may let the remaining handlers run; without it the exception
// passes on.

#include <functional>
#include <vector>

#include "editor/edit_exceptions.h"
#include "editor/event_method.h"
#include "platform/rtl/object.h"

namespace lab {

using TNotifyMethod = TEventMethod<TObject*>;

class TCodeMethodChain : public TObject {
  LAB_CLASS(TCodeMethodChain, TObject)
 public:
  // DoContinue starts True; set it False to skip the handlers after the one that raised.
  using TCodeExceptionEvent = std::function<void(TObject* Sender, Exception& E, bool& DoContinue)>;

  // Appends AEvent; an empty one raises ECodeMethodChain.
  void Add(const TNotifyMethod& AEvent);
  // Removes the last entry equal to AEvent; an empty one raises ECodeMethodChain.
  void Remove(const TNotifyMethod& AEvent);
  // Calls every entry in the order added.
  void Fire();
  int Count() const { return static_cast<int>(entries_.size()); }

  TCodeExceptionEvent OnException;

 protected:
  virtual void FireEvent(const TNotifyMethod& Event) = 0;
  // True to go on with the next handler; re-raises when nobody handles the exception.
  virtual bool DoHandleException(Exception& E);

 private:
  std::vector<TNotifyMethod> entries_;
};

class TCodeNotifyEventChain : public TCodeMethodChain {
  LAB_CLASS(TCodeNotifyEventChain, TCodeMethodChain)
 public:
  explicit TCodeNotifyEventChain(TObject* ASender = nullptr) : sender_(ASender) {}

  TObject* Sender() const { return sender_; }
  void SetSender(TObject* Value) { sender_ = Value; }

 protected:
  void FireEvent(const TNotifyMethod& Event) override { Event(sender_); }

 private:
  TObject* sender_;
};

}  // namespace lab
