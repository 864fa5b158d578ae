#pragma once
// Published properties: each class declares a table of its properties (name, getter, setter,
// default, stored test), inherited along the class chain. The form reader and writer, property
// paths and the property storage work through these tables.
//
//   class TColumnTitle : public TPersistent {
//     LAB_CLASS(TColumnTitle, TPersistent)
//     LAB_PROPERTIES(TColumnTitle, TPersistent)
//     ...
//   };
//   void TColumnTitle::DeclareProperties(TPropertyDeclarer<TColumnTitle>& P) {
//     P.Property("Caption", &TColumnTitle::Caption, &TColumnTitle::SetCaption).Stored(&TColumnTitle::IsCaptionStored);
//     P.Property("Alignment", &TColumnTitle::Alignment, &TColumnTitle::SetAlignment).Default(taLeftJustify);
//     P.Property("Color", &TColumnTitle::Color, &TColumnTitle::SetColor).Idents("TColor").Default(clBtnFace);
//     P.Property("Font", &TColumnTitle::Font, &TColumnTitle::SetFont);
//   }
//
// The kind of a property follows from its C++ type: bool; integers (up to 32 bits: Integer, else
// Int64); enumerations named with LAB_ENUM_NAMES; TSet<E> of such an enumeration; float and double;
// std::string; a pointer to a TPersistent class (an owned sub-object, or a collection; a pointer to
// a TComponent class is a reference to another component); a std::function data member (an event).

#include <any>
#include <concepts>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/classes/event_handlers.h"
#include "platform/rtl/persistent.h"
#include "platform/classes/type_info.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/set.h"

namespace lab {

class TComponent;
class TCollection;

// Raised by property access: "Property %s does not exist", "Invalid property value".
LAB_EXCEPTION(EPropertyError, Exception);

enum class TTypeKind { tkInteger, tkInt64, tkEnumeration, tkSet, tkFloat, tkString, tkClass, tkMethod };
using enum TTypeKind;

// One published property. Instances passed in must be of the declaring class or a descendant.
class TPropInfo {
 public:
  virtual ~TPropInfo() = default;

  const std::string& Name() const noexcept { return name_; }
  TTypeKind Kind() const noexcept { return kind_; }
  // Enumerations and Booleans: their members; sets: the members of their element type.
  const TEnumInfo* EnumInfo() const noexcept { return enum_info_; }
  bool IsBoolean() const noexcept { return enum_info_ == &BooleanTypeInfo(); }
  // tkClass: the declared class of the value.
  TClass PropClass() const noexcept { return class_; }
  // tkClass properties that refer to a component the object does not own (written by name).
  bool IsComponentRef() const noexcept { return component_ref_; }
  // Integers whose values have names registered with RegisterIntegerConsts; empty otherwise.
  const std::string& IdentsType() const noexcept { return idents_; }

  virtual bool CanRead() const noexcept = 0;
  virtual bool CanWrite() const noexcept = 0;

  // The default of ordinal and float properties; a property without one is always written.
  bool HasDefault() const noexcept { return has_default_; }
  std::int64_t OrdDefault() const noexcept { return ord_default_; }
  double FloatDefault() const noexcept { return float_default_; }
  // Whether the value is written at all (the stored test; true when none was declared).
  virtual bool IsStored(TPersistent* Instance) const = 0;

  // Typed access. Ordinal kinds (integers, enumerations, Booleans, sets as their TSet value) go
  // through GetOrd/SetOrd. A value the property cannot take raises EPropertyError.
  virtual std::int64_t GetOrd(TPersistent* /*Instance*/) const { Unsupported(); }
  virtual void SetOrd(TPersistent* /*Instance*/, std::int64_t /*Value*/) const { Unsupported(); }
  virtual double GetFloat(TPersistent* /*Instance*/) const { Unsupported(); }
  virtual void SetFloat(TPersistent* /*Instance*/, double /*Value*/) const { Unsupported(); }
  virtual std::string GetStr(TPersistent* /*Instance*/) const { Unsupported(); }
  virtual void SetStr(TPersistent* /*Instance*/, const std::string& /*Value*/) const { Unsupported(); }
  virtual TPersistent* GetObject(TPersistent* /*Instance*/) const { Unsupported(); }
  virtual void SetObject(TPersistent* /*Instance*/, TPersistent* /*Value*/) const { Unsupported(); }
  // Events: whether a handler is assigned, and the name it was bound with (empty for a handler
  // assigned in code). SetHandler binds a handler held in Handler (a std::function of the event's
  // type) under Name, or clears the event when Handler is null; false when the type does not fit.
  virtual bool HasHandler(TPersistent* /*Instance*/) const { Unsupported(); }
  virtual std::string GetHandlerName(TPersistent* /*Instance*/) const { Unsupported(); }
  virtual bool SetHandler(TPersistent* /*Instance*/, const std::any* /*Handler*/,
                          std::string_view /*Name*/) const {
    Unsupported();
  }
  // The handler as the std::function of the event's type (one bound by name comes back
  // unwrapped); an empty std::any when none is assigned.
  virtual std::any GetHandler(TPersistent* /*Instance*/) const { Unsupported(); }
  // Whether the event runs Handler (a std::function of the event's type) now: both unassigned, or
  // both the same plain function. Closures have no identity to compare, so they never match.
  virtual bool RunsHandler(TPersistent* /*Instance*/, const std::any& /*Handler*/) const { Unsupported(); }

 protected:
  TPropInfo(std::string Name, TTypeKind Kind) : name_(std::move(Name)), kind_(Kind) {}
  [[noreturn]] void Unsupported() const;
  [[noreturn]] void InvalidValue() const;

  template <class, class>
  friend class TPropBuilder;
  template <class>
  friend class TPropertyDeclarer;

  std::string name_;
  TTypeKind kind_;
  const TEnumInfo* enum_info_ = nullptr;
  TClass class_ = nullptr;
  bool component_ref_ = false;
  std::string idents_;
  bool has_default_ = false;
  std::int64_t ord_default_ = 0;
  double float_default_ = 0;
};

// The properties of one class, its ancestors' first.
class TPropertyTable {
 public:
  TPropertyTable(TClass Class, const TPropertyTable* Parent);
  TPropertyTable(const TPropertyTable&) = delete;
  TPropertyTable& operator=(const TPropertyTable&) = delete;

  TClass Class() const noexcept { return class_; }
  const TPropertyTable* Parent() const noexcept { return parent_; }
  // Every property, inherited ones first; a property declared again replaces the inherited one
  // in its place.
  std::span<const TPropInfo* const> Props() const noexcept { return all_; }
  // By name, compared without case; nullptr when none.
  const TPropInfo* Find(std::string_view Name) const noexcept;

  void Add(std::unique_ptr<TPropInfo> Info);
  void Seal();

 private:
  TClass class_;
  const TPropertyTable* parent_;
  std::vector<std::unique_ptr<TPropInfo>> own_;
  std::vector<const TPropInfo*> all_;
};

namespace detail {

template <class T>
struct IsTSet : std::false_type {};
template <class E>
struct IsTSet<TSet<E>> : std::true_type {
  using Element = E;
};

template <class Fn>
struct FunctionPointer;
template <class R, class... A>
struct FunctionPointer<std::function<R(A...)>> {
  using type = R (*)(A...);
};

template <class T>
struct IsStdFunction : std::false_type {};
template <class R, class... A>
struct IsStdFunction<std::function<R(A...)>> : std::true_type {};

// The argument type of a setter member function.
template <class S>
struct SetterArg;
template <class C, class A>
struct SetterArg<void (C::*)(A)> {
  using type = std::remove_cvref_t<A>;
};
template <class C, class A>
struct SetterArg<void (C::*)(A) noexcept> {
  using type = std::remove_cvref_t<A>;
};

template <class V>
constexpr bool IsPersistentPointer =
    std::is_pointer_v<V> && std::is_base_of_v<TPersistent, std::remove_cv_t<std::remove_pointer_t<V>>>;

template <class V>
constexpr TTypeKind KindOf() {
  if constexpr (std::is_same_v<V, bool> || std::is_enum_v<V>) {
    return tkEnumeration;
  } else if constexpr (std::is_integral_v<V>) {
    return sizeof(V) <= 4 ? tkInteger : tkInt64;
  } else if constexpr (std::is_floating_point_v<V>) {
    return tkFloat;
  } else if constexpr (std::is_same_v<V, std::string>) {
    return tkString;
  } else if constexpr (IsTSet<V>::value) {
    return tkSet;
  } else if constexpr (IsPersistentPointer<V>) {
    return tkClass;
  } else {
    static_assert(IsPersistentPointer<V>, "this type cannot be a published property");
    return tkClass;
  }
}

// Ordinal values as the property tables carry them: Integer properties as signed 32-bit values
// (so a colour reads the same whether its C++ type is signed or not), sets as their bits.
template <class V>
std::int64_t ToOrd(const V& v) {
  if constexpr (std::is_same_v<V, bool>) {
    return v ? 1 : 0;
  } else if constexpr (std::is_enum_v<V>) {
    return static_cast<std::int64_t>(v);
  } else if constexpr (IsTSet<V>::value) {
    return static_cast<std::int64_t>(v.Value());
  } else if constexpr (sizeof(V) <= 4) {
    return static_cast<std::int32_t>(v);
  } else {
    return static_cast<std::int64_t>(v);
  }
}

template <class V>
V FromOrd(std::int64_t v) {
  if constexpr (std::is_same_v<V, bool>) {
    return v != 0;
  } else if constexpr (IsTSet<V>::value) {
    return V::FromValue(static_cast<typename V::Bits>(v));
  } else {
    return static_cast<V>(v);
  }
}

// The property of one class with getter G and setter S on Self, of value type V.
template <class Self, class V, class G, class S>
class TTypedPropInfo final : public TPropInfo {
 public:
  TTypedPropInfo(std::string Name, G Get, S Set)
      : TPropInfo(std::move(Name), KindOf<V>()), get_(Get), set_(Set) {}

  bool CanRead() const noexcept override {
    if constexpr (std::is_null_pointer_v<G>) return false;
    return true;
  }
  bool CanWrite() const noexcept override {
    if constexpr (std::is_null_pointer_v<S>) return false;
    return true;
  }
  bool IsStored(TPersistent* Instance) const override { return stored_ ? stored_(Obj(Instance)) : true; }

  std::int64_t GetOrd(TPersistent* Instance) const override {
    if constexpr (IsOrdinal()) return ToOrd<V>(Get(Instance));
    return TPropInfo::GetOrd(Instance);
  }
  void SetOrd(TPersistent* Instance, std::int64_t Value) const override {
    if constexpr (IsOrdinal()) {
      CheckOrd(Value);
      Set(Instance, FromOrd<V>(Value));
    } else {
      TPropInfo::SetOrd(Instance, Value);
    }
  }
  double GetFloat(TPersistent* Instance) const override {
    if constexpr (std::is_floating_point_v<V>) return static_cast<double>(Get(Instance));
    return TPropInfo::GetFloat(Instance);
  }
  void SetFloat(TPersistent* Instance, double Value) const override {
    if constexpr (std::is_floating_point_v<V>) Set(Instance, static_cast<V>(Value));
    else TPropInfo::SetFloat(Instance, Value);
  }
  std::string GetStr(TPersistent* Instance) const override {
    if constexpr (std::is_same_v<V, std::string>) return Get(Instance);
    return TPropInfo::GetStr(Instance);
  }
  void SetStr(TPersistent* Instance, const std::string& Value) const override {
    if constexpr (std::is_same_v<V, std::string>) Set(Instance, Value);
    else TPropInfo::SetStr(Instance, Value);
  }
  TPersistent* GetObject(TPersistent* Instance) const override {
    if constexpr (IsPersistentPointer<V>) return const_cast<TPersistent*>(static_cast<const TPersistent*>(Get(Instance)));
    return TPropInfo::GetObject(Instance);
  }
  void SetObject(TPersistent* Instance, TPersistent* Value) const override {
    if constexpr (IsPersistentPointer<V>) {
      if (Value && !Value->InheritsFrom(class_)) InvalidValue();
      Set(Instance, static_cast<V>(Value));
    } else {
      TPropInfo::SetObject(Instance, Value);
    }
  }

  std::function<bool(Self&)> stored_;

 private:
  static constexpr bool IsOrdinal() {
    return std::is_integral_v<V> || std::is_enum_v<V> || IsTSet<V>::value;
  }
  static Self& Obj(TPersistent* Instance) { return *static_cast<Self*>(Instance); }
  V Get(TPersistent* Instance) const {
    if constexpr (std::is_null_pointer_v<G>) {
      Unsupported();
    } else {
      return std::invoke(get_, Obj(Instance));
    }
  }
  void Set(TPersistent* Instance, const V& Value) const {
    if constexpr (std::is_null_pointer_v<S>) {
      Unsupported();
    } else {
      std::invoke(set_, Obj(Instance), Value);
    }
  }
  void CheckOrd(std::int64_t Value) const {
    if constexpr (std::is_integral_v<V> && !std::is_same_v<V, bool> && sizeof(V) < 4) {
      if (Value < std::numeric_limits<V>::min() || Value > std::numeric_limits<V>::max()) InvalidValue();
    } else if constexpr (std::is_integral_v<V> && sizeof(V) == 4) {
      if (Value < INT32_MIN || Value > UINT32_MAX) InvalidValue();
    }
    if (kind_ == tkEnumeration && (Value < 0 || Value >= enum_info_->Count())) InvalidValue();
    if (kind_ == tkSet && enum_info_->Count() < 64 &&
        (static_cast<std::uint64_t>(Value) >> enum_info_->Count()) != 0)
      InvalidValue();
  }

  G get_;
  S set_;
};

// An event: a std::function data member. Handlers bound by name are stored wrapped in a
// TNamedHandler, so the writer can write the name back.
template <class Self, class Fn>
class TEventPropInfo final : public TPropInfo {
 public:
  TEventPropInfo(std::string Name, Fn Self::*Member) : TPropInfo(std::move(Name), tkMethod), member_(Member) {}

  bool CanRead() const noexcept override { return true; }
  bool CanWrite() const noexcept override { return true; }
  bool IsStored(TPersistent* Instance) const override { return stored_ ? stored_(Obj(Instance)) : true; }

  bool HasHandler(TPersistent* Instance) const override { return static_cast<bool>(Obj(Instance).*member_); }
  std::string GetHandlerName(TPersistent* Instance) const override {
    const auto* named = (Obj(Instance).*member_).template target<TNamedHandler<Fn>>();
    return named ? named->Name : std::string();
  }
  bool SetHandler(TPersistent* Instance, const std::any* Handler, std::string_view Name) const override {
    if (!Handler) {
      Obj(Instance).*member_ = nullptr;
      return true;
    }
    const Fn* fn = std::any_cast<Fn>(Handler);
    if (!fn) return false;
    if (!*fn) {
      Obj(Instance).*member_ = nullptr;  // an empty function clears, so calling never throws
      return true;
    }
    Obj(Instance).*member_ = Fn(TNamedHandler<Fn>{std::string(Name), *fn});
    return true;
  }
  std::any GetHandler(TPersistent* Instance) const override {
    const Fn& f = Obj(Instance).*member_;
    if (!f) return {};
    if (const auto* named = f.template target<TNamedHandler<Fn>>()) return named->Handler;
    return f;
  }
  bool RunsHandler(TPersistent* Instance, const std::any& Handler) const override {
    const Fn* other = std::any_cast<Fn>(&Handler);
    if (!other) return false;
    const std::any current = GetHandler(Instance);
    const Fn* mine = std::any_cast<Fn>(&current);
    if (!mine || !*other) return !mine && !*other;
    using Plain = typename FunctionPointer<Fn>::type;
    const Plain* a = mine->template target<Plain>();
    const Plain* b = other->template target<Plain>();
    return a && b && *a == *b;
  }

  std::function<bool(Self&)> stored_;

 private:
  static Self& Obj(TPersistent* Instance) { return *static_cast<Self*>(Instance); }
  Fn Self::*member_;
};

}  // namespace detail

// Returned by TPropertyDeclarer::Property to set the default, the stored test and the names of
// integer values; each call answers the builder again, so a declaration stays on one line.
template <class Self, class V>
class TPropBuilder {
 public:
  TPropBuilder(TPropInfo& Info, std::function<bool(Self&)>& Stored) : info_(Info), stored_(Stored) {}

  TPropBuilder& Default(const V& Value) {
    if constexpr (std::is_floating_point_v<V>) {
      info_.float_default_ = static_cast<double>(Value);
    } else {
      static_assert(std::is_integral_v<V> || std::is_enum_v<V> || detail::IsTSet<V>::value,
                    "only ordinal and float properties have defaults");
      info_.ord_default_ = detail::ToOrd<V>(Value);
    }
    info_.has_default_ = true;
    return *this;
  }
  // Drops an inherited default: the property is always written.
  TPropBuilder& NoDefault() {
    info_.has_default_ = false;
    return *this;
  }
  TPropBuilder& Stored(bool Value) {
    stored_ = [Value](Self&) { return Value; };
    return *this;
  }
  // A test such as &TColumn::IsWidthStored, or any callable taking Self&.
  template <class F>
    requires std::is_invocable_r_v<bool, F, Self&>
  TPropBuilder& Stored(F Test) {
    stored_ = [Test](Self& s) { return std::invoke(Test, s); };
    return *this;
  }
  // Integer values written by name through the converters registered for TypeName ("TColor").
  TPropBuilder& Idents(std::string_view TypeName) {
    static_assert(std::is_integral_v<V> && !std::is_same_v<V, bool>, "only integers have named values");
    info_.idents_ = std::string(TypeName);
    return *this;
  }

 private:
  TPropInfo& info_;
  std::function<bool(Self&)>& stored_;
};

// Handed to Self::DeclareProperties to fill the class's table.
template <class Self>
class TPropertyDeclarer {
 public:
  explicit TPropertyDeclarer(TPropertyTable& Table) : table_(Table) {}

  // A property read by Get and written by Set (member functions or callables on Self&). Either may
  // be nullptr for a write-only or read-only property.
  template <class G, class S>
  auto Property(std::string Name, G Get, S Set) {
    using V = typename ValueType<G, S>::type;
    return Add<V>(std::make_unique<detail::TTypedPropInfo<Self, V, G, S>>(std::move(Name), Get, Set));
  }
  // A read-only property (an owned sub-object or collection), or an event when Member is a
  // std::function data member.
  template <class G>
  auto Property(std::string Name, G Member) {
    if constexpr (std::is_member_object_pointer_v<G>) {
      using Fn = std::remove_cvref_t<decltype(std::declval<Self&>().*Member)>;
      if constexpr (detail::IsStdFunction<Fn>::value) {
        auto info = std::make_unique<detail::TEventPropInfo<Self, Fn>>(std::move(Name), Member);
        auto& stored = info->stored_;
        TPropInfo& ref = *info;
        table_.Add(std::move(info));
        return TPropBuilder<Self, Fn>(ref, stored);
      } else {
        return Property(std::move(Name), Member, nullptr);
      }
    } else {
      return Property(std::move(Name), Member, nullptr);
    }
  }

 private:
  template <class G, class S>
  struct ValueType {
    using type = std::remove_cvref_t<std::invoke_result_t<G, Self&>>;
  };
  template <class S>
  struct ValueType<std::nullptr_t, S> {
    using type = typename detail::SetterArg<S>::type;
  };

  template <class V, class Info>
  TPropBuilder<Self, V> Add(std::unique_ptr<Info> info) {
    if constexpr (std::is_same_v<V, bool>) {
      info->enum_info_ = &BooleanTypeInfo();
    } else if constexpr (std::is_enum_v<V>) {
      info->enum_info_ = &EnumTypeInfo<V>();
    } else if constexpr (detail::IsTSet<V>::value) {
      info->enum_info_ = &EnumTypeInfo<typename detail::IsTSet<V>::Element>();
    } else if constexpr (detail::IsPersistentPointer<V>) {
      using T = std::remove_cv_t<std::remove_pointer_t<V>>;
      info->class_ = T::StaticClass();
      info->component_ref_ = std::is_base_of_v<TComponent, T>;
    }
    auto& stored = info->stored_;
    TPropInfo& ref = *info;
    table_.Add(std::move(info));
    return TPropBuilder<Self, V>(ref, stored);
  }

  TPropertyTable& table_;
};

template <class Self>
const TPropertyTable* BuildPropertyTable(const TPropertyTable* Parent) {
  auto* table = new TPropertyTable(Self::StaticClass(), Parent);
  TPropertyDeclarer<Self> declarer(*table);
  Self::DeclareProperties(declarer);
  table->Seal();
  return table;
}

// Declares a class's property table inside its body, after LAB_CLASS:
//   LAB_PROPERTIES(TFoo, TBar)  with  static void TFoo::DeclareProperties(TPropertyDeclarer<TFoo>& P)
// defined by the class. The table is built on first use, once (never destroyed, so code running at
// exit may still use it).
#define LAB_PROPERTIES(Self, Parent)                                                        \
 public:                                                                                    \
  static const ::lab::TPropertyTable* StaticProperties() {                                  \
    static const ::lab::TPropertyTable* table =                                             \
        ::lab::BuildPropertyTable<Self>(Parent::StaticProperties());                        \
    return table;                                                                           \
  }                                                                                         \
  const ::lab::TPropertyTable* Properties() const override { return StaticProperties(); }  \
  static void DeclareProperties(::lab::TPropertyDeclarer<Self>& P);                        \
                                                                                            \
 private:

}  // namespace lab
