#include "crashreport/dialogs/window_services.h"

#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "crashreport/dialogs/crash_gui.h"
#include "platform/controls/messages.h"
#include "platform/controls/window_styles.h"

namespace lab {
namespace {

using win::HWND;

std::mutex g_snapshot_lock;
std::vector<HWND> g_snapshot;

bool IsMainWindowCandidate(TCrashGui& gui, const TCrashWindowInfo& info) {
  if (!info.Visible) return false;
  if (info.Owner) {
    TCrashWindowInfo owner;
    if (gui.GetWindowInfo(info.Owner, owner) &&
        (!(owner.ExStyle & win::WS_EX_TOOLWINDOW) || owner.Owner != nullptr))
      return false;
  }
  return !(info.ExStyle & win::WS_EX_TOOLWINDOW) || (info.ExStyle & win::WS_EX_APPWINDOW);
}

}  // namespace

void CopyTextToClipboard(const std::string& Text) {
  if (Text.empty()) return;
  try {
    CrashGui().SetClipboardText(Text);
  } catch (...) {
  }
}

HWND FindProcessMainWindow(std::uint32_t ProcessID) {
  try {
    TCrashGui& gui = CrashGui();
    for (HWND w : gui.TopLevelWindows()) {
      TCrashWindowInfo info;
      if (gui.GetWindowInfo(w, info) && info.ProcessID == ProcessID && IsMainWindowCandidate(gui, info)) return w;
    }
  } catch (...) {
  }
  return nullptr;
}

void ActivateWindow() {
  try {
    TCrashGui& gui = CrashGui();
    HWND main = FindProcessMainWindow(static_cast<std::uint32_t>(::getpid()));
    if (!main) return;
    if (gui.IsIconic(main)) {
      gui.PostMessage(main, win::WM_SYSCOMMAND, win::SC_RESTORE, 0);
      ProcessOneMessage();
      gui.ShowWindow(main, win::SW_SHOW);
      gui.SetForegroundWindow(main);
      return;
    }
    HWND popup = gui.LastActivePopup(main);
    if (popup && popup != gui.ForegroundWindow()) gui.SetForegroundWindow(popup);
  } catch (...) {
  }
}

bool ProcessOneMessage() {
  TCrashGui& gui = CrashGui();
  win::MSG msg;
  if (!gui.PeekMessage(msg)) return false;
  if (msg.message != win::WM_QUIT) gui.DispatchMessage(msg);
  return true;
}

void SnapshotWindows() {
  std::vector<HWND> own;
  try {
    for (HWND w : CrashGui().TopLevelWindows())
      if (IsOwnProcessWindow(w)) own.push_back(w);
  } catch (...) {
  }
  std::lock_guard guard(g_snapshot_lock);
  g_snapshot = std::move(own);
}

bool IsOwnProcessWindow(HWND Window) {
  TCrashWindowInfo info;
  return CrashGui().GetWindowInfo(Window, info) && info.ProcessID == static_cast<std::uint32_t>(::getpid());
}

bool IsNewWindow(HWND Window) {
  std::lock_guard guard(g_snapshot_lock);
  return std::find(g_snapshot.begin(), g_snapshot.end(), Window) == g_snapshot.end();
}

}  // namespace lab
