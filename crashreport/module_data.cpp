#include "crashreport/module_data.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "crashreport/codec/cipher.h"
#include "crashreport/options.h"
#include "crashreport/codec/zlib_memory.h"
#include "platform/rtl/streams.h"

namespace lab {
namespace {

constexpr std::size_t kDirectorySize = 4 + 2 + 8 + 4;

void Put(std::vector<std::uint8_t>& out, std::uint64_t value, int count) {
  for (int i = 0; i < count; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint64_t Get(const std::uint8_t* p, int count) {
  std::uint64_t value = 0;
  for (int i = count; i-- > 0;) value = value << 8 | p[i];
  return value;
}

class TFile {
 public:
  explicit TFile(const std::string& name) : fd_(::open(name.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~TFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;

  bool Open() const { return fd_ >= 0; }
  std::uint64_t Size() const {
    struct stat st;
    return ::fstat(fd_, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  }
  // Reads exactly count bytes at offset; false when the file is shorter.
  bool ReadAt(void* buffer, std::uint64_t count, std::uint64_t offset) const {
    auto* p = static_cast<char*>(buffer);
    while (count > 0) {
      const ssize_t n = ::pread(fd_, p, count, static_cast<off_t>(offset));
      if (n <= 0) return false;
      p += n;
      count -= static_cast<std::uint64_t>(n);
      offset += static_cast<std::uint64_t>(n);
    }
    return true;
  }

 private:
  int fd_;
};

// The section's bytes lie within a file of Size bytes (an empty section has none to lie elsewhere).
bool Within(const Elf64_Shdr& Section, std::uint64_t Size) {
  return Section.sh_size == 0 || (Section.sh_offset <= Size && Section.sh_size <= Size - Section.sh_offset);
}

}  // namespace

std::vector<std::uint8_t> PackModuleData(const void* Options, std::size_t Size, std::string_view PassPhrase,
                                         std::uint16_t Version) {
  const auto packed = CompressBuf(Options, Size);
  std::vector<std::uint8_t> payload;
  payload.reserve(4 + packed.size());
  Put(payload, kModuleDataMagic, 4);
  payload.insert(payload.end(), packed.begin(), packed.end());
  TCipher(PassPhrase).EncryptBuffer(payload.data(), payload.data(), payload.size());

  std::vector<std::uint8_t> data;
  Put(data, kModuleDataMagic, 4);
  Put(data, Version, 2);
  Put(data, 0, 4);
  Put(data, 0, 4);
  Put(data, 0, 4);  // no symbol records
  Put(data, payload.size(), 4);
  data.insert(data.end(), payload.begin(), payload.end());
  return data;
}

bool UnpackModuleData(const void* Data, std::size_t Size, std::string_view PassPhrase, TModuleData& Result) {
  const auto* p = static_cast<const std::uint8_t*>(Data);
  if (Size < kDirectorySize || Get(p, 4) != kModuleDataMagic) return false;
  const std::uint64_t symbols = Get(p + 14, 4);
  if (symbols > Size - kDirectorySize || Size - kDirectorySize - symbols < 4) return false;
  const std::uint8_t* at = p + kDirectorySize + symbols;
  const std::uint64_t payload_size = Get(at, 4);
  at += 4;
  if (payload_size > static_cast<std::uint64_t>(p + Size - at) || payload_size < 4) return false;

  std::vector<std::uint8_t> payload(at, at + payload_size);
  TCipher(PassPhrase).DecryptBuffer(payload.data(), payload.data(), payload.size());
  if (Get(payload.data(), 4) != kModuleDataMagic) return false;
  Result.Options = DecompressBuf(payload.data() + 4, payload.size() - 4);
  Result.Version = static_cast<std::uint16_t>(Get(p + 4, 2));
  Result.Values[0] = static_cast<std::uint32_t>(Get(p + 6, 4));
  Result.Values[1] = static_cast<std::uint32_t>(Get(p + 10, 4));
  return true;
}

bool ReadModuleDataSection(const std::string& FileName, std::vector<std::uint8_t>& Data) {
  return ReadElfSection(FileName, kModuleDataSection, Data);
}

bool ReadElfSection(const std::string& FileName, std::string_view SectionName, std::vector<std::uint8_t>& Data) {
  TFile file(FileName);
  if (!file.Open()) return false;
  const std::uint64_t file_size = file.Size();
  Elf64_Ehdr header;
  if (!file.ReadAt(&header, sizeof header, 0) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
      header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_ident[EI_DATA] != ELFDATA2LSB ||
      header.e_ident[EI_VERSION] != EV_CURRENT || header.e_shoff == 0)
    return false;

  // Many sections put the real count and the names' index into section 0.
  Elf64_Shdr first;
  if (!file.ReadAt(&first, sizeof first, header.e_shoff)) return false;
  const std::uint64_t count = header.e_shnum ? header.e_shnum : first.sh_size;
  const std::uint64_t names_index = header.e_shstrndx == SHN_XINDEX ? first.sh_link : header.e_shstrndx;
  if (count == 0 || count > file_size / sizeof(Elf64_Shdr) || names_index >= count) return false;
  std::vector<Elf64_Shdr> sections(count);
  if (!file.ReadAt(sections.data(), count * sizeof(Elf64_Shdr), header.e_shoff)) return false;

  // As libelf reads them (whatever size the header claims for an entry): the names are a string
  // table (not compressed) within the file, each name ends inside it; the reserved section 0 is
  // none, and a section whose bytes lie outside the file is passed over for the next one of the
  // name. Only sections of plain bytes count, as the build steps write them.
  const Elf64_Shdr& names_section = sections[names_index];
  if (names_section.sh_type != SHT_STRTAB || (names_section.sh_flags & SHF_COMPRESSED) ||
      !Within(names_section, file_size))
    return false;
  std::vector<char> names(names_section.sh_size);
  if (!file.ReadAt(names.data(), names_section.sh_size, names_section.sh_offset)) return false;

  for (std::size_t i = 1; i < sections.size(); ++i) {
    const Elf64_Shdr& s = sections[i];
    if (s.sh_name >= names.size()) continue;
    const char* name = names.data() + s.sh_name;
    const void* end = std::memchr(name, '\0', names.size() - s.sh_name);
    if (!end || std::string_view(name, static_cast<const char*>(end) - name) != SectionName) continue;
    if (s.sh_type != SHT_PROGBITS || !Within(s, file_size)) continue;
    Data.resize(s.sh_size);
    if (file.ReadAt(Data.data(), s.sh_size, s.sh_offset)) return true;
  }
  Data.clear();
  return false;
}

std::int64_t ReadModuleBuildTime(const std::string& FileName) {
  std::vector<std::uint8_t> section;
  if (!ReadElfSection(FileName, kBuildTimeSection, section) || section.empty() || section.size() > 19) return 0;
  std::int64_t seconds = 0;
  for (std::uint8_t c : section) {
    if (c < '0' || c > '9' || __builtin_mul_overflow(seconds, 10, &seconds) ||
        __builtin_add_overflow(seconds, c - '0', &seconds))
      return 0;  // a time beyond 64 bits is no link time
  }
  return seconds;
}

namespace {

void LoadOptionsStream(TCrashModuleOptions& Options, const TModuleData& Data) {
  TMemoryStream stream;
  stream.WriteBuffer(Data.Options.data(), static_cast<std::int64_t>(Data.Options.size()));
  stream.SetPosition(0);
  Options.LoadFromStream(&stream, Data.Version);
}

}  // namespace

bool LoadModuleOptions(const std::string& FileName, const std::function<std::string()>& PassPhrase,
                       TCrashModuleOptions& Options, TModuleData& Data) {
  std::vector<std::uint8_t> section;
  if (!ReadModuleDataSection(FileName, section)) return true;
  const std::string pass_phrase = PassPhrase();
  try {
    TModuleData data;
    if (!UnpackModuleData(section.data(), section.size(), pass_phrase, data)) return false;
    TCrashModuleOptions check(FileName, false);
    LoadOptionsStream(check, data);
    LoadOptionsStream(Options, data);
    Data = std::move(data);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool LoadProgramOptions(TCrashModuleOptions& Options, std::string_view PassPhrase) {
  std::vector<std::uint8_t> section;
  TModuleData data;
  if (!ReadModuleDataSection("/proc/self/exe", section) ||
      !UnpackModuleData(section.data(), section.size(), PassPhrase, data))
    return false;
  LoadOptionsStream(Options, data);
  return true;
}

}  // namespace lab
