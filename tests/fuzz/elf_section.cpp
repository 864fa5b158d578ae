// The crash reporter's reader of a module file's sections (its data, its link time) finds what libelf
// finds in any bytes: the same section of plain bytes of a name, with the same contents, or none.
// Compared on the files the reader is made for, 64-bit little-endian ELF; it refuses every other.

#include <elf.h>
#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "crashreport/module_data.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// The first section of plain bytes of the name whose bytes libelf gives, as a program using libelf
// would look for the sections our build steps add.
std::optional<std::vector<std::uint8_t>> LibelfSection(Elf* elf, const char* name) {
  std::size_t names = 0;
  if (::elf_getshdrstrndx(elf, &names) != 0) return std::nullopt;
  for (Elf_Scn* scn = nullptr; (scn = ::elf_nextscn(elf, scn)) != nullptr;) {
    GElf_Shdr header;
    if (!::gelf_getshdr(scn, &header) || header.sh_type != SHT_PROGBITS) continue;
    const char* section_name = ::elf_strptr(elf, names, header.sh_name);
    if (!section_name || std::strcmp(section_name, name) != 0) continue;
    Elf_Data* data = ::elf_rawdata(scn, nullptr);
    if (!data) continue;
    const auto* bytes = static_cast<const std::uint8_t*>(data->d_buf);
    return bytes ? std::vector<std::uint8_t>(bytes, bytes + data->d_size) : std::vector<std::uint8_t>();
  }
  return std::nullopt;
}

bool IsLittleEndian64(const std::uint8_t* data, std::size_t size) {
  return size >= EI_NIDENT && std::memcmp(data, ELFMAG, SELFMAG) == 0 && data[EI_CLASS] == ELFCLASS64 &&
         data[EI_DATA] == ELFDATA2LSB;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string file = "/tmp/lab-fuzz-elf-section-" + std::to_string(::getpid());
  FILE* out = std::fopen(file.c_str(), "wb");
  if (!out) return 0;
  std::fwrite(data, 1, size, out);
  std::fclose(out);

  static const bool version_set = ::elf_version(EV_CURRENT) != EV_NONE;
  LAB_FUZZ_CHECK(version_set);
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  LAB_FUZZ_CHECK(fd >= 0);
  Elf* elf = ::elf_begin(fd, ELF_C_READ_MMAP, nullptr);
  const bool comparable = IsLittleEndian64(data, size);
  for (const char* name : {lab::kModuleDataSection, lab::kBuildTimeSection, ".shstrtab", ".text", ""}) {
    std::vector<std::uint8_t> ours;
    const bool found = lab::ReadElfSection(file, name, ours);
    if (!comparable) {
      LAB_FUZZ_CHECK(!found);
      continue;
    }
    const auto theirs = elf && ::elf_kind(elf) == ELF_K_ELF ? LibelfSection(elf, name) : std::nullopt;
    if (found != theirs.has_value()) {
      std::fprintf(stderr, "section \"%s\": ours %s, libelf's %s\n", name, found ? "found" : "none",
                   theirs ? "found" : "none");
      std::abort();
    }
    LAB_FUZZ_CHECK(!found || ours == *theirs);
  }
  if (elf) ::elf_end(elf);
  ::close(fd);
  std::remove(file.c_str());
  return 0;
}
