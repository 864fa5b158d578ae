#include "platform/classes/event_handlers.h"

#include "platform/rtl/strutils.h"

namespace lab {

void THandlerTable::Add(std::string Name, std::any Handler) {
  for (auto& [name, handler] : handlers_)
    if (SameText(name, Name)) {
      handler = std::move(Handler);
      return;
    }
  handlers_.emplace_back(std::move(Name), std::move(Handler));
}

const std::any* THandlerTable::Find(std::string_view Name) const {
  for (const auto& [name, handler] : handlers_)
    if (SameText(name, Name)) return &handler;
  return nullptr;
}

}  // namespace lab
