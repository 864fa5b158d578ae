#pragma once
// DrawText and DrawTextEx: formatted text in a rectangle (alignment, word breaking, end ellipsis,
// tab expansion, '&' prefixes, margins), or its measurement with DT_CALCRECT. Each line is shown in
// display order (right-to-left runs reversed; DT_RTLREADING makes the line itself right-to-left).

#include "platform/graphics/gdi.h"

namespace lab::win {

constexpr UINT DT_TOP = 0x0, DT_LEFT = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4,
               DT_BOTTOM = 0x8, DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_EXPANDTABS = 0x40,
               DT_TABSTOP = 0x80, DT_NOCLIP = 0x100, DT_EXTERNALLEADING = 0x200, DT_CALCRECT = 0x400,
               DT_NOPREFIX = 0x800, DT_INTERNAL = 0x1000, DT_EDITCONTROL = 0x2000,
               DT_PATH_ELLIPSIS = 0x4000, DT_END_ELLIPSIS = 0x8000, DT_MODIFYSTRING = 0x10000,
               DT_RTLREADING = 0x20000, DT_WORD_ELLIPSIS = 0x40000, DT_NOFULLWIDTHCHARBREAK = 0x80000,
               DT_HIDEPREFIX = 0x100000, DT_PREFIXONLY = 0x200000;

struct DRAWTEXTPARAMS {
  UINT cbSize = sizeof(DRAWTEXTPARAMS);  // 20, as the record's users expect
  int iTabLength = 0;                     // in average character widths
  int iLeftMargin = 0;
  int iRightMargin = 0;
  UINT uiLengthDrawn = 0;                 // out: characters processed
};
static_assert(sizeof(DRAWTEXTPARAMS) == 20);

// Answers the height of the text (with DT_VCENTER or DT_BOTTOM on a single line, the offset from the
// rectangle's top to the bottom of the text); 0 for no text or bad arguments.
int DrawText(HDC dc, std::string_view text, int count, RECT* rect, UINT format);
int DrawTextEx(HDC dc, std::string_view text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params);

}  // namespace lab::win
