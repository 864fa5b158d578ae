// A module's ELF file as the crash reporter reads it: its version note, soname and exported routines,
// and its symbol table. Any bytes are refused or read without harm.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "crashreport/report/debug_symbols.h"
#include "crashreport/report/elf_file.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  static const std::string file = "/tmp/lab-fuzz-elf-" + std::to_string(::getpid());
  FILE* out = std::fopen(file.c_str(), "wb");
  if (!out) return 0;
  std::fwrite(data, 1, size, out);
  std::fclose(out);
  TElfFileFacts facts;
  if (ReadElfFileFacts(file, true, facts)) {
    for (const TElfExport& e : facts.Exports) LAB_FUZZ_CHECK(!e.Name.empty() && e.Name.size() <= 255);
  }
  const TModuleSymbols symbols(file, 0x10000);
  TRoutineSymbol routine;
  for (std::uintptr_t address : {std::uintptr_t(0), std::uintptr_t(0x10000), std::uintptr_t(0x11000)})
    if (symbols.FindRoutine(address, routine)) LAB_FUZZ_CHECK(routine.Start <= address);
  std::remove(file.c_str());
  return 0;
}
