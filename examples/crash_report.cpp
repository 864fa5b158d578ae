// Builds the crash report of an exception the program catches while three device threads wait in
// routines of their own, and prints it as the console shows a report: the header (program,
// exception, computer, system, network), every thread's call stack, the modules, the registers and
// the stack and code around the fault.

#include <ucontext.h>

#include <condition_variable>
#include <iostream>
#include <mutex>
#include <thread>
#include <vector>

#include "crashreport/report/call_stack.h"
#include "crashreport/report/memory_map.h"
#include "crashreport/report/module_list.h"
#include "crashreport/report/report_text.h"
#include "crashreport/report/thread_stacks.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/threads.h"

namespace {

using namespace lab;

// The device threads wait here until the report is printed.
std::mutex g_lock;
std::condition_variable g_changed;
int g_waiting = 0;
bool g_done = false;

__attribute__((noinline)) void WaitForDevice() {
  std::unique_lock lock(g_lock);
  ++g_waiting;
  g_changed.notify_all();
  g_changed.wait(lock, [] { return g_done; });
}

__attribute__((noinline)) void ReadTrace(int Port) {
  WaitForDevice();
  std::atomic_signal_fence(std::memory_order_seq_cst);  // keeps the call a call
  (void)Port;
}

__attribute__((noinline)) void ServeDevice(int Port) {
  ReadTrace(Port);
  std::atomic_signal_fence(std::memory_order_seq_cst);
}

// What the crash reporter's capture takes where an exception is raised: the registers, the call
// into the raising routine and the raising thread's call stack from there.
TCrashContext g_context;
std::uintptr_t g_raise_address = 0;
TCrashStackList g_stack;

[[noreturn]] __attribute__((noinline)) void RaiseConvertError(const std::string& Text) {
  ucontext_t here{};  // getcontext leaves the registers a call may change unset
  ::getcontext(&here);
  SaveContext(here, g_context, kGetcontextRegisters);
  g_raise_address = CallInstructionBefore(reinterpret_cast<std::uintptr_t>(__builtin_return_address(0)));
  BuildCallStack(g_stack, TMemoryMap(), g_raise_address, g_context.Rsp(), CurrentThreadStack().High,
                 kAllCallStackKinds, -1, -1, true, 1, GetCurrentThreadID());
  throw EConvertError("'%s' is not a valid job number", Text);
}

__attribute__((noinline)) int ParseJobNumber(const std::string& Text) {
  std::int32_t value = 0;
  if (!TryStrToInt(Text, value)) RaiseConvertError(Text);
  return value;
}

__attribute__((noinline)) int OpenJob(const std::string& Text) {
  const int job = ParseJobNumber(Text);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  return job;
}

// The report of the exception being handled, with the call stacks of the device threads as they are
// now.
__attribute__((noinline)) void ReportCaught(const std::exception& Error, const std::vector<std::uint32_t>& Devices) {
  for (std::uint32_t id : Devices) GetThreadCallStack(id, kAllCallStackKinds, 1, g_stack);

  TCrashProcessState& state = CrashState();
  state.ExceptionTime = Now();
  TCrashExceptionRecord& record = state.ExceptionRecord;
  record.ExceptionObject = dynamic_cast<const void*>(&Error);  // the thrown object itself, as its type has it
  record.ExceptionClass = &typeid(Error);
  record.ExceptionAddress = reinterpret_cast<const void*>(g_raise_address);
  record.ThreadID = GetCurrentThreadID();
  record.CallStack = &g_stack;
  // Routines known by their symbols only (the C library's) are listed too, with line offsets.
  OptionsInForce().SetCallStackOptions(kCallStackFunctionNames | kCallStackDecoratedNames | kCallStackLineOffsets);
  EnumerateModules();

  TExceptNotifyParams params;
  params.Context = &g_context;
  params.StackPointer = reinterpret_cast<const void*>(g_context.Rsp());
  params.ThreadID = record.ThreadID;
  BuildReportText(params, false);
  record.CallStack = nullptr;
  std::cout << CurrentReport().ConsoleIntroduction << CurrentReport().Report << std::flush;
}

}  // namespace

int main() {
  std::vector<std::uint32_t> devices(3);
  std::vector<std::thread> threads;
  for (int port = 0; port < 3; ++port)
    threads.emplace_back([port, &devices] {
      devices[static_cast<std::size_t>(port)] = GetCurrentThreadID();
      ServeDevice(port + 1);
    });
  {
    std::unique_lock lock(g_lock);
    g_changed.wait(lock, [] { return g_waiting == 3; });
  }
  try {
    OpenJob("12x4");
  } catch (const std::exception& error) {
    ReportCaught(error, devices);
  }
  {
    std::lock_guard lock(g_lock);
    g_done = true;
  }
  g_changed.notify_all();
  for (std::thread& t : threads) t.join();
  return 0;
}
