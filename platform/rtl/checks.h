#pragma once
// LAB_ASSERT checks an invariant that the code relies on and a comment states. The checks are
// compiled in where LAB_CHECKS is defined (the unoptimised, sanitizer and fuzz builds) and cost
// nothing elsewhere: the condition is then not evaluated. A failed check names the condition and
// its place on the standard error output and aborts, so a test run stops at the first broken
// structure instead of reading garbage later.

namespace lab::detail {

[[noreturn]] void AssertionFailed(const char* Condition, const char* File, int Line) noexcept;

}  // namespace lab::detail

#if defined(LAB_CHECKS) && LAB_CHECKS
#define LAB_ASSERT(Condition) \
  ((Condition) ? static_cast<void>(0) : ::lab::detail::AssertionFailed(#Condition, __FILE__, __LINE__))
#else
#define LAB_ASSERT(Condition) static_cast<void>(sizeof(!(Condition)))
#endif
