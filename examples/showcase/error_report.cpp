#include "error_report.h"

#include <chrono>
#include <cstdlib>
#include <exception>
#include <string>
#include <thread>

#include "crashreport/capture/fault_capture.h"
#include "crashreport/process_state.h"
#include "platform/controls/menus.h"
#include "platform/rtl/string_list.h"

namespace showcase {

namespace {

using namespace lab;

// The job opened last, as the job browser reopens it: one past the end of the list, a fault of the
// program that the list's bounds check raises.
__attribute__((noinline)) std::string LastOpenedJob(const TStringList& Opened) { return Opened.Strings(Opened.Count()); }

__attribute__((noinline)) std::string ReopenLastJob() {
  TStringList opened;
  opened.Add("24417");
  opened.Add("24418");
  return LastOpenedJob(opened);
}

int* volatile g_no_job = nullptr;

__attribute__((noinline)) void ThrowFromHandler() { ReopenLastJob(); }

__attribute__((noinline)) void WriteThroughNull() { *g_no_job = 1; }

// Keeps the main thread busy past the freeze time-out: its windows stop answering meanwhile.
__attribute__((noinline)) void FreezeMainThread() {
  const auto until = std::chrono::steady_clock::now() +
                     std::chrono::seconds(CurrentCrashLogOptions().FreezeTimeout() + 2);
  while (std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

void AddItem(TPopupMenu* Menu, const char* Caption, void (*Action)()) {
  auto* item = new TMenuItem(Menu);
  item->SetCaption(Caption);
  item->OnClick = [Action](TObject*) { Action(); };
  Menu->Items()->Add(item);
}

}  // namespace

TPopupMenu* MakeCrashMenu(TComponent* Owner) {
  auto* menu = new TPopupMenu(Owner);
  AddItem(menu, "&Throw an exception", &ThrowFromHandler);
  AddItem(menu, "&Fault: write through a null pointer", &WriteThroughNull);
  AddItem(menu, "F&reeze the main window", &FreezeMainThread);
  AddItem(menu, "&Abort", [] { std::abort(); });
  return menu;
}

void ShowCaughtError() {
  try {
    ReopenLastJob();
  } catch (...) {
    ReportCaughtException(std::current_exception());
  }
}

}  // namespace showcase
