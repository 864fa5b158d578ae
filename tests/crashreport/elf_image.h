#pragma once
// A small 64-bit ELF file made for a test: the header, each section's bytes, the section names and
// the section header table last. Section 0 is the reserved one, the given sections follow in their
// order and the names' section comes last; a test may change any header before writing the file.

#include <elf.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "test_files.h"

namespace lab::testing {

class TElfImage {
 public:
  // Sections as name and bytes.
  explicit TElfImage(std::initializer_list<std::pair<std::string, std::string>> Sections) {
    std::string names(1, '\0');
    std::vector<Elf64_Shdr> headers(1, Elf64_Shdr{});
    bytes_.assign(sizeof(Elf64_Ehdr), '\0');
    const auto add = [&](const std::string& name, const std::string& data, std::uint32_t type) {
      Elf64_Shdr h{};
      h.sh_name = static_cast<std::uint32_t>(names.size());
      h.sh_type = type;
      h.sh_offset = bytes_.size();
      h.sh_size = data.size();
      h.sh_addralign = 1;
      names += name + '\0';
      bytes_ += data;
      headers.push_back(h);
    };
    for (const auto& [name, data] : Sections) add(name, data, SHT_PROGBITS);
    // The names' own name is in the bytes it covers, so they are laid down with it.
    Elf64_Shdr strings{};
    strings.sh_name = static_cast<std::uint32_t>(names.size());
    names += std::string(".shstrtab") + '\0';
    strings.sh_type = SHT_STRTAB;
    strings.sh_offset = bytes_.size();
    strings.sh_size = names.size();
    strings.sh_addralign = 1;
    bytes_ += names;
    headers.push_back(strings);
    while (bytes_.size() % 8) bytes_.push_back('\0');

    Elf64_Ehdr header{};
    std::memcpy(header.e_ident, ELFMAG, SELFMAG);
    header.e_ident[EI_CLASS] = ELFCLASS64;
    header.e_ident[EI_DATA] = ELFDATA2LSB;
    header.e_ident[EI_VERSION] = EV_CURRENT;
    header.e_type = ET_DYN;
    header.e_machine = EM_X86_64;
    header.e_version = EV_CURRENT;
    header.e_ehsize = sizeof(Elf64_Ehdr);
    header.e_shoff = bytes_.size();
    header.e_shentsize = sizeof(Elf64_Shdr);
    header.e_shnum = static_cast<std::uint16_t>(headers.size());
    header.e_shstrndx = static_cast<std::uint16_t>(headers.size() - 1);
    std::memcpy(bytes_.data(), &header, sizeof header);
    bytes_.append(reinterpret_cast<const char*>(headers.data()), headers.size() * sizeof(Elf64_Shdr));
  }

  Elf64_Ehdr& Header() { return *reinterpret_cast<Elf64_Ehdr*>(bytes_.data()); }
  Elf64_Shdr& Section(std::size_t Index) {
    return reinterpret_cast<Elf64_Shdr*>(bytes_.data() + Header().e_shoff)[Index];
  }
  std::size_t Size() const { return bytes_.size(); }
  const std::string& Bytes() const { return bytes_; }

  // Writes the file into a scratch folder of the test; answers its name.
  std::string Write(const std::string& Test) const {
    const std::string name = Scratch(Test) + "/image.elf";
    WriteAll(name, bytes_);
    return name;
  }

 private:
  std::string bytes_;
};

}  // namespace lab::testing
