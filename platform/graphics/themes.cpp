#include "platform/graphics/themes.h"

namespace lab {

TThemeServices& ThemeServices() {
  static TThemeServices services;
  return services;
}

void TThemeServices::DrawElement(TDeviceContext* dc, const TThemedElementDetails& details, const TRect& r,
                                 const TRect* clip) const {
  if (!dc || r.IsEmpty()) return;
  const bool clipped = clip && !clip->IsEmpty();
  if (clipped) {
    dc->SaveDC();
    dc->IntersectClipRect(*clip);
  }
  TColorRef face = SystemColorRGB(syscolor::BtnFace), border = face;
  switch (details.State) {
    case TS_HOT:
    case TS_HOTCHECKED:
      face = RGB(229, 243, 251);
      border = RGB(112, 192, 231);
      break;
    case TS_PRESSED:
    case TS_CHECKED:
      face = RGB(204, 232, 255);
      border = RGB(86, 157, 229);
      break;
    case TS_DISABLED:
      border = SystemColorRGB(syscolor::BtnShadow);
      break;
    default:
      break;
  }
  dc->FillSolidRect(r, face);
  if (border != face) {
    dc->FillSolidRect({r.Left, r.Top, r.Right, r.Top + 1}, border);
    dc->FillSolidRect({r.Left, r.Bottom - 1, r.Right, r.Bottom}, border);
    dc->FillSolidRect({r.Left, r.Top, r.Left + 1, r.Bottom}, border);
    dc->FillSolidRect({r.Right - 1, r.Top, r.Right, r.Bottom}, border);
  }
  if (details.Part == TP_SPLITBUTTONDROPDOWN || details.Part == TP_DROPDOWNBUTTON) {
    // The small arrow of a drop-down part.
    const int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
    for (int i = 0; i < 3; ++i)
      dc->FillSolidRect({cx - 2 + i, cy - 1 + i, cx + 3 - i, cy + i}, SystemColorRGB(syscolor::BtnText));
  }
  if (clipped) dc->RestoreDC(-1);
}

}  // namespace lab
