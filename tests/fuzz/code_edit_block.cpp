// The editor's block clipboard format as another program may hand it over: any bytes read without
// harm, in one of the three modes, and a block written by an editor reads back as written.

#include <cstdint>
#include <string>
#include <string_view>

#include "editor/clipboard_block.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<TCodeEditBlock> block = ReadCodeEditBlock(bytes);
  LAB_FUZZ_CHECK(block.has_value() == (size > 0));
  if (!block) return 0;
  LAB_FUZZ_CHECK(block->Mode <= smColumn);
  LAB_FUZZ_CHECK(block->Text.size() < size);
  LAB_FUZZ_CHECK(block->Text.find('\0') == std::string::npos);
  const std::string written = WriteCodeEditBlock(block->Mode, block->Text);
  const std::optional<TCodeEditBlock> again = ReadCodeEditBlock(written);
  LAB_FUZZ_CHECK(again && again->Mode == block->Mode && again->Text == block->Text);
  return 0;
}
