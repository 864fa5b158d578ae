#pragma once
// Files, folders, environment and shell commands for the crash reporter's tests.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace lab::testing {

// A fresh, empty folder under the build tree for one test.
inline std::string Scratch(const std::string& name) {
  const std::string folder = std::string(LAB_BUILD_DIR) + "/scratch/" + name;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

inline std::string ReadAll(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const std::string& name, const std::string& data) {
  std::ofstream(name, std::ios::binary) << data;
}

// Compares a text with a golden file of tests/data/crashreport; a difference leaves the text made
// beside the build for a look.
inline void ExpectGolden(const std::string& Text, const std::string& Name) {
  const std::string expected = ReadAll(std::string(LAB_TEST_DATA_DIR) + "/crashreport/" + Name);
  if (Text != expected) WriteAll(std::string(LAB_BUILD_DIR) + "/" + Name, Text);
  EXPECT_EQ(Text, expected) << "the text made is in " << LAB_BUILD_DIR << "/" << Name;
}

// Runs a shell command; answers its exit code and, in output, what it printed.
inline int Shell(const std::string& command, std::string* output = nullptr) {
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buffer[512];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  const int status = ::pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Sets an environment variable for one test and puts the old value back.
class TEnv {
 public:
  TEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    if (value) ::setenv(name, value, 1); else ::unsetenv(name);
  }
  ~TEnv() {
    if (had_) ::setenv(name_, old_.c_str(), 1); else ::unsetenv(name_);
  }
  TEnv(const TEnv&) = delete;
  TEnv& operator=(const TEnv&) = delete;

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

}  // namespace lab::testing
