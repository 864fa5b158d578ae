#include <sys/utsname.h>

#include <gtest/gtest.h>

#include <ctime>

#include <string>
#include <vector>

#include "crashreport/module_data.h"
#include "crashreport/report/system_facts.h"
#include "platform/rtl/clock.h"
#include "test_files.h"

namespace lab {
namespace {

using namespace std::string_literals;

TEST(SystemFactsParsers, MemInfoStatAndCommandLine) {
  const auto memory = ParseMemInfo("MemTotal:       16318540 kB\nMemFree:         1000 kB\nMemAvailable:   9000000 kB\n");
  ASSERT_TRUE(memory);
  EXPECT_EQ(memory->Total, 16318540ull * 1024);
  EXPECT_EQ(memory->Available, 9000000ull * 1024);
  const auto old_kernel = ParseMemInfo("MemTotal: 2048 kB\nMemFree: 1024 kB\n");
  ASSERT_TRUE(old_kernel);
  EXPECT_EQ(old_kernel->Available, 1024u * 1024);
  EXPECT_FALSE(ParseMemInfo("MemFree: 1 kB\n"));
  EXPECT_FALSE(ParseMemInfo("MemTotal: 99999999999999999999999 kB\n"));

  // The name may hold blanks and brackets; the start time is the 22nd field.
  const std::string stat = "4242 (my (odd) prog) S 1 4242 4242 0 -1 4194560 100 0 0 0 1 2 0 0 20 0 1 0 987654 12345 "
                           "300 18446744073709551615 1 1 0 0 0 0 0 0 0 0 0 0 17 3 0 0 0 0 0\n";
  EXPECT_EQ(ParseStatStartTicks(stat), 987654u);
  EXPECT_FALSE(ParseStatStartTicks("4242 (prog) S 1 2 3"));
  EXPECT_FALSE(ParseStatStartTicks("no bracket"));
  EXPECT_EQ(ParseBootTime("cpu  1 2 3\nbtime 1706745600\nprocesses 5\n"), 1706745600);
  EXPECT_FALSE(ParseBootTime("cpu 1 2 3\n"));
  // Numbers past 64 bits are no numbers, not what is left of them.
  EXPECT_EQ(ParseBootTime("btime 9223372036854775807\n"), INT64_MAX);
  EXPECT_FALSE(ParseBootTime("btime 18446744073709551616\n"));
  EXPECT_FALSE(ParseMemInfo("MemTotal: 18446744073709551617 kB\n"));
  EXPECT_FALSE(ParseStatStartTicks("1 (p) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 36893488147419103232 1\n"));

  EXPECT_EQ(ParseCommandLine("/opt/lab/prog\0-P\0lab one\0\0"s), (std::vector<std::string>{"-P", "lab one", ""}));
  EXPECT_EQ(ParseCommandLine("/opt/lab/prog\0"s), std::vector<std::string>{});
  EXPECT_EQ(ParseCommandLine(""), std::vector<std::string>{});
}

TEST(SystemFactsParsers, RouteTableAndResolver) {
  const std::string route =
      "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
      "eth0\t0000A8C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
      "eth0\t00000000\t0100A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
      "wlan0\t00000000\t0101000A\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
      "tun0\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n";
  const std::vector<TRouteGateway> gateways = ParseDefaultGateways(route);
  ASSERT_EQ(gateways.size(), 2u);
  EXPECT_EQ(gateways[0].Interface, "eth0");
  EXPECT_EQ(gateways[0].Gateway, "192.168.0.1");
  EXPECT_EQ(gateways[1].Interface, "wlan0");
  EXPECT_EQ(gateways[1].Gateway, "10.0.1.1");
  EXPECT_TRUE(ParseDefaultGateways("eth0\t00000000\tZZ\t0003\t0\t0\t0\t00000000\n").empty());
  // A gateway of 17 hexadecimal digits is not the address its last eight would give.
  EXPECT_TRUE(ParseDefaultGateways("eth0\t00000000\t1000000000100A8C0\t0003\t0\t0\t0\t00000000\n").empty());

  EXPECT_EQ(ParseNameServers("# generated\nsearch lab\nnameserver 192.168.1.1\nnameserver ::1\n"
                             "nameserver\t9.9.9.9 # second\nnameserver 300.1.1.1\n;nameserver 8.8.8.8\n"),
            (std::vector<std::string>{"192.168.1.1", "9.9.9.9"}));
}

TEST(SystemFacts, ReadFromThisSystem) {
  const TDateTime start = ProgramStartTime();
  EXPECT_GT(start, 0);
  EXPECT_LE(start, Now() + 1.0 / 86400);
  EXPECT_GT(start, Now() - 1.0);  // this test program started less than a day ago
  EXPECT_GT(SystemUpTimeMs(), 0u);
  EXPECT_FALSE(CurrentUserName().empty());
  const auto memory = ReadMemoryFacts();
  ASSERT_TRUE(memory);
  EXPECT_GE(memory->Total, memory->Available);
  const auto disk = ReadDiskFacts("/");
  ASSERT_TRUE(disk);
  EXPECT_GE(disk->Total, disk->FreeToCaller);
  EXPECT_FALSE(ReadDiskFacts("/no/such/folder"));
  utsname names{};
  ASSERT_EQ(::uname(&names), 0);
  EXPECT_EQ(SystemBuildText(), names.release);
  EXPECT_EQ(SystemUpdateText(), names.version);
  EXPECT_FALSE(ReadProcessorText().empty());
  const auto adapters = ReadNetworkAdapters();
  ASSERT_TRUE(adapters);
  for (const TNetworkAdapter& adapter : *adapters) {
    EXPECT_NE(adapter.Name, "lo");
    EXPECT_FALSE(adapter.Address.empty());
  }
}

TEST(SystemFacts, BuildTimeStampedIntoTheProgram) {
  const std::int64_t stamp = ReadModuleBuildTime("/proc/self/exe");
  EXPECT_GT(stamp, 1700000000);  // after the project began
  EXPECT_LE(UnixToLocalDateTime(stamp), Now());
  EXPECT_EQ(ReadModuleBuildTime("/bin/sh"), 0);  // a program without the stamp
  EXPECT_EQ(ReadModuleBuildTime(std::string(LAB_TEST_DATA_DIR) + "/crashreport/report.txt"), 0);
  {
    testing::TEnv zone("TZ", "Asia/Kolkata");
    ::tzset();
    EXPECT_EQ(UnixToLocalDateTime(1706745599, 250), EncodeDate(2024, 2, 1) + EncodeTime(5, 29, 59, 250));
    testing::TEnv utc("TZ", "UTC");
    ::tzset();
    EXPECT_EQ(UnixToLocalDateTime(0), EncodeDate(1970, 1, 1));
  }
  ::tzset();
}

TEST(SystemFacts, LanguageFollowsTheMessageLocale) {
  testing::TEnv all("LC_ALL", nullptr), messages("LC_MESSAGES", nullptr), lang("LANG", "de_DE.UTF-8");
  EXPECT_EQ(SystemLanguageText(), "German");
  {
    testing::TEnv set("LC_MESSAGES", "fr_FR.UTF-8");
    EXPECT_EQ(SystemLanguageText(), "French");
    testing::TEnv over("LC_ALL", "C");
    EXPECT_EQ(SystemLanguageText(), "English");
  }
  testing::TEnv none("LANG", nullptr);
  EXPECT_EQ(SystemLanguageText(), "English");
}

}  // namespace
}  // namespace lab
