#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "editor/edit_exceptions.h"
#include "editor/text_buffer.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/utf8.h"
#include "tests/common/file_size_limit.h"
#include "tests/platform/temp_folder.h"

namespace lab {
namespace {

using V = std::vector<std::string>;

V Lines(const TStrings& s) {
  V out;
  for (int i = 0; i < s.Count(); ++i) out.push_back(s.Strings(i));
  return out;
}

void Load(TCodeEditStringList& list, const std::string& bytes) {
  TStringStream stream(bytes);
  list.LoadFromStream(&stream);
}

std::string Save(TCodeEditStringList& list) {
  TStringStream stream;
  list.SaveToStream(&stream);
  return stream.DataString();
}

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& name, const std::string& bytes) {
  std::ofstream(name, std::ios::binary) << bytes;
}

struct RoundTrip {
  const char* bytes;
  V lines;
  TCodeEditFileFormat format;
  const char* saved;  // nullptr: the same bytes
};

TEST(CodeEditStringListIo, LoadAndSaveEachLineBreakForm) {
  const RoundTrip cases[] = {
      {"a\r\nb\r\n", {"a", "b", ""}, sffDos, nullptr},
      {"a\r\nb", {"a", "b"}, sffDos, nullptr},
      {"a\nb\n", {"a", "b", ""}, sffUnix, nullptr},
      {"a\nb", {"a", "b"}, sffUnix, nullptr},
      {"a\rb\r", {"a", "b", ""}, sffMac, nullptr},
      {"a\rb", {"a", "b"}, sffMac, nullptr},
      {"", {}, sffDos, nullptr},
      {"\r\n", {"", ""}, sffDos, nullptr},
      {"single", {"single"}, sffDos, nullptr},
      // Mixed breaks: every form ends a line; saving writes CR LF throughout.
      {"a\r\nb\nc", {"a", "b", "c"}, sffDos, "a\r\nb\r\nc"},
      {"a\rb\nc", {"a", "b", "c"}, sffDos, "a\r\nb\r\nc"},
      // LF then CR is two breaks.
      {"a\n\rb", {"a", "", "b"}, sffDos, "a\r\n\r\nb"},
      {"a\n\nb", {"a", "", "b"}, sffUnix, nullptr},
  };
  for (const RoundTrip& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::string(c.bytes)));
    TCodeEditStringList list;
    Load(list, c.bytes);
    EXPECT_EQ(Lines(list), c.lines);
    EXPECT_EQ(list.FileFormat(), c.format);
    EXPECT_EQ(Save(list), c.saved ? c.saved : c.bytes);
  }
}

TEST(CodeEditStringListIo, AppendNewLineAtEndOfFile) {
  TCodeEditStringList list;
  list.SetAppendNewLineAtEOF(true);
  Load(list, "a\nb\n");  // the final break makes no empty line
  EXPECT_EQ(Lines(list), (V{"a", "b"}));
  EXPECT_EQ(Save(list), "a\nb\n");
  Load(list, "a\nb");  // and one is written after the last line
  EXPECT_EQ(Save(list), "a\nb\n");
  list.Clear();
  EXPECT_EQ(Save(list), "");
}

TEST(CodeEditStringListIo, Utf8IsDecodedAndStrayBytesReadAsLatin1) {
  TCodeEditStringList list;
  const std::string valid = "gr\xC3\xBC\xC3\x9F" "e\r\n\xE2\x82\xAC 5\r\n\xF0\x9F\x98\x80";
  Load(list, valid);
  EXPECT_EQ(list.GetLine(0), U"gr\u00FC\u00DFe");
  EXPECT_EQ(list.GetLine(1), U"\u20AC 5");
  EXPECT_EQ(list.GetLine(2), U"\U0001F600");
  EXPECT_EQ(Save(list), valid);

  // A stray byte, a cut sequence and a lone continuation byte each stand for one Latin-1 character;
  // saving writes those characters as UTF-8, and the valid text around them is unharmed.
  Load(list, "a\xFF" "b\r\n\xC3\r\n\x80z\r\n\xC3\xA9");
  EXPECT_EQ(list.GetLine(0), U"a\u00FFb");
  EXPECT_EQ(list.GetLine(1), U"\u00C3");
  EXPECT_EQ(list.GetLine(2), U"\u0080z");
  EXPECT_EQ(list.GetLine(3), U"\u00E9");
  EXPECT_EQ(Save(list), "a\xC3\xBF" "b\r\n\xC3\x83\r\n\xC2\x80z\r\n\xC3\xA9");
  // Text after a NUL is kept.
  Load(list, std::string("x\0y", 3));
  EXPECT_EQ(list.GetLine(0), std::u32string(U"x\0y", 3));
}

TEST(CodeEditStringListIo, LoadedLinesAreWhatTheUtf8DecoderReads) {
  // Loading decodes straight into each line's block, sized beforehand: any byte soup must come out as
  // the runtime's decoder reads it, neither longer nor shorter.
  std::vector<std::string> lines = {
      "",
      "plain ASCII, longer than one eight-byte block",
      "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF",  // 2-, 3- and 4-byte forms, U+10FFFF
      "\xC0\xAF \xE0\x80\xAF \xF0\x80\x80\xAF",  // overlong forms
      "\xED\xA0\x80 \xED\xBF\xBF",  // encoded surrogates
      "\xF4\x90\x80\x80 \xF8\x88\x80\x80\x80 \xFE\xFF",  // past U+10FFFF, 5-byte form, never-used bytes
      "\x80\xBF cut: \xE2\x82",  // stray continuation bytes, a sequence cut by the end of the line
      "\xE2\x82 cut by text \xF0\x9F\x98",
      std::string("nul \0 inside", 13),
  };
  std::mt19937 rng(3);
  for (int i = 0; i < 200; ++i) {
    std::string soup(rng() % 64, ' ');
    for (char& c : soup) {
      do c = static_cast<char>(rng() % 3 == 0 ? rng() : 0x80 | rng());
      while (c == '\r' || c == '\n');
    }
    lines.push_back(soup);
  }
  std::string file, saved;
  for (const std::string& line : lines) {
    file += line + "\n";
    saved += Utf8Encode(Utf8Decode(line)) + "\n";
  }
  file.pop_back();
  saved.pop_back();
  TCodeEditStringList list;
  Load(list, file);
  ASSERT_EQ(list.Count(), static_cast<int>(lines.size()));
  for (std::size_t i = 0; i < lines.size(); ++i)
    EXPECT_TRUE(list.GetLine(static_cast<int>(i)) == Utf8Decode(lines[i])) << "line " << i;
  EXPECT_EQ(Save(list), saved);
}

TEST(CodeEditStringListIo, LoadingReadsFromTheStartAndIsOneUpdate) {
  TCodeEditStringList list;
  list.Add("old");
  std::vector<std::string> events;
  list.OnChanging = [&](TObject*) { events.push_back("changing"); };
  list.OnChange = [&](TObject*) { events.push_back("change"); };
  list.OnCleared = [&](TObject*) { events.push_back("cleared"); };
  list.OnInserted = [&](TObject*, int i, int n) { events.push_back("inserted " + std::to_string(i) + " " + std::to_string(n)); };
  TStringStream stream("x\ny");
  stream.SetPosition(2);
  list.LoadFromStream(&stream);
  EXPECT_EQ(Lines(list), (V{"x", "y"}));
  EXPECT_EQ(events, (V{"changing", "cleared", "inserted 0 1", "inserted 1 1", "change"}));
}

TEST(CodeEditStringListIo, Files) {
  testing::TempFolder folder;
  const std::string name = folder.File("notes.txt");
  WriteFile(name, "one\rtwo\r");
  TCodeEditStringList list;
  list.LoadFromFile(name);
  EXPECT_EQ(Lines(list), (V{"one", "two", ""}));
  EXPECT_EQ(list.FileFormat(), sffMac);
  list.SetFileFormat(sffUnix);
  list.SaveToFile(name);
  EXPECT_EQ(ReadFile(name), "one\ntwo\n");
  list.SetFileFormat(sffDos);
  list.SaveToFile(name);
  EXPECT_EQ(ReadFile(name), "one\r\ntwo\r\n");

  // Lines longer than the writer's buffer, and many of them.
  std::string big;
  for (int i = 0; i < 3000; ++i) big += std::string(static_cast<std::size_t>(i % 50), 'x') + "\xC3\xA4\n";
  big += std::string(40000, 'y');
  Load(list, big);
  list.SaveToFile(name);
  EXPECT_EQ(ReadFile(name), big);
  list.Clear();
  list.SaveToFile(name);
  EXPECT_EQ(ReadFile(name), "");

  // A file that cannot be opened raises and leaves the list as it was.
  list.Add("kept");
  EXPECT_THROW(list.LoadFromFile(folder.File("missing.txt")), EFOpenError);
  EXPECT_THROW(list.SaveToFile(folder.File("no/such/folder.txt")), EFCreateError);
  EXPECT_EQ(Lines(list), (V{"kept"}));
}

TEST(CodeEditStringListIo, AFailedWriteIsReportedAndKeepsTheFileThatWasThere) {
  // The device accepts the open but refuses every byte: saving must not look like success.
  TCodeEditStringList list;
  list.Add("data");
  EXPECT_THROW(list.SaveToFile("/dev/full"), EWriteError);

  // A disk that fills while the new text is written keeps the old text, and says so.
  testing::TempFolder folder;
  const std::string name = folder.File("notes.txt");
  WriteFile(name, "the notes as they were\n");
  for (int i = 0; i < 10000; ++i) list.Add("a line of the new notes, number " + std::to_string(i));
  std::string message;
  {
    const testing::TFileSizeLimit disk(64 * 1024);
    try {
      list.SaveToFile(name);
    } catch (const EWriteError& e) {
      message = e.Message();
    }
  }
  EXPECT_EQ(message, "Cannot write file \"" + name + "\". File too large");
  EXPECT_EQ(ReadFile(name), "the notes as they were\n");
}

// A text loaded while memory runs short: the room for its lines is taken before the old lines go, so
// a failure leaves the old (perhaps unsaved) text and says why. Run in a fresh process (this program
// again, running only the step below) whose address space ends a little above what it uses: the new
// lines fit there once, not twice.
TEST(CodeEditStringListIo, LoadingShortOfMemoryKeepsTheOldText) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer's allocator cannot run under an address-space limit";
#else
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    ::alarm(60);
    ::execl("/proc/self/exe", "lab_editor_tests", "--gtest_also_run_disabled_tests",
            "--gtest_filter=CodeEditStringListIo.DISABLED_LoadShortOfMemory", static_cast<char*>(nullptr));
    std::_Exit(5);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0)
      << "1: loaded, 2: the old text or the message lost, 3: no limit set, 4: another error, 5: not started";
#endif
}

// The child's step of the test above.
TEST(CodeEditStringListIo, DISABLED_LoadShortOfMemory) {
  const std::string text(4'000'000, '\n');  // as many empty lines, 32 bytes of records each
  TCodeEditStringList list;
  list.Add("unsaved");
  list.OnInserted = [](TObject*, int, int) {};  // an editor listens: the list takes its room at once
  long pages = 0;
  if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (200u << 20);
  const rlimit address_space{limit, limit};
  if (pages == 0 || ::setrlimit(RLIMIT_AS, &address_space) != 0) std::_Exit(3);
  try {
    Load(list, text);
    std::_Exit(1);  // it fitted after all
  } catch (const ECodeEditStringList& e) {
    std::_Exit(e.Message() == "The text is too large for the memory left" && Lines(list) == V{"unsaved"} ? 0 : 2);
  } catch (...) {
    std::_Exit(4);
  }
}

}  // namespace
}  // namespace lab
