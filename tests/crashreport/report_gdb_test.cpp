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

#include "crashreport/report/call_stack.h"
#include "crashreport/report/memory_map.h"
#include "crashreport/report/thread_stacks.h"
#include "crashreport/report/report_text.h"
#include "crashreport/codec/text_utils.h"
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

// gdb's view of every thread, printed by its Python: "Thread 2 (LWP 1234):", then a line a frame,
// "#3|called|lab::(anonymous namespace)::Work|/src/work.cpp|57". An "inlined" frame, or a "jump"
// (a call made as a jump, which gdb tells from its caller's call-site data), has no return address
// on the stack to stand for it.
constexpr char kFramePrinter[] = R"(python
import gdb
kinds = {gdb.INLINE_FRAME: "inlined", gdb.TAILCALL_FRAME: "jump"}
for t in sorted(gdb.selected_inferior().threads(), key=lambda t: t.num):
    t.switch()
    print("Thread %d (LWP %d):" % (t.num, t.ptid[1]))
    f, n = gdb.newest_frame(), 0
    while f is not None and n < 400:
        sal = f.find_sal()
        file = sal.symtab.filename if sal.symtab else ""
        print("#%d|%s|%s|%s|%d" % (n, kinds.get(f.type(), "called"), f.name() or "??", file, sal.line))
        f, n = f.older(), n + 1
end
)";

// gdb's arguments that print the frames as above, its script kept in Folder.
std::string PrintFrames(const std::string& Folder) {
  testing::WriteAll(Folder + "/frames.gdb", kFramePrinter);
  return " -x '" + Folder + "/frames.gdb' ";
}

// The frames the filter lets through that a return address stands for, by thread.
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
    const std::size_t kind = line.find('|'), name = line.find('|', kind + 1), number = line.rfind('|'),
                      file = line.rfind('|', number - 1);
    if (!thread || !line.starts_with('#') || file <= name || line.substr(kind + 1, name - kind - 1) != "called")
      continue;
    const std::string_view path = line.substr(file + 1, number - file - 1), at = line.substr(number + 1);
    if (Filter(line.substr(name + 1, file - name - 1), path.substr(path.rfind('/') + 1)))
      thread->push_back({std::string(line.substr(name + 1, file - name - 1)), at == "0" ? "" : std::string(at)});
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
    if (!thread || cells.size() != 6) continue;
    const std::string routine = cells[3].empty() ? cells[4] : cells[3] + "::" + cells[4];
    if (Filter(routine, cells[2])) thread->push_back({routine, cells[5].substr(0, cells[5].find('['))});
  }
  return frames;
}

TEST(ReportAgainstGdb, EachThreadsKnownFramesAreTheDebuggers) {
  ASSERT_EQ(testing::Shell("command -v gdb"), 0) << "gdb is missing (scripts/setup.sh installs it)";
  const std::string folder = testing::Scratch("report_gdb");
  const std::string report_file = folder + "/report.txt";
  const std::string self = std::filesystem::read_symlink("/proc/self/exe");
  // The signal that stops a thread for its registers goes to the program unseen.
  const std::string capture = "-ex 'handle SIG" + std::to_string(CaptureSignal()) + " nostop noprint pass'";
  std::string output;
  testing::Shell(std::string(kReportVariable) + "=" + report_file +
                     " timeout 240 gdb -nx -batch -ex 'set disable-randomization off' -ex 'set pagination off' " +
                     capture + " -ex run" + PrintFrames(folder) + "-ex kill --args " +
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

// gdb names a routine without its scopes where the debug data holds only lines ("operator()" for a
// lambda's call); the report names it in full, from the symbol table.
bool SameRoutine(const TFrame& Ours, const TFrame& Gdb) {
  return Ours.Routine == Gdb.Routine || Ours.Routine.ends_with("::" + Gdb.Routine);
}

struct TVictimCase {
  const char* Victim;  // as the fault tests name it
  std::size_t Frames;  // the fewest frames gdb shows of its routines and its test's lambdas
  bool Runs = false;   // the thread ran on after its stack was taken: its innermost line may differ
  bool EveryThread = false;  // every thread of the report is compared, not only its first
};

void PrintTo(const TVictimCase& Case, std::ostream* Out) { *Out << Case.Victim; }

class ReportAgainstGdbAtTheFault : public ::testing::TestWithParam<TVictimCase> {};

// The victim runs under gdb, which stops it once the report is written (the faulting thread is still
// in the handler then, or the frozen one still busy) and prints every thread's backtrace: the
// report's own thread, the first, shows the known routines gdb shows, in its order at its lines,
// each one a return address stands for (optimised, crfault_both_threads calls its last routine with
// a jump: gdb shows it from the call-site data alone). A stack overflow's thread is compared over
// its innermost frames, all in the recursion: one, where the guard page stopped a call, two where it
// stopped another line. Where two threads fault at once, the second, stopped in the handler, shows
// the frames of its own fault, a stack overflow's too.
TEST_P(ReportAgainstGdbAtTheFault, TheFaultingThreadsKnownFramesAreTheDebuggers) {
  if (testing::Shell("command -v gdb") != 0) GTEST_SKIP() << "gdb is missing (scripts/setup.sh installs it)";
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
                     PrintFrames(folder) + "-ex kill --args " + self + " '--gtest_filter=" +
                     test.test_suite_name() + "." + test.name() + "'",
                 &output);
  const std::string report = testing::ReadAll(folder + "/stderr.txt");
  ASSERT_NE(output.find("crchild_report_written"), std::string::npos) << output << report;
  const TReportFrames ours = ReportFrames(report, &Own);
  ASSERT_FALSE(ours.empty()) << report;
  const TThreadFrames gdb = GdbFrames(output, &Own);
  for (std::size_t t = 0; t < (c.EveryThread ? ours.size() : 1); ++t) {
    const auto& [id, frames] = ours[t];
    SCOPED_TRACE("thread " + std::to_string(id));
    ASSERT_TRUE(gdb.contains(id)) << output;
    // A recursion shows in the report once.
    std::vector<TFrame> theirs = gdb.at(id);
    theirs.erase(std::unique(theirs.begin(), theirs.end()), theirs.end());
    ASSERT_GE(theirs.size(), c.Frames) << output;
    // Each of gdb's frames in the report, in order; the report may hold more (return addresses that
    // stayed on the stack).
    std::size_t at = 0;
    for (std::size_t i = 0; i < theirs.size(); ++i, ++at) {
      const TFrame& frame = theirs[i];
      while (at < frames.size() &&
             !(SameRoutine(frames[at], frame) && (frames[at].Line == frame.Line || (i == 0 && c.Runs))))
        ++at;
      ASSERT_LT(at, frames.size()) << "gdb's frame " << i << " " << frame.Routine << " at " << frame.Line
                                   << " is not in the report in order\n" << report << output;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Victims, ReportAgainstGdbAtTheFault,
                         ::testing::Values(TVictimCase{"NullWrite", 2}, TVictimCase{"DivideByZero", 2},
                                           TVictimCase{"Abort", 2}, TVictimCase{"MainThreadStackOverflow", 1},
                                           TVictimCase{"SideThreadStackOverflow", 1},
                                           TVictimCase{"ThrowThroughNoexcept", 3}, TVictimCase{"SideThreadUncaught", 1},
                                           TVictimCase{"TwoThreadsAtOnce", 1, false, true},
                                           TVictimCase{"FaultWhileAnotherOverflows", 2, false, true},
                                           TVictimCase{"FrozenMainLoop", 3, true}),
                         [](const ::testing::TestParamInfo<TVictimCase>& Info) { return std::string(Info.param.Victim); });

}  // namespace
}  // namespace lab
