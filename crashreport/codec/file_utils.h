#pragma once
// File, folder and path routines of the crash reporter on POSIX paths ("/" separates folders).

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/rtl/datetime.h"

namespace lab {

// Opens the file for reading and writing; a missing file counts when a file can be made in its
// folder (tried with a file of another name, made and removed again).
bool FileCanWrite(const std::string& Name);
// Opens an existing file (not a folder) for reading.
bool FileCanRead(const std::string& Name);
bool IsFolder(const std::string& Name);
// The last-write time in local time, to even seconds (as the DOS date form keeps it); 0 when the
// file does not exist.
TDateTime GetFileModifiedDate(const std::string& Name);
// Creates the folder and any missing parents with the given permissions; true when it exists after.
bool ForceFolders(const std::string& Folder, unsigned Mode = 0700);

// Writes Text whole to the standard error output, false when it could not. A closed pipe there is
// an error like any other, never a SIGPIPE: the report and the fault's own signal must outlive it.
// Async-signal-safe.
bool WriteStandardError(std::string_view Text) noexcept;

// A file opened and locked with an advisory lock (flock) for one read or one save, so that reads and
// saves of several processes see each other whole. Exclusive: the file (made when missing and Create
// is set) under an exclusive lock; else an existing file under a shared lock, which waits while
// another process rewrites it. A file renamed over while this one waited is opened again, so the lock
// is held on the file that stands under the name. The wait for the lock is bounded by LockWait and
// starts anew whenever another process has finished a save (saves queued behind slow ones all go
// through; a lock that is never let go ends in the error). Raises EFOpenError when the file cannot be
// opened or locked in that time; a missing file (unless made) gives one that does not Exist.
class TLockedFile {
 public:
  TLockedFile(const std::string& FileName, bool Exclusive, bool Create,
              std::chrono::milliseconds LockWait = std::chrono::seconds(10));
  ~TLockedFile();
  TLockedFile(const TLockedFile&) = delete;
  TLockedFile& operator=(const TLockedFile&) = delete;

  bool Exists() const noexcept { return fd_ >= 0; }
  int Handle() const noexcept { return fd_; }
  // The whole contents, from the start.
  std::string ReadAll() const;

 private:
  int fd_ = -1;
};

// The file's whole contents read under a shared lock (TLockedFile), so a save in place by another
// process is never seen half done. False, Contents empty, when the file does not exist.
bool ReadFileLocked(const std::string& FileName, std::string& Contents,
                    std::chrono::milliseconds LockWait = std::chrono::seconds(10));
// Gives the file a new name that no file has yet: NewName, else NewName followed by ".2", ".3", ...
// Answers the name given; raises EWriteError when it cannot be renamed.
std::string RenameFileAside(const std::string& FileName, const std::string& NewName);

// Replaces the file's contents under an exclusive advisory lock (flock) on it, so that two processes
// saving the same file one after the other each see what the other wrote. Change gets the contents
// as they are now (empty for a missing file) and answers the new ones; they go into a new file in the
// same folder that is then renamed over the old one, so a reader, or a crash during the save, sees the
// old contents or the new, never a part. A folder that takes no new file gets the file rewritten in
// place. Raises EFOpenError when the file cannot be opened or locked (TLockedFile); EWriteError when
// the new contents cannot be written (the old file then stands as it was, unless it had to be rewritten in
// place).
void ReplaceFileLocked(const std::string& FileName, const std::function<std::string(std::string)>& Change,
                       std::chrono::milliseconds LockWait = std::chrono::seconds(10));

// The environment variable's value; empty when unset.
std::string GetEnvironmentText(const char* Name);
// A private folder for temporary files: <$TMPDIR or /tmp>/crashlog-<uid>, mode 0700, owned by the
// user (a folder of that name owned by someone else or open to others is refused). Ends with "/";
// empty when no such folder can be had.
std::string GetTempFolder();

// Path pieces, as the framework's routines with "/" as the delimiter.
std::string IncludeTrailingPathDelimiter(std::string_view Folder);  // "" gives "/"
std::string ExtractFilePath(std::string_view FileName);             // up to and including the last "/"
std::string ExtractFileName(std::string_view FileName);             // after the last "/"
std::string ExtractFileExt(std::string_view FileName);              // from the last "." of the name part
std::string ChangeFileExt(std::string_view FileName, std::string_view Extension);

// The whole contents of a file (not a folder) that can be read; std::nullopt when it cannot.
std::optional<std::string> ReadFileBytes(const std::string& FileName);
// Makes the file (mode 0600; one that stands there is emptied first) with Data as its whole contents.
// A file that cannot be made raises EFCreateError; every write and the closing are checked: a
// failure (a full disk, a file size limit) raises EWriteError with the file's name and the reason,
// and leaves no file under the name.
void WriteFileBytes(const std::string& FileName, std::string_view Data);
// Gives the file the name NewName, which no file has yet: renamed when both stand on one file system;
// else copied, the copy written to the disk, read back and compared, and only then the original
// removed. A failure raises EWriteError (EFCreateError for a copy that cannot be made) with the
// reason; the original then stands as it was, and nothing stands under NewName.
void MoveFileAcross(const std::string& FileName, const std::string& NewName);

}  // namespace lab
