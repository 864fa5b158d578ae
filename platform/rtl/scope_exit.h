#pragma once
// Cleanup that must run however a scope is left, in place of a try block that cleans up and rethrows:
//
//   BeginUpdate();
//   TScopeExit end_update([&] { EndUpdate(); });
//
// TScopeFail runs its cleanup only when the scope is left by an exception (undoing a half-done step).
//
// A cleanup that raises on the normal way out raises to the caller, as the same call written after
// the block would; while an exception is already on its way out, a raising cleanup is dropped so the
// first error is the one reported (and the destructor never raises during unwinding).

#include <exception>
#include <type_traits>
#include <utility>

namespace lab {

namespace detail {

template <class F, bool OnlyOnFailure>
class TScopeGuard {
 public:
  explicit TScopeGuard(F f) noexcept(std::is_nothrow_move_constructible_v<F>)
      : f_(std::move(f)), exceptions_(std::uncaught_exceptions()) {}
  TScopeGuard(const TScopeGuard&) = delete;
  TScopeGuard& operator=(const TScopeGuard&) = delete;

  ~TScopeGuard() noexcept(false) {
    if (released_) return;
    if (std::uncaught_exceptions() > exceptions_) {
      try {
        f_();
      } catch (...) {
      }
    } else if constexpr (!OnlyOnFailure) {
      f_();
    }
  }

  // The cleanup is no longer needed (the step it undoes was completed).
  void Release() noexcept { released_ = true; }

 private:
  F f_;
  int exceptions_;
  bool released_ = false;
};

}  // namespace detail

template <class F>
class [[nodiscard]] TScopeExit : public detail::TScopeGuard<F, false> {
 public:
  using detail::TScopeGuard<F, false>::TScopeGuard;
};
template <class F>
TScopeExit(F) -> TScopeExit<F>;

template <class F>
class [[nodiscard]] TScopeFail : public detail::TScopeGuard<F, true> {
 public:
  using detail::TScopeGuard<F, true>::TScopeGuard;
};
template <class F>
TScopeFail(F) -> TScopeFail<F>;

}  // namespace lab
