// The report as rich text: escapes, the general part and the CPU part byte for byte against golden
// files made from the golden report, and the character set of the user's locale.

#include <gtest/gtest.h>

#include <string>

#include "crashreport/report/report_rtf.h"
#include "platform/graphics/gdi_types.h"
#include "test_files.h"

namespace lab {
namespace {

using testing::ExpectGolden;
using testing::ReadAll;
using testing::TEnv;

std::string Data(const std::string& Name) { return std::string(LAB_TEST_DATA_DIR) + "/crashreport/" + Name; }


// The golden report's header and CPU block.
std::string ReportPart(const std::string& From, const std::string& To) {
  const std::string report = ReadAll(Data("report-two-threads.txt"));
  const std::size_t start = report.find(From);
  return report.substr(start, To.empty() ? std::string::npos : report.find(To) - start);
}

TEST(ReportRtf, Escapes) {
  struct TCase {
    const char* Text;
    const char* Escaped;
  };
  const TCase cases[] = {
      {"a\\b{c}d", "a\\\\b\\{c\\}d"},
      {"one\r\ntwo\r\n", "one\\par\r\ntwo\\par\r\n"},
      {"lone\nline\rbreaks", "lone\nline\rbreaks"},
      {"caf\xC3\xA9 \xE2\x82\xAC", "caf\\u233? \\u8364?"},       // é, €
      {"\xEF\xBF\xBF", "\\u-1?"},                                  // U+FFFF
      {"\xF0\x9F\x98\x80!", "\\u-10179?\\u-8704?!"},              // U+1F600 as two units
      {"\xFF", "\\u255?"},                                         // a stray byte as Latin-1
  };
  for (const TCase& c : cases) EXPECT_EQ(RTFEscape(c.Text), c.Escaped) << c.Text;
}

TEST(ReportRtf, GeneralPartByteForByte) {
  TEnv lang("LC_ALL", "de_DE.UTF-8");  // a western language: ANSI_CHARSET
  std::string header = ReportPart("CrashLog", "Call Stack Information:");
  header.resize(header.size() - 2);  // the empty line that parts the header from the call stack
  ExpectGolden(ReportToRTF(header), "report-general.rtf");
  // A label, ": " and a value holding braces.
  const std::string line = ReportToRTF("x\r\n  2.5 Message: a {b} c\r\n");
  EXPECT_NE(line.find("\r\n\\cf2   2.5 Message:\\cf4  a \\{b\\} c\\par\r\n}"), std::string::npos) << line;
}

TEST(ReportRtf, CpuPartByteForByte) {
  TEnv lang("LC_ALL", "C");
  ExpectGolden(CpuReportToRTF(ReportPart("Registers:", "")), "report-cpu.rtf");
  // The tab stop and the size follow the font: wider at a larger size.
  const TReportFont larger{"monospace", 10};
  EXPECT_GT(CpuTabStopTwips(larger), CpuTabStopTwips());
  EXPECT_NE(CpuReportToRTF("", larger).find("\\fs20\r\n\\pard\\tx" + std::to_string(CpuTabStopTwips(larger))),
            std::string::npos);
  // A CPU block the options left out is its title alone.
  const std::string title = CpuReportToRTF("Registers:\r\n----------\r\n\r\n");
  EXPECT_TRUE(title.ends_with("\\cf3\\b Registers:\\cf2\\b0\\par\r\n\\cf3 ----------\\cf2\\par\r\n\\par\r\n}")) << title;
}

TEST(ReportRtf, CharsetOfTheLocale) {
  struct TCase {
    const char* Locale;
    int CodePage;
    int Charset;
  };
  const TCase cases[] = {
      {"C", 1252, win::ANSI_CHARSET},          {"en_US.UTF-8", 1252, win::ANSI_CHARSET},
      {"ru_RU.UTF-8", 1251, win::RUSSIAN_CHARSET}, {"pl_PL", 1250, win::EASTEUROPE_CHARSET},
      {"el_GR.UTF-8", 1253, win::GREEK_CHARSET}, {"tr_TR", 1254, win::TURKISH_CHARSET},
      {"he_IL", 1255, win::HEBREW_CHARSET},     {"ar_EG.UTF-8", 1256, win::ARABIC_CHARSET},
      {"lt_LT", 1257, win::BALTIC_CHARSET},     {"vi_VN", 1258, win::VIETNAMESE_CHARSET},
      {"th_TH", 874, win::THAI_CHARSET},        {"ja_JP.UTF-8", 932, win::SHIFTJIS_CHARSET},
      {"zh_CN.UTF-8", 936, win::GB2312_CHARSET}, {"zh_TW.UTF-8", 950, win::CHINESEBIG5_CHARSET},
      {"ko_KR.UTF-8", 949, win::HANGUL_CHARSET}, {"sr_RS@latin", 1250, win::EASTEUROPE_CHARSET},
      {"sr_RS", 1251, win::RUSSIAN_CHARSET},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Locale);
    EXPECT_EQ(AnsiCodePageOfLocale(c.Locale), c.CodePage);
    EXPECT_EQ(CharsetOfCodePage(c.CodePage), c.Charset);
  }
  TEnv all("LC_ALL", nullptr), ctype("LC_CTYPE", "ru_RU.UTF-8");
  EXPECT_EQ(GetDefaultCharset(), win::RUSSIAN_CHARSET);
  EXPECT_NE(ReportToRTF("").find("\\fcharset204 monospace;"), std::string::npos);
}

}  // namespace
}  // namespace lab
