// The "text/uri-list" another program hands over with a drop: any bytes read without harm, every
// file found is an absolute path without NUL, and a path written back as a file URI with every byte
// percent-encoded reads back as itself.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/backend/uri_list.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const std::string& path : LocalFilesOfUriList(bytes, "labhost")) {
    LAB_FUZZ_CHECK(!path.empty() && path.front() == '/');
    LAB_FUZZ_CHECK(path.find('\0') == std::string::npos);
    std::string uri = "file://labhost/";
    for (unsigned char c : path.substr(1)) {
      static const char kHex[] = "0123456789ABCDEF";
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
    const std::vector<std::string> again = LocalFilesOfUriList(uri, "labhost");
    LAB_FUZZ_CHECK(again.size() == 1 && again[0] == path);
  }
  return 0;
}
