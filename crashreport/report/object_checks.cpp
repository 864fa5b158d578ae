#include "crashreport/report/object_checks.h"

#include <cxxabi.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <stdexcept>

#include "crashreport/crashlog.h"
#include "crashreport/report/memory_probe.h"
#include "platform/rtl/strutils.h"

namespace lab {
namespace {

constexpr std::size_t kMaxNameLength = 4096;
constexpr int kMaxClassDepth = 64;
constexpr unsigned kMaxBases = 256;

const void* VirtualTableOf(const std::type_info& ti) { return *reinterpret_cast<const void* const*>(&ti); }

// The three kinds of class information: no base, one public base, any other bases. All modules
// share them through the C++ runtime.
enum class TClassKind { None, Plain, Single, Multiple };

TClassKind KindOf(const void* vtable) {
  static const void* const plain = VirtualTableOf(typeid(std::exception));
  static const void* const single = VirtualTableOf(typeid(std::runtime_error));
  static const void* const multiple = VirtualTableOf(typeid(std::iostream));
  if (vtable == plain) return TClassKind::Plain;
  if (vtable == single) return TClassKind::Single;
  if (vtable == multiple) return TClassKind::Multiple;
  return TClassKind::None;
}

bool Aligned(const void* p) { return (reinterpret_cast<std::uintptr_t>(p) & 7) == 0; }

// A zero-ended text of at most kMaxNameLength characters whose every byte can be read.
bool ReadableName(const char* name) {
  if (!name) return false;
  constexpr std::uintptr_t kPage = 4096;
  for (std::size_t i = 0; i < kMaxNameLength; ++i) {
    const char* p = name + i;
    if (i == 0 || (reinterpret_cast<std::uintptr_t>(p) & (kPage - 1)) == 0) {
      const std::size_t rest = kPage - (reinterpret_cast<std::uintptr_t>(p) & (kPage - 1));
      if (!IsMemoryReadable(p, rest)) return false;
    }
    if (*p == 0) return true;
  }
  return false;
}

// Class information whose every part the walk reads is readable: answers its kind, None when it
// is not class information.
TClassKind SoundClass(const std::type_info* ti) {
  if (!ti || !Aligned(ti) || !IsMemoryReadable(ti, 2 * sizeof(void*))) return TClassKind::None;
  const TClassKind kind = KindOf(VirtualTableOf(*ti));
  if (kind == TClassKind::None) return kind;
  const char* name = reinterpret_cast<const char* const*>(ti)[1];
  if (!ReadableName(name)) return TClassKind::None;
  if (kind == TClassKind::Single && !IsMemoryReadable(ti, sizeof(abi::__si_class_type_info)))
    return TClassKind::None;
  if (kind == TClassKind::Multiple) {
    const auto* vmi = static_cast<const abi::__vmi_class_type_info*>(ti);
    if (!IsMemoryReadable(vmi, sizeof(abi::__vmi_class_type_info))) return TClassKind::None;
    const unsigned count = vmi->__base_count;
    const auto* bases = reinterpret_cast<const char*>(&vmi->__base_info[0]);
    if (count > kMaxBases || !IsMemoryReadable(bases, count * sizeof(abi::__base_class_type_info)))
      return TClassKind::None;
  }
  return kind;
}

// The type's name as the compiler wrote it (a local class's may start with "*").
const char* RawName(const std::type_info& ti) {
  const char* name = ti.name();
  return name[0] == '*' ? name + 1 : name;
}

std::string Demangled(const std::type_info& ti) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> text(abi::__cxa_demangle(RawName(ti), nullptr, nullptr, &status),
                                                   &std::free);
  return status == 0 && text ? std::string(text.get()) : std::string(RawName(ti));
}

// The last component of a qualified name, template arguments kept.
std::string LastComponent(const std::string& qualified) {
  int depth = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < qualified.size(); ++i) {
    const char c = qualified[i];
    if (c == '<' || c == '(') ++depth;
    else if ((c == '>' || c == ')') && depth > 0) --depth;
    else if (depth == 0 && c == ':' && i + 1 < qualified.size() && qualified[i + 1] == ':') start = i + 2;
  }
  return qualified.substr(start);
}

// Calls Match on the class and its ancestors until it answers true; every class is checked first.
template <class F>
bool AnyAncestor(const std::type_info* ti, F Match, int depth = 0) {
  const TClassKind kind = SoundClass(ti);
  if (kind == TClassKind::None || depth > kMaxClassDepth) return false;
  if (Match(*ti)) return true;
  if (kind == TClassKind::Single)
    return AnyAncestor(static_cast<const abi::__si_class_type_info*>(ti)->__base_type, Match, depth + 1);
  if (kind == TClassKind::Multiple) {
    const auto* vmi = static_cast<const abi::__vmi_class_type_info*>(ti);
    for (unsigned i = 0; i < vmi->__base_count; ++i)
      if (AnyAncestor(vmi->__base_info[i].__base_type, Match, depth + 1)) return true;
  }
  return false;
}

bool NameMatches(const std::type_info& ti, std::string_view Name) {
  const std::string qualified = Demangled(ti);
  if (Name.find("::") != std::string_view::npos) return SameText(qualified, Name);
  return SameText(LastComponent(qualified), Name);
}

bool SameClass(const std::type_info& a, const std::type_info& b) { return std::strcmp(RawName(a), RawName(b)) == 0; }

}  // namespace

const std::type_info* ObjectClass(const void* Object) {
  if (!Object || !Aligned(Object) || !IsMemoryReadable(Object, sizeof(void*))) return nullptr;
  const auto* vtable = *static_cast<const void* const* const*>(Object);
  if (!vtable || !Aligned(vtable) || !IsMemoryReadable(vtable - 2, 2 * sizeof(void*))) return nullptr;
  const auto* ti = static_cast<const std::type_info*>(vtable[-1]);
  return SoundClass(ti) == TClassKind::None ? nullptr : ti;
}

bool IsValidObject(const void* Object) { return ObjectClass(Object) != nullptr; }

std::string ClassNameOf(const std::type_info& Class) { return LastComponent(Demangled(Class)); }

std::string ObjectClassName(const void* Object) {
  const std::type_info* ti = ObjectClass(Object);
  return ti ? ClassNameOf(*ti) : std::string();
}

bool ClassInheritsFromName(const std::type_info& Class, std::string_view Name) {
  return AnyAncestor(&Class, [&](const std::type_info& ti) { return NameMatches(ti, Name); });
}

bool ClassInheritsFromClass(const std::type_info& Class, const std::type_info& Ancestor) {
  return AnyAncestor(&Class, [&](const std::type_info& ti) { return SameClass(ti, Ancestor); });
}

bool ObjectInheritsFromName(const void* Object, std::string_view Name) {
  const std::type_info* ti = ObjectClass(Object);
  return ti && ClassInheritsFromName(*ti, Name);
}

bool ObjectInheritsFromClass(const void* Object, const std::type_info& Class) {
  const std::type_info* ti = ObjectClass(Object);
  return ti && ClassInheritsFromClass(*ti, Class);
}

bool ObjectInheritsFromAny(const void* Object, std::initializer_list<const std::type_info*> Classes) {
  const std::type_info* ti = ObjectClass(Object);
  if (!ti) return false;
  for (const std::type_info* c : Classes)
    if (c && ClassInheritsFromClass(*ti, *c)) return true;
  return false;
}

bool IsValidNonAbortException(const void* Object) {
  const std::type_info* ti = ObjectClass(Object);
  return ti && !ClassInheritsFromClass(*ti, typeid(EAbort));
}

bool IsNotExternalException(const void* Object) { return !ObjectInheritsFromClass(Object, typeid(EExternal)); }

bool IsValidHandle(int Descriptor) { return Descriptor >= 0 && ::fcntl(Descriptor, F_GETFD) != -1; }

bool IsThreadRunning(std::uint32_t ThreadID) {
  return ThreadID != 0 && ::syscall(SYS_tgkill, ::getpid(), static_cast<pid_t>(ThreadID), 0) == 0;
}

}  // namespace lab
