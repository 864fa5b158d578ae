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

// The page that is up, and what it made.
struct TPage {
  TDialogPage Kind = dpGeneral;
  TPageLook Look;
  std::vector<TDialogListColumn> Columns;
  std::vector<TDialogListRow> Rows;
  std::unique_ptr<TListViewItems> Items;
  win::HBRUSH White = nullptr;
};
TPage g_page;

void FillList(win::HWND Page) {
  TCrashGui& gui = CrashGui();
  const win::HWND list = gui.GetDlgItem(Page, kContentItem);
  if (!list) return;
  const TCrashModuleOptions& options = CurrentCrashLogOptions();
  const TCrashExceptionRecord& record = CurrentExceptionRecord();
  const TCrashDialogState& state = DialogState();
  if (g_page.Kind == dpCallStack) {
    g_page.Columns = CallStackColumns(options);
    if (state.CallStackRows) g_page.Rows = *state.CallStackRows;
    else if (record.CallStack) g_page.Rows = CallStackRows(*record.CallStack, options);
  } else {
    g_page.Columns = ModuleColumns(options);
    if (state.ModuleRows) g_page.Rows = *state.ModuleRows;
    else if (record.ModulesList) g_page.Rows = ModuleRows(*record.ModulesList);
  }
  for (std::size_t i = 0; i < g_page.Columns.size(); ++i) {
    win::LVCOLUMN c;
    c.mask = win::LVCF_FMT | win::LVCF_WIDTH | win::LVCF_TEXT;
    c.fmt = g_page.Columns[i].Alignment == taRightJustify ? win::LVCFMT_RIGHT : win::LVCFMT_LEFT;
    c.cx = g_page.Columns[i].Width;
    c.pszText = g_page.Columns[i].Caption.data();
    gui.SendMessage(list, win::LVM_INSERTCOLUMN, i, reinterpret_cast<win::LPARAM>(&c));
  }
  gui.SendMessage(list, win::LVM_SETEXTENDEDLISTVIEWSTYLE, win::LVS_EX_FULLROWSELECT, win::LVS_EX_FULLROWSELECT);
  gui.SendMessage(list, win::LVM_SETBKCOLOR, 0, static_cast<win::LPARAM>(RGB(255, 255, 255)));
  g_page.Items = std::make_unique<TListViewItems>(list);
  for (std::size_t i = 0; i < g_page.Rows.size(); ++i) {
    const TDialogListRow& row = g_page.Rows[i];
    g_page.Items->AddItem(row.Texts, row.Heading, static_cast<std::uint32_t>(i), row.Image, row.Caption);
  }
}

void SaveListWidths(win::HWND Page) {
  TCrashGui& gui = CrashGui();
  const win::HWND list = gui.GetDlgItem(Page, kContentItem);
  if (!list || g_page.Columns.empty()) return;
  std::vector<int> widths;
  for (std::size_t i = 0; i < g_page.Columns.size(); ++i)
    widths.push_back(static_cast<int>(gui.SendMessage(list, win::LVM_GETCOLUMNWIDTH, i, 0)));
  SaveColumnWidths(g_page.Columns, widths);
}

void InitPage(win::HWND Page) {
  TCrashGui& gui = CrashGui();
  const TCrashModuleOptions& options = CurrentCrashLogOptions();
  SetItemText(Page, kHeaderItem, PageHeader(options, g_page.Kind));
  const win::HWND content = gui.GetDlgItem(Page, kContentItem);
  switch (g_page.Kind) {
    case dpGeneral:
    case dpCpu: {
      const TReportTexts& report = CurrentReport();
      const TReportFont font = g_page.Look.Fonts ? g_page.Look.Fonts->Report() : TReportFont{};
      SetRichEditRTF(content, g_page.Kind == dpGeneral ? ReportToRTF(report.Header, font) : CpuReportToRTF(report.Cpu, font));
      SetRichEditBackColor(content, g_page.Look.Background ? TColor(0xC8D0D4) : TColor(clBtnFace));
      break;
    }
    case dpCallStack:
    case dpModules:
      if (g_page.Look.Fonts) SetItemFont(Page, kContentItem, g_page.Look.Fonts->List());
      FillList(Page);
      break;
    case dpCustomData:
      g_page.White = win::CreateSolidBrush(RGB(255, 255, 255));
      if (g_page.Look.Fonts) SetItemFont(Page, kContentItem, g_page.Look.Fonts->Fixed());
      SetItemText(Page, kContentItem, CrashState().CustomData);
      break;
  }
}

// The dialog's own background, with transparent black text on it; the default without it.
std::intptr_t PageColours(win::WPARAM DC) {
  if (!g_page.Look.Background) return 0;
  win::SetBkMode(reinterpret_cast<win::HDC>(DC), win::TRANSPARENT);
  win::SetTextColor(reinterpret_cast<win::HDC>(DC), RGB(0, 0, 0));
  return reinterpret_cast<std::intptr_t>(g_page.Look.Background);
}

std::intptr_t PageProc(win::HWND Page, win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam) {
  if (TAutoClose::IsInput(Msg) && g_page.Look.AutoClose) g_page.Look.AutoClose->Reset();
  switch (Msg) {
    case win::WM_INITDIALOG:
      InitPage(Page);
      return 1;
    case win::WM_CTLCOLORSTATIC:
    case win::WM_CTLCOLOREDIT:
      // The custom data black on white; the header on the dialog's own background.
      if (g_page.White && reinterpret_cast<win::HWND>(LParam) == CrashGui().GetDlgItem(Page, kContentItem)) {
        win::SetTextColor(reinterpret_cast<win::HDC>(WParam), RGB(0, 0, 0));
        win::SetBkColor(reinterpret_cast<win::HDC>(WParam), RGB(255, 255, 255));
        return reinterpret_cast<std::intptr_t>(g_page.White);
      }
      return PageColours(WParam);
    case win::WM_CTLCOLORDLG:
      return PageColours(WParam);
    case win::WM_DRAWITEM:
      if (!g_page.Items) return 0;
      return g_page.Items->DrawItem(*reinterpret_cast<const win::DRAWITEMSTRUCT*>(LParam));
    case win::WM_NOTIFY: {
      const auto& hdr = *reinterpret_cast<const win::NMHDR*>(LParam);
      if (!g_page.Items || hdr.idFrom != kContentItem) return 0;
      if (g_page.Look.AutoClose) g_page.Look.AutoClose->Reset();
      const auto& click = *reinterpret_cast<const win::NMITEMACTIVATE*>(LParam);
      if (hdr.code == win::NM_CLICK && click.iItem >= 0) {
        g_page.Items->ToggleExpanded(click.iItem, TPoint{click.ptAction.X, click.ptAction.Y}, true);
      } else if (hdr.code == win::LVN_ITEMACTIVATE && g_page.Kind == dpCallStack) {
        if (const TListViewItemRec* row = g_page.Items->RowAt(click.iItem))
          if (row->Data < g_page.Rows.size()) SendSourceNotice(g_page.Rows[row->Data]);
      }
      return 0;
    }
    case win::WM_DESTROY:
      SaveListWidths(Page);
      g_page.Items.reset();
      if (g_page.White) win::DeleteObject(g_page.White);
      g_page = TPage{};
      return 0;
    default:
      return 0;
  }
}

}  // namespace

win::HWND CreateDialogPage(TDialogPage Page, win::HWND Tab, const TPageLook& Look) {
  g_page = TPage{};
  g_page.Kind = Page;
  g_page.Look = Look;
  const win::HWND page = CrashGui().CreateDialog(PageTemplate(Page), Tab, PageProc);
  if (page) PlaceDialogPage(page, Tab);
  return page;
}

void PlaceDialogPage(win::HWND Page, win::HWND Tab) {
  TCrashGui& gui = CrashGui();
  win::RECT area = gui.ClientRect(Tab);
  gui.SendMessage(Tab, win::TCM_ADJUSTRECT, 0, reinterpret_cast<win::LPARAM>(&area));
  gui.SetWindowPos(Page, nullptr, area, win::SWP_NOZORDER | win::SWP_NOACTIVATE);
  // The content fills the page under its header.
  if (const win::HWND content = gui.GetDlgItem(Page, kContentItem)) {
    TRect r = gui.ChildBounds(content);
    r.Right = std::max(r.Left, area.Width() - r.Left);
    r.Bottom = std::max(r.Top, area.Height() - 4);
    gui.SetWindowPos(content, nullptr, r, win::SWP_NOZORDER | win::SWP_NOACTIVATE);
  }
}

}  // namespace lab
