#include "platform/classes/type_info.h"

#include <mutex>

#include "platform/rtl/strutils.h"

namespace lab {

int TEnumInfo::ValueOf(std::string_view Name) const noexcept {
  for (std::size_t i = 0; i < Names.size(); ++i)
    if (SameText(Names[i], Name)) return static_cast<int>(i);
  return -1;
}

std::string_view TEnumInfo::NameOf(std::int64_t Ordinal) const noexcept {
  if (Ordinal < 0 || Ordinal >= static_cast<std::int64_t>(Names.size())) return {};
  return Names[static_cast<std::size_t>(Ordinal)];
}

const TEnumInfo& BooleanTypeInfo() {
  static const TEnumInfo info{"Boolean", {"False", "True"}};
  return info;
}

namespace {

struct TIntegerConsts {
  std::string TypeName;
  TIdentToInt IdentToInt;
  TIntToIdent IntToIdent;
};

struct TConstsRegistry {
  std::mutex Lock;
  std::vector<TIntegerConsts> Types;

  TIntegerConsts* Find(std::string_view name) {
    for (TIntegerConsts& t : Types)
      if (SameText(t.TypeName, name)) return &t;
    return nullptr;
  }
};

// Never destroyed, so finalizers at exit may still convert.
TConstsRegistry& ConstsRegistry() {
  static TConstsRegistry* registry = new TConstsRegistry;
  return *registry;
}

}  // namespace

void RegisterIntegerConsts(std::string_view TypeName, TIdentToInt IdentToInt, TIntToIdent IntToIdent) {
  TConstsRegistry& r = ConstsRegistry();
  std::lock_guard lock(r.Lock);
  if (TIntegerConsts* known = r.Find(TypeName)) {
    known->IdentToInt = std::move(IdentToInt);
    known->IntToIdent = std::move(IntToIdent);
    return;
  }
  r.Types.push_back({std::string(TypeName), std::move(IdentToInt), std::move(IntToIdent)});
}

bool IdentToIntConst(std::string_view TypeName, std::string_view Ident, std::int64_t& Value) {
  TIdentToInt convert;
  {
    TConstsRegistry& r = ConstsRegistry();
    std::lock_guard lock(r.Lock);
    TIntegerConsts* t = r.Find(TypeName);
    if (!t || !t->IdentToInt) return false;
    convert = t->IdentToInt;
  }
  return convert(Ident, Value);
}

bool IntConstToIdent(std::string_view TypeName, std::int64_t Value, std::string& Ident) {
  TIntToIdent convert;
  {
    TConstsRegistry& r = ConstsRegistry();
    std::lock_guard lock(r.Lock);
    TIntegerConsts* t = r.Find(TypeName);
    if (!t || !t->IntToIdent) return false;
    convert = t->IntToIdent;
  }
  return convert(Value, Ident);
}

}  // namespace lab
