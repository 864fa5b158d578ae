#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "crashreport/module_data.h"
#include "crashreport/options.h"
#include "crashreport/unit_sections.h"
#include "crashreport/codec/zlib_memory.h"
#include "elf_image.h"
#include "options_fixture.h"
#include "tests/crashreport/test_files.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

namespace lab {
namespace {

// The options this test program was built with, and its pass phrase (cmake/crdata.cmake).
const char* const kPassPhrase = "test pass phrase";

// The stream of the options this test program was built with (tests/data/crashreport/options.txt).
std::vector<std::uint8_t> BuiltOptions() {
  TCrashModuleOptions options("prog", false);
  testing::FillEveryField(options);
  TMemoryStream stream;
  options.SaveToStream(&stream);
  const auto* bytes = static_cast<const std::uint8_t*>(stream.Memory());
  return {bytes, bytes + stream.Size()};
}

TEST(ModuleData, ThisProgramReadsItsOptionsFromItsSection) {
  TCrashModuleOptions loaded("prog", false);
  ASSERT_TRUE(LoadProgramOptions(loaded, kPassPhrase));
  TCrashModuleOptions expected("prog", false);
  testing::FillEveryField(expected);
  testing::ExpectSameOptions(expected, loaded);
  EXPECT_EQ(loaded.SMTPHost(), "mail.lab.example");

  // The wrong pass phrase finds no data and leaves the defaults.
  TCrashModuleOptions untouched("prog", false);
  EXPECT_FALSE(LoadProgramOptions(untouched, "wrong"));
  EXPECT_EQ(untouched.SMTPHost(), "");
  EXPECT_EQ(untouched.SMTPPort(), 25);
}

TEST(ModuleData, SectionIsFoundOnlyInElfFilesThatCarryIt) {
  std::vector<std::uint8_t> data;
  ASSERT_TRUE(ReadModuleDataSection("/proc/self/exe", data));
  TModuleData unpacked;
  ASSERT_TRUE(UnpackModuleData(data.data(), data.size(), kPassPhrase, unpacked));
  EXPECT_EQ(unpacked.Version, kOptionsStreamVersion);
  EXPECT_EQ(unpacked.Options, BuiltOptions());

  EXPECT_FALSE(ReadModuleDataSection("/bin/gzip", data));  // an ELF file without it
  EXPECT_FALSE(ReadModuleDataSection(std::string(LAB_TEST_DATA_DIR) + "/crashreport/options.bin", data));
  EXPECT_FALSE(ReadModuleDataSection("/nonexistent/program", data));
  const std::string cut = testing::Scratch("module_data_cut") + "/cut-elf";
  std::ifstream exe("/proc/self/exe", std::ios::binary);
  std::vector<char> head(4096);
  exe.read(head.data(), 4096);
  std::ofstream(cut, std::ios::binary).write(head.data(), 4096);
  EXPECT_FALSE(ReadModuleDataSection(cut, data));  // section headers past the end
}

std::string SectionText(const std::string& File, const char* Name) {
  std::vector<std::uint8_t> data;
  return ReadElfSection(File, Name, data) ? std::string(data.begin(), data.end()) : "(none)";
}

// Sections are found as libelf finds them: the reserved section 0 is never one, and a section of the
// name whose bytes lie outside the file (or that has none) gives way to the next one of the name.
TEST(ModuleData, ASectionIsReadAsLibelfReadsIt) {
  // Sections 1 and 2 are named ".crdata", 3 ".other" and 4 holds the names.
  const testing::TElfImage image({{".crdata", "first"}, {".crdata", "second"}, {".other", "x"}});
  const std::uint64_t size = image.Size();
  using TImage = testing::TElfImage;
  const struct {
    const char* Case;
    std::function<void(TImage&)> Change;
    const char* Expected;
  } cases[] = {
      {"as made", [](TImage&) {}, "first"},
      {"section 0 named", [](TImage& i) { i.Section(0) = i.Section(3), i.Section(0).sh_name = i.Section(1).sh_name; },
       "first"},
      {"first past the end", [&](TImage& i) { i.Section(1).sh_offset = size, i.Section(1).sh_size = 1; }, "second"},
      {"first ends past the end", [&](TImage& i) { i.Section(1).sh_size = size; }, "second"},
      {"first without bytes", [](TImage& i) { i.Section(1).sh_type = SHT_NOBITS; }, "second"},
      {"first no plain bytes", [](TImage& i) { i.Section(1).sh_type = SHT_GROUP; }, "second"},
      {"entries of any size", [](TImage& i) { i.Header().e_shentsize = 0x4640; }, "first"},
      {"both past the end", [&](TImage& i) { i.Section(1).sh_offset = i.Section(2).sh_offset = size + 1; }, "(none)"},
      {"first empty", [](TImage& i) { i.Section(1).sh_size = 0; }, ""},
      {"first empty past the end", [&](TImage& i) { i.Section(1).sh_size = 0, i.Section(1).sh_offset = 2 * size; }, ""},
      {"names compressed", [](TImage& i) { i.Section(4).sh_flags |= SHF_COMPRESSED; }, "(none)"},
      {"another ELF version", [](TImage& i) { i.Header().e_ident[EI_VERSION] = 2; }, "(none)"},
      {"names end inside the first name", [](TImage& i) { i.Section(4).sh_size = i.Section(1).sh_name + 7; }, "(none)"},
      {"names no string table", [](TImage& i) { i.Section(4).sh_type = SHT_PROGBITS; }, "(none)"},
      {"names in section 0", [](TImage& i) { i.Header().e_shstrndx = 0; }, "(none)"},
  };
  for (const auto& c : cases) {
    TImage changed = image;
    c.Change(changed);
    EXPECT_EQ(SectionText(changed.Write("section-reader"), ".crdata"), c.Expected) << c.Case;
  }
}

// The link time: decimal seconds that fit 64 bits, else none (never a time before 1970).
TEST(ModuleData, ABuildTimeIsReadOnlyWhenItFits) {
  const struct {
    std::string Text;
    std::int64_t Expected;
  } cases[] = {
      {"1700000000", 1700000000},
      {"9223372036854775807", INT64_MAX},
      {"9223372036854775808", 0},
      {"9999999999999999999", 0},
      {"18446744073709551617", 0},
      {"", 0},
      {"17000000x0", 0},
      {"-1", 0},
  };
  for (const auto& c : cases) {
    const testing::TElfImage image({{kBuildTimeSection, c.Text}});
    EXPECT_EQ(ReadModuleBuildTime(image.Write("build-time")), c.Expected) << c.Text;
  }
  EXPECT_EQ(ReadModuleBuildTime(testing::TElfImage({{".other", "1700000000"}}).Write("build-time")), 0);
}

TEST(ModuleData, PackedDataRoundTripsAndRejectsStrangers) {
  const auto options = BuiltOptions();
  const auto packed = PackModuleData(options.data(), options.size(), "phrase", 500);
  EXPECT_EQ(packed[0], 0x10);  // the magic, little-endian
  EXPECT_EQ(packed[2], 0x0F);
  TModuleData result;
  ASSERT_TRUE(UnpackModuleData(packed.data(), packed.size(), "phrase", result));
  EXPECT_EQ(result.Options, options);
  EXPECT_EQ(result.Version, 500);
  EXPECT_EQ(result.Values[0], 0u);

  EXPECT_FALSE(UnpackModuleData(packed.data(), packed.size(), "Phrase", result));
  for (std::size_t cut : {std::size_t{0}, std::size_t{10}, std::size_t{21}, packed.size() - 1})
    EXPECT_FALSE(UnpackModuleData(packed.data(), cut, "phrase", result)) << cut;
  auto stranger = packed;
  stranger[1] ^= 1;
  EXPECT_FALSE(UnpackModuleData(stranger.data(), stranger.size(), "phrase", result));
  // Damage after the first scrambled block keeps the magic but breaks the compressed data.
  auto damaged = packed;
  damaged[22 + 40] ^= 0x20;
  EXPECT_THROW(UnpackModuleData(damaged.data(), damaged.size(), "phrase", result), EZLibError);
}

// Each caller keys its own cipher: a program that reads one module's data while another thread
// reads another's (or converts a protected log) gets both right.
TEST(ModuleData, TwoThreadsUnpackWithTheirOwnPassPhrases) {
  const auto options = BuiltOptions();
  const char* const phrases[] = {"first phrase", "second phrase"};
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (const char* phrase : phrases) {
    threads.emplace_back([&, phrase] {
      for (int i = 0; i < 300; ++i) {
        TModuleData result;
        try {
          const auto packed = PackModuleData(options.data(), options.size(), phrase, 1);
          if (!UnpackModuleData(packed.data(), packed.size(), phrase, result) || result.Options != options) ++failures;
        } catch (const Exception&) {
          ++failures;
        }
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures, 0);
}

std::string g_reported;
void Reporter(const std::string& text) { g_reported = text; }
void Fine() {}
void Fails() { throw EConvertError("bad value"); }
void FailsOddly() { throw 42; }

TEST(UnitSections, FailuresAreNamedOnceAndNeverStray) {
  EXPECT_NO_THROW(SafeUnitSection(&Fine, "CrCore.Init"));
  try {
    SafeUnitSection(&Fails, "CrCore.Init");
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassType(), Exception::StaticClass());
    EXPECT_EQ(e.Message(), "Critical error at: \"CrCore.Init\"\r\nError: \"bad value\".");
  }
  try {
    SafeUnitSection(&FailsOddly, "CrHook.Done");
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Critical error at: \"CrHook.Done\"\r\nError: \"General internal error.\".");
  }

  SetInternalErrorReporter(&Reporter);
  EXPECT_THROW(SafeUnitSection(&Fails, "CrCore.Done"), EAbort);
  char address[32];
  std::snprintf(address, sizeof address, "%016llX",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(&Fails)));
  EXPECT_EQ(g_reported, std::string("CrCore.Done (Address: ") + address + ")");
  SetInternalErrorReporter(nullptr);
}

}  // namespace
}  // namespace lab
