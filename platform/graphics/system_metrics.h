#pragma once
// GetSystemMetrics from one fixed table (the classic desktop at 96 pixels per inch), so layouts and
// tests come out the same everywhere; only the screen's size is the real one, as the back-end in
// use reports it (1920×1080 until one does).

#include "platform/graphics/gdi_types.h"

namespace lab::win {

constexpr int SM_CXSCREEN = 0, SM_CYSCREEN = 1, SM_CXVSCROLL = 2, SM_CYHSCROLL = 3, SM_CYCAPTION = 4,
              SM_CXBORDER = 5, SM_CYBORDER = 6, SM_CXDLGFRAME = 7, SM_CYDLGFRAME = 8, SM_CYVTHUMB = 9,
              SM_CXHTHUMB = 10, SM_CXICON = 11, SM_CYICON = 12, SM_CXCURSOR = 13, SM_CYCURSOR = 14,
              SM_CYMENU = 15, SM_CXFULLSCREEN = 16, SM_CYFULLSCREEN = 17, SM_MOUSEPRESENT = 19,
              SM_CYVSCROLL = 20, SM_CXHSCROLL = 21, SM_SWAPBUTTON = 23, SM_CXMIN = 28, SM_CYMIN = 29,
              SM_CXSIZE = 30, SM_CYSIZE = 31, SM_CXFRAME = 32, SM_CYFRAME = 33, SM_CXMINTRACK = 34,
              SM_CYMINTRACK = 35, SM_CXDOUBLECLK = 36, SM_CYDOUBLECLK = 37, SM_CXICONSPACING = 38,
              SM_CYICONSPACING = 39, SM_MENUDROPALIGNMENT = 40, SM_DBCSENABLED = 42, SM_CMOUSEBUTTONS = 43,
              SM_CXEDGE = 45, SM_CYEDGE = 46, SM_CXSMICON = 49, SM_CYSMICON = 50, SM_CYSMCAPTION = 51,
              SM_CXSMSIZE = 52, SM_CYSMSIZE = 53, SM_CXMENUSIZE = 54, SM_CYMENUSIZE = 55, SM_CXDRAG = 68,
              SM_CYDRAG = 69, SM_CXMENUCHECK = 71, SM_CYMENUCHECK = 72, SM_MOUSEWHEELPRESENT = 75,
              SM_XVIRTUALSCREEN = 76, SM_YVIRTUALSCREEN = 77, SM_CXVIRTUALSCREEN = 78,
              SM_CYVIRTUALSCREEN = 79, SM_CMONITORS = 80, SM_CXFOCUSBORDER = 83, SM_CYFOCUSBORDER = 84;

// 0 for an index outside the table, as the system answers unknown indexes.
int GetSystemMetrics(int index);
// The screen's size from now on (the back-end calls it as it starts and when the size changes).
void SetScreenSize(SIZE Size) noexcept;

// The sizes and fonts of windows' captions, menus and messages, of the same desktop: "sans-serif"
// at 8 points (11 pixels), the captions bold.
struct NONCLIENTMETRICS {
  UINT cbSize;
  int iBorderWidth, iScrollWidth, iScrollHeight, iCaptionWidth, iCaptionHeight;
  LOGFONT lfCaptionFont;
  int iSmCaptionWidth, iSmCaptionHeight;
  LOGFONT lfSmCaptionFont;
  int iMenuWidth, iMenuHeight;
  LOGFONT lfMenuFont, lfStatusFont, lfMessageFont;
  int iPaddedBorderWidth;
};
constexpr UINT SPI_GETNONCLIENTMETRICS = 0x0029;
// Only SPI_GETNONCLIENTMETRICS, into a NONCLIENTMETRICS whose cbSize is set; false otherwise.
bool SystemParametersInfo(UINT Action, UINT Param, void* Value, UINT WinIni);

}  // namespace lab::win
