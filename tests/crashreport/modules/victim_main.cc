// A GUI program that fails as real ones do, for the tests of what the crash reporter does to a
// program around a fault: it starts the crash reporter as the README's start-up says (no
// RunDialogHelper), shows its window and, once its message loop runs, commits the fault its first
// argument names. The arguments after it are option lines ("SendFlags = 0x51"). A program that goes
// on after the fault says "went on" on its standard output and ends with exit code 0.

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "crashreport/capture/fault_capture.h"
#include "crashreport/crashlog.h"
#include "crashreport/options_text.h"
#include "platform/controls/application.h"
#include "platform/controls/edit.h"
#include "platform/controls/forms.h"
#include "platform/controls/timer.h"
#include "platform/rtl/threads.h"

namespace {

using namespace lab;

// Read when the write is made: a null the optimiser sees makes the write a trap, or nothing.
int* volatile g_null = nullptr;

// Left to fault under UBSan, whose check would end the program before the fault.
[[gnu::noinline, gnu::no_sanitize("undefined")]] void WriteThroughNull() { *g_null = 1; }

class TFailingThread : public TThread {
 public:
  TFailingThread() : TThread(false) {}

 protected:
  void Execute() override { throw Exception("Victim thread failed"); }
};

// The fault of the scenario, run once from the message loop.
void Fail(const std::string& Scenario, TForm& Form) {
  if (Scenario == "caught") throw Exception("Victim failed");
  if (Scenario == "convert") throw EConvertError("Victim's number");
  if (Scenario == "fatal") WriteThroughNull();
  if (Scenario == "thread") {
    auto* thread = TThread::Create<TFailingThread>();
    thread->WaitFor();
    delete thread;
    return;
  }
  if (Scenario == "handler-throws") {
    auto* log = new TCrashLog(&Form);
    log->OnExceptionNotify = [](const TCrashExceptionRecord&, bool&) { throw Exception("Victim's handler failed"); };
    throw Exception("Victim failed before its handler");
  }
  if (Scenario == "handler-fault") {
    auto* log = new TCrashLog(&Form);
    log->OnExceptionNotify = [](const TCrashExceptionRecord&, bool&) { WriteThroughNull(); };
    throw Exception("Victim failed before its handler");
  }
  std::fprintf(stderr, "no such scenario: %s\n", Scenario.c_str());
  std::exit(64);
}

}  // namespace

int main(int argc, char** argv) {
  UseUnit(CrashLogUnit);
  const std::string scenario = argc > 1 ? argv[1] : "";
  std::string lines;
  for (int i = 2; i < argc; ++i) lines.append(argv[i]).append("\n");
  ReadOptionsText(lines, "arguments", CurrentCrashLogOptions());
  // A program may name another program as the dialog's helper.
  if (const char* helper = std::getenv("LAB_VICTIM_HELPER")) CrashState().DialogHelperProgram = helper;

  // What the crash reporter gives back, the program handles itself (no message box of its own).
  Application->OnException = [](TObject*, Exception& E) { std::fprintf(stderr, "program handled: %s\n", E.what()); };
  TForm* form = nullptr;
  Application->CreateForm(form);
  form->SetCaption("Victim");
  form->SetBounds(40, 40, 320, 200);
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetBounds(20, 20, 200, 24);
  edit->SetText("victim's field");
  form->Show();
  edit->SetFocus();
  auto* timer = new TTimer(form);
  timer->SetInterval(200);
  int ticks = 0;
  timer->OnTimer = [&](TObject*) {
    // (The loop is served while the report is made: the program goes on once it is done.)
    if (FaultReportInProgress()) return;
    if (++ticks == 1) return Fail(scenario, *form);
    std::printf("went on\n");
    std::fflush(stdout);
    timer->SetEnabled(false);
    Application->Terminate();
  };
  Application->Run();
  return 0;
}
