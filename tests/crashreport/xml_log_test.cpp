#include <gtest/gtest.h>

#include <string>

#include "crashreport/files/log_file.h"
#include "crashreport/files/xml_builder.h"
#include "crashreport/files/xml_log.h"
#include "platform/rtl/exceptions.h"
#include "test_files.h"

namespace lab {
namespace {

using testing::ReadAll;
using testing::Scratch;
using testing::Shell;
using testing::WriteAll;

const std::string kEnd = "\r\n\r\n\r\n";

std::string Sample() { return ReadAll(std::string(LAB_TEST_DATA_DIR) + "/crashreport/report.txt"); }

// The XML of the one Log element, without the document around it.
std::string Log(const std::string& entry, const std::string& password = "") {
  return LogEntryToXML(entry + kEnd, password);
}

TEST(XMLItem, EscapesAttributesAndWritesElements) {
  TXMLItem item("Line");
  item.AddAttribute("A", "a\rb\nc\td\"e&f'g<h>i\x7F");
  item.AddAttribute("B", std::string("x\x01y\x1Fz\0w", 7));
  item.AddAttribute("C", "\xC3\x9C" "ber \xE2\x82\xAC \xFF\xC3");  // UTF-8 stays; stray bytes are referenced
  EXPECT_EQ(item.GetXML(),
            "<Line A=\"a&#013;b&#010;c&#009;d&#034;e&#038;f&#039;g&#060;h&#062;i&#127;\" B=\"x y z w\" "
            "C=\"\xC3\x9C" "ber \xE2\x82\xAC &#255;&#195;\"/>\r\n");

  TXMLItem doc("Doc");
  doc.SetIndent(" ");
  TXMLItem* child = doc.AddItem("Child");
  EXPECT_EQ(child->Parent(), &doc);
  child->AddItem("Leaf")->SetText("raw <b>");
  doc.AddItem("Empty");
  EXPECT_EQ(doc.GetXML(),
            " <Doc>\r\n"
            "   <Child>\r\n"
            "     <Leaf>raw <b></Leaf>\r\n"
            "   </Child>\r\n"
            "   <Empty/>\r\n"
            " </Doc>\r\n");
  TXMLItems items;
  items.Add("X")->SetText("t");
  EXPECT_EQ(items.Count(), 1);
  EXPECT_EQ(items.Items(0)->GetXML(), "<X>t</X>\r\n");
  EXPECT_THROW(items.Items(1), EListError);
}

TEST(XMLLog, GoldenLogOfAHandMadeReport) {
  const std::string dir = Scratch("xml_log_golden");
  WriteAll(dir + "/app.clf", Sample() + kEnd);
  TLogFile log(dir + "/app.clf", true);
  ASSERT_EQ(log.GetCount(), 1);
  log.SetPassword("secret");
  log.SaveToXML(dir + "/app.xml");
  EXPECT_EQ(ReadAll(dir + "/app.xml"), ReadAll(std::string(LAB_TEST_DATA_DIR) + "/crashreport/report.xml"));
  std::string output;
  EXPECT_EQ(Shell("xmllint --noout " + dir + "/app.xml", &output), 0) << output;

  // Two entries: the second Log starts on the line where the first ends.
  const std::string two = LogToXML({Sample() + kEnd, Sample() + kEnd}, "");
  EXPECT_NE(two.find("\r\n  </Log><Log Version=\"1.1.0\">\r\n"), std::string::npos);
  EXPECT_TRUE(two.ends_with("\r\n</Log></Doc>"));
  WriteAll(dir + "/two.xml", two);
  EXPECT_EQ(Shell("xmllint --noout " + dir + "/two.xml", &output), 0) << output;
  EXPECT_EQ(LogToXML({}, ""), "<Doc>\r\n</Doc>");
}

TEST(XMLLog, ProtectedNamesNeedTheRightPassword) {
  const std::string protected_row =
      "<Line Address=\"00005555555563C4\" Module=\"lab_showcase\" Unit=\"?pok05HaW8lw==\" Class=\"?\" "
      "Procedure=\"?79hu43ZTj+QX7xk=\" Number=\"\" Offset=\"\"/>";
  EXPECT_NE(Log(Sample()).find(protected_row), std::string::npos);
  EXPECT_NE(Log(Sample(), "wrong").find(protected_row), std::string::npos);
  const std::string clear = Log(Sample(), "secret");
  EXPECT_NE(clear.find("Unit=\"Secrets.cpp\" Class=\"TVault\" Procedure=\"Open\""), std::string::npos);
  // Cells that do not decrypt to a name stay as they are, even with the right password.
  EXPECT_NE(clear.find("Unit=\"?pAAAAAAAA\" Class=\"?AAAA\" Procedure=\"?AAAA\" Number=\"9\""), std::string::npos);
}

TEST(XMLLog, MissingSectionsGiveEmptyElements) {
  // No table at all: only the header.
  const std::string header_only = "CrashLog 1.1.0\r\n\r\nG:\r\n-----\r\n  1.1 L: v\r\n";
  EXPECT_EQ(Log(header_only),
            "<Log Version=\"1.1.0\">\r\n"
            "  <General>\r\n"
            "    <Group ID=\"1\" Label=\"G\">\r\n"
            "      <Line ID=\"1.1\" Label=\"L\" Value=\"v\"/>\r\n"
            "    </Group>\r\n"
            "  </General>\r\n"
            "  <CallStack/>\r\n"
            "  <Modules/>\r\n"
            "  <CPU/>\r\n"
            "</Log>");
  // Modules and CPU switched off: their section titles only.
  const std::string titles =
      "CrashLog 1.1.0\r\n\r\nG:\r\n-----\r\n  1.1 L: v\r\n\r\n"
      "Call Stack Information:\r\n----\r\n|Address|\r\n----\r\n----\r\n\r\n"
      "Modules Information:\r\n---------------------\r\n\r\n"
      "Registers:\r\n-----------\r\n\r\n";
  const std::string xml = Log(titles);
  EXPECT_NE(xml.find("  <CallStack/>\r\n  <Modules/>\r\n  <CPU/>\r\n</Log>"), std::string::npos) << xml;

  // A report without a register context: no register attributes, the dump lines still read.
  std::string no_context = Sample();
  std::size_t line = no_context.find("\r\nRAX: ") + 2;
  for (int i = 0; i < 8; ++i, line = no_context.find("\r\n", line) + 2) {
    no_context.replace(line + 5, 16, "????            ");
    no_context.replace(line + 29, 16, "????            ");
  }
  const std::string cpu = Log(no_context);
  EXPECT_NE(cpu.find("<CPU>\r\n    <Registers/>\r\n    <Stack>"), std::string::npos) << cpu;
}

TEST(XMLLog, OldReportsHaveOneThreadAndTheStepsToReproduce) {
  const std::string old =
      "CrashLog 0.9.8\r\n\r\nG:\r\n-----\r\n  1.1 L: v\r\n\r\n"
      "Call Stack Information:\r\n"
      "-------------\r\n|Address|Module|Unit|Class|Procedure|Line|\r\n-------------\r\n"
      "|004011A0|app.exe|Main|TForm1|Click|12|\r\n"
      "| Some Thread: ID=1 |\r\n"
      "|004011B0|app.exe|Main||Run|7[2]|\r\n"
      "-------------\r\n\r\n"
      "Modules Information:\r\n"
      "------\r\n|Handle|Name|Description|Version|Size|Path|\r\n------\r\n"
      "|00400000|app.exe|App|1.0|1000|C:\\app\\|\r\n"
      "------\r\n\r\n"
      "Registers:\r\n------\r\nEAX: 00000000   EDI: 00000000\r\n\r\n"
      "Stack:    Memory Dump:\r\n------   ------\r\n\r\n"
      "How to reproduce:\r\n------------------\r\nClick the button\r\ntwice.\r\n\r\n";
  const std::string xml = Log(old);
  EXPECT_NE(xml.find("<CallStack>\r\n"
                     "    <ExceptionThread>\r\n"
                     "      <Line Address=\"004011A0\" Module=\"app.exe\" Unit=\"Main\" Class=\"TForm1\" "
                     "Procedure=\"Click\" Number=\"12\" Offset=\"\"/>\r\n"
                     "      <Line Address=\"004011B0\" Module=\"app.exe\" Unit=\"Main\" Class=\"\" "
                     "Procedure=\"Run\" Number=\"7\" Offset=\"2\"/>\r\n"
                     "    </ExceptionThread>\r\n"
                     "  </CallStack>"),
            std::string::npos)
      << xml;
  EXPECT_NE(xml.find("<Module Handle=\"00400000\" Name=\"app.exe\" Description=\"App\" Version=\"1.0\" Size=\"1000\" "
                     "Path=\"C:\\app\\\"/>"),
            std::string::npos);
  EXPECT_NE(xml.find("  <CPU/>\r\n  <HoToReproduce Text=\"Click the button&#013;&#010;twice.\"/>\r\n</Log>"),
            std::string::npos)
      << xml;
  EXPECT_EQ(LogEntryVersion("CrashLog 0.9.8\r\n"), "0.9.8");
  EXPECT_EQ(LogEntryVersion("CrashLog"), "");
  // A report of this version has no steps to reproduce.
  EXPECT_EQ(Log(Sample()).find("HoToReproduce"), std::string::npos);
}

}  // namespace
}  // namespace lab
