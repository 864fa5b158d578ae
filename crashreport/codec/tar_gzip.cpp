#include "crashreport/codec/tar_gzip.h"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "crashreport/codec/file_utils.h"
#include "crashreport/codec/zlib_memory.h"
#include "platform/rtl/scope_exit.h"

namespace lab {
namespace {

constexpr std::size_t kBlock = 512;
constexpr TDateTime kUnixEpoch = 25569;  // 1970-01-01 as a TDateTime

// W-1 octal digits with the leading zeros (all but the last digit) blanked, then one blank.
void OctalField(std::uint8_t* field, std::size_t width, std::uint64_t value) {
  for (std::size_t i = width - 1; i-- > 0;) {
    field[i] = static_cast<std::uint8_t>('0' + (value & 7));
    value >>= 3;
  }
  for (std::size_t i = 0; i + 2 < width && field[i] == '0'; ++i) field[i] = ' ';
  field[width - 1] = ' ';
}

// The same field one narrower, then a zero byte.
void OctalFieldZ(std::uint8_t* field, std::size_t width, std::uint64_t value) {
  OctalField(field, width - 1, value);
  field[width - 1] = 0;
}

void WriteLE32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct TTarRec {
  std::string Name;
  std::int64_t Size = 0;
  TDateTime Time = 0;
};

void MakeTarHeader(const TTarRec& Rec, std::uint8_t Header[512]) {
  std::memset(Header, 0, kBlock);
  std::memcpy(Header, Rec.Name.data(), std::min<std::size_t>(Rec.Name.size(), 100));
  OctalFieldZ(Header + 100, 8, 0644);  // readable once extracted
  OctalFieldZ(Header + 108, 8, 0);
  OctalFieldZ(Header + 116, 8, 0);
  OctalField(Header + 124, 12, static_cast<std::uint64_t>(std::max<std::int64_t>(Rec.Size, 0)));
  const double seconds = std::round((Rec.Time - kUnixEpoch) * 86400.0);
  OctalField(Header + 136, 12, seconds > 0 ? static_cast<std::uint64_t>(seconds) : 0);
  Header[156] = '0';
  std::memcpy(Header + 257, "ustar   ", 8);
  std::memset(Header + 148, ' ', 8);
  unsigned sum = 0;
  for (std::size_t i = 0; i < kBlock; ++i) sum += Header[i];
  OctalFieldZ(Header + 148, 8, sum);
}

}  // namespace

TTGZWriter::TTGZWriter(std::string ArchiveName)
    : tar_(std::make_unique<TMemoryStream>()), archive_name_(std::move(ArchiveName)) {}

TTGZWriter::~TTGZWriter() {
  try {
    Close();
  } catch (...) {
  }
}

void TTGZWriter::AddFile(const std::string& FileName, const std::string& ArchiveName) {
  TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  AddStream(&file, ExtractFileName(ArchiveName.empty() ? FileName : ArchiveName), GetFileDateTime(FileName));
}

void TTGZWriter::AddStream(TStream* Stream, const std::string& Name, TDateTime Time) {
  const std::int64_t size = Stream->Size() - Stream->Position();
  std::uint8_t header[kBlock];
  MakeTarHeader(TTarRec{Name, size, Time}, header);
  const std::int64_t start = tar_->Seek(0, soFromEnd);
  // A file that could not be read whole leaves no header without its data behind.
  TScopeFail drop([&] { tar_->SetSize(start); });
  tar_->WriteBuffer(header, kBlock);
  if (size > 0) tar_->CopyFrom(Stream, size);
  static const std::uint8_t zeros[kBlock] = {};
  if (const std::int64_t part = size % kBlock) tar_->WriteBuffer(zeros, kBlock - part);
}

void TTGZWriter::Close() {
  if (closed_) return;
  closed_ = true;
  static const std::uint8_t zeros[kBlock] = {};
  tar_->Seek(0, soFromEnd);
  tar_->WriteBuffer(zeros, kBlock);
  GZipCompressStream(tar_.get(), archive_name_);
}

void GZipCompressStream(TMemoryStream* Tar, const std::string& ArchiveName) {
  const auto size = static_cast<std::size_t>(Tar->Size());
  const auto packed = CompressBuf(Tar->Memory(), size, TZLibFormat::Raw);
  static const std::uint8_t header[10] = {0x1F, 0x8B, 0x08, 0x08, 0, 0, 0, 0, 0, 0};
  std::string member(reinterpret_cast<const char*>(header), sizeof header);
  member += ChangeFileExt(ExtractFileName(ArchiveName), ".tar");
  member += '\0';
  member.append(reinterpret_cast<const char*>(packed.data()), packed.size());
  std::uint8_t trailer[8];
  WriteLE32(trailer, static_cast<std::uint32_t>(crc32_z(0, static_cast<const Bytef*>(Tar->Memory()), size)));
  WriteLE32(trailer + 4, static_cast<std::uint32_t>(size));
  member.append(reinterpret_cast<const char*>(trailer), sizeof trailer);
  // Written whole or not at all: an archive cut short by a full disk would be sent as the report.
  WriteFileBytes(ArchiveName, member);
}

void GZipDecompressStream(TStream* Source, TStream* Dest) {
  std::vector<std::uint8_t> packed(static_cast<std::size_t>(std::max<std::int64_t>(Source->Size() - Source->Position(), 0)));
  Source->ReadBuffer(packed.data(), static_cast<std::int64_t>(packed.size()));
  const auto data = DecompressBuf(packed.data(), packed.size(), TZLibFormat::GZip);
  Dest->WriteBuffer(data.data(), static_cast<std::int64_t>(data.size()));
}

TDateTime UtcNow() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return kUnixEpoch + (static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9) / 86400.0;
}

TDateTime GetFileDateTime(const std::string& FileName) {
  struct stat st;
  if (::stat(FileName.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return 0;
  return kUnixEpoch + (static_cast<double>(st.st_mtim.tv_sec) + st.st_mtim.tv_nsec / 1e9) / 86400.0;
}

}  // namespace lab
