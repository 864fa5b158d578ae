#include "crashreport/dialogs/dialog_state.h"

#include <algorithm>

#include "crashreport/files/ini_settings.h"
#include "platform/rtl/format.h"
#include "platform/rtl/strutils.h"

namespace lab {

namespace {

constexpr int kDefaultWidth = 745, kDefaultHeight = 468;

int ReadInt(std::string_view Key, int Default) {
  std::int32_t value = 0;
  return TryStrToInt(Trim(ReadIniString(kDialogIniFile, kPlacementSection, Key, std::to_string(Default))), value)
             ? value
             : Default;
}

}  // namespace

TDialogChoices GetDialogChoices(const TCrashModuleOptions& Options, bool Duplicate) {
  TDialogChoices c;
  c.CanSend = Options.HasSendMethod() && !Duplicate;
  c.CanAttachScreenshot = Options.AttachesScreenshot() && c.CanSend;
  c.ShowCopyOption = Options.ShowsCopyOption();
  c.ShowSupportLink = !Trim(Options.SupportURL()).empty();
  if (!c.CanSend && !c.CanAttachScreenshot && !c.ShowCopyOption && !c.ShowSupportLink)
    c.BottomHeight = 0;
  else if ((c.CanSend && c.CanAttachScreenshot) || (c.ShowCopyOption && c.ShowSupportLink))
    c.BottomHeight = 34;
  else
    c.BottomHeight = 20;
  return c;
}

bool TerminateButtonShown(const TCrashModuleOptions& Options, int ErrorCount) {
  return Options.TerminateAfterErrors() && ErrorCount > Options.ErrorsBeforeTerminate();
}

std::string DetailsCaption(const TCrashModuleOptions& Options, bool Detailed) {
  const std::string& text = Options.GetCustomizedText(17);
  return Detailed ? "<< " + text : text + " >>";
}

std::vector<TDialogPage> DialogPages(const TCrashModuleOptions& Options, bool HasCustomData) {
  std::vector<TDialogPage> pages{dpGeneral, dpCallStack};
  if (Options.ReportsModules()) pages.push_back(dpModules);
  if (Options.ReportsCpu()) pages.push_back(dpCpu);
  if (HasCustomData) pages.push_back(dpCustomData);
  return pages;
}

int FirstTab(const TCrashModuleOptions& Options, const std::vector<TDialogPage>& Pages) {
  const int wanted = Options.FirstPage();
  const auto it = std::find(Pages.begin(), Pages.end(), static_cast<TDialogPage>(std::min(wanted, 0xFF)));
  return wanted <= dpCustomData && it != Pages.end() ? static_cast<int>(it - Pages.begin()) : 0;
}

const char* PageTemplate(TDialogPage Page) {
  static const char* const kTemplates[] = {"CR_TAB_GENERAL", "CR_TAB_CALLSTACK", "CR_TAB_MODULESLIST", "CR_TAB_CPU",
                                           "CR_TAB_CUSTOMDATA"};
  return kTemplates[Page];
}

std::string PageHeader(const TCrashModuleOptions& Options, TDialogPage Page) {
  return Options.GetCustomizedText(static_cast<std::uint8_t>(5 + 2 * Page));
}

std::string PageCaption(const TCrashModuleOptions& Options, TDialogPage Page) {
  return Options.GetCustomizedText(static_cast<std::uint8_t>(4 + 2 * Page));
}

TDialogPlacement ReadDialogPlacement(int BottomHeight, const TRect& Screen) {
  TDialogPlacement p;
  p.Width = std::max(1, ReadInt("Width", kDefaultWidth));
  p.Height = std::max(1, ReadInt("Height", kDefaultHeight));
  const int height = p.Height + BottomHeight;
  p.Left = ReadInt("Left", (Screen.Width() - p.Width) / 2);
  p.Top = ReadInt("Top", (Screen.Height() - height) / 2);
  p.WindowsState = ReadInt("WindowsState", 1);
  if (p.Top + height > Screen.Bottom) p.Top = Screen.Bottom - height;
  if (p.Left + p.Width > Screen.Right) p.Left = Screen.Right - p.Width;
  p.Left = std::max(p.Left, 0);
  p.Top = std::max(p.Top, 0);
  return p;
}

void SaveDialogPlacement(const TDialogPlacement& Placement) {
  if (!Placement.Recorded) return;
  if (Placement.WindowsState == 1) {
    WriteIniString(kDialogIniFile, kPlacementSection, "Width", std::to_string(Placement.Width));
    WriteIniString(kDialogIniFile, kPlacementSection, "Height", std::to_string(Placement.Height));
    WriteIniString(kDialogIniFile, kPlacementSection, "Left", std::to_string(Placement.Left));
    WriteIniString(kDialogIniFile, kPlacementSection, "Top", std::to_string(Placement.Top));
  }
  WriteIniString(kDialogIniFile, kPlacementSection, "WindowsState", std::to_string(Placement.WindowsState));
}

TCrashDialogState& DialogState() {
  static TCrashDialogState* state = new TCrashDialogState;
  return *state;
}

}  // namespace lab
