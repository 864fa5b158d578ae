#pragma once
// Tests on objects, classes, handles and threads that must hold on memory that may be damaged: a
// garbage or unmapped pointer answers false and never faults. An object is a polymorphic C++ object;
// its class comes from its virtual table's type information (the Itanium C++ ABI), and classes of
// different modules are matched by their names.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <typeinfo>

namespace lab {

// The pointer is readable and its virtual table leads to readable class information with a
// readable name.
bool IsValidObject(const void* Object);
// The class of a valid object (its most derived type); nullptr for anything else.
const std::type_info* ObjectClass(const void* Object);

// The class's name without its namespaces ("EAbort" for lab::EAbort); empty for a type that is not
// a class.
std::string ClassNameOf(const std::type_info& Class);
// The class's name of a valid object; empty otherwise.
std::string ObjectClassName(const void* Object);

// The object's class or one of its ancestors is named Name (compared without case; a name with
// "::" is compared with the qualified name).
bool ObjectInheritsFromName(const void* Object, std::string_view Name);
// ... is Class, matched by name, so copies of one class in two modules match.
bool ObjectInheritsFromClass(const void* Object, const std::type_info& Class);
bool ObjectInheritsFromAny(const void* Object, std::initializer_list<const std::type_info*> Classes);
// The same for a class known to be sound (the type an exception was thrown with).
bool ClassInheritsFromName(const std::type_info& Class, std::string_view Name);
bool ClassInheritsFromClass(const std::type_info& Class, const std::type_info& Ancestor);

// A valid object that is not an EAbort; an object that is not an EExternal (a fault turned into an
// exception).
bool IsValidNonAbortException(const void* Object);
bool IsNotExternalException(const void* Object);

// The descriptor is open.
bool IsValidHandle(int Descriptor);
// The thread of this process with that ID still runs. A thread that has just ended counts for a
// moment longer, until the kernel has let go of it (a join may return before that).
bool IsThreadRunning(std::uint32_t ThreadID);

}  // namespace lab
