#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "crashreport/report/header_values.h"
#include "platform/rtl/format_settings.h"

namespace lab {
namespace {

struct TPlainRecord {
  int Value;
};

TEST(HeaderValues, UpTimeInDaysHoursMinutesAndSeconds) {
  EXPECT_EQ(FormatUpTime(90061000), "1 day, 1 hour, 1 minute, 1 second");
  EXPECT_EQ(FormatUpTime(59000), "0 minute, 59 seconds");
  EXPECT_EQ(FormatUpTime(59999), "0 minute, 59 seconds");
  EXPECT_EQ(FormatUpTime(0), "0 minute, 0 second");
  EXPECT_EQ(FormatUpTime(2 * 86400000ull + 120000 + 2000), "2 days, 2 minutes, 2 seconds");
  EXPECT_EQ(FormatUpTime(7200000), "2 hours, 0 minute, 0 second");
  EXPECT_EQ(FormatUpTime(86399999), "23 hours, 59 minutes, 59 seconds");
}

TEST(HeaderValues, ProgramFacts) {
  EXPECT_EQ(FormatParameters(std::vector<std::string>{}), "");
  EXPECT_EQ(FormatParameters(std::vector<std::string>{"-P", "lab one", ""}), "\"-P\" \"lab one\" \"\"");
  EXPECT_EQ(FormatApplicationName("Lab showcase", "/opt/lab/showcase"), "Lab showcase");
  EXPECT_EQ(FormatApplicationName("", "/opt/lab/showcase"), "showcase");
  EXPECT_EQ(FormatApplicationVersion(""), "0.0.0.0");
  EXPECT_EQ(FormatApplicationVersion("1.2.3.4"), "1.2.3.4");
  EXPECT_EQ(FormatDisplayMode(1920, 1080, 32), "1920 x 1080, 32 bit");
  EXPECT_EQ(FormatWindowText("Jobs\r\n\tlist"), "Jobs list");
  EXPECT_EQ(FormatWindowText(std::string(300, 'x')), std::string(255, 'x'));
  // 255 characters, not bytes.
  std::string umlauts;
  for (int i = 0; i < 300; ++i) umlauts += "\xC3\xA4";
  EXPECT_EQ(FormatWindowText(umlauts), umlauts.substr(0, 510));
}

TEST(HeaderValues, ExceptionAddressTypeAndMessage) {
  EXPECT_EQ(FormatExceptionAddress(0), "");
  EXPECT_EQ(FormatExceptionAddress(0x5555555551a9), "00005555555551A9");
  EXPECT_EQ(FormatExceptionType(&typeid(std::runtime_error)), "std::runtime_error");
  EXPECT_EQ(FormatExceptionType(&typeid(TPlainRecord)), "lab::(anonymous namespace)::TPlainRecord");
  EXPECT_EQ(FormatExceptionType(&typeid(int)), "Unknown exception type.");
  EXPECT_EQ(FormatExceptionType(&typeid(const char*)), "Unknown exception type.");
  EXPECT_EQ(FormatExceptionType(nullptr), "Unknown exception type.");

  const std::string without = "Cannot open the file", with = "Done.", empty;
  EXPECT_EQ(FormatExceptionMessage(&without), "Cannot open the file.");
  EXPECT_EQ(FormatExceptionMessage(&with), "Done.");
  EXPECT_EQ(FormatExceptionMessage(&empty), "");
  EXPECT_EQ(FormatExceptionMessage(nullptr), "Unknown error message.");
}

TEST(HeaderValues, AccessViolationMessages) {
  TAccessFault fault{0x555555555123, 0x10, true, "/opt/lab/showcase"};
  EXPECT_EQ(FormatAccessViolation(fault),
            "Access violation at address 0000555555555123 in module 'showcase'. Write of address 0000000000000010.");
  EXPECT_EQ(AccessViolationMessage("Segmentation fault", fault), FormatAccessViolation(fault));
  // When the short form says nothing new, the module is named by its full file name.
  EXPECT_EQ(AccessViolationMessage(FormatAccessViolation(fault), fault),
            "Access violation at address 0000555555555123 in module '/opt/lab/showcase'. Write of address "
            "0000000000000010.");
  fault.Write = false;
  fault.ModuleFileName.clear();
  EXPECT_EQ(AccessViolationMessage(FormatAccessViolation(fault), fault),
            "Access violation at address 0000555555555123. Read of address 0000000000000010.");
}

TEST(HeaderValues, MemoryDiskProcessorAndLanguage) {
  EXPECT_EQ(FormatMemorySize(16ull << 30), "16384 Mb");
  EXPECT_EQ(FormatMemorySize(1572864), "2 Mb");          // 1.5 to even
  EXPECT_EQ(FormatMemorySize(2621440), "2 Mb");          // 2.5 to even
  EXPECT_EQ(FormatMemorySize(1048576 + 600000), "2 Mb");
  EXPECT_EQ(FormatMemorySize(0), "0 Mb");
  const TFormatSettings saved = FormatSettings;
  FormatSettings.DecimalSeparator = '.';
  EXPECT_EQ(FormatDiskSize(std::nullopt), "");
  EXPECT_EQ(FormatDiskSize(500107862016ull), "465.76 Gb");
  EXPECT_EQ(FormatDiskSize(1073741824ull * 2), "2 Gb");
  EXPECT_EQ(FormatDiskSize(0), "0 Gb");
  FormatSettings = saved;

  EXPECT_EQ(ProcessorFromCpuInfo("processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 158\n"
                                 "model name\t: Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz  \nstepping\t: 10\n\n"
                                 "processor\t: 1\nmodel name\t: Other\n"),
            "Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz");
  EXPECT_EQ(ProcessorFromCpuInfo("processor\t: 0\nvendor_id\t: AuthenticAMD\ncpu family\t: 23\nmodel\t\t: 1\n"
                                 "model name\t: \nstepping\t: 2\n"),
            "AuthenticAMD - Family 23 Model 1 Stepping 2");
  EXPECT_EQ(ProcessorFromCpuInfo("processor : 0\ncpu family : 6\nmodel : 2\nstepping : 3\n"), "Family 6 Model 2 Stepping 3");
  EXPECT_EQ(ProcessorFromCpuInfo("processor : 0\nvendor_id : GenuineIntel\n"), "Unknown processor");
  EXPECT_EQ(ProcessorFromCpuInfo(""), "Unknown processor");

  EXPECT_EQ(LanguageName("de_DE.UTF-8"), "German");
  EXPECT_EQ(LanguageName("pt_BR"), "Portuguese");
  EXPECT_EQ(LanguageName("sr_RS@latin"), "Serbian");
  EXPECT_EQ(LanguageName("C.UTF-8"), "English");
  EXPECT_EQ(LanguageName("POSIX"), "English");
  EXPECT_EQ(LanguageName("xx_YY"), "");
  EXPECT_EQ(LanguageName(""), "");
}

TEST(HeaderValues, NetworkAdaptersOneOrTwo) {
  EXPECT_EQ(FormatIPAddress("192.168.1.10"), "192.168.001.010");
  EXPECT_EQ(FormatIPAddress("0.0.0.0"), "000.000.000.000");
  EXPECT_EQ(FormatIPAddress(""), "000.000.000.000");
  EXPECT_EQ(FormatIPAddress("256.1.1.1"), "000.000.000.000");
  EXPECT_EQ(FormatIPAddress("1.2.3"), "000.000.000.000");
  EXPECT_EQ(FormatIPAddress("1.2.3.4.5"), "000.000.000.000");
  EXPECT_EQ(FormatIPAddress("1.2.3.0004"), "000.000.000.000");

  const TNetworkValues none = FormatNetworkValues({});
  EXPECT_EQ(none.IPAddress + none.Submask + none.Gateway + none.DNS1 + none.DNS2 + none.DHCP, "");

  // One adapter with one name server: the second is zeros.
  std::vector<TNetworkAdapter> adapters(1);
  adapters[0] = {"eth0", "192.168.1.10", "255.255.255.0", "192.168.1.1", {"192.168.1.1"}, std::nullopt};
  TNetworkValues one = FormatNetworkValues(adapters);
  EXPECT_EQ(one.IPAddress, "192.168.001.010");
  EXPECT_EQ(one.Submask, "255.255.255.000");
  EXPECT_EQ(one.Gateway, "192.168.001.001");
  EXPECT_EQ(one.DNS1, "192.168.001.001");
  EXPECT_EQ(one.DNS2, "000.000.000.000");
  EXPECT_EQ(one.DHCP, "??              ");

  adapters.push_back({"wlan0", "10.0.0.7", "255.0.0.0", "", {"8.8.8.8", "1.1.1.1", "9.9.9.9"}, true});
  adapters[0].DHCP = false;
  const TNetworkValues two = FormatNetworkValues(adapters);
  EXPECT_EQ(two.IPAddress, "192.168.001.010 - 010.000.000.007");
  EXPECT_EQ(two.Submask, "255.255.255.000 - 255.000.000.000");
  EXPECT_EQ(two.Gateway, "192.168.001.001 - 000.000.000.000");
  EXPECT_EQ(two.DNS1, "192.168.001.001 - 008.008.008.008");
  EXPECT_EQ(two.DNS2, "000.000.000.000 - 001.001.001.001");
  EXPECT_EQ(two.DHCP, "OFF              - ON              ");
}

}  // namespace
}  // namespace lab
