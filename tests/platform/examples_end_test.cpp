// The example programs run to their end as a user runs them, each from a folder of its own (the
// showcase writes its pictures and its error log beside itself) and without a network (a report
// is never mailed from a test). Headless they run under valgrind: no error. Under X11 the showcase
// runs until the window manager closes its main window; it runs at full speed there, as valgrind
// would slow it past its freeze watchdog's time-out.

#include <filesystem>
#include <string>
#include <vector>

#include "tests/common/ending_program.h"
#include "tests/platform/temp_folder.h"

namespace lab {
namespace {

using namespace lab::testing;

// The window of the server named Name, below w (0: none).
Window FindWindowNamed(Display* d, Window w, const std::string& Name) {
  char* name = nullptr;
  if (XFetchName(d, w, &name) && name) {
    const bool match = Name == name;
    XFree(name);
    if (match) return w;
  }
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(d, w, &root, &parent, &children, &count)) return 0;
  Window found = 0;
  for (unsigned i = 0; i < count && !found; ++i) found = FindWindowNamed(d, children[i], Name);
  if (children) XFree(children);
  return found;
}

TEST(ExamplesEnd, EachExampleRunsToItsEndWithoutAnError) {
  if (!ValgrindInstalled() && !UnderSanitizer()) GTEST_SKIP() << "valgrind is not installed (scripts/setup.sh installs it)";
  struct TRun {
    const char* Program;
    bool OnX11;
  };
  const TRun runs[] = {{"examples_showcase", false}, {"examples_form_text", false}, {"examples_crash_report", false},
                       {"examples_showcase", true}};
  TXvfb server;
  const bool x11 = TXvfb::Installed() && server.Start();
  int ran = 0;
  for (const TRun& run : runs) {
    const std::filesystem::path built = std::filesystem::path(LAB_BUILD_DIR) / run.Program;
    if (!std::filesystem::exists(built) || (run.OnX11 && !x11)) continue;
    SCOPED_TRACE(std::string(run.Program) + (run.OnX11 ? " on x11" : " headless"));
    const TempFolder folder;
    const std::filesystem::path program = folder.Path() / run.Program;
    std::filesystem::copy_file(built, program);
    std::vector<std::string> env = {"HOME=" + folder.Path().string(), "TMPDIR=" + folder.Path().string()};
    env.push_back(run.OnX11 ? "LAB_BACKEND=x11" : "LAB_BACKEND=headless");
    if (run.OnX11) env.push_back("DISPLAY=" + server.Name());
    bool closed = false;
    const auto close_main_window = [&] {
      Display* d = XOpenDisplay(server.Name().c_str());
      if (!d) return;
      for (int tries = 0; tries < 600 && !closed; ++tries) {
        if (const Window w = FindWindowNamed(d, DefaultRootWindow(d), "Job browser")) {
          SendWindowManagerClose(d, w);
          closed = true;
        } else {
          usleep(100000);
        }
      }
      XCloseDisplay(d);
    };
    TProgramRun program_run;
    program_run.Command = {program.string()};
    program_run.Env = env;
    program_run.Offline = true;
    if (run.OnX11) {
      program_run.WhileRunning = close_main_window;
      program_run.Checked = false;
    }
    const TEndedProgram ended = RunProgramToEnd(program_run);
    EXPECT_EQ(ended.ExitCode, 0) << ended.Errors;
    if (run.OnX11) {
      EXPECT_TRUE(closed) << "the showcase's main window never showed";
    }
    ++ran;
  }
  if (ran == 0) GTEST_SKIP() << "the examples are not built (-DLAB_EXAMPLES=ON)";
}

}  // namespace
}  // namespace lab
