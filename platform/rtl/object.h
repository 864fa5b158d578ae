#pragma once
// The root of the class tree: every object can tell its class name and ancestry, so registries keyed
// by class can find the entry of the nearest ancestor, and reports can name an object's class.

#include <functional>
#include <string_view>

namespace lab {

struct TClassInfo {
  std::string_view Name;
  const TClassInfo* Parent;  // nullptr for TObject

  bool InheritsFrom(const TClassInfo* ancestor) const noexcept {
    for (const TClassInfo* c = this; c; c = c->Parent)
      if (c == ancestor) return true;
    return false;
  }
};

using TClass = const TClassInfo*;

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = default;
  TObject& operator=(const TObject&) = default;
  virtual ~TObject() = default;

  static TClass StaticClass() noexcept {
    static const TClassInfo info{"TObject", nullptr};
    return &info;
  }
  virtual TClass ClassType() const noexcept { return StaticClass(); }
  std::string_view ClassName() const noexcept { return ClassType()->Name; }
  bool InheritsFrom(TClass ancestor) const noexcept { return ClassType()->InheritsFrom(ancestor); }
  template <class T>
  bool Is() const noexcept { return InheritsFrom(T::StaticClass()); }
};

// Declares a class's identity inside its body: LAB_CLASS(TFoo, TBar) after `class TFoo : public TBar {`.
#define LAB_CLASS(Self, Parent)                                       \
 public:                                                              \
  static ::lab::TClass StaticClass() noexcept {                      \
    static const ::lab::TClassInfo info{#Self, Parent::StaticClass()}; \
    return &info;                                                     \
  }                                                                   \
  ::lab::TClass ClassType() const noexcept override { return StaticClass(); } \
                                                                      \
 private:

using TNotifyEvent = std::function<void(TObject* Sender)>;

}  // namespace lab
