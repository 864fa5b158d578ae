#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "crashreport/files/log_file.h"
#include "crashreport/report/log_item.h"
#include "crashreport/files/xml_log.h"
#include "platform/rtl/exceptions.h"
#include "test_files.h"

namespace lab {
namespace {

using testing::ReadAll;
using testing::Scratch;
using testing::WriteAll;

// A small report as the report text has it: header, an empty call-stack table and the CPU block's
// title. It ends with CR LF, as every report does.
std::string Report(const std::string& address, const std::string& message) {
  TLogItem item;
  item.AddGroup("Exception");
  item.AddItem("Date", "Wed, 31 Jan 2024 23:59:59 +0530", true);
  item.AddItem("Address", address, true);
  item.AddItem("Module", "lab_showcase", true);
  item.AddItem("Type", "lab::EConvertError", true);
  item.AddItem("Message", message, true);
  return "CrashLog 1.1.0\r\n\r\n" + item.GetText() +
         "\r\nCall Stack Information:\r\n"
         "-------------------\r\n"
         "|Address|Module|Unit|\r\n"
         "-------------------\r\n"
         "-------------------\r\n"
         "\r\n"
         "Registers:\r\n"
         "-----------\r\n"
         "\r\n";
}

const std::string kEnd = "\r\n\r\n\r\n";

std::string LF(std::string text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

TEST(LogFileText, EntriesRoundTripThroughTheFileText) {
  const std::vector<std::string> entries = {Report("A", "one") + kEnd, Report("B", "two") + kEnd,
                                            Report("C", "three") + kEnd};
  const std::string text = JoinLogText(entries);
  EXPECT_EQ(text, entries[0] + "\r\n" + entries[1] + "\r\n" + entries[2]);
  EXPECT_EQ(SplitLogText(text), entries);
  // Each entry keeps the report's own last line break, so every entry reads its version.
  for (const std::string& entry : SplitLogText(text)) EXPECT_EQ(LogEntryVersion(entry), "1.1.0");
}

TEST(LogFileText, MissingFinalBreaksLoneLineFeedsAndCutEntries) {
  const std::vector<std::string> entries = {Report("A", "one") + kEnd, Report("B", "two\r\nlines") + kEnd};
  const std::string text = JoinLogText(entries);
  // Without the last entry's three final CR LF pairs.
  EXPECT_EQ(SplitLogText(text.substr(0, text.size() - 6)), entries);
  // Lone line feeds, and lone carriage returns.
  EXPECT_EQ(SplitLogText(LF(text)), entries);
  std::string cr = LF(text);
  for (char& c : cr)
    if (c == '\n') c = '\r';
  EXPECT_EQ(SplitLogText(cr), entries);
  // A piece without a table (a report cut short) is dropped; the others stay.
  const std::string cut = Report("X", "cut").substr(0, 60) + kEnd;
  EXPECT_EQ(SplitLogText(entries[0] + "\r\n" + cut + "\r\n" + entries[1]), entries);
  EXPECT_TRUE(SplitLogText("-\r\n|x").empty());  // shorter than six bytes
  EXPECT_TRUE(SplitLogText("").empty());
  EXPECT_EQ(SplitLogText("-\r\n|ab").size(), 1u);
}

TEST(LogFileText, ALogIsTextWhoseEntriesAreAllItHolds) {
  const std::string one = Report("A", "one") + kEnd, two = Report("B", "two") + kEnd;
  const std::string log = JoinLogText({one, two});
  const struct {
    const char* Name;
    std::string Text;
    bool Log;
  } cases[] = {
      {"empty", "", true},
      {"two entries", log, true},
      {"line feeds", LF(log), true},
      {"more breaks at the end", log + "\r\n\r\n", true},
      {"final breaks missing", log.substr(0, log.size() - 6), true},
      {"the final line break missing", log.substr(0, log.size() - 2), true},
      {"cut in an entry", log.substr(0, one.size() + 40), false},
      {"an entry without a table", JoinLogText({one, "Note\r\n" + kEnd, two}), false},
      {"text after the last entry", log + "\r\nx", false},
      {"another program's", "[Window]\nLeft=10\n", false},
      {"a line break", "\r\n", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsLogText(c.Text), c.Log) << c.Name;
}

TEST(LogFile, LoadsAddsTrimsAndSavesTheFileByteForByte) {
  const std::string dir = Scratch("log_file_save");
  const std::string name = dir + "/app.clf";
  {
    TLogFile log(name, false);
    EXPECT_EQ(log.GetCount(), 0);
    EXPECT_EQ(ReadAll(name), "");  // nothing is written before Save
    for (char c = 'A'; c <= 'E'; ++c) log.AddEntry(Report(std::string(1, c), "m"), 32);
    log.Save();
    EXPECT_EQ(log.GetCount(), 5);
  }
  std::vector<std::string> expected;
  for (char c = 'A'; c <= 'E'; ++c) expected.push_back(Report(std::string(1, c), "m") + kEnd);
  EXPECT_EQ(ReadAll(name), JoinLogText(expected));

  TLogFile log(name, false);
  ASSERT_EQ(log.GetCount(), 5);
  EXPECT_EQ(log.GetEntry(4), expected[4]);
  EXPECT_EQ(log.GetText(), JoinLogText(expected));
  EXPECT_THROW(log.GetEntry(5), EStringListError);
  EXPECT_THROW(log.GetEntry(-1), EStringListError);
  log.AddEntry(Report("F", "m"), 1);
  ASSERT_EQ(log.GetCount(), 1);
  EXPECT_EQ(log.GetEntryField("2.2", 0), "");
  EXPECT_EQ(log.GetEntryField("1.2", 0), "F");
  log.Save();
  EXPECT_EQ(ReadAll(name), Report("F", "m") + kEnd);
  // The file is replaced whole: no temporary file is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);
}

TEST(LogFile, MaximumCountBelowOneKeepsTheNewEntry) {
  const std::string dir = Scratch("log_file_max");
  TLogFile log(dir + "/app.clf", false);
  log.AddEntry(Report("A", "m"), 5);
  log.AddEntry(Report("B", "m"), 0);
  ASSERT_EQ(log.GetCount(), 1);
  log.AddEntry(Report("C", "m"), -3);
  ASSERT_EQ(log.GetCount(), 1);
  EXPECT_EQ(log.GetEntryField("1.2", 0), "C");
  log.AddEntry("line\nbreaks\r", 5);  // stored with CR LF, as a reload would give them
  EXPECT_EQ(log.GetEntry(1), "line\r\nbreaks\r\n" + kEnd);
}

TEST(LogFile, TwoLogsSavingOneFileLoseNoEntry) {
  const std::string dir = Scratch("log_file_merge");
  const std::string name = dir + "/app.clf";
  {
    TLogFile seed(name, false);
    seed.AddEntry(Report("A", "m"), 3);
    seed.Save();
  }
  TLogFile first(name, false), second(name, false);
  first.AddEntry(Report("B", "m"), 3);
  second.AddEntry(Report("C", "m"), 3);
  second.AddEntry(Report("D", "m"), 3);
  first.Save();
  second.Save();  // keeps B, which it never loaded, then adds C and D trimmed to three
  TLogFile reread(name, false);
  ASSERT_EQ(reread.GetCount(), 3);
  EXPECT_EQ(reread.GetEntryField("1.2", 0), "B");
  EXPECT_EQ(reread.GetEntryField("1.2", 1), "C");
  EXPECT_EQ(reread.GetEntryField("1.2", 2), "D");
  EXPECT_EQ(second.GetText(), reread.GetText());
  first.Save();  // nothing new: the file stays as it is
  EXPECT_EQ(TLogFile(name, false).GetText(), reread.GetText());
}

TEST(LogFile, ProcessesSavingAtOnceLoseNoEntry) {
  const std::string dir = Scratch("log_file_processes");
  const std::string name = dir + "/app.clf";
  constexpr int kChildren = 6;
  // Each child writes what went wrong, if anything, to its own file.
  auto error_file = [&](int i) { return dir + "/error" + std::to_string(i); };
  std::vector<pid_t> children;
  for (int i = 0; i < kChildren; ++i) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int code = 0;
      try {
        TLogFile log(name, false);
        log.AddEntry(Report(std::to_string(i), "m"), 32);
        log.Save();
      } catch (const std::exception& e) {
        WriteAll(error_file(i), e.what());
        code = 1;
      }
      ::_exit(code);
    }
    children.push_back(pid);
  }
  for (int i = 0; i < kChildren; ++i) {
    int status = 0;
    ASSERT_EQ(::waitpid(children[i], &status, 0), children[i]);
    EXPECT_TRUE(WIFEXITED(status)) << "child " << i << " ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : 0, 0)
        << "child " << i << " failed to save: " << ReadAll(error_file(i));
  }
  TLogFile log(name, false);
  ASSERT_EQ(log.GetCount(), kChildren);
  std::vector<bool> seen(kChildren);
  for (int i = 0; i < kChildren; ++i) seen[std::stoi(log.GetEntryField("1.2", i))] = true;
  EXPECT_EQ(std::count(seen.begin(), seen.end(), true), kChildren);
}

TEST(LogFile, ReadOnlyLogRefusesToSaveAndFolderFailsToOpen) {
  const std::string dir = Scratch("log_file_read_only");
  const std::string name = dir + "/app.clf";
  WriteAll(name, Report("A", "m") + kEnd);
  TLogFile log(name, true);
  EXPECT_EQ(log.GetCount(), 1);
  log.AddEntry(Report("B", "m"), 3);
  EXPECT_THROW(log.Save(), EWriteError);
  EXPECT_EQ(ReadAll(name), Report("A", "m") + kEnd);
  std::filesystem::create_directories(dir + "/folder.clf");
  EXPECT_THROW(TLogFile(dir + "/folder.clf", true), EFOpenError);
}

TEST(LogFile, FieldSearchOnValuesOfSeveralLines) {
  const std::string dir = Scratch("log_file_fields");
  TLogFile log(dir + "/app.clf", false);
  const std::string message = "Cannot convert: 'x'\r\n\r\nsee:  the log";
  log.AddEntry(Report("00000000004011A0", message), 10);
  log.AddEntry(Report("00000000004011A0", "Short"), 10);
  // The stored form has ":_" and "."; reading gives the value back.
  EXPECT_NE(log.GetEntry(0).find("Cannot convert:_'x'"), std::string::npos);
  EXPECT_EQ(log.GetEntryField("1.5", 0), message);
  EXPECT_EQ(log.GetEntryField("1.5", 1), "Short");
  EXPECT_EQ(log.GetEntryField("1.5", 2), "");
  EXPECT_EQ(log.GetEntryField("1.5", -1), "");
  EXPECT_EQ(log.GetEntryField("9.9", 0), "");

  const std::vector<std::string> ids = {"1.2", "1.3", "1.4", "1.5"};
  EXPECT_TRUE(log.HasEntry(ids, std::vector<std::string>{"00000000004011A0", "lab_showcase", "lab::EConvertError", message}));
  EXPECT_TRUE(log.HasEntry(ids, std::vector<std::string>{"00000000004011A0", "lab_showcase", "lab::EConvertError", "Short"}));
  // Lone line feeds in the message are the same lines.
  EXPECT_TRUE(log.HasEntry(ids, std::vector<std::string>{"00000000004011A0", "lab_showcase", "lab::EConvertError",
                                                          "Cannot convert: 'x'\n\nsee:  the log"}));
  // A value that only begins like the stored one is another error.
  EXPECT_FALSE(log.HasEntry(ids, std::vector<std::string>{"00000000004011A0", "lab_showcase", "lab::EConvertError", "Sho"}));
  EXPECT_FALSE(log.HasEntry(ids, std::vector<std::string>{"00000000004011A0", "lab_showcase", "lab::EConvertError",
                                                           "Cannot convert: 'x'"}));
  EXPECT_FALSE(log.HasEntry(ids, std::vector<std::string>{"00000000004011A1", "lab_showcase", "lab::EConvertError", "Short"}));
  EXPECT_FALSE(log.HasEntry(std::vector<std::string>{"7.1"}, std::vector<std::string>{""}));
  EXPECT_THROW(log.HasEntry(ids, std::vector<std::string>{"x"}), EListError);
}

}  // namespace
}  // namespace lab
