#include "crashreport/codec/file_utils.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

bool FileCanWrite(const std::string& Name) {
  int fd = ::open(Name.c_str(), O_RDWR | O_CLOEXEC);
  if (fd >= 0) {
    ::close(fd);
    return true;
  }
  if (errno != ENOENT) return false;
  // Whether the file could be made is tried with a file of another name: one made and removed under
  // this name could take away a file another process saved there in between.
  const std::string folder = ExtractFilePath(Name);
  const std::string name = ExtractFileName(Name);
  if (name.empty() || name.size() > NAME_MAX) return false;
  std::string probe = (folder.empty() ? std::string("./") : folder) + ".crashlog-XXXXXX";
  fd = ::mkostemp(probe.data(), O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

bool FileCanRead(const std::string& Name) {
  const int fd = ::open(Name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  const bool ok = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
  ::close(fd);
  return ok;
}

bool IsFolder(const std::string& Name) {
  struct stat st;
  return ::stat(Name.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TDateTime GetFileModifiedDate(const std::string& Name) {
  struct stat st;
  if (::stat(Name.c_str(), &st) != 0) return 0;
  std::tm local{};
  if (!::localtime_r(&st.st_mtime, &local)) return 0;
  TDateTime date, time;
  if (!TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date) ||
      !TryEncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59) & ~1, 0, time))
    return 0;
  return date + time;
}

bool ForceFolders(const std::string& Folder, unsigned Mode) {
  if (Folder.empty()) return false;
  if (IsFolder(Folder)) return true;
  std::string path = Folder;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const std::size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0 && !ForceFolders(path.substr(0, slash), Mode)) return false;
  return ::mkdir(path.c_str(), Mode) == 0 || (errno == EEXIST && IsFolder(path));
}

bool WriteStandardError(std::string_view Text) noexcept {
  sigset_t pipe_signal, previous, pending;
  sigemptyset(&pipe_signal);
  sigaddset(&pipe_signal, SIGPIPE);
  ::pthread_sigmask(SIG_BLOCK, &pipe_signal, &previous);
  sigpending(&pending);
  const bool was_pending = sigismember(&pending, SIGPIPE);
  const int saved_errno = errno;
  bool whole = true, broken = false;
  for (std::size_t done = 0; done < Text.size();) {
    const ssize_t n = ::write(STDERR_FILENO, Text.data() + done, Text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      whole = false;
      broken = n < 0 && errno == EPIPE;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  // The SIGPIPE the write raised goes, not one that was waiting before it.
  if (broken && !was_pending) {
    const timespec none{};
    while (::sigtimedwait(&pipe_signal, nullptr, &none) < 0 && errno == EINTR) {
    }
  }
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  errno = saved_errno;
  return whole;
}

namespace {

class TFileHandle {
 public:
  explicit TFileHandle(int fd = -1) : fd_(fd) {}
  ~TFileHandle() { Close(); }
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;
  int Get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view Data, off_t Offset) {
  while (!Data.empty()) {
    const ssize_t n = ::pwrite(fd, Data.data(), Data.size(), Offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    Data.remove_prefix(static_cast<std::size_t>(n));
    Offset += n;
  }
  return true;
}

bool SameFile(const struct stat& A, const struct stat& B) { return A.st_dev == B.st_dev && A.st_ino == B.st_ino; }

}  // namespace

TLockedFile::TLockedFile(const std::string& FileName, bool Exclusive, bool Create, std::chrono::milliseconds LockWait) {
  using Clock = std::chrono::steady_clock;
  Clock::time_point deadline = Clock::now() + LockWait;
  const int flags = (Exclusive ? O_RDWR : O_RDONLY) | (Exclusive && Create ? O_CREAT : 0) | O_CLOEXEC;
  for (;;) {
    TFileHandle fd(::open(FileName.c_str(), flags, 0644));
    if (fd.Get() < 0) {
      if (errno == EINTR) continue;
      if (errno == ENOENT && !(flags & O_CREAT)) return;
      throw EFOpenError("Cannot open file \"%s\". %s", FileName, std::string(std::strerror(errno)));
    }
    // flock has no time-out of its own: try, and sleep a little longer each time up to a short pause.
    for (std::chrono::milliseconds pause(1); ::flock(fd.Get(), (Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0;) {
      if (errno == EINTR) continue;
      if (errno != EWOULDBLOCK)
        throw EFOpenError("Cannot lock file \"%s\". %s", FileName, std::string(std::strerror(errno)));
      const Clock::time_point now = Clock::now();
      if (now >= deadline) throw EFOpenError("Cannot lock file \"%s\". Another process holds it.", FileName);
      std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
      pause = std::min(pause * 2, std::chrono::milliseconds(16));
    }
    struct stat held, named;
    if (::fstat(fd.Get(), &held) != 0)
      throw EFOpenError("Cannot lock file \"%s\". %s", FileName, std::string(std::strerror(errno)));
    if (S_ISDIR(held.st_mode))
      throw EFOpenError("Cannot open file \"%s\". %s", FileName, std::string(std::strerror(EISDIR)));
    if (::stat(FileName.c_str(), &named) == 0 && SameFile(held, named)) {
      fd_ = fd.Release();
      return;
    }
    // Another process saved (or removed) the file while this one waited: that was progress.
    deadline = Clock::now() + LockWait;
  }
}

TLockedFile::~TLockedFile() {
  if (fd_ >= 0) ::close(fd_);  // releases the lock
}

std::string TLockedFile::ReadAll() const {
  std::string data;
  if (fd_ < 0) return data;
  char buffer[65536];
  for (off_t offset = 0;;) {
    const ssize_t n = ::pread(fd_, buffer, sizeof buffer, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EReadError("Cannot read file. %s", std::string(std::strerror(errno)));
    if (n == 0) break;
    data.append(buffer, static_cast<std::size_t>(n));
    offset += n;
  }
  return data;
}

bool ReadFileLocked(const std::string& FileName, std::string& Contents, std::chrono::milliseconds LockWait) {
  const TLockedFile file(FileName, false, false, LockWait);
  Contents = file.ReadAll();
  return file.Exists();
}

std::string RenameFileAside(const std::string& FileName, const std::string& NewName) {
  for (int n = 1; n < 1000; ++n) {
    const std::string name = n == 1 ? NewName : NewName + "." + std::to_string(n);
    if (::renameat2(AT_FDCWD, FileName.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0) return name;
    if (errno == EEXIST) continue;
    // A file system that cannot rename without replacing: a second link, then the old name goes.
    if (errno == EINVAL && ::link(FileName.c_str(), name.c_str()) == 0) {
      ::unlink(FileName.c_str());
      return name;
    }
    if (errno == EEXIST) continue;
    break;
  }
  throw EWriteError("Cannot rename file \"%s\". %s", FileName, std::string(std::strerror(errno)));
}

void ReplaceFileLocked(const std::string& FileName, const std::function<std::string(std::string)>& Change,
                       std::chrono::milliseconds LockWait) {
  const TLockedFile locked(FileName, true, true, LockWait);  // closing it releases the lock
  const std::string contents = Change(locked.ReadAll());
  struct stat info;
  const mode_t mode = ::fstat(locked.Handle(), &info) == 0 ? info.st_mode & ALLPERMS : 0644;

  std::string temporary = FileName + ".XXXXXX";
  TFileHandle out(::mkostemp(temporary.data(), O_CLOEXEC));
  if (out.Get() >= 0) {
    TScopeFail remove_new_file([&temporary] { ::unlink(temporary.c_str()); });
    if (::fchmod(out.Get(), mode) != 0 || !WriteAll(out.Get(), contents, 0) || ::fsync(out.Get()) != 0)
      throw EWriteError("Cannot write file \"%s\". %s", temporary, std::string(std::strerror(errno)));
    out.Close();
    if (::rename(temporary.c_str(), FileName.c_str()) != 0)
      throw EWriteError("Cannot replace file \"%s\". %s", FileName, std::string(std::strerror(errno)));
    return;
  }
  // No new file can be made beside it: rewrite it where it stands.
  if (!WriteAll(locked.Handle(), contents, 0) ||
      ::ftruncate(locked.Handle(), static_cast<off_t>(contents.size())) != 0)
    throw EWriteError("Cannot write file \"%s\". %s", FileName, std::string(std::strerror(errno)));
}

std::string GetEnvironmentText(const char* Name) {
  const char* value = std::getenv(Name);
  return value ? value : "";
}

std::string GetTempFolder() {
  std::string base = GetEnvironmentText("TMPDIR");
  if (base.empty() || base[0] != '/') base = "/tmp";
  const std::string folder = IncludeTrailingPathDelimiter(base) + "crashlog-" + std::to_string(::getuid());
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
  // Someone else's folder, a link or an open one would let others see or swap the files.
  struct stat st;
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
      (st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
    return {};
  return folder + "/";
}

std::string IncludeTrailingPathDelimiter(std::string_view Folder) {
  std::string s(Folder);
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}

std::string ExtractFilePath(std::string_view FileName) {
  const std::size_t slash = FileName.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(FileName.substr(0, slash + 1));
}

std::string ExtractFileName(std::string_view FileName) {
  const std::size_t slash = FileName.rfind('/');
  return std::string(slash == std::string_view::npos ? FileName : FileName.substr(slash + 1));
}

namespace {
std::size_t ExtensionStart(std::string_view FileName) {
  const std::size_t dot = FileName.rfind('.');
  const std::size_t slash = FileName.rfind('/');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return FileName.size();
  return dot;
}
}  // namespace

std::string ExtractFileExt(std::string_view FileName) {
  return std::string(FileName.substr(ExtensionStart(FileName)));
}

std::string ChangeFileExt(std::string_view FileName, std::string_view Extension) {
  std::string s(FileName.substr(0, ExtensionStart(FileName)));
  s += Extension;
  return s;
}

namespace {

// WriteFileBytes; with Moving, the file must be new and its data is on the disk before it is closed.
void WriteWholeFile(const std::string& FileName, std::string_view Data, bool Moving) {
  TFileHandle fd(::open(FileName.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (Moving ? O_EXCL : O_TRUNC), 0600));
  if (fd.Get() < 0) throw EFCreateError("Cannot create file \"%s\". %s", FileName, std::string(std::strerror(errno)));
  TScopeFail remove([&FileName] { ::unlink(FileName.c_str()); });
  errno = EIO;  // a write that takes nothing sets none
  if (!WriteAll(fd.Get(), Data, 0) || (Moving && ::fsync(fd.Get()) != 0) || ::close(fd.Release()) != 0)
    throw EWriteError("Cannot write file \"%s\". %s", FileName, std::string(std::strerror(errno)));
}

}  // namespace

void WriteFileBytes(const std::string& FileName, std::string_view Data) { WriteWholeFile(FileName, Data, false); }

void MoveFileAcross(const std::string& FileName, const std::string& NewName) {
  if (::renameat2(AT_FDCWD, FileName.c_str(), AT_FDCWD, NewName.c_str(), RENAME_NOREPLACE) == 0) return;
  // EINVAL: a file system that cannot rename without replacing.
  if (errno != EXDEV && errno != EINVAL)
    throw EWriteError("Cannot move file \"%s\". %s", FileName, std::string(std::strerror(errno)));
  const std::optional<std::string> data = ReadFileBytes(FileName);
  if (!data) throw EWriteError("Cannot read file \"%s\". %s", FileName, std::string(std::strerror(errno)));
  WriteWholeFile(NewName, *data, true);
  if (ReadFileBytes(NewName) != data) {
    ::unlink(NewName.c_str());
    throw EWriteError("Cannot move file \"%s\". Its copy \"%s\" differs from it.", FileName, NewName);
  }
  ::unlink(FileName.c_str());
}

std::optional<std::string> ReadFileBytes(const std::string& FileName) {
  if (IsFolder(FileName)) return std::nullopt;
  std::ifstream in(FileName, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace lab
