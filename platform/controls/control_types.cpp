#include "platform/controls/control_types.h"

#include <cstdio>

#include "platform/controls/input.h"

namespace lab {

using namespace lab::win;

namespace {
bool Held(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }
}  // namespace

TShiftState KeyDataToShiftState(LPARAM KeyData) {
  TShiftState s;
  if (Held(VK_SHIFT)) s.Include(ssShift);
  if (Held(VK_CONTROL)) s.Include(ssCtrl);
  if (KeyData & KF_ALTDOWN_BIT) s.Include(ssAlt);
  return s;
}

TShiftState KeysToShiftState(WORD Keys) {
  TShiftState s;
  if (Keys & MK_SHIFT) s.Include(ssShift);
  if (Keys & MK_CONTROL) s.Include(ssCtrl);
  if (Keys & MK_LBUTTON) s.Include(ssLeft);
  if (Keys & MK_RBUTTON) s.Include(ssRight);
  if (Keys & MK_MBUTTON) s.Include(ssMiddle);
  if (Held(VK_MENU)) s.Include(ssAlt);
  return s;
}

TShiftState KeyboardStateToShiftState() {
  TShiftState s;
  if (Held(VK_SHIFT)) s.Include(ssShift);
  if (Held(VK_CONTROL)) s.Include(ssCtrl);
  if (Held(VK_MENU)) s.Include(ssAlt);
  if (Held(VK_LBUTTON)) s.Include(ssLeft);
  if (Held(VK_RBUTTON)) s.Include(ssRight);
  if (Held(VK_MBUTTON)) s.Include(ssMiddle);
  return s;
}

TShortCut ShortCut(WORD Key, TShiftState Shift) {
  if (Key & 0xFF00) return scNone;
  TShortCut s = Key;
  if (Shift.Contains(ssShift)) s |= scShift;
  if (Shift.Contains(ssCtrl)) s |= scCtrl;
  if (Shift.Contains(ssAlt)) s |= scAlt;
  return s;
}

void ShortCutToKey(TShortCut ShortCut, WORD& Key, TShiftState& Shift) {
  Key = ShortCut & 0xFF;
  Shift = {};
  if (ShortCut & scShift) Shift.Include(ssShift);
  if (ShortCut & scCtrl) Shift.Include(ssCtrl);
  if (ShortCut & scAlt) Shift.Include(ssAlt);
}

std::string ShortCutToText(TShortCut ShortCut) {
  const WORD key = ShortCut & 0xFF;
  std::string name;
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) {
    name = std::string(1, static_cast<char>(key));
  } else if (key >= VK_F1 && key <= VK_F24) {
    name = "F";
    name += std::to_string(key - VK_F1 + 1);
  } else {
    switch (key) {
      case VK_BACK: name = "BkSp"; break;
      case VK_TAB: name = "Tab"; break;
      case VK_RETURN: name = "Enter"; break;
      case VK_ESCAPE: name = "Esc"; break;
      case VK_SPACE: name = "Space"; break;
      case VK_PRIOR: name = "PgUp"; break;
      case VK_NEXT: name = "PgDn"; break;
      case VK_END: name = "End"; break;
      case VK_HOME: name = "Home"; break;
      case VK_LEFT: name = "Left"; break;
      case VK_UP: name = "Up"; break;
      case VK_RIGHT: name = "Right"; break;
      case VK_DOWN: name = "Down"; break;
      case VK_INSERT: name = "Ins"; break;
      case VK_DELETE: name = "Del"; break;
      case VK_OEM_7: name = "'"; break;
      default:
        if (key == 0) return {};
        char buf[8];
        std::snprintf(buf, sizeof buf, "#%u", static_cast<unsigned>(key));
        name = buf;
    }
  }
  std::string text;
  if (ShortCut & scShift) text += "Shift+";
  if (ShortCut & scCtrl) text += "Ctrl+";
  if (ShortCut & scAlt) text += "Alt+";
  return text + name;
}

}  // namespace lab
