// A GUI program that fails as real ones do, for the tests of what the crash reporter does to a
// program around a fault: it starts the crash reporter as the README's start-up says (no
// RunDialogHelper), shows its window and, once its message loop runs, commits the fault its first
// argument names. The arguments after it are option lines ("SendFlags = 0x51"). A program that goes
// on after the fault says "went on" on its standard output and ends with exit code 0.

#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>

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

// Threads the crash reporter may pause while it reports another thread's exception: each answers a
// ping by copying its number, unless it is held still.
std::atomic<int> g_ping{0};
std::atomic<bool> g_answering_ends{false};
struct TAnswering {
  const char* Name;
  std::atomic<int> Answer{0};
};
TAnswering g_answering[] = {{"main"}, {"object"}, {"other"}};

void AnswerPing(TAnswering& Me) {
  Me.Answer = g_ping.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Pings every thread and gives them LimitMs to answer: "main=held object=answered other=held".
std::string Ping(int LimitMs) {
  const int ping = ++g_ping;
  if (IsMainThread()) g_answering[0].Answer = ping;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(LimitMs);
  std::string text;
  for (TAnswering& a : g_answering) {
    while (a.Answer.load() != ping && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    text += std::string(text.empty() ? "" : " ") + a.Name + (a.Answer.load() == ping ? "=answered" : "=held");
  }
  return text;
}

class TAnsweringThread : public TThread {
 public:
  TAnsweringThread() : TThread(false) {}

 protected:
  void Execute() override {
    while (!g_answering_ends) AnswerPing(g_answering[1]);
  }
};

// A thread object fails while the main thread, another thread object and a plain thread run on;
// the report says which of them answered while it was made ("pause-fails": then its making fails;
// "pause-deaf": the plain thread blocks every signal, so nothing can hold it).
// Once it is done, a plain thread of its own pings them again: each must answer before the report's
// time-out would have let it go.
void FailBesideAnsweringThreads(TForm& Form, bool ReportFails, bool Deaf) {
  static std::atomic<bool> reported{false};
  auto* log = new TCrashLog(&Form);
  log->OnCustomDataRequest = [ReportFails](const TCrashExceptionRecord&, std::string& Data) {
    Data = Ping(2000);
    std::fprintf(stderr, "while reported: %s\n", Data.c_str());
    reported = true;
    if (ReportFails) throw Exception("Victim's handler failed");
  };
  TThread* object = TThread::Create<TAnsweringThread>();
  std::thread other([Deaf] {
    sigset_t all;
    sigfillset(&all);
    if (Deaf) ::pthread_sigmask(SIG_BLOCK, &all, nullptr);
    while (!g_answering_ends) AnswerPing(g_answering[2]);
  });
  std::atomic<bool> watched{false};
  std::thread watcher([&] {
    while (!reported || FaultReportInProgress()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::fprintf(stderr, "after the report: %s\n", Ping(10000).c_str());
    watched = true;
  });
  TThread* failing = TThread::Create<TFailingThread>();
  while (!watched) AnswerPing(g_answering[0]);
  g_answering_ends = true;
  for (std::thread* t : {&other, &watcher}) t->join();
  object->WaitFor();
  failing->WaitFor();
  delete object;
  delete failing;
}

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
  if (Scenario == "pause" || Scenario == "pause-fails" || Scenario == "pause-deaf")
    return FailBesideAnsweringThreads(Form, Scenario == "pause-fails", Scenario == "pause-deaf");
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
