#pragma once
// The exception dialog in a helper process. After a fatal fault the program's main thread cannot
// paint, so the faulted process writes what the dialog shows into a file, starts the program again
// with a private argument and the file's path, and waits a bounded time for the user's answer,
// which the helper writes on its standard output as one line "answer S A C T" (the send, attach,
// copy and terminate choices, 0 or 1). A program lets its copy serve as the helper by calling
// RunDialogHelper first thing in main.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "crashreport/dialogs/dialog_lists.h"

namespace lab {

inline constexpr char kDialogHelperArgument[] = "--lab-crash-dialog";

// What the helper's dialog shows: the message, the report's parts and lists, the choices offered.
struct TCrashDialogRequest {
  std::string Message, Header, Cpu, Report, CustomData;
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
};

// In the faulted process: writes Request to Path, starts Program (the running program when empty)
// with the private argument and Path, and waits up to TimeoutMs for its answer. False when the
// helper does not start, or gives no answer in time (it is then ended).
bool ShowDialogInHelper(const TCrashDialogRequest& Request, const std::string& Path, unsigned TimeoutMs,
                        TCrashDialogAnswer& Answer, const std::string& Program = {});

// In the program: when it was started as the helper, shows the dialog of the request in the file
// named after the private argument, writes the answer and answers the exit code (0 answered, 1 no
// such request, 2 no display); -1 when it was started as itself.
int RunDialogHelper(int argc, char** argv);

}  // namespace lab
