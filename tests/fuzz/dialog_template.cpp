// Dialog templates: any bytes read without harm, into a template or the template error, and every
// control read is a visible child with a place whose far edges fit.

#include <cstdint>
#include <limits>
#include <string_view>

#include "platform/controls/dialog_template.h"
#include "platform/controls/window_styles.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const TDialogTemplate t = ParseDialogTemplate(text);
    LAB_FUZZ_CHECK(t.Bounds.Width() >= 0 && t.Bounds.Height() >= 0);
    for (const TDialogItemTemplate& item : t.Items) {
      LAB_FUZZ_CHECK((item.Style & (win::WS_CHILD | win::WS_VISIBLE)) == (win::WS_CHILD | win::WS_VISIBLE));
      LAB_FUZZ_CHECK(item.Bounds.Right >= item.Bounds.Left && item.Bounds.Bottom >= item.Bounds.Top);
    }
  } catch (const EDialogTemplateError&) {
  }
  return 0;
}
