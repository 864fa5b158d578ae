#include "crashreport/internal_warning.h"

#include <unistd.h>

#include <exception>
#include <mutex>

#include "crashreport/codec/file_utils.h"
#include "crashreport/dialogs/window_services.h"
#include "platform/controls/dialogs.h"
#include "platform/rtl/strutils.h"

namespace lab {
namespace {

struct TWarning {
  std::mutex lock;
  TCrashLogErrorCode code = eeNone;
  std::string text;
};

TWarning& Warning() {
  static TWarning* warning = new TWarning;
  return *warning;
}

bool IsSendingError(TCrashLogErrorCode Code) {
  return Code == eeEmailSMTPError || Code == eeWebHTTPError || Code == eeWebHTTPSError || Code == eeWebFTPError;
}

// One write, so lines of two threads do not mix.
void Trace(const std::string& Line) { WriteStandardError(Line + "\n"); }

}  // namespace

void ShowInternalWarning(TCrashLogErrorCode Code, std::string_view Text) {
  {
    TWarning& w = Warning();
    std::lock_guard guard(w.lock);
    w.code = Code;
    w.text = std::string(Text);
  }
  const auto address = reinterpret_cast<std::uintptr_t>(CurrentExceptionRecord().ExceptionAddress);
  const std::string line = Format("[WARNING] - Code: %s - Address: %s - Message: \"%s\"",
                                  std::string(EnumTypeInfo<TCrashLogErrorCode>().NameOf(Code)),
                                  IntToHex(address, 16), std::string(Text));
  Trace(line);
  if (CrashState().SendProgressWindow && IsSendingError(Code))
    CrashMessageBox(std::string(Text), "Error.",
                    win::MB_ICONERROR | win::MB_TASKMODAL | win::MB_TOPMOST | win::MB_SERVICE_NOTIFICATION);
}

void ClearInternalWarning() {
  TWarning& w = Warning();
  std::lock_guard guard(w.lock);
  w.code = eeNone;
  w.text.clear();
}

TCrashLogErrorCode InternalWarningCode() {
  TWarning& w = Warning();
  std::lock_guard guard(w.lock);
  return w.code;
}

std::string InternalWarningText() {
  TWarning& w = Warning();
  std::lock_guard guard(w.lock);
  return w.text;
}

void ReportSectionError(TCrashLogErrorCode Code, std::string_view Section) {
  std::string text = Format("General '%s' error.", std::string(Section));
  try {
    if (std::exception_ptr current = std::current_exception()) std::rethrow_exception(current);
  } catch (const std::exception& e) {
    text = Format("[%s] %s", std::string(Section), std::string(e.what()));
  } catch (...) {
  }
  ShowInternalWarning(Code, text);
}

}  // namespace lab
