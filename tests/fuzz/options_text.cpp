// The crash reporter's options text, as the build step reads it: any text either sets the options or
// raises EOptionsTextError naming the file and a line the text has; options it sets write a stream
// that reads back to themselves.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "crashreport/options.h"
#include "crashreport/options_text.h"
#include "platform/rtl/streams.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

std::string Save(lab::TCrashModuleOptions& options) {
  lab::TStringStream stream;
  options.SaveToStream(&stream);
  return stream.DataString();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TCrashModuleOptions options("fuzz", false);
  try {
    ReadOptionsText(text, "fuzz.txt", options);
  } catch (const EOptionsTextError& e) {
    const std::string& message = e.Message();
    LAB_FUZZ_CHECK(message.starts_with("fuzz.txt:"));
    const int line = std::atoi(message.c_str() + 9);
    const auto lines = std::count(text.begin(), text.end(), '\n') + 1;
    LAB_FUZZ_CHECK(line >= 1 && line <= lines);
    return 0;
  }
  const std::string saved = Save(options);
  TCrashModuleOptions again("fuzz", false);
  TStringStream back(saved);
  again.LoadFromStream(&back);
  LAB_FUZZ_CHECK(Save(again) == saved);
  return 0;
}
