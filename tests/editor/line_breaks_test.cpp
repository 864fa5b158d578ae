#include "editor/line_breaks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lab {
namespace {

using TFind = const char* (*)(const char*, const char*, bool&);

// The searches this processor can run: on one with AVX2 the 16-byte search only serves a line's last
// bytes, so it is tested here on its own.
std::vector<TFind> Searches() {
  std::vector<TFind> searches{&FindLineBreak16};
#if defined(__x86_64__)
  if (HaveAvx2()) searches.push_back(&FindLineBreak32);
#endif
  return searches;
}

TEST(LineBreaks, EachWidthFindsTheFirstBreakAndWhetherTheBytesBeforeItAreAscii) {
  // Texts up to 70 bytes (past two 32-byte and four 16-byte steps), a CR or an LF at every place or
  // none, and one byte of 0x80 or more at every place before or after it, or none.
  for (TFind find : Searches()) {
    for (int length = 0; length <= 70; ++length) {
      for (int at = 0; at <= length; ++at) {
        for (int high = -1; high < length; ++high) {
          if (high == at) continue;
          std::string text(static_cast<std::size_t>(length), 'a');
          if (at < length) text[static_cast<std::size_t>(at)] = at % 2 ? '\r' : '\n';
          if (high >= 0) text[static_cast<std::size_t>(high)] = static_cast<char>(0x80 + high);
          bool ascii = false;
          const char* stop = find(text.data(), text.data() + length, ascii);
          ASSERT_EQ(stop - text.data(), at) << length << " " << at << " " << high;
          ASSERT_EQ(ascii, high < 0 || high > at) << length << " " << at << " " << high;
        }
      }
    }
  }
}

}  // namespace
}  // namespace lab
