// The helper process's dialog request: any bytes read without harm, and what reads back writes
// bytes that read back to the same request.

#include <cstdint>
#include <string_view>

#include "crashreport/dialogs/dialog_helper.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  TCrashDialogRequest request;
  if (!ReadDialogRequest(std::string_view(reinterpret_cast<const char*>(data), size), request)) return 0;
  const std::string written = WriteDialogRequest(request);
  TCrashDialogRequest again;
  LAB_FUZZ_CHECK(ReadDialogRequest(written, again));
  LAB_FUZZ_CHECK(WriteDialogRequest(again) == written);
  return 0;
}
