#include "crashreport/report/elf_file.h"

#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <unistd.h>

#include <cstring>
#include <mutex>

namespace lab {
namespace {

// The file and libelf's descriptor of it, closed in the reverse order.
class TElfFile {
 public:
  explicit TElfFile(const std::string& name) {
    static std::once_flag version_set;
    std::call_once(version_set, [] { ::elf_version(EV_CURRENT); });
    fd_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ >= 0) elf_ = ::elf_begin(fd_, ELF_C_READ_MMAP, nullptr);
  }
  ~TElfFile() {
    if (elf_) ::elf_end(elf_);
    if (fd_ >= 0) ::close(fd_);
  }
  TElfFile(const TElfFile&) = delete;
  TElfFile& operator=(const TElfFile&) = delete;

  Elf* Get() const { return elf_ && ::elf_kind(elf_) == ELF_K_ELF && ::gelf_getclass(elf_) == ELFCLASS64 ? elf_ : nullptr; }

 private:
  int fd_ = -1;
  Elf* elf_ = nullptr;
};

void ReadNotes(Elf_Data* data, TElfFileFacts& facts) {
  GElf_Nhdr header;
  std::size_t name_at = 0, desc_at = 0;
  for (std::size_t at = 0, next; (next = ::gelf_getnote(data, at, &header, &name_at, &desc_at)) > 0; at = next) {
    const char* bytes = static_cast<const char*>(data->d_buf);
    if (header.n_type != kVersionNoteType || header.n_namesz != std::strlen(kVersionNoteName) + 1 ||
        std::memcmp(bytes + name_at, kVersionNoteName, header.n_namesz) != 0)
      continue;
    const std::string desc(bytes + desc_at, header.n_descsz);
    const std::size_t end = desc.find('\0');
    facts.HasVersionNote = true;
    facts.Description = desc.substr(0, end);
    if (end != std::string::npos) facts.Version = std::string(desc.c_str() + end + 1);
    return;
  }
}

void ReadDynamic(Elf* elf, Elf_Data* data, const GElf_Shdr& section, TElfFileFacts& facts) {
  const std::size_t count = section.sh_entsize ? section.sh_size / section.sh_entsize : 0;
  for (std::size_t i = 0; i < count; ++i) {
    GElf_Dyn entry;
    if (!::gelf_getdyn(data, static_cast<int>(i), &entry) || entry.d_tag == DT_NULL) break;
    if (entry.d_tag != DT_SONAME) continue;
    if (const char* name = ::elf_strptr(elf, section.sh_link, entry.d_un.d_val)) facts.SoName = name;
  }
}

void ReadExports(Elf* elf, Elf_Data* data, const GElf_Shdr& section, TElfFileFacts& facts) {
  const std::size_t count = section.sh_entsize ? section.sh_size / section.sh_entsize : 0;
  for (std::size_t i = 1; i < count; ++i) {
    GElf_Sym symbol;
    if (!::gelf_getsym(data, static_cast<int>(i), &symbol)) break;
    const int binding = GELF_ST_BIND(symbol.st_info);
    const int visibility = GELF_ST_VISIBILITY(symbol.st_other);
    if (symbol.st_shndx == SHN_UNDEF || GELF_ST_TYPE(symbol.st_info) != STT_FUNC ||
        (binding != STB_GLOBAL && binding != STB_WEAK) || (visibility != STV_DEFAULT && visibility != STV_PROTECTED))
      continue;
    const char* name = ::elf_strptr(elf, section.sh_link, symbol.st_name);
    if (!name || !*name) continue;
    facts.Exports.push_back(TElfExport{std::string(name, ::strnlen(name, 255)), symbol.st_value, symbol.st_size});
  }
}

}  // namespace

bool ReadElfFileFacts(const std::string& FileName, bool WithExports, TElfFileFacts& Facts) {
  Facts = TElfFileFacts{};
  TElfFile file(FileName);
  Elf* elf = file.Get();
  if (!elf) return false;
  for (Elf_Scn* scn = nullptr; (scn = ::elf_nextscn(elf, scn)) != nullptr;) {
    GElf_Shdr section;
    if (!::gelf_getshdr(scn, &section)) continue;
    if (section.sh_type != SHT_NOTE && section.sh_type != SHT_DYNAMIC &&
        !(WithExports && section.sh_type == SHT_DYNSYM))
      continue;
    Elf_Data* data = ::elf_getdata(scn, nullptr);
    if (!data || !data->d_buf) continue;
    if (section.sh_type == SHT_NOTE && !Facts.HasVersionNote) ReadNotes(data, Facts);
    else if (section.sh_type == SHT_DYNAMIC) ReadDynamic(elf, data, section, Facts);
    else if (section.sh_type == SHT_DYNSYM) ReadExports(elf, data, section, Facts);
  }
  return true;
}

}  // namespace lab
