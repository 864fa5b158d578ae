#include "crashreport/capture/last_exception.h"

#include <mutex>

#include "crashreport/report/object_checks.h"
#include "crashreport/process_state.h"

namespace lab {
namespace {

struct TLastExceptions {
  std::mutex lock;
  TLastExceptionInfo current;
  const void* seen_object = nullptr;
  const void* seen_address = nullptr;
  std::string replacement;
};

TLastExceptions& Last() {
  static TLastExceptions* last = new TLastExceptions;
  return *last;
}

}  // namespace

void StoreLastExceptionInfo(const void* Object, const std::type_info* Class, const void* Address, bool Flag) {
  TLastExceptions& l = Last();
  std::lock_guard guard(l.lock);
  l.current = TLastExceptionInfo{Object, Class, Address, Flag};
  if (Object) l.seen_object = Object;
  if (Address) l.seen_address = Address;
}

TLastExceptionInfo LastExceptionInfo() {
  TLastExceptions& l = Last();
  std::lock_guard guard(l.lock);
  return l.current;
}

const void* GetLastExceptionObject() {
  const void* object;
  {
    TLastExceptions& l = Last();
    std::lock_guard guard(l.lock);
    object = l.seen_object;
  }
  return IsValidObject(object) ? object : nullptr;
}

const void* GetLastExceptionAddress() {
  TLastExceptions& l = Last();
  std::lock_guard guard(l.lock);
  return l.seen_address;
}

void SetLastExceptionObject(const void* Object) {
  TLastExceptions& l = Last();
  std::lock_guard guard(l.lock);
  l.seen_object = Object;
}

void ClearLastExceptionInfo() {
  TLastExceptions& l = Last();
  std::lock_guard guard(l.lock);
  l.current = TLastExceptionInfo{};
  l.seen_object = nullptr;
  l.seen_address = nullptr;
}

std::string GetExceptionMessageText() {
  {
    TLastExceptions& l = Last();
    std::lock_guard guard(l.lock);
    if (!l.replacement.empty()) return l.replacement;
  }
  return CrashState().ExceptionMessageText;
}

void SetExceptionMessageReplacement(const std::string& Text) {
  TLastExceptions& l = Last();
  std::lock_guard guard(l.lock);
  l.replacement = Text;
}

}  // namespace lab
