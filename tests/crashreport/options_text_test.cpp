#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "crashreport/module_data.h"
#include "crashreport/options.h"
#include "crashreport/options_text.h"
#include "options_fixture.h"
#include "platform/rtl/streams.h"
#include "test_files.h"

namespace lab {
namespace {

std::string Problem(const std::string& Text) {
  TCrashModuleOptions options("prog", false);
  try {
    ReadOptionsText(Text, "crash.txt", options);
  } catch (const EOptionsTextError& e) {
    return e.Message();
  }
  return "(read)";
}

TEST(OptionsText, TheTestProgramsFileGivesEverySetting) {
  TCrashModuleOptions read("prog", false), expected("prog", false);
  const std::string file = std::string(LAB_TEST_DATA_DIR) + "/crashreport/options.txt";
  ReadOptionsText(testing::ReadAll(file), file, read);
  testing::FillEveryField(expected);
  testing::ExpectSameOptions(expected, read);

  // Settings not given keep their defaults.
  TCrashModuleOptions some("prog", false), defaults("prog", false);
  ReadOptionsText("# nothing but\n\n   # comments\r\nSMTPHost = mail\n", "some.txt", some);
  EXPECT_EQ(some.SMTPHost(), "mail");
  some.SetSMTPHost("");
  testing::ExpectSameOptions(defaults, some);
}

TEST(OptionsText, ValuesAsTheyAreWritten) {
  using TGet = std::function<std::string(const TCrashModuleOptions&)>;
  const auto number = [](auto get) {
    return TGet([get](const TCrashModuleOptions& o) { return std::to_string(get(o)); });
  };
  const TGet port = number([](const TCrashModuleOptions& o) { return o.SMTPPort(); });
  const TGet message = [](const TCrashModuleOptions& o) { return o.FreezeMessage(); };
  const TGet path = [](const TCrashModuleOptions& o) { return o.LogFilePath(); };
  const struct {
    std::string Text;
    TGet Get;
    std::string Expected;
  } cases[] = {
      {"SMTPPort = 0x50", port, "80"},
      {"smtpport=25", port, "25"},
      {"\xEF\xBB\xBFSMTPPort = 26\r\n", port, "26"},
      {"FreezeMessage = \"  two\\r\\nlines \\\"quoted\\\" \\\\ \\t\"", message, "  two\r\nlines \"quoted\" \\ \t"},
      {"FreezeMessage =   plain \"words\" stay   ", message, "plain \"words\" stay"},
      {"FreezeMessage =", message, ""},
      {"FreezeMessage = \"\"", message, ""},
      {"LogFilePath = C:\\Logs\\n", path, "C:\\Logs\\n"},
      {"FreezeActive = TRUE", number([](const TCrashModuleOptions& o) { return o.FreezeActive(); }), "1"},
      {"MaxLogEntries = -7", number([](const TCrashModuleOptions& o) { return o.MaxLogEntries(); }), "-7"},
      {"FreezeTimeout = -2147483648", number([](const TCrashModuleOptions& o) { return o.FreezeTimeout(); }),
       "-2147483648"},
      {"ReportItems = 0xFFFFFFFFFF", number([](const TCrashModuleOptions& o) { return o.ReportItems(); }),
       "1099511627775"},
      {"CustomizedTexts[95] = Last", [](const TCrashModuleOptions& o) { return o.GetCustomizedText(95); }, "Last"},
      {"ExceptionFilterSettings [ 2 ] = third",
       [](const TCrashModuleOptions& o) { return o.ExceptionFilterSettings()->CommaText(); }, ",,third"},
  };
  for (const auto& c : cases) {
    TCrashModuleOptions options("prog", false);
    ReadOptionsText(c.Text, "crash.txt", options);
    EXPECT_EQ(c.Get(options), c.Expected) << c.Text;
  }
}

// A wrong name or value names the file, the line and the name as written.
TEST(OptionsText, WrongNamesAndValuesAreNamedWithTheirLine) {
  const struct {
    std::string Text, Problem;
  } cases[] = {
      {"SMTPHots = x", "crash.txt:1: SMTPHots: no such setting"},
      {"Active = false", "crash.txt:1: Active: no such setting"},
      {"\n\n# port\nSMTPPort = 70000", "crash.txt:4: SMTPPort: 70000 is not between 0 and 65535"},
      {"SMTPPort = 99999999999999999999", "crash.txt:1: SMTPPort: \"99999999999999999999\" is not a whole number"},
      {"FreezeTimeout = soon", "crash.txt:1: FreezeTimeout: \"soon\" is not a whole number"},
      {"FreezeTimeout = 2147483648",
       "crash.txt:1: FreezeTimeout: 2147483648 is not between -2147483648 and 2147483647"},
      {"FreezeTimeout = 0x", "crash.txt:1: FreezeTimeout: \"0x\" is not a whole number"},
      {"FreezeActive = yes", "crash.txt:1: FreezeActive: \"yes\" is neither true nor false"},
      {"EmailSendMode = 4", "crash.txt:1: EmailSendMode: 4 is not between 0 and 3"},
      {"ReportItems = 0x10000000000", "crash.txt:1: ReportItems: 0x10000000000 is not between 0 and 1099511627775"},
      {"CustomizedTexts[96] = x", "crash.txt:1: CustomizedTexts[96]: the index is not below 96"},
      {"CustomizedTexts[-1] = x",
       "crash.txt:1: CustomizedTexts[-1]: the index in brackets is not a whole number from 0"},
      {"CustomizedTexts = x", "crash.txt:1: CustomizedTexts: an index in brackets is missing"},
      {"SMTPHost[0] = x", "crash.txt:1: SMTPHost[0]: the setting takes no index"},
      {"SMTPHost", "crash.txt:1: SMTPHost: \"=\" and a value are missing"},
      {" = x", "crash.txt:1: : the setting's name is missing"},
      {"SMTPHost = a\r\nsmtphost = b", "crash.txt:2: smtphost: given twice"},
      {"CustomizedTexts[3] = a\nCustomizedTexts[03] = b", "crash.txt:2: CustomizedTexts[03]: given twice"},
      {"FreezeMessage = \"open", "crash.txt:1: FreezeMessage: the text's closing quote is missing"},
      {"FreezeMessage = \"", "crash.txt:1: FreezeMessage: the text's closing quote is missing"},
      {"FreezeMessage = \"a\"b\"", "crash.txt:1: FreezeMessage: a quote inside a quoted text is written \\\""},
      {"FreezeMessage = \"a\\qb\"",
       "crash.txt:1: FreezeMessage: only \\\" \\\\ \\r \\n and \\t stand for a character in a quoted text"},
  };
  for (const auto& c : cases) EXPECT_EQ(Problem(c.Text), c.Problem) << c.Text;
}

// The build step: a wrong setting fails it with the file, line and name and writes nothing; a good
// file gives the data the crash reporter reads.
TEST(OptionsText, ThePackingStepStopsAtAWrongSetting) {
  const std::string folder = testing::Scratch("packing-step");
  testing::WriteAll(folder + "/bad.txt", "SMTPHost = mail\nSMTPHots = mail\n");
  testing::WriteAll(folder + "/good.txt", "SMTPHost = mail\nSMTPPort = 587\n");
  const std::string pack = std::string(LAB_CRDATA_PACK) + " " + folder;
  std::string output;
  EXPECT_EQ(testing::Shell(pack + "/bad.txt " + folder + "/bad.crdata", &output), 1);
  EXPECT_EQ(output, folder + "/bad.txt:2: SMTPHots: no such setting\n");
  EXPECT_FALSE(std::filesystem::exists(folder + "/bad.crdata"));

  ASSERT_EQ(testing::Shell(pack + "/good.txt " + folder + "/good.crdata phrase"), 0);
  const std::string packed = testing::ReadAll(folder + "/good.crdata");
  TModuleData data;
  ASSERT_TRUE(UnpackModuleData(packed.data(), packed.size(), "phrase", data));
  TMemoryStream stream;
  stream.WriteBuffer(data.Options.data(), static_cast<std::int64_t>(data.Options.size()));
  stream.SetPosition(0);
  TCrashModuleOptions options("prog", false);
  options.LoadFromStream(&stream, data.Version);
  EXPECT_EQ(options.SMTPHost(), "mail");
  EXPECT_EQ(options.SMTPPort(), 587);
}

}  // namespace
}  // namespace lab
