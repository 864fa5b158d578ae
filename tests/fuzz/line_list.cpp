// The editor's line list loading any bytes: saving and loading again keeps the lines, and valid
// UTF-8 text whose lines all end the same way saves back byte for byte. Read in small blocks of any
// sizes, the bytes give the same lines as read at once.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "editor/line_loader.h"
#include "editor/text_buffer.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/utf8.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

std::string Save(lab::TCodeEditStringList& list) {
  lab::TStringStream stream;
  list.SaveToStream(&stream);
  return stream.DataString();
}

void Load(lab::TCodeEditStringList& list, const std::string& bytes) {
  lab::TStringStream stream(bytes);
  list.LoadFromStream(&stream);
}

// True when every line break is the same one of CR LF, LF and CR.
bool OneBreakForm(std::string_view s) {
  const std::size_t crlf = [&] {
    std::size_t n = 0;
    for (std::size_t i = s.find("\r\n"); i != std::string_view::npos; i = s.find("\r\n", i + 2)) ++n;
    return n;
  }();
  const auto cr = static_cast<std::size_t>(std::count(s.begin(), s.end(), '\r'));
  const auto lf = static_cast<std::size_t>(std::count(s.begin(), s.end(), '\n'));
  return (crlf == cr && crlf == lf) || (cr == 0) || (lf == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  TCodeEditStringList list;
  Load(list, bytes);
  const std::string saved = Save(list);
  TCodeEditStringList again;
  Load(again, saved);
  LAB_FUZZ_CHECK(again.Count() == list.Count());
  for (int i = 0; i < list.Count(); ++i) LAB_FUZZ_CHECK(again.GetLine(i) == list.GetLine(i));
  LAB_FUZZ_CHECK(Save(again) == saved);

  // Blocks of 1 to 8 bytes, each size taken from the byte it starts at.
  TLineLoader loader;
  for (std::size_t at = 0; at < size;) {
    const std::size_t n = std::min<std::size_t>(size - at, 1 + data[at] % 8);
    loader.Feed(std::string_view(bytes).substr(at, n));
    at += n;
  }
  loader.Finish(true);
  LAB_FUZZ_CHECK(loader.Lines().size() == static_cast<std::size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) LAB_FUZZ_CHECK(loader.Lines()[static_cast<std::size_t>(i)] == list.GetLine(i));
  const bool cr = loader.SawCr(), lf = loader.SawLf();
  LAB_FUZZ_CHECK(list.FileFormat() == (cr && !lf ? sffMac : lf && !cr ? sffUnix : sffDos));
  const bool valid = Utf8Encode(Utf8Decode(bytes)) == bytes;
  if (valid && OneBreakForm(bytes)) LAB_FUZZ_CHECK(saved == bytes);
  return 0;
}
