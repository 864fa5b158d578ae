#include "platform/controls/dialog_controls.h"

#include "platform/controls/win_control.h"
#include "platform/controls/window_manager.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/utf8.h"

namespace lab {

using namespace win;

void NotifyClicked(TWinControl* Control) {
  if (!Control->HandleAllocated()) return;
  const HWND h = Control->Handle();
  const HWND parent = wm::GetParent(h);
  if (!parent) return;
  const WORD id = static_cast<WORD>(wm::GetWindowLongPtr(h, GWLP_ID));
  wm::SendMessage(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(h));
}

bool IsMnemonic(char32_t Key, const std::string& Text) {
  const std::u32string text = Utf8Decode(Text);
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != U'&') continue;
    if (text[i + 1] == U'&') {
      ++i;  // "&&" is an ampersand
      continue;
    }
    return AnsiUpperCase(Utf8Encode(std::u32string(1, text[i + 1]))) ==
           AnsiUpperCase(Utf8Encode(std::u32string(1, Key)));
  }
  return false;
}

HBRUSH ParentColors(TWinControl* Control, HDC DC) {
  DC->SetTextColor(ColorToRGB(Control->Font()->Color()));
  DC->SetBkColor(ColorToRGB(Control->Color()));
  DC->SetBkMode(OPAQUE);
  if (!Control->HandleAllocated()) return nullptr;
  const HWND h = Control->Handle();
  const HWND parent = wm::GetParent(h);
  if (!parent) return nullptr;
  return reinterpret_cast<HBRUSH>(
      wm::SendMessage(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(DC), reinterpret_cast<LPARAM>(h)));
}

}  // namespace lab
