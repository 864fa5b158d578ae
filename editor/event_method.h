#pragma once
// TEventMethod: an event handler that can be found again. Lists of handlers (the keyboard handler's
// lists, the highlighter's change hooks) must remove a handler by the handler itself, which a bare
// std::function cannot be compared for; a method bound to its object can, by object and method.

#include <cstdint>
#include <cstring>
#include <functional>
#include <utility>

namespace lab {

template <class... Args>
class TEventMethod {
 public:
  using Function = std::function<void(Args...)>;

  TEventMethod() = default;
  // Object's Method; equal to every other binding of the same method to the same object.
  template <class T>
  TEventMethod(T* Object, void (T::*Method)(Args...))
      : function_([Object, Method](Args... args) { (Object->*Method)(std::forward<Args>(args)...); }),
        data_(Object) {
    static_assert(sizeof(Method) <= sizeof(code_), "a member function pointer wider than expected");
    std::memcpy(code_, &Method, sizeof(Method));
  }
  // A function with an identity of the caller's choosing (Data and Code), e.g. the object a lambda
  // serves and a number for the lambda.
  TEventMethod(Function F, const void* Data, std::uintptr_t Code = 0) : function_(std::move(F)), data_(Data) {
    std::memcpy(code_, &Code, sizeof(Code));
  }

  explicit operator bool() const { return static_cast<bool>(function_); }
  void operator()(Args... args) const { function_(std::forward<Args>(args)...); }
  const void* Data() const { return data_; }

  // The same object and the same method (or the same chosen identity).
  friend bool operator==(const TEventMethod& A, const TEventMethod& B) {
    return A.data_ == B.data_ && std::memcmp(A.code_, B.code_, sizeof(A.code_)) == 0 &&
           static_cast<bool>(A) == static_cast<bool>(B);
  }

 private:
  Function function_;
  const void* data_ = nullptr;
  unsigned char code_[2 * sizeof(void*)] = {};
};

}  // namespace lab
