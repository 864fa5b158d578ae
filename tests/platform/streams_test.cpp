#include "platform/rtl/streams.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>

#include "platform/rtl/exceptions.h"
#include "tests/platform/temp_folder.h"

namespace lab {
namespace {

std::string ReadAll(TStream& s) {
  s.SetPosition(0);
  std::string out(static_cast<std::size_t>(s.Size()), '\0');
  s.ReadBuffer(out.data(), static_cast<std::int64_t>(out.size()));
  return out;
}

template <class E, class F>
std::string MessageOf(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  return "<no exception>";
}

TEST(MemoryStream, SeekReadWriteAndGrowth) {
  TMemoryStream m;
  m.WriteBuffer("hello world", 11);
  EXPECT_EQ(m.Size(), 11);
  EXPECT_EQ(m.Position(), 11);
  EXPECT_EQ(m.Seek(-5, soFromEnd), 6);
  char buf[16] = {};
  EXPECT_EQ(m.Read(buf, 16), 5);  // short read at the end
  EXPECT_EQ(std::string(buf, 5), "world");
  EXPECT_EQ(m.Seek(-6, soFromCurrent), 5);
  EXPECT_EQ(m.Read(buf, 1), 1);
  EXPECT_EQ(buf[0], ' ');

  // Writing past the end fills the gap with zeros.
  m.SetPosition(13);
  m.WriteBuffer("!", 1);
  EXPECT_EQ(ReadAll(m), std::string("hello world\0\0!", 14));

  // A negative position moves nothing and reads raise.
  m.Seek(-100, soFromCurrent);
  EXPECT_EQ(m.Read(buf, 1), 0);
  EXPECT_EQ(m.Write("x", 1), 0);
  EXPECT_EQ(MessageOf<EReadError>([&] { m.ReadBuffer(buf, 1); }), "Stream read error");
  EXPECT_EQ(MessageOf<EWriteError>([&] { m.WriteBuffer("x", 1); }), "Stream write error");
}

TEST(MemoryStream, WritesThatCannotBeHeldAreRefusedWithTheWriteError) {
  constexpr std::int64_t kTop = std::numeric_limits<std::int64_t>::max();
  auto refuses = [&](TStream& s) {
    s.WriteBuffer("keep", 4);
    // Position + count past the 64-bit range: no resize may be skipped and no wild write made.
    EXPECT_EQ(s.Seek(kTop - 2, soFromBeginning), kTop - 2);
    EXPECT_EQ(MessageOf<EWriteError>([&] { s.WriteBuffer("abcdef", 6); }), "Stream write error");
    // Far past the end, but more than memory gives.
    s.SetPosition(std::int64_t{1} << 62);
    EXPECT_EQ(MessageOf<EWriteError>([&] { s.WriteBuffer("abcdef", 6); }), "Stream write error");
    // Seeking beyond the range stops at its ends.
    s.SetPosition(kTop - 1);
    EXPECT_EQ(s.Seek(10, soFromCurrent), kTop);
    EXPECT_EQ(s.Seek(std::numeric_limits<std::int64_t>::min(), soFromCurrent), -1);
    EXPECT_EQ(s.Seek(std::numeric_limits<std::int64_t>::min(), soFromCurrent), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(s.Size(), 4);
    EXPECT_EQ(ReadAll(s), "keep");
  };
  TMemoryStream m;
  refuses(m);
  TStringStream str("");
  refuses(str);
}

TEST(MemoryStream, SetSizeClearAndReadErrors) {
  TMemoryStream m;
  m.WriteBuffer("abcdef", 6);
  m.SetSize(3);
  EXPECT_EQ(m.Position(), 3);  // clamped to the new end
  EXPECT_EQ(ReadAll(m), "abc");
  m.SetPosition(1);
  m.SetSize(5);
  EXPECT_EQ(m.Position(), 1);
  EXPECT_EQ(ReadAll(m), std::string("abc\0\0", 5));

  char buf[8];
  m.SetPosition(2);
  EXPECT_THROW(m.ReadBuffer(buf, 4), EReadError);
  m.ReadBuffer(buf, 0);  // nothing asked, nothing raised

  m.Clear();
  EXPECT_EQ(m.Size(), 0);
  EXPECT_EQ(m.Position(), 0);
}

// A source that promises more than it has.
class TShortStream : public TStringStream {
 public:
  using TStringStream::TStringStream;
  std::int64_t Size() override { return TStringStream::Size() + 10; }
};

TEST(MemoryStream, LoadAndCopyFromOtherStreams) {
  TStringStream source("0123456789");
  source.SetPosition(7);
  TMemoryStream m;
  m.LoadFromStream(&source);  // takes the whole source, whatever its position
  EXPECT_EQ(ReadAll(m), "0123456789");
  m.SetPosition(4);
  m.LoadFromStream(&m);  // from itself: unchanged
  EXPECT_EQ(m.Position(), 0);
  EXPECT_EQ(ReadAll(m), "0123456789");

  TShortStream bad("xyz");
  EXPECT_THROW(m.LoadFromStream(&bad), EReadError);
  EXPECT_EQ(ReadAll(m), "0123456789");  // a failed load keeps the contents

  TMemoryStream copy;
  source.SetPosition(8);
  EXPECT_EQ(copy.CopyFrom(&source, 0), 10);  // 0 copies everything from the start
  EXPECT_EQ(ReadAll(copy), "0123456789");
  source.SetPosition(2);
  copy.Clear();
  EXPECT_EQ(copy.CopyFrom(&source, 3), 3);
  EXPECT_EQ(ReadAll(copy), "234");
  EXPECT_EQ(source.Position(), 5);
  EXPECT_THROW(copy.CopyFrom(&source, 6), EReadError);

  // Larger than one copy chunk.
  std::string big(200000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  TStringStream bigSource(big);
  TMemoryStream bigCopy;
  bigCopy.CopyFrom(&bigSource, 0);
  EXPECT_EQ(ReadAll(bigCopy), big);
}

TEST(StringStream, DataStringReadAndWrite) {
  TStringStream s("abcdef");
  EXPECT_EQ(s.Position(), 0);
  EXPECT_EQ(s.ReadString(2), "ab");
  EXPECT_EQ(s.ReadString(100), "cdef");
  EXPECT_EQ(s.ReadString(1), "");
  s.SetPosition(2);
  s.WriteString("XY");  // overwrites without cutting the rest
  EXPECT_EQ(s.DataString(), "abXYef");
  s.Seek(0, soFromEnd);
  s.WriteString("gh");
  EXPECT_EQ(s.DataString(), "abXYefgh");
  s.Seek(-3, soFromEnd);
  EXPECT_EQ(s.ReadString(2), "fg");
  s.SetSize(3);
  EXPECT_EQ(s.DataString(), "abX");
  EXPECT_EQ(s.Position(), 3);
  s.SetPosition(-1);
  EXPECT_EQ(s.ReadString(2), "");
}

TEST(FileStream, CreateWriteReopenAndModes) {
  testing::TempFolder dir;
  const std::string path = dir.File("data.bin");
  const std::string bytes("line\r\n\0\xFF end", 12);
  {
    TFileStream f(path, fmCreate | fmShareExclusive);
    f.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    EXPECT_EQ(f.Size(), 12);
    EXPECT_EQ(f.FileName(), path);
  }
  {
    TFileStream f(path, fmOpenRead | fmShareDenyNone);
    EXPECT_EQ(ReadAll(f), bytes);
    EXPECT_EQ(f.Seek(-3, soFromEnd), 9);
    EXPECT_EQ(f.Write("x", 1), 0);  // read-only
    EXPECT_THROW(f.WriteBuffer("x", 1), EWriteError);
    char c;
    f.SetPosition(12);
    EXPECT_THROW(f.ReadBuffer(&c, 1), EReadError);
    EXPECT_THROW(f.Seek(-1, soFromBeginning), EStreamError);
    // A positioned read leaves the position alone, and reads fewer bytes at the end.
    char two[2];
    f.SetPosition(5);
    EXPECT_EQ(f.ReadAt(two, 2, 10), 2);
    EXPECT_EQ(std::string(two, 2), "nd");
    EXPECT_EQ(f.ReadAt(two, 2, 11), 1);
    EXPECT_EQ(f.ReadAt(two, 2, 12), 0);
    EXPECT_EQ(f.Position(), 5);
  }
  {
    TFileStream f(path, fmOpenWrite);  // opening for writing keeps the contents
    f.Seek(0, soFromEnd);
    f.WriteBuffer("++", 2);
  }
  {
    TFileStream f(path, fmOpenReadWrite);
    EXPECT_EQ(f.Size(), 14);
    f.SetSize(4);
    EXPECT_EQ(f.Position(), 0);
    EXPECT_EQ(ReadAll(f), "line");
  }
  {
    TFileStream f(path, fmCreate);  // creating empties an existing file
    EXPECT_EQ(f.Size(), 0);
  }
}

TEST(FileStream, OpenAndCreateErrorsNameTheFileAndReason) {
  testing::TempFolder dir;
  const std::string missing = dir.File("missing.txt");
  EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream f(missing, fmOpenRead); }),
            "Cannot open file \"" + missing + "\". No such file or directory");
  const std::string nowhere = dir.File("no/such/folder.txt");
  EXPECT_EQ(MessageOf<EFCreateError>([&] { TFileStream f(nowhere, fmCreate); }),
            "Cannot create file \"" + nowhere + "\". No such file or directory");
  const std::string folder = dir.Path().string();
  EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream f(folder, fmOpenRead); }),
            "Cannot open file \"" + folder + "\". Is a directory");
  // Both derive from the file-stream error, so callers can catch either.
  EXPECT_THROW(TFileStream(missing, fmOpenReadWrite), EFileStreamError);
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(MemoryStream, FileRoundTrip) {
  testing::TempFolder dir;
  const std::string path = dir.File("memory.bin");
  TMemoryStream out;
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  out.WriteBuffer(bytes.data(), 256);
  out.SetPosition(100);  // saving writes everything, whatever the position
  out.SaveToFile(path);
  TMemoryStream in;
  in.LoadFromFile(path);
  EXPECT_EQ(in.Position(), 0);
  EXPECT_EQ(ReadAll(in), bytes);
  EXPECT_THROW(in.LoadFromFile(dir.File("none")), EFOpenError);
  EXPECT_EQ(in.Size(), 256);
}

}  // namespace
}  // namespace lab
