// The editor's line list loading any bytes: saving and loading again keeps the lines, and valid
// UTF-8 text whose lines all end the same way saves back byte for byte. Read in small blocks of any
// sizes, or as a file in ranges cut at any places, the bytes give the same lines as read at once.

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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
  LAB_FUZZ_CHECK(loader.Records().Count() == list.Count());
  for (int i = 0; i < list.Count(); ++i) LAB_FUZZ_CHECK(loader.Records()[i].String == list.GetLine(i));
  const bool cr = loader.SawCr(), lf = loader.SawLf();
  LAB_FUZZ_CHECK(list.FileFormat() == (cr && !lf ? sffMac : lf && !cr ? sffUnix : sffDos));

  // The bytes as a file, in up to four ranges cut where the first bytes point.
  const int fd = ::memfd_create("line_list", 0);
  LAB_FUZZ_CHECK(fd >= 0);
  LAB_FUZZ_CHECK(::write(fd, data, size) == static_cast<ssize_t>(size));
  std::vector<std::int64_t> cuts{0, static_cast<std::int64_t>(size)};
  for (std::size_t i = 0; i < std::min<std::size_t>(size, 3); ++i) cuts.push_back(data[i] % (size + 1));
  std::sort(cuts.begin(), cuts.end());
  std::vector<TLineLoader> ranges(cuts.size() - 1);
  {
    TFileStream file("/proc/self/fd/" + std::to_string(fd), fmOpenRead);
    for (std::size_t i = 0; i < ranges.size(); ++i)
      LoadFileRange(file, static_cast<std::int64_t>(size), cuts[i], cuts[i + 1], ranges[i], true);
  }
  ::close(fd);
  int line = 0;
  for (TLineLoader& range : ranges)
    for (int i = 0; i < range.Records().Count(); ++i, ++line)
      LAB_FUZZ_CHECK(line < list.Count() && range.Records()[i].String == list.GetLine(line));
  LAB_FUZZ_CHECK(line == list.Count());
  const bool valid = Utf8Encode(Utf8Decode(bytes)) == bytes;
  if (valid && OneBreakForm(bytes)) LAB_FUZZ_CHECK(saved == bytes);
  return 0;
}
