#include "crashreport/unit_sections.h"

#include <atomic>
#include <cstdint>
#include <exception>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strutils.h"

namespace lab {
namespace {
// Set by the internal-error module as it starts: a unit's start and end are handed no object, and
// may run before the process state exists.
std::atomic<TInternalErrorReporter> g_reporter{nullptr};
}  // namespace

void SetInternalErrorReporter(TInternalErrorReporter Reporter) noexcept { g_reporter = Reporter; }
TInternalErrorReporter InternalErrorReporter() noexcept { return g_reporter; }

void SafeUnitSection(TUnitProc Proc, std::string_view SectionName) {
  std::string message;
  try {
    Proc();
    return;
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    message = "General internal error.";
  }
  if (TInternalErrorReporter reporter = g_reporter) {
    reporter(Format("%s (Address: %s)", SectionName,
                    IntToHex(reinterpret_cast<std::uintptr_t>(Proc), 16)));
    Abort();
  }
  throw Exception("Critical error at: \"%s\"\r\nError: \"%s\".", SectionName, message);
}

}  // namespace lab
