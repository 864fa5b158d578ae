// The locale-dependent routines of strutils.h, over ICU.
#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/uiter.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/rtl/strutils.h"
#include "platform/rtl/utf8.h"

namespace lab {

namespace {

// The collation locale from the environment, read once: "" (root) for C, POSIX or nothing.
const std::string& CollationLocale() {
  static const std::string locale = [] {
    for (const char* name : {"LC_ALL", "LC_COLLATE", "LANG"}) {
      const char* value = std::getenv(name);
      if (!value || !*value) continue;
      std::string s(value);
      s = s.substr(0, s.find_first_of(".@"));
      return s == "C" || s == "POSIX" ? std::string() : s;
    }
    return std::string();
  }();
  return locale;
}

UCollator* OpenCollator(UColAttributeValue strength) {
  UErrorCode status = U_ZERO_ERROR;
  UCollator* collator = ucol_open(CollationLocale().c_str(), &status);
  if (U_FAILURE(status)) {
    status = U_ZERO_ERROR;
    collator = ucol_open("", &status);
  }
  if (U_FAILURE(status)) return nullptr;
  ucol_setStrength(collator, strength);
  return collator;
}

// Collators are opened per thread, so no comparison waits for another thread; the buffers keep
// comparisons in a sort from allocating.
struct TCollation {
  UCollator* without_case = OpenCollator(UCOL_SECONDARY);
  UCollator* with_case = OpenCollator(UCOL_TERTIARY);
  std::u16string a, b;

  ~TCollation() {
    if (without_case) ucol_close(without_case);
    if (with_case) ucol_close(with_case);
  }
};

TCollation& Collation() {
  thread_local TCollation collation;
  return collation;
}

// UTF-16 of S, with stray bytes taken as Latin-1 as everywhere else. No text has more UTF-16
// units than UTF-8 bytes, so the units are written into room made once.
void ToUtf16(std::string_view s, std::u16string& out) {
  out.resize(s.size());
  char16_t* to = out.data();
  for (std::size_t i = 0; i < s.size();) {
    const auto byte = static_cast<unsigned char>(s[i]);
    if (byte < 0x80) {
      *to++ = byte;
      ++i;
      continue;
    }
    std::size_t length;
    const char32_t c = Utf8At(s, i, &length);
    i += length;
    if (c >= 0x10000) {
      *to++ = static_cast<char16_t>(0xD7C0 + (c >> 10));
      *to++ = static_cast<char16_t>(0xDC00 | (c & 0x3FF));
    } else {
      *to++ = static_cast<char16_t>(c);
    }
  }
  out.resize(static_cast<std::size_t>(to - out.data()));
}

// WellFormed: the caller knows both texts are well-formed UTF-8.
UCollationResult Strcoll(UCollator* collator, std::u16string& a, std::u16string& b, std::string_view s1,
                         std::string_view s2, bool well_formed) {
  // Well-formed UTF-8 goes to the collator as it is; only text with stray bytes (Latin-1 here,
  // U+FFFD to ICU) is converted first.
  if (well_formed || (Utf8WellFormed(s1) && Utf8WellFormed(s2))) {
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult r = ucol_strcollUTF8(collator, s1.data(), static_cast<int32_t>(s1.size()), s2.data(),
                                                static_cast<int32_t>(s2.size()), &status);
    if (U_SUCCESS(status)) return r;
  }
  ToUtf16(s1, a);
  ToUtf16(s2, b);
  return ucol_strcoll(collator, reinterpret_cast<const UChar*>(a.data()), static_cast<int32_t>(a.size()),
                      reinterpret_cast<const UChar*>(b.data()), static_cast<int32_t>(b.size()));
}

int Collate(UCollator* collator, std::u16string& a, std::u16string& b, std::string_view s1,
            std::string_view s2, bool well_formed = false) {
  if (s1 == s2) return 0;  // the common case of searches, without the collator
  if (!collator) return CompareStr(s1, s2);
  switch (Strcoll(collator, a, b, s1, s2, well_formed)) {
    case UCOL_LESS: return -1;
    case UCOL_GREATER: return 1;
    default: return 0;
  }
}

template <class Map>
std::string MapCase(std::string_view s, Map map) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const auto byte = static_cast<unsigned char>(s[i]);
    std::size_t length = 1;
    if (byte < 0x80) {
      out += static_cast<char>(map(byte));
    } else {
      const char32_t c = Utf8At(s, i, &length);
      if (length == 1)
        out += s[i];  // not UTF-8: left alone
      else
        Utf8Append(out, static_cast<char32_t>(map(static_cast<UChar32>(c))));
    }
    i += length;
  }
  return out;
}

}  // namespace

int AnsiCompareText(std::string_view S1, std::string_view S2) {
  TCollation& c = Collation();
  return Collate(c.without_case, c.a, c.b, S1, S2);
}

namespace {

int CompareWithCase(std::string_view S1, std::string_view S2, bool WellFormed) {
  TCollation& c = Collation();
  const int order = Collate(c.with_case, c.a, c.b, S1, S2, WellFormed);
  if (order != 0) return order;
  const int bytes = CompareStr(S1, S2);
  return bytes < 0 ? -1 : bytes > 0 ? 1 : 0;
}

}  // namespace

int AnsiCompareStr(std::string_view S1, std::string_view S2) { return CompareWithCase(S1, S2, false); }

int AnsiCompareWellFormedStr(std::string_view S1, std::string_view S2) { return CompareWithCase(S1, S2, true); }

bool AnsiSameText(std::string_view S1, std::string_view S2) { return AnsiCompareText(S1, S2) == 0; }

void AnsiSortKey(std::string_view S, std::string& Key) {
  TCollation& c = Collation();
  if (c.with_case) {
    // The collator's key ends in a 0 byte that no key holds before its end, so the bytes after it
    // only decide between strings the collator finds equal, as AnsiCompareStr's tie-break does.
    ToUtf16(S, c.a);
    const auto* text = reinterpret_cast<const UChar*>(c.a.data());
    const auto length = static_cast<int32_t>(c.a.size());
    const std::size_t start = Key.size();
    std::size_t room = 3 * c.a.size() + 16;
    for (;;) {
      Key.resize(start + room);
      const int32_t need = ucol_getSortKey(c.with_case, text, length, reinterpret_cast<uint8_t*>(Key.data() + start),
                                           static_cast<int32_t>(room));
      if (static_cast<std::size_t>(need) <= room) {
        Key.resize(start + static_cast<std::size_t>(need));
        break;
      }
      room = static_cast<std::size_t>(need);
    }
  }
  Key.append(S);
}

std::string AnsiSortKeyPrefix(std::string_view S, std::size_t Count) {
  TCollation& c = Collation();
  std::string key;
  if (c.with_case) {
    ToUtf16(S, c.a);
    UCharIterator text;
    uiter_setString(&text, reinterpret_cast<const UChar*>(c.a.data()), static_cast<int32_t>(c.a.size()));
    uint32_t state[2] = {0, 0};
    UErrorCode status = U_ZERO_ERROR;
    key.resize(Count);
    const int32_t made = ucol_nextSortKeyPart(c.with_case, &text, state, reinterpret_cast<uint8_t*>(key.data()),
                                              static_cast<int32_t>(Count), &status);
    if (U_FAILURE(status)) {
      key.clear();
      AnsiSortKey(S, key);
      key.resize(std::min(key.size(), Count));
      return key;
    }
    key.resize(static_cast<std::size_t>(made));
    if (key.size() == Count) return key;
    key += '\0';  // the parts leave out the 0 that ends the whole key
  }
  key.append(S.substr(0, Count - std::min(key.size(), Count)));
  return key;
}

std::string AnsiUpperCase(std::string_view S) { return MapCase(S, u_toupper); }
std::string AnsiLowerCase(std::string_view S) { return MapCase(S, u_tolower); }

}  // namespace lab
