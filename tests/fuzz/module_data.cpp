// The crash reporter's module data section: any bytes are either refused (not ours, or the wrong
// pass phrase), raise EZLibError for damaged compressed options, or unpack; what is packed unpacks
// to itself.

#include <cstdint>
#include <string_view>
#include <vector>

#include "crashreport/module_data.h"
#include "crashreport/codec/zlib_memory.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  constexpr std::string_view kPhrase = "fuzz pass phrase";
  for (std::string_view phrase : {std::string_view(), kPhrase}) {
    TModuleData unpacked;
    try {
      UnpackModuleData(data, size, phrase, unpacked);
    } catch (const EZLibError&) {
    }
  }
  const std::vector<std::uint8_t> packed = PackModuleData(data, size, kPhrase, 500);
  TModuleData unpacked;
  LAB_FUZZ_CHECK(UnpackModuleData(packed.data(), packed.size(), kPhrase, unpacked));
  LAB_FUZZ_CHECK(unpacked.Version == 500);
  LAB_FUZZ_CHECK(unpacked.Options == std::vector<std::uint8_t>(data, data + size));
  return 0;
}
