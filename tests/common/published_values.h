#pragma once
// Tests of copies over the property tables: one call gives every published property of an object a
// value other than the one it has (down through the objects and collections it owns), another lists
// the properties on which two objects differ. An Assign that drops one property shows as a
// difference after copying an object changed this way.
//
//   TFont source, copy;
//   VaryPublishedValues(&source);
//   EXPECT_EQ(EqualPublishedValues(&source, &copy), std::vector<std::string>{});  // all moved
//   copy.Assign(&source);
//   EXPECT_EQ(DifferingPublishedValues(&source, &copy), std::vector<std::string>{});

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/classes/collection.h"
#include "platform/classes/property_access.h"

namespace lab::testing {

namespace detail {

inline std::string PathOf(const std::string& path, const std::string& name) {
  return path.empty() ? name : path + "." + name;
}

// Tries the candidates in turn until one sticks; false when none does (refused or kept).
template <class T, class Get, class Set>
bool TryValues(const std::vector<T>& candidates, const Get& get, const Set& set) {
  const T before = get();
  for (const T& v : candidates) {
    if (v == before) continue;
    try {
      set(v);
    } catch (const std::exception&) {
      continue;
    }
    if (get() != before) return true;
  }
  return false;
}

// Ordinal candidates with the property's default last: a value another property may have moved
// away from its default is not moved back if anything else will do.
inline std::vector<std::int64_t> DefaultLast(const TPropInfo* p, std::vector<std::int64_t> candidates) {
  if (p->HasDefault())
    std::stable_partition(candidates.begin(), candidates.end(),
                          [&](std::int64_t v) { return v != p->OrdDefault(); });
  return candidates;
}

inline bool VaryOne(TPersistent* object, const TPropInfo* p) {
  switch (p->Kind()) {
    case tkEnumeration: {
      const std::int64_t now = p->GetOrd(object);
      const int count = p->EnumInfo() ? p->EnumInfo()->Count() : 2;
      std::vector<std::int64_t> candidates;
      for (int k = 1; k < count; ++k) candidates.push_back((now + k) % count);
      return TryValues<std::int64_t>(DefaultLast(p, candidates), [&] { return p->GetOrd(object); },
                                     [&](std::int64_t v) { p->SetOrd(object, v); });
    }
    case tkSet: {
      const std::int64_t now = p->GetOrd(object);
      const int count = p->EnumInfo() ? p->EnumInfo()->Count() : 0;
      std::vector<std::int64_t> candidates;
      for (int k = 0; k < count; ++k) candidates.push_back(now ^ (std::int64_t{1} << k));
      return TryValues<std::int64_t>(DefaultLast(p, candidates), [&] { return p->GetOrd(object); },
                                     [&](std::int64_t v) { p->SetOrd(object, v); });
    }
    case tkInteger:
    case tkInt64: {
      const std::int64_t now = p->GetOrd(object);
      std::vector<std::int64_t> candidates;
      if (p->IdentsType() == "TColor") candidates = {0x00345678, 0x00123456};
      for (std::int64_t v : {now + 3, now + 1, now - 1, now * 2 + 5, std::int64_t{1}, std::int64_t{50}})
        candidates.push_back(v);
      return TryValues<std::int64_t>(DefaultLast(p, candidates), [&] { return p->GetOrd(object); },
                                     [&](std::int64_t v) { p->SetOrd(object, v); });
    }
    case tkFloat: {
      const double now = p->GetFloat(object);
      return TryValues<double>({now + 1.5, now + 0.25, now - 1, 2.0}, [&] { return p->GetFloat(object); },
                               [&](double v) { p->SetFloat(object, v); });
    }
    case tkString: {
      const std::string now = p->GetStr(object);
      return TryValues<std::string>({now + "x", "Lab", "1"}, [&] { return p->GetStr(object); },
                                    [&](const std::string& v) { p->SetStr(object, v); });
    }
    default:
      return false;
  }
}

// `within` holds the item classes of the collections on the way down: a collection of items that
// may hold a collection of the same items (a drop-down's columns) gets no item of its own there.
inline void Vary(TPersistent* object, const std::string& path, std::set<TPersistent*>& seen,
                 std::vector<TCollectionItemClass>& within, std::vector<std::string>& kept) {
  if (!object || !seen.insert(object).second) return;
  if (auto* collection = dynamic_cast<TCollection*>(object)) {
    const TCollectionItemClass item_class = collection->ItemClass();
    if (std::find(within.begin(), within.end(), item_class) != within.end()) return;
    within.push_back(item_class);
    if (collection->Count() == 0) {
      try {
        collection->Add();
      } catch (const std::exception&) {
        kept.push_back(PathOf(path, "Count"));
      }
    }
    for (int i = 0; i < collection->Count(); ++i)
      Vary(collection->Items(i), path + "[" + std::to_string(i) + "]", seen, within, kept);
    within.pop_back();
  }
  for (const TPropInfo* p : GetPropList(object)) {
    if (!p->CanRead() || p->Kind() == tkMethod || p->IsComponentRef()) continue;
    if (p->Kind() == tkClass) {
      Vary(p->GetObject(object), PathOf(path, p->Name()), seen, within, kept);
    } else if (p->CanWrite() && !VaryOne(object, p)) {
      kept.push_back(PathOf(path, p->Name()));
    }
  }
}

// Walks both objects side by side, listing the paths that differ (or, with `equal`, those that do not).
inline void Compare(TPersistent* a, TPersistent* b, const std::string& path, bool equal,
                    std::vector<std::string>& out) {
  if (!a || !b) {
    if ((a == b) == equal) out.push_back(path.empty() ? "(object)" : path);
    return;
  }
  auto* ca = dynamic_cast<TCollection*>(a);
  auto* cb = dynamic_cast<TCollection*>(b);
  if (ca && cb) {
    if ((ca->Count() == cb->Count()) == equal) out.push_back(PathOf(path, "Count"));
    for (int i = 0; i < ca->Count() && i < cb->Count(); ++i)
      Compare(ca->Items(i), cb->Items(i), path + "[" + std::to_string(i) + "]", equal, out);
  }
  for (const TPropInfo* p : GetPropList(a)) {
    if (!p->CanRead() || p->Kind() == tkMethod) continue;
    const std::string where = PathOf(path, p->Name());
    if (p->Kind() == tkClass && !p->IsComponentRef()) {
      Compare(p->GetObject(a), p->GetObject(b), where, equal, out);
    } else if ((GetPropText(a, p) == GetPropText(b, p)) == equal) {
      out.push_back(where);
    }
  }
}

}  // namespace detail

// Gives every writable published property of `object` (and of the objects it owns; an empty
// collection first gets an item) a value other than its current one. Answers the paths of the
// properties that kept theirs (every value tried was refused or changed nothing).
inline std::vector<std::string> VaryPublishedValues(TPersistent* object) {
  std::set<TPersistent*> seen;
  std::vector<TCollectionItemClass> within;
  std::vector<std::string> kept;
  detail::Vary(object, "", seen, within, kept);
  return kept;
}

// The paths of the published properties on which `a` and `b` (of one class) differ; owned objects
// and collection items are compared property by property. Events are left out.
inline std::vector<std::string> DifferingPublishedValues(TPersistent* a, TPersistent* b) {
  std::vector<std::string> out;
  detail::Compare(a, b, "", false, out);
  return out;
}

// The paths on which they agree: after VaryPublishedValues on one of two new objects, the properties
// that could not be moved (or were moved back by another), which a dropped copy would not show.
inline std::vector<std::string> EqualPublishedValues(TPersistent* a, TPersistent* b) {
  std::vector<std::string> out;
  detail::Compare(a, b, "", true, out);
  return out;
}

}  // namespace lab::testing
