#include "crashreport/send/smtp_mail.h"

#include <optional>

#include "crashreport/codec/base64.h"
#include "crashreport/send/dns_mx.h"
#include "crashreport/codec/file_utils.h"
#include "crashreport/internal_warning.h"
#include "crashreport/process_state.h"
#include "crashreport/send/sockets.h"
#include "crashreport/report/system_utils.h"
#include "crashreport/codec/text_utils.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/format.h"
#include "platform/rtl/string_list.h"
#include "platform/rtl/strutils.h"

namespace lab {

namespace {

constexpr std::uint32_t kSMTPTimeout = 30000;
constexpr std::size_t kEncodedLine = 76;
// SMTP's limit on a line, line end excluded.
constexpr std::size_t kSMTPLine = 998;

bool IsAscii(std::string_view Text) {
  for (const char c : Text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// Text with every line break made CR LF.
std::string CRLFLines(std::string_view Text) {
  std::string result;
  const auto lines = SplitLines(Text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) result += "\r\n";
    result.append(lines[i]);
  }
  return result;
}

// A header parameter's value in double quotes, its quotes and backslashes escaped.
std::string QuotedParameter(std::string_view Value) {
  std::string result = "\"";
  for (const char c : MakeSingleLine(Value)) {
    if (c == '"' || c == '\\') result += '\\';
    result += c;
  }
  return result + '"';
}

}  // namespace

std::string EncodeMailHeader(std::string_view Text) {
  if (IsAscii(Text)) return std::string(Text);
  // Encoded words of at most 39 bytes of text (52 of Base64, 64 with the frame), never splitting a
  // character.
  std::string result;
  std::size_t at = 0;
  while (at < Text.size()) {
    std::size_t end = std::min(at + 39, Text.size());
    while (end < Text.size() && end > at + 1 && (static_cast<unsigned char>(Text[end]) & 0xC0) == 0x80) --end;
    if (!result.empty()) result += "\r\n ";
    result += "=?UTF-8?B?" + Base64EncodeStr(Text.substr(at, end - at)) + "?=";
    at = end;
  }
  return result;
}

std::string EncodeQuotedPrintable(std::string_view Text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string result;
  const auto lines = SplitLines(Text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) result += "\r\n";
    const std::string_view line = lines[i];
    std::size_t column = 0;
    for (std::size_t k = 0; k < line.size(); ++k) {
      const auto c = static_cast<unsigned char>(line[k]);
      const bool last = k + 1 == line.size();
      const bool literal = (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !last);
      const std::size_t width = literal ? 1 : 3;
      // A soft break ("=" at the end) keeps each encoded line within 76 characters.
      if (column + width > kEncodedLine - (last ? 0 : 1)) {
        result += "=\r\n";
        column = 0;
      }
      if (literal) {
        result += static_cast<char>(c);
      } else {
        result += '=';
        result += kHex[c >> 4];
        result += kHex[c & 15];
      }
      column += width;
    }
  }
  return result;
}

std::string Base64Lines(std::string_view Data) {
  const std::string encoded = Base64EncodeStr(Data);
  std::string result;
  result.reserve(encoded.size() + encoded.size() / kEncodedLine * 2);
  for (std::size_t at = 0; at < encoded.size(); at += kEncodedLine) {
    if (at > 0) result += "\r\n";
    result.append(encoded, at, kEncodedLine);
  }
  return result;
}

std::string DotStuff(std::string_view Message) {
  std::string result;
  result.reserve(Message.size() + 16);
  bool line_start = true;
  for (const char c : Message) {
    if (line_start && c == '.') result += '.';
    result += c;
    line_start = c == '\n';
  }
  return result;
}

std::string BuildMailMessage(std::string_view Sender, std::string_view Recipient, std::string_view Subject,
                             std::string_view Body, const TStrings& FilePaths, const TStrings& FileNames) {
  const std::string boundary = kMailBoundary;
  std::string text = CRLFLines(Body);
  bool plain = IsAscii(text) && text.find(boundary) == std::string::npos;
  for (std::string_view line : SplitLines(text)) plain = plain && line.size() <= kSMTPLine;

  std::string message;
  message += "Date: " + FormatMailDate(Now()) + "\r\n";
  message += "From: <" + MakeSingleLine(Sender) + ">\r\n";
  message += "Subject: " + EncodeMailHeader(MakeSingleLine(Subject)) + "\r\n";
  message += "To: <" + MakeSingleLine(Recipient) + ">\r\n";
  message += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\";\r\n";
  message += "MIME-Version: 1.0\r\n";
  message += Format("Message-ID: <%u@crashreport.lab>\r\n", GetTickCount());
  message += "\r\nThis is a multi-part message in MIME format\r\n\r\n";
  message += "--" + boundary + "\r\n";
  message += "Content-Type: text/plain; charset=UTF-8\r\n";
  message += plain ? "Content-Transfer-Encoding: 7bit\r\n" : "Content-Transfer-Encoding: quoted-printable\r\n";
  message += "\r\n" + (plain ? text : EncodeQuotedPrintable(text)) + "\r\n";
  for (int i = 0; i < FilePaths.Count() && i < FileNames.Count(); ++i) {
    const std::optional<std::string> data = ReadFileBytes(FilePaths.Strings(i));
    if (!data) continue;
    const std::string name = QuotedParameter(FileNames.Strings(i));
    const bool png = SameText(ExtractFileExt(FileNames.Strings(i)), ".png");
    message += "\r\n--" + boundary + "\r\n";
    message += png ? "Content-Type: image/png;\r\n" : "Content-Type: application/octet-stream;\r\n";
    message += "        name=" + name + "\r\n";
    message += "Content-Transfer-Encoding: base64\r\n";
    message += "Content-Disposition: attachment;\r\n";
    message += "        filename=" + name + "\r\n\r\n";
    message += Base64Lines(*data) + "\r\n";
  }
  message += "--" + boundary + "--\r\n";
  return message;
}

bool SendMailSMTP(const std::string& Sender, const std::string& Host, std::uint16_t Port, const std::string& User,
                  const std::string& Password, const std::string& Recipient, const std::string& Subject,
                  const std::string& Body, const TStrings& FilePaths, const TStrings& FileNames,
                  const TMailProgress& Progress) {
  const TCrashModuleOptions& options = OptionsInForce();
  const auto step = [&](int Text) {
    if (Progress) Progress(options.GetCustomizedText(static_cast<std::uint8_t>(Text)), -1);
  };
  // A line break in an address would end the command and start another.
  const std::string sender = MakeSingleLine(Sender);
  const std::string recipient = MakeSingleLine(Recipient);
  try {
    step(78);  // "Connecting with server..."
    TCrashClientSMTP smtp(Host, kSMTPTimeout, true, Port);
    smtp.Connect();
    step(79);  // "Connected with server."
    const std::string local_host = GetComputerNameText();
    if (User.empty() && Password.empty()) {
      smtp.SendCommand("HELO " + local_host, {250});
      smtp.SendCommand("RSET", {250});
    } else {
      smtp.SendCommand("EHLO " + local_host, {250});
      smtp.SendCommand("RSET", {250});
      smtp.SendCommand("AUTH LOGIN", {334});
      smtp.SendCommand(Base64EncodeStr(User), {334});
      smtp.SendCommand(Base64EncodeStr(Password), {235});
    }
    smtp.SendCommand("MAIL FROM:<" + sender + ">", {250});
    step(80);  // "Sending message..."
    smtp.SendCommand("RCPT TO:<" + recipient + ">", {250, 251});
    smtp.SendCommand("DATA", {354});
    const std::string message =
        DotStuff(BuildMailMessage(Sender, Recipient, Subject, Body, FilePaths, FileNames)) + ".\r\n";
    smtp.OnSendProgress = [&](TObject*, int Position, int Total) {
      if (Progress) Progress({}, static_cast<int>(static_cast<std::int64_t>(Position - 1) * 100 / Total));
    };
    smtp.SendCommand(message, {250});
    // The mail is taken; a server that ends the session badly does not take that back.
    try {
      smtp.SendCommand("QUIT", {221});
    } catch (const ECrashSocketError&) {
    }
    return true;
  } catch (...) {
    ReportSectionError(eeEmailSMTPError, "SMTP");
    return false;
  }
}

bool SendMailSMTPDirect(bool Direct, const std::string& Sender, const std::string& Host, std::uint16_t Port,
                        const std::string& User, const std::string& Password, const std::string& Recipients,
                        const std::string& Subject, const std::string& Body, const TStrings& FilePaths,
                        const TStrings& FileNames, const TMailProgress& Progress) {
  TStringList recipients;
  SplitToStrings(",;", Recipients, &recipients);
  const TCrashModuleOptions& options = OptionsInForce();
  const int count = recipients.Count();
  if (Progress) Progress({}, 0);
  bool sent = false;
  for (int i = 0; i < count; ++i) {
    const std::string prefix = Format("%s %d/%d: ", options.GetCustomizedText(76), i + 1, count);  // "Message"
    const TMailProgress progress = [&](const std::string& Step, int Percent) {
      if (Progress) Progress(Step.empty() ? Step : prefix + Step, Percent);
    };
    const std::string recipient = recipients.Strings(i);
    std::string host = Host;
    std::string user = User;
    std::string password = Password;
    if (Direct) {
      progress(options.GetCustomizedText(77), -1);  // "Resolving DNS..."
      try {
        host = LookupMXRecord(recipient, kSMTPTimeout);
      } catch (...) {
        ReportSectionError(eeEmailSMTPError, "SMTP");
        continue;
      }
      user.clear();
      password.clear();
    }
    if (SendMailSMTP(Sender, host, Port, user, password, recipient, Subject, Body, FilePaths, FileNames, progress))
      sent = true;
  }
  return sent;
}

}  // namespace lab
