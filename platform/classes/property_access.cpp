#include "platform/classes/property_access.h"

#include <charconv>
#include <cmath>

#include "platform/classes/collection.h"
#include "platform/classes/component.h"
#include "platform/classes/ident.h"
#include "platform/rtl/strutils.h"

namespace lab {

namespace {

[[noreturn]] void InvalidValue() { throw EPropertyError("Invalid property value"); }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

// ---- lookup

const TPropInfo* GetPropInfo(const TPersistent* Instance, std::string_view PropName) {
  const TPropertyTable* table = Instance ? Instance->Properties() : nullptr;
  return table ? table->Find(PropName) : nullptr;
}

const TPropInfo* FindPropInfo(const TPersistent* Instance, std::string_view PropName) {
  if (const TPropInfo* p = GetPropInfo(Instance, PropName)) return p;
  throw EPropertyError("Property %s does not exist", PropName);
}

std::span<const TPropInfo* const> GetPropList(const TPersistent* Instance) {
  const TPropertyTable* table = Instance ? Instance->Properties() : nullptr;
  if (!table) return {};
  return table->Props();
}

bool IsPublishedProp(const TPersistent* Instance, std::string_view PropName) {
  return GetPropInfo(Instance, PropName) != nullptr;
}

std::int64_t GetOrdProp(TPersistent* Instance, std::string_view PropName) {
  return FindPropInfo(Instance, PropName)->GetOrd(Instance);
}
void SetOrdProp(TPersistent* Instance, std::string_view PropName, std::int64_t Value) {
  FindPropInfo(Instance, PropName)->SetOrd(Instance, Value);
}
double GetFloatProp(TPersistent* Instance, std::string_view PropName) {
  return FindPropInfo(Instance, PropName)->GetFloat(Instance);
}
void SetFloatProp(TPersistent* Instance, std::string_view PropName, double Value) {
  FindPropInfo(Instance, PropName)->SetFloat(Instance, Value);
}
std::string GetStrProp(TPersistent* Instance, std::string_view PropName) {
  return FindPropInfo(Instance, PropName)->GetStr(Instance);
}
void SetStrProp(TPersistent* Instance, std::string_view PropName, const std::string& Value) {
  FindPropInfo(Instance, PropName)->SetStr(Instance, Value);
}
TPersistent* GetObjectProp(TPersistent* Instance, std::string_view PropName) {
  return FindPropInfo(Instance, PropName)->GetObject(Instance);
}
void SetObjectProp(TPersistent* Instance, std::string_view PropName, TPersistent* Value) {
  FindPropInfo(Instance, PropName)->SetObject(Instance, Value);
}

// ---- value texts

std::string SetToText(const TEnumInfo& Info, std::int64_t Bits) {
  std::string text = "[";
  for (int i = 0; i < Info.Count() && i < 64; ++i)
    if ((static_cast<std::uint64_t>(Bits) >> i) & 1) {
      if (text.size() > 1) text += ',';
      text += Info.Names[static_cast<std::size_t>(i)];
    }
  return text + "]";
}

bool TextToSet(const TEnumInfo& Info, std::string_view Text, std::int64_t& Bits) {
  Text = TrimBlanks(Text);
  if (!Text.empty() && Text.front() == '[') {
    if (Text.back() != ']') return false;
    Text = Text.substr(1, Text.size() - 2);
  }
  std::uint64_t bits = 0;
  while (!TrimBlanks(Text).empty()) {
    const std::size_t comma = Text.find(',');
    const std::string_view name = TrimBlanks(Text.substr(0, comma));
    const int ordinal = Info.ValueOf(name);
    if (ordinal < 0 || ordinal >= 64) return false;
    bits |= std::uint64_t{1} << ordinal;
    if (comma == std::string_view::npos) break;
    Text.remove_prefix(comma + 1);
    if (TrimBlanks(Text).empty()) return false;
  }
  Bits = static_cast<std::int64_t>(bits);
  return true;
}

bool FloatToText(double Value, std::string& Text) {
  if (!std::isfinite(Value)) return false;
  char buf[64];
  const auto result = std::to_chars(buf, buf + sizeof buf, Value);
  Text.assign(buf, result.ptr);
  for (char& c : Text)
    if (c == 'e') c = 'E';
  return true;
}

bool TextToFloat(std::string_view Text, double& Value) {
  Text = TrimBlanks(Text);
  if (!Text.empty() && Text.front() == '+') Text.remove_prefix(1);
  if (Text.empty()) return false;
  const auto result = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  return result.ec == std::errc() && result.ptr == Text.data() + Text.size() && std::isfinite(Value);
}

// ---- components by name

TComponent* FindComponentPath(TComponent* Root, std::string_view Name) {
  if (!Root || Name.empty()) return nullptr;
  TComponent* current = nullptr;
  bool first = true;
  while (true) {
    const std::size_t dot = Name.find('.');
    const std::string_view part = Name.substr(0, dot);
    if (first) {
      current = Root->FindComponent(part);
      if (!current && SameText(Root->Name(), part)) current = Root;
      first = false;
    } else {
      current = current->FindComponent(part);
    }
    if (!current) return nullptr;
    if (dot == std::string_view::npos) return current;
    Name.remove_prefix(dot + 1);
  }
}

std::string ComponentRefName(TComponent* Value, TComponent* LookupRoot) {
  if (!Value) return {};
  if (Value == LookupRoot) return Value->Name();
  std::string name = Value->Name();
  for (TComponent* owner = Value->Owner(); owner && owner != LookupRoot; owner = owner->Owner())
    name = owner->Name() + "." + name;
  return name;
}

TComponent* LookupRootOf(TPersistent* Instance) {
  TComponent* component = nullptr;
  for (TPersistent* p = Instance; p; p = p->GetOwner())
    if (auto* c = dynamic_cast<TComponent*>(p)) {
      component = c;
      break;
    }
  if (!component) return nullptr;
  while (component->Owner()) component = component->Owner();
  return component;
}

// ---- text access

std::string GetPropText(TPersistent* Instance, const TPropInfo* Prop) {
  switch (Prop->Kind()) {
    case tkInteger: {
      const std::int64_t v = Prop->GetOrd(Instance);
      std::string ident;
      if (!Prop->IdentsType().empty() && IntConstToIdent(Prop->IdentsType(), v, ident)) return ident;
      return std::to_string(v);
    }
    case tkInt64:
      return std::to_string(Prop->GetOrd(Instance));
    case tkEnumeration:
      return std::string(Prop->EnumInfo()->NameOf(Prop->GetOrd(Instance)));
    case tkSet:
      return SetToText(*Prop->EnumInfo(), Prop->GetOrd(Instance));
    case tkFloat: {
      std::string text;
      if (!FloatToText(Prop->GetFloat(Instance), text)) InvalidValue();
      return text;
    }
    case tkString:
      return Prop->GetStr(Instance);
    case tkMethod:
      return Prop->GetHandlerName(Instance);
    case tkClass:
      if (Prop->IsComponentRef())
        return ComponentRefName(static_cast<TComponent*>(Prop->GetObject(Instance)), LookupRootOf(Instance));
      break;
  }
  throw EPropertyError("Property %s has no text form", Prop->Name());
}

void SetPropText(TPersistent* Instance, const TPropInfo* Prop, std::string_view Text, TComponent* LookupRoot) {
  switch (Prop->Kind()) {
    case tkInteger:
    case tkInt64: {
      std::int64_t v = 0;
      const bool named = Prop->Kind() == tkInteger && !Prop->IdentsType().empty() &&
                         IdentToIntConst(Prop->IdentsType(), TrimBlanks(Text), v);
      if (!named && !TryStrToInt64(TrimBlanks(Text), v)) InvalidValue();
      Prop->SetOrd(Instance, v);
      return;
    }
    case tkEnumeration: {
      const int v = Prop->EnumInfo()->ValueOf(TrimBlanks(Text));
      if (v < 0) InvalidValue();
      Prop->SetOrd(Instance, v);
      return;
    }
    case tkSet: {
      std::int64_t bits = 0;
      if (!TextToSet(*Prop->EnumInfo(), Text, bits)) InvalidValue();
      Prop->SetOrd(Instance, bits);
      return;
    }
    case tkFloat: {
      double v = 0;
      if (!TextToFloat(Text, v)) InvalidValue();
      Prop->SetFloat(Instance, v);
      return;
    }
    case tkString:
      Prop->SetStr(Instance, std::string(Text));
      return;
    case tkMethod: {
      const std::string_view name = TrimBlanks(Text);
      if (name.empty()) {
        Prop->SetHandler(Instance, nullptr, {});
        return;
      }
      if (!LookupRoot) LookupRoot = LookupRootOf(Instance);
      const std::any* handler = LookupRoot ? LookupRoot->FindHandler(name) : nullptr;
      if (!handler) throw EPropertyError("Event handler %s not found", name);
      if (!Prop->SetHandler(Instance, handler, name))
        throw EPropertyError("Event handler %s does not fit event %s", name, Prop->Name());
      return;
    }
    case tkClass:
      if (Prop->IsComponentRef()) {
        const std::string_view name = TrimBlanks(Text);
        if (name.empty()) {
          Prop->SetObject(Instance, nullptr);
          return;
        }
        if (!LookupRoot) LookupRoot = LookupRootOf(Instance);
        TComponent* target = FindComponentPath(LookupRoot, name);
        if (!target) throw EPropertyError("Component %s not found", name);
        Prop->SetObject(Instance, target);
        return;
      }
      break;
  }
  throw EPropertyError("Property %s has no text form", Prop->Name());
}

// ---- paths

namespace {

struct TPathStep {
  std::string_view Name;
  bool Indexed = false;
  std::int64_t Index = 0;
};

[[noreturn]] void BadPath(std::string_view Path) { throw EPropertyError("Invalid property path %s", Path); }

TPathStep ParseStep(std::string_view Step, std::string_view Path) {
  TPathStep s;
  const std::size_t bracket = Step.find('[');
  s.Name = Step.substr(0, bracket);
  if (!IsValidIdent(s.Name)) BadPath(Path);
  if (bracket != std::string_view::npos) {
    if (Step.back() != ']') BadPath(Path);
    const std::string_view digits = Step.substr(bracket + 1, Step.size() - bracket - 2);
    if (digits.empty() || !TryStrToInt64(digits, s.Index)) BadPath(Path);
    s.Indexed = true;
  }
  return s;
}

}  // namespace

TPropertyTarget ResolvePropertyPath(TPersistent* Root, std::string_view Path) {
  if (!Root || Path.empty()) BadPath(Path);
  TPersistent* current = Root;
  std::string_view rest = Path;
  while (true) {
    const std::size_t dot = rest.find('.');
    const TPathStep step = ParseStep(rest.substr(0, dot), Path);
    if (dot == std::string_view::npos) {
      if (step.Indexed) BadPath(Path);
      return {current, std::string(step.Name), GetPropInfo(current, step.Name)};
    }
    rest.remove_prefix(dot + 1);

    TPersistent* next = nullptr;
    if (const TPropInfo* p = GetPropInfo(current, step.Name)) {
      if (p->Kind() != tkClass || !p->CanRead()) BadPath(Path);
      next = p->GetObject(current);
    } else if (auto* component = dynamic_cast<TComponent*>(current)) {
      next = component->FindComponent(step.Name);
    }
    if (!next) BadPath(Path);
    if (step.Indexed) {
      auto* collection = dynamic_cast<TCollection*>(next);
      if (!collection) BadPath(Path);
      if (step.Index < 0 || step.Index > INT32_MAX) throw EListError("List index out of bounds (%d)", step.Index);
      next = collection->Items(static_cast<int>(step.Index));
    }
    current = next;
  }
}

std::string GetPropertyPathText(TPersistent* Root, std::string_view Path) {
  const TPropertyTarget target = ResolvePropertyPath(Root, Path);
  if (!target.Info) throw EPropertyError("Property %s does not exist", Path);
  return GetPropText(target.Instance, target.Info);
}

void SetPropertyPathText(TPersistent* Root, std::string_view Path, std::string_view Text) {
  const TPropertyTarget target = ResolvePropertyPath(Root, Path);
  if (!target.Info) throw EPropertyError("Property %s does not exist", Path);
  SetPropText(target.Instance, target.Info, Text);
}

}  // namespace lab
