#include <gtest/gtest.h>

#include <string>

#include "crashreport/report/log_item.h"

namespace lab {
namespace {

TEST(LogItem, AlignsValuesPerGroupAndKeepsNumbersOfHiddenItemsAndGroups) {
  TLogItem item;
  item.AddGroup("Application");
  item.AddItem("Start Date", "today", true);
  item.AddItem("Parameters", "-x", false);
  item.AddItem("Name/Description", "lab", true);
  item.AddGroup("Active Controls");
  item.AddItem("Form Class", "TForm1", false);
  item.AddItem("Form Text", "Jobs", false);
  item.AddGroup("Computer");
  item.AddItem("Name", "pc", true);
  EXPECT_EQ(item.GroupNumber(), 3);
  EXPECT_EQ(item.ItemNumber(), 1);
  EXPECT_EQ(item.GetText(),
            "Application:\r\n"
            "-----------------------------\r\n"  // as long as the longest line
            "  1.1 Start Date      : today\r\n"
            "  1.3 Name/Description: lab\r\n"
            "\r\n"
            "Computer:\r\n"
            "--------------\r\n"
            "  3.1 Name: pc\r\n");
}

TEST(LogItem, LastGroupHiddenOrEverythingHidden) {
  TLogItem item(4);
  item.AddGroup("Network");
  item.AddItem("IP Address", "10.0.0.1", true);
  item.AddGroup("Extra");
  item.AddItem("Hidden", "x", false);
  EXPECT_EQ(item.GetText(),
            "Network:\r\n"
            "--------------------------\r\n"
            "  5.1 IP Address: 10.0.0.1\r\n");

  item.Clear();
  EXPECT_EQ(item.GroupNumber(), 4);
  EXPECT_EQ(item.GetText(), "");
  item.AddGroup("Only");
  item.AddItem("Hidden", "x", false);
  EXPECT_EQ(item.GetText(), "");
}

TEST(LogItem, ValueOfSeveralLinesIsEscapedAndIndentedToTheValueColumn) {
  TLogItem item;
  item.AddGroup("Exception");
  item.AddItem("Type", "E", true);
  // CR LF, a lone LF and a lone CR all break the value; a blank line is kept as ".".
  item.AddItem("Message", "Bad value: 12\r\n  \nsee: log\rend", true);
  EXPECT_EQ(item.GetText(),
            "Exception:\r\n"
            "----------------------------\r\n"
            "  1.1 Type   : E\r\n"
            "  1.2 Message: Bad value:_12\r\n"
            "               .\r\n"
            "               see:_log\r\n"
            "               end\r\n");
  // A value on one line keeps its ": ".
  TLogItem single;
  single.AddGroup("G");
  single.AddItem("L", "a: b", true);
  EXPECT_EQ(single.GetText(), "G:\r\n-------------\r\n  1.1 L: a: b\r\n");
}

TEST(LogItem, AlignmentCountsCharactersNotBytes) {
  TLogItem item;
  item.AddGroup("Ger\xC3\xA4t");
  item.AddItem("Gr\xC3\xB6\xC3\x9F" "e", "1", true);
  item.AddItem("Name", "x\r\ny", true);
  EXPECT_EQ(item.GetText(),
            "Ger\xC3\xA4t:\r\n"
            "--------------\r\n"
            "  1.1 Gr\xC3\xB6\xC3\x9F" "e: 1\r\n"
            "  1.2 Name : x\r\n"
            "             y\r\n");
}

}  // namespace
}  // namespace lab
