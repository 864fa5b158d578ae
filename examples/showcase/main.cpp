// The lab program's showcase: the components at work in the windows of a small lab program.
// With a display each window opens and the program runs until they are closed; without one each
// window is painted off-screen and written as a PNG beside the program, whose path is printed, and
// so is the crash reporter's exception dialog for an error the program survives, simple and detailed.

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "crash_reporting.h"
#include "crashreport/crashlog.h"
#include "crashreport/dialogs/platform_gui.h"
#include "device_monitor.h"
#include "error_report.h"
#include "job_browser.h"
#include "platform/controls/dialog_box.h"
#include "platform/controls/messages.h"
#include "platform/controls/application.h"
#include "platform/controls/backend.h"
#include "platform/controls/painting.h"
#include "platform/graphics/png_file.h"
#include "platform/rtl/exceptions.h"
#include "trace_queue.h"

namespace {

using namespace lab;

// One window of the showcase: its name (for the PNG) and how it is made.
struct TShowcaseWindow {
  std::string Name;
  std::function<TForm*(TComponent* Owner)> Create;
};

const std::vector<TShowcaseWindow>& Windows() {
  static const std::vector<TShowcaseWindow> windows = {
      {"job_browser", [](TComponent* Owner) -> TForm* { return new showcase::TJobBrowser(Owner); }},
      {"job_browser_every_job",
       [](TComponent* Owner) -> TForm* { return new showcase::TJobBrowser(Owner, true); }},
      {"device_monitor", [](TComponent* Owner) -> TForm* { return new showcase::TDeviceMonitor(Owner); }},
      {"trace_queue", [](TComponent* Owner) -> TForm* { return new showcase::TTraceQueue(Owner); }},
  };
  return windows;
}

std::filesystem::path ProgramFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::current_path() : exe.parent_path();
}

int RunOnDisplay() {
  TForm* first = nullptr;
  for (const TShowcaseWindow& w : Windows()) {
    TForm* form = w.Create(Application);
    if (!first) first = form;
    form->Show();
  }
  Application->SetMainForm(first);
  Application->Run();
  return 0;
}

// The exception dialog as it opens and with its details, painted off-screen: the crash reporter is
// told a display is there.
int PaintErrorDialog(const std::filesystem::path& Folder) {
  struct TOffScreenGui : TFrameworkGui {
    bool HasDisplay() override { return true; }
  } gui;
  TCrashGui* old = SetCrashGui(&gui);
  bool written = true;
  win::SetDialogShownHook([&](win::HWND Dialog) {
    for (const char* name : {"exception_dialog", "exception_dialog_details"}) {
      Application->ProcessMessages();
      const std::filesystem::path png = Folder / ("showcase_" + std::string(name) + ".png");
      written = written && SaveSurfaceToPNG(wm::WindowSurface(Dialog), png.string());
      std::cout << png.string() << "\n";
      wm::SendMessage(win::GetDlgItem(Dialog, 4), win::BM_CLICK, 0, 0);  // Details
    }
    wm::PostMessage(Dialog, win::WM_CLOSE, 0, 0);
  });
  showcase::ShowCaughtError();
  win::SetDialogShownHook(nullptr);
  SetCrashGui(old);
  if (!written) std::cerr << "cannot write the exception dialog's pictures\n";
  return written ? 0 : 1;
}

int PaintOffScreen() {
  const std::filesystem::path folder = ProgramFolder();
  for (const TShowcaseWindow& w : Windows()) {
    TForm* form = w.Create(Application);
    form->Show();
    Application->ProcessMessages();
    const std::filesystem::path png = folder / ("showcase_" + w.Name + ".png");
    if (!SaveSurfaceToPNG(wm::WindowSurface(form->Handle()), png.string())) {
      std::cerr << "cannot write " << png.string() << "\n";
      return 1;
    }
    std::cout << png.string() << "\n";
    delete form;
    Application->ProcessMessages();
  }
  return PaintErrorDialog(folder);
}

}  // namespace

int main(int argc, char** argv) {
  Application->Initialize();
  // The crash reporter catches and reports what goes wrong from here on (the "Crash" menu shows it);
  // started again to show the exception dialog of a fatal fault, the program shows that alone.
  UseUnit(CrashLogUnit);
  std::optional<showcase::TMailServer> server;
  try {
    server = showcase::MailServerOption(argc, argv);
  } catch (const Exception& e) {
    std::cerr << "examples_showcase: " << e.Message() << "\n" << showcase::kUsage << "\n";
    return 2;
  }
  showcase::TakePartInCrashReporting(Application, server);
  return Backend().Name() == "headless" ? PaintOffScreen() : RunOnDisplay();
}
