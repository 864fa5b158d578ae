#include "crashreport/send/web_upload.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#include "crashreport/codec/base64.h"
#include "loopback_server.h"
#include "platform/rtl/string_list.h"

namespace lab {
namespace {

using test::ReadWholeFile;
using test::TFilesToSend;
using test::TLoopbackServer;
using test::TScriptedPeer;

struct TProgressStep {
  int stage, total, position;
  bool operator==(const TProgressStep&) const = default;
};

std::string Binary(int Size, int Seed) {
  std::string data;
  for (int i = 0; i < Size; ++i) data += static_cast<char>((i * Seed + i / 7) % 256);
  return data;
}

TEST(CrashWebUpload, AddressesSplitIntoTheirParts) {
  struct Case {
    const char* url;
    bool valid;
    const char *protocol, *user, *password, *host, *document;
    int port;
  };
  const std::vector<Case> cases = {
      {"http://lab.example:8080", true, "http", "", "", "lab.example", "", 8080},
      {"  https://user:pw@upload.lab.example/cgi/report.php  ", true, "https", "user", "pw", "upload.lab.example",
       "cgi/report.php", 0},
      {"ftp://lab.example/reports/", true, "ftp", "", "", "lab.example", "reports", 0},
      {"http://lab.example/upload/2024", true, "http", "", "", "lab.example", "upload/2024", 0},
      {"lab.example/x", true, "", "", "", "lab.example", "x", 0},
      {"http://lab.example/upload:99999", false, "", "", "", "", "", 0},
  };
  for (const Case& c : cases) {
    std::string protocol, user, document, host, password;
    std::uint16_t port = 1;
    EXPECT_EQ(ParseURL(c.url, protocol, user, port, document, host, password), c.valid) << c.url;
    if (!c.valid) continue;
    EXPECT_EQ(protocol, c.protocol) << c.url;
    EXPECT_EQ(user, c.user) << c.url;
    EXPECT_EQ(password, c.password) << c.url;
    EXPECT_EQ(host, c.host) << c.url;
    EXPECT_EQ(document, c.document) << c.url;
    EXPECT_EQ(port, c.port) << c.url;
  }
}

TEST(CrashWebUpload, AMissingFileLeavesAGapInThePartNumbers) {
  TFilesToSend files;
  files.Add("gone.txt", "", false);
  files.Add("log.clf", "report\r\ntext");
  TStringList names, values;
  names.Add("product");
  names.Add("unpaired");
  values.Add("Lab");
  std::string body;
  BuildMultipartBody(files.paths, files.names, names, body, "BOUNDARY", values);
  EXPECT_EQ(body,
            "--BOUNDARY\r\nContent-Disposition: form-data; name=\"product\";\r\n\r\nLab\r\n"
            "--BOUNDARY\r\nContent-Disposition: form-data; name=\"cr_upload_file_1\"; filename=\"log.clf\";\r\n"
            "Content-Type: application/octet-stream\r\n\r\nreport\r\ntext\r\n--BOUNDARY--\r\n");
  const std::string boundary = MakeMultipartBoundary();
  EXPECT_EQ(boundary.size(), 39u);
  EXPECT_EQ(boundary.find_first_not_of('-'), 27u);
  EXPECT_EQ(boundary.find_first_not_of("0123456789abcdefABCDEF", 27), std::string::npos);
}

TEST(CrashWebUpload, AFormArrivesByteExactOverHTTP) {
  TLoopbackServer server("http");
  TFilesToSend files;
  files.Add("report.clf", Binary(3000, 13));
  files.Add("missing.png", "", false);
  files.Add("Screenshot.png", Binary(700, 31));
  TStringList names, values;
  names.Add("version");
  values.Add("1.0 \xC3\xA4");
  std::vector<TProgressStep> progress;
  std::string error = "stale";
  const int result =
      HttpUploadFiles("127.0.0.1", "upload/report.php", "web user", "secret", server.Port(), false, files.paths,
                      files.names, names, values,
                      [&](std::uint8_t Stage, std::int32_t Total, std::int32_t Position) {
                        progress.push_back({Stage, Total, Position});
                      },
                      error);
  ASSERT_EQ(result, 0) << error;
  EXPECT_EQ(error, "");
  ASSERT_EQ(server.Count(), 1);
  const std::string request = server.Read(1, "request.txt");
  EXPECT_TRUE(request.starts_with("POST /upload/report.php HTTP/1.1\n")) << request;
  EXPECT_NE(request.find("Authorization: Basic " + Base64EncodeStr("web user:secret") + "\n"), std::string::npos);
  EXPECT_NE(request.find("User-Agent: CrashLog\n"), std::string::npos);
  const std::size_t at = request.find("boundary=");
  ASSERT_NE(at, std::string::npos);
  const std::string boundary = request.substr(at + 9, request.find('\n', at) - at - 9);
  std::string body;
  BuildMultipartBody(files.paths, files.names, names, body, boundary, values);
  EXPECT_EQ(server.Read(1, "body.bin"), body);
  EXPECT_EQ(server.Read(1, "field-version"), "1.0 \xC3\xA4");
  EXPECT_EQ(server.Read(1, "file-report.clf"), Binary(3000, 13));
  EXPECT_EQ(server.Read(1, "file-Screenshot.png"), Binary(700, 31));

  // Before connecting, connected, then after each 1024 bytes and the rest.
  const int total = static_cast<int>(body.size());
  std::vector<TProgressStep> expected = {{0, total, 0}, {1, total, 0}};
  for (int sent = 1024; sent < total; sent += 1024) expected.push_back({2, total, sent});
  expected.push_back({2, total, total});
  EXPECT_EQ(progress, expected);
}

// An HTTP server that takes the request, then sends its answer a byte every 100 ms for 2 s and ends.
void TrickleTheAnswer(int Socket) {
  std::string request;
  char buffer[4096];
  while (!request.ends_with("--\r\n")) {
    const ssize_t n = ::recv(Socket, buffer, sizeof buffer, 0);
    if (n <= 0) return;
    request.append(buffer, static_cast<std::size_t>(n));
  }
  TScriptedPeer::Send(Socket, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n");
  for (int i = 0; i < 20; ++i) {
    TScriptedPeer::Send(Socket, "x");
    TScriptedPeer::Pause(100);
  }
  ::shutdown(Socket, SHUT_WR);
}

// Each way an upload ends: its result, its error text, and where the file arrived.
TEST(CrashWebUpload, EachOutcomeOfAnUpload) {
  enum TServer { kHttp, kFtp, kNone, kTrickling };
  struct Case {
    const char* what;
    TServer server;
    const char* place;  // the document, or the FTP folder
    const char* password;
    bool files;
    int result;
    const char* error;    // the error text holds it
    const char* arrived;  // HTTP: the request's first line; FTP: the file's path in the server's folder
  };
  const std::vector<Case> cases = {
      {"redirected", kHttp, "status/302", "", true, 302, "Found", "POST /status/302 HTTP/1.1"},
      {"any 2xx", kHttp, "status/201", "", true, 0, "", "POST /status/201 HTTP/1.1"},
      {"a document named with a blank and an accent", kHttp, "up load/r\xC3\xA9port.php", "", true, 0, "",
       "POST /up%20load/r%C3%A9port.php HTTP/1.1"},
      {"an address already escaped", kHttp, "up%20load/report.php?id=7", "", true, 0, "",
       "POST /up%20load/report.php?id=7 HTTP/1.1"},
      {"nothing listens", kNone, "", "", true, 12029, "", nullptr},
      {"an answer that trickles", kTrickling, "", "", true, 12002, "The request has timed out.", nullptr},
      {"FTP without a folder", kFtp, "", "ftp secret", true, 0, "", "two file.png"},
      {"FTP to a folder named with a blank", kFtp, "in box", "ftp secret", true, 0, "", "in box/two file.png"},
      {"FTP with a wrong password", kFtp, "", "wrong", true, 12015, "530", nullptr},
      {"FTP without files", kFtp, "", "wrong", false, 0, "", nullptr},
  };
  TLoopbackServer http("http");
  TLoopbackServer ftp("ftp", {"lab", "ftp secret"});
  std::filesystem::create_directories(ftp.Folder() / "in box");
  TFilesToSend files;
  files.Add("two file.png", Binary(100, 5));
  const TStringList none;
  for (const Case& c : cases) {
    std::optional<TScriptedPeer> trickling;
    if (c.server == kTrickling) trickling.emplace(&TrickleTheAnswer);
    const std::uint16_t port = c.server == kHttp ? http.Port() : c.server == kFtp ? ftp.Port()
                               : c.server == kTrickling ? trickling->Port() : 1;
    const TStringList& paths = c.files ? files.paths : none;
    const TStringList& names = c.files ? files.names : none;
    const int requests = http.Count();
    std::string error = "stale";
    const int result =
        c.server == kFtp
            ? FtpUploadFiles("127.0.0.1", c.place, "lab", c.password, port, paths, names, nullptr, error,
                             std::chrono::milliseconds(500))
            : HttpUploadFiles("127.0.0.1", c.place, "", c.password, port, false, paths, names, none, none, nullptr,
                              error, std::chrono::milliseconds(500));
    EXPECT_EQ(result, c.result) << c.what << ": " << error;
    if (c.result != 0) {
      EXPECT_NE(error, "") << c.what;
      EXPECT_NE(error.find(c.error), std::string::npos) << c.what << ": " << error;
    } else {
      EXPECT_EQ(error, "") << c.what;
    }
    if (!c.arrived) continue;
    if (c.server == kFtp) {
      EXPECT_EQ(ReadWholeFile(ftp.Folder() / c.arrived), Binary(100, 5)) << c.what;
    } else {
      ASSERT_EQ(http.Count(), requests + 1) << c.what;
      const std::string request = http.Read(http.Count(), "request.txt");
      EXPECT_TRUE(request.starts_with(std::string(c.arrived) + "\n")) << c.what << ": " << request;
      EXPECT_EQ(request.find("Authorization"), std::string::npos) << c.what;
      EXPECT_EQ(http.Read(http.Count(), "file-two file.png"), Binary(100, 5)) << c.what;
    }
  }
  EXPECT_EQ(GetInternetErrorText(12029), "The attempt to connect to the server failed.");
  EXPECT_EQ(GetInternetErrorText(12171), "The function failed due to a security check.");
  EXPECT_EQ(GetInternetErrorText(302), "");
}

TEST(CrashWebUpload, HTTPSChecksTheServersCertificate) {
  TFilesToSend files;
  const std::string cert = (files.Folder() / "cert.pem").string();
  const std::string key = (files.Folder() / "key.pem").string();
  const std::string command = "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost -addext "
                              "subjectAltName=IP:127.0.0.1,DNS:localhost -keyout " + key + " -out " + cert +
                              " > /dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  TLoopbackServer server("https", {cert, key});
  files.Add("report.clf", Binary(5000, 7));
  const TStringList none;
  std::string error;
  // A certificate no authority signed is refused.
  EXPECT_EQ(HttpUploadFiles("127.0.0.1", "up", "", "", server.Port(), true, files.paths, files.names, none, none,
                            nullptr, error),
            12045);
  EXPECT_NE(error, "");
  EXPECT_EQ(server.Count(), 0);
  // Trusted through SSL_CERT_FILE.
  ::setenv("SSL_CERT_FILE", cert.c_str(), 1);
  const int result = HttpUploadFiles("127.0.0.1", "up", "", "", server.Port(), true, files.paths, files.names, none,
                                     none, nullptr, error);
  ::unsetenv("SSL_CERT_FILE");
  ASSERT_EQ(result, 0) << error;
  EXPECT_EQ(server.Read(1, "file-report.clf"), Binary(5000, 7));
}

TEST(CrashWebUpload, FTPStoresEachFileInTheFolderWithItsProgress) {
  TLoopbackServer server("ftp", {"lab", "ftp secret"});
  std::filesystem::create_directories(server.Folder() / "reports" / "in");
  TFilesToSend files;
  files.Add("one.clf", Binary(2500, 3));
  files.Add("none.txt", "", false);
  files.Add("two file.png", Binary(100, 5));
  files.names.SetStrings(0, "/elsewhere/one_20240131.clf");  // only the file part counts
  std::vector<TProgressStep> progress;
  std::string error;
  const auto record = [&](std::uint8_t Stage, std::int32_t Total, std::int32_t Position) {
    progress.push_back({Stage, Total, Position});
  };
  ASSERT_EQ(FtpUploadFiles("127.0.0.1", "reports/in", "lab", "ftp secret", server.Port(), files.paths, files.names,
                           record, error),
            0)
      << error;
  EXPECT_EQ(ReadWholeFile(server.Folder() / "reports/in/one_20240131.clf"), Binary(2500, 3));
  EXPECT_EQ(ReadWholeFile(server.Folder() / "reports/in/two file.png"), Binary(100, 5));
  ASSERT_GE(progress.size(), 3u);
  EXPECT_EQ(progress[0], (TProgressStep{0, 2600, 0}));
  EXPECT_EQ(progress[1], (TProgressStep{1, 2600, 0}));
  EXPECT_EQ(progress[2], (TProgressStep{2, 2600, 1024}));
  EXPECT_EQ(progress.back(), (TProgressStep{2, 2600, 2600}));
}

}  // namespace
}  // namespace lab
