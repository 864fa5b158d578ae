#include "platform/graphics/colors.h"

#include <array>
#include <charconv>
#include <cstdio>

#include "platform/rtl/exceptions.h"

namespace lab {
namespace {

// The classic grey scheme: fixed so that pixel tests and screenshots do not depend on a desktop theme.
constexpr std::array<TColorRef, syscolor::Count> kSystemColors = {
    RGB(212, 208, 200),  // ScrollBar
    RGB(58, 110, 165),   // Background
    RGB(10, 36, 106),    // ActiveCaption
    RGB(128, 128, 128),  // InactiveCaption
    RGB(212, 208, 200),  // Menu
    RGB(255, 255, 255),  // Window
    RGB(0, 0, 0),        // WindowFrame
    RGB(0, 0, 0),        // MenuText
    RGB(0, 0, 0),        // WindowText
    RGB(255, 255, 255),  // CaptionText
    RGB(212, 208, 200),  // ActiveBorder
    RGB(212, 208, 200),  // InactiveBorder
    RGB(128, 128, 128),  // AppWorkSpace
    RGB(10, 36, 106),    // Highlight
    RGB(255, 255, 255),  // HighlightText
    RGB(212, 208, 200),  // BtnFace
    RGB(128, 128, 128),  // BtnShadow
    RGB(128, 128, 128),  // GrayText
    RGB(0, 0, 0),        // BtnText
    RGB(212, 208, 200),  // InactiveCaptionText
    RGB(255, 255, 255),  // BtnHighlight
    RGB(64, 64, 64),     // 3DDkShadow
    RGB(212, 208, 200),  // 3DLight
    RGB(0, 0, 0),        // InfoText
    RGB(255, 255, 225),  // InfoBk
    RGB(181, 181, 181),  // (unused slot 25)
    RGB(0, 0, 128),      // HotLight
    RGB(166, 202, 240),  // GradientActiveCaption
    RGB(192, 192, 192),  // GradientInactiveCaption
    RGB(49, 106, 197),   // MenuHighlight
    RGB(212, 208, 200),  // MenuBar
};

struct ColorName {
  TColor Color;
  std::string_view Name;
};

constexpr ColorName kColorNames[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"}, {clSkyBlue, "clSkyBlue"}, {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clActiveBorder, "clActiveBorder"}, {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"}, {clBackground, "clBackground"}, {clBtnFace, "clBtnFace"},
    {clBtnHighlight, "clBtnHighlight"}, {clBtnShadow, "clBtnShadow"}, {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"}, {clGrayText, "clGrayText"}, {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"}, {clInactiveBorder, "clInactiveBorder"},
    {clInactiveCaption, "clInactiveCaption"}, {clInactiveCaptionText, "clInactiveCaptionText"},
    {clMenu, "clMenu"}, {clMenuText, "clMenuText"}, {clScrollBar, "clScrollBar"},
    {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"}, {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"}, {clHotLight, "clHotLight"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clMenuHighlight, "clMenuHighlight"}, {clMenuBar, "clMenuBar"},
    {clWindow, "clWindow"}, {clWindowFrame, "clWindowFrame"}, {clWindowText, "clWindowText"},
    {clNone, "clNone"}, {clDefault, "clDefault"},
};

bool SameIdent(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

TColorRef SystemColorRGB(int index) noexcept {
  if (index < 0 || index >= syscolor::Count) return 0;
  return kSystemColors[static_cast<std::size_t>(index)];
}

TColorRef ColorToRGB(TColor color) noexcept {
  if (color < 0) return SystemColorRGB(color & 0xFF);
  return static_cast<TColorRef>(color);
}

std::optional<std::string_view> ColorToIdent(TColor color) {
  for (const auto& n : kColorNames)
    if (n.Color == color) return n.Name;
  return std::nullopt;
}

std::optional<TColor> IdentToColor(std::string_view ident) {
  for (const auto& n : kColorNames)
    if (SameIdent(n.Name, ident)) return n.Color;
  return std::nullopt;
}

std::string ColorToString(TColor color) {
  if (auto name = ColorToIdent(color)) return std::string(*name);
  char buf[16];
  std::snprintf(buf, sizeof buf, "$%.8X", static_cast<unsigned>(color));
  return buf;
}

TColor StringToColor(std::string_view text) {
  if (auto c = IdentToColor(text)) return *c;
  std::string_view digits = text;
  int base = 10;
  bool negative = false;
  if (!digits.empty() && digits.front() == '$') {
    digits.remove_prefix(1);
    base = 16;
  } else if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits.remove_prefix(2);
    base = 16;
  } else if (!digits.empty() && digits.front() == '-') {
    digits.remove_prefix(1);
    negative = true;
  }
  std::int64_t value = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() ||
      value > 0xFFFFFFFFll)
    throw EConvertError("'%s' is not a valid integer value", std::string(text));
  if (negative) value = -value;
  if (value < INT32_MIN) throw EConvertError("'%s' is not a valid integer value", std::string(text));
  return static_cast<TColor>(static_cast<std::uint32_t>(value));
}

}  // namespace lab
