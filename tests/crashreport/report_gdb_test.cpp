// The call stacks of a report against the debugger's: this test program runs again under gdb as a
// program with three parked threads of known call chains and a main thread that catches an
// exception; it writes its report and stops, gdb prints every thread's backtrace, and each thread's
// frames in the known routines must be the same routines at the same lines in both. The fault tests'
// victims run under gdb the same way: the faulting thread's frames in the report against gdb's, at
// the moment the report is written.

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <algorithm>
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
#include "fault_child.h"
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
constexpr char kVictimVariable[] = "LAB_GDB_VICTIM";  // "name folder"

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

// A fault test's victim in a child's setting, its report written to Folder/stderr.txt.
[[noreturn]] void RunVictim(const std::string& Name, const std::string& Folder) {
  const auto victim = testing::Victims().find(Name);
  if (victim == testing::Victims().end()) std::_Exit(3);
  testing::BecomeFaultChild(Folder);
  SetFaultReportWriter(&testing::WriteChildReport);
  victim->second();
  std::_Exit(0);
}

// Started with one of the variables, the test program is that program: it runs before any test.
class TProgramUnderGdb : public ::testing::Environment {
 public:
  void SetUp() override {
    if (const char* out = std::getenv(kReportVariable)) RunProgram(out);
    if (const char* victim = std::getenv(kVictimVariable)) {
      const std::string_view v(victim);
      RunVictim(std::string(v.substr(0, v.find(' '))), std::string(v.substr(v.find(' ') + 1)));
    }
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
using TReportFrames = std::vector<std::pair<std::uint32_t, std::vector<TFrame>>>;  // in the report's order

// Which frames a test compares, by routine and source file name.
using TFrameFilter = bool (*)(std::string_view Routine, std::string_view File);

bool Known(std::string_view Routine, std::string_view = {}) { return Routine.starts_with("crgdb_"); }

// The victims' routines and every frame in a test's own source (its lambdas among them).
bool Own(std::string_view Routine, std::string_view File) {
  return Routine.starts_with("crfault_") || Routine.starts_with("crfreeze_") || File.ends_with("_test.cpp");
}

// "Thread 2 (Thread 0x7f... (LWP 1234) "name"):" then "#3  0x... in crgdb_worker_b (Depth=2) at f.cpp:57".
TThreadFrames GdbFrames(const std::string& Output, TFrameFilter Filter) {
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
    const std::size_t colon = rest.rfind(':'), at = rest.rfind(" at ");
    const std::string_view file =
        colon == std::string_view::npos || at == std::string_view::npos ? "" : rest.substr(at + 4, colon - at - 4);
    if (Filter(routine, file.substr(file.rfind('/') + 1)))
      thread->push_back({routine, colon == std::string_view::npos ? "" : std::string(rest.substr(colon + 1))});
  }
  return frames;
}

// The call-stack table's runs: a caption " ... Thread: ID=1234; ..." and the rows under it; where a
// thread was started from ("Calling Thread") is left out.
TReportFrames ReportFrames(const std::string& Report, TFrameFilter Filter) {
  TReportFrames frames;
  std::vector<TFrame>* thread = nullptr;
  const std::size_t start = Report.find("Call Stack Information:");
  const std::size_t end = Report.find("Modules Information:");
  for (std::string_view line : SplitLines(std::string_view(Report).substr(start, end - start))) {
    if (const std::size_t id = line.find("Thread: ID="); id != std::string_view::npos) {
      thread = nullptr;
      if (line.find("Calling Thread") != std::string_view::npos) continue;
      frames.emplace_back(static_cast<std::uint32_t>(std::stoul(std::string(line.substr(id + 11)))), std::vector<TFrame>());
      thread = &frames.back().second;
      continue;
    }
    std::vector<std::string> cells;
    for (std::string_view cell = line.substr(std::min<std::size_t>(line.size(), 1)); !cell.empty();) {
      const std::size_t bar = cell.find('|');
      cells.push_back(Trim(cell.substr(0, bar)));
      cell = bar == std::string_view::npos ? std::string_view() : cell.substr(bar + 1);
    }
    if (!thread || cells.size() != 6 || !Filter(cells[4], cells[2])) continue;
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
  const TThreadFrames gdb = GdbFrames(output, &Known);
  const TReportFrames ours = ReportFrames(report, &Known);

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

struct TVictimCase {
  const char* Victim;  // as the fault tests name it
  std::size_t Frames;  // the fewest frames gdb shows of its routines and its test's lambdas
  bool Runs = false;   // the thread ran on after its stack was taken: its innermost line may differ
};

void PrintTo(const TVictimCase& Case, std::ostream* Out) { *Out << Case.Victim; }

class ReportAgainstGdbAtTheFault : public ::testing::TestWithParam<TVictimCase> {};

// The victim runs under gdb, which stops it once the report is written (the faulting thread is still
// in the handler then, or the frozen one still busy) and prints every thread's backtrace: the
// report's own thread, the first, shows the known routines gdb shows, in its order at its lines. A
// stack overflow's thread is compared over its innermost frames.
TEST_P(ReportAgainstGdbAtTheFault, TheFaultingThreadsKnownFramesAreTheDebuggers) {
  if (testing::Shell("command -v gdb") != 0) GTEST_SKIP() << "gdb is missing (scripts/setup.sh installs it)";
#ifdef __OPTIMIZE__
  // Optimised, the victims' lambdas are inlined and some calls become jumps: gdb shows frames that
  // no return address on the stack stands for.
  GTEST_SKIP() << "compared in the unoptimised build only: gdb shows inlined frames the report has not";
#endif
  const TVictimCase& c = GetParam();
  ASSERT_TRUE(testing::Victims().contains(c.Victim)) << c.Victim;
  const std::string folder = testing::Scratch(std::string("report_gdb_") + c.Victim);
  const std::string self = std::filesystem::read_symlink("/proc/self/exe");
  const ::testing::TestInfo& test = *::testing::UnitTest::GetInstance()->current_test_info();
  std::string output;
  testing::Shell(std::string(kVictimVariable) + "='" + c.Victim + " " + folder + "' timeout 240 gdb -nx -batch " +
                     "-ex 'set disable-randomization off' -ex 'set pagination off' " +
                     "-ex 'handle SIGSEGV SIGFPE SIGABRT SIGBUS SIG" + std::to_string(CaptureSignal()) +
                     " nostop noprint pass' -ex 'break crchild_report_written' -ex run " +
                     "-ex 'thread apply all bt 400' -ex kill --args " + self + " '--gtest_filter=" +
                     test.test_suite_name() + "." + test.name() + "'",
                 &output);
  const std::string report = testing::ReadAll(folder + "/stderr.txt");
  ASSERT_NE(output.find("crchild_report_written"), std::string::npos) << output << report;
  const TReportFrames ours = ReportFrames(report, &Own);
  ASSERT_FALSE(ours.empty()) << report;
  const auto& [id, frames] = ours.front();
  const TThreadFrames gdb = GdbFrames(output, &Own);
  ASSERT_TRUE(gdb.contains(id)) << "thread " << id << "\n" << output;
  // A recursion shows in the report once.
  std::vector<TFrame> theirs = gdb.at(id);
  theirs.erase(std::unique(theirs.begin(), theirs.end()), theirs.end());
  ASSERT_GE(theirs.size(), c.Frames) << output;
  // Each of gdb's frames in the report, in order; the report may hold more (return addresses that
  // stayed on the stack).
  std::size_t at = 0;
  for (std::size_t i = 0; i < theirs.size(); ++i, ++at) {
    const TFrame& frame = theirs[i];
    while (at < frames.size() && !(frames[at] == frame || (i == 0 && c.Runs && frames[at].Routine == frame.Routine)))
      ++at;
    ASSERT_LT(at, frames.size()) << "gdb's frame " << i << " " << frame.Routine << " at " << frame.Line
                                 << " is not in the report in order\n" << report << output;
  }
}

INSTANTIATE_TEST_SUITE_P(Victims, ReportAgainstGdbAtTheFault,
                         ::testing::Values(TVictimCase{"NullWrite", 4}, TVictimCase{"DivideByZero", 4},
                                           TVictimCase{"Abort", 4}, TVictimCase{"SideThreadStackOverflow", 2},
                                           TVictimCase{"ThrowThroughNoexcept", 5}, TVictimCase{"SideThreadUncaught", 2},
                                           TVictimCase{"TwoThreadsAtOnce", 2}, TVictimCase{"FrozenMainLoop", 4, true}),
                         [](const ::testing::TestParamInfo<TVictimCase>& Info) { return std::string(Info.param.Victim); });

}  // namespace
}  // namespace lab
