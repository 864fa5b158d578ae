#include <gtest/gtest.h>

#include <ucontext.h>

#include <cstring>
#include <thread>

#include "crashreport/process_state.h"
#include "crashreport/report/system_utils.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/threads.h"

namespace lab {
namespace {

// Puts the process state back as it was after each test.
class ProcessState : public ::testing::Test {
 protected:
  void TearDown() override {
    TCrashProcessState& s = CrashState();
    s.Activated = activated_;
    s.TerminateRequested = false;
    s.ErrorCount = 0;
    s.ErrorTimes.clear();
    ResetExceptionState();
    s.ModuleOptions->SetTerminateAction(kTerminateRestart);
    SetFreezeWatchdogSwitch(nullptr);
  }

  bool activated_ = CrashState().Activated;
};

TEST_F(ProcessState, ThisProgramIsActivatedByItsDataSection) {
  EXPECT_TRUE(IsCrashLogActivated());
  EXPECT_EQ(&CurrentCrashLogOptions(), CrashState().ModuleOptions.get());
  EXPECT_EQ(CurrentCrashLogOptions().ModuleName(), RunningModuleFileName());

  CrashState().Activated = false;
  try {
    CurrentCrashLogOptions();
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_STREQ(e.what(),
                 "\r\nCannot use 'CurrentCrashLogOptions' function without activate CrashLog.\r\n"
                 "To activate CrashLog use the new IDE \"Project/CrashLog Options...\" menu.");
  }
}

TEST_F(ProcessState, PerThreadFlagsBelongToOneThread) {
  TCrashThreadState& mine = ThreadState();
  mine.InDispatch = true;
  mine.InHandler = true;
  mine.SavedStackPointer = &mine;
  mine.SavedContext.ContextFlags = CONTEXT_FULL;
  ASSERT_TRUE(mine.EnterCatch());
  EXPECT_FALSE(mine.EnterCatch());  // already catching

  bool other_clean = false, other_caught = false;
  std::thread other([&] {
    TCrashThreadState& theirs = ThreadState();
    other_clean = !theirs.InDispatch && !theirs.InHandler && !theirs.SavedStackPointer &&
                  theirs.SavedContext.ContextFlags == 0 && theirs.CatchFlag.load() == 0;
    other_caught = theirs.EnterCatch();
    theirs.InDispatch = true;
  });
  other.join();
  EXPECT_TRUE(other_clean);
  EXPECT_TRUE(other_caught);
  EXPECT_TRUE(mine.InDispatch);  // the other thread's flag is its own

  mine.LeaveCatch();
  EXPECT_TRUE(mine.EnterCatch());
  mine.LeaveCatch();
  mine.InDispatch = mine.InHandler = false;
  mine.SavedStackPointer = nullptr;
  mine.SavedContext = TCrashContext{};
}

TEST_F(ProcessState, SavedContextHoldsTheSignalRegisters) {
  ucontext_t context;
  ASSERT_EQ(getcontext(&context), 0);
  TCrashContext saved;
  SaveContext(context, saved);
  EXPECT_EQ(saved.ContextFlags, CONTEXT_FULL);
  EXPECT_EQ(saved.Held, kSignalContextRegisters);
  EXPECT_EQ(saved.Rsp(), static_cast<std::uintptr_t>(context.uc_mcontext.gregs[REG_RSP]));
  EXPECT_EQ(saved.Rip(), static_cast<std::uintptr_t>(context.uc_mcontext.gregs[REG_RIP]));
  EXPECT_EQ(saved.Gregs[REG_R15], context.uc_mcontext.gregs[REG_R15]);
}

// The registers getcontext is said to hold are those it writes: taken twice over buffers of two
// patterns, a register it writes cannot match both, one it leaves matches both.
TEST_F(ProcessState, GetcontextHoldsTheRegistersItWrites) {
  ucontext_t first, second;
  std::memset(&first, 0xA5, sizeof first);
  std::memset(&second, 0x5A, sizeof second);
  ASSERT_EQ(getcontext(&first), 0);
  ASSERT_EQ(getcontext(&second), 0);
  for (int r = 0; r < NGREG; ++r) {
    const bool left = first.uc_mcontext.gregs[r] == static_cast<greg_t>(0xA5A5A5A5A5A5A5A5) &&
                      second.uc_mcontext.gregs[r] == static_cast<greg_t>(0x5A5A5A5A5A5A5A5A);
    EXPECT_EQ(!left, ((kGetcontextRegisters >> r) & 1) != 0) << "register " << r;
  }
  TCrashContext saved;
  SaveContext(first, saved, kGetcontextRegisters);
  EXPECT_TRUE(saved.Holds(REG_RBX));
  EXPECT_FALSE(saved.Holds(REG_RAX));
}

TEST_F(ProcessState, ForceTerminationMarksTheOptionsInForce) {
  TCrashProcessState& s = CrashState();
  // No exception being processed: the module's own options.
  ForceTermination(2);
  EXPECT_TRUE(s.TerminateRequested);
  EXPECT_EQ(s.ModuleOptions->TerminateAction(), 2);

  // While one is processed: its options, the module's stay as they are.
  s.TerminateRequested = false;
  s.ExceptionRecord.Options = s.CurrentOptions.get();
  s.CurrentException = &s.ExceptionRecord;
  s.CurrentOptions->SetTerminateAction(kTerminateClose);
  ForceTermination(1);
  EXPECT_TRUE(s.TerminateRequested);
  EXPECT_EQ(s.CurrentOptions->TerminateAction(), 1);
  EXPECT_EQ(s.ModuleOptions->TerminateAction(), 2);

  // Without the crash reporter's data nothing is asked for.
  ResetExceptionState();
  s.TerminateRequested = false;
  s.Activated = false;
  ForceTermination(1);
  EXPECT_FALSE(s.TerminateRequested);
  EXPECT_EQ(s.ModuleOptions->TerminateAction(), 2);
}

TEST_F(ProcessState, ResetClearsOneExceptionAndKeepsTheCounts) {
  TCrashProcessState& s = CrashState();
  s.Handled = s.Execute = s.Retry = s.Duplicate = s.CopyChecked = true;
  s.CustomData = "custom";
  s.AttachedFiles->Add("a.txt");
  s.StepCode = csDuplicateCheck;
  s.ExceptionRecord.ReportText = "report";
  s.CurrentException = &s.ExceptionRecord;
  s.ErrorCount = 3;
  s.ErrorTimes.push_back(46000.5);
  s.TerminateRequested = true;
  ResetExceptionState();
  EXPECT_FALSE(s.Handled || s.Execute || s.Retry || s.Duplicate || s.CopyChecked);
  EXPECT_EQ(s.CustomData, "");
  EXPECT_EQ(s.AttachedFiles->Count(), 0);
  EXPECT_EQ(s.StepCode, csNone);
  EXPECT_EQ(s.ExceptionRecord.ReportText, "");
  EXPECT_EQ(s.CurrentException, nullptr);
  EXPECT_EQ(&CurrentExceptionRecord(), &s.ExceptionRecord);
  EXPECT_EQ(s.ErrorCount, 3);
  EXPECT_EQ(s.ErrorTimes.size(), 1u);
  EXPECT_TRUE(s.TerminateRequested);
}

TEST_F(ProcessState, HandlingIsSwitchedPerThread) {
  const bool was = IsCrashLogEnabled();
  SetCrashLogEnabled(true);
  EXPECT_TRUE(IsCrashLogEnabled());
  EXPECT_TRUE(IsCrashLogEnabledInThread(GetCurrentThreadID()));
  SetCrashLogEnabledInThread(4242, false);
  SetCrashLogEnabledInThread(4242, false);
  EXPECT_FALSE(IsCrashLogEnabledInThread(4242));
  EXPECT_TRUE(IsCrashLogEnabledInThread(4243));
  SetCrashLogEnabledInThread(4242, true);
  EXPECT_TRUE(IsCrashLogEnabledInThread(4242));
  SetCrashLogEnabled(was);
}

TEST_F(ProcessState, TheHandlerLockIsTakenAgainByItsOwner) {
  TCriticalSection& lock = HandlerLock();
  lock.Enter();
  lock.Enter();
  bool other_got_it = true;
  std::thread([&] { other_got_it = lock.TryEnter(); }).join();
  EXPECT_FALSE(other_got_it);
  lock.Leave();
  lock.Leave();
}

TEST_F(ProcessState, RecognisedThreadCodeAndNearness) {
  InitThreadCodeAddresses();
  const TThreadCodeAddresses& code = CrashState().ThreadCode;
  EXPECT_EQ(code.ThreadProc, TThread::ThreadProcedure());
  EXPECT_NE(code.SynchronizeRaise, nullptr);
  EXPECT_EQ(code.BeginThreadWrapper, nullptr);
  const char* base = static_cast<const char*>(code.ThreadProc);
  EXPECT_TRUE(IsNearAddress(base, base + 64));
  EXPECT_TRUE(IsNearAddress(base + 64, base));
  EXPECT_FALSE(IsNearAddress(base, base + 65));
}

TEST_F(ProcessState, ModuleOptionsArePublishedAndDriveTheWatchdog) {
  static std::vector<bool> switches;
  switches.clear();
  SetFreezeWatchdogSwitch([](bool Run) { switches.push_back(Run); });
  TCrashModuleOptionsEx& own = *CrashState().ModuleOptions;
  own.SetFreezeActive(true);  // Active is on
  own.SetFreezeTimeout(17);
  own.SetActive(false);
  own.SetActive(true);
  own.SetFreezeActive(false);
  EXPECT_EQ(switches, (std::vector<bool>{true, false, true, false}));

  TCrashModuleOptions published("copy", false);
  ASSERT_TRUE(ReadPublishedOptions(RunningModuleBase(), published));
  EXPECT_EQ(published.FreezeTimeout(), 17);
  EXPECT_FALSE(published.FreezeActive());
  own.SetFreezeTimeout(60);

  // Options of another module, or not shared, only store the switch.
  switches.clear();
  TCrashModuleOptionsEx other("/usr/lib/other.so", true);
  other.SetFreezeActive(true);
  CrashState().CurrentOptions->SetFreezeActive(true);
  CrashState().CurrentOptions->SetFreezeActive(false);
  EXPECT_TRUE(switches.empty());
  EXPECT_FALSE(ReadPublishedOptions(reinterpret_cast<const void*>(0x1000), published));
}

// A second options object of this module publishes into the block the first still holds open.
TEST_F(ProcessState, ALongerPublicationNeverOverrunsABlockHeldOpen) {
  TCrashModuleOptionsEx first(RunningModuleFileName(), true);
  first.SetSMTPHost("short.example");
  TCrashModuleOptionsEx second(RunningModuleFileName(), true);
  const std::string long_host(4000, 'h');
  second.SetSMTPHost(long_host);  // does not fit: not published

  TCrashModuleOptions published("copy", false);
  ASSERT_TRUE(ReadPublishedOptions(RunningModuleBase(), published));
  EXPECT_NE(published.SMTPHost(), long_host);  // what is there is whole
}

}  // namespace
}  // namespace lab
