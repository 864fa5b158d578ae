#include "platform/classes/resources.h"

#include <gtest/gtest.h>

#include <string>

namespace lab {
namespace {

// resources/rcdata/LabProbe.dat holds "lab resource probe\n".
const std::string kProbe = "lab resource probe\n";

TEST(Resources, FoundByTypeAndNameWithoutCase) {
  const auto* r = FindResource("labprobe", "rcdata");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(r->Data), r->Size), kProbe);
  EXPECT_EQ(FindResource("LabProbe", "BITMAP"), nullptr);
  EXPECT_EQ(FindResource("LabProb", "RCDATA"), nullptr);
  EXPECT_EQ(LoadResource("LABPROBE", "RCDATA").size(), kProbe.size());
  try {
    LoadResource("DBGNOSUCH", "BITMAP");
    FAIL();
  } catch (const EResNotFound& e) {
    EXPECT_STREQ(e.what(), "Resource DBGNOSUCH not found");
  }
}

TEST(Resources, ResourceStreamReadsAndRefusesWrites) {
  TResourceStream s("LabProbe", "RCDATA");
  EXPECT_EQ(s.Size(), static_cast<std::int64_t>(kProbe.size()));
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, 3), 3);
  EXPECT_EQ(std::string(buf, 3), "lab");
  s.Seek(-6, soFromEnd);
  EXPECT_EQ(s.Read(buf, 100), 6);
  EXPECT_EQ(std::string(buf, 6), "probe\n");
  EXPECT_EQ(s.Read(buf, 1), 0);
  s.SetPosition(-3);
  EXPECT_EQ(s.Read(buf, 1), 0);
  EXPECT_THROW(s.Write("x", 1), EStreamError);
  EXPECT_THROW(s.SetSize(0), EStreamError);
  EXPECT_THROW(TResourceStream("Missing", "RCDATA"), EResNotFound);
}

}  // namespace
}  // namespace lab
