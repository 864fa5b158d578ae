// Inflating any bytes as zlib, raw deflate or a gzip member (directly and through the archive's
// stream reader): damage raises EZLibError and never hands out part of the data. What is compressed
// inflates back to itself.

#include <cstdint>
#include <string>
#include <vector>

#include "crashreport/codec/tar_gzip.h"
#include "crashreport/codec/zlib_memory.h"
#include "platform/rtl/streams.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  for (TZLibFormat format : {TZLibFormat::Zlib, TZLibFormat::Raw, TZLibFormat::GZip}) {
    try {
      DecompressBuf(data, size, format);
    } catch (const EZLibError&) {
    }
  }
  {
    TStringStream source(std::string(reinterpret_cast<const char*>(data), size));
    TStringStream dest("kept");
    dest.SetPosition(4);
    try {
      GZipDecompressStream(&source, &dest);
    } catch (const EZLibError&) {
      LAB_FUZZ_CHECK(dest.DataString() == "kept");
    }
  }
  for (TZLibFormat format : {TZLibFormat::Zlib, TZLibFormat::Raw}) {
    const std::vector<std::uint8_t> packed = CompressBuf(data, size, format);
    const std::vector<std::uint8_t> back = DecompressBuf(packed.data(), packed.size(), format);
    LAB_FUZZ_CHECK(back == std::vector<std::uint8_t>(data, data + size));
  }
  return 0;
}
