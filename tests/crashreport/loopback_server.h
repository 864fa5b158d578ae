#pragma once
// Peers on 127.0.0.1 for the sending tests: the Python servers of tests/data/crashreport/
// loopback_servers.py (SMTP, DNS, HTTP, HTTPS, FTP), which file what they receive in a folder of
// their own, a scripted TCP peer in the test itself for the socket's own behaviour, a desktop mail
// program of the test's own, the files a test sends and the archives that come back.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "crashreport/codec/tar_gzip.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/string_list.h"

namespace lab::test {

inline std::string ReadWholeFile(const std::filesystem::path& Path) {
  std::ifstream in(Path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Files to send, in a folder of their own, and the lists that name them: where each is, and the
// name it is sent under (its own, until the test sets another).
class TFilesToSend {
 public:
  TFilesToSend() {
    char pattern[] = "/tmp/lab-send-files-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp");
    folder_ = pattern;
  }
  TFilesToSend(const TFilesToSend&) = delete;
  TFilesToSend& operator=(const TFilesToSend&) = delete;
  ~TFilesToSend() { std::filesystem::remove_all(folder_); }
  // Without Exists the file is listed but not there.
  void Add(const std::string& Name, const std::string& Data, bool Exists = true) {
    const std::string path = (folder_ / Name).string();
    if (Exists) std::ofstream(path, std::ios::binary) << Data;
    paths.Add(path);
    names.Add(Name);
  }
  const std::filesystem::path& Folder() const { return folder_; }
  TStringList paths, names;

 private:
  std::filesystem::path folder_;
};

// The tar data of a gzip-packed archive (EZLibError when Gzip is none).
inline std::string Unpacked(const std::string& Gzip) {
  TStringStream in(Gzip);
  TMemoryStream tar;
  GZipDecompressStream(&in, &tar);
  return {static_cast<const char*>(tar.Memory()), static_cast<std::size_t>(tar.Size())};
}

// The tar data of each archive ("*.tgz") in Folder.
inline std::vector<std::string> KeptArchives(const std::filesystem::path& Folder) {
  std::vector<std::string> archives;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(Folder, error))
    if (entry.path().extension() == ".tgz") archives.push_back(Unpacked(ReadWholeFile(entry.path())));
  return archives;
}

// A Python server started for one test and stopped (its standard input closed) when it goes.
class TLoopbackServer {
 public:
  TLoopbackServer(const std::string& Kind, const std::vector<std::string>& Args = {}) {
    char pattern[] = "/tmp/lab-loopback-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp");
    folder_ = pattern;
    int to_child[2], from_child[2];
    if (::pipe2(to_child, O_CLOEXEC) != 0 || ::pipe2(from_child, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, to_child[0], 0);
    posix_spawn_file_actions_adddup2(&actions, from_child[1], 1);
    std::vector<std::string> argv_text = {"/usr/bin/python3", LAB_TEST_DATA_DIR "/crashreport/loopback_servers.py",
                                          Kind, folder_.string()};
    argv_text.insert(argv_text.end(), Args.begin(), Args.end());
    std::vector<char*> argv;
    for (auto& a : argv_text) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(to_child[0]);
    ::close(from_child[1]);
    input_ = to_child[1];
    if (rc != 0) throw std::runtime_error("posix_spawn");
    std::string line;
    pollfd fd{from_child[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && ::poll(&fd, 1, 20000) > 0) {
      char buffer[64];
      const ssize_t n = ::read(from_child[0], buffer, sizeof buffer);
      if (n <= 0) break;
      line.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(from_child[0]);
    port_ = static_cast<std::uint16_t>(std::atoi(line.c_str()));
    if (port_ == 0) throw std::runtime_error("the " + Kind + " server did not start");
  }
  ~TLoopbackServer() {
    ::close(input_);
    int status = 0;
    if (::waitpid(pid_, &status, 0) < 0) ::kill(pid_, SIGKILL);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  TLoopbackServer(const TLoopbackServer&) = delete;
  TLoopbackServer& operator=(const TLoopbackServer&) = delete;

  std::uint16_t Port() const { return port_; }
  const std::filesystem::path& Folder() const { return folder_; }
  // What the server filed for its Number-th message or request (from 1).
  std::string Read(int Number, const std::string& File) const {
    return ReadWholeFile(folder_ / std::to_string(Number) / File);
  }
  int Count() const {
    int count = 0;
    while (std::filesystem::exists(folder_ / std::to_string(count + 1))) ++count;
    return count;
  }

 private:
  std::filesystem::path folder_;
  pid_t pid_ = 0;
  int input_ = -1;
  std::uint16_t port_ = 0;
};

// An xdg-email of the test's own first on PATH: it writes its arguments, one a line, to args.txt and
// ends with the exit code in exit.txt.
class TFakeMailProgram {
 public:
  TFakeMailProgram() : path_(std::getenv("PATH") ? std::getenv("PATH") : "") {
    char pattern[] = "/tmp/lab-xdg-email-XXXXXX";
    folder_ = ::mkdtemp(pattern);
    const std::string script = (folder_ / "xdg-email").string();
    std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << Args()
                          << "'\nexit $(cat '" << (folder_ / "exit.txt").string() << "')\n";
    ::chmod(script.c_str(), 0755);
    SetExitCode(0);
    ::setenv("PATH", (folder_.string() + ":" + path_).c_str(), 1);
  }
  ~TFakeMailProgram() {
    ::setenv("PATH", path_.c_str(), 1);
    std::filesystem::remove_all(folder_);
  }
  void SetExitCode(int Code) { std::ofstream((folder_ / "exit.txt").string()) << Code; }
  std::string Args() const { return (folder_ / "args.txt").string(); }
  // Only the fake's folder on PATH, without the program in it.
  void Remove() {
    std::filesystem::remove(folder_ / "xdg-email");
    ::setenv("PATH", folder_.c_str(), 1);
  }

 private:
  std::string path_;
  std::filesystem::path folder_;
};

// A TCP peer that accepts one connection and runs Script on it, keeping what the client sent.
class TScriptedPeer {
 public:
  using TScript = std::function<void(int Socket)>;
  explicit TScriptedPeer(TScript Script) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(listener_, 1) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
      throw std::runtime_error("listen");
    port_ = ntohs(address.sin_port);
    if (::pipe2(stop_, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    thread_ = std::thread([this, Script] {
      pollfd fds[2] = {{listener_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
      if (::poll(fds, 2, 20000) <= 0 || fds[1].revents != 0) return;
      const int peer = ::accept(listener_, nullptr, nullptr);
      if (peer < 0) return;
      Script(peer);
      // Whatever else comes, until the client closes or goes quiet.
      pollfd in{peer, POLLIN, 0};
      char buffer[4096];
      while (::poll(&in, 1, 3000) > 0) {
        const ssize_t n = ::recv(peer, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        received_.append(buffer, static_cast<std::size_t>(n));
      }
      ::close(peer);
    });
  }
  ~TScriptedPeer() {
    ::close(stop_[1]);  // a peer never connected to stops waiting
    if (thread_.joinable()) thread_.join();
    ::close(stop_[0]);
    ::close(listener_);
  }
  TScriptedPeer(const TScriptedPeer&) = delete;
  TScriptedPeer& operator=(const TScriptedPeer&) = delete;

  std::uint16_t Port() const { return port_; }
  // Everything the client sent; waits for the peer to finish.
  const std::string& Received() {
    if (thread_.joinable()) thread_.join();
    return received_;
  }

  static void Send(int Socket, const std::string& Text) { ::send(Socket, Text.data(), Text.size(), MSG_NOSIGNAL); }
  static void Pause(int Ms) { std::this_thread::sleep_for(std::chrono::milliseconds(Ms)); }

 private:
  int listener_ = -1;
  int stop_[2] = {-1, -1};
  std::uint16_t port_ = 0;
  std::thread thread_;
  std::string received_;
};

}  // namespace lab::test
