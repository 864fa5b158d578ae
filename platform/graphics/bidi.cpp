#include "platform/graphics/bidi.h"

#include <unicode/ubidi.h>
#include <unicode/uchar.h>

#include <memory>

namespace lab {

bool HasRightToLeft(std::u32string_view text) noexcept {
  for (char32_t c : text) {
    // Hebrew, Arabic, Syriac, Thaana, NKo, Samaritan, Mandaic and their presentation forms, and
    // the right-to-left scripts of the supplementary planes.
    if ((c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF) ||
        (c >= 0x10800 && c <= 0x10FFF) || (c >= 0x1E800 && c <= 0x1EFFF) || c == 0x200F || c == 0x202B ||
        c == 0x202E || c == 0x2067)
      return true;
  }
  return false;
}

bool ReorderForDisplay(std::u32string_view logical, bool rtl_paragraph, std::u32string& visual,
                       std::vector<int>& order) {
  visual.clear();
  order.clear();
  if (logical.empty() || (!rtl_paragraph && !HasRightToLeft(logical))) return false;

  // ICU works on UTF-16: keep where each code point starts.
  std::u16string utf16;
  std::vector<int> unit_to_char;
  utf16.reserve(logical.size());
  for (std::size_t i = 0; i < logical.size(); ++i) {
    char32_t c = logical[i];
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c >= 0x10000) {
      utf16.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      utf16.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
      unit_to_char.push_back(static_cast<int>(i));
      unit_to_char.push_back(static_cast<int>(i));
    } else {
      utf16.push_back(static_cast<char16_t>(c));
      unit_to_char.push_back(static_cast<int>(i));
    }
  }
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UBiDi, decltype(&ubidi_close)> bidi(ubidi_openSized(static_cast<int32_t>(utf16.size()), 0, &status),
                                                       &ubidi_close);
  if (U_FAILURE(status)) return false;
  ubidi_setPara(bidi.get(), reinterpret_cast<const UChar*>(utf16.data()), static_cast<int32_t>(utf16.size()),
                rtl_paragraph ? UBIDI_RTL : UBIDI_LTR, nullptr, &status);
  if (U_FAILURE(status)) return false;
  if (ubidi_getDirection(bidi.get()) == UBIDI_LTR) return false;
  std::vector<int32_t> map(utf16.size());
  ubidi_getVisualMap(bidi.get(), map.data(), &status);
  if (U_FAILURE(status)) return false;
  bool changed = false;
  int last = -1;
  for (std::size_t v = 0; v < map.size(); ++v) {
    const int ch = unit_to_char[static_cast<std::size_t>(map[v])];
    if (ch == last) continue;  // the second half of a surrogate pair
    last = ch;
    char32_t c = logical[static_cast<std::size_t>(ch)];
    if (ubidi_getLevelAt(bidi.get(), map[v]) & 1) c = u_charMirror(static_cast<UChar32>(c));
    if (static_cast<std::size_t>(ch) != order.size() || c != logical[static_cast<std::size_t>(ch)]) changed = true;
    visual.push_back(c);
    order.push_back(ch);
  }
  if (!changed) {
    visual.clear();
    order.clear();
  }
  return changed;
}

}  // namespace lab
