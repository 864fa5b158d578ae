#include "platform/graphics/graphics_unit.h"

#include <string>

#include "platform/classes/class_registry.h"
#include "platform/classes/type_info.h"
#include "platform/graphics/colors.h"
#include "platform/graphics/cursors.h"
#include "platform/graphics/image_list.h"

namespace lab {
namespace {

struct CharsetName {
  int Value;
  std::string_view Name;
};
constexpr CharsetName kCharsets[] = {
    {0, "ANSI_CHARSET"},         {1, "DEFAULT_CHARSET"},     {2, "SYMBOL_CHARSET"},
    {77, "MAC_CHARSET"},         {128, "SHIFTJIS_CHARSET"},  {129, "HANGEUL_CHARSET"},
    {130, "JOHAB_CHARSET"},      {134, "GB2312_CHARSET"},    {136, "CHINESEBIG5_CHARSET"},
    {161, "GREEK_CHARSET"},      {162, "TURKISH_CHARSET"},   {163, "VIETNAMESE_CHARSET"},
    {177, "HEBREW_CHARSET"},     {178, "ARABIC_CHARSET"},    {186, "BALTIC_CHARSET"},
    {204, "RUSSIAN_CHARSET"},    {222, "THAI_CHARSET"},      {238, "EASTEUROPE_CHARSET"},
    {255, "OEM_CHARSET"},
};

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

void StartGraphics() {
  RegisterIntegerConsts(
      "TColor",
      [](std::string_view ident, std::int64_t& value) {
        const auto c = IdentToColor(ident);
        if (c) value = *c;
        return c.has_value();
      },
      [](std::int64_t value, std::string& ident) {
        const auto n = ColorToIdent(static_cast<TColor>(value));
        if (n) ident = *n;
        return n.has_value();
      });
  RegisterIntegerConsts(
      "TCursor",
      [](std::string_view ident, std::int64_t& value) {
        const auto c = IdentToCursor(ident);
        if (c) value = *c;
        return c.has_value();
      },
      [](std::int64_t value, std::string& ident) {
        const auto n = CursorToIdent(static_cast<TCursor>(value));
        if (n) ident = *n;
        return n.has_value();
      });
  RegisterIntegerConsts(
      "TFontCharset",
      [](std::string_view ident, std::int64_t& value) {
        for (const auto& c : kCharsets)
          if (SameText(c.Name, ident)) {
            value = c.Value;
            return true;
          }
        return false;
      },
      [](std::int64_t value, std::string& ident) {
        for (const auto& c : kCharsets)
          if (c.Value == value) {
            ident = c.Name;
            return true;
          }
        return false;
      });
  RegisterClasses<TImageList>();
}

}  // namespace

constinit const TUnit GraphicsUnit{"Graphics", &StartGraphics};

}  // namespace lab
