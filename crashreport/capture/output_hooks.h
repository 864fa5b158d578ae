#pragma once
// The output capture of a CGI program: what the program writes to its standard output (the page it
// answers with) is kept, each piece appended to the ones before, so a report can carry the last page
// the program wrote. The program's writes reach the standard output exactly as before: the calls
// by which the program and its libraries write (write, writev, fwrite, fputs, puts, fputc, putc,
// putchar, printf, fprintf, vprintf, vfprintf, and their checking forms) are hooked in every module loaded at start-up, and
// each hook returns what the routine it replaces returned. Other streams and files pass untouched.

#include <string>
#include <string_view>

namespace lab {

// Put in place by the crash reporter's start-up in a CGI program (nothing otherwise), taken away at
// its shut-down.
void InstallOutputHooks();
void RemoveOutputHooks();
bool OutputHooksInstalled() noexcept;

// What the program has written to its standard output since the hooks went in.
std::string CapturedWebPage();
void ClearCapturedWebPage();

// Writes all of Data to the standard output without it being captured (the crash reporter's own
// error page); false when it cannot.
bool WriteStandardOutput(std::string_view Data);

}  // namespace lab
