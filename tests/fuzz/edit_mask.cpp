// Edit masks with a value to show and text typed at a position: every edit text the mask makes has
// one character per position, and typing either fits or leaves the text untouched.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/controls/edit_mask.h"
#include "platform/rtl/utf8.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  FuzzedDataProvider in(data, size);
  const std::string mask_text = in.ConsumeRandomLengthString(64);
  const std::string value = in.ConsumeRandomLengthString(64);
  const std::string typed = in.ConsumeRandomLengthString(16);
  const auto pos = in.ConsumeIntegralInRange<std::int32_t>(-2, 70);
  const TEditMask mask(mask_text, U'/', U':');
  const auto length = static_cast<std::size_t>(mask.Length());
  LAB_FUZZ_CHECK(mask.EmptyEditText().size() == length);
  const std::u32string shown = mask.FormatText(Utf8Decode(value));
  LAB_FUZZ_CHECK(shown.size() == length);
  LAB_FUZZ_CHECK(mask.FormatText(Utf8Decode(value), false).size() == length);
  mask.EnteredText(shown);
  mask.TextOf(shown);
  const std::int32_t invalid = mask.FirstInvalid(shown);
  LAB_FUZZ_CHECK(invalid >= -1 && invalid < mask.Length());
  std::u32string edit = shown;
  std::int32_t new_pos = -1;
  if (mask.Insert(edit, pos, Utf8Decode(typed), new_pos)) {
    LAB_FUZZ_CHECK(edit.size() == length);
    LAB_FUZZ_CHECK(new_pos >= 0 && new_pos <= mask.Length());
  } else {
    LAB_FUZZ_CHECK(edit == shown);
  }
  const std::int32_t next = mask.NextEditable(pos), prev = mask.PrevEditable(pos);
  LAB_FUZZ_CHECK(next >= std::min(pos, mask.Length()) && next <= mask.Length());
  LAB_FUZZ_CHECK(prev >= -1 && prev <= std::max(pos, -1));
  FormatMaskText(mask_text, value);
  return 0;
}
