// The lab program's showcase: the components at work in the windows of a small lab program.
// With a display each window opens and the program runs until they are closed; without one each
// window is painted off-screen and written as a PNG beside the program, whose path is printed.

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "device_monitor.h"
#include "job_browser.h"
#include "platform/controls/application.h"
#include "platform/controls/backend.h"
#include "platform/controls/painting.h"
#include "platform/graphics/png_file.h"
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
  return 0;
}

}  // namespace

int main() {
  Application->Initialize();
  return Backend().Name() == "headless" ? PaintOffScreen() : RunOnDisplay();
}
