#pragma once
// The crash reporter's dialogs for the exception being processed, made from the templates among the
// resources and shown modally on the calling thread: the exception dialog ("CR_Dialog") with the
// message, the buttons OK, Terminate (or Restart) and Details, the choices to send the report,
// attach a screenshot and copy the report, a link to the support page and, in detailed mode, the
// report on five tab pages; and the request for the steps that led to the error ("CR_Request").
// Without a display neither shows: the report then goes to the log and stderr alone. The
// sending-progress dialog is in send_dialog.h.

#include <string>

namespace lab {

// Shows the exception dialog and returns once it is closed: by OK, Terminate, Escape, the close box,
// the auto-close time or, when it never painted, the paint watchdog (a message box then says what
// happened). Afterwards CrashState()'s SendChecked, AttachChecked, CopyChecked and
// TerminateRequested hold the user's decision. Terminate fires atTerminating in the raising thread;
// a handler that clears the request shows the dialog again.
void ShowExceptionDialog();

// Asks for the steps to reproduce when LogFlags bit 1 is set, a display is there, the error is no
// duplicate and the report is to be sent or saved; the text typed goes into the report (section 7).
void ShowReproduceDialog();

// Inserts a group numbered Section + 1 with the title Group and one item holding Text right after
// the report's header, in the report, the current record's copy and the text to send; the header
// then covers it, so a later insertion follows this one. An empty text adds nothing.
void AddReproduceText(int Section, const std::string& Group, const std::string& Text);

}  // namespace lab
