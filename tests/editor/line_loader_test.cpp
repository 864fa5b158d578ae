#include "editor/line_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/text_buffer.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/utf8.h"

namespace lab {
namespace {

struct Loaded {
  std::vector<std::u32string> lines;
  bool cr = false, lf = false;
  friend bool operator==(const Loaded&, const Loaded&) = default;
};

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
  Loaded out{{}, loader.SawCr(), loader.SawLf()};
  for (const TLineString& line : loader.Lines()) out.lines.push_back(line.str());
  return out;
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
        EXPECT_EQ(loader.Lines().at(0).width(), LineWidthOf(decoded));
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
              ASSERT_EQ(loader.Lines().size(), 1u);
              const std::u32string decoded = Utf8Decode(line);
              ASSERT_EQ(loader.Lines()[0].str(), decoded) << ::testing::PrintToString(line);
              ASSERT_EQ(loader.Lines()[0].width(), LineWidthOf(decoded));
            }
          }
        }
      }
    }
  }
}

TEST(LineRecords, AppendedLinesArePlacedAsLinesOpenedOneByOne) {
  constexpr int kFill = TLineRecords::kAppendFill;
  for (int first : {0, 10, kFill, TLineRecords::kBlockRecords + 3}) {
    for (int added : {0, 1, kFill - 1, kFill, kFill + 1, 3 * TLineRecords::kBlockRecords + 5}) {
      SCOPED_TRACE(::testing::Message() << first << " then " << added);
      auto text = [](int i) { return std::u32string(static_cast<std::size_t>(i % 7), U'a' + i % 26); };
      TLineRecords opened, appended;
      for (TLineRecords* records : {&opened, &appended})
        for (int i = 0; i < first; ++i) records->Open(i).String.assign(text(i));
      std::vector<TLineString> lines;
      for (int i = first; i < first + added; ++i) {
        opened.Open(i).String.assign(text(i));
        lines.emplace_back(text(i));
      }
      appended.Append(lines);
      ASSERT_EQ(appended.Count(), first + added);
      EXPECT_EQ(appended.BlockCount(), opened.BlockCount());
      for (int i = 0; i < first + added; ++i) ASSERT_EQ(appended[i].String, text(i)) << i;
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

}  // namespace
}  // namespace lab
