#include "editor/line_loader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "editor/text_buffer.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/parallel.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/utf8.h"
#include "tests/platform/temp_folder.h"

namespace lab {
namespace {

struct Loaded {
  std::vector<std::u32string> lines;
  bool cr = false, lf = false;
  friend bool operator==(const Loaded&, const Loaded&) = default;
};

Loaded Found(std::span<TLineLoader> Loaders) {
  Loaded out;
  for (TLineLoader& loader : Loaders) {
    for (int i = 0; i < loader.Records().Count(); ++i) out.lines.push_back(loader.Records()[i].String.str());
    out.cr = out.cr || loader.SawCr();
    out.lf = out.lf || loader.SawLf();
  }
  return out;
}
Loaded Found(TLineLoader& Loader) { return Found(std::span(&Loader, 1)); }

// Bytes fed in the pieces Sizes gives (the rest in one more).
Loaded Feed(const std::string& Bytes, const std::vector<std::size_t>& Sizes, bool EmptyLast = true) {
  TLineLoader loader;
  std::size_t at = 0;
  for (std::size_t n : Sizes) {
    loader.Feed(std::string_view(Bytes).substr(at, n));
    at += n;
  }
  loader.Feed(std::string_view(Bytes).substr(at));
  loader.Finish(EmptyLast);
  return Found(loader);
}

std::vector<std::u32string> ListLines(const TCodeEditStringList& List) {
  std::vector<std::u32string> out;
  for (int i = 0; i < List.Count(); ++i) out.push_back(List.GetLine(i));
  return out;
}

const char* const kTexts[] = {
    "",
    "\r",
    "\n",
    "\r\n",
    "\n\r",
    "\r\r\n\n\r",
    "a\r\nb\r\nc",
    "a\r\nb\r\n",
    "a\nb\n",
    "a\rb\r",
    "a\rb\nc\r\nd",
    "no break at all",
    ("gr\xC3\xBC\xC3\x9F" "e\r\n\xE2\x82\xAC 5\r\n\xF0\x9F\x98\x80"),
    "cut \xE2\x82\r\nstray \x80\xFF\n\xC3",
    "a line longer than sixteen bytes, then \xC3\xA9\r\nand another one of more than sixteen\r",
};

TEST(LineLoader, ABlockEndCuttingALineOrABreakChangesNothing) {
  for (const char* text : kTexts) {
    const std::string bytes = text;
    SCOPED_TRACE(::testing::PrintToString(bytes));
    for (bool empty_last : {true, false}) {
      const Loaded whole = Feed(bytes, {}, empty_last);
      // Every place of one cut (a CR last in a block with its LF first in the next, a UTF-8
      // sequence cut in two, the text's last byte alone), and a block per byte.
      for (std::size_t cut = 0; cut <= bytes.size(); ++cut)
        EXPECT_EQ(Feed(bytes, {cut}, empty_last), whole) << "cut at " << cut;
      EXPECT_EQ(Feed(bytes, std::vector<std::size_t>(bytes.size(), 1), empty_last), whole);
      EXPECT_EQ(Feed(bytes, {0, 0, bytes.size() / 2, 0}, empty_last), whole);  // empty blocks
    }
  }
}

TEST(LineLoader, LinesAndBreaksFound) {
  EXPECT_EQ(Feed("", {}), (Loaded{{}, false, false}));
  EXPECT_EQ(Feed("\r\n\r\n", {1, 2}), (Loaded{{U"", U"", U""}, true, true}));
  EXPECT_EQ(Feed("\r\n\r\n", {1, 2}, false), (Loaded{{U"", U""}, true, true}));
  EXPECT_EQ(Feed("\r\r", {1}), (Loaded{{U"", U"", U""}, true, false}));
  EXPECT_EQ(Feed("\n\n", {1}), (Loaded{{U"", U"", U""}, false, true}));
  // LF then CR is two breaks, also when a block ends between them.
  EXPECT_EQ(Feed("a\n\rb", {2}), (Loaded{{U"a", U"", U"b"}, true, true}));
  EXPECT_EQ(Feed("ab", {1}), (Loaded{{U"ab"}, false, false}));
  EXPECT_EQ(Feed("a\r", {2}, false), (Loaded{{U"a"}, true, false}));
}

TEST(LineLoader, EachLineIsAsciiOnlyUpToItsBreak) {
  // One other character (Latin-1, 16-bit, past 16 bits, a stray byte, a cut sequence) at every place
  // before or after a break, across the 16- and 32-byte steps of the search and the 16-byte steps of
  // the decoding: bytes after the break must not make the line before it decode, nor be missed
  // before it; each line is stored at the width of its widest character.
  for (const char* other : {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xFF", "\xE2\x82"}) {
    SCOPED_TRACE(::testing::PrintToString(std::string(other)));
    for (std::size_t length = 0; length <= 65; ++length) {
      for (std::size_t at = 0; at <= length; ++at) {
        std::string line(length, 'x');
        line.insert(at, other);
        const std::u32string decoded = Utf8Decode(line);
        for (const char* line_break : {"\n", "\r\n"}) {
          const std::string before = std::string(length, 'a') + line_break + line;
          const std::string after = line + line_break + std::string(length, 'b');
          const Loaded b = Feed(before, {}), a = Feed(after, {});
          ASSERT_EQ(b.lines.size(), 2u);
          EXPECT_EQ(b.lines[0], std::u32string(length, U'a'));
          EXPECT_EQ(b.lines[1], decoded);
          ASSERT_EQ(a.lines.size(), 2u);
          EXPECT_EQ(a.lines[0], decoded);
          EXPECT_EQ(a.lines[1], std::u32string(length, U'b'));
        }
        TLineLoader loader;
        loader.Feed(line);
        loader.Finish(true);
        EXPECT_EQ(loader.Records()[0].String.width(), LineWidthOf(decoded));
      }
    }
  }
}

// Text loaded through a stream, so it is read in blocks of the real size.
std::vector<std::u32string> LoadStream(const std::string& Bytes, TCodeEditFileFormat* Format = nullptr) {
  TCodeEditStringList list;
  TStringStream stream(Bytes);
  list.LoadFromStream(&stream);
  if (Format) *Format = list.FileFormat();
  return ListLines(list);
}

TEST(LineLoader, TheListReadsAcrossItsBlocks) {
  const std::size_t block = TLineLoader::kBlockSize;
  // CR last in the first block, its LF first in the second.
  {
    const std::string text = std::string(block - 1, 'a') + "\r\nb";
    TCodeEditFileFormat format;
    EXPECT_EQ(LoadStream(text, &format), (std::vector<std::u32string>{std::u32string(block - 1, U'a'), U"b"}));
    EXPECT_EQ(format, sffDos);
  }
  // A lone CR last in a block, and a text that ends with the block (with a break, and without).
  {
    const std::string text = std::string(block - 1, 'a') + "\rb" + std::string(block - 3, 'c') + "\n";
    EXPECT_EQ(LoadStream(text), (std::vector<std::u32string>{std::u32string(block - 1, U'a'),
                                                            U"b" + std::u32string(block - 3, U'c'), U""}));
    EXPECT_EQ(LoadStream(text.substr(0, text.size() - 1) + "d").back(), U"b" + std::u32string(block - 3, U'c') + U"d");
  }
  // A line over three blocks with a UTF-8 sequence cut by the first block's end, then a last line
  // without a break.
  {
    const std::string line = std::string(block - 1, 'x') + "\xE2\x82\xAC" + std::string(block + 5, 'y');
    const std::u32string decoded = std::u32string(block - 1, U'x') + U"\u20AC" + std::u32string(block + 5, U'y');
    EXPECT_EQ(LoadStream(line + "\nend"), (std::vector<std::u32string>{decoded, U"end"}));
  }
  // Only breaks, more than a block of them, CR LF cut at each block's end.
  {
    std::string text;
    while (text.size() < 2 * block + 2) text += "\r\n";
    text.insert(0, 1, '\n');  // odd, so that block ends fall between CR and LF
    TCodeEditFileFormat format;
    const std::vector<std::u32string> lines = LoadStream(text, &format);
    EXPECT_EQ(lines.size(), 1 + (text.size() - 1) / 2 + 1);
    EXPECT_EQ(lines, std::vector<std::u32string>(lines.size()));
    EXPECT_EQ(format, sffDos);
  }
}

// A source that promises more than it has: the read fails at its end.
class TShortStream : public TStringStream {
 public:
  using TStringStream::TStringStream;
  std::int64_t Size() override { return TStringStream::Size() + 10; }
};

TEST(LineLoader, AReadErrorAfterSomeBlocksLosesNothing) {
  TCodeEditStringList list;
  list.Add("kept");
  list.SetFileFormat(sffMac);
  int cleared = 0, inserted = 0;
  list.OnCleared = [&](TObject*) { ++cleared; };
  list.OnInserted = [&](TObject*, int, int) { ++inserted; };
  for (std::size_t size : {std::size_t{0}, std::size_t{3}, TLineLoader::kBlockSize + 100}) {
    std::string text;
    while (text.size() < size) text += "line\n";
    TShortStream stream(text);
    EXPECT_THROW(list.LoadFromStream(&stream), EReadError);
    EXPECT_EQ(ListLines(list), std::vector<std::u32string>{U"kept"});
    EXPECT_EQ(list.FileFormat(), sffMac);
  }
  EXPECT_EQ(cleared, 0);
  EXPECT_EQ(inserted, 0);
}

TEST(LineLoader, EveryTwoAndThreeByteFormDecodesAsTheRuntimeDoes) {
  // Each lead byte with second and third bytes at the edges of the continuation range and past them,
  // whole and cut short by the line's end, at the start of a line and after a 16-byte ASCII run.
  const unsigned char seconds[] = {0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0};
  const unsigned char thirds[] = {0x41, 0x80, 0xBF, 0xC0};
  for (int lead = 0x80; lead <= 0xFF; ++lead) {
    for (unsigned char second : seconds) {
      for (unsigned char third : thirds) {
        const std::string form{static_cast<char>(lead), static_cast<char>(second), static_cast<char>(third)};
        for (std::size_t cut = 1; cut <= 3; ++cut) {
          for (const char* before : {"", "0123456789abcdefg"}) {
            for (const char* after : {"", "z"}) {
              const std::string line = before + form.substr(0, cut) + after;
              TLineLoader loader;
              loader.Feed(line + "\n");
              loader.Finish(false);
              ASSERT_EQ(loader.Records().Count(), 1);
              const std::u32string decoded = Utf8Decode(line);
              ASSERT_EQ(loader.Records()[0].String.str(), decoded) << ::testing::PrintToString(line);
              ASSERT_EQ(loader.Records()[0].String.width(), LineWidthOf(decoded));
            }
          }
        }
      }
    }
  }
}

TEST(LineRecords, AppendedOpenedAtOnceAndMovedRecordsArePlacedAsRecordsOpenedOneByOne) {
  constexpr int kFill = TLineRecords::kAppendFill;
  auto text = [](int i) { return std::u32string(static_cast<std::size_t>(1 + i % 7), U'a' + i % 26); };
  for (int first : {0, 10, kFill, TLineRecords::kBlockRecords + 3}) {
    for (int added : {0, 1, kFill - 1, kFill, kFill + 1, 3 * TLineRecords::kBlockRecords + 5}) {
      SCOPED_TRACE(::testing::Message() << first << " then " << added);
      TLineRecords opened, appended, moved, at_once;
      // Room reserved ahead lies in empty blocks, which the records opened at once take.
      at_once.SetCapacity(first + added + TLineRecords::kBlockRecords);
      for (TLineRecords* records : {&opened, &appended, &moved, &at_once})
        for (int i = 0; i < first; ++i) records->Open(i).String.assign(text(i));
      at_once.Open(first, added);
      // The moved lines are a loader's, held in its arena.
      TLineLoader loader;
      for (int i = first; i < first + added; ++i) {
        opened.Open(i).String.assign(text(i));
        appended.Append().String.assign(text(i));
        at_once[i].String.assign(text(i));
        loader.Feed(Utf8Encode(text(i)) + "\n");
      }
      loader.Finish(false);
      moved.AppendBlocks(loader.Records());
      EXPECT_EQ(loader.Records().Count(), 0);
      EXPECT_EQ(loader.Records().Capacity(), 0);
      EXPECT_EQ(loader.Records().Arena().ReservedBytes(), 0u);
      EXPECT_EQ(appended.BlockCount(), opened.BlockCount());
      for (TLineRecords* records : {&appended, &moved, &at_once}) {
        ASSERT_EQ(records->Count(), first + added);
        for (int i = 0; i < first + added; ++i) ASSERT_EQ((*records)[i].String, text(i)) << i;
      }
      // Edits across the place where the blocks were joined, then every line erased: the moved
      // lines go back to the arena that took them over, which frees its chunks as they empty.
      if (first > 0 && added > 1) {
        moved.Erase(first - 1, 2);
        moved.Open(first - 1).String.assign(U"joined");
        ASSERT_EQ(moved.Count(), first + added - 1);
        EXPECT_EQ(moved[first - 1].String, U"joined");
        EXPECT_EQ(moved[first].String, text(first + 1));
      }
      moved.Erase(first / 2, moved.Count() - first / 2);
      moved.Erase(0, moved.Count());
      EXPECT_EQ(moved.Arena().ReservedBytes(), 0u);
    }
  }
}

TEST(LineLoader, ALoadWithoutListenersGivesTheListALoadWithListenersGives) {
  std::string text;
  for (int i = 0; i < 3 * TLineRecords::kBlockRecords; ++i) text += std::to_string(i) + "\r\n";
  TCodeEditStringList told, untold;
  told.Add("old");
  untold.Add("old");
  int inserted = 0;
  told.OnInserted = [&](TObject*, int Index, int Count) {
    EXPECT_EQ(Index, inserted);
    EXPECT_EQ(Count, 1);
    ++inserted;
  };
  for (TCodeEditStringList* list : {&told, &untold}) {
    TStringStream stream(text);
    list->LoadFromStream(&stream);
  }
  EXPECT_EQ(inserted, told.Count());
  EXPECT_EQ(ListLines(untold), ListLines(told));
  EXPECT_EQ(untold.Records().BlockCount(), told.Records().BlockCount());
}

// Bytes in a file of their own.
class TTextFile {
 public:
  explicit TTextFile(const std::string& Bytes) : name_(folder_.File("text")) {
    TFileStream out(name_, fmCreate);
    out.WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
  }
  const std::string& Name() const { return name_; }

 private:
  testing::TempFolder folder_;
  std::string name_;
};

// The file's lines, loaded in the ranges Cuts makes; Size is the file's own unless given.
Loaded LoadRanges(const TTextFile& File, std::vector<std::int64_t> Cuts, bool EmptyLast = true, std::int64_t Size = -1) {
  TFileStream file(File.Name(), fmOpenRead);
  if (Size < 0) Size = file.Size();
  Cuts.insert(Cuts.begin(), 0);
  Cuts.push_back(Size);
  std::vector<TLineLoader> loaders(Cuts.size() - 1);
  for (std::size_t i = 0; i < loaders.size(); ++i) LoadFileRange(file, Size, Cuts[i], Cuts[i + 1], loaders[i], EmptyLast);
  return Found(loaders);
}

TEST(LineLoader, FileRangesGiveTheLinesOfOneLoad) {
  for (const char* text : kTexts) {
    const std::string bytes = text;
    SCOPED_TRACE(::testing::PrintToString(bytes));
    const TTextFile file(bytes);
    const auto size = static_cast<std::int64_t>(bytes.size());
    for (bool empty_last : {true, false}) {
      const Loaded whole = Feed(bytes, {}, empty_last);
      // One cut and two at every place: at a line's start or inside it, between CR and LF, inside a
      // UTF-8 sequence, at the start and at the end, two on one place (an empty range between).
      for (std::int64_t first = 0; first <= size; ++first) {
        EXPECT_EQ(LoadRanges(file, {first}, empty_last), whole) << "cut at " << first;
        if (size > 24) continue;
        for (std::int64_t second = first; second <= size; ++second)
          EXPECT_EQ(LoadRanges(file, {first, second}, empty_last), whole) << "cuts at " << first << ", " << second;
      }
    }
  }
}

TEST(LineLoader, ALineStartIsFoundAcrossTheSearchWindows) {
  // A line of 70,000 bytes, searched from cuts around the place where the first 64 KiB window from
  // the cut ends with its CR (the LF, or the next line, first in the window after).
  constexpr std::int64_t kLine = 70000, kWindowEnd = kLine - (std::int64_t{1} << 16) + 2;
  for (const char* rest : {"\r\nb", "\rb", "\r", "\n\r\n"}) {
    const std::string bytes = std::string(kLine, 'a') + rest;
    SCOPED_TRACE(::testing::PrintToString(std::string(rest)));
    const TTextFile file(bytes);
    TFileStream stream(file.Name(), fmOpenRead);
    const std::int64_t start = bytes[kLine + 1] == '\n' ? kLine + 2 : kLine + 1;
    for (std::int64_t cut = kWindowEnd - 3; cut <= kWindowEnd + 3; ++cut) {
      EXPECT_EQ(LineStartFrom(stream, stream.Size(), cut), start) << cut;
      EXPECT_EQ(LoadRanges(file, {cut}), Feed(bytes, {})) << cut;
    }
    EXPECT_EQ(LineStartFrom(stream, stream.Size(), kLine + 1), bytes[kLine + 1] == '\n' ? kLine + 2 : kLine + 1);
    EXPECT_EQ(LineStartFrom(stream, stream.Size(), 0), 0);
  }
}

TEST(LineLoader, AReadErrorInARangeIsRaised) {
  std::string bytes;
  for (int i = 0; i < 100; ++i) bytes += "line\n";
  const TTextFile file(bytes);
  TFileStream stream(file.Name(), fmOpenRead);
  const auto size = static_cast<std::int64_t>(bytes.size());
  // The file is shorter than the size given: a range fails that reads past its end for its own
  // lines, or to find where the range after it starts.
  const std::int64_t ranges[][2] = {{size / 2, size + 10}, {0, size + 5}};
  for (const auto& range : ranges) {
    TLineLoader loader;
    EXPECT_THROW(LoadFileRange(stream, size + 10, range[0], range[1], loader, true), EReadError);
  }
}

TEST(LineLoader, ALargeFileLoadsInRangesAsOneStreamDoes) {
  // More than two ranges' worth of lines of every length up to 255, some of them not ASCII.
  std::string bytes;
  for (int i = 0; static_cast<std::int64_t>(bytes.size()) < 2 * kMinRangeBytes + 1000; ++i) {
    bytes.append(static_cast<std::size_t>(i % 256), static_cast<char>('a' + i % 26));
    if (i % 37 == 0) bytes += "\xE2\x82\xAC";
    bytes += "\r\n";
  }
  const TTextFile file(bytes);
  TCodeEditStringList ranged, streamed, told;
  int inserted = 0;
  told.OnInserted = [&](TObject*, int Index, int Count) {
    EXPECT_EQ(Index, inserted);
    EXPECT_EQ(Count, 1);
    ++inserted;
  };
  ranged.LoadFromFile(file.Name());
  told.LoadFromFile(file.Name());
  TStringStream stream(bytes);
  streamed.LoadFromStream(&stream);
  EXPECT_EQ(inserted, told.Count());
  const std::vector<std::u32string> lines = ListLines(streamed);
  EXPECT_EQ(ListLines(ranged), lines);
  EXPECT_EQ(ListLines(told), lines);
  EXPECT_EQ(ranged.FileFormat(), sffDos);
  // Edits near where the ranges met change the lines as in the list read in one piece.
  for (TCodeEditStringList* list : {&ranged, &streamed}) {
    for (int quarter = 1; quarter < 4; ++quarter) {
      const int at = list->Count() / 4 * quarter;
      list->Delete(at);
      list->Insert(at, "edited");
    }
  }
  EXPECT_EQ(ListLines(ranged), ListLines(streamed));
}

}  // namespace
}  // namespace lab
