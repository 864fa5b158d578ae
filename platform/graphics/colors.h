#pragma once
// TColor: an RGB colour 0x00BBGGRR, or a system colour 0xFF0000nn naming entry nn of the fixed system
// colour table (COLOR_BTNFACE and friends), so a cell painted in clBtnFace follows the scheme.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lab {

using TColor = std::int32_t;
// A plain RGB value as the device functions take it: 0x00BBGGRR.
using TColorRef = std::uint32_t;

constexpr TColor SystemColor(int index) noexcept {
  return static_cast<TColor>(0xFF000000u | static_cast<std::uint32_t>(index & 0xFF));
}
constexpr bool IsSystemColor(TColor c) noexcept { return c < 0; }

constexpr TColorRef RGB(int r, int g, int b) noexcept {
  return static_cast<TColorRef>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(TColorRef c) noexcept { return static_cast<int>(c & 0xFF); }
constexpr int GetGValue(TColorRef c) noexcept { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int GetBValue(TColorRef c) noexcept { return static_cast<int>((c >> 16) & 0xFF); }

// System colour indexes (the COLOR_ numbers of the device layer).
namespace syscolor {
enum : int {
  ScrollBar = 0, Background = 1, ActiveCaption = 2, InactiveCaption = 3, Menu = 4, Window = 5,
  WindowFrame = 6, MenuText = 7, WindowText = 8, CaptionText = 9, ActiveBorder = 10,
  InactiveBorder = 11, AppWorkSpace = 12, Highlight = 13, HighlightText = 14, BtnFace = 15,
  BtnShadow = 16, GrayText = 17, BtnText = 18, InactiveCaptionText = 19, BtnHighlight = 20,
  DkShadow3D = 21, Light3D = 22, InfoText = 23, InfoBk = 24, HotLight = 26,
  GradientActiveCaption = 27, GradientInactiveCaption = 28, MenuHighlight = 29, MenuBar = 30,
  Count = 31
};
}

constexpr TColor clScrollBar = SystemColor(syscolor::ScrollBar);
constexpr TColor clBackground = SystemColor(syscolor::Background);
constexpr TColor clActiveCaption = SystemColor(syscolor::ActiveCaption);
constexpr TColor clInactiveCaption = SystemColor(syscolor::InactiveCaption);
constexpr TColor clMenu = SystemColor(syscolor::Menu);
constexpr TColor clWindow = SystemColor(syscolor::Window);
constexpr TColor clWindowFrame = SystemColor(syscolor::WindowFrame);
constexpr TColor clMenuText = SystemColor(syscolor::MenuText);
constexpr TColor clWindowText = SystemColor(syscolor::WindowText);
constexpr TColor clCaptionText = SystemColor(syscolor::CaptionText);
constexpr TColor clActiveBorder = SystemColor(syscolor::ActiveBorder);
constexpr TColor clInactiveBorder = SystemColor(syscolor::InactiveBorder);
constexpr TColor clAppWorkSpace = SystemColor(syscolor::AppWorkSpace);
constexpr TColor clHighlight = SystemColor(syscolor::Highlight);
constexpr TColor clHighlightText = SystemColor(syscolor::HighlightText);
constexpr TColor clBtnFace = SystemColor(syscolor::BtnFace);
constexpr TColor clBtnShadow = SystemColor(syscolor::BtnShadow);
constexpr TColor clGrayText = SystemColor(syscolor::GrayText);
constexpr TColor clBtnText = SystemColor(syscolor::BtnText);
constexpr TColor clInactiveCaptionText = SystemColor(syscolor::InactiveCaptionText);
constexpr TColor clBtnHighlight = SystemColor(syscolor::BtnHighlight);
constexpr TColor cl3DDkShadow = SystemColor(syscolor::DkShadow3D);
constexpr TColor cl3DLight = SystemColor(syscolor::Light3D);
constexpr TColor clInfoText = SystemColor(syscolor::InfoText);
constexpr TColor clInfoBk = SystemColor(syscolor::InfoBk);
constexpr TColor clHotLight = SystemColor(syscolor::HotLight);
constexpr TColor clGradientActiveCaption = SystemColor(syscolor::GradientActiveCaption);
constexpr TColor clGradientInactiveCaption = SystemColor(syscolor::GradientInactiveCaption);
constexpr TColor clMenuHighlight = SystemColor(syscolor::MenuHighlight);
constexpr TColor clMenuBar = SystemColor(syscolor::MenuBar);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
// "No colour" (a cell or token that takes its background from elsewhere) and "the owner's default".
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The RGB value of system colour `index` from the fixed scheme; 0 for an index outside the table.
TColorRef SystemColorRGB(int index) noexcept;

// A system colour resolved through the table; an RGB colour as it is. clNone and clDefault come back
// unchanged (callers test for them before resolving).
TColorRef ColorToRGB(TColor color) noexcept;

// The colour names of forms ("clBtnFace"), both ways. A colour without a name has none.
std::optional<std::string_view> ColorToIdent(TColor color);
std::optional<TColor> IdentToColor(std::string_view ident);
// Form text of a colour: its name, else "$00BBGGRR"; and back (names, "$hex", decimal).
std::string ColorToString(TColor color);
// Raises EConvertError for text that is no colour.
TColor StringToColor(std::string_view text);

}  // namespace lab
