// A report mailed by SMTP to a server on this machine: SendMailSMTP of a report of 12 KB in the
// message's text with a 40 KB attachment, to a server on 127.0.0.1 that answers each command at
// once, with replies as real servers give them (a greeting and an EHLO answer of several lines).
// Goal: a report mailed to a local server within 100 ms.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "crashreport/send/smtp_mail.h"
#include "platform/rtl/string_list.h"

namespace {

// An SMTP server that takes one connection after another, each on a thread of its own, and
// answers every command as soon as its line has arrived.
class TLocalServer {
 public:
  TLocalServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), size);
    ::listen(listener_, 16);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    std::thread([this] {
      for (int peer; (peer = ::accept(listener_, nullptr, nullptr)) >= 0;) std::thread(Serve, peer).detach();
    }).detach();
  }
  std::uint16_t Port() const { return port_; }

 private:
  static void Say(int Peer, const std::string& Text) { ::send(Peer, Text.data(), Text.size(), MSG_NOSIGNAL); }

  static void Serve(int Peer) {
    Say(Peer, "220-mail.lab.example ESMTP\r\n220 ready\r\n");
    std::string pending;
    bool data = false;
    char buffer[65536];
    for (ssize_t n; (n = ::recv(Peer, buffer, sizeof buffer, 0)) > 0;) {
      pending.append(buffer, static_cast<std::size_t>(n));
      for (std::size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
        const std::string line = pending.substr(0, end);
        pending.erase(0, end + 2);
        if (data) {
          if (line == ".") {
            data = false;
            Say(Peer, "250 2.0.0 queued\r\n");
          }
        } else if (line.starts_with("EHLO")) {
          Say(Peer, "250-mail.lab.example\r\n250-8BITMIME\r\n250 AUTH LOGIN\r\n");
        } else if (line == "DATA") {
          data = true;
          Say(Peer, "354 end with .\r\n");
        } else if (line == "QUIT") {
          Say(Peer, "221 bye\r\n");
        } else {
          Say(Peer, "250 ok\r\n");
        }
      }
    }
    ::close(Peer);
  }

  int listener_ = -1;
  std::uint16_t port_ = 0;
};

void BM_MailToALocalServer(benchmark::State& state) {
  static TLocalServer server;
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "lab-bench-mail";
  std::filesystem::create_directories(folder);
  const std::string attachment = (folder / "device.log").string();
  std::string data;
  for (int i = 0; i < 40 * 1024; ++i) data += static_cast<char>(i * 31 % 256);
  std::ofstream(attachment, std::ios::binary) << data;
  lab::TStringList paths, names;
  paths.Add(attachment);
  names.Add("device.log");
  std::string report;
  while (report.size() < 12 * 1024) report += "|00005555555551A9|lab_showcase|main.cpp    |TForm1    |Button1Click|42[3] |\r\n";
  for (auto _ : state) {
    if (!lab::SendMailSMTP("reports@lab.example", "127.0.0.1", server.Port(), "", "", "support@lab.example",
                           "Crash report", report, paths, names, nullptr))
      state.SkipWithError("the mail was not sent");
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_MailToALocalServer)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
