#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "crashreport/module_data.h"
#include "crashreport/options.h"
#include "crashreport/unit_sections.h"
#include "crashreport/zlib_memory.h"
#include "options_fixture.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

namespace lab {
namespace {

// The options this test program was built with, and its pass phrase (cmake/crdata.cmake).
const char* const kPassPhrase = "test pass phrase";

std::vector<std::uint8_t> BuiltOptions() {
  std::ifstream in(std::string(LAB_TEST_DATA_DIR) + "/crashreport/options.bin", std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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
  const std::string cut = std::string(LAB_BUILD_DIR) + "/cut-elf";
  std::ifstream exe("/proc/self/exe", std::ios::binary);
  std::vector<char> head(4096);
  exe.read(head.data(), 4096);
  std::ofstream(cut, std::ios::binary).write(head.data(), 4096);
  EXPECT_FALSE(ReadModuleDataSection(cut, data));  // section headers past the end
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
