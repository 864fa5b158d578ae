#include "crashreport/send/sockets.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "crashreport/send/dns_mx.h"
#include "loopback_server.h"

namespace lab {
namespace {

using test::TLoopbackServer;
using test::TScriptedPeer;

TEST(CrashSockets, SendTextGoesInChunksOf1024AndArrivesWhole) {
  TScriptedPeer peer([](int) {});
  TCrashClientSocket socket("127.0.0.1", 5000, true, peer.Port());
  std::vector<std::pair<int, int>> progress;
  socket.OnSendProgress = [&](TObject*, int Position, int Total) { progress.emplace_back(Position, Total); };
  socket.Connect();
  EXPECT_EQ(socket.SocketLog(), "Connected to 127.0.0.1 port " + std::to_string(peer.Port()) + "\r\n");
  std::string text(2500, 'x');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
  EXPECT_EQ(socket.SendText(text), 2500);
  EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{1025, 2500}, {2049, 2500}, {2501, 2500}}));
  socket.Close();
  EXPECT_FALSE(socket.Connected());
  EXPECT_EQ(socket.SocketLog(), "");
  EXPECT_EQ(peer.Received(), text);
}

TEST(CrashSockets, RepliesAreAcceptedByTheirLeadingDigits) {
  struct Case {
    const char* reply;
    std::vector<std::uint16_t> codes;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {"250-first line\r\n250 second line\r\n", {250}, true},
      {"251 forwarded\r\n", {250, 251}, true},
      {"550 no such user\r\n", {250, 251}, false},
      {"hello 250\r\n", {250}, false},
      {"2500 too many digits\r\n", {250}, false},
      {"99999999999999999999250 overflow\r\n", {250}, false},
  };
  // One reply for each line the client sends.
  TScriptedPeer peer([&](int s) {
    char buffer[64];
    for (const Case& c : cases)
      if (::recv(s, buffer, sizeof buffer, 0) > 0) TScriptedPeer::Send(s, c.reply);
  });
  TCrashClientSMTP socket("127.0.0.1", 5000, true, peer.Port());
  socket.TCrashClientSocket::Connect();
  for (const Case& c : cases) {
    socket.SendText("NOOP\r\n");
    EXPECT_EQ(socket.CheckReply(c.codes), c.accepted) << c.reply;
  }
}

// How replies are read: each to its last line however it comes (in parts, with pauses), and within
// the time-out as a whole.
TEST(CrashSockets, AReplyIsReadToItsLastLineWithinTheTimeOut) {
  struct TPiece {
    std::string text;
    int pause_after;  // ms
  };
  struct Case {
    const char* what;
    std::vector<TPiece> peer;
    std::uint32_t timeout;
    std::vector<std::string> replies;  // "" for the time-out
  };
  std::vector<TPiece> trickle;
  for (char c : std::string("250-") + std::string(20, 'x')) trickle.push_back({std::string(1, c), 50});
  const std::vector<Case> cases = {
      {"in two parts", {{"250-one\r\n", 300}, {"250 two\r\n", 0}}, 2000, {"250-one\r\n250 two\r\n"}},
      {"cut inside a line", {{"25", 300}, {"0 ok\r\n", 0}}, 2000, {"250 ok\r\n"}},
      {"lines more than a second apart", {{"220-welcome\r\n", 1100}, {"220 ready\r\n", 0}}, 2000,
       {"220-welcome\r\n220 ready\r\n"}},
      {"one after another", {{"250 ok\r\n", 300}, {"354 go on\r\n", 0}}, 2000, {"250 ok\r\n", "354 go on\r\n"}},
      {"a byte every 50 ms", trickle, 500, {""}},
      {"a line without its end", {{"250 ok", 700}}, 500, {""}},
  };
  for (const Case& c : cases) {
    TScriptedPeer peer([&](int s) {
      for (const TPiece& piece : c.peer) {
        TScriptedPeer::Send(s, piece.text);
        TScriptedPeer::Pause(piece.pause_after);
      }
    });
    TCrashClientSMTP smtp("127.0.0.1", c.timeout, true, peer.Port());
    smtp.TCrashClientSocket::Connect();
    for (const std::string& expected : c.replies) {
      std::string reply;
      try {
        smtp.ReceiveReply(reply);
      } catch (const ECrashSocketError& e) {
        EXPECT_TRUE(e.Message().starts_with("Socket timeout.")) << c.what << ": " << e.Message();
        reply.clear();
      }
      EXPECT_EQ(reply, expected) << c.what;
    }
  }
}

TEST(CrashSockets, FailuresTellTheLogAndGoThroughOnError) {
  // No reply within the time-out.
  TScriptedPeer quiet([](int) { TScriptedPeer::Pause(600); });
  TCrashClientSocket socket("127.0.0.1", 200, true, quiet.Port());
  std::vector<std::string> errors;
  socket.OnError = [&](TObject*, int Code, const std::string& Message) {
    EXPECT_EQ(Code, -1);
    errors.push_back(Message);
  };
  socket.Connect();
  std::string reply;
  try {
    socket.ReceiveReply(reply);
    ADD_FAILURE() << "no time-out";
  } catch (const ECrashSocketError& e) {
    EXPECT_EQ(e.Message(), "Socket timeout.\r\nSocket log:\r\n" + socket.SocketLog());
  }
  ASSERT_EQ(errors.size(), 1u);
  // Silent: the same failure ends the operation without an error report.
  socket.SetSilent(true);
  EXPECT_THROW(socket.ReceiveReply(reply), EAbort);
  EXPECT_EQ(errors.size(), 2u);

  // A peer that ends the connection fails the wait at once instead of waiting out the time-out.
  TScriptedPeer closing([](int s) { ::shutdown(s, SHUT_RDWR); });
  TCrashClientSMTP smtp("127.0.0.1", 20000, true, closing.Port());
  const auto start = std::chrono::steady_clock::now();
  try {
    smtp.Connect();
    ADD_FAILURE() << "connected without a greeting";
  } catch (const ECrashSocketError& e) {
    EXPECT_TRUE(e.Message().starts_with("Error into \"recv\": \"")) << e.Message();
    EXPECT_NE(e.Message().find("Connected to 127.0.0.1"), std::string::npos) << e.Message();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(smtp.Connected());
}

TEST(CrashSockets, AHostThatDoesNotResolveIsAConnectionError) {
  // Never 0.0.0.0, which would reach a server on this machine.
  for (const char* host : {"no such host", ""}) {
    TCrashClientSocket socket(host, 1000, true, 25);
    try {
      socket.Connect();
      ADD_FAILURE() << "connected to \"" << host << "\"";
    } catch (const ECrashSocketError& e) {
      EXPECT_TRUE(e.Message().starts_with("Connection error: \"")) << e.Message();
    }
    EXPECT_FALSE(socket.Connected());
    EXPECT_EQ(socket.Handle(), INVALID_SOCKET);
  }
  // A refused connection likewise (nothing listens on port 1).
  TCrashClientSocket refused("127.0.0.1", 1000, true, 1);
  EXPECT_THROW(refused.Connect(), ECrashSocketError);
}

TEST(CrashSockets, SMTPCommandsCheckTheirReplies) {
  std::string commands;
  TScriptedPeer peer([&](int s) {
    TScriptedPeer::Send(s, "220 ready\r\n");
    char buffer[256];
    for (const char* reply : {"250 hello\r\n", "550 refused\r\n"}) {
      const ssize_t n = ::recv(s, buffer, sizeof buffer, 0);
      commands.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
      TScriptedPeer::Send(s, reply);
    }
  });
  TCrashClientSMTP smtp("127.0.0.1", 5000, true, peer.Port());
  smtp.Connect();
  EXPECT_FALSE(smtp.SendCommand("", {250}));
  EXPECT_TRUE(smtp.SendCommand("HELO here", {250}));
  try {
    smtp.SendCommand("MAIL FROM:<a@b>\r\n", {250});
    ADD_FAILURE() << "550 accepted";
  } catch (const ECrashSocketError& e) {
    EXPECT_EQ(e.Message(), smtp.SocketLog());
    EXPECT_TRUE(e.Message().ends_with("HELO here\r\n250 hello\r\nMAIL FROM:<a@b>\r\n550 refused\r\n")) << e.Message();
  }
  smtp.Close();
  peer.Received();
  EXPECT_EQ(commands, "HELO here\r\nMAIL FROM:<a@b>\r\n");
}

// --- DNS ---

std::string Bytes(std::initializer_list<int> Values) {
  std::string bytes;
  for (int v : Values) bytes += static_cast<char>(v);
  return bytes;
}

TEST(CrashDNS, QueryForTheMailExchanger) {
  EXPECT_EQ(BuildMXQuery("lab.example", 0x1234),
            Bytes({0x12, 0x34, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 3, 'l', 'a', 'b', 7, 'e', 'x', 'a', 'm', 'p', 'l', 'e', 0, 0,
                   15, 0, 1}));
  EXPECT_EQ(BuildMXQuery("lab.example.", 1), BuildMXQuery("lab.example", 1));
  for (const std::string& bad : std::vector<std::string>{"", ".", "a..b", ".a", std::string(64, 'a') + ".b", std::string(254, 'a')})
    EXPECT_EQ(BuildMXQuery(bad, 1), "") << bad;
}

TEST(CrashDNS, RepliesAreReadWithEveryBoundChecked) {
  const std::string header = Bytes({0x12, 0x34, 0x81, 0x80, 0, 1, 0, 1, 0, 0, 0, 0});
  const std::string question = Bytes({3, 'l', 'a', 'b', 7, 'e', 'x', 'a', 'm', 'p', 'l', 'e', 0, 0, 15, 0, 1});
  const std::string owner = Bytes({0xC0, 12});
  const std::string mx_head = Bytes({0, 15, 0, 1, 0, 0, 0, 60});
  // "mail" and a pointer back into the question: mail.lab.example.
  const std::string mx_data = Bytes({0, 10, 4, 'm', 'a', 'i', 'l', 0xC0, 12});
  const std::string length = Bytes({0, static_cast<int>(mx_data.size())});
  const std::string good = header + question + owner + mx_head + length + mx_data;
  const std::string cname = owner + Bytes({0, 5, 0, 1, 0, 0, 0, 60, 0, 2, 0xC0, 12});
  auto with = [&](std::size_t At, std::string Bytes) {
    std::string reply = good;
    reply.replace(At, Bytes.size(), Bytes);
    return reply;
  };
  const std::size_t data_at = header.size() + question.size() + 12;
  struct Case {
    const char* what;
    std::string reply;
    std::string exchanger;
  };
  const std::vector<Case> cases = {
      {"a pointer into the question", good, "mail.lab.example"},
      {"another identifier", with(0, Bytes({0x12, 0x35})), ""},
      {"a query, not a response", with(2, Bytes({0x01})), ""},
      {"an error code", with(3, Bytes({0x83})), ""},
      {"no answer", with(7, Bytes({0})), ""},
      {"an answer count past the end", with(7, Bytes({2})), ""},
      {"a CNAME before the MX", header.substr(0, 7) + Bytes({2}) + header.substr(8) + question + cname + owner +
                                    mx_head + length + mx_data, "mail.lab.example"},
      {"a record of another type only", with(header.size() + question.size() + 3, Bytes({16})), ""},
      {"data running past the end", with(data_at - 1, Bytes({40})), ""},
      {"data too short for a name", with(data_at - 1, Bytes({2})), ""},
      {"cut short", good.substr(0, good.size() - 1), ""},
      {"a pointer to itself", with(data_at + 7, Bytes({0xC0, static_cast<int>(data_at + 7)})), ""},
      {"a pointer past the end", with(data_at + 7, Bytes({0xC1, 0xFF})), ""},
      {"a label past the end", with(data_at + 2, Bytes({60})), ""},
      {"a reserved label type", with(data_at + 2, Bytes({0x44})), ""},
      {"only a header", header, ""},
      {"nothing", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseMXReply(c.reply, 0x1234), c.exchanger) << c.what;

  // Two pointers that name each other never end.
  std::string loop = Bytes({0xC0, 2, 0xC0, 0});
  std::size_t at = 0;
  std::string name;
  EXPECT_FALSE(ReadDNSName(loop, at, name));
  // Names of 63-byte labels, each pointing back to the one before: the fourth runs over 255 bytes.
  std::string chain = Bytes({63}) + std::string(63, 'a') + Bytes({0});
  std::vector<std::size_t> starts = {0};
  for (char c : {'b', 'c', 'd'}) {
    starts.push_back(chain.size());
    chain += Bytes({63}) + std::string(63, c) + Bytes({0xC0, static_cast<int>(starts[starts.size() - 2])});
  }
  at = starts[2];
  EXPECT_TRUE(ReadDNSName(chain, at, name));
  EXPECT_EQ(name, std::string(63, 'c') + "." + std::string(63, 'b') + "." + std::string(63, 'a'));
  EXPECT_EQ(at, starts[3]);
  at = starts[3];
  EXPECT_FALSE(ReadDNSName(chain, at, name));
}

TEST(CrashDNS, ServersComeFromResolvConf) {
  TStringList servers;
  ParseDNSServers("# comment\nnameserver 192.0.2.1\n  nameserver\t192.0.2.2  # second\r\nnameserver ::1\n"
                  "nameserver 0.0.0.0\nnameservers 192.0.2.9\nsearch lab.example\nnameserver 999.1.1.1\n"
                  "; nameserver 192.0.2.3\nnameserver",
                  &servers);
  EXPECT_EQ(servers.Text(), "192.0.2.1\r\n192.0.2.2\r\n");
  const auto configured = GetDNSServers();
  ASSERT_GE(configured->Count(), 1);
  EXPECT_EQ(configured->Strings(configured->Count() - 1), kFallbackDNSServer);
}

TEST(CrashDNS, TheMailExchangerIsAskedOfEachServerInTurn) {
  TLoopbackServer dns("dns", {"lab.example 10 mail.lab.example", "lab.example 20 backup.lab.example",
                              "refused.lab.example 10 mail.lab.example", "wrong-id.lab.example 10 mail.lab.example",
                              "late.lab.example 10 late-mail.lab.example"});
  TStringList servers;
  servers.Add("no such host");  // fails, and the next server is asked
  servers.Add("127.0.0.1");
  EXPECT_EQ(ResolveMXRecord("someone@lab.example", 3000, servers, dns.Port()), "mail.lab.example");
  EXPECT_EQ(dns.Count(), 1);
  const std::string query = dns.Read(1, "query.bin");
  ASSERT_EQ(query.size(), 29u);
  EXPECT_EQ(query.substr(2), BuildMXQuery("lab.example", 0).substr(2));
  // A reply to another query just before the answer is passed over.
  EXPECT_EQ(ResolveMXRecord("someone@late.lab.example", 3000, servers, dns.Port()), "late-mail.lab.example");
  EXPECT_EQ(dns.Count(), 2);

  for (const char* domain : {"refused.lab.example", "wrong-id.lab.example", "silent.lab.example", "none.example"}) {
    try {
      ResolveMXRecord(std::string("a@") + domain, 150, servers, dns.Port());
      ADD_FAILURE() << domain;
    } catch (const ECrashSocketError& e) {
      EXPECT_EQ(e.Message(), std::string("Cannot resolve the \"") + domain + "\" MX record.");
    }
  }
}

}  // namespace
}  // namespace lab
