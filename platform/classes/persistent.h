#pragma once
// TPersistent: an object that can copy another of a compatible class and take part in form streaming.

#include <string>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/object.h"

namespace lab {

class TPersistent : public TObject {
  LAB_CLASS(TPersistent, TObject)
 public:
  // Copies Source into this object; when this class cannot, Source's AssignTo is asked; when neither
  // can, EConvertError "Cannot assign a <source class> to a <this class>".
  virtual void Assign(TPersistent* Source);
  // The object that owns this one in the streaming tree (a component's sub-object's component).
  virtual TPersistent* GetOwner() { return nullptr; }
  // The dotted path by which the property editor and the streaming system name this object.
  virtual std::string GetNamePath();

 protected:
  virtual void AssignTo(TPersistent* Dest);
  [[noreturn]] void AssignError(TPersistent* Source);
};

}  // namespace lab
