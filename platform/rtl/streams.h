#pragma once
// Byte streams: the abstract TStream and its memory, file and string forms. Sizes and positions are
// 64-bit byte counts.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/rtl/object.h"

namespace lab {

enum TSeekOrigin : std::uint16_t { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

class TStream : public TObject {
  LAB_CLASS(TStream, TObject)
 public:
  // Read and Write move up to Count bytes and answer how many they moved.
  virtual std::int64_t Read(void* Buffer, std::int64_t Count) = 0;
  virtual std::int64_t Write(const void* Buffer, std::int64_t Count) = 0;
  // Answers the new position.
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;
  virtual std::int64_t Size();
  virtual void SetSize(std::int64_t NewSize) = 0;

  std::int64_t Position() { return Seek(0, soFromCurrent); }
  void SetPosition(std::int64_t Pos) { Seek(Pos, soFromBeginning); }

  // As Read and Write, but anything short of Count raises EReadError / EWriteError.
  void ReadBuffer(void* Buffer, std::int64_t Count);
  void WriteBuffer(const void* Buffer, std::int64_t Count);
  // Copies Count bytes from Source's position; Count 0 copies the whole of Source from its start.
  // Answers the bytes copied.
  std::int64_t CopyFrom(TStream* Source, std::int64_t Count);

 protected:
  // What ReadBuffer and WriteBuffer raise when the last Read or Write moved less than asked.
  [[noreturn]] virtual void ReadFailed();
  [[noreturn]] virtual void WriteFailed();
};

class TMemoryStream : public TStream {
  LAB_CLASS(TMemoryStream, TStream)
 public:
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }
  // Keeps the position unless it lies past the new end; new bytes are zero.
  void SetSize(std::int64_t NewSize) override;

  void* Memory() { return data_.data(); }
  const void* Memory() const { return data_.data(); }
  void Clear();
  // Replaces the contents with the whole of Stream; the position becomes 0.
  void LoadFromStream(TStream* Stream);
  void LoadFromFile(const std::string& FileName);
  // Writes the whole contents, whatever the position.
  void SaveToStream(TStream* Stream);
  void SaveToFile(const std::string& FileName);

 private:
  std::vector<char> data_;
  std::int64_t position_ = 0;
};

// Open modes: one access mode, or fmCreate (create or empty the file, open for reading and writing),
// optionally or-ed with a share flag. Share flags are accepted for compatibility; POSIX has no such
// locks, so they have no effect.
constexpr std::uint16_t fmCreate = 0xFF00;
constexpr std::uint16_t fmOpenRead = 0x0000;
constexpr std::uint16_t fmOpenWrite = 0x0001;
constexpr std::uint16_t fmOpenReadWrite = 0x0002;
constexpr std::uint16_t fmShareCompat = 0x0000;
constexpr std::uint16_t fmShareExclusive = 0x0010;
constexpr std::uint16_t fmShareDenyWrite = 0x0020;
constexpr std::uint16_t fmShareDenyRead = 0x0030;
constexpr std::uint16_t fmShareDenyNone = 0x0040;

class TFileStream : public TStream {
  LAB_CLASS(TFileStream, TStream)
 public:
  // Raises EFCreateError (fmCreate) or EFOpenError, naming the file and the system's reason.
  TFileStream(const std::string& FileName, std::uint16_t Mode);
  // Rights are the permission bits a created file gets (before the umask).
  TFileStream(const std::string& FileName, std::uint16_t Mode, std::uint32_t Rights);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  // A seek the system refuses (such as one before the start) raises EStreamError.
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override;
  void SetSize(std::int64_t NewSize) override;

  // Reads up to Count bytes from Offset on without moving the position, so that several threads may
  // read one file at once; answers how many it read (fewer only at the end of the file or on an error).
  std::int64_t ReadAt(void* Buffer, std::int64_t Count, std::int64_t Offset);
  // As ReadAt, but anything short of Count raises EReadError.
  void ReadBufferAt(void* Buffer, std::int64_t Count, std::int64_t Offset);
  const std::string& FileName() const { return file_name_; }
  int Handle() const { return fd_; }

 protected:
  // Takes over an open file; FileName is the name its errors give.
  TFileStream(int Handle, std::string FileName) : file_name_(std::move(FileName)), fd_(Handle) {}
  // Raise EReadError / EWriteError naming the file and the system's reason (0: none, the file ended).
  [[noreturn]] void ReadFailed() override;
  [[noreturn]] void WriteFailed() override;
  [[noreturn]] void RaiseReadError(int Error) const;
  [[noreturn]] void RaiseWriteError(int Error) const;
  // Closes the file; answers the system's reason when that failed, else 0.
  int CloseHandle();

 private:
  std::string file_name_;
  int fd_ = -1;
  int last_error_ = 0;  // of the last Read or Write that moved less than asked
};

class TStringStream : public TStream {
  LAB_CLASS(TStringStream, TStream)
 public:
  explicit TStringStream(std::string AString = {}) : data_(std::move(AString)) {}

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }
  void SetSize(std::int64_t NewSize) override;

  const std::string& DataString() const { return data_; }
  // Up to Count bytes from the position on.
  std::string ReadString(std::int64_t Count);
  void WriteString(const std::string& AString);

 private:
  std::string data_;
  std::int64_t position_ = 0;
};

}  // namespace lab
