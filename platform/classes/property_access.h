#pragma once
// Finding published properties on an object by name or by path ("Columns[2].Title.Caption") and
// reading or writing them as typed values or as text. The property storage, its interceptors and
// the form reader work through these.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/classes/properties.h"

namespace lab {

class TComponent;

// The property of that name (compared without case) on Instance's class, or nullptr.
const TPropInfo* GetPropInfo(const TPersistent* Instance, std::string_view PropName);
// As GetPropInfo, but a missing property raises EPropertyError "Property %s does not exist".
const TPropInfo* FindPropInfo(const TPersistent* Instance, std::string_view PropName);
// Every published property of Instance's class, inherited ones first.
std::span<const TPropInfo* const> GetPropList(const TPersistent* Instance);
bool IsPublishedProp(const TPersistent* Instance, std::string_view PropName);

// Typed access by name (EPropertyError when missing or of another kind).
std::int64_t GetOrdProp(TPersistent* Instance, std::string_view PropName);
void SetOrdProp(TPersistent* Instance, std::string_view PropName, std::int64_t Value);
double GetFloatProp(TPersistent* Instance, std::string_view PropName);
void SetFloatProp(TPersistent* Instance, std::string_view PropName, double Value);
std::string GetStrProp(TPersistent* Instance, std::string_view PropName);
void SetStrProp(TPersistent* Instance, std::string_view PropName, const std::string& Value);
TPersistent* GetObjectProp(TPersistent* Instance, std::string_view PropName);
void SetObjectProp(TPersistent* Instance, std::string_view PropName, TPersistent* Value);

// A property's value as text: integers in decimal (or by name for integers with named values),
// enumerations and Booleans by member name, sets as "[a,b]", floats with a point, strings as they
// are, component references by name (empty for none), events by handler name. Owned objects and
// collections have no text form (EPropertyError).
std::string GetPropText(TPersistent* Instance, const TPropInfo* Prop);
// The reverse of GetPropText; a text the property cannot take raises EPropertyError "Invalid
// property value". Component and handler names are looked up in LookupRoot (by default the root of
// Instance's owner chain).
void SetPropText(TPersistent* Instance, const TPropInfo* Prop, std::string_view Text,
                 TComponent* LookupRoot = nullptr);

// Where a property path leads: the object that holds the last property, its name as given, and
// its property information (nullptr when the object publishes no such property, so a caller may
// look for it elsewhere, e.g. on a registered interceptor).
struct TPropertyTarget {
  TPersistent* Instance = nullptr;
  std::string PropName;
  const TPropInfo* Info = nullptr;
};

// Walks Path from Root: each step but the last names an object property (optionally indexed into a
// collection, "Columns[2]") or, on a component, an owned component by name. A step that leads
// nowhere raises EPropertyError "Invalid property path %s"; an index outside a collection
// EListError.
TPropertyTarget ResolvePropertyPath(TPersistent* Root, std::string_view Path);
std::string GetPropertyPathText(TPersistent* Root, std::string_view Path);
void SetPropertyPathText(TPersistent* Root, std::string_view Path, std::string_view Text);

// A component by a name relative to Root: "Button1" (owned by Root, or Root itself), or a dotted
// path through owned components ("Frame1.Button1"). nullptr when there is none.
TComponent* FindComponentPath(TComponent* Root, std::string_view Name);
// The name by which a property refers to Value from within LookupRoot's tree ("Button1", or
// "Frame1.Button1" for a component owned deeper down).
std::string ComponentRefName(TComponent* Value, TComponent* LookupRoot);
// The root of Instance's owner chain as a component (the form it belongs to), or nullptr.
TComponent* LookupRootOf(TPersistent* Instance);

// Sets as text: "[a,b]"; parsing accepts blanks and omitted brackets.
std::string SetToText(const TEnumInfo& Info, std::int64_t Bits);
bool TextToSet(const TEnumInfo& Info, std::string_view Text, std::int64_t& Bits);
// Floats as text that reads back to the same double ("1.5", "1E20"); false for NaN and infinities.
bool FloatToText(double Value, std::string& Text);
bool TextToFloat(std::string_view Text, double& Value);

}  // namespace lab
