#pragma once
// Mailing a report by SMTP: the MIME message (a text part and the attachments in Base64) and its
// sending over TCrashClientSMTP, through a configured server or straight to each recipient's mail
// exchanger.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace lab {

class TStrings;

// What a sending tells its progress dialog: the step's text (empty: unchanged) and the bar's
// percentage (-1: unchanged).
using TMailProgress = std::function<void(const std::string& Step, int Percent)>;

inline constexpr char kMailBoundary[] = "=_crashreport_boundary_0001";

// A header value as RFC 2047 writes it: unchanged when ASCII, else UTF-8 encoded words of Base64
// folded onto continuation lines.
std::string EncodeMailHeader(std::string_view Text);
// Quoted-printable text (RFC 2045) of Text, whose line breaks become CR LF; encoded lines are at
// most 76 characters.
std::string EncodeQuotedPrintable(std::string_view Text);
// Base64 in lines of 76 characters joined by CR LF, no break after the last.
std::string Base64Lines(std::string_view Data);
// Every line of Message that begins with "." gets a second one, so no line ends the mail early.
std::string DotStuff(std::string_view Message);

// The message sent after DATA, before the final "." line: the headers (sender, subject and recipient
// made single lines, the subject encoded), the body as a text/plain part in UTF-8 (7bit when it is
// plain ASCII in short lines, quoted-printable otherwise), then each file of FilePaths that exists,
// under the name of the same index in FileNames, as an attachment (image/png for ".png").
std::string BuildMailMessage(std::string_view Sender, std::string_view Recipient, std::string_view Subject,
                             std::string_view Body, const TStrings& FilePaths, const TStrings& FileNames);

// One connection for one recipient (each reply within 30 s): HELO, or EHLO and AUTH LOGIN when a
// user or a password is given, then the mail, then QUIT. True when every reply up to the mail's was
// the expected one; a failure is told as the internal warning eeEmailSMTPError and answers false.
bool SendMailSMTP(const std::string& Sender, const std::string& Host, std::uint16_t Port, const std::string& User,
                  const std::string& Password, const std::string& Recipient, const std::string& Subject,
                  const std::string& Body, const TStrings& FilePaths, const TStrings& FileNames,
                  const TMailProgress& Progress);
// One message for each recipient of Recipients (separated by "," or ";"); with Direct, to the mail
// exchanger of its domain, with no user and no password. Progress gets each step as
// "Message <i>/<n>: <step>". True when at least one message went out.
bool SendMailSMTPDirect(bool Direct, const std::string& Sender, const std::string& Host, std::uint16_t Port,
                        const std::string& User, const std::string& Password, const std::string& Recipients,
                        const std::string& Subject, const std::string& Body, const TStrings& FilePaths,
                        const TStrings& FileNames, const TMailProgress& Progress);

}  // namespace lab
