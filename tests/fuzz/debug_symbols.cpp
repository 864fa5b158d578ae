// A module's routines and source lines as the call stacks read them, from any bytes: nothing is read
// outside them (the bytes sit in a buffer of their own size), every routine found lies within one of
// the file's sections, and the lookups agree with each other.

#include <gelf.h>
#include <libelf.h>

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "crashreport/report/debug_symbols.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using lab::TAddressDescription;
using lab::TModuleSymbols;
using lab::TRoutineSymbol;

// High enough that a file's addresses added to it may run past the top of the address space.
constexpr std::uintptr_t kBias = 0xffff'8000'0000'0000;

struct TFileView {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> Sections;  // address and size
  std::vector<std::uint64_t> Addresses;  // of the function symbols, and of their ends
};

// The sections and function symbols as libelf gives them, read here on a copy of the bytes.
TFileView ViewFile(const std::uint8_t* data, std::size_t size) {
  TFileView view;
  std::vector<char> copy(data, data + size);
  Elf* elf = copy.empty() ? nullptr : ::elf_memory(copy.data(), copy.size());
  if (!elf) return view;
  if (::elf_kind(elf) == ELF_K_ELF) {
    for (Elf_Scn* scn = nullptr; (scn = ::elf_nextscn(elf, scn)) != nullptr;) {
      GElf_Shdr header;
      if (!::gelf_getshdr(scn, &header)) continue;
      view.Sections.emplace_back(header.sh_addr, header.sh_size);
      if (header.sh_type != SHT_SYMTAB && header.sh_type != SHT_DYNSYM) continue;
      Elf_Data* symbols = ::elf_getdata(scn, nullptr);
      GElf_Sym symbol;
      for (int i = 1; symbols && i < 200 && ::gelf_getsym(symbols, i, &symbol); ++i) {
        if (GELF_ST_TYPE(symbol.st_info) != STT_FUNC) continue;
        view.Addresses.push_back(symbol.st_value);
        view.Addresses.push_back(symbol.st_value + symbol.st_size);
      }
    }
  }
  ::elf_end(elf);
  return view;
}

bool WithinASection(const TFileView& view, std::uint64_t start, std::uint64_t size) {
  for (const auto& [section_start, section_size] : view.Sections)
    if (start >= section_start && size <= section_size && start - section_start <= section_size - size) return true;
  return false;
}

void CheckRoutine(const TModuleSymbols& symbols, const TFileView& view, std::uintptr_t address) {
  TRoutineSymbol routine;
  const bool found = symbols.FindRoutine(address, routine);
  if (found) {
    LAB_FUZZ_CHECK(routine.Start <= address && routine.Start + routine.Size >= routine.Start);
    LAB_FUZZ_CHECK(address <= routine.Start + routine.Size);
    LAB_FUZZ_CHECK(!routine.Name.empty());
    LAB_FUZZ_CHECK(routine.Start >= kBias);
    LAB_FUZZ_CHECK(WithinASection(view, routine.Start - kBias, routine.Size));
    TRoutineSymbol again;
    LAB_FUZZ_CHECK(symbols.FindRoutine(routine.Start, again));
    LAB_FUZZ_CHECK(again.Start == routine.Start && again.Size == routine.Size && again.Name == routine.Name);
  }
  std::string file;
  int line = 0;
  const bool has_line = symbols.FindLine(address, file, line);
  const TAddressDescription d = symbols.Describe(address);
  LAB_FUZZ_CHECK(d.HasRoutine == found);
  // Code split off a function may be described from the function's own start.
  LAB_FUZZ_CHECK(!found || d.RoutineStart == routine.Start ||
                 lab::CloneOwnerName(routine.Name).size() != routine.Name.size());
  LAB_FUZZ_CHECK(d.HasLine == has_line);
  LAB_FUZZ_CHECK(!has_line || (d.Line == line && d.File.find('/') == std::string::npos));
  LAB_FUZZ_CHECK(d.RoutineHeadSize <= sizeof d.RoutineHead);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const TFileView view = ViewFile(data, size);
  const TModuleSymbols symbols({data, size}, kBias);
  std::set<std::uintptr_t> addresses = {kBias, ~std::uintptr_t(0)};
  for (std::uint64_t a : view.Addresses) addresses.insert(kBias + a);
  for (const auto& [start, size] : view.Sections) {
    addresses.insert(kBias + start);
    addresses.insert(kBias + start + size);
  }
  std::set<std::string> names;
  for (std::uintptr_t a : addresses) {
    CheckRoutine(symbols, view, a);
    TRoutineSymbol routine;
    if (names.size() < 8 && symbols.FindRoutine(a, routine)) names.insert(routine.Name);
  }
  // A routine's name leads to the start of a routine (the first of several of that name); the name of
  // code split off a function leads where the function's own name does.
  for (const std::string& name : names) {
    const std::uintptr_t start = symbols.FindSymbol(name);
    const std::string_view owner = lab::CloneOwnerName(name);
    if (owner.size() != name.size()) {
      LAB_FUZZ_CHECK(start == symbols.FindSymbol(owner));
      if (start == 0) continue;
    }
    TRoutineSymbol routine;
    LAB_FUZZ_CHECK(start != 0 && symbols.FindRoutine(start, routine) && routine.Start == start);
  }
  return 0;
}
