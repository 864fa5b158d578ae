#pragma once
// Event handlers known by name, so form text can bind "OnClick = Button1Click" and write the name
// back. A form registers its handlers (RegisterHandler on the root component); the reader looks the
// names up there and stores each bound handler wrapped in a TNamedHandler.

#include <any>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lab {

template <class Fn>
struct TNamedHandler;

// A handler that remembers the name it was bound with.
template <class R, class... A>
struct TNamedHandler<std::function<R(A...)>> {
  std::string Name;
  std::function<R(A...)> Handler;

  R operator()(A... args) const { return Handler(std::forward<A>(args)...); }
};

// Named handlers of any event type; each is held as the std::function type of its event.
class THandlerTable {
 public:
  // Adds or replaces the handler of that name (compared without case).
  void Add(std::string Name, std::any Handler);
  // The handler of that name, or nullptr.
  const std::any* Find(std::string_view Name) const;

 private:
  std::vector<std::pair<std::string, std::any>> handlers_;
};

}  // namespace lab
