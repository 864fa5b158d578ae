#include "error_report.h"

#include <ucontext.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "crashreport/report/call_stack.h"
#include "crashreport/dialogs/crash_dialogs.h"
#include "crashreport/capture/last_exception.h"
#include "crashreport/report/memory_map.h"
#include "crashreport/report/module_list.h"
#include "crashreport/process_state.h"
#include "crashreport/report/report_text.h"
#include "crashreport/report/thread_stacks.h"
#include "crashreport/dialogs/window_services.h"
#include "platform/controls/menus.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/threads.h"

namespace showcase {

namespace {

using namespace lab;

// Where the error is raised: its registers and call stack, as the crash reporter's capture takes them.
TCrashContext g_context;
std::uintptr_t g_raise_address = 0;
TCrashStackList g_stack;

[[noreturn]] __attribute__((noinline)) void RaiseBadJobNumber(const std::string& Text) {
  ucontext_t here{};  // getcontext leaves the registers a call may change unset
  ::getcontext(&here);
  SaveContext(here, g_context);
  g_raise_address = CallInstructionBefore(reinterpret_cast<std::uintptr_t>(__builtin_return_address(0)));
  g_stack.Clear();
  BuildCallStack(g_stack, TMemoryMap(), g_raise_address, g_context.Rsp(), CurrentThreadStack().High,
                 kAllCallStackKinds, -1, -1, true, 1, GetCurrentThreadID());
  throw EConvertError("'%s' is not a valid job number", Text);
}

__attribute__((noinline)) int OpenJob(const std::string& Text) {
  std::int32_t job = 0;
  if (!TryStrToInt(Text, job)) RaiseBadJobNumber(Text);
  return job;
}

void Report(const std::exception& Error) {
  ResetExceptionState();
  TCrashProcessState& state = CrashState();
  state.ExceptionTime = Now();
  TCrashExceptionRecord& record = state.ExceptionRecord;
  record.ExceptionObject = dynamic_cast<const void*>(&Error);
  record.ExceptionClass = &typeid(Error);
  record.ExceptionAddress = reinterpret_cast<const void*>(g_raise_address);
  record.ThreadID = GetCurrentThreadID();
  record.CallStack = &g_stack;
  state.CustomData = "Job browser: the job number came from the search box.";
  state.SendChecked = state.AttachChecked = true;
  ++state.ErrorCount;
  EnumerateModules();
  TExceptNotifyParams params;
  params.Context = &g_context;
  params.StackPointer = reinterpret_cast<const void*>(g_context.Rsp());
  params.ThreadID = record.ThreadID;
  BuildReportText(params, true);
  SetExceptionMessageReplacement(Error.what());
  ShowExceptionDialog();
  if (state.CopyChecked) CopyTextToClipboard(CurrentReport().Report);
  SetExceptionMessageReplacement("");
  record.CallStack = nullptr;
}

int* volatile g_no_job = nullptr;

__attribute__((noinline)) void ThrowFromHandler() { OpenJob("7/12"); }

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
    OpenJob("12x4");
  } catch (const std::exception& error) {
    Report(error);
  }
}

}  // namespace showcase
