#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/auxv.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "crashreport/codec/file_utils.h"
#include "crashreport/report/system_utils.h"
#include "crashreport/codec/text_utils.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/string_list.h"
#include "test_files.h"

namespace lab {
namespace {

using testing::Scratch;

void WriteFile(const std::string& name, const std::string& text) { std::ofstream(name) << text; }

TEST(TextUtils, SearchReplaceAndPadding) {
  EXPECT_EQ(PosFrom("b", "abcabc", 1), 2);
  EXPECT_EQ(PosFrom("b", "abcabc", 3), 5);
  EXPECT_EQ(PosFrom("b", "abcabc", 6), 0);
  EXPECT_EQ(PosFrom("x", "abc", 1), 0);
  EXPECT_EQ(ReplaceAllText("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceAllText("a.b.c", ".", "::"), "a::b::c");
  EXPECT_EQ(ReplaceAllText("Aa", "a", "x"), "Ax");
  EXPECT_EQ(ReplaceAllText("abc", "", "x"), "abc");
  EXPECT_EQ(PadRight("ab", 4), "ab  ");
  EXPECT_EQ(PadRight("abcdef", 4), "abcdef");
  EXPECT_EQ(PadRight("\xC3\xA9t\xC3\xA9", 4), "\xC3\xA9t\xC3\xA9 ");  // counted in characters
  EXPECT_EQ(IfThenStr(true, "x"), "x");
  EXPECT_EQ(IfThenStr(false, "x"), "");
}

TEST(TextUtils, SplitSingleLineAndHtml) {
  TStringList list;
  list.Add("kept");
  SplitToStrings(";,", ";; a.txt ; b.txt,,c.txt ;  ", &list);
  EXPECT_EQ(list.Text(), "kept\r\na.txt\r\nb.txt\r\n\r\nc.txt\r\n");
  list.Clear();
  SplitToStrings(";", "one", &list);
  EXPECT_EQ(list.Text(), "one\r\n");
  list.Clear();
  SplitToStrings(";", ";;;", &list);
  EXPECT_EQ(list.Count(), 0);

  EXPECT_EQ(MakeSingleLine("a\r\nb\tc\x01"), "a b c ");
  EXPECT_EQ(HTMLEncode("   "), "&nbsp;&nbsp; ");
  EXPECT_EQ(HTMLEncode("<a href=\"x\">Tom's & Jerry's</a>"),
            "&lt;a href=&quot;x&quot;&gt;Tom&#039;s &amp; Jerry&#039;s&lt;/a&gt;");
  EXPECT_EQ(HTMLEncode("a\r\nb"), "a<br>\r\nb");
  EXPECT_EQ(HTMLEncode("&lt;"), "&amp;lt;");
}

TEST(FileUtils, WriteAndReadTestsLeaveNoTraces) {
  const std::string dir = Scratch("file_tests");
  const std::string fresh = dir + "/fresh.clf";
  EXPECT_TRUE(FileCanWrite(fresh));
  EXPECT_FALSE(FileCanRead(fresh));  // the test file was removed again
  struct stat st;
  EXPECT_NE(::stat(fresh.c_str(), &st), 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir));
  EXPECT_FALSE(FileCanWrite(dir + "/missing/fresh.clf"));
  EXPECT_FALSE(FileCanWrite(dir + "/" + std::string(NAME_MAX + 1, 'x')));

  const std::string kept = dir + "/kept.clf";
  WriteFile(kept, "data");
  EXPECT_TRUE(FileCanWrite(kept));
  EXPECT_TRUE(FileCanRead(kept));
  std::ifstream in(kept);
  std::string text;
  in >> text;
  EXPECT_EQ(text, "data");

  // A file standing where a folder should be, and a folder standing where a file should be.
  EXPECT_FALSE(FileCanWrite(kept + "/inner.clf"));
  EXPECT_FALSE(FileCanWrite(dir));
  EXPECT_FALSE(FileCanRead(dir));
  EXPECT_TRUE(IsFolder(dir));
  EXPECT_FALSE(IsFolder(kept));
  EXPECT_FALSE(IsFolder(dir + "/missing"));
  EXPECT_FALSE(ForceFolders(kept + "/sub"));
  EXPECT_TRUE(ForceFolders(dir + "/a/b/c/"));
  EXPECT_TRUE(IsFolder(dir + "/a/b/c"));
}

TEST(FileUtils, ModifiedDateIsLocalWithEvenSeconds) {
  const std::string dir = Scratch("modified");
  WriteFile(dir + "/f", "x");
  const timespec times[2] = {{1700000001, 0}, {1700000001, 0}};  // 2023-11-14 22:13:21 UTC
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir + "/f").c_str(), times, 0), 0);
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  ::setenv("TZ", "IST-5:30", 1);
  ::tzset();
  EXPECT_DOUBLE_EQ(GetFileModifiedDate(dir + "/f"), EncodeDate(2023, 11, 15) + EncodeTime(3, 43, 20, 0));
  ::setenv("TZ", "UTC0", 1);
  ::tzset();
  EXPECT_DOUBLE_EQ(GetFileModifiedDate(dir + "/f"), EncodeDate(2023, 11, 14) + EncodeTime(22, 13, 20, 0));
  EXPECT_EQ(GetFileModifiedDate(dir + "/missing"), 0);
  if (old) ::setenv("TZ", saved.c_str(), 1); else ::unsetenv("TZ");
  ::tzset();
}

// The lock is held through an open file description of its own, as another process would hold it.
class THeldLock {
 public:
  explicit THeldLock(const std::string& name) : fd_(::open(name.c_str(), O_RDWR | O_CLOEXEC)) {
    locked_ = fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
  }
  ~THeldLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  THeldLock(const THeldLock&) = delete;
  THeldLock& operator=(const THeldLock&) = delete;
  bool Locked() const { return locked_; }

 private:
  int fd_;
  bool locked_ = false;
};

TEST(FileUtils, ReplaceUnderALockNeverLetGoFailsAndKeepsTheFile) {
  const std::string name = Scratch("replace_held") + "/app.clf";
  WriteFile(name, "old");
  THeldLock held(name);
  ASSERT_TRUE(held.Locked());
  bool changed = false;
  try {
    ReplaceFileLocked(name, [&](std::string) { return changed = true, std::string("new"); },
                      std::chrono::milliseconds(30));
    ADD_FAILURE() << "the save went through while the lock was held";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot lock file \"" + name + "\". Another process holds it.");
  }
  EXPECT_FALSE(changed);
  EXPECT_EQ(testing::ReadAll(name), "old");
}

TEST(FileUtils, ReplaceWaitingForALockSavesIntoTheFileThatReplacedTheLockedOne) {
  const std::string dir = Scratch("replace_waiting");
  const std::string name = dir + "/app.clf";
  WriteFile(name, "A");
  auto held = std::make_unique<THeldLock>(name);
  ASSERT_TRUE(held->Locked());
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    held.reset();  // the child's copy of the locked file; the lock stays with the parent's
    int code = 0;
    try {
      ReplaceFileLocked(name, [](std::string now) { return now + "+child"; }, std::chrono::minutes(5));
    } catch (...) {
      code = 1;
    }
    ::_exit(code);
  }
  // Another save replaces the file the child may be waiting on, then lets go of the old one's lock.
  WriteFile(dir + "/saved", "B");
  ASSERT_EQ(::rename((dir + "/saved").c_str(), name.c_str()), 0);
  held.reset();
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  EXPECT_EQ(testing::ReadAll(name), "B+child");
}

TEST(FileUtils, PathPiecesAndPrivateTempFolder) {
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/var/log"), "/var/log/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/var/log/"), "/var/log/");
  EXPECT_EQ(ExtractFilePath("/opt/app/prog"), "/opt/app/");
  EXPECT_EQ(ExtractFilePath("prog"), "");
  EXPECT_EQ(ExtractFileName("/opt/app/prog.bin"), "prog.bin");
  EXPECT_EQ(ExtractFileExt("/opt/app.d/prog"), "");
  EXPECT_EQ(ExtractFileExt("/opt/app/My.CLF"), ".CLF");
  EXPECT_EQ(ChangeFileExt("/opt/app.d/prog", ".clf"), "/opt/app.d/prog.clf");
  EXPECT_EQ(ChangeFileExt("/opt/app/prog.tar.gz", ".tgz"), "/opt/app/prog.tar.tgz");

  const std::string tmp = GetTempFolder();
  ASSERT_FALSE(tmp.empty());
  EXPECT_EQ(tmp.back(), '/');
  struct stat st;
  ASSERT_EQ(::lstat(tmp.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  // An open folder of that name is not used.
  const std::string dir = Scratch("open_tmp");
  ::setenv("TMPDIR", dir.c_str(), 1);
  ::mkdir((dir + "/crashlog-" + std::to_string(::getuid())).c_str(), 0777);
  ::chmod((dir + "/crashlog-" + std::to_string(::getuid())).c_str(), 0777);
  EXPECT_EQ(GetTempFolder(), "");
  ::unsetenv("TMPDIR");
}

TEST(SystemUtils, TimeZoneOffsetsKeepTheirMinutes) {
  EXPECT_EQ(FormatUTCOffset(330), "+0530");
  EXPECT_EQ(FormatUTCOffset(-300), "-0500");
  EXPECT_EQ(FormatUTCOffset(0), "+0000");
  EXPECT_EQ(FormatUTCOffset(-210), "-0330");
  EXPECT_EQ(FormatUTCOffset(765), "+1245");

  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  ::setenv("TZ", "IST-5:30", 1);
  ::tzset();
  EXPECT_EQ(GetUTCOffsetMinutes(), 330);
  EXPECT_EQ(GetUTCOffsetHours(), 6);  // 5.5 to the nearest even hour
  EXPECT_EQ(FormatUTCOffset(GetUTCOffsetMinutes()), "+0530");
  ::setenv("TZ", "XST+3:30", 1);
  ::tzset();
  EXPECT_EQ(GetUTCOffsetMinutes(), -210);
  EXPECT_EQ(GetUTCOffsetHours(), -4);
  ::setenv("TZ", "UTC0", 1);
  ::tzset();
  EXPECT_EQ(GetUTCOffsetHours(), 0);
  if (old) ::setenv("TZ", saved.c_str(), 1); else ::unsetenv("TZ");
  ::tzset();
}

TEST(SystemUtils, ModuleAndComputerNames) {
  char exe[4096] = {};
  ASSERT_GT(::readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
  EXPECT_EQ(GetModuleFullName(nullptr), exe);
  EXPECT_EQ(GetModuleFullName(reinterpret_cast<const void*>(&Scratch)), exe);
  const std::string libc = GetModuleFullName(::dlsym(RTLD_DEFAULT, "getpid"));
  EXPECT_EQ(libc[0], '/');
  EXPECT_NE(libc.find("libc.so"), std::string::npos) << libc;
  int on_heap = 0;
  auto* heap = new int(0);
  EXPECT_EQ(GetModuleFullName(heap), "");
  EXPECT_FALSE(IsValidModule(&on_heap));
  delete heap;

  char host[256] = {};
  ::gethostname(host, sizeof host - 1);
  EXPECT_EQ(GetComputerNameText(), host);
  EXPECT_FALSE(IsRunningInIDE());
  EXPECT_EQ(ReadRegistryString(0, "\\Software\\Any", "Value"), "");
}

// The load address of the module holding an address, as dladdr gives it: the program, a library, the
// kernel's vDSO; nothing for the heap or a null pointer.
TEST(SystemUtils, ModuleBasesAreThoseDladdrGives) {
  const auto base_by_dladdr = [](const void* Address) -> const void* {
    Dl_info info{};
    return ::dladdr(Address, &info) ? info.dli_fbase : nullptr;
  };
  const auto vdso = reinterpret_cast<const char*>(::getauxval(AT_SYSINFO_EHDR));
  std::vector<const void*> addresses = {reinterpret_cast<const void*>(&Scratch), ::dlsym(RTLD_DEFAULT, "getpid")};
  if (vdso) addresses.insert(addresses.end(), {vdso, vdso + 100});
  for (const void* address : addresses) {
    EXPECT_NE(GetModuleBase(address), nullptr) << address;
    EXPECT_EQ(GetModuleBase(address), base_by_dladdr(address)) << address;
  }
  EXPECT_EQ(GetModuleBase(reinterpret_cast<const void*>(&Scratch)), RunningModuleBase());
  const auto heap = std::make_unique<int>(0);
  EXPECT_EQ(GetModuleBase(heap.get()), nullptr);
  EXPECT_EQ(GetModuleBase(nullptr), nullptr);
}

TEST(SystemUtils, DebuggerTestSeesATracer) {
  EXPECT_FALSE(IsDebuggerAttached());
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Traced by the parent from here on.
    if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) ::_exit(2);
    ::_exit(IsDebuggerAttached() ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "tracing is not permitted here";
  EXPECT_EQ(WEXITSTATUS(status), 1);
}

}  // namespace
}  // namespace lab
