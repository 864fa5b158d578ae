// Build step: packs an options stream into the crash reporter's module data, ready to become a
// program's ".crdata" section.
//   crdata_pack OPTIONS-STREAM OUTPUT [PASS-PHRASE]

#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <vector>

#include "crashreport/module_data.h"
#include "crashreport/options.h"

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: %s OPTIONS-STREAM OUTPUT [PASS-PHRASE]\n", argv[0]);
    return 2;
  }
  try {
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
      return 1;
    }
    const std::vector<char> options{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto data =
        lab::PackModuleData(options.data(), options.size(), argc == 4 ? argv[3] : "", lab::kOptionsStreamVersion);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    out.close();
    if (!out) {
      std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 1;
  }
  return 0;
}
