#include "crashreport/send/smtp_mail.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <algorithm>
#include <vector>

#include "crashreport/send/dns_mx.h"
#include "crashreport/internal_warning.h"
#include "crashreport/codec/text_utils.h"
#include "crashreport/process_state.h"
#include "loopback_server.h"
#include "platform/rtl/string_list.h"

namespace lab {
namespace {

using test::TFilesToSend;
using test::TLoopbackServer;
using test::TScriptedPeer;

std::string Unix(std::string Text) {
  std::string result;
  for (std::size_t i = 0; i < Text.size(); ++i)
    if (!(Text[i] == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n')) result += Text[i];
  return result;
}

TEST(CrashMail, EncodingsKeepLinesShortAndDotsSafe) {
  EXPECT_EQ(DotStuff(".\r\n..x\r\na.b\r\n.\r\n"), "..\r\n...x\r\na.b\r\n..\r\n");
  // 57 bytes make exactly 76 characters: one line, no break after it.
  EXPECT_EQ(Base64Lines(std::string(57, 'z')).find("\r\n"), std::string::npos);
  EXPECT_EQ(Base64Lines(std::string(57, 'z')).size(), 76u);
  EXPECT_EQ(Base64Lines(std::string(58, 'z')).find("\r\n"), 76u);
  EXPECT_EQ(EncodeMailHeader("plain words"), "plain words");
  EXPECT_EQ(EncodeMailHeader("Gr\xC3\xB6\xC3\x9F" "e"), "=?UTF-8?B?R3LDtsOfZQ==?=");
  EXPECT_EQ(EncodeQuotedPrintable("a=b \nend\t"), "a=3Db=20\r\nend=09");
  EXPECT_EQ(EncodeQuotedPrintable("a b"), "a b");
  // A soft break keeps each line within 76 characters, and never splits an escape.
  const std::string xs(74, 'x');
  EXPECT_EQ(EncodeQuotedPrintable(xs + "\xC3\xA4y"), xs + "=\r\n=C3=A4y");
}

TEST(CrashMail, AMailArrivesWithItsAttachmentsByteExact) {
  TLoopbackServer server("smtp");
  TFilesToSend files;
  std::string binary;
  for (int i = 0; i < 10240; ++i) binary += static_cast<char>(i * 7 % 256);
  files.Add("data.bin", binary);
  files.Add("missing.txt", "", false);
  files.Add("shot.png", std::string("\x89PNG\r\n\x1a\n", 8) + "pixels");
  files.names.SetStrings(2, "shot_20240131235959.PNG");
  const std::string subject = "Fehler in Gr\xC3\xB6\xC3\x9F" "e \xE2\x98\x83\r\nzweite Zeile";
  const std::string body = "Report:\r\n.\r\n..two dots\r\n.leading\nLF line\r\n" + std::string(300, 'w') +
                           " \xC3\xA4\r\n--=_crashreport_boundary_0001\r\nend";
  std::vector<std::pair<std::string, int>> progress;
  const bool sent = SendMailSMTP("reports@lab.example", "127.0.0.1", server.Port(), "", "", "boss@lab.example",
                                 subject, body, files.paths, files.names,
                                 [&](const std::string& Step, int Percent) { progress.emplace_back(Step, Percent); });
  ASSERT_TRUE(sent) << InternalWarningText();
  ASSERT_EQ(server.Count(), 1);
  EXPECT_EQ(server.Read(1, "envelope.txt"), "reports@lab.example\nboss@lab.example\n");
  EXPECT_EQ(server.Read(1, "subject.txt"), "Fehler in Gr\xC3\xB6\xC3\x9F" "e \xE2\x98\x83 zweite Zeile");
  EXPECT_EQ(Unix(server.Read(1, "text.txt")), Unix(body) + "\n");
  EXPECT_EQ(server.Read(1, "attachment-data.bin"), binary);
  EXPECT_EQ(server.Read(1, "attachment-shot_20240131235959.PNG"), std::string("\x89PNG\r\n\x1a\n", 8) + "pixels");
  EXPECT_EQ(server.Read(1, "content-types.txt"),
            "data.bin application/octet-stream\nshot_20240131235959.PNG image/png");
  const std::string raw = server.Read(1, "raw.eml");
  for (std::string_view line : SplitLines(raw)) EXPECT_LE(line.size(), 76u) << line;
  EXPECT_NE(raw.find("Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: quoted-printable"),
            std::string::npos);

  const TCrashModuleOptions& options = OptionsInForce();
  ASSERT_GE(progress.size(), 4u);
  EXPECT_EQ(progress[0], std::make_pair(options.GetCustomizedText(78), -1));
  EXPECT_EQ(progress[1], std::make_pair(options.GetCustomizedText(79), -1));
  EXPECT_EQ(progress[2], std::make_pair(options.GetCustomizedText(80), -1));
  EXPECT_EQ(progress.back(), std::make_pair(std::string(), 100));
}

// Each way a mail ends: sent (with the login it gave), or failed with a warning that says why.
TEST(CrashMail, EachOutcomeOfAMail) {
  TLoopbackServer server("smtp", {"smtp user", "p\xC3\xA4ss"});
  struct Case {
    const char* what;
    const char *user, *password;
    bool listening;
    const char* envelope;  // as the server filed it; nullptr: not sent, and the warning holds Why
    const char* why = "";
  };
  const std::vector<Case> cases = {
      {"logged in", "smtp user", "p\xC3\xA4ss", true, "a@lab.example\nb@lab.example\nsmtp user"},
      {"without a login", "", "", true, "a@lab.example\nb@lab.example\n"},
      {"a wrong password", "smtp user", "wrong", true, nullptr, "535"},
      {"nothing listens", "", "", false, nullptr, "Connection error: "},
  };
  const TStringList none;
  for (const Case& c : cases) {
    ClearInternalWarning();
    const int mails = server.Count();
    const bool sent = SendMailSMTP("a@lab.example", "127.0.0.1", c.listening ? server.Port() : 1, c.user, c.password,
                                   "b@lab.example", "Report", "Plain text.", none, none, nullptr);
    EXPECT_EQ(sent, c.envelope != nullptr) << c.what << ": " << InternalWarningText();
    if (!c.envelope) {
      EXPECT_EQ(server.Count(), mails) << c.what;
      EXPECT_EQ(InternalWarningCode(), eeEmailSMTPError) << c.what;
      EXPECT_TRUE(InternalWarningText().starts_with("[SMTP] ")) << c.what << ": " << InternalWarningText();
      EXPECT_NE(InternalWarningText().find(c.why), std::string::npos) << c.what << ": " << InternalWarningText();
      continue;
    }
    ASSERT_EQ(server.Count(), mails + 1) << c.what;
    EXPECT_EQ(server.Read(server.Count(), "envelope.txt"), c.envelope) << c.what;
    EXPECT_NE(server.Read(server.Count(), "raw.eml").find("Content-Transfer-Encoding: 7bit\r\n\r\nPlain text.\r\n"),
              std::string::npos)
        << c.what;
  }
}

// A server that greets in two lines a second apart (as servers that delay spammers do): each command
// goes after the whole reply to the one before, and QUIT ends the session.
TEST(CrashMail, EachCommandWaitsForTheWholeReplyBeforeIt) {
  std::vector<std::string> commands;
  bool early = false;
  TScriptedPeer peer([&](int s) {
    TScriptedPeer::Send(s, "220-mail.lab.example\r\n");
    TScriptedPeer::Pause(1100);
    pollfd in{s, POLLIN, 0};
    early = ::poll(&in, 1, 0) > 0;
    TScriptedPeer::Send(s, "220 ready\r\n");
    std::string pending;
    bool data = false;
    char buffer[4096];
    for (ssize_t n; (n = ::recv(s, buffer, sizeof buffer, 0)) > 0;) {
      pending.append(buffer, static_cast<std::size_t>(n));
      for (std::size_t end; (end = pending.find("\r\n")) != std::string::npos; pending.erase(0, end + 2)) {
        const std::string line = pending.substr(0, end);
        if (data && line != ".") continue;
        commands.push_back(data ? "." : line.substr(0, line.find(' ')));
        const bool quit = line == "QUIT";
        TScriptedPeer::Send(s, line == "DATA" ? "354 go on\r\n" : quit ? "221 bye\r\n" : "250-fine\r\n250 ok\r\n");
        data = line == "DATA";
        if (quit) return;
      }
    }
  });
  const TStringList none;
  EXPECT_TRUE(SendMailSMTP("a@lab.example", "127.0.0.1", peer.Port(), "", "", "b@lab.example", "Report", "Text.",
                           none, none, nullptr))
      << InternalWarningText();
  peer.Received();
  EXPECT_FALSE(early);
  EXPECT_EQ(commands, (std::vector<std::string>{"HELO", "RSET", "MAIL", "RCPT", "DATA", ".", "QUIT"}));
}

TEST(CrashMail, EachRecipientGetsItsMessageFromItsExchanger) {
  TLoopbackServer smtp("smtp");
  TLoopbackServer dns("dns", {"a.lab.example 10 localhost", "b.lab.example 10 localhost"});
  const TMXLookup previous = SetMXLookup([&](const std::string& Address, std::uint32_t) {
    TStringList servers;
    servers.Add("127.0.0.1");
    return ResolveMXRecord(Address, 3000, servers, dns.Port());
  });
  std::vector<std::string> steps;
  const TStringList none;
  const bool sent = SendMailSMTPDirect(true, "r@lab.example", "unused.host", smtp.Port(), "user", "password",
                                       "x@a.lab.example; y@c.lab.example,z@b.lab.example", "Report", "Text.", none,
                                       none, [&](const std::string& Step, int) {
                                         if (!Step.empty()) steps.push_back(Step);
                                       });
  SetMXLookup(previous);
  EXPECT_TRUE(sent);
  ASSERT_EQ(smtp.Count(), 2);
  EXPECT_EQ(smtp.Read(1, "envelope.txt"), "r@lab.example\nx@a.lab.example\n");
  EXPECT_EQ(smtp.Read(2, "envelope.txt"), "r@lab.example\nz@b.lab.example\n");
  const TCrashModuleOptions& options = OptionsInForce();
  const std::string message = options.GetCustomizedText(76);
  ASSERT_FALSE(steps.empty());
  EXPECT_EQ(steps.front(), message + " 1/3: " + options.GetCustomizedText(77));
  for (const std::string& step : steps) EXPECT_TRUE(step.starts_with(message + " ")) << step;
  EXPECT_EQ(steps.back(), message + " 3/3: " + options.GetCustomizedText(80));
  EXPECT_EQ(std::count(steps.begin(), steps.end(), message + " 2/3: " + options.GetCustomizedText(77)), 1);
  EXPECT_EQ(InternalWarningCode(), eeEmailSMTPError);  // the second domain has no exchanger
}

}  // namespace
}  // namespace lab
