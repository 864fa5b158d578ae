#pragma once
// Type information that the property tables and the form text need beyond C++ types: the names of
// enumeration members, and integer types whose values have identifier names (colours, cursors).

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace lab {

// The members of an enumeration by ordinal, as forms write them.
struct TEnumInfo {
  std::string_view TypeName;
  std::vector<std::string_view> Names;

  int Count() const noexcept { return static_cast<int>(Names.size()); }
  // The ordinal of a member name (compared without case), or -1.
  int ValueOf(std::string_view Name) const noexcept;
  // The name of an ordinal; empty when out of range.
  std::string_view NameOf(std::int64_t Ordinal) const noexcept;
};

// Boolean as the enumeration False, True.
const TEnumInfo& BooleanTypeInfo();

// Names the members of an enumeration, in ordinal order, for the property tables. Use it at
// namespace scope, in the enumeration's namespace, after the enumeration:
//   LAB_ENUM_NAMES(TAlignment, "taLeftJustify", "taRightJustify", "taCenter")
#define LAB_ENUM_NAMES(Type, ...)                                     \
  inline const ::lab::TEnumInfo& LabEnumInfo(Type*) {                 \
    static const ::lab::TEnumInfo info{#Type, {__VA_ARGS__}};         \
    return info;                                                      \
  }

template <class E>
concept NamedEnum = requires { { LabEnumInfo(static_cast<E*>(nullptr)) } -> std::same_as<const TEnumInfo&>; };

template <NamedEnum E>
const TEnumInfo& EnumTypeInfo() {
  return LabEnumInfo(static_cast<E*>(nullptr));
}

// Integer types whose values have names ("clWindow", "crDefault"): forms write the name where one
// exists and accept either. Each converter answers false when it has no answer.
using TIdentToInt = std::function<bool(std::string_view Ident, std::int64_t& Value)>;
using TIntToIdent = std::function<bool(std::int64_t Value, std::string& Ident)>;

// Registers (or replaces) the converters of a type name such as "TColor".
void RegisterIntegerConsts(std::string_view TypeName, TIdentToInt IdentToInt, TIntToIdent IntToIdent);
// Conversions through the converters registered for TypeName; false when none is registered or
// the converter has no answer.
bool IdentToIntConst(std::string_view TypeName, std::string_view Ident, std::int64_t& Value);
bool IntConstToIdent(std::string_view TypeName, std::int64_t Value, std::string& Ident);

}  // namespace lab
