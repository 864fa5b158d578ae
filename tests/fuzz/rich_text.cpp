// The rich-text reader on any bytes: it never fails, its text holds no control characters but tabs
// and the CR LF between paragraphs, and reading twice reads the same. The same bytes taken as a text
// and written as the crash report writes rich text read back to that text (invalid UTF-8 as Latin-1,
// lone CR and LF and other control characters dropped, a last empty line left out).

#include <cstdint>
#include <string>
#include <string_view>

#include "crashreport/report/report_rtf.h"
#include "platform/controls/rich_text.h"
#include "platform/rtl/utf8.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// What a text keeps through the escape and the reader.
std::string Kept(std::string_view Text) {
  std::string out;
  for (std::size_t from = 0;;) {
    const std::size_t at = Text.find("\r\n", from);
    for (char32_t c : lab::Utf8Decode(Text.substr(from, at == std::string_view::npos ? at : at - from)))
      if (c >= 0x20 || c == '\t') lab::Utf8Append(out, c);
    if (at == std::string_view::npos) break;
    out += "\r\n";
    from = at + 2;
  }
  if (out.ends_with("\r\n")) out.resize(out.size() - 2);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  const TRichText text = ReadRichText(input);
  const std::string plain = text.PlainText();
  LAB_FUZZ_CHECK(ReadRichText(input).PlainText() == plain);
  for (const TRichParagraph& p : text.Paragraphs)
    for (const TRichRun& run : p.Runs) {
      LAB_FUZZ_CHECK(!run.Text.empty());
      for (char32_t c : Utf8Decode(run.Text)) LAB_FUZZ_CHECK(c >= 0x20 || c == '\t');
    }

  const std::string rtf = RTFHeader(0, "monospace") + RTFEscape(input) + "}";
  LAB_FUZZ_CHECK(ReadRichText(rtf).PlainText() == Kept(input));
  return 0;
}
