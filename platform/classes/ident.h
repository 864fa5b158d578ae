#pragma once
// Identifiers of the streaming system: component names and the names a form text uses.

#include <string_view>

namespace lab {

// A letter or underscore, then letters, digits and underscores (ASCII).
inline bool IsValidIdent(std::string_view s) noexcept {
  if (s.empty()) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    const bool alpha = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    const bool digit = c >= '0' && c <= '9';
    if (!(alpha || (i > 0 && digit))) return false;
  }
  return true;
}

}  // namespace lab
