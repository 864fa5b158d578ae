#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "crashreport/crash_exports.h"
#include "crashreport/event_dispatch.h"
#include "crashreport/export_data.h"
#include "platform/rtl/threads.h"

namespace lab {
namespace {

// A fresh component list and exception state for each test.
class EventForwarding : public ::testing::Test {
 protected:
  void SetUp() override {
    FreeCrashLogList();
    CreateCrashLogList();
    ResetExceptionState();
    library_ = ::dlopen(LAB_CRTEST_EVENTS, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr);
  }
  void TearDown() override {
    FreeCrashLogList();
    ResetExceptionState();
    if (library_) ::dlclose(library_);
  }
  template <class F>
  F LibrarySymbol(const char* Name) {
    return reinterpret_cast<F>(::dlsym(library_, Name));
  }
  // Makes the exception one raised at Address in this thread.
  void RaiseAt(const void* Address) {
    TCrashProcessState& s = CrashState();
    s.ExceptionRecord.ExceptionAddress = Address;
    s.ExceptionRecord.ThreadID = GetCurrentThreadID();
    s.ExceptionRecord.ReportText = "report text";
    s.CurrentException = &s.ExceptionRecord;
  }

  void* library_ = nullptr;
};

TEST_F(EventForwarding, TheRaisingModuleHearsFirstAndItsResultsAreTakenOver) {
  RaiseAt(::dlsym(library_, "crtest_fault_site"));
  TCrashLog log(nullptr);
  std::vector<std::string> seen;
  log.OnCustomDataRequest = [&](const TCrashExceptionRecord&, std::string& Data) {
    seen.push_back(Data);
    Data += "[program]";
  };
  FireCustomDataRequest();
  EXPECT_EQ(CrashState().CustomData, "[library][program]");
  EXPECT_EQ(seen, std::vector<std::string>{"[library]"});
  EXPECT_EQ(LibrarySymbol<std::uint32_t (*)()>("crtest_last_thread_id")(), GetCurrentThreadID());

  CrashState().Handled = true;
  bool handled_seen = true;
  log.OnExceptionNotify = [&](const TCrashExceptionRecord&, bool& Handled) { handled_seen = Handled; };
  FireExceptionNotify();
  EXPECT_FALSE(handled_seen);  // the library said so first
  EXPECT_FALSE(CrashState().Handled);

  bool execute = true;
  FireExceptionActionNotify(CrashState().ExceptionRecord, atSendingEmail, execute);
  EXPECT_FALSE(execute);
  execute = true;
  FireExceptionActionNotify(CrashState().ExceptionRecord, atSavingLogFile, execute);
  EXPECT_TRUE(execute);
  bool retry = false;
  FireExceptionErrorNotify(CrashState().ExceptionRecord, atSavedLogFile, retry);
  EXPECT_TRUE(retry);

  CrashState().AttachedFiles->Add("/tmp/program.txt");
  log.OnAttachedFilesRequest = [](const TCrashExceptionRecord&, TStrings* Files) { Files->Add("/tmp/after.txt"); };
  FireAttachedFilesRequest();
  EXPECT_EQ(CrashState().AttachedFiles->Text(), "/tmp/program.txt\r\n/tmp/from-library.txt\r\n/tmp/after.txt\r\n");

  FireCustomFieldsRequest();
  EXPECT_EQ(CrashState().FieldsName->Text(), "Library\r\n");
  EXPECT_EQ(CrashState().FieldsValue->Text(), "yes\r\n");
}

TEST_F(EventForwarding, AnExceptionOfThisModuleIsNotForwarded) {
  const auto last_address = LibrarySymbol<const void* (*)()>("crtest_last_address");
  const void* before = last_address();
  RaiseAt(reinterpret_cast<const void*>(&FireCustomDataRequest));
  int calls = 0;
  TCrashLog log(nullptr);
  log.OnCustomDataRequest = [&](const TCrashExceptionRecord&, std::string&) { ++calls; };
  FireCustomDataRequest();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(CrashState().CustomData, "");
  EXPECT_EQ(last_address(), before);

  // An address in no module, or in a module without the exports, is not forwarded either.
  RaiseAt(reinterpret_cast<const void*>(0x10));
  FireCustomDataRequest();
  RaiseAt(reinterpret_cast<const void*>(&::dlopen));
  FireCustomDataRequest();
  EXPECT_EQ(calls, 3);
}

// Another module calls this program's exports, as they are found by name.
TEST_F(EventForwarding, ThisProgramsExportsServeAnotherModule) {
  void* program = ::dlopen(nullptr, RTLD_NOW);
  auto custom = reinterpret_cast<TCrashCustomDataRequestEvent>(::dlsym(program, "CrashLog_CustomDataRequestEvent"));
  auto notify = reinterpret_cast<TCrashExceptionNotifyEvent>(::dlsym(program, "CrashLog_ExceptionNotifyEvent"));
  auto files = reinterpret_cast<TCrashStringsRequestEvent>(::dlsym(program, "CrashLog_AttachedFilesRequestEvent"));
  auto password = reinterpret_cast<TCrashPasswordRequestEventEx>(::dlsym(program, "CrashLog_PasswordRequestEventEx"));
  ASSERT_TRUE(custom && notify && files && password);

  TCrashExceptionRecord theirs;
  theirs.ThreadID = 4321;
  theirs.ReportText = "their report";
  const TCrashRecordData data = MakeRecordData(theirs);
  TCrashLog log(nullptr);
  std::string report_seen;
  log.OnCustomDataRequest = [&](const TCrashExceptionRecord& R, std::string& Data) {
    report_seen = R.ReportText;
    Data += " and ours";
  };
  const char* text = "theirs";
  custom(&data, &text);
  EXPECT_STREQ(text, "theirs and ours");
  EXPECT_EQ(report_seen, "their report");
  EXPECT_EQ(CrashState().CustomData, "");  // this module's own state is as it was
  EXPECT_EQ(CrashState().CurrentException, nullptr);

  log.OnAttachedFilesRequest = [](const TCrashExceptionRecord&, TStrings* Files) { Files->Add("ours.txt"); };
  TStringList list;
  list.Add("theirs.txt");
  const TCrashStringsData strings = MakeStringsData(&list);
  files(&data, &strings);
  EXPECT_EQ(list.Text(), "theirs.txt\r\nours.txt\r\n");

  // A password longer than the buffer is cut to it, never inside a character.
  log.OnPasswordRequest = [](const TCrashExceptionRecord&, std::string& Password) { Password = "ab\xC3\xA9z"; };
  char buffer[CRASHLOG_SHORT_TEXT + 1] = "old";
  password(&data, buffer, 3);
  EXPECT_STREQ(buffer, "ab");
  password(&data, buffer, 4);
  EXPECT_STREQ(buffer, "ab\xC3\xA9");

  // A handler that raises: the error passes out, and the saved record is current again.
  TCrashProcessState& s = CrashState();
  s.ExceptionRecord.ThreadID = 99;
  s.CurrentException = &s.ExceptionRecord;
  log.OnExceptionNotify = [](const TCrashExceptionRecord& R, bool&) {
    EXPECT_EQ(R.ThreadID, 4321u);
    throw std::runtime_error("handler failed");
  };
  bool handled = true;
  EXPECT_THROW(notify(&data, &handled), std::runtime_error);
  EXPECT_EQ(CrashState().CurrentException, &s.ExceptionRecord);
  EXPECT_EQ(CurrentExceptionRecord().ThreadID, 99u);
  ::dlclose(program);
}

TEST_F(EventForwarding, APasswordIsAskedOfTheModuleWhoseDataOpens) {
  TCrashModuleInfo module;
  module.Handle = reinterpret_cast<std::uintptr_t>(::dlsym(library_, "crtest_fault_site"));
  Dl_info info{};
  ASSERT_TRUE(::dladdr(reinterpret_cast<const void*>(module.Handle), &info));
  module.Handle = reinterpret_cast<std::uintptr_t>(info.dli_fbase);
  TCrashLog log(nullptr);
  std::string ours_saw = "none";
  log.OnPasswordRequest = [&](const TCrashExceptionRecord&, std::string& Password) {
    ours_saw = Password;
    Password += "!";
  };
  // Not yet complete, and another module: ours are asked after it.
  EXPECT_EQ(RequestModulePassword(module), "library pass!");
  EXPECT_EQ(ours_saw, "library pass");
  module.Valid = true;
  EXPECT_EQ(RequestModulePassword(module), "library pass");
}

TEST_F(EventForwarding, CallsRunInTheRaisingThread) {
  const TThreadID raising = GetCurrentThreadID();
  RaiseAt(nullptr);
  TThreadID ran_in = 0;
  std::atomic<bool> done{false};
  bool failed_again = false;
  std::thread handler([&] {
    CallInRaisingThread([&] { ran_in = GetCurrentThreadID(); });
    try {
      CallInRaisingThread([] { throw EConvertError("in the raising thread"); });
    } catch (const EConvertError&) {
      failed_again = true;
    }
    done = true;
  });
  int served = 0;
  while (!done) served += RunRaisingThreadCall() ? 1 : 0;
  handler.join();
  EXPECT_EQ(ran_in, raising);
  EXPECT_EQ(served, 2);
  EXPECT_TRUE(failed_again);  // what the call raised comes back to the caller

  // In the raising thread itself the call is direct; with no exception as well.
  TThreadID direct = 0;
  CallInRaisingThread([&] { direct = GetCurrentThreadID(); });
  EXPECT_EQ(direct, raising);
  ResetExceptionState();
  EXPECT_THROW(CallInRaisingThread([] { throw EConvertError("direct"); }), EConvertError);
  EXPECT_FALSE(RunRaisingThreadCall());  // the slot is free again
}

// An event fired from inside a handed-over call runs at once, and the caller waiting for the outer
// call goes on only once that has finished.
TEST_F(EventForwarding, ACallMadeInsideAHandedOverCallKeepsTheSlot) {
  RaiseAt(nullptr);
  std::atomic<bool> returned{false}, outer_done{false}, outer_done_at_return{false};
  int depth = 0, inner = 0;
  bool served_again = true;
  std::thread handler([&] {
    CallInRaisingThread([&] {
      if (++depth > 1) return;  // run again from inside itself: counted below
      served_again = RunRaisingThreadCall();
      CallInRaisingThread([&] { ++inner; });
      // The caller must still be waiting; give it time to go on wrongly.
      for (int i = 0; i < 10 && !returned; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      outer_done = true;
    });
    outer_done_at_return = outer_done.load();
    returned = true;
  });
  while (!returned) RunRaisingThreadCall();
  handler.join();
  EXPECT_EQ(depth, 1);
  EXPECT_FALSE(served_again);
  EXPECT_EQ(inner, 1);
  EXPECT_TRUE(outer_done_at_return);
  EXPECT_FALSE(RunRaisingThreadCall());
}

}  // namespace
}  // namespace lab
