#include "crashreport/dialogs/web_mode.h"

#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <random>

#include "crashreport/dialogs/crash_gui.h"
#include "crashreport/crashlog.h"
#include "crashreport/internal_warning.h"
#include "crashreport/options.h"
#include "crashreport/capture/output_hooks.h"
#include "crashreport/process_state.h"
#include "crashreport/codec/text_utils.h"
#include "platform/rtl/strutils.h"

namespace lab {

const char* const kWebOkButton =
    "<br><input type=button value=\"Ok\" OnClick=\"history.go(-1)\" "
    "style=\"width:75;height:25;z-index:100;font-style:normal;font-size:10pt;text-decoration:none;\">";

namespace {

constexpr std::string_view kHTMLTag = "<%html_tag%>";  // found in any case

std::string NewPageID() {
  static std::mt19937 random{std::random_device{}()};
  TCrashProcessState& state = CrashState();
  std::lock_guard guard(state.NamesLock);
  state.WebPageID = IntToHex(static_cast<std::uint32_t>(random()), 8);
  return state.WebPageID;
}

// Text without its line breaks.
std::string OneLine(std::string_view Text) {
  std::string line;
  line.reserve(Text.size());
  for (const char c : Text)
    if (c != '\r' && c != '\n') line += c;
  return line;
}

}  // namespace

bool IsConsoleApplication() {
  const auto self = static_cast<std::uint32_t>(::getpid());
  TCrashGui& gui = CrashGui();
  for (win::HWND window : gui.TopLevelWindows()) {
    TCrashWindowInfo info;
    if (gui.GetWindowInfo(window, info) && info.ProcessID == self) return false;
  }
  return true;
}

bool IsCGIApplication() { return std::getenv("REQUEST_METHOD") && IsConsoleApplication(); }
bool IsWebApplication() { return IsCGIApplication(); }
bool IsGUIApplication() { return !IsConsoleApplication(); }

std::string BuildHTMLPage(std::string_view Template, std::string_view Title, std::string_view Body) {
  std::string source = Trim(OneLine(Template));
  if (source.empty()) source = Trim(OneLine(kDefaultHTMLTemplate));
  const std::string lower = LowerCase(source);
  const std::size_t title = lower.find("<title>");
  std::string page;
  if (title == std::string::npos || lower.find("</title>", title) == std::string::npos)
    page = "<title>" + std::string(Title) + "</title>";
  // One pass from left to right, so a body that holds the tag is not filled in again.
  std::size_t from = 0;
  for (std::size_t at; (at = lower.find(kHTMLTag, from)) != std::string::npos; from = at + kHTMLTag.size()) {
    page.append(source, from, at - from);
    page += Body;
  }
  page.append(source, from);
  return page + "<!-- CrashLog ID: " + NewPageID() + " -->";
}

std::string BuildHTMLPage(std::string_view Body) {
  const TCrashModuleOptions& options = OptionsInForce();
  return BuildHTMLPage(options.HTMLTemplate(), options.GetCustomizedText(2), Body);
}

std::string BuildHTMLErrorPage(std::string_view Message, bool OkButton) {
  std::string body = HTMLEncode(Message);
  if (OkButton) body += kWebOkButton;
  return BuildHTMLPage(body);
}

std::string WebPageID() {
  TCrashProcessState& state = CrashState();
  std::lock_guard guard(state.NamesLock);
  return state.WebPageID;
}

bool SendWebErrorPage(std::string_view Page) {
  // A failed request's status: the server and the browser see it as the error it is.
  const std::string header = "Status: 500 Error\r\nCache-Control: no-cache\r\nExpires: 0\r\n"
                             "Content-Type: text/html\r\nContent-Length: " +
                             std::to_string(Page.size()) + "\r\nContent:\r\n\r\n";
  if (!WriteStandardOutput(header)) {
    ShowInternalWarning(eeShowError, "CGI: Cannot write in the ouput file.");
    return false;
  }
  return WriteStandardOutput(Page);
}

bool ShowWebErrorOutput(std::string_view Introduction, std::string_view Text) {
  const std::string button = LowerCase(kWebOkButton);
  const bool has_button = LowerCase(OptionsInForce().HTMLTemplate()).find(button) != std::string::npos;
  return SendWebErrorPage(BuildHTMLErrorPage(std::string(Introduction) + std::string(Text), !has_button));
}

}  // namespace lab
