#pragma once
// The crash reporter, which a program starts first (UseUnit(CrashLogUnit)). A form takes part in
// crash reporting through a TCrashLog component: its seven events follow each report, may veto or
// repeat its actions, and add a password, custom data, attached files and custom fields.
//
// Beside this header: process_state.h (the exception record, the options in force, the per-thread
// state), event_dispatch.h (how the events are fired, here and in other modules through
// crash_exports.h), crash_lists.h and module_list.h (call stacks, modules, threads), call_stack.h and
// thread_stacks.h (reading any thread's call stack), fault_capture.h (how faults, throws and the
// message loop's exceptions reach it), handler_analysis.h (whether the program will
// catch an exception), hooks.h (code patches, imported routines, virtual slots), options.h (every
// setting) and options_text.h (the settings as the text a program's build reads), crash_gui.h (the narrow GUI the crash reporter uses), internal_warning.h, ini_settings.h,
// process_control.h and window_services.h (its common services), object_checks.h and
// last_exception.h (tests on objects that may be damaged, and the last exception seen), log_file.h
// (the module's log of reports and its XML form, with log_item.h and xml_log.h), log_access.h and
// attachments.h (the log as exception processing opens it, and the files sent with a report),
// screenshot.h (the picture of the screen and its PNG, with color_octree.h and png_writer.h), header_fields.h
// (the values of the report header) and report_text.h (the report itself).

#include <cstdint>
#include <functional>
#include <string>

#include "crashreport/process_state.h"
#include "platform/classes/component.h"
#include "platform/classes/unit_init.h"
#include "platform/rtl/list.h"

namespace lab {

// The action announced by OnExceptionActionNotify and failed in OnExceptionErrorNotify.
enum TCrashActionType : std::uint8_t {
  atShowingExceptionInfo,
  atShowedExceptionInfo,
  atSavingLogFile,
  atSavedLogFile,
  atSendingEmail,
  atSentEmail,
  atSendingWebMessage,
  atSentWebMessage,
  atTerminating
};
LAB_ENUM_NAMES(TCrashActionType, "atShowingExceptionInfo", "atShowedExceptionInfo", "atSavingLogFile",
               "atSavedLogFile", "atSendingEmail", "atSentEmail", "atSendingWebMessage", "atSentWebMessage",
               "atTerminating")

// The kind of failure of an action.
enum TCrashLogErrorCode : std::uint8_t {
  eeNone,
  eeShowError,
  eeLogError,
  eeEmailMAPIError,
  eeEmailShellError,
  eeEmailSMTPError,
  eeWebHTTPError,
  eeWebHTTPSError,
  eeWebFTPError
};
LAB_ENUM_NAMES(TCrashLogErrorCode, "eeNone", "eeShowError", "eeLogError", "eeEmailMAPIError",
               "eeEmailShellError", "eeEmailSMTPError", "eeWebHTTPError", "eeWebHTTPSError", "eeWebFTPError")

// A TCrashLog made in a module that does not carry the crash reporter's data.
LAB_EXCEPTION(CrashLogNotPresents, Exception);
// The base of the exceptions the crash reporter makes of faults (signals).
LAB_EXCEPTION(EExternal, Exception);

using TExceptionNotify = std::function<void(const TCrashExceptionRecord& CrashExceptionRecord, bool& Handled)>;
using TExceptionActionNotify = std::function<void(const TCrashExceptionRecord& CrashExceptionRecord,
                                                  TCrashActionType CrashAction, bool& Execute)>;
using TExceptionErrorNotify = std::function<void(const TCrashExceptionRecord& CrashExceptionRecord,
                                                 TCrashActionType CrashAction, bool& Retry)>;
using TPasswordRequestNotify =
    std::function<void(const TCrashExceptionRecord& CrashExceptionRecord, std::string& Password)>;
using TCustomDataRequestNotify =
    std::function<void(const TCrashExceptionRecord& CrashExceptionRecord, std::string& CustomData)>;
using TAttachedFilesRequestNotify =
    std::function<void(const TCrashExceptionRecord& CrashExceptionRecord, TStrings* AttachedFiles)>;
using TCustomFieldsRequestNotify = std::function<void(const TCrashExceptionRecord& CrashExceptionRecord,
                                                      TStrings* FieldsName, TStrings* FieldsValue)>;

// A form's part in crash reporting. While it exists it is in the module's TCrashLogList and its
// assigned events are fired for every report, the last-made component first. The events are fired
// in the thread that raised the exception, which need not be the main thread.
class TCrashLog : public TComponent {
  LAB_CLASS(TCrashLog, TComponent)
  LAB_PROPERTIES(TCrashLog, TComponent)
 public:
  // Joins TCrashLogList when the list exists. Where the crash reporter is not activated raises
  // CrashLogNotPresents, leaving no entry behind.
  explicit TCrashLog(TComponent* AOwner);
  ~TCrashLog() override;

  TExceptionNotify OnExceptionNotify;
  TExceptionActionNotify OnExceptionActionNotify;
  TExceptionErrorNotify OnExceptionErrorNotify;
  TPasswordRequestNotify OnPasswordRequest;
  TCustomDataRequestNotify OnCustomDataRequest;
  TAttachedFilesRequestNotify OnAttachedFilesRequest;
  TCustomFieldsRequestNotify OnCustomFieldsRequest;

 private:
  // The component's place in the list; a member, so a refused construction takes it out again.
  class TListEntry {
   public:
    explicit TListEntry(TCrashLog* Log);
    ~TListEntry();
    TListEntry(const TListEntry&) = delete;
    TListEntry& operator=(const TListEntry&) = delete;

   private:
    TCrashLog* log_;
  };
  TListEntry list_entry_;
};

// Every live TCrashLog of the module, in the order made; nullptr before the crash reporter started.
using TCrashLogList = TList<TCrashLog>;
TCrashLogList* CrashLogList() noexcept;
// The start-up makes the list and the shut-down frees it (components still alive then stay out).
void CreateCrashLogList();
void FreeCrashLogList() noexcept;

// The crash reporter's start-up ("CrExceptLog.Init"): the component list, the start-up folder, TCrashLog
// known to form text, the module list with each module's options (this module's pass phrase is asked
// of PasswordRequestProc, set before), the hook that records each new thread's stack, the fault
// capture, handling switched on. Its shut-down takes the hook out and frees the lists.
extern const TUnit CrashLogUnit;

}  // namespace lab
