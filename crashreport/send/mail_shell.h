#pragma once
// Mailing a report through the desktop's mail program: a mailto URL handed to xdg-email, which opens
// the user's mail program with the message filled in.

#include <cstddef>
#include <string>
#include <string_view>

namespace lab {

// The longest single argument a program may be started with.
inline constexpr std::size_t kMaxArgumentLength = 128 * 1024;

// Keeps "-", digits, letters and bytes of 128 and above; any other byte becomes "%" and two
// upper-case hexadecimal digits.
std::string EncodeMailtoText(std::string_view Text);
// "mailto:<recipients>?Subject=<subject>&Body=<text>".
std::string MailtoURL(std::string_view Recipients, std::string_view Subject, std::string_view Text);

// Starts xdg-email with the message: Message, three CR LF and ReportText as the text (Message alone
// when ReportText is empty). A URL longer than kMaxArgumentLength carries Message alone and the
// report goes as an attached copy of ReportFile: the mail program reads it after xdg-email has ended,
// so the copy stays until the next mail sent here or RemoveMailProgramFiles. Sent when xdg-email ends
// with exit code 0; a program that cannot be started, or a copy that cannot be made, is told as the
// internal warning eeEmailShellError.
bool SendMailShell(const std::string& Recipients, const std::string& Subject, const std::string& Message,
                   const std::string& ReportText, const std::string& ReportFile);
// The folder of the attachments handed to the mail program: "mail-<process>/" in the private
// temporary folder (empty when there is none).
std::string MailProgramFolder();
// Removes it, at the program's end.
void RemoveMailProgramFiles();

}  // namespace lab
