#include "grid/property_interceptors.h"

#include <map>
#include <mutex>

#include "platform/classes/class_registry.h"
#include "platform/classes/property_access.h"

namespace lab {
namespace {

struct TRegistry {
  std::mutex lock;
  std::map<TClass, TPropertyInterceptorFactory> factories;
};

TRegistry& Registry() {
  static TRegistry* registry = new TRegistry;  // kept to the end: units may still look up at exit
  return *registry;
}

// The property to use for Path and the object that holds it; Interceptor keeps an interceptor alive.
const TPropInfo* PropFor(TPersistent* Root, std::string_view Path, bool Writing, TPersistent*& Holder,
                         std::unique_ptr<TStoragePropertyInterceptor>& Interceptor) {
  TPropertyTarget target = ResolvePropertyPath(Root, Path);
  Interceptor = CreatePropertyInterceptor(target.Instance);
  if (Interceptor) {
    const TPropInfo* info = GetPropInfo(Interceptor.get(), target.PropName);
    if (info && (Writing ? info->CanWrite() : info->CanRead())) {
      Holder = Interceptor.get();
      return info;
    }
  }
  if (!target.Info) throw EPropertyError("Property %s does not exist", target.PropName);
  Holder = target.Instance;
  return target.Info;
}

}  // namespace

void TStoragePropertyInterceptor::DeclareProperties(TPropertyDeclarer<TStoragePropertyInterceptor>&) {}

void RegisterPropertyInterceptor(TClass TargetClass, TPropertyInterceptorFactory Factory) {
  TRegistry& r = Registry();
  std::lock_guard guard(r.lock);
  r.factories[TargetClass] = std::move(Factory);
}

void UnRegisterPropertyInterceptor(TClass TargetClass) {
  TRegistry& r = Registry();
  std::lock_guard guard(r.lock);
  r.factories.erase(TargetClass);
}

std::unique_ptr<TStoragePropertyInterceptor> CreatePropertyInterceptor(TObject* Target) {
  if (!Target) return nullptr;
  TPropertyInterceptorFactory factory;
  {
    TRegistry& r = Registry();
    std::lock_guard guard(r.lock);
    auto it = FindNearestClass(r.factories, Target->ClassType());
    if (it == r.factories.end()) return nullptr;
    factory = it->second;
  }
  return factory(Target);
}

std::string ReadStoredProperty(TPersistent* Root, std::string_view Path) {
  TPersistent* holder = nullptr;
  std::unique_ptr<TStoragePropertyInterceptor> keep;
  const TPropInfo* info = PropFor(Root, Path, false, holder, keep);
  return GetPropText(holder, info);
}

void WriteStoredProperty(TPersistent* Root, std::string_view Path, std::string_view Text) {
  TPersistent* holder = nullptr;
  std::unique_ptr<TStoragePropertyInterceptor> keep;
  const TPropInfo* info = PropFor(Root, Path, true, holder, keep);
  SetPropText(holder, info, Text, LookupRootOf(Root));
}

}  // namespace lab
