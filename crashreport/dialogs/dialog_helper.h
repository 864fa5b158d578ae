#pragma once
// The exception dialog in a helper process. After a fatal fault the program's main thread cannot
// paint, so the faulted process writes what the dialog shows (and the options that shape it) into a
// file, starts the program again with a private argument and the file's path, and waits for the
// user's answer. The helper writes on its standard output the line "shown" once its dialog has
// painted, then the line "answer S A C T N" (the send, attach, copy and terminate choices, 0 or 1,
// and the length of the steps to reproduce the user typed) followed by those N bytes. The crash
// reporter's start-up recognises the private argument, so every program that starts it serves as
// its own helper; RunDialogHelper does the same for a program that calls it first thing in main.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "crashreport/dialogs/dialog_lists.h"

namespace lab {

inline constexpr char kDialogHelperArgument[] = "--lab-crash-dialog";

// What the helper's dialog shows: the message, the report's parts and lists, the choices offered,
// and the options in force as their stream (empty: the helper's own).
struct TCrashDialogRequest {
  std::string Message, Header, Cpu, Report, CustomData, Options;
  std::vector<TDialogListRow> CallStack, Modules;
  bool Duplicate = false, SendChecked = false, AttachChecked = false;
  int ErrorCount = 0;
};

// The file's bytes: a first line "LabCrashDialog 1", then each field as "Name Length", a line end,
// the field's bytes and a line end. Rows are lines of tab-separated cells (image, heading, the
// module's two values, caption, texts); tabs and line ends inside a cell become blanks.
std::string WriteDialogRequest(const TCrashDialogRequest& Request);
// False for bytes that are no such file; unknown fields are passed over.
bool ReadDialogRequest(std::string_view Bytes, TCrashDialogRequest& Request);

// The request of the exception being processed (the current report, lists and choices).
TCrashDialogRequest CurrentDialogRequest();

struct TCrashDialogAnswer {
  bool Send = false, Attach = false, Copy = false, Terminate = false;
  std::string Reproduce;  // the steps to reproduce; empty when not asked or not given
};

// The answer as the helper writes it: "answer S A C T N", a line end and the N bytes of the steps.
std::string WriteDialogAnswer(const TCrashDialogAnswer& Answer);
// Reads an answer from the start of Bytes: whole, cut short (more bytes may complete it) or no answer.
enum class TAnswerRead { Whole, Short, Bad };
TAnswerRead ReadDialogAnswer(std::string_view Bytes, TCrashDialogAnswer& Answer);

// How long a helper may take to show its dialog before it is given up.
inline constexpr unsigned kHelperShowTimeoutMs = 10000;

// In the faulted process: writes Request to Path, starts Program with the private argument and
// Path, and waits up to ShowMs for its dialog to show, then up to TimeoutMs for its answer. False
// when the helper does not start, does not show its dialog in time or gives no answer in time (it is
// then ended).
bool ShowDialogInHelper(const TCrashDialogRequest& Request, const std::string& Path, unsigned ShowMs,
                        unsigned TimeoutMs, TCrashDialogAnswer& Answer, const std::string& Program);
// The program to start as the helper: Named when given; else the running program, when it serves
// (it carries this crash reporter, whose start-up recognises the private argument, or is a program
// that exports the crash reporter's entry points while this one is a library's); else empty.
std::string DialogHelperProgram(const std::string& Named);

// In the program: when it was started as the helper, shows the dialog of the request in the file
// named after the private argument (and the request for the steps to reproduce when its options ask
// for them), writes the answer and answers the exit code (0 answered, 1 no such request, 2 no
// display); -1 when it was started as itself.
int RunDialogHelper(int argc, char** argv);
// The same from the program's own arguments (/proc/self/cmdline), ending the process when it was
// started as the helper: what the crash reporter's start-up runs first.
void ServeAsDialogHelperWhenAsked();

}  // namespace lab
