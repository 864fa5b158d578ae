#pragma once
// Splitting text into lines for the string lists.

#include <string_view>

namespace lab {

// Calls F with each line of Text. A line ends at CR LF, at LF or at a lone CR (so LF CR is two
// breaks); a break at the very end makes no empty last line.
template <class F>
void ForEachLine(std::string_view Text, F f) {
  const char* p = Text.data();
  const char* const end = p + Text.size();
  while (p < end) {
    const char* start = p;
    while (p < end && *p != '\n' && *p != '\r') ++p;
    f(std::string_view(start, static_cast<std::size_t>(p - start)));
    if (p < end && *p == '\r') ++p;
    if (p < end && *p == '\n') ++p;
  }
}

}  // namespace lab
