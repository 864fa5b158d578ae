#include <gtest/gtest.h>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/ini_file.h"
#include "platform/rtl/string_list.h"

namespace lab {
namespace {

TEST(MemIniFile, ReadsWhatItCanAndSkipsTheRest) {
  TMemIniFile ini("/nonexistent/folder/none.ini");  // a file that cannot be read starts empty
  EXPECT_EQ(ini.Text(), "");
  ini.SetText(
      "orphan=before any section\n"
      "; a comment\r\n"
      "  [ Coordinates ]  \r"
      "Left = 10 \n"
      "no equals sign\n"
      "=no name\n"
      "LEFT=11\n"
      "[a]b]\n"
      "x=\n"
      "[coordinates]\n"
      "Top=5");
  EXPECT_EQ(ini.ReadString("COORDINATES", "left", ""), "11");  // the last value, the first place
  EXPECT_EQ(ini.ReadString("Coordinates", "Top", ""), "5");
  EXPECT_EQ(ini.ReadString("a]b", "x", "default"), "");  // present but empty
  EXPECT_FALSE(ini.ValueExists("Coordinates", "orphan"));
  EXPECT_FALSE(ini.SectionExists("b"));
  EXPECT_EQ(ini.Text(), "[Coordinates]\r\nLeft=11\r\nTop=5\r\n\r\n[a]b]\r\nx=\r\n\r\n");
  TStringList sections;
  sections.Add("stale");
  ini.ReadSections(&sections);
  EXPECT_EQ(sections.Text(), "Coordinates\r\na]b\r\n");  // in file order, each once
}

TEST(MemIniFile, RefusesNamesThatWouldNotReadBack) {
  TMemIniFile ini("unused.ini");
  ini.WriteString("S", "K", "v");
  EXPECT_THROW(ini.WriteString("S\nX", "K", "v"), EConvertError);
  EXPECT_THROW(ini.WriteString("S", "", "v"), EConvertError);
  EXPECT_THROW(ini.WriteString("S", "a=b", "v"), EConvertError);
  EXPECT_THROW(ini.WriteString("S", ";K", "v"), EConvertError);
  EXPECT_THROW(ini.WriteString("S", "[K]", "v"), EConvertError);
  EXPECT_THROW(ini.WriteString("S", "K", "two\nlines"), EConvertError);
  EXPECT_EQ(ini.Text(), "[S]\r\nK=v\r\n\r\n");
  ini.WriteString(" T ", " k2 ", " spaced value ");
  TMemIniFile copy("unused.ini");
  copy.SetText(ini.Text());
  EXPECT_EQ(copy.ReadString("T", "K2", ""), "spaced value");
  EXPECT_EQ(ini.ReadString(" T ", " k2 ", ""), "spaced value");  // names as they were written
  EXPECT_TRUE(ini.ValueExists("t", "K2 "));
}

}  // namespace
}  // namespace lab
