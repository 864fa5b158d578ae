#include "platform/rtl/file_save_stream.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <system_error>

#include "platform/rtl/exceptions.h"

namespace lab {

namespace {

// Six letters or digits no other save is likely to choose at the same time.
std::string RandomSuffix() {
  static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  static std::atomic<unsigned> counter{0};
  unsigned char bytes[6];
  if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    const unsigned seed = static_cast<unsigned>(getpid()) * 2654435761u + counter++ * 40503u;
    for (std::size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<unsigned char>(seed >> (i * 5));
  }
  std::string s;
  for (unsigned char b : bytes) s += kChars[b % (sizeof kChars - 1)];
  return s;
}

// The file a link leads to, so the link stays a link; the name itself otherwise.
std::string SavedFile(const std::string& FileName) {
  struct stat link;
  if (::lstat(FileName.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return FileName;
  char resolved[PATH_MAX];
  return ::realpath(FileName.c_str(), resolved) ? std::string(resolved) : FileName;
}

[[noreturn]] void CannotCreate(const std::string& FileName, int Error) {
  throw EFCreateError("Cannot create file \"%s\". %s", FileName, std::system_category().message(Error));
}

}  // namespace

TFileSaveStream::TOpened TFileSaveStream::Open(const std::string& FileName) {
  TOpened opened{-1, SavedFile(FileName), {}};
  struct stat old;
  const bool exists = ::stat(opened.Target.c_str(), &old) == 0;
  const auto in_place = [&] {
    opened.Handle = ::open(opened.Target.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (opened.Handle < 0) CannotCreate(FileName, errno);
    return opened;
  };
  if (exists && !S_ISREG(old.st_mode)) return in_place();
  int error = 0;
  for (int attempt = 0; attempt < 100 && opened.Handle < 0; ++attempt) {
    opened.NewFile = opened.Target + "." + RandomSuffix();
    opened.Handle = ::open(opened.NewFile.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    error = opened.Handle < 0 ? errno : 0;
    if (error != EEXIST && error != EINTR) break;
  }
  if (opened.Handle < 0) {
    opened.NewFile.clear();
    // A folder that takes no new file still lets a writable file be written where it stands.
    if (exists && (error == EACCES || error == EPERM)) return in_place();
    CannotCreate(FileName, error);
  }
  if (exists) {
    // The new file keeps the old one's permissions and, where the system lets it, its owner.
    ::fchmod(opened.Handle, old.st_mode & 07777);
    if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) && ::fchown(opened.Handle, old.st_uid, old.st_gid) != 0) {
      // Only a privileged program may give a file away: the new one is then this user's.
    }
  }
  return opened;
}

TFileSaveStream::TFileSaveStream(const std::string& FileName) : TFileSaveStream(FileName, Open(FileName)) {}

TFileSaveStream::TFileSaveStream(const std::string& FileName, TOpened Opened)
    : TFileStream(Opened.Handle, FileName), target_(std::move(Opened.Target)), new_file_(std::move(Opened.NewFile)) {}

TFileSaveStream::~TFileSaveStream() {
  if (committed_ || new_file_.empty()) return;
  CloseHandle();
  ::unlink(new_file_.c_str());
}

void TFileSaveStream::Commit() {
  if (committed_) return;
  if (!new_file_.empty()) {
    // On the disk before it takes the old one's place, so no crash leaves an empty file behind.
    if (::fsync(Handle()) != 0) RaiseWriteError(errno);
    if (const int error = CloseHandle()) RaiseWriteError(error);
    if (::rename(new_file_.c_str(), target_.c_str()) != 0) RaiseWriteError(errno);
  }
  committed_ = true;
}

}  // namespace lab
