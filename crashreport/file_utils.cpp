#include "crashreport/file_utils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>

namespace lab {

bool FileCanWrite(const std::string& Name) {
  int fd = ::open(Name.c_str(), O_RDWR | O_CLOEXEC);
  if (fd >= 0) {
    ::close(fd);
    return true;
  }
  if (errno != ENOENT) return false;
  fd = ::open(Name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(Name.c_str());
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
      (st.st_mode & 077) != 0)
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

}  // namespace lab
