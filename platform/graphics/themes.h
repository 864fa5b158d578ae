#pragma once
// The framework's theme services. Visual themes are off unless switched on, so themed parts draw the
// classic way by default; when on, the elements that are asked for get a flat themed look.

#include "platform/graphics/device_context.h"

namespace lab {

enum TThemedElement { teButton, teToolBar };
// Toolbar parts and states, with the numbers of the visual-style classes.
constexpr int TP_BUTTON = 1, TP_DROPDOWNBUTTON = 2, TP_SPLITBUTTON = 3, TP_SPLITBUTTONDROPDOWN = 4;
constexpr int TS_NORMAL = 1, TS_HOT = 2, TS_PRESSED = 3, TS_DISABLED = 4, TS_CHECKED = 5, TS_HOTCHECKED = 6;

struct TThemedElementDetails {
  TThemedElement Element = teToolBar;
  int Part = 0;
  int State = 0;
};

class TThemeServices {
 public:
  bool ThemesEnabled() const noexcept { return enabled_; }
  bool ThemesAvailable() const noexcept { return true; }
  void SetThemesEnabled(bool v) noexcept { enabled_ = v; }

  // Draws a toolbar button or split button face into r, limited to *clip when given and not empty.
  void DrawElement(TDeviceContext* dc, const TThemedElementDetails& details, const TRect& r,
                   const TRect* clip = nullptr) const;

 private:
  bool enabled_ = false;
};

TThemeServices& ThemeServices();

}  // namespace lab
