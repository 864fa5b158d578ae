// The call stacks of a report against the debugger's: this test program runs again under gdb as a
// program with three parked threads of known call chains and a main thread that catches an
// exception; it writes its report and stops, gdb prints every thread's backtrace, and each thread's
// frames in the known routines must be the same routines at the same lines in both.

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "crashreport/call_stack.h"
#include "crashreport/memory_map.h"
#include "crashreport/thread_stacks.h"
#include "crashreport/report_text.h"
#include "crashreport/text_utils.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/threads.h"
#include "test_files.h"

// The known routines: global names, kept out of line, each doing some work after its call so no
// call becomes a jump.
namespace {
std::atomic<int> crgdb_parked{0};
int crgdb_pipe[2] = {-1, -1};
volatile int crgdb_sink = 0;
std::uintptr_t crgdb_throw_address = 0;
}  // namespace

__attribute__((noinline, noclone)) int crgdb_park(int Depth) {
  crgdb_parked.fetch_add(1);
  char byte = 0;
  const ssize_t got = ::read(crgdb_pipe[0], &byte, 1);  // never answered: the process ends first
  crgdb_sink = crgdb_sink + static_cast<int>(got);
  return Depth + byte;
}

__attribute__((noinline, noclone)) int crgdb_worker_c(int Depth) {
  const int r = crgdb_park(Depth);
  crgdb_sink = crgdb_sink + 3;
  return r;
}

__attribute__((noinline, noclone)) int crgdb_worker_b(int Depth) {
  const int r = Depth > 2 ? crgdb_worker_c(Depth) : crgdb_park(Depth);
  crgdb_sink = crgdb_sink + 2;
  return r;
}

__attribute__((noinline, noclone)) int crgdb_worker_a(int Depth) {
  const int r = Depth > 1 ? crgdb_worker_b(Depth) : crgdb_park(Depth);
  crgdb_sink = crgdb_sink + 1;
  return r;
}

__attribute__((noinline, noclone)) void crgdb_throw() {
  crgdb_throw_address = lab::CallInstructionBefore(reinterpret_cast<std::uintptr_t>(__builtin_return_address(0)));
  throw std::runtime_error("known failure");
}

// Takes every thread's call stack and writes the report of the exception caught here, then stops.
__attribute__((noinline, noclone)) void crgdb_main_c(const std::vector<std::uint32_t>& Workers, const char* Out) {
  try {
    crgdb_throw();
  } catch (const std::exception&) {
    using namespace lab;
    volatile int here = 0;
    const auto sp = reinterpret_cast<std::uintptr_t>(&here);
    TCrashStackList stack;
    BuildCallStack(stack, TMemoryMap(), crgdb_throw_address, sp, CurrentThreadStack().High, kAllCallStackKinds, -1,
                   -1, true, 1, GetCurrentThreadID());
    for (std::uint32_t id : Workers) GetThreadCallStack(id, kAllCallStackKinds, 1, stack);
    TCrashProcessState& state = CrashState();
    state.ExceptionRecord.CallStack = &stack;
    state.ExceptionRecord.ExceptionAddress = reinterpret_cast<const void*>(crgdb_throw_address);
    TExceptNotifyParams params;
    params.StackPointer = reinterpret_cast<const void*>(sp);
    BuildReportText(params, false);
    lab::testing::WriteAll(Out, CurrentReport().Report);
    state.ExceptionRecord.CallStack = nullptr;
    ::raise(SIGTRAP);  // gdb takes over here
  }
  crgdb_sink = crgdb_sink + 6;
}

__attribute__((noinline, noclone)) void crgdb_main_b(const std::vector<std::uint32_t>& Workers, const char* Out) {
  crgdb_main_c(Workers, Out);
  crgdb_sink = crgdb_sink + 5;
}

__attribute__((noinline, noclone)) void crgdb_main_a(const std::vector<std::uint32_t>& Workers, const char* Out) {
  crgdb_main_b(Workers, Out);
  crgdb_sink = crgdb_sink + 4;
}

namespace lab {
namespace {

constexpr char kReportVariable[] = "LAB_GDB_REPORT";

// The program gdb runs: three parked threads and the main thread's report, then the end.
[[noreturn]] void RunProgram(const char* Out) {
  if (::pipe(crgdb_pipe) != 0) std::_Exit(2);
  std::vector<std::uint32_t> ids(3);
  std::vector<std::thread> threads;
  for (int depth = 1; depth <= 3; ++depth)
    threads.emplace_back([depth, &ids] {
      ids[static_cast<std::size_t>(depth - 1)] = GetCurrentThreadID();
      crgdb_worker_a(depth);
    });
  while (crgdb_parked.load() < 3) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // into the read itself
  crgdb_main_a(ids, Out);
  std::_Exit(0);  // the workers stay parked
}

// Started with the variable naming the report's file, the test program is that program: it runs
// before any test.
class TProgramUnderGdb : public ::testing::Environment {
 public:
  void SetUp() override {
    if (const char* out = std::getenv(kReportVariable)) RunProgram(out);
  }
};
[[maybe_unused]] ::testing::Environment* const kProgramUnderGdb =
    ::testing::AddGlobalTestEnvironment(new TProgramUnderGdb);

struct TFrame {
  std::string Routine;
  std::string Line;
  bool operator==(const TFrame&) const = default;
};
using TThreadFrames = std::map<std::uint32_t, std::vector<TFrame>>;

bool Known(std::string_view Routine) { return Routine.find("crgdb_") != std::string_view::npos; }

// "Thread 2 (Thread 0x7f... (LWP 1234) "name"):" then "#3  0x... in crgdb_worker_b (Depth=2) at f.cpp:57".
TThreadFrames GdbFrames(const std::string& Output) {
  TThreadFrames frames;
  std::vector<TFrame>* thread = nullptr;
  for (std::string_view line : SplitLines(Output)) {
    if (line.starts_with("Thread ")) {
      const std::size_t lwp = line.find("(LWP ");
      thread = lwp == std::string_view::npos ? nullptr
                                             : &frames[static_cast<std::uint32_t>(std::stoul(std::string(line.substr(lwp + 5))))];
      continue;
    }
    if (!thread || !line.starts_with('#')) continue;
    std::size_t name = line.find(" in ");
    name = name == std::string_view::npos ? line.find_first_not_of(' ', line.find(' ')) : name + 4;
    const std::string_view rest = line.substr(name);
    const std::string routine(rest.substr(0, rest.find(' ')));
    const std::size_t colon = rest.rfind(':');
    if (Known(routine)) thread->push_back({routine, colon == std::string_view::npos ? "" : std::string(rest.substr(colon + 1))});
  }
  return frames;
}

// The call-stack table's runs: a caption " ... Thread: ID=1234; ..." and the rows under it.
TThreadFrames ReportFrames(const std::string& Report) {
  TThreadFrames frames;
  std::vector<TFrame>* thread = nullptr;
  const std::size_t start = Report.find("Call Stack Information:");
  const std::size_t end = Report.find("Modules Information:");
  for (std::string_view line : SplitLines(std::string_view(Report).substr(start, end - start))) {
    if (const std::size_t id = line.find("Thread: ID="); id != std::string_view::npos) {
      thread = &frames[static_cast<std::uint32_t>(std::stoul(std::string(line.substr(id + 11))))];
      continue;
    }
    std::vector<std::string> cells;
    for (std::string_view cell = line.substr(std::min<std::size_t>(line.size(), 1)); !cell.empty();) {
      const std::size_t bar = cell.find('|');
      cells.push_back(Trim(cell.substr(0, bar)));
      cell = bar == std::string_view::npos ? std::string_view() : cell.substr(bar + 1);
    }
    if (!thread || cells.size() != 6 || !Known(cells[4])) continue;
    thread->push_back({cells[4], cells[5].substr(0, cells[5].find('['))});
  }
  return frames;
}

TEST(ReportAgainstGdb, EachThreadsKnownFramesAreTheDebuggers) {
  ASSERT_EQ(testing::Shell("command -v gdb"), 0) << "gdb is missing (scripts/setup.sh installs it)";
  const std::string report_file = testing::Scratch("report_gdb") + "/report.txt";
  const std::string self = std::filesystem::read_symlink("/proc/self/exe");
  // The signal that stops a thread for its registers goes to the program unseen.
  const std::string capture = "-ex 'handle SIG" + std::to_string(CaptureSignal()) + " nostop noprint pass'";
  std::string output;
  testing::Shell(std::string(kReportVariable) + "=" + report_file +
                     " timeout 240 gdb -nx -batch -ex 'set disable-randomization off' -ex 'set pagination off' " +
                     capture + " -ex run -ex 'thread apply all bt' -ex kill --args " +
                     self + " --gtest_filter=ReportAgainstGdb.EachThreadsKnownFramesAreTheDebuggers",
                 &output);
  const std::string report = testing::ReadAll(report_file);
  ASSERT_FALSE(report.empty()) << output;
  const TThreadFrames gdb = GdbFrames(output), ours = ReportFrames(report);

  // The main thread stopped further down its innermost routine than where its stack was taken.
  ASSERT_EQ(ours.size(), 4u) << report;
  int compared = 0;
  for (auto [id, frames] : ours) {
    SCOPED_TRACE("thread " + std::to_string(id));
    ASSERT_TRUE(gdb.contains(id)) << output;
    std::vector<TFrame> theirs = gdb.at(id);
    ASSERT_FALSE(frames.empty());
    if (frames.front().Routine == "crgdb_main_c") {
      frames.erase(frames.begin());
      ASSERT_FALSE(theirs.empty());
      theirs.erase(theirs.begin());
      EXPECT_EQ(frames.size(), 2u);
    }
    EXPECT_EQ(frames, theirs) << report << output;
    compared += static_cast<int>(frames.size());
  }
  EXPECT_EQ(compared, 2 + (2 + 3 + 4));  // main b and a; each worker's chain and its park
}

}  // namespace
}  // namespace lab
