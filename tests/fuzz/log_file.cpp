// The log file's text: any bytes load into entries that each hold a table and end with their three
// CR LF pairs; the entries written back load as the same entries; fields are found and read inside
// their entry; whether a text is a log.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "crashreport/files/log_file.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> entries = SplitLogText(text);
  for (const std::string& entry : entries) {
    LAB_FUZZ_CHECK(entry.find("-\r\n|") != std::string::npos);
    LAB_FUZZ_CHECK(entry.ends_with("\r\n\r\n\r\n"));
    for (std::string_view id : {"1.1", "2.2", "2.5", "10.1"}) {
      const TLogFieldPlace place = FindLogField(entry, id);
      if (!place.Found) continue;
      LAB_FUZZ_CHECK(place.Start <= place.End && place.End <= entry.size());
      ReadLogField(entry, place);
    }
  }
  LAB_FUZZ_CHECK(SplitLogText(JoinLogText(entries)) == entries);
  // What a log holds written back is a log; a text taken for a log loses nothing when saved again.
  LAB_FUZZ_CHECK(IsLogText(JoinLogText(entries)));
  // (Line breaks made CR LF only grow.)
  if (IsLogText(text)) LAB_FUZZ_CHECK(JoinLogText(entries).size() >= text.size());
  return 0;
}
