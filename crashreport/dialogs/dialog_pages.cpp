#include "crashreport/dialogs/dialog_pages.h"

#include <memory>
#include <vector>

#include "crashreport/dialogs/crash_gui.h"
#include "crashreport/dialogs/dialog_lists.h"
#include "crashreport/dialogs/list_view_items.h"
#include "crashreport/process_state.h"
#include "crashreport/report/report_rtf.h"
#include "crashreport/report/report_text.h"
#include "platform/controls/common_controls.h"
#include "platform/controls/messages.h"
#include "platform/controls/standard_controls.h"
#include "platform/controls/window_styles.h"
#include "platform/graphics/gdi.h"

namespace lab {

namespace {

constexpr int kHeaderItem = 102, kContentItem = 103;

}  // namespace

void TDetailsPage::FillList(win::HWND Page) {
  TCrashGui& gui = CrashGui();
  const win::HWND list = gui.GetDlgItem(Page, kContentItem);
  if (!list) return;
  const TCrashModuleOptions& options = CurrentCrashLogOptions();
  const TCrashExceptionRecord& record = CurrentExceptionRecord();
  const TCrashDialogState& state = DialogState();
  if (kind_ == dpCallStack) {
    columns_ = CallStackColumns(options);
    if (state.CallStackRows) rows_ = *state.CallStackRows;
    else if (record.CallStack) rows_ = CallStackRows(*record.CallStack, options);
  } else {
    columns_ = ModuleColumns(options);
    if (state.ModuleRows) rows_ = *state.ModuleRows;
    else if (record.ModulesList) rows_ = ModuleRows(*record.ModulesList);
  }
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    win::LVCOLUMN c;
    c.mask = win::LVCF_FMT | win::LVCF_WIDTH | win::LVCF_TEXT;
    c.fmt = columns_[i].Alignment == taRightJustify ? win::LVCFMT_RIGHT : win::LVCFMT_LEFT;
    c.cx = columns_[i].Width;
    c.pszText = columns_[i].Caption.data();
    gui.SendMessage(list, win::LVM_INSERTCOLUMN, i, reinterpret_cast<win::LPARAM>(&c));
  }
  gui.SendMessage(list, win::LVM_SETEXTENDEDLISTVIEWSTYLE, win::LVS_EX_FULLROWSELECT, win::LVS_EX_FULLROWSELECT);
  gui.SendMessage(list, win::LVM_SETBKCOLOR, 0, static_cast<win::LPARAM>(RGB(255, 255, 255)));
  items_ = std::make_unique<TListViewItems>(list);
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const TDialogListRow& row = rows_[i];
    items_->AddItem(row.Texts, row.Heading, static_cast<std::uint32_t>(i), row.Image, row.Caption);
  }
}

void TDetailsPage::SaveListWidths(win::HWND Page) {
  TCrashGui& gui = CrashGui();
  const win::HWND list = gui.GetDlgItem(Page, kContentItem);
  if (!list || columns_.empty()) return;
  std::vector<int> widths;
  for (std::size_t i = 0; i < columns_.size(); ++i)
    widths.push_back(static_cast<int>(gui.SendMessage(list, win::LVM_GETCOLUMNWIDTH, i, 0)));
  SaveColumnWidths(columns_, widths);
}

void TDetailsPage::InitPage(win::HWND Page) {
  TCrashGui& gui = CrashGui();
  const TCrashModuleOptions& options = CurrentCrashLogOptions();
  SetItemText(Page, kHeaderItem, PageHeader(options, kind_));
  const win::HWND content = gui.GetDlgItem(Page, kContentItem);
  switch (kind_) {
    case dpGeneral:
    case dpCpu: {
      const TReportTexts& report = CurrentReport();
      const TReportFont font = look_.Fonts ? look_.Fonts->Report() : TReportFont{};
      SetRichEditRTF(content, kind_ == dpGeneral ? ReportToRTF(report.Header, font) : CpuReportToRTF(report.Cpu, font));
      SetRichEditBackColor(content, look_.Background ? TColor(0xC8D0D4) : TColor(clBtnFace));
      break;
    }
    case dpCallStack:
    case dpModules:
      if (look_.Fonts) SetItemFont(Page, kContentItem, look_.Fonts->List());
      FillList(Page);
      break;
    case dpCustomData:
      white_ = win::CreateSolidBrush(RGB(255, 255, 255));
      if (look_.Fonts) SetItemFont(Page, kContentItem, look_.Fonts->Fixed());
      SetItemText(Page, kContentItem, CrashState().CustomData);
      break;
  }
}

// The dialog's own background, with transparent black text on it; the default without it.
std::intptr_t TDetailsPage::PageColours(win::WPARAM DC) {
  if (!look_.Background) return 0;
  win::SetBkMode(reinterpret_cast<win::HDC>(DC), win::TRANSPARENT);
  win::SetTextColor(reinterpret_cast<win::HDC>(DC), RGB(0, 0, 0));
  return reinterpret_cast<std::intptr_t>(look_.Background);
}

std::intptr_t TDetailsPage::Proc(win::HWND Page, win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam) {
  if (TAutoClose::IsInput(Msg) && look_.AutoClose) look_.AutoClose->Reset();
  switch (Msg) {
    case win::WM_INITDIALOG:
      InitPage(Page);
      return 1;
    case win::WM_CTLCOLORSTATIC:
    case win::WM_CTLCOLOREDIT:
      // The custom data black on white; the header on the dialog's own background.
      if (white_ && reinterpret_cast<win::HWND>(LParam) == CrashGui().GetDlgItem(Page, kContentItem)) {
        win::SetTextColor(reinterpret_cast<win::HDC>(WParam), RGB(0, 0, 0));
        win::SetBkColor(reinterpret_cast<win::HDC>(WParam), RGB(255, 255, 255));
        return reinterpret_cast<std::intptr_t>(white_);
      }
      return PageColours(WParam);
    case win::WM_CTLCOLORDLG:
      return PageColours(WParam);
    case win::WM_DRAWITEM:
      if (!items_) return 0;
      return items_->DrawItem(*reinterpret_cast<const win::DRAWITEMSTRUCT*>(LParam));
    case win::WM_NOTIFY: {
      const auto& hdr = *reinterpret_cast<const win::NMHDR*>(LParam);
      if (!items_ || hdr.idFrom != kContentItem) return 0;
      if (look_.AutoClose) look_.AutoClose->Reset();
      const auto& click = *reinterpret_cast<const win::NMITEMACTIVATE*>(LParam);
      if (hdr.code == win::NM_CLICK && click.iItem >= 0) {
        items_->ToggleExpanded(click.iItem, TPoint{click.ptAction.X, click.ptAction.Y}, true);
      } else if (hdr.code == win::LVN_ITEMACTIVATE && kind_ == dpCallStack) {
        if (const TListViewItemRec* row = items_->RowAt(click.iItem))
          if (row->Data < rows_.size()) SendSourceNotice(rows_[row->Data]);
      }
      return 0;
    }
    case win::WM_DESTROY:
      SaveListWidths(Page);
      items_.reset();
      if (white_) win::DeleteObject(white_);
      white_ = nullptr;
      window_ = nullptr;
      return 0;
    default:
      return 0;
  }
}

TDetailsPage::TDetailsPage(TDialogPage Kind, win::HWND Tab, const TPageLook& Look) : kind_(Kind), look_(Look) {
  window_ = CrashGui().CreateDialog(PageTemplate(Kind), Tab,
                                    [this](win::HWND Page, win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam) {
                                      return Proc(Page, Msg, WParam, LParam);
                                    });
  if (window_) Place(Tab);
}

TDetailsPage::~TDetailsPage() {
  if (window_) CrashGui().DestroyWindow(window_);
}

void TDetailsPage::Place(win::HWND Tab) {
  if (!window_) return;
  TCrashGui& gui = CrashGui();
  win::RECT area = gui.ClientRect(Tab);
  gui.SendMessage(Tab, win::TCM_ADJUSTRECT, 0, reinterpret_cast<win::LPARAM>(&area));
  gui.SetWindowPos(window_, nullptr, area, win::SWP_NOZORDER | win::SWP_NOACTIVATE);
  // The content fills the page under its header.
  if (const win::HWND content = gui.GetDlgItem(window_, kContentItem)) {
    TRect r = gui.ChildBounds(content);
    r.Right = std::max(r.Left, area.Width() - r.Left);
    r.Bottom = std::max(r.Top, area.Height() - 4);
    gui.SetWindowPos(content, nullptr, r, win::SWP_NOZORDER | win::SWP_NOACTIVATE);
  }
}

}  // namespace lab
