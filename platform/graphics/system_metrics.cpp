#include "platform/graphics/system_metrics.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <utility>

namespace lab::win {
namespace {

constexpr std::pair<int, int> kMetrics[] = {
    {SM_CXVSCROLL, 17}, {SM_CYHSCROLL, 17}, {SM_CYCAPTION, 19},
    {SM_CXBORDER, 1}, {SM_CYBORDER, 1}, {SM_CXDLGFRAME, 3}, {SM_CYDLGFRAME, 3}, {SM_CYVTHUMB, 17},
    {SM_CXHTHUMB, 17}, {SM_CXICON, 32}, {SM_CYICON, 32}, {SM_CXCURSOR, 32}, {SM_CYCURSOR, 32},
    {SM_CYMENU, 19}, {SM_MOUSEPRESENT, 1},
    {SM_CYVSCROLL, 17}, {SM_CXHSCROLL, 17}, {SM_SWAPBUTTON, 0}, {SM_CXMIN, 112}, {SM_CYMIN, 27},
    {SM_CXSIZE, 18}, {SM_CYSIZE, 18}, {SM_CXFRAME, 4}, {SM_CYFRAME, 4}, {SM_CXMINTRACK, 112},
    {SM_CYMINTRACK, 27}, {SM_CXDOUBLECLK, 4}, {SM_CYDOUBLECLK, 4}, {SM_CXICONSPACING, 75},
    {SM_CYICONSPACING, 75}, {SM_MENUDROPALIGNMENT, 0}, {SM_DBCSENABLED, 0}, {SM_CMOUSEBUTTONS, 3},
    {SM_CXEDGE, 2}, {SM_CYEDGE, 2}, {SM_CXSMICON, 16}, {SM_CYSMICON, 16}, {SM_CYSMCAPTION, 15},
    {SM_CXSMSIZE, 12}, {SM_CYSMSIZE, 15}, {SM_CXMENUSIZE, 18}, {SM_CYMENUSIZE, 18}, {SM_CXDRAG, 4},
    {SM_CYDRAG, 4}, {SM_CXMENUCHECK, 13}, {SM_CYMENUCHECK, 13}, {SM_MOUSEWHEELPRESENT, 1},
    {SM_XVIRTUALSCREEN, 0}, {SM_YVIRTUALSCREEN, 0}, {SM_CMONITORS, 1}, {SM_CXFOCUSBORDER, 1}, {SM_CYFOCUSBORDER, 1},
};

// Both halves in one word, so a reader never sees the width of one size with the height of another.
std::atomic<std::uint64_t> g_screen{(std::uint64_t{1920} << 32) | 1080};

LOGFONT DesktopFont(LONG Weight) {
  LOGFONT f{};
  f.lfHeight = -11;
  f.lfWeight = Weight;
  f.lfCharSet = DEFAULT_CHARSET;
  f.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  std::strcpy(f.lfFaceName, "sans-serif");
  return f;
}

}  // namespace

bool SystemParametersInfo(UINT Action, UINT, void* Value, UINT) {
  if (Action != SPI_GETNONCLIENTMETRICS || !Value) return false;
  auto& m = *static_cast<NONCLIENTMETRICS*>(Value);
  if (m.cbSize != sizeof(NONCLIENTMETRICS)) return false;
  m.iBorderWidth = 1;
  m.iScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
  m.iScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
  m.iCaptionWidth = GetSystemMetrics(SM_CXSIZE);
  m.iCaptionHeight = GetSystemMetrics(SM_CYCAPTION) - 1;
  m.lfCaptionFont = DesktopFont(FW_BOLD);
  m.iSmCaptionWidth = GetSystemMetrics(SM_CXSMSIZE);
  m.iSmCaptionHeight = GetSystemMetrics(SM_CYSMCAPTION) - 1;
  m.lfSmCaptionFont = DesktopFont(FW_BOLD);
  m.iMenuWidth = GetSystemMetrics(SM_CXMENUSIZE);
  m.iMenuHeight = GetSystemMetrics(SM_CYMENUSIZE);
  m.lfMenuFont = m.lfStatusFont = m.lfMessageFont = DesktopFont(FW_NORMAL);
  m.iPaddedBorderWidth = 0;
  return true;
}

void SetScreenSize(SIZE Size) noexcept {
  g_screen.store((std::uint64_t{static_cast<std::uint32_t>(Size.cx)} << 32) | static_cast<std::uint32_t>(Size.cy));
}

int GetSystemMetrics(int index) {
  const std::uint64_t screen = g_screen.load(std::memory_order_relaxed);
  const int width = static_cast<int>(screen >> 32), height = static_cast<int>(screen & 0xFFFFFFFF);
  switch (index) {
    case SM_CXSCREEN: case SM_CXFULLSCREEN: case SM_CXVIRTUALSCREEN: return width;
    case SM_CYSCREEN: case SM_CYVIRTUALSCREEN: return height;
    // The client area of a maximised window: below its caption and above a task bar as high.
    case SM_CYFULLSCREEN: return height - 2 * GetSystemMetrics(SM_CYCAPTION);
    default: break;
  }
  for (const auto& [i, v] : kMetrics)
    if (i == index) return v;
  return 0;
}

}  // namespace lab::win
