#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "crashreport/codec/tar_gzip.h"
#include "crashreport/codec/zlib_memory.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "test_files.h"

namespace lab {
namespace {

using testing::ReadAll;
using testing::Scratch;
using testing::Shell;


std::string Pattern(std::size_t n, int seed) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 31 + seed * 7 + i / 97) & 0xFF);
  return s;
}

void WriteFile(const std::string& name, const std::string& data, time_t mtime) {
  std::ofstream(name, std::ios::binary) << data;
  const timespec times[2] = {{mtime, 0}, {mtime, 0}};
  ::utimensat(AT_FDCWD, name.c_str(), times, 0);
}

std::string Unzip(const std::string& archive) {
  TFileStream in(archive, fmOpenRead);
  TStringStream out;
  GZipDecompressStream(&in, &out);
  return out.DataString();
}

constexpr time_t kTime = 1700000000;

// Claims 2000 bytes but has only 700 to give.
class TShortStream : public TStream {
 public:
  std::int64_t Read(void* Buffer, std::int64_t Count) override {
    const std::int64_t n = std::max<std::int64_t>(0, std::min<std::int64_t>(Count, 700 - position_));
    std::memset(Buffer, 'x', static_cast<std::size_t>(n));
    position_ += n;
    return n;
  }
  std::int64_t Write(const void*, std::int64_t) override { return 0; }
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override {
    position_ = Origin == soFromBeginning ? Offset : Origin == soFromCurrent ? position_ + Offset : 2000 + Offset;
    return position_;
  }
  void SetSize(std::int64_t) override {}

 private:
  std::int64_t position_ = 0;
};  // 2023-11-14 22:13:20 UTC

TEST(TarGZip, ArchiveLayoutHeaderAndBlocks) {
  const std::string dir = Scratch("tar_layout");
  WriteFile(dir + "/data.bin", Pattern(1000, 1), kTime);
  WriteFile(dir + "/ten.txt", "0123456789", kTime);
  WriteFile(dir + "/block.bin", Pattern(512, 2), kTime);
  const std::string archive = dir + "/CompressFiles.tgz";
  {
    TTGZWriter writer(archive);
    writer.AddFile(dir + "/data.bin");
    writer.AddFile(dir + "/ten.txt", "/elsewhere/renamed.txt");
    writer.AddFile(dir + "/block.bin");
  }
  const std::string gz = ReadAll(archive);
  ASSERT_GT(gz.size(), 40u);
  EXPECT_EQ(gz.substr(0, 10), std::string("\x1F\x8B\x08\x08\0\0\0\0\0\0", 10));
  EXPECT_EQ(gz.substr(10, 18), std::string("CompressFiles.tar\0", 18));

  const std::string tar = Unzip(archive);
  // Header, two data blocks; header, one block; header, one block (no part block); the end block.
  ASSERT_EQ(tar.size(), 512u * (3 + 2 + 2 + 1));
  EXPECT_EQ(tar.substr(0, 9), std::string("data.bin\0", 9));
  EXPECT_EQ(tar.substr(100, 8), std::string("   644 \0", 8));
  EXPECT_EQ(tar.substr(108, 8), std::string("     0 \0", 8));
  EXPECT_EQ(tar.substr(116, 8), std::string("     0 \0", 8));
  EXPECT_EQ(tar.substr(124, 12), "       1750 ");
  EXPECT_EQ(tar.substr(136, 12), "14524770400 ");
  EXPECT_EQ(tar[156], '0');
  EXPECT_EQ(tar.substr(257, 9), std::string("ustar   \0", 9));
  // The checksum: every header byte, its own field taken as blanks.
  std::string header = tar.substr(0, 512);
  const std::string stored = header.substr(148, 8);
  header.replace(148, 8, 8, ' ');
  unsigned sum = 0;
  for (unsigned char c : header) sum += c;
  char expected[9];
  std::snprintf(expected, sizeof expected, "%6o ", sum);
  EXPECT_EQ(stored, std::string(expected, 7) + '\0');

  EXPECT_EQ(tar.substr(512, 1000), Pattern(1000, 1));
  EXPECT_EQ(tar.substr(1512, 24), std::string(24, '\0'));  // the part block filled with zeros
  EXPECT_EQ(tar.substr(1536, 12), std::string("renamed.txt\0", 12));
  EXPECT_EQ(tar.substr(1536 + 124, 12), "         12 ");  // a size of 10
  EXPECT_EQ(tar.substr(2560, 10), std::string("block.bin\0", 10));
  EXPECT_EQ(tar.substr(3072, 512), Pattern(512, 2));
  EXPECT_EQ(tar.substr(3584), std::string(512, '\0'));

  // The trailer: CRC-32 and length of the tar data.
  const auto crc = static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(tar.data()), tar.size()));
  const std::string trailer = gz.substr(gz.size() - 8);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(static_cast<std::uint8_t>(trailer[i]), static_cast<std::uint8_t>(crc >> (8 * i)));
    EXPECT_EQ(static_cast<std::uint8_t>(trailer[4 + i]), static_cast<std::uint8_t>(tar.size() >> (8 * i)));
  }
}

TEST(TarGZip, SystemToolsReadAndExtractTheArchive) {
  const std::string dir = Scratch("tar_tools");
  WriteFile(dir + "/report.txt", Pattern(70000, 3), kTime);
  WriteFile(dir + "/Screenshot.png", Pattern(513, 4), kTime);
  WriteFile(dir + "/empty.log", "", kTime);
  TMemoryStream page;
  page.WriteBuffer("<html>page</html>", 17);
  page.SetPosition(6);  // only the rest of a stream goes in
  {
    TTGZWriter writer(dir + "/CompressFiles.tgz");
    writer.AddFile(dir + "/report.txt");
    writer.AddFile(dir + "/Screenshot.png");
    writer.AddFile(dir + "/empty.log");
    writer.AddStream(&page, "LastHTMLPage.html", 25569.5);
    writer.Close();
  }
  std::string out;
  EXPECT_EQ(Shell("/bin/gzip -t '" + dir + "/CompressFiles.tgz'", &out), 0) << out;
  ASSERT_EQ(Shell("TZ=UTC /bin/tar -tzvf '" + dir + "/CompressFiles.tgz'", &out), 0) << out;
  EXPECT_NE(out.find("-rw-r--r-- 0/0           70000 2023-11-14 22:13 report.txt"), std::string::npos) << out;
  EXPECT_NE(out.find(" 513 2023-11-14 22:13 Screenshot.png"), std::string::npos) << out;
  EXPECT_NE(out.find(" 0 2023-11-14 22:13 empty.log"), std::string::npos) << out;
  EXPECT_NE(out.find(" 11 1970-01-01 12:00 LastHTMLPage.html"), std::string::npos) << out;

  std::filesystem::create_directories(dir + "/out");
  ASSERT_EQ(Shell("/bin/tar -xzf '" + dir + "/CompressFiles.tgz' -C '" + dir + "/out'", &out), 0) << out;
  for (const char* name : {"report.txt", "Screenshot.png", "empty.log"})
    EXPECT_EQ(Shell("cmp '" + dir + "/" + name + "' '" + dir + "/out/" + name + "'", &out), 0) << out;
  EXPECT_EQ(ReadAll(dir + "/out/LastHTMLPage.html"), "page</html>");
  struct stat st;
  ASSERT_EQ(::stat((dir + "/out/report.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0444, 0444u);  // readable by everyone once extracted
  EXPECT_EQ(st.st_mtime, kTime);
}

TEST(TarGZip, FailuresAndTheWrittenArchive) {
  const std::string dir = Scratch("tar_failures");
  const std::string archive = dir + "/a.tgz";
  TTGZWriter writer(archive);
  EXPECT_THROW(writer.AddFile(dir + "/missing.txt"), EFOpenError);
  EXPECT_FALSE(std::filesystem::exists(archive));  // written only when closed
  EXPECT_THROW(writer.AddFile(dir), EFOpenError);
  // A stream that gives out before its end leaves no header without data behind.
  TShortStream short_stream;
  EXPECT_THROW(writer.AddStream(&short_stream, "short.bin", 0), EReadError);
  WriteFile(dir + "/ok.txt", "fine", kTime);
  writer.AddFile(dir + "/ok.txt");
  writer.Close();
  const std::string tar = Unzip(archive);
  ASSERT_EQ(tar.size(), 3 * 512u);
  EXPECT_EQ(tar.substr(0, 7), std::string("ok.txt\0", 7));
  EXPECT_EQ(tar.substr(512, 4), "fine");
  writer.Close();  // once only

  TTGZWriter unwritable(dir + "/no/such/folder/a.tgz");
  EXPECT_THROW(unwritable.Close(), EFCreateError);
}

TEST(TarGZip, DecompressesSystemGzipAndRefusesDamage) {
  const std::string dir = Scratch("gunzip");
  const std::string text = Pattern(20000, 5);
  WriteFile(dir + "/named.txt", text, kTime);
  WriteFile(dir + "/bare.txt", text, kTime);
  ASSERT_EQ(Shell("/bin/gzip -k '" + dir + "/named.txt' && /bin/gzip -n '" + dir + "/bare.txt'"), 0);
  EXPECT_EQ(Unzip(dir + "/named.txt.gz"), text);
  EXPECT_EQ(Unzip(dir + "/bare.txt.gz"), text);

  const std::string gz = ReadAll(dir + "/named.txt.gz");
  auto expect_refused = [](const std::string& bytes) {
    TStringStream in(bytes), out;
    EXPECT_THROW(GZipDecompressStream(&in, &out), EZLibError);
    EXPECT_EQ(out.Size(), 0);  // nothing half-written
  };
  expect_refused(gz.substr(0, gz.size() - 4));   // the length is missing
  expect_refused(gz.substr(0, gz.size() / 2));   // cut in the middle
  std::string damaged = gz;
  damaged[gz.size() - 6] ^= 1;                   // the CRC
  expect_refused(damaged);
  damaged = gz;
  damaged[gz.size() / 2] ^= 0x10;                // the data
  expect_refused(damaged);
  expect_refused("");
  expect_refused("plain text, not gzip");

  // Reading starts at the stream's position.
  TStringStream in("prefix" + gz), out;
  in.SetPosition(6);
  GZipDecompressStream(&in, &out);
  EXPECT_EQ(out.DataString(), text);
}

TEST(TarGZip, FileDateTimeIsUtcAndFoldersHaveNone) {
  const std::string dir = Scratch("file_time");
  WriteFile(dir + "/f", "x", kTime);
  EXPECT_DOUBLE_EQ(GetFileDateTime(dir + "/f"), 25569.0 + kTime / 86400.0);
  EXPECT_EQ(GetFileDateTime(dir), 0);
  EXPECT_EQ(GetFileDateTime(dir + "/missing"), 0);
}

}  // namespace
}  // namespace lab
