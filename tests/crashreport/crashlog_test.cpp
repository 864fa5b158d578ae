#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "crashreport/crashlog.h"
#include "crashreport/event_dispatch.h"
#include "crashreport/codec/file_utils.h"
#include "crashreport/report/system_utils.h"
#include "platform/classes/class_registry.h"
#include "platform/classes/form_text.h"
#include "tests/crashreport/fault_child.h"

namespace lab {
namespace {

class TLogForm : public TComponent {
  LAB_CLASS(TLogForm, TComponent)
 public:
  using TComponent::TComponent;
};

// Each test starts with an empty component list and ends without one.
class CrashLogComponent : public ::testing::Test {
 protected:
  void SetUp() override {
    FreeCrashLogList();
    CreateCrashLogList();
    ResetExceptionState();
  }
  void TearDown() override {
    FreeCrashLogList();
    CrashState().Activated = activated_;
    ResetExceptionState();
    ExceptionNotifyProc = nullptr;
    CustomDataRequestProc = nullptr;
  }

  bool activated_ = CrashState().Activated;
};

TEST_F(CrashLogComponent, JoinsAndLeavesTheListInCreationOrder) {
  TLogForm form(nullptr);
  auto* first = new TCrashLog(&form);
  auto* second = new TCrashLog(&form);
  TCrashLogList* list = CrashLogList();
  ASSERT_EQ(list->Count(), 2);
  EXPECT_EQ(list->Get(0), first);
  EXPECT_EQ(list->Get(1), second);
  delete first;
  ASSERT_EQ(list->Count(), 1);
  EXPECT_EQ(list->Get(0), second);
  form.DestroyComponents();
  EXPECT_EQ(list->Count(), 0);
}

TEST_F(CrashLogComponent, ComponentsMadeBeforeTheListStayOutOfIt) {
  FreeCrashLogList();
  auto early = std::make_unique<TCrashLog>(nullptr);
  CreateCrashLogList();
  TCrashLog later(nullptr);
  ASSERT_EQ(CrashLogList()->Count(), 1);
  early.reset();  // not in the list: the list stays as it is
  ASSERT_EQ(CrashLogList()->Count(), 1);
  EXPECT_EQ(CrashLogList()->Get(0), &later);

  std::string seen;
  later.OnCustomDataRequest = [&](const TCrashExceptionRecord&, std::string& Data) { Data += "later"; };
  DoCustomDataRequest();
  EXPECT_EQ(CrashState().CustomData, "later");
}

TEST_F(CrashLogComponent, RefusedWhereTheCrashReporterIsNotActivated) {
  CrashState().Activated = false;
  TLogForm form(nullptr);
  try {
    new TCrashLog(&form);
    FAIL();
  } catch (const CrashLogNotPresents& e) {
    EXPECT_EQ(std::string(e.what()),
              "\r\nCannot use a 'TCrashLog' component in module \"" + ExtractFileName(RunningModuleFileName()) +
                  "\", without activate CrashLog.\r\n"
                  "To activate CrashLog use the new IDE \"Project/CrashLog Options...\" menu.");
  }
  EXPECT_EQ(CrashLogList()->Count(), 0);  // the refused component left no entry
  EXPECT_EQ(form.ComponentCount(), 0);
}

TEST_F(CrashLogComponent, EventsFireInEveryComponentTheLastMadeFirst) {
  TLogForm form1(nullptr), form2(nullptr);
  TCrashLog first(&form1), second(&form2);
  std::vector<std::string> calls;
  TCrashProcessState& s = CrashState();
  s.ExceptionRecord.ThreadID = 77;
  s.CurrentException = &s.ExceptionRecord;

  first.OnCustomDataRequest = [&](const TCrashExceptionRecord& R, std::string& Data) {
    calls.push_back("first saw " + Data);
    EXPECT_EQ(R.ThreadID, 77u);
    Data += "+first";
  };
  second.OnCustomDataRequest = [&](const TCrashExceptionRecord&, std::string& Data) {
    calls.push_back("second saw " + Data);
    Data = "second";
  };
  CustomDataRequestProc = [](const TCrashExceptionRecord&, std::string& Data) { Data += "+global"; };
  DoCustomDataRequest();
  EXPECT_EQ(calls, (std::vector<std::string>{"second saw ", "first saw second"}));
  EXPECT_EQ(s.CustomData, "second+first+global");

  // Handled: every handler sees what the ones before it left; there is no early stop.
  calls.clear();
  s.Handled = true;
  second.OnExceptionNotify = [&](const TCrashExceptionRecord&, bool& Handled) {
    calls.push_back(Handled ? "second: on" : "second: off");
    Handled = false;
  };
  first.OnExceptionNotify = [&](const TCrashExceptionRecord&, bool& Handled) {
    calls.push_back(Handled ? "first: on" : "first: off");
  };
  ExceptionNotifyProc = [](const TCrashExceptionRecord&, bool& Handled) { Handled = !Handled; };
  DoExceptionNotify();
  EXPECT_EQ(calls, (std::vector<std::string>{"second: on", "first: off"}));
  EXPECT_TRUE(s.Handled);
}

TEST_F(CrashLogComponent, EveryEventGetsItsParameters) {
  TCrashLog log(nullptr);
  TCrashProcessState& s = CrashState();
  TCrashExceptionRecord record;
  record.ThreadID = 5;

  std::vector<TCrashActionType> actions;
  log.OnExceptionActionNotify = [&](const TCrashExceptionRecord& R, TCrashActionType Action, bool& Execute) {
    EXPECT_EQ(&R, &record);
    actions.push_back(Action);
    Execute = Action != atSendingEmail;
  };
  bool execute = true;
  DoExceptionActionNotify(record, atSavingLogFile, execute);
  EXPECT_TRUE(execute);
  DoExceptionActionNotify(record, atSendingEmail, execute);
  EXPECT_FALSE(execute);

  log.OnExceptionErrorNotify = [&](const TCrashExceptionRecord&, TCrashActionType Action, bool& Retry) {
    actions.push_back(Action);
    Retry = true;
  };
  bool retry = false;
  DoExceptionErrorNotify(record, atSentWebMessage, retry);
  EXPECT_TRUE(retry);
  EXPECT_EQ(actions, (std::vector<TCrashActionType>{atSavingLogFile, atSendingEmail, atSentWebMessage}));

  log.OnPasswordRequest = [](const TCrashExceptionRecord&, std::string& Password) { Password = "secret"; };
  DoPasswordRequest();
  EXPECT_EQ(s.Password, "secret");

  s.AttachedFiles->Add("/tmp/first.txt");
  log.OnAttachedFilesRequest = [](const TCrashExceptionRecord&, TStrings* Files) { Files->Add("/tmp/extra.log"); };
  DoAttachedFilesRequest();
  EXPECT_EQ(s.AttachedFiles->Count(), 2);
  EXPECT_EQ(s.AttachedFiles->Strings(1), "/tmp/extra.log");

  log.OnCustomFieldsRequest = [](const TCrashExceptionRecord&, TStrings* Names, TStrings* Values) {
    Names->Add("Site");
    Values->Add("Lab 3");
  };
  DoCustomFieldsRequest();
  EXPECT_EQ(s.FieldsName->Text(), "Site\r\n");
  EXPECT_EQ(s.FieldsValue->Text(), "Lab 3\r\n");
}

TEST_F(CrashLogComponent, AHandlerMayFreeAComponentWhileEventsFire) {
  auto* first = new TCrashLog(nullptr);
  TCrashLog second(nullptr);
  int first_calls = 0;
  first->OnCustomDataRequest = [&](const TCrashExceptionRecord&, std::string&) { ++first_calls; };
  second.OnCustomDataRequest = [&](const TCrashExceptionRecord&, std::string&) { delete first; };
  DoCustomDataRequest();
  EXPECT_EQ(first_calls, 0);
  EXPECT_EQ(CrashLogList()->Count(), 1);
}

TEST_F(CrashLogComponent, EventsAreStreamedWithTheForm) {
  RegisterClasses<TLogForm, TCrashLog>();
  TLogForm form(nullptr);
  form.SetName("MainForm");
  int custom = 0, files = 0;
  form.RegisterHandler<TCustomDataRequestNotify>("MainFormCustomData",
                                                 [&](const TCrashExceptionRecord&, std::string&) { ++custom; });
  form.RegisterHandler<TAttachedFilesRequestNotify>("MainFormFiles",
                                                    [&](const TCrashExceptionRecord&, TStrings*) { ++files; });
  ReadFormText(
      "object MainForm: TLogForm\n"
      "  object CrashLog1: TCrashLog\n"
      "    OnCustomDataRequest = MainFormCustomData\n"
      "    OnAttachedFilesRequest = MainFormFiles\n"
      "  end\n"
      "end\n",
      &form);
  auto* log = dynamic_cast<TCrashLog*>(form.FindComponent("CrashLog1"));
  ASSERT_NE(log, nullptr);
  ASSERT_EQ(CrashLogList()->Count(), 1);
  DoCustomDataRequest();
  DoAttachedFilesRequest();
  EXPECT_EQ(custom, 1);
  EXPECT_EQ(files, 1);

  const std::string text = WriteFormText(&form);
  EXPECT_NE(text.find("OnCustomDataRequest = MainFormCustomData"), std::string::npos) << text;
  EXPECT_NE(text.find("OnAttachedFilesRequest = MainFormFiles"), std::string::npos) << text;
  EXPECT_EQ(text.find("OnExceptionNotify"), std::string::npos) << text;  // unassigned: not written
}

// In a child: once started, the reporter stays for the life of the process (the main thread's entry
// among it, which the children of later tests would be forked with).
TEST(CrashLogStartUp, SwitchesHandlingOnAndMakesTheComponentKnown) {
  const testing::TChildResult r = testing::RunChild("StartUp", [] {
    UseUnit(CrashLogUnit);
    if (!CrashLogUnit.Initialized() || !IsCrashLogEnabled() || !CrashState().ThreadCode.ThreadProc) std::_Exit(10);
    std::_Exit(FindClass("TCrashLog")->Class == TCrashLog::StaticClass() ? 0 : 11);
  });
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status << "\n" << r.Output;
  EXPECT_EQ(WEXITSTATUS(r.Status), 0) << r.Output;
}

}  // namespace
}  // namespace lab
