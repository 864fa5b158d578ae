// The helper process's answer: any bytes read without harm; an answer read whole writes the bytes
// it was read from (those of its length), and one cut short is never taken as whole.

#include <cstdint>
#include <string_view>

#include "crashreport/dialogs/dialog_helper.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  TCrashDialogAnswer answer;
  if (ReadDialogAnswer(bytes, answer) != TAnswerRead::Whole) return 0;
  const std::string written = WriteDialogAnswer(answer);
  TCrashDialogAnswer again;
  LAB_FUZZ_CHECK(ReadDialogAnswer(written, again) == TAnswerRead::Whole);
  LAB_FUZZ_CHECK(WriteDialogAnswer(again) == written);
  LAB_FUZZ_CHECK(ReadDialogAnswer(written.substr(0, written.size() - 1), again) != TAnswerRead::Whole);
  return 0;
}
