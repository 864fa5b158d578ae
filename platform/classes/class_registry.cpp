#include "platform/classes/class_registry.h"

#include <mutex>
#include <string>
#include <vector>

#include "platform/classes/component.h"
#include "platform/classes/unit_init.h"
#include "platform/rtl/strutils.h"

namespace lab {

namespace {

struct TRegistry {
  std::mutex Lock;
  std::vector<const TMetaClass*> Classes;

  const TMetaClass* ByName(std::string_view name) const {
    for (const TMetaClass* c : Classes)
      if (SameText(c->Name(), name)) return c;
    return nullptr;
  }
};

// Never destroyed: finalizers at exit may still unregister classes.
TRegistry& Registry() {
  static TRegistry* registry = new TRegistry;
  return *registry;
}

}  // namespace

void RegisterClass(const TMetaClass* AClass) {
  TRegistry& r = Registry();
  std::lock_guard lock(r.Lock);
  if (const TMetaClass* known = r.ByName(AClass->Name())) {
    if (known->Class == AClass->Class) return;
    throw EFilerError("A class named %s already exists", AClass->Name());
  }
  r.Classes.push_back(AClass);
}

void RegisterClasses(std::initializer_list<const TMetaClass*> Classes) {
  for (const TMetaClass* c : Classes) RegisterClass(c);
}

void UnRegisterClass(const TMetaClass* AClass) {
  TRegistry& r = Registry();
  std::lock_guard lock(r.Lock);
  std::erase_if(r.Classes, [&](const TMetaClass* c) { return c->Class == AClass->Class; });
}

const TMetaClass* GetClass(std::string_view ClassName) {
  auto find = [&] {
    TRegistry& r = Registry();
    std::lock_guard lock(r.Lock);
    return r.ByName(ClassName);
  };
  if (const TMetaClass* c = find()) return c;
  // The linked libraries register their units as the program starts; the classes a unit makes known
  // come with its start-up, which runs here when a name is not known yet.
  InitializeUnits();
  return find();
}

const TMetaClass* FindClass(std::string_view ClassName) {
  if (const TMetaClass* c = GetClass(ClassName)) return c;
  throw EClassNotFound("Class %s not found", ClassName);
}

const TMetaClass* GetMetaClass(TClass AClass) {
  TRegistry& r = Registry();
  std::lock_guard lock(r.Lock);
  for (const TMetaClass* c : r.Classes)
    if (c->Class == AClass) return c;
  return nullptr;
}

TComponent* CreateComponentByName(std::string_view ClassName, TComponent* AOwner) {
  const TMetaClass* meta = FindClass(ClassName);
  if (!meta->NewComponent) throw EFilerError("Class %s cannot be created as a component", ClassName);
  return meta->NewComponent(AOwner);
}

}  // namespace lab
