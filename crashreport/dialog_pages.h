#pragma once
// The exception dialog's pages: each a child dialog in the tab control's page area, made when its
// tab is chosen and destroyed when another one is (one page exists at a time). General and CPU show
// the report as rich text, Call Stack and Modules as lists whose widths are kept, Other the custom
// data in a fixed font, black on white.

#include "crashreport/dialog_frame.h"
#include "crashreport/dialog_state.h"

namespace lab {

// What the pages take from their dialog: its background with the library's own look (nullptr:
// the default), and its auto-close count, which their input resets.
struct TPageLook {
  win::HBRUSH Background = nullptr;
  TAutoClose* AutoClose = nullptr;
};

// Makes the page inside Tab (its page area, TCM_ADJUSTRECT); nullptr when it cannot be made.
win::HWND CreateDialogPage(TDialogPage Page, win::HWND Tab, const TPageLook& Look);
// Fits the page to Tab's page area again.
void PlaceDialogPage(win::HWND Page, win::HWND Tab);

}  // namespace lab
