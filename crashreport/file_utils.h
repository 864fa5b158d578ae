#pragma once
// File, folder and path routines of the crash reporter on POSIX paths ("/" separates folders).

#include <chrono>
#include <functional>
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

// Replaces the file's contents under an exclusive advisory lock (flock) on it, so that two processes
// saving the same file one after the other each see what the other wrote. Change gets the contents
// as they are now (empty for a missing file) and answers the new ones; they go into a new file in the
// same folder that is then renamed over the old one, so a reader, or a crash during the save, sees the
// old contents or the new, never a part. A folder that takes no new file gets the file rewritten in
// place. Raises EFOpenError when the file cannot be opened, or cannot be locked because another
// process holds the lock for LockWait without finishing a save (the wait starts anew after each save
// of another process, so saves queued behind slow ones are not lost); EWriteError when the new
// contents cannot be written (the old file then stands as it was, unless it had to be rewritten in
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

}  // namespace lab
