#pragma once
// The last exception the interception points saw, kept twice: the last seen object and address (each
// replaced only by a non-null value) and the current record of object, address and flag (always
// replaced). The dialog may show a replacement for the exception's message.

#include <string>
#include <typeinfo>

namespace lab {

struct TLastExceptionInfo {
  const void* Object = nullptr;
  const std::type_info* Class = nullptr;  // the type it was thrown with
  const void* Address = nullptr;
  bool Flag = false;  // the address is a return address
};

void StoreLastExceptionInfo(const void* Object, const std::type_info* Class, const void* Address, bool Flag);
// The name the hooks use for it.
inline void SetLastExceptionInfo(const void* Object, const std::type_info* Class, const void* Address, bool Flag) {
  StoreLastExceptionInfo(Object, Class, Address, Flag);
}
// The current record (as last stored).
TLastExceptionInfo LastExceptionInfo();
// The last seen object while it is still a valid object, else nullptr; and its address.
const void* GetLastExceptionObject();
const void* GetLastExceptionAddress();
void SetLastExceptionObject(const void* Object);
// Forgets both (the dispatcher does, once an exception is dealt with).
void ClearLastExceptionInfo();

// The replacement text when one is set, else the current exception's printable message.
std::string GetExceptionMessageText();
void SetExceptionMessageReplacement(const std::string& Text);

}  // namespace lab
