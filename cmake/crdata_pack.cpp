// Build step: reads a module's crash-reporting options from their text (crashreport/options_text.h)
// and packs their stream into the crash reporter's module data, ready to become the module's
// ".crdata" section. A wrong name or value stops the build with the file, line and name.
//   crdata_pack OPTIONS-TEXT OUTPUT [PASS-PHRASE]

#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>

#include "crashreport/module_data.h"
#include "crashreport/options.h"
#include "crashreport/options_text.h"
#include "platform/rtl/streams.h"

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: %s OPTIONS-TEXT OUTPUT [PASS-PHRASE]\n", argv[0]);
    return 2;
  }
  try {
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
      return 1;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    lab::TCrashModuleOptions options("", false);
    lab::ReadOptionsText(text, argv[1], options);
    lab::TMemoryStream stream;
    options.SaveToStream(&stream);
    const auto data = lab::PackModuleData(stream.Memory(), static_cast<std::size_t>(stream.Size()),
                                          argc == 4 ? argv[3] : "", lab::kOptionsStreamVersion);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    out.close();
    if (!out) {
      std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
      return 1;
    }
  } catch (const lab::EOptionsTextError& e) {
    std::fprintf(stderr, "%s\n", e.what());  // file:line: name: what is wrong
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 1;
  }
  return 0;
}
