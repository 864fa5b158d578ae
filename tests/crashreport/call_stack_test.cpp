#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "crashreport/report/call_stack.h"
#include "crashreport/capture/code_patch.h"
#include "crashreport/report/debug_symbols.h"
#include "crashreport/capture/hooks.h"
#include "crashreport/report/system_utils.h"
#include "crashreport/report/thread_stacks.h"
#include "platform/rtl/threads.h"

extern "C" {
int crtest_plus_one(int);
int crtest_split(int);
// Where clone_routines.S put the parts split off its functions, and its local function.
extern const std::uintptr_t crtest_clone_addresses[6];
}
namespace crtest {
int Split(int);
}

namespace lab {
namespace {

std::vector<std::uintptr_t> Addresses(const TCrashStackList& List) {
  std::vector<std::uintptr_t> out;
  for (int i = 0; i < List.Count(); ++i) out.push_back(List.GetItem(i)->Address);
  return out;
}

// A code page with crafted calls, and a page that cannot be read.
class SyntheticStack : public ::testing::Test {
 protected:
  void SetUp() override {
    page_ = static_cast<std::uint8_t*>(
        ::mmap(nullptr, 2 * kPage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(page_, MAP_FAILED);
    std::memset(page_, 0xCC, kPage);
    locked_ = page_ + kPage;
    Call32(0x100, Code(0x800));  // E8 to readable code
    Call32(0x200, locked_);      // E8 to memory that cannot be read
    Put(0x300, {0xFF, 0xD0});                      // call rax
    Put(0x400, {0x41, 0xFF, 0xD3});                // call r11
    const std::int32_t cell = 0x900 - 0x506;       // call [rip + cell]
    Put(0x500, {0xFF, 0x15});
    std::memcpy(page_ + 0x502, &cell, 4);
    Put(0x600, {0xFF, 0x54, 0x24, 0x08});          // call [rsp + 8]
    ::mprotect(page_, kPage, PROT_READ | PROT_EXEC);
    ::mprotect(locked_, kPage, PROT_NONE);
  }
  void TearDown() override { ::munmap(page_, 2 * kPage); }

  std::uintptr_t Code(std::size_t Offset) const { return reinterpret_cast<std::uintptr_t>(page_ + Offset); }
  void Put(std::size_t Offset, std::initializer_list<std::uint8_t> Bytes) {
    std::memcpy(page_ + Offset, Bytes.begin(), Bytes.size());
  }
  void Call32(std::size_t Offset, const void* Target) {
    page_[Offset] = 0xE8;
    const auto rel = static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(Target) -
                                               reinterpret_cast<std::intptr_t>(page_ + Offset + 5));
    std::memcpy(page_ + Offset + 1, &rel, 4);
  }
  void Call32(std::size_t Offset, std::uintptr_t Target) { Call32(Offset, reinterpret_cast<const void*>(Target)); }

  static constexpr std::size_t kPage = 4096;
  std::uint8_t* page_ = nullptr;
  std::uint8_t* locked_ = nullptr;
};

TEST_F(SyntheticStack, EveryCallFormGivesItsExactEntry) {
  const std::uintptr_t stack[] = {Code(0x105), Code(0x205), 12345, Code(0x302), Code(0x403),
                                  Code(0x506), Code(0x604), Code(0x700), reinterpret_cast<std::uintptr_t>(stack)};
  auto list = GetCallStack(0, reinterpret_cast<std::uintptr_t>(stack), reinterpret_cast<std::uintptr_t>(stack + 9),
                           kAllCallStackKinds, -1, -1, false, 1, 77);
  EXPECT_EQ(Addresses(*list), (std::vector<std::uintptr_t>{Code(0x100), Code(0x300), Code(0x400), Code(0x500),
                                                          Code(0x600)}));
  EXPECT_EQ(list->GetItem(0)->Kind, dkNothing);  // in no module
  EXPECT_EQ(list->GetItem(0)->ThreadID, 77u);
  EXPECT_EQ(list->GetItem(0)->ThreadKind, 1);

  // The first address first; then at most 2 kept after skipping 1.
  list = GetCallStack(Code(0x42), reinterpret_cast<std::uintptr_t>(stack), reinterpret_cast<std::uintptr_t>(stack + 9),
                      kAllCallStackKinds, 2, 1, false, 1, 77);
  EXPECT_EQ(Addresses(*list), (std::vector<std::uintptr_t>{Code(0x100), Code(0x300)}));
  // A limit holds without skipping too.
  list = GetCallStack(0, reinterpret_cast<std::uintptr_t>(stack), reinterpret_cast<std::uintptr_t>(stack + 9),
                      kAllCallStackKinds, 3, -1, false, 1, 77);
  EXPECT_EQ(Addresses(*list), (std::vector<std::uintptr_t>{Code(0x100), Code(0x300), Code(0x400)}));
  // Only the kinds asked for count.
  list = GetCallStack(0, reinterpret_cast<std::uintptr_t>(stack), reinterpret_cast<std::uintptr_t>(stack + 9),
                      1u << dkSourceLine, -1, -1, false, 1, 77);
  EXPECT_EQ(list->Count(), 0);
}

// An exception's address is the call that threw, found from the return address, not assumed 5 back.
TEST_F(SyntheticStack, TheCallBeforeAReturnAddress) {
  EXPECT_EQ(CallInstructionBefore(Code(0x105)), Code(0x100));  // E8 rel32
  EXPECT_EQ(CallInstructionBefore(Code(0x506)), Code(0x500));  // FF 15 through a cell
  EXPECT_EQ(CallInstructionBefore(Code(0x403)), Code(0x400));  // 41 FF D3
  EXPECT_EQ(CallInstructionBefore(Code(0x302)), Code(0x300));  // FF D0
  EXPECT_EQ(CallInstructionBefore(Code(0x205)), Code(0x205));  // E8 to memory that cannot be read: none
  EXPECT_EQ(CallInstructionBefore(Code(0x700)), Code(0x700));  // no call ends here
  EXPECT_EQ(CallInstructionBefore(reinterpret_cast<std::uintptr_t>(locked_) + 16),
            reinterpret_cast<std::uintptr_t>(locked_) + 16);  // unreadable bytes before it
  EXPECT_EQ(CallInstructionBefore(3), 3u);
}

TEST_F(SyntheticStack, TheScanStopsAfterItsLimit) {
  std::vector<std::uintptr_t> stack(kMaxStackScan / 8 + 64, 0);
  stack[kMaxStackScan / 8 - 1] = Code(0x302);  // the last word scanned
  stack[kMaxStackScan / 8] = Code(0x403);      // the first one past the limit
  const auto start = reinterpret_cast<std::uintptr_t>(stack.data());
  auto list = GetCallStack(0, start, start + stack.size() * 8, kAllCallStackKinds, -1, -1, false, 1, 1);
  EXPECT_EQ(Addresses(*list), std::vector<std::uintptr_t>{Code(0x300)});
}

TEST_F(SyntheticStack, ABlockPartlyUnreadableIsReadWordByWord) {
  // A stack that starts 200 bytes before its readable page: the first 400-byte block is half unreadable.
  auto* area = static_cast<std::uint8_t*>(
      ::mmap(nullptr, 2 * kPage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(area, MAP_FAILED);
  auto* words = reinterpret_cast<std::uintptr_t*>(area + kPage);
  std::fill(words, words + kPage / 8, 0);
  words[2] = Code(0x302);
  words[30] = Code(0x403);  // in the next block
  ::mprotect(area, kPage, PROT_NONE);
  const auto start = reinterpret_cast<std::uintptr_t>(area + kPage - 200);
  auto list = GetCallStack(0, start, start + 800, kAllCallStackKinds, -1, -1, false, 1, 1);
  EXPECT_EQ(Addresses(*list), (std::vector<std::uintptr_t>{Code(0x300), Code(0x400)}));
  ::munmap(area, 2 * kPage);
}

TEST(CallStack, AReturnAddressFoundTwiceInARowShowsOnce) {
  // crtest_plus_one begins with a 5-byte call: its return address is 5 bytes in.
  const auto call = reinterpret_cast<std::uintptr_t>(&crtest_plus_one);
  const std::uintptr_t stack[] = {call + 5, call + 5, 0};
  auto list = GetCallStack(0, reinterpret_cast<std::uintptr_t>(stack), reinterpret_cast<std::uintptr_t>(stack + 3),
                           kAllCallStackKinds, -1, -1, false, 1, 1);
  ASSERT_EQ(list->Count(), 2);
  EXPECT_EQ(list->GetItem(0)->Kind, dkNothing);  // hidden
  EXPECT_GE(list->GetItem(1)->Kind, dkFunction);
  EXPECT_EQ(list->GetItem(1)->ProcedureName, "crtest_plus_one");
  EXPECT_EQ(list->GetItem(1)->Address, call);

  // A run of them (a routine calling itself) shows once too, at its last: entries hidden already do
  // not stand between.
  const std::uintptr_t run[] = {call + 5, call + 5, call + 5, call + 5, 0};
  list = GetCallStack(0, reinterpret_cast<std::uintptr_t>(run), reinterpret_cast<std::uintptr_t>(run + 5),
                      kAllCallStackKinds, -1, -1, false, 1, 1);
  ASSERT_EQ(list->Count(), 4);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(list->GetItem(i)->Kind, dkNothing) << i;
  EXPECT_GE(list->GetItem(3)->Kind, dkFunction);
}

__attribute__((noipa)) std::uintptr_t ReturnAddress() {
  return reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
}

// A return address found again among the next two described entries of its module shows once;
// entries no routine describes do not count, and one three entries on is another call.
TEST_F(SyntheticStack, ARepeatAmongTheNextTwoEntriesOfItsModuleIsHidden) {
  const std::uintptr_t a = ReturnAddress(), b = ReturnAddress(), c = ReturnAddress();
  const std::uintptr_t undescribed = Code(0x302);  // a call in memory of no module
  const struct {
    std::vector<std::uintptr_t> Stack;
    std::vector<bool> Hidden;
  } cases[] = {
      {{a, b, a}, {true, false, false}},
      {{a, b, c, a}, {false, false, false, false}},
      {{a, undescribed, b, a}, {true, false, false, false}},
      {{a, b, a, b}, {true, true, false, false}},
  };
  for (const auto& k : cases) {
    const auto start = reinterpret_cast<std::uintptr_t>(k.Stack.data());
    auto list = GetCallStack(0, start, start + k.Stack.size() * 8, kAllCallStackKinds, -1, -1, false, 1, 1);
    ASSERT_EQ(list->Count(), static_cast<int>(k.Stack.size()));
    for (int i = 0; i < list->Count(); ++i) {
      const bool hidden = list->GetItem(i)->Kind == dkNothing && k.Stack[i] != undescribed;
      EXPECT_EQ(hidden, k.Hidden[i]) << "entry " << i << " of " << k.Stack.size();
    }
  }
}

// What addr2line says of an address of this program: routine, file and line.
struct TAddr2Line {
  std::string Routine, File;
  int Line = 0;
};
TAddr2Line Addr2Line(std::uintptr_t Address) {
  const std::uintptr_t offset = Address - GetModuleBias(reinterpret_cast<const void*>(Address));
  char command[512];
  std::snprintf(command, sizeof command, "addr2line -f -e /proc/%d/exe 0x%lx", static_cast<int>(::getpid()),
                static_cast<unsigned long>(offset));
  TAddr2Line result;
  if (FILE* pipe = ::popen(command, "r")) {
    char line[1024];
    if (std::fgets(line, sizeof line, pipe)) result.Routine = std::string(line, std::strcspn(line, "\n"));
    if (std::fgets(line, sizeof line, pipe)) {
      std::string where(line, std::strcspn(line, "\n"));
      const std::size_t colon = where.rfind(':');
      result.File = where.substr(0, colon);
      result.Line = std::atoi(where.c_str() + colon + 1);
    }
    ::pclose(pipe);
  }
  return result;
}

__attribute__((noinline)) std::uintptr_t WhereCalledFrom() {
  return reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
}

TEST(CallStack, ALineOfThisProgramReadsAsAddr2LineReadsIt) {
  const std::uintptr_t back = WhereCalledFrom(); const int call_line = __LINE__;  // the call's line
  const std::uintptr_t call = back - 5;
  TCrashDebugInfo info;
  GetAddressDebugInfo(call, 9, info, 1);
  const TAddr2Line expected = Addr2Line(call);
  ASSERT_EQ(info.Kind, dkSourceLine);
  EXPECT_EQ(info.UnitName, "call_stack_test.cpp");
  EXPECT_EQ(expected.File.substr(expected.File.rfind('/') + 1), "call_stack_test.cpp");
  EXPECT_EQ(info.Line, expected.Line);
  EXPECT_EQ(info.Line, call_line);
  std::string scope, routine;
  SplitCppName(expected.Routine, scope, routine);
  EXPECT_EQ(info.ProcedureName, routine);
  EXPECT_EQ(info.ProcedureName, "TestBody");
  EXPECT_EQ(info.ClassName, "lab::(anonymous namespace)::CallStack_ALineOfThisProgramReadsAsAddr2LineReadsIt_Test");
  EXPECT_GT(info.LineOffset, 0);
  ASSERT_TRUE(info.Module);
  EXPECT_EQ(info.Module->FileName, GetModuleFullName(nullptr));

  // A routine of the C library: its exported name, no line.
  GetAddressDebugInfo(reinterpret_cast<std::uintptr_t>(&::getppid) + 1, 9, info, 1);
  EXPECT_EQ(info.Kind, dkFunction);
  EXPECT_EQ(info.ProcedureName, "getppid");
  GetAddressDebugInfo(1, 9, info, 1);
  EXPECT_EQ(info.Kind, dkNothing);
}

TEST(CallStack, NamesAreParted) {
  std::string scope, routine;
  EXPECT_TRUE(SplitCppName("_ZN3lab7TThread3RunEPv", scope, routine));
  EXPECT_EQ(scope, "lab::TThread");
  EXPECT_EQ(routine, "Run");
  EXPECT_TRUE(SplitCppName("_ZN3lab6detail4SwapISt6vectorIiSaIiEEEEvRT_S6_", scope, routine));
  EXPECT_EQ(scope, "lab::detail");
  EXPECT_EQ(routine, "Swap<std::vector<int, std::allocator<int> > >");
  EXPECT_FALSE(SplitCppName("getppid", scope, routine));
  EXPECT_EQ(scope, "");
  EXPECT_EQ(routine, "getppid");
}

// Other threads. Waits are long: a thread that can answer does, however loaded the machine is.
constexpr unsigned kLongWait = 120000;

std::atomic<bool> g_release{false};
std::atomic<int> g_ready{0};

// Each level keeps a frame of its own at every optimisation level: the recursion goes through a
// pointer the compiler cannot see through (else it becomes a loop), and the addition after the call
// keeps it from being a jump.
int WaitDeep(int depth);
int (*volatile g_wait_deeper)(int) = WaitDeep;

__attribute__((noipa)) int WaitDeep(int depth) {
  if (depth > 0) return g_wait_deeper(depth - 1) + 1;
  g_ready.fetch_add(1);
  while (!g_release.load()) std::this_thread::yield();
  return 0;
}

bool HasRoutine(const TCrashStackList& List, const std::string& Name) {
  for (int i = 0; i < List.Count(); ++i)
    if (List.GetItem(i)->ProcedureName == Name) return true;
  return false;
}

TEST(CallStack, AnotherThreadsStackIsReadWhileItWaitsInItsHandler) {
  InstallThreadStartHook();
  g_release = false;
  g_ready = 0;
  std::atomic<std::uint32_t> id{0};
  std::thread waiting([&] {
    id = GetCurrentThreadID();
    WaitDeep(5);
  });
  while (g_ready.load() < 1) std::this_thread::yield();
  TStackBounds bounds;
  EXPECT_TRUE(RecordedThreadStack(id, bounds));  // recorded as it started
  EXPECT_GT(bounds.High, bounds.Low);

  TCrashStackList list;
  ASSERT_TRUE(GetThreadCallStack(id, kAllCallStackKinds, 1, list, nullptr, kLongWait));
  EXPECT_TRUE(HasRoutine(list, "WaitDeep")) << list.Count();
  int deep = 0;
  for (int i = 0; i < list.Count(); ++i) {
    EXPECT_EQ(list.GetItem(i)->ThreadID, id.load());
    if (list.GetItem(i)->ProcedureName == "WaitDeep") ++deep;
  }
  EXPECT_GE(deep, 5);
  g_release = true;
  waiting.join();
  EXPECT_FALSE(RecordedThreadStack(id, bounds));  // gone with its thread
  RemoveThreadStartHook();

  // The calling thread's own stack.
  TCrashStackList own;
  ASSERT_TRUE(GetThreadCallStack(GetCurrentThreadID(), kAllCallStackKinds, 1, own));
  EXPECT_TRUE(HasRoutine(own, "TestBody"));
  EXPECT_FALSE(WithThreadContext(0x7FFFFFF0, 100, [](const TCrashContext&) {}));  // no such thread
  EXPECT_FALSE(WithThreadContext(GetCurrentThreadID(), kLongWait, [](const TCrashContext&) {}));  // itself
}

TEST(CallStack, TheThreadStartHookPutInAgainRecordsAgain) {
  InstallThreadStartHook();
  RemoveThreadStartHook();
  InstallThreadStartHook();
  bool recorded = false;
  std::thread([&] {
    TStackBounds bounds;
    recorded = RecordedThreadStack(GetCurrentThreadID(), bounds);
  }).join();
  EXPECT_TRUE(recorded);
  RemoveThreadStartHook();
}

// The thread loads a library whose start-up holds the loader's lock until the capture signal comes.
// Describing the entries needs that lock, so the thread must be let go before that is done.
TEST(CallStack, AThreadStoppedWhileTheLoaderIsLockedIsLetGoBeforeItsStackIsDescribed) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  ::setenv("CRTEST_LOADER_SIGNAL", std::to_string(CaptureSignal()).c_str(), 1);
  ::setenv("CRTEST_LOADER_READY_FD", std::to_string(ready[1]).c_str(), 1);
  std::atomic<std::uint32_t> id{0};
  void* library = nullptr;
  std::thread loading([&] {
    id = GetCurrentThreadID();
    library = ::dlopen(LAB_CRTEST_LOADER_WAIT, RTLD_NOW | RTLD_LOCAL);
  });
  char byte = 0;
  const bool waiting = ::read(ready[0], &byte, 1) == 1;
  TCrashStackList list;
  const bool answered = waiting && GetThreadCallStack(id, kAllCallStackKinds, 1, list, nullptr, kLongWait);
  loading.join();
  ::unsetenv("CRTEST_LOADER_SIGNAL");
  ::unsetenv("CRTEST_LOADER_READY_FD");
  ::close(ready[0]);
  ::close(ready[1]);
  EXPECT_TRUE(waiting);
  EXPECT_TRUE(answered);
  EXPECT_TRUE(HasRoutine(list, "crtest_wait_in_loader")) << list.Count();
  if (library) ::dlclose(library);
}

TEST(CallStack, AThreadThatAsksAnswersARequestMadeOfItOnlyWhenItIsDone) {
  std::atomic<bool> release{false}, ask{false}, answered{false};
  std::atomic<std::uint32_t> asked{0};
  std::thread standing([&] {
    asked = GetCurrentThreadID();
    while (!release) std::this_thread::yield();
  });
  while (!asked) std::this_thread::yield();
  const std::uint32_t self = GetCurrentThreadID();
  bool asker_answered = false;
  std::thread asker([&] {
    while (!ask) std::this_thread::yield();
    asker_answered = WithThreadContext(self, kLongWait, [](const TCrashContext&) {});
    answered = true;
  });
  bool pending = false, answered_meanwhile = false;
  EXPECT_TRUE(WithThreadContext(asked, kLongWait, [&](const TCrashContext&) {
    ask = true;
    // The other request waits, unanswered, instead of stopping this thread in its handler.
    while (!pending && !answered) {
      sigset_t set;
      ::sigpending(&set);
      pending = sigismember(&set, CaptureSignal());
      std::this_thread::yield();
    }
    answered_meanwhile = answered;
  }));
  asker.join();
  release = true;
  standing.join();
  EXPECT_TRUE(pending);
  EXPECT_FALSE(answered_meanwhile);
  EXPECT_TRUE(asker_answered);  // once this thread was done
}

TEST(CallStack, AThreadThatDoesNotAnswerInTimeGoesOnWhenItAnswersLate) {
  std::atomic<bool> blocked{false}, go_on{false};
  std::atomic<std::uint32_t> id{0};
  std::thread late([&] {
    sigset_t capture;
    sigemptyset(&capture);
    sigaddset(&capture, CaptureSignal());
    ::pthread_sigmask(SIG_BLOCK, &capture, nullptr);
    id = GetCurrentThreadID();
    blocked = true;
    while (!go_on) std::this_thread::yield();
    ::pthread_sigmask(SIG_UNBLOCK, &capture, nullptr);  // the request given up comes now
  });
  while (!blocked) std::this_thread::yield();
  bool used = false;
  EXPECT_FALSE(WithThreadContext(id, 10, [&](const TCrashContext&) { used = true; }));
  EXPECT_FALSE(used);
  go_on = true;
  late.join();  // not left waiting in its handler
}

TEST(CallStack, TheCaptureSignalFromAnotherProcessWritesNothing) {
  EXPECT_FALSE(WithThreadContext(0x7FFFFFF0, 1, [](const TCrashContext&) {}));  // sets the handler up
  static std::uint64_t decoy[64];  // where another process says a request's slot is
  sigset_t capture, before;
  sigemptyset(&capture);
  sigaddset(&capture, CaptureSignal());
  ::pthread_sigmask(SIG_BLOCK, &capture, &before);
  const pid_t parent = ::getpid();
  const auto self = static_cast<pid_t>(GetCurrentThreadID());
  const pid_t child = ::fork();
  if (child == 0) {
    siginfo_t info{};
    info.si_signo = CaptureSignal();
    info.si_code = SI_QUEUE;
    info.si_pid = ::getpid();
    info.si_uid = ::getuid();
    info.si_value.sival_ptr = decoy;
    ::_exit(::syscall(SYS_rt_tgsigqueueinfo, parent, self, CaptureSignal(), &info) == 0 ? 0 : 1);
  }
  ::waitpid(child, nullptr, 0);
  sigset_t pending;
  ::sigpending(&pending);
  const bool arrived = sigismember(&pending, CaptureSignal());
  ::pthread_sigmask(SIG_SETMASK, &before, nullptr);  // the handler runs now
  EXPECT_TRUE(arrived);
  for (std::uint64_t word : decoy) EXPECT_EQ(word, 0u);
}

TEST(CallStack, ThreadHeadings) {
  TCrashDebugInfo entry;
  entry.ThreadID = MainThreadID();
  entry.ThreadKind = 1;
  EXPECT_EQ(FormatThreadHeader(0, entry, false), "Exception Thread: ID=" + std::to_string(entry.ThreadID) +
                                                      "; Priority=??; [Main]");
  entry.ThreadID = 4242;
  EXPECT_EQ(FormatThreadHeader(3, entry, true), " Running Thread: ID=4242; Priority=??; Class=");
  entry.ThreadKind = 0;
  EXPECT_EQ(FormatThreadHeader(3, entry, false), "Calling Thread: ID=4242; Priority=??");

  // A tracked thread: its priority (the nice value it runs at, 0 unless the tests were started
  // under nice) read once and kept.
  const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(GetCurrentThreadID()));
  TCrashThreadsList& threads = CrashThreadsList();
  threads.BeginWrite();
  threads.AddNewItem()->ThreadID = GetCurrentThreadID();
  threads.EndWrite();
  entry.ThreadID = GetCurrentThreadID();
  EXPECT_EQ(FormatThreadHeader(1, entry, false), "Calling Thread: ID=" + std::to_string(entry.ThreadID) +
                                                     "; Priority=" + std::to_string(nice) +
                                                     (entry.ThreadID == MainThreadID() ? "; [Main]" : ""));
  threads.BeginRead();
  EXPECT_EQ(threads.GetItem(threads.IndexOfID(entry.ThreadID))->Priority, nice);
  threads.EndRead();
  threads.RemoveCurrentThread();
}

TEST(CallStack, SymbolsByName) {
  EXPECT_EQ(GetSymbolAddress("crtest_plus_one"), reinterpret_cast<std::uintptr_t>(&crtest_plus_one));
  EXPECT_EQ(GetSymbolAddress("lab::GetSymbolAddress"), reinterpret_cast<std::uintptr_t>(&GetSymbolAddress));
  EXPECT_EQ(GetSymbolAddress("no_such_routine"), 0u);
  try {
    HookBySymbol("no_such_routine", reinterpret_cast<const void*>(&crtest_plus_one));
    FAIL();
  } catch (const EProcNull& e) {
    EXPECT_STREQ(e.what(), "Cannot hook a null procedure (\"SymbolID = no_such_routine\").");
  }
}

// Parts and copies the compiler split off a function are never taken for it: a hook by name would
// patch the wrong code. A name of such a part asks for its function.
TEST(CallStack, SymbolsByNameAreTheFunctionsOwnNeverTheirClones) {
  const auto split = reinterpret_cast<std::uintptr_t>(&crtest_split);
  const auto cpp_split = reinterpret_cast<std::uintptr_t>(&crtest::Split);
  const struct {
    const char* Name;
    std::uintptr_t Expected;
  } cases[] = {
      {"crtest_split", split},
      {"crtest_split.cold", split},
      {"crtest::Split", cpp_split},
      {"_ZN6crtest5SplitEi", cpp_split},
      {"_ZN6crtest5SplitEi.part.0", cpp_split},
      {"crtest_local_split", crtest_clone_addresses[4]},
      {"crtest_only_parts", 0},
      {"crtest_only_parts.part.0", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(GetSymbolAddress(c.Name), c.Expected) << c.Name;
}

TEST(CallStack, AFrameInsideACloneIsNamedAfterItsFunction) {
  const struct {
    std::uintptr_t Address;
    const char* ClassName;
    const char* Routine;
  } cases[] = {
      {crtest_clone_addresses[0], "", "crtest_split"},
      {crtest_clone_addresses[1], "", "crtest_split"},
      {crtest_clone_addresses[2], "crtest", "Split"},
      {crtest_clone_addresses[3], "crtest", "Split"},
      {crtest_clone_addresses[5], "", "crtest_only_parts"},
  };
  for (const auto& c : cases) {
    TCrashDebugInfo info;
    GetAddressDebugInfo(c.Address + 1, 9, info, 1);
    EXPECT_GE(info.Kind, dkFunction) << c.Routine;
    EXPECT_EQ(info.ClassName, c.ClassName) << c.Routine;
    EXPECT_EQ(info.ProcedureName, c.Routine);
  }
}

TEST(CallStack, FilterAndCodeTests) {
  TCrashModuleOptions options("x", false);
  options.SetCallStackOptions(0);
  EXPECT_EQ(GetCallStackFilter(options), 0x10);
  options.SetCallStackOptions(kCallStackFunctionNames | kCallStackDecoratedNames);
  EXPECT_EQ(GetCallStackFilter(options), 0x1C);
  const std::uint8_t frame[] = {0xF3, 0x0F, 0x1E, 0xFA, 0x55, 0x48, 0x89, 0xE5};
  const std::uint8_t push_rbx[] = {0x53, 0x90};
  EXPECT_TRUE(StartsWithStackFrame(frame));
  EXPECT_TRUE(StartsWithStackFrame(frame + 4));
  EXPECT_FALSE(StartsWithStackFrame(push_rbx));
  EXPECT_TRUE(StartsWithPushRbx(push_rbx));
  EXPECT_FALSE(StartsWithPushRbx(frame));
}

}  // namespace
}  // namespace lab
