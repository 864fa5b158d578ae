#pragma once
// What the crash reporter's dialogs decide before they draw anything: which choices the exception
// dialog offers and how tall its bottom area is, when its Terminate button shows, which pages its
// tabs have and which opens first, and the detailed dialog's placement, kept in "CrashLog.ini"
// (section "Coordinates") between runs. The dialog state itself is process-wide: one exception
// dialog at a time.

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

#include "crashreport/dialogs/dialog_lists.h"
#include "crashreport/options.h"
#include "platform/controls/win_types.h"
#include "platform/rtl/geometry.h"

namespace lab {

inline constexpr char kDialogIniFile[] = "CrashLog.ini";
inline constexpr char kPlacementSection[] = "Coordinates";

// The choices the dialog offers, from the options and whether this error is already in the log.
struct TDialogChoices {
  bool CanSend = false;              // a send method is set and the error is new
  bool CanAttachScreenshot = false;  // SendFlags bit 4, and CanSend
  bool ShowCopyOption = false;       // DialogOptions bit 3
  bool ShowSupportLink = false;      // a SupportURL
  int BottomHeight = 0;              // pixels under the buttons: 0, 20 or 34
};
TDialogChoices GetDialogChoices(const TCrashModuleOptions& Options, bool Duplicate);

// With TerminateAfterErrors, from the error after ErrorsBeforeTerminate on.
bool TerminateButtonShown(const TCrashModuleOptions& Options, int ErrorCount);
// "&Details >>" in simple mode, "<< &Details" in detailed mode (text 17).
std::string DetailsCaption(const TCrashModuleOptions& Options, bool Detailed);

// The pages, by their number in DialogFirstPage.
enum TDialogPage : std::uint8_t { dpGeneral, dpCallStack, dpModules, dpCpu, dpCustomData };
// The tabs in order: General and Call Stack always, Modules and CPU as LogFlags bits 4 and 5 say,
// the custom data's page when there is custom data.
std::vector<TDialogPage> DialogPages(const TCrashModuleOptions& Options, bool HasCustomData);
// The tab that opens first: the page DialogFirstPage names (its low 7 bits); General when that page
// has no tab.
int FirstTab(const TCrashModuleOptions& Options, const std::vector<TDialogPage>& Pages);
// The page's template, header text and tab text.
const char* PageTemplate(TDialogPage Page);
std::string PageHeader(const TCrashModuleOptions& Options, TDialogPage Page);
std::string PageCaption(const TCrashModuleOptions& Options, TDialogPage Page);

// The detailed dialog's size and place; WindowsState 1 normal, 3 maximised, 6 minimised. Height is
// the window's less the bottom area.
struct TDialogPlacement {
  int Width = 0, Height = 0, Left = 0, Top = 0;
  int WindowsState = 1;
  bool Recorded = false;  // a width was recorded since the dialog opened
};
// From the INI file, with the defaults (745 by 468, centred, normal), kept on the screen: a window
// that would pass the screen's right or bottom edge moves back to end at it, and left or top below
// 0 become 0. A value that is not a number counts as missing.
TDialogPlacement ReadDialogPlacement(int BottomHeight, const TRect& Screen);
// Only once a width was recorded; the size and place only in the normal state, the state always.
void SaveDialogPlacement(const TDialogPlacement& Placement);

// The process-wide state of the dialogs.
struct TCrashDialogState {
  std::atomic<bool> DialogPainted{false};  // the exception dialog received WM_PAINT
  std::function<void()> Painted;            // when set, called as the exception dialog first paints
  bool DetailsShown = false;
  bool StayOnTop = false;
  TDialogChoices Choices;
  TDialogPlacement Placement;
  std::string ReproduceText;  // the steps the user typed into the request
  // Rows made elsewhere (the faulted process's, in the helper process) in place of the current
  // record's lists; nullptr: the record's.
  const std::vector<TDialogListRow>* CallStackRows = nullptr;
  const std::vector<TDialogListRow>* ModuleRows = nullptr;
  win::HWND Window = nullptr;  // the exception dialog while it is up
  // The sending-progress dialog: its window while it is up (CrashState().SendProgressWindow is the
  // copy the sender reads once the dialog started), and whether it got the focus.
  std::atomic<win::HWND> SendWindow{nullptr};
  std::atomic<bool> SendFocused{false};
  // Its thread, started and joined by the sender's thread alone, and the sender's request to end it
  // (a dialog that comes up after it ends at once).
  std::thread SendThread;
  std::atomic<bool> SendClosing{false};
  // The windows of the program before a dialog came up: the ones it keeps in front of.
  std::mutex WindowsBeforeLock;
  std::vector<win::HWND> WindowsBefore;
};
TCrashDialogState& DialogState();

}  // namespace lab
