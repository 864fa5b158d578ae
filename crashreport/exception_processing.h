#pragma once
// What becomes of an exception once the capture has its report: the exception filters, the events
// of TCrashLog, the exception dialog (in the program, on its main thread, for an exception the
// program survives; through the helper process after a fatal fault or for a side thread), the
// request for the steps to reproduce, the log, the sending, and ending or restarting the program.
// Runs in the report worker, under the handler lock, one exception at a time; the events and the
// in-program dialog run in the raising thread while it waits for the report (after a fatal signal,
// which stops that thread in its handler, in the worker).

#include <functional>
#include <string_view>
#include <typeinfo>

#include "crashreport/process_state.h"

namespace lab {

// How the exception reached the worker.
struct TProcessRoute {
  // The program ends after the report (a fatal signal, an exception nothing caught).
  bool Fatal = false;
  // The raising thread runs the calls handed to it while it waits (not inside a signal handler).
  bool RaisingThreadServes = false;
  // The dialog may show in the program: the raising thread is its main thread, which goes on after
  // the exception (not after a fatal fault, not for a frozen main window).
  bool DialogInProgram = false;
  // Where the report goes when no dialog shows it (the program's standard error output).
  std::function<void(std::string_view Report)> Console;
};

// With ExceptionFiltersActive: the first of ExceptionFilterClasses naming Class or one of its
// ancestors (without case); its text of ExceptionFilterSettings, when not empty, is shown in a
// message box titled by customized text 0. True when a filter matched: the exception is then
// neither shown, logged nor sent.
bool FilterException(const std::type_info* Class);

// Everything after the report text (the current record and CurrentReport are filled): the
// duplicate check, OnExceptionNotify, the screenshot, OnCustomDataRequest, the error count, the
// dialog or console output, the steps to reproduce, the log, the clipboard, the sending and, unless
// a thread of its own took the sending (never after a fatal fault), the error-frequency rule and the
// termination asked for. A
// failure is an internal error naming the step. True when the program's own handling should go on
// (an OnExceptionNotify handler gave the exception back, nothing could show it, or the processing
// failed).
bool ProcessException(const TExceptNotifyParams& Params, const TProcessRoute& Route);

// With SaveLogFile: adds the report to the log (unless it is a duplicate) and writes it, told by
// atSavingLogFile / atSavedLogFile and, when it fails, OnExceptionErrorNotify, which may ask to try
// again; the failure is the internal warning eeLogError "Log: <what failed, with the file's name>".
// With SendFlags bit 2 the text to send becomes the whole log.
void SaveReportToLog();

// A send method is configured, the error is no duplicate, and the user left the send choice on
// or no dialog shows the exception.
bool ShouldSendReport();

// True while the report waits for the user's answer in the helper process: a faulting thread
// waiting for the report then waits past its usual time-out (the helper's wait is bounded).
bool ReportWaitsForUser() noexcept;

// The file the dialog's request is written to for the helper process, in the private temporary
// folder; empty when there is none.
std::string DialogRequestFileName();

}  // namespace lab
