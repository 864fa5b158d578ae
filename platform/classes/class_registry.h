#pragma once
// Classes known by name: the streaming system creates the objects a form names ("object Grid1:
// TDBGridX") through the factories registered here. Also the nearest-ancestor lookup that registries
// keyed by class use (dataset services, property interceptors).

#include <initializer_list>
#include <string_view>
#include <type_traits>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/object.h"

namespace lab {

class TPersistent;
class TComponent;
class TCollection;
class TCollectionItem;

// A class together with the way to create an instance: components are created with an owner,
// collection items by their collection, other persistent classes without arguments. A factory is
// null where the class cannot be created that way (abstract, or another base).
struct TMetaClass {
  TClass Class;
  TPersistent* (*New)();
  TComponent* (*NewComponent)(TComponent* AOwner);
  TCollectionItem* (*NewItem)(TCollection* ACollection);

  std::string_view Name() const noexcept { return Class->Name; }
  bool InheritsFrom(TClass Ancestor) const noexcept { return Class->InheritsFrom(Ancestor); }
};

// The meta class of T, made on first use.
template <class T>
const TMetaClass* MetaClass() {
  static const TMetaClass meta = [] {
    TMetaClass m{T::StaticClass(), nullptr, nullptr, nullptr};
    if constexpr (!std::is_abstract_v<T>) {
      if constexpr (std::is_base_of_v<TComponent, T>) {
        m.NewComponent = [](TComponent* AOwner) -> TComponent* { return new T(AOwner); };
      } else if constexpr (std::is_base_of_v<TCollectionItem, T>) {
        m.NewItem = [](TCollection* ACollection) -> TCollectionItem* { return new T(ACollection); };
      } else if constexpr (std::is_default_constructible_v<T>) {
        m.New = []() -> TPersistent* { return new T(); };
      }
    }
    return m;
  }();
  return &meta;
}

// Makes a class known by its name. Registering the same class again does nothing; another class of
// the same name raises EFilerError "A class named %s already exists".
void RegisterClass(const TMetaClass* AClass);
void RegisterClasses(std::initializer_list<const TMetaClass*> Classes);
template <class... T>
void RegisterClasses() {
  RegisterClasses({MetaClass<T>()...});
}
template <class T>
void RegisterClass() {
  RegisterClass(MetaClass<T>());
}
void UnRegisterClass(const TMetaClass* AClass);

// The registered class of that name (compared without case), or nullptr.
const TMetaClass* GetClass(std::string_view ClassName);
// As GetClass, but an unknown name raises EClassNotFound "Class %s not found".
const TMetaClass* FindClass(std::string_view ClassName);
// The registered meta class of a class, or nullptr.
const TMetaClass* GetMetaClass(TClass AClass);

// Creates a registered component class by name with the given owner (EClassNotFound when unknown,
// EFilerError when the class is not a component class that can be created).
TComponent* CreateComponentByName(std::string_view ClassName, TComponent* AOwner);

// In a map keyed by TClass, the entry of AClass or of its nearest ancestor that has one; Map is any
// associative container with find() and end() (std::map, std::unordered_map).
template <class Map>
auto FindNearestClass(Map& Registry, TClass AClass) -> decltype(Registry.find(AClass)) {
  for (TClass c = AClass; c; c = c->Parent) {
    auto it = Registry.find(c);
    if (it != Registry.end()) return it;
  }
  return Registry.end();
}

}  // namespace lab
