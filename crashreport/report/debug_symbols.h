#pragma once
// A module's routines and source lines, read from its file once per file and load address and kept
// for the life of the process: routines from the ELF symbol table (the full one when the file keeps
// it, else the dynamic one), sorted by address; lines from the DWARF data through libdw.

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "crashreport/report/crash_lists.h"

struct Elf;
struct Dwarf;

namespace lab {

struct TRoutineSymbol {
  std::uintptr_t Start = 0;  // loaded address
  std::uint32_t Size = 0;
  std::string Name;  // as the symbol table has it (mangled for C++)
};

// What a module's symbols and lines say of one address.
struct TAddressDescription {
  bool HasLine = false;
  std::string File;   // the source file's base name
  int Line = 0;
  bool HasRoutine = false;
  bool IsCpp = false;  // a C++ name: Scope and Routine demangled
  std::string Scope;
  std::string Routine;
  // Where the routine starts: for code the compiler split off a function (a clone), the function's
  // own start when its name is unique, else the clone's.
  std::uintptr_t RoutineStart = 0;
  int FirstLine = 0;  // the line at the routine's start; 0 when unknown
  // The routine's first bytes (RoutineHeadSize of them could be read), for the code tests.
  std::uint8_t RoutineHead[8] = {};
  std::size_t RoutineHeadSize = 0;
};

class TModuleSymbols : public TCrashDebugData {
 public:
  // Bias is what the loader added to the file's addresses.
  TModuleSymbols(const std::string& FileName, std::uintptr_t Bias);
  // The same from a module file's bytes, copied and kept (tests and fuzzing feed files this way).
  TModuleSymbols(std::span<const std::uint8_t> Image, std::uintptr_t Bias);
  ~TModuleSymbols() override;
  TModuleSymbols(const TModuleSymbols&) = delete;
  TModuleSymbols& operator=(const TModuleSymbols&) = delete;

  std::uintptr_t Bias() const noexcept { return bias_; }
  bool HasLines() const noexcept { return dwarf_ != nullptr; }
  // The routine that holds Address: Start <= Address <= Start + Size.
  bool FindRoutine(std::uintptr_t Address, TRoutineSymbol& Routine) const;
  // The source file and line of the code at Address; in code inlined into a routine, the routine's
  // own line that calls it.
  bool FindLine(std::uintptr_t Address, std::string& File, int& Line) const;
  // A routine's address by its name (as written or demangled without its parameters); 0 when none.
  // Only a function's own symbol answers, never a part or copy the compiler split off it (a name
  // of such a clone asks for its function).
  std::uintptr_t FindSymbol(std::string_view Name) const;
  // All of the above for one address, worked out once and kept: call stacks meet the same return
  // addresses again and again.
  TAddressDescription Describe(std::uintptr_t Address) const;

 private:
  struct TSymbol {
    std::uintptr_t Start;
    std::uint32_t Size;
    std::uint32_t NameAt;  // into names_
  };

  void ReadTables();
  const char* NameOf(const TSymbol& Symbol) const { return names_.c_str() + Symbol.NameAt; }
  // The start of the one function symbol named Name; 0 when there is none or several.
  std::uintptr_t UniqueStart(std::string_view Name) const;

  std::uintptr_t bias_;
  std::vector<char> image_;  // the bytes libelf reads when no file is open
  int fd_ = -1;
  Elf* elf_ = nullptr;
  Dwarf* dwarf_ = nullptr;
  std::vector<TSymbol> symbols_;  // by address, one per address
  // Every function symbol by name and then address, sorted when a name is first looked up: a call
  // stack looks up addresses only.
  const std::vector<TSymbol>& ByName() const;
  mutable std::vector<TSymbol> all_symbols_;  // until then, as read
  mutable std::once_flag by_name_once_;
  mutable std::vector<TSymbol> by_name_;
  std::string names_;
  // Where code of a unit is inlined into a routine: each outermost inlined call's code range, and the
  // routine's own file and line of that call. Built once a unit, when a line of it is first asked.
  struct TInlinedCall {
    std::uintptr_t Low, High;  // file addresses
    const char* File;          // libdw's, as long as the file is open
    int Line;
  };
  const std::vector<TInlinedCall>& InlinedCalls(void* Unit) const;

  mutable std::mutex dwarf_lock_;  // libdw's lookups are not made for concurrent use
  mutable std::unordered_map<std::uint64_t, std::vector<TInlinedCall>> inlined_;  // by the unit's offset
  mutable std::mutex described_lock_;
  mutable std::unordered_map<std::uintptr_t, TAddressDescription> described_;
};

// The shared symbols of the module file loaded with Bias, read on first use.
std::shared_ptr<TModuleSymbols> ModuleSymbols(const std::string& FileName, std::uintptr_t Bias);

// The name of the function that a part or copy the compiler split off it belongs to: "f.cold",
// "f.part.0", "f.isra.0", "f.constprop.0" (or a chain of them: "f.constprop.0.isra.0") give "f",
// as their mangled C++ names give the function's. Any other name comes back as it is.
std::string_view CloneOwnerName(std::string_view Name);

// A C++ name demangled and parted: "lab::TThread::Run(void*)" gives the scope "lab::TThread" and the
// routine "Run". A plain name is the routine, without scope. False when Name is no C++ name.
bool SplitCppName(const std::string& Name, std::string& Scope, std::string& Routine);

}  // namespace lab
