#include "crashreport/report/debug_symbols.h"

#include <cxxabi.h>
#include <dwarf.h>
#include <elfutils/libdw.h>
#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

#include "crashreport/report/memory_probe.h"

namespace lab {
namespace {

std::string Demangle(const std::string& Name) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> text(abi::__cxa_demangle(Name.c_str(), nullptr, nullptr, &status),
                                                   &std::free);
  return status == 0 && text ? std::string(text.get()) : std::string();
}

// Where the parameter list of a demangled routine name starts; npos when it has none.
std::size_t ParametersStart(const std::string& Name) {
  int depth = 0;
  for (std::size_t i = Name.size(); i-- > 0;) {
    const char c = Name[i];
    if (c == ')' || c == '>' || c == ']') ++depth;
    else if ((c == '(' || c == '<' || c == '[') && depth > 0 && --depth == 0 && c == '(') return i;
  }
  return std::string::npos;
}

}  // namespace

namespace {

constexpr std::string_view kIdentifierCharacters =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";

// The suffix is made only of the parts a compiler appends to the functions it splits or
// specialises: ".cold", ".part", ".isra", ".constprop", each maybe followed by numbers.
bool IsCloneSuffix(std::string_view Suffix) {
  bool named = false;
  while (!Suffix.empty()) {
    if (Suffix.front() != '.') return false;
    Suffix.remove_prefix(1);
    const std::size_t end = std::min(Suffix.find('.'), Suffix.size());
    const std::string_view part = Suffix.substr(0, end);
    if (part == "cold" || part == "part" || part == "isra" || part == "constprop")
      named = true;
    else if (!named || part.empty() || part.find_first_not_of("0123456789") != std::string_view::npos)
      return false;
    Suffix.remove_prefix(end);
  }
  return named;
}

}  // namespace

std::string_view CloneOwnerName(std::string_view Name) {
  for (std::size_t dot = Name.find('.', 1); dot != std::string_view::npos; dot = Name.find('.', dot + 1))
    if (IsCloneSuffix(Name.substr(dot))) return Name.substr(0, dot);
  return Name;
}

bool SplitCppName(const std::string& Name, std::string& Scope, std::string& Routine) {
  std::string demangled = Demangle(Name);
  if (demangled.empty()) {
    Scope.clear();
    Routine = Name;
    return false;
  }
  const std::size_t parameters = ParametersStart(demangled);
  if (parameters != std::string::npos) demangled.resize(parameters);
  // A template routine's name comes with its return type in front.
  if (!demangled.empty() && demangled.back() == '>') {
    int depth = 0;
    for (std::size_t i = 0; i < demangled.size(); ++i) {
      const char c = demangled[i];
      if (c == '<' || c == '(') ++depth;
      else if ((c == '>' || c == ')') && depth > 0) --depth;
      else if (c == ' ' && depth == 0) {
        demangled.erase(0, i + 1);
        break;
      }
    }
  }
  std::size_t split = std::string::npos;
  int depth = 0;
  for (std::size_t i = 0; i + 1 < demangled.size(); ++i) {
    const char c = demangled[i];
    if (c == '<' || c == '(' || c == '{') ++depth;
    else if ((c == '>' || c == ')' || c == '}') && depth > 0) --depth;
    else if (depth == 0 && c == ':' && demangled[i + 1] == ':') split = i;
  }
  if (split == std::string::npos) {
    Scope.clear();
    Routine = demangled;
  } else {
    Scope = demangled.substr(0, split);
    Routine = demangled.substr(split + 2);
  }
  return true;
}

namespace {

void SetElfVersion() {
  static std::once_flag version_set;
  std::call_once(version_set, [] { ::elf_version(EV_CURRENT); });
}

// Collects the outermost inlined calls under Parent (those inlined into no other inlined call), each
// range of each with the call's file and line, where the call names them.
template <class TCall>
void CollectInlinedCalls(Dwarf_Die* Parent, Dwarf_Files* Files, std::size_t FileCount, std::vector<TCall>& Calls) {
  Dwarf_Die child;
  if (::dwarf_child(Parent, &child) != 0) return;
  do {
    switch (::dwarf_tag(&child)) {
      case DW_TAG_inlined_subroutine: {
        Dwarf_Attribute attribute;
        Dwarf_Word call_file = 0, call_line = 0;
        if (::dwarf_formudata(::dwarf_attr(&child, DW_AT_call_file, &attribute), &call_file) != 0 ||
            ::dwarf_formudata(::dwarf_attr(&child, DW_AT_call_line, &attribute), &call_line) != 0 ||
            call_file >= FileCount)
          break;
        const char* file = ::dwarf_filesrc(Files, call_file, nullptr, nullptr);
        Dwarf_Addr base, low, high;
        for (std::ptrdiff_t at = 0; (at = ::dwarf_ranges(&child, at, &base, &low, &high)) > 0;)
          Calls.push_back(TCall{low, high, file ? file : "", static_cast<int>(call_line)});
        break;
      }
      case DW_TAG_subprogram:
      case DW_TAG_lexical_block:
      case DW_TAG_try_block:
      case DW_TAG_catch_block:
      case DW_TAG_namespace:
        CollectInlinedCalls(&child, Files, FileCount, Calls);
        break;
      default:
        break;
    }
  } while (::dwarf_siblingof(&child, &child) == 0);
}

// The section indexes of a symbol table with more sections than its 16-bit field can name.
Elf_Data* ExtendedIndexes(Elf* elf, std::size_t table_index) {
  for (Elf_Scn* scn = nullptr; (scn = ::elf_nextscn(elf, scn)) != nullptr;) {
    GElf_Shdr header;
    if (::gelf_getshdr(scn, &header) && header.sh_type == SHT_SYMTAB_SHNDX && header.sh_link == table_index)
      return ::elf_getdata(scn, nullptr);
  }
  return nullptr;
}

// A routine is kept only when its bytes lie within the section it names and, moved by the bias, below
// the top of the address space: a damaged table must not give routines that cover other code.
bool LiesInItsSection(Elf* elf, const GElf_Sym& symbol, std::size_t section_index, std::uintptr_t bias) {
  if (symbol.st_size > UINT32_MAX) return false;
  Elf_Scn* section = ::elf_getscn(elf, section_index);
  GElf_Shdr header;
  if (!section || !::gelf_getshdr(section, &header)) return false;
  if (symbol.st_value < header.sh_addr || symbol.st_size > header.sh_size ||
      symbol.st_value - header.sh_addr > header.sh_size - symbol.st_size)
    return false;
  const std::uintptr_t room = UINTPTR_MAX - bias;
  return symbol.st_size <= room && symbol.st_value <= room - symbol.st_size;
}

}  // namespace

TModuleSymbols::TModuleSymbols(const std::string& FileName, std::uintptr_t Bias) : bias_(Bias) {
  SetElfVersion();
  fd_ = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return;
  elf_ = ::elf_begin(fd_, ELF_C_READ_MMAP, nullptr);
  ReadTables();
}

TModuleSymbols::TModuleSymbols(std::span<const std::uint8_t> Image, std::uintptr_t Bias)
    : bias_(Bias), image_(Image.begin(), Image.end()) {
  SetElfVersion();
  // libelf may convert the bytes where they lie, so it gets our own copy.
  if (!image_.empty()) elf_ = ::elf_memory(image_.data(), image_.size());
  ReadTables();
}

void TModuleSymbols::ReadTables() {
  if (!elf_ || ::elf_kind(elf_) != ELF_K_ELF) return;

  // The full symbol table when the file keeps one, else the dynamic one.
  Elf_Scn* table = nullptr;
  GElf_Shdr table_header{};
  for (Elf_Scn* scn = nullptr; (scn = ::elf_nextscn(elf_, scn)) != nullptr;) {
    GElf_Shdr header;
    if (!::gelf_getshdr(scn, &header)) continue;
    if (header.sh_type == SHT_SYMTAB || (header.sh_type == SHT_DYNSYM && !table)) {
      table = scn;
      table_header = header;
    }
  }
  if (table && table_header.sh_entsize) {
    Elf_Data* data = ::elf_getdata(table, nullptr);
    Elf_Data* extended_indexes = ExtendedIndexes(elf_, ::elf_ndxscn(table));
    const std::size_t count = table_header.sh_size / table_header.sh_entsize;
    for (std::size_t i = 1; data && i < count; ++i) {
      GElf_Sym symbol;
      if (!::gelf_getsym(data, static_cast<int>(i), &symbol)) break;
      if (GELF_ST_TYPE(symbol.st_info) != STT_FUNC || symbol.st_shndx == SHN_UNDEF || symbol.st_value == 0) continue;
      Elf32_Word section_index = symbol.st_shndx;
      if (symbol.st_shndx == SHN_XINDEX) {
        if (!extended_indexes ||
            !::gelf_getsymshndx(data, extended_indexes, static_cast<int>(i), &symbol, &section_index))
          continue;
      } else if (symbol.st_shndx >= SHN_LORESERVE) {
        continue;  // absolute and common symbols name no section of the module's code
      }
      if (!LiesInItsSection(elf_, symbol, section_index, bias_)) continue;
      const char* name = ::elf_strptr(elf_, table_header.sh_link, symbol.st_name);
      if (!name || !*name) continue;
      symbols_.push_back(TSymbol{bias_ + symbol.st_value, static_cast<std::uint32_t>(symbol.st_size),
                                 static_cast<std::uint32_t>(names_.size())});
      names_.append(name);
      names_.push_back('\0');
    }
  }
  all_symbols_ = symbols_;
  // By address; of aliases at one address the one with a size (and then the first) stays.
  std::stable_sort(symbols_.begin(), symbols_.end(), [](const TSymbol& a, const TSymbol& b) {
    return a.Start != b.Start ? a.Start < b.Start : a.Size > b.Size;
  });
  symbols_.erase(std::unique(symbols_.begin(), symbols_.end(),
                             [](const TSymbol& a, const TSymbol& b) { return a.Start == b.Start; }),
                 symbols_.end());
  dwarf_ = ::dwarf_begin_elf(elf_, DWARF_C_READ, nullptr);
}

TModuleSymbols::~TModuleSymbols() {
  if (dwarf_) ::dwarf_end(dwarf_);
  if (elf_) ::elf_end(elf_);
  if (fd_ >= 0) ::close(fd_);
}

bool TModuleSymbols::FindRoutine(std::uintptr_t Address, TRoutineSymbol& Routine) const {
  auto it = std::upper_bound(symbols_.begin(), symbols_.end(), Address,
                             [](std::uintptr_t a, const TSymbol& s) { return a < s.Start; });
  if (it == symbols_.begin()) return false;
  --it;
  if (Address > it->Start + it->Size) return false;
  Routine.Start = it->Start;
  Routine.Size = it->Size;
  Routine.Name = names_.c_str() + it->NameAt;
  return true;
}

const std::vector<TModuleSymbols::TInlinedCall>& TModuleSymbols::InlinedCalls(void* Unit) const {
  auto* unit = static_cast<Dwarf_Die*>(Unit);
  auto [it, made] = inlined_.try_emplace(::dwarf_dieoffset(unit));
  if (!made) return it->second;
  Dwarf_Files* files = nullptr;
  std::size_t file_count = 0;
  if (::dwarf_getsrcfiles(unit, &files, &file_count) != 0) file_count = 0;
  std::vector<TInlinedCall>& calls = it->second;
  CollectInlinedCalls(unit, files, file_count, calls);
  std::sort(calls.begin(), calls.end(), [](const TInlinedCall& a, const TInlinedCall& b) { return a.Low < b.Low; });
  return calls;
}

bool TModuleSymbols::FindLine(std::uintptr_t Address, std::string& File, int& Line) const {
  if (!dwarf_ || Address < bias_) return false;
  std::lock_guard guard(dwarf_lock_);
  Dwarf_Die unit;
  if (!::dwarf_addrdie(dwarf_, Address - bias_, &unit)) return false;
  // In code inlined into a routine the line is the routine's own, where it calls what was inlined,
  // as the routine's name is: never a line of another source the inlined code came from.
  const std::vector<TInlinedCall>& calls = InlinedCalls(&unit);
  const std::uintptr_t pc = Address - bias_;
  auto call = std::upper_bound(calls.begin(), calls.end(), pc, [](std::uintptr_t a, const TInlinedCall& c) { return a < c.Low; });
  if (call != calls.begin() && pc < (--call)->High) {
    File = call->File;
    Line = call->Line;
    return true;
  }
  Dwarf_Line* line = ::dwarf_getsrc_die(&unit, Address - bias_);
  if (!line || ::dwarf_lineno(line, &Line) != 0) return false;
  const char* file = ::dwarf_linesrc(line, nullptr, nullptr);
  File = file ? file : "";
  return true;
}

const std::vector<TModuleSymbols::TSymbol>& TModuleSymbols::ByName() const {
  std::call_once(by_name_once_, [this] {
    by_name_ = std::move(all_symbols_);
    std::sort(by_name_.begin(), by_name_.end(), [this](const TSymbol& a, const TSymbol& b) {
      const int order = std::strcmp(NameOf(a), NameOf(b));
      return order != 0 ? order < 0 : a.Start < b.Start;
    });
  });
  return by_name_;
}

std::uintptr_t TModuleSymbols::FindSymbol(std::string_view Name) const {
  Name = CloneOwnerName(Name);
  const std::vector<TSymbol>& sorted = ByName();
  const auto by_name = [this](const TSymbol& s, std::string_view n) { return std::string_view(NameOf(s)) < n; };
  const auto it = std::lower_bound(sorted.begin(), sorted.end(), Name, by_name);
  if (it != sorted.end() && Name == NameOf(*it)) return it->Start;
  // Demangled: the lowest address of the functions of that name. A mangled name holds each plain
  // identifier as it stands, so only names holding the last one are demangled (a constructor's
  // class name may come abbreviated: those are all looked at).
  const std::size_t scope_end = Name.rfind("::");
  const std::string_view last = scope_end == std::string_view::npos ? Name : Name.substr(scope_end + 2);
  const std::string_view outer = scope_end == std::string_view::npos ? std::string_view() : Name.substr(0, scope_end);
  const bool plain = !last.empty() && last.find_first_not_of(kIdentifierCharacters) == std::string_view::npos &&
                     !outer.ends_with(last);
  std::uintptr_t found = 0;
  for (const TSymbol& s : sorted) {
    const std::string_view name = NameOf(s);
    if ((found && s.Start >= found) || (plain && name.find(last) == std::string_view::npos) ||
        CloneOwnerName(name).size() != name.size())
      continue;
    std::string demangled = Demangle(NameOf(s));
    const std::size_t parameters = ParametersStart(demangled);
    if (parameters != std::string::npos) demangled.resize(parameters);
    if (!demangled.empty() && Name == demangled) found = s.Start;
  }
  return found;
}

std::uintptr_t TModuleSymbols::UniqueStart(std::string_view Name) const {
  const std::vector<TSymbol>& sorted = ByName();
  const auto by_name = [this](const TSymbol& s, std::string_view n) { return std::string_view(NameOf(s)) < n; };
  const auto it = std::lower_bound(sorted.begin(), sorted.end(), Name, by_name);
  if (it == sorted.end() || Name != NameOf(*it)) return 0;
  const auto next = it + 1;
  return next != sorted.end() && Name == NameOf(*next) ? 0 : it->Start;
}

TAddressDescription TModuleSymbols::Describe(std::uintptr_t Address) const {
  {
    std::lock_guard guard(described_lock_);
    auto it = described_.find(Address);
    if (it != described_.end()) return it->second;
  }
  TAddressDescription d;
  std::string file;
  d.HasLine = FindLine(Address, file, d.Line);
  if (d.HasLine) d.File = file.substr(file.rfind('/') + 1);
  TRoutineSymbol routine;
  d.HasRoutine = FindRoutine(Address, routine);
  if (d.HasRoutine) {
    // Code the compiler split off a function is named after it, and its lines count from its start.
    const std::string_view owner = CloneOwnerName(routine.Name);
    if (owner.size() != routine.Name.size()) {
      if (const std::uintptr_t start = UniqueStart(owner)) routine.Start = start;
      routine.Name.resize(owner.size());
    }
    d.IsCpp = SplitCppName(routine.Name, d.Scope, d.Routine);
    d.RoutineStart = routine.Start;
    if (!FindLine(routine.Start, file, d.FirstLine)) d.FirstLine = 0;
    d.RoutineHeadSize = ReadMemory(reinterpret_cast<const void*>(routine.Start), d.RoutineHead, sizeof d.RoutineHead);
  }
  std::lock_guard guard(described_lock_);
  return described_.emplace(Address, std::move(d)).first->second;
}

std::shared_ptr<TModuleSymbols> ModuleSymbols(const std::string& FileName, std::uintptr_t Bias) {
  static std::mutex lock;
  static auto* sessions = new std::map<std::pair<std::string, std::uintptr_t>, std::shared_ptr<TModuleSymbols>>;
  std::lock_guard guard(lock);
  auto& session = (*sessions)[{FileName, Bias}];
  if (!session) session = std::make_shared<TModuleSymbols>(FileName, Bias);
  return session;
}

}  // namespace lab
