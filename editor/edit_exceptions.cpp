#include "editor/edit_exceptions.h"

#include <string>

namespace lab {

void CodeAssertionFailed(std::string_view Unit, std::string_view Message) {
  std::string text(Message.empty() ? std::string_view("Assertion failure") : Message);
  text += " (";
  text += Unit;
  text += ')';
  throw EAssertionFailed(std::move(text));
}

}  // namespace lab
