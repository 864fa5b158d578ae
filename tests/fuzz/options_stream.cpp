// The crash reporter's options stream of any version from 401 on: a short or damaged stream raises
// EReadError; a stream that reads writes back as version 500 and reads again to the same bytes.

#include <cstdint>
#include <string>

#include "crashreport/options.h"
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
  if (size < 1) return 0;
  // The first byte picks the version: 401 to 500.
  const int version = 401 + data[0] % 100;
  TStringStream stream(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  TCrashModuleOptions options("fuzz", false);
  try {
    options.LoadFromStream(&stream, version);
  } catch (const EReadError&) {
    return 0;
  }
  const std::string saved = Save(options);
  TCrashModuleOptions again("fuzz", false);
  TStringStream back(saved);
  again.LoadFromStream(&back);
  LAB_FUZZ_CHECK(Save(again) == saved);
  return 0;
}
