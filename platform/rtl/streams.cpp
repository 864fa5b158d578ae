#include "platform/rtl/streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <system_error>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/file_save_stream.h"

namespace lab {

namespace {

std::string OsErrorText(int code) { return std::system_category().message(code); }

// Memory and string streams share these: a position may lie past the end (a write there fills the gap
// with zeros) and a negative one moves nothing.
template <class Bytes>
std::int64_t ReadBytes(const Bytes& data, std::int64_t& position, void* buffer, std::int64_t count) {
  const auto size = static_cast<std::int64_t>(data.size());
  if (position < 0 || count <= 0 || position >= size) return 0;
  const std::int64_t n = std::min(count, size - position);
  std::memcpy(buffer, data.data() + position, static_cast<std::size_t>(n));
  position += n;
  return n;
}

// A write that cannot be held (its end past the 64-bit range, or more than memory gives) writes nothing,
// which WriteBuffer reports as the stream's write error.
template <class Bytes>
std::int64_t WriteBytes(Bytes& data, std::int64_t& position, const void* buffer, std::int64_t count) {
  if (position < 0 || count <= 0) return 0;
  std::int64_t end;
  if (__builtin_add_overflow(position, count, &end)) return 0;
  if (end > static_cast<std::int64_t>(data.size())) {
    // Past the user address space of x86-64 no allocation can succeed: not worth asking for.
    constexpr std::int64_t kAddressSpace = std::int64_t{1} << 47;
    if (end > kAddressSpace || static_cast<std::uint64_t>(end) > data.max_size()) return 0;
    try {
      data.resize(static_cast<std::size_t>(end));
    } catch (const std::bad_alloc&) {
      return 0;
    } catch (const std::length_error&) {
      return 0;
    }
  }
  std::memcpy(data.data() + position, buffer, static_cast<std::size_t>(count));
  position = end;
  return count;
}

// A position beyond the 64-bit range stops at its end, where nothing can be written.
std::int64_t SeekTo(std::int64_t size, std::int64_t& position, std::int64_t offset, TSeekOrigin origin) {
  const std::int64_t base = origin == soFromCurrent ? position : origin == soFromEnd ? size : 0;
  if (__builtin_add_overflow(base, offset, &position))
    position = offset < 0 ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
  return position;
}

}  // namespace

// ---- TStream ----

std::int64_t TStream::Size() {
  const std::int64_t pos = Seek(0, soFromCurrent);
  const std::int64_t size = Seek(0, soFromEnd);
  Seek(pos, soFromBeginning);
  return size;
}

void TStream::ReadBuffer(void* Buffer, std::int64_t Count) {
  if (Count != 0 && Read(Buffer, Count) != Count) ReadFailed();
}

void TStream::WriteBuffer(const void* Buffer, std::int64_t Count) {
  if (Count != 0 && Write(Buffer, Count) != Count) WriteFailed();
}

void TStream::ReadFailed() { throw EReadError("Stream read error"); }

void TStream::WriteFailed() { throw EWriteError("Stream write error"); }

std::int64_t TStream::CopyFrom(TStream* Source, std::int64_t Count) {
  if (Count == 0) {
    Source->SetPosition(0);
    Count = Source->Size();
  }
  constexpr std::int64_t kChunk = 1 << 16;
  std::vector<char> buffer(static_cast<std::size_t>(std::min(Count, kChunk)));
  for (std::int64_t left = Count; left > 0;) {
    const std::int64_t n = std::min(left, kChunk);
    Source->ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return Count;
}

// ---- TMemoryStream ----

std::int64_t TMemoryStream::Read(void* Buffer, std::int64_t Count) {
  return ReadBytes(data_, position_, Buffer, Count);
}

std::int64_t TMemoryStream::Write(const void* Buffer, std::int64_t Count) {
  return WriteBytes(data_, position_, Buffer, Count);
}

std::int64_t TMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  return SeekTo(Size(), position_, Offset, Origin);
}

void TMemoryStream::SetSize(std::int64_t NewSize) {
  data_.resize(static_cast<std::size_t>(std::max<std::int64_t>(NewSize, 0)));
  position_ = std::min(position_, Size());
}

void TMemoryStream::Clear() {
  std::vector<char>().swap(data_);
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
  if (Stream != this) {
    Stream->SetPosition(0);
    // Read aside first, so a failing source leaves the contents as they were.
    std::vector<char> loaded(static_cast<std::size_t>(std::max<std::int64_t>(Stream->Size(), 0)));
    Stream->ReadBuffer(loaded.data(), static_cast<std::int64_t>(loaded.size()));
    data_.swap(loaded);
  }
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

void TMemoryStream::SaveToStream(TStream* Stream) { Stream->WriteBuffer(data_.data(), Size()); }

void TMemoryStream::SaveToFile(const std::string& FileName) {
  TFileSaveStream file(FileName);
  SaveToStream(&file);
  file.Commit();
}

// ---- TFileStream ----

TFileStream::TFileStream(const std::string& FileName, std::uint16_t Mode)
    : TFileStream(FileName, Mode, 0666) {}

TFileStream::TFileStream(const std::string& FileName, std::uint16_t Mode, std::uint32_t Rights)
    : file_name_(FileName) {
  const bool create = (Mode & fmCreate) == fmCreate;
  int flags = O_CLOEXEC;
  if (create) {
    flags |= O_RDWR | O_CREAT | O_TRUNC;
  } else {
    switch (Mode & 3) {
      case fmOpenWrite: flags |= O_WRONLY; break;
      case fmOpenReadWrite: flags |= O_RDWR; break;
      default: flags |= O_RDONLY; break;
    }
  }
  do {
    fd_ = ::open(FileName.c_str(), flags, static_cast<mode_t>(Rights));
  } while (fd_ < 0 && errno == EINTR);
  int error = fd_ < 0 ? errno : 0;
  // A folder opens for reading on Linux, but no file stream can be made of it.
  struct stat info;
  if (fd_ >= 0 && ::fstat(fd_, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    error = EISDIR;
  }
  if (fd_ < 0) {
    if (create) throw EFCreateError("Cannot create file \"%s\". %s", FileName, OsErrorText(error));
    throw EFOpenError("Cannot open file \"%s\". %s", FileName, OsErrorText(error));
  }
}

TFileStream::~TFileStream() { CloseHandle(); }

int TFileStream::CloseHandle() {
  if (fd_ < 0) return 0;
  const int rc = ::close(std::exchange(fd_, -1));
  return rc == 0 || errno == EINTR ? 0 : errno;  // after EINTR the file is closed all the same
}

namespace {

// Reads (at Offset, or from the position when it is negative) until Count bytes came, the file ended
// (Error 0) or the system refused (Error its reason).
std::int64_t ReadFile(int fd, char* out, std::int64_t Count, std::int64_t Offset, int& Error) {
  std::int64_t done = 0;
  Error = 0;
  while (done < Count) {
    const auto left = static_cast<std::size_t>(Count - done);
    const ssize_t n = Offset < 0 ? ::read(fd, out + done, left) : ::pread(fd, out + done, left, Offset + done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Error = errno;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

}  // namespace

std::int64_t TFileStream::Read(void* Buffer, std::int64_t Count) {
  return ReadFile(fd_, static_cast<char*>(Buffer), Count, -1, last_error_);
}

std::int64_t TFileStream::ReadAt(void* Buffer, std::int64_t Count, std::int64_t Offset) {
  int error;
  return ReadFile(fd_, static_cast<char*>(Buffer), Count, Offset, error);
}

void TFileStream::ReadBufferAt(void* Buffer, std::int64_t Count, std::int64_t Offset) {
  int error;  // of this read alone: several threads may read at once
  if (ReadFile(fd_, static_cast<char*>(Buffer), Count, Offset, error) != Count) RaiseReadError(error);
}

std::int64_t TFileStream::Write(const void* Buffer, std::int64_t Count) {
  std::int64_t done = 0;
  const auto* in = static_cast<const char*>(Buffer);
  last_error_ = 0;
  while (done < Count) {
    const ssize_t n = ::write(fd_, in + done, static_cast<std::size_t>(Count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      last_error_ = n < 0 ? errno : ENOSPC;  // a write of nothing finds no room
      break;
    }
    done += n;
  }
  return done;
}

void TFileStream::ReadFailed() { RaiseReadError(last_error_); }

void TFileStream::WriteFailed() { RaiseWriteError(last_error_); }

void TFileStream::RaiseReadError(int Error) const {
  throw EReadError("Cannot read file \"%s\". %s", file_name_, Error ? OsErrorText(Error) : "Reached the end of the file");
}

void TFileStream::RaiseWriteError(int Error) const {
  throw EWriteError("Cannot write file \"%s\". %s", file_name_, OsErrorText(Error));
}

std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  const int whence = Origin == soFromCurrent ? SEEK_CUR : Origin == soFromEnd ? SEEK_END : SEEK_SET;
  const off_t pos = ::lseek(fd_, static_cast<off_t>(Offset), whence);
  if (pos < 0) throw EStreamError("Cannot seek in file \"%s\". %s", file_name_, OsErrorText(errno));
  return pos;
}

std::int64_t TFileStream::Size() {
  struct stat info;
  if (::fstat(fd_, &info) != 0) return TStream::Size();
  return info.st_size;
}

void TFileStream::SetSize(std::int64_t NewSize) {
  if (::ftruncate(fd_, static_cast<off_t>(NewSize)) != 0)
    throw EStreamError("Cannot set the size of file \"%s\". %s", file_name_, OsErrorText(errno));
  if (Position() > NewSize) SetPosition(NewSize);
}

// ---- TStringStream ----

std::int64_t TStringStream::Read(void* Buffer, std::int64_t Count) {
  return ReadBytes(data_, position_, Buffer, Count);
}

std::int64_t TStringStream::Write(const void* Buffer, std::int64_t Count) {
  return WriteBytes(data_, position_, Buffer, Count);
}

std::int64_t TStringStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  return SeekTo(Size(), position_, Offset, Origin);
}

void TStringStream::SetSize(std::int64_t NewSize) {
  data_.resize(static_cast<std::size_t>(std::max<std::int64_t>(NewSize, 0)));
  position_ = std::min(position_, Size());
}

std::string TStringStream::ReadString(std::int64_t Count) {
  const std::int64_t available = position_ >= 0 ? std::max<std::int64_t>(Size() - position_, 0) : 0;
  std::string result(static_cast<std::size_t>(std::clamp<std::int64_t>(Count, 0, available)), '\0');
  Read(result.data(), static_cast<std::int64_t>(result.size()));
  return result;
}

void TStringStream::WriteString(const std::string& AString) {
  Write(AString.data(), static_cast<std::int64_t>(AString.size()));
}

}  // namespace lab
