#pragma once
// TPersistent: an object that can copy another of a compatible class, publishes a property table and
// takes part in form streaming.

#include <string>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/object.h"

namespace lab {

class TFiler;
class TPropertyTable;

class TPersistent : public TObject {
  LAB_CLASS(TPersistent, TObject)
 public:
  // Copies Source into this object; when this class cannot, Source's AssignTo is asked; when neither
  // can, EConvertError "Cannot assign a <source class> to a <this class>".
  virtual void Assign(TPersistent* Source);
  // The object that owns this one in the streaming tree (a component's sub-object's component).
  virtual TPersistent* GetOwner() { return nullptr; }
  // The dotted path by which the property editor and the streaming system name this object: here
  // the owner's path and the class name.
  virtual std::string GetNamePath();

  // The published properties of this object's class (with those it inherits); none here.
  // LAB_PROPERTIES (properties.h) overrides both for a class that declares a table.
  static const TPropertyTable* StaticProperties() { return nullptr; }
  virtual const TPropertyTable* Properties() const { return nullptr; }

  // Declares values that are streamed but are not published properties, through
  // Filer.DefineProperty / DefineBinaryProperty. Overrides call the inherited one first.
  virtual void DefineProperties(TFiler& Filer);

 protected:
  virtual void AssignTo(TPersistent* Dest);
  [[noreturn]] void AssignError(TPersistent* Source);
};

}  // namespace lab
