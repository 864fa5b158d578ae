#pragma once
// Property interceptors of the property storage: a class registered for a target class publishes
// properties that the storage reads and writes in place of the target's own when it stores or
// restores a property path through such a target (a column width that goes into the width before
// auto-fitting, the column order as one text). One interceptor class per target class; a later
// registration replaces an earlier one, and descendants of the target class are served by the
// registration of their nearest registered ancestor.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/rtl/persistent.h"
#include "platform/classes/properties.h"

namespace lab {

class TStoragePropertyInterceptor : public TPersistent {
  LAB_CLASS(TStoragePropertyInterceptor, TPersistent)
  LAB_PROPERTIES(TStoragePropertyInterceptor, TPersistent)
 public:
  explicit TStoragePropertyInterceptor(TObject* ATarget) : target_(ATarget) {}
  TObject* Target() const noexcept { return target_; }

 private:
  TObject* target_;
};

using TPropertyInterceptorFactory = std::function<std::unique_ptr<TStoragePropertyInterceptor>(TObject* Target)>;

void RegisterPropertyInterceptor(TClass TargetClass, TPropertyInterceptorFactory Factory);
template <class TTarget, class TInterceptor>
void RegisterPropertyInterceptor() {
  RegisterPropertyInterceptor(TTarget::StaticClass(), [](TObject* Target) -> std::unique_ptr<TStoragePropertyInterceptor> {
    return std::make_unique<TInterceptor>(Target);
  });
}
void UnRegisterPropertyInterceptor(TClass TargetClass);

// An interceptor for Target from the registration of its class or nearest ancestor; nullptr when
// none is registered.
std::unique_ptr<TStoragePropertyInterceptor> CreatePropertyInterceptor(TObject* Target);

// The property storage's access to a property path below Root ("Grid1.Columns[2].Width"): the
// last property is read or written on the target's interceptor when that publishes it (and can
// read, or write, it), else on the target. EPropertyError when neither has the property.
std::string ReadStoredProperty(TPersistent* Root, std::string_view Path);
void WriteStoredProperty(TPersistent* Root, std::string_view Path, std::string_view Text);

}  // namespace lab
