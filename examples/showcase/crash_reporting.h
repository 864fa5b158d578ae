#pragma once
// The showcase's part in crash reporting, beside the settings built in (crashlog_options.txt). A
// report the user chooses to send goes to lab support through the mail server named on the command
// line, or, with none named, is kept beside the log (the archive of its files); the exception
// dialog's send box says which.

#include <cstdint>
#include <optional>
#include <string>

namespace lab {
class TComponent;
}  // namespace lab

namespace showcase {

inline constexpr char kUsage[] = "usage: examples_showcase [--mail-server HOST[:PORT]]";

struct TMailServer {
  std::string Host;
  std::uint16_t Port = 25;
};

// The server "--mail-server HOST[:PORT]" names (none without the option). Any other argument, a
// missing host or a port outside 1 to 65535 raises lab::Exception saying what is wrong.
std::optional<TMailServer> MailServerOption(int argc, char** argv);

// Sends reports through Server (none: keeps them beside the log), through a TCrashLog that Owner
// owns. The crash reporter is started.
void TakePartInCrashReporting(lab::TComponent* Owner, const std::optional<TMailServer>& Server);

}  // namespace showcase
