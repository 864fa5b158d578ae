#pragma once
// The exception dialog's pages: each a child dialog in the tab control's page area, made when its
// tab is chosen and destroyed when another one is (one page exists at a time). General and CPU show
// the report as rich text, Call Stack and Modules as lists whose widths are kept, Other the custom
// data in a fixed font, black on white.

#include <memory>
#include <vector>

#include "crashreport/dialogs/dialog_fonts.h"
#include "crashreport/dialogs/dialog_frame.h"
#include "crashreport/dialogs/dialog_lists.h"
#include "crashreport/dialogs/dialog_state.h"

namespace lab {

class TListViewItems;

// What the pages take from their dialog: its background with the library's own look (nullptr:
// the default), its auto-close count, which their input resets, and its fonts (the lists' and the
// custom data's; nullptr: the template's).
struct TPageLook {
  win::HBRUSH Background = nullptr;
  TAutoClose* AutoClose = nullptr;
  const TDialogFonts* Fonts = nullptr;
};

// The page that is up: its window, run by its procedure, and what it made.
class TDetailsPage {
 public:
  // Makes the page inside Tab (its page area, TCM_ADJUSTRECT); Window() is nullptr when it cannot
  // be made.
  TDetailsPage(TDialogPage Kind, win::HWND Tab, const TPageLook& Look);
  // Destroys the window when it is still there.
  ~TDetailsPage();
  TDetailsPage(const TDetailsPage&) = delete;
  TDetailsPage& operator=(const TDetailsPage&) = delete;

  win::HWND Window() const noexcept { return window_; }
  // Fits the page to Tab's page area again.
  void Place(win::HWND Tab);

 private:
  void FillList(win::HWND Page);
  void SaveListWidths(win::HWND Page);
  void InitPage(win::HWND Page);
  std::intptr_t PageColours(win::WPARAM DC);
  std::intptr_t Proc(win::HWND Page, win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam);

  TDialogPage kind_;
  TPageLook look_;
  win::HWND window_ = nullptr;
  std::vector<TDialogListColumn> columns_;
  std::vector<TDialogListRow> rows_;
  std::unique_ptr<TListViewItems> items_;
  win::HBRUSH white_ = nullptr;
};

}  // namespace lab
