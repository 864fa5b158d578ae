#pragma once
// The exception dialog's pages: each a child dialog in the tab control's page area, made when its
// tab is chosen and destroyed when another one is (one page exists at a time). General and CPU show
// the report as rich text, Call Stack and Modules as lists whose widths are kept, Other the custom
// data in a fixed font, black on white.

#include "crashreport/dialogs/dialog_fonts.h"
#include "crashreport/dialogs/dialog_frame.h"
#include "crashreport/dialogs/dialog_state.h"

namespace lab {

// What the pages take from their dialog: its background with the library's own look (nullptr:
// the default), its auto-close count, which their input resets, and its fonts (the lists' and the
// custom data's; nullptr: the template's).
struct TPageLook {
  win::HBRUSH Background = nullptr;
  TAutoClose* AutoClose = nullptr;
  const TDialogFonts* Fonts = nullptr;
};

// Makes the page inside Tab (its page area, TCM_ADJUSTRECT); nullptr when it cannot be made.
win::HWND CreateDialogPage(TDialogPage Page, win::HWND Tab, const TPageLook& Look);
// Fits the page to Tab's page area again.
void PlaceDialogPage(win::HWND Page, win::HWND Tab);

}  // namespace lab
