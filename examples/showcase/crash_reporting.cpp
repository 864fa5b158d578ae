#include "crash_reporting.h"

#include <string_view>

#include "crashreport/crashlog.h"
#include "crashreport/files/log_paths.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strutils.h"

namespace showcase {
namespace {

using namespace lab;

constexpr std::uint8_t kSendBoxText = 18;

TMailServer ParseMailServer(const std::string& Value) {
  TMailServer server;
  const std::size_t colon = Value.rfind(':');
  server.Host = Value.substr(0, colon);
  if (colon != std::string::npos) {
    std::int32_t port = 0;
    if (!TryStrToInt(Value.substr(colon + 1), port) || port < 1 || port > 65535)
      throw Exception("--mail-server %s: the port is a number from 1 to 65535", Value);
    server.Port = static_cast<std::uint16_t>(port);
  }
  if (server.Host.empty() || server.Host.find(':') != std::string::npos)
    throw Exception("--mail-server %s: a host name or an IPv4 address, then :PORT when not 25", Value);
  return server;
}

}  // namespace

std::optional<TMailServer> MailServerOption(int argc, char** argv) {
  std::optional<TMailServer> server;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) != "--mail-server") throw Exception("unknown argument \"%s\"", std::string(argv[i]));
    if (i + 1 == argc) throw Exception("--mail-server names no server");
    server = ParseMailServer(argv[++i]);
  }
  return server;
}

void TakePartInCrashReporting(TComponent* Owner, const std::optional<TMailServer>& Server) {
  TCrashModuleOptions& options = CurrentCrashLogOptions();
  options.BeginUpdate();
  if (Server) {
    options.SetSMTPHost(Server->Host);
    options.SetSMTPPort(Server->Port);
  }
  options.CustomizedTexts()[kSendBoxText] = Server ? "&Send the report to " + options.EmailAddresses() + " through " + Server->Host
                                                   : "&Keep the report in " + GetLogFolder(options);
  options.EndUpdate();
  options.NotifyChange();

  auto* log = new TCrashLog(Owner);
  // Without a server the mail is never tried: the report the user chose to send stays beside the log.
  if (!Server)
    log->OnExceptionActionNotify = [](const TCrashExceptionRecord&, TCrashActionType Action, bool& Execute) {
      if (Action == atSendingEmail) Execute = false;
    };
}

}  // namespace showcase
