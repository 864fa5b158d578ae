// String lists read from text: lines (CR, LF or CR LF), comma text and delimited text with any
// delimiter and quote character the first two bytes name. Whatever a list reads, its own text of
// each kind reads back to the same strings.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/string_list.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

std::vector<std::string> Strings(const lab::TStrings& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  if (size < 2) return 0;
  const char delimiter = static_cast<char>(data[0]), quote = static_cast<char>(data[1]);
  const std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2);

  TStringList lines;
  lines.SetText(text);
  TStringList again;
  again.SetText(lines.Text());
  LAB_FUZZ_CHECK(Strings(again) == Strings(lines));

  TStringList comma;
  comma.SetCommaText(text);
  again.SetCommaText(comma.CommaText());
  LAB_FUZZ_CHECK(Strings(again) == Strings(comma));
  // The lines read as text come back through comma text too.
  again.SetCommaText(lines.CommaText());
  LAB_FUZZ_CHECK(Strings(again) == Strings(lines));

  // The delimiter and the quote are visible ASCII characters, two different ones: a blank or the
  // same character for both cannot tell the strings apart, and a byte above 127 is part of a
  // UTF-8 character to the quoting.
  auto visible = [](char c) { return c > ' ' && c < 127; };
  if (!visible(delimiter) || !visible(quote) || delimiter == quote) return 0;
  TStringList delimited;
  delimited.SetDelimiter(delimiter);
  delimited.SetQuoteChar(quote);
  delimited.SetDelimitedText(text);
  TStringList back;
  back.SetDelimiter(delimiter);
  back.SetQuoteChar(quote);
  back.SetDelimitedText(delimited.DelimitedText());
  LAB_FUZZ_CHECK(Strings(back) == Strings(delimited));
  lines.SetDelimiter(delimiter);
  lines.SetQuoteChar(quote);
  back.SetDelimitedText(lines.DelimitedText());
  LAB_FUZZ_CHECK(Strings(back) == Strings(lines));
  return 0;
}
