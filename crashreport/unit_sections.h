#pragma once
// Each crash-report unit starts and ends inside a guarded section ("CrCore.Init", "CrCore.Done", ...),
// so a fault there is reported once and named, and never escapes as a stray exception.

#include <string>
#include <string_view>

namespace lab {

using TUnitProc = void (*)();
using TInternalErrorReporter = void (*)(const std::string& Text);

// The internal-error reporter, once the crash reporter has installed one; nullptr before.
void SetInternalErrorReporter(TInternalErrorReporter Reporter) noexcept;
TInternalErrorReporter InternalErrorReporter() noexcept;

// Runs Proc. When it fails: with a reporter installed, the reporter gets "<section> (Address:
// <routine's address, 16 hex digits>)" and the section ends with a silent abort (EAbort); without
// one, an Exception "Critical error at: "<section>"\r\nError: "<message>"." is raised.
void SafeUnitSection(TUnitProc Proc, std::string_view SectionName);

}  // namespace lab
