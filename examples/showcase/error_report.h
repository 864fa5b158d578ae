#pragma once
// The crash reporter at work in the showcase: an exception the program catches (a job number that
// is no number) is reported with its call stack, the modules and the registers, and shown in the
// crash reporter's exception dialog, whose Details show the report's pages.

namespace showcase {

// Raises and catches the error, builds its report and shows the dialog; with "Copy to clipboard"
// checked the report goes to the clipboard.
void ShowCaughtError();

}  // namespace showcase
