#include "crashreport/capture/hooks.h"

#include <Zydis/Zydis.h>
#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "crashreport/capture/code_patch.h"
#include "crashreport/report/memory_map.h"
#include "crashreport/report/memory_probe.h"
#include "crashreport/report/system_utils.h"
#include "crashreport/unit_sections.h"
#include "platform/rtl/scope_exit.h"

namespace lab {
namespace {

struct TCodePatch {
  const void* Proc;
  void* Page;              // the relay and the trampoline; kept when Proc is put back
  const void* Trampoline;
  std::uint8_t Saved[5];   // Proc's first bytes before the patch
  bool Active;             // Proc jumps to the relay
};

struct TVirtualHook {
  const void* VMT;
  int Slot;
  const void* Previous;
};

struct TImportHook {
  std::string LibName;
  const void* Real;
  const void* NewProc;
  void** Slot;
  const void* Old;  // what the slot held (a lazily bound slot: the way to its binder)
};

struct THooks {
  std::recursive_mutex lock;
  std::vector<TCodePatch> patches;
  std::vector<TVirtualHook> methods;
  std::vector<TImportHook> imports;
};

THooks& Hooks() {
  static THooks* hooks = new THooks;  // never destroyed: modules may unhook late
  return *hooks;
}

// Code layout of a hook's page: the relay (an absolute jump through the aligned cell at kRelayCell
// to the replacement, which may lie anywhere), then the trampoline: the copied instructions, a jump
// back, and jumps for short branches.
constexpr std::size_t kRelayCell = 8;
constexpr std::size_t kTrampolineAt = 16;
constexpr std::size_t kPatchSize = 5;

struct TCopied {
  const std::uint8_t* Source;
  ZydisDecodedInstruction Instruction;
};

bool Terminates(const ZydisDecodedInstruction& i) {
  return i.meta.category == ZYDIS_CATEGORY_RET || i.meta.category == ZYDIS_CATEGORY_UNCOND_BR ||
         i.mnemonic == ZYDIS_MNEMONIC_INT3 || i.mnemonic == ZYDIS_MNEMONIC_UD2 || i.mnemonic == ZYDIS_MNEMONIC_HLT;
}

bool Decode(const ZydisDecoder& decoder, const std::uint8_t* at, ZydisDecodedInstruction& out) {
  std::size_t readable = ZYDIS_MAX_INSTRUCTION_LENGTH;
  while (readable > 0 && !IsMemoryReadable(at, readable)) --readable;
  return readable > 0 && ZYAN_SUCCESS(ZydisDecoderDecodeInstruction(&decoder, nullptr, at, readable, &out));
}

void PutRel32(std::uint8_t* at, std::int64_t value) {
  const auto v = static_cast<std::int32_t>(value);
  std::memcpy(at, &v, 4);
}

bool FitsRel32(std::int64_t value) { return value >= INT32_MIN && value <= INT32_MAX; }

// Builds the relay and trampoline for Proc in Page; false when the first bytes cannot be moved.
bool BuildTrampoline(const std::uint8_t* proc, const void* new_proc, std::uint8_t* page) {
  ZydisDecoder decoder;
  ZydisDecoderInit(&decoder, ZYDIS_MACHINE_MODE_LONG_64, ZYDIS_STACK_WIDTH_64);
  std::vector<TCopied> copied;
  std::size_t length = 0;
  while (length < kPatchSize) {
    TCopied c{proc + length, {}};
    if (!Decode(decoder, c.Source, c.Instruction)) return false;
    length += c.Instruction.length;
    // A routine that ends inside the patched bytes: they would overwrite the next routine.
    if (Terminates(c.Instruction) && length < kPatchSize) return false;
    copied.push_back(c);
  }
  const auto start = reinterpret_cast<std::intptr_t>(proc);
  const auto end = start + static_cast<std::intptr_t>(length);
  std::uint8_t* code = page + kTrampolineAt;
  std::uint8_t* back = code + length;              // the jump back
  std::uint8_t* stubs = back + 5;                  // jumps for short branches leaving the copy
  if (stubs + 5 * copied.size() > page + CodePageSize()) return false;

  std::uint8_t* out = code;
  for (const TCopied& c : copied) {
    const ZydisDecodedInstruction& ins = c.Instruction;
    std::memcpy(out, c.Source, ins.length);
    const auto old_next = reinterpret_cast<std::intptr_t>(c.Source) + ins.length;
    const auto new_next = reinterpret_cast<std::intptr_t>(out) + ins.length;
    if (ins.raw.imm[0].is_relative) {
      const std::intptr_t target = old_next + static_cast<std::intptr_t>(ins.raw.imm[0].value.s);
      if (target < start || target >= end) {  // branches within the copy keep their distance
        std::uint8_t* field = out + ins.raw.imm[0].offset;
        if (ins.raw.imm[0].size == 32) {
          if (!FitsRel32(target - new_next)) return false;
          PutRel32(field, target - new_next);
        } else if (ins.raw.imm[0].size == 8) {
          stubs[0] = 0xE9;
          if (!FitsRel32(target - reinterpret_cast<std::intptr_t>(stubs + 5))) return false;
          PutRel32(stubs + 1, target - reinterpret_cast<std::intptr_t>(stubs + 5));
          *field = static_cast<std::uint8_t>(static_cast<std::int8_t>(reinterpret_cast<std::intptr_t>(stubs) - new_next));
          stubs += 5;
        } else {
          return false;
        }
      }
    } else if ((ins.attributes & ZYDIS_ATTRIB_HAS_MODRM) && ins.raw.modrm.mod == 0 && ins.raw.modrm.rm == 5 &&
               ins.raw.disp.size == 32) {
      // A RIP-relative operand: the copy must reach the same memory.
      const std::intptr_t target = old_next + static_cast<std::intptr_t>(ins.raw.disp.value);
      if (!FitsRel32(target - new_next)) return false;
      PutRel32(out + ins.raw.disp.offset, target - new_next);
    }
    out += ins.length;
  }
  back[0] = 0xE9;
  if (!FitsRel32(end - reinterpret_cast<std::intptr_t>(back + 5))) return false;
  PutRel32(back + 1, end - reinterpret_cast<std::intptr_t>(back + 5));

  static const std::uint8_t relay[kRelayCell] = {0xFF, 0x25, kRelayCell - 6, 0, 0, 0, 0xCC, 0xCC};  // jmp [rip+2]
  std::memcpy(page, relay, sizeof relay);
  std::memcpy(page + kRelayCell, &new_proc, sizeof new_proc);
  static_assert(kRelayCell + sizeof(void*) <= kTrampolineAt);
  return true;
}

const void* FollowThunk(const void* p) { return p ? ResolveJumpThunk(p) : p; }

}  // namespace

const void* HookProc(const void* Proc, const void* NewProc, const std::string& Name) {
  Proc = FollowThunk(Proc);
  NewProc = FollowThunk(NewProc);
  if (!Proc) throw EProcNull("Cannot hook a null procedure (\"%s\").", Name);
  THooks& h = Hooks();
  std::lock_guard guard(h.lock);
  const auto* proc = static_cast<const std::uint8_t*>(Proc);
  for (auto it = h.patches.begin(); it != h.patches.end(); ++it) {
    if (it->Proc != Proc) continue;
    if (it->Active) return it->Trampoline;
    // Hooked before and put back: its relay and trampoline serve again while the routine's first
    // bytes are still those they were made from.
    std::uint8_t now[kPatchSize];
    auto* page = static_cast<std::uint8_t*>(it->Page);
    if (ReadMemory(proc, now, kPatchSize) == kPatchSize && std::memcmp(now, it->Saved, kPatchSize) == 0) {
      if (!PatchCode(page + kRelayCell, &NewProc, sizeof NewProc) || !WriteJump(const_cast<std::uint8_t*>(proc), page))
        throw EHookingError("Cannot hook the procedure \"%s\".", Name);
      it->Active = true;
      return it->Trampoline;
    }
    h.patches.erase(it);  // changed since: a trampoline of its own (the old page stays, it may be running)
    break;
  }
  TCodePatch patch{Proc, AllocateCodePageNear(Proc), nullptr, {}, true};
  auto* page = static_cast<std::uint8_t*>(patch.Page);
  if (!page) throw EHookingError("Cannot hook the procedure \"%s\".", Name);
  TScopeFail free_page([page] { FreeCodePage(page); });
  if (!BuildTrampoline(proc, NewProc, page) || !SealCodePage(page) || !IsMemoryReadable(proc, kPatchSize))
    throw EHookingError("Cannot hook the procedure \"%s\".", Name);
  std::memcpy(patch.Saved, proc, kPatchSize);
  // Room for the record first: once the routine jumps to the page, nothing may fail.
  h.patches.reserve(h.patches.size() + 1);
  if (!WriteJump(const_cast<std::uint8_t*>(proc), page)) throw EHookingError("Cannot hook the procedure \"%s\".", Name);
  patch.Trampoline = page + kTrampolineAt;
  h.patches.push_back(patch);
  return patch.Trampoline;
}

bool UnhookProc(const void* Proc) {
  Proc = FollowThunk(Proc);
  THooks& h = Hooks();
  std::lock_guard guard(h.lock);
  auto it = std::find_if(h.patches.begin(), h.patches.end(),
                         [&](const TCodePatch& p) { return p.Proc == Proc && p.Active; });
  if (it == h.patches.end()) return false;
  if (!PatchCode(const_cast<void*>(it->Proc), it->Saved, kPatchSize)) return false;
  it->Active = false;  // the page stays: a replacement running in another thread may still call the trampoline
  return true;
}

std::size_t GetProcSize(const void* Proc) {
  ZydisDecoder decoder;
  ZydisDecoderInit(&decoder, ZYDIS_MACHINE_MODE_LONG_64, ZYDIS_STACK_WIDTH_64);
  const auto* at = static_cast<const std::uint8_t*>(Proc);
  std::size_t size = 0;
  constexpr std::size_t kLongest = 1 << 20;
  while (at && size < kLongest) {
    ZydisDecodedInstruction ins;
    if (!Decode(decoder, at + size, ins)) return 0;
    size += ins.length;
    if (ins.meta.category == ZYDIS_CATEGORY_RET) return size;
  }
  return 0;
}

const void* HookVirtualMethod(const void* VMT, int Slot, const void* NewCode) {
  if (!VMT || Slot < 0) return nullptr;
  auto** slot = const_cast<const void**>(static_cast<const void* const*>(VMT)) + Slot;
  if (!IsMemoryReadable(slot, sizeof *slot)) return nullptr;
  THooks& h = Hooks();
  std::lock_guard guard(h.lock);
  const void* current = *slot;
  if (current == NewCode) {
    for (auto m = h.methods.rbegin(); m != h.methods.rend(); ++m)
      if (m->VMT == VMT && m->Slot == Slot) return m->Previous;
    return current;
  }
  if (GetModuleBase(VMT)) PatchCode(slot, &NewCode, sizeof NewCode);
  h.methods.push_back(TVirtualHook{VMT, Slot, current});
  return current;
}

bool UnhookVirtualMethod(const void* VMT, int Slot) {
  THooks& h = Hooks();
  std::lock_guard guard(h.lock);
  // Hooked over again: the last hook goes first, back to what it replaced.
  auto it = std::find_if(h.methods.rbegin(), h.methods.rend(),
                         [&](const TVirtualHook& m) { return m.VMT == VMT && m.Slot == Slot; });
  if (it == h.methods.rend()) return false;
  auto** slot = const_cast<const void**>(static_cast<const void* const*>(VMT)) + Slot;
  if (GetModuleBase(VMT)) PatchCode(slot, &it->Previous, sizeof it->Previous);
  h.methods.erase(std::next(it).base());
  return true;
}

// Imported routines.

namespace {

struct TModuleImage {
  std::string FileName;  // the loader's; empty for the program
  std::uintptr_t Bias;
  const Elf64_Dyn* Dynamic;
  bool Program;
};

std::vector<TModuleImage> LoadedImages() {
  std::vector<TModuleImage> images;
  ::dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* out) {
        auto& list = *static_cast<std::vector<TModuleImage>*>(out);
        const Elf64_Dyn* dynamic = nullptr;
        for (int i = 0; i < info->dlpi_phnum; ++i)
          if (info->dlpi_phdr[i].p_type == PT_DYNAMIC)
            dynamic = reinterpret_cast<const Elf64_Dyn*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
        const bool program = list.empty();  // the loader lists the program first
        list.push_back(TModuleImage{program ? std::string() : std::string(info->dlpi_name), info->dlpi_addr, dynamic, program});
        return 0;
      },
      &images);
  return images;
}

// One of Modules names the image: its file name or the file part of it, an empty name the program.
// The program's file name is read (a system call) only when a name is compared with it.
bool NamesImage(const std::vector<std::string>& Modules, const TModuleImage& image) {
  const auto empty = [](const std::string& m) { return m.empty(); };
  if (image.Program && std::any_of(Modules.begin(), Modules.end(), empty)) return true;
  if (std::all_of(Modules.begin(), Modules.end(), empty)) return false;
  const std::string program = image.Program ? GetModuleFullName(nullptr) : std::string();
  const std::string_view name = image.Program ? std::string_view(program) : std::string_view(image.FileName);
  const std::string_view file = name.substr(name.rfind('/') + 1);
  return std::any_of(Modules.begin(), Modules.end(), [&](const std::string& m) { return !m.empty() && (m == name || m == file); });
}

// The loader has turned most address entries of the dynamic section into addresses already.
std::uintptr_t DynamicAddress(std::uintptr_t value, std::uintptr_t bias) { return value < bias ? value + bias : value; }

// Where a module's dynamic symbols are, and the hash tables the loader looks their names up in.
struct TSymbolTables {
  const Elf64_Sym* Symbols = nullptr;
  const char* Strings = nullptr;
  const std::uint32_t* Hash = nullptr;     // the classic table: every symbol
  const std::uint32_t* GnuHash = nullptr;  // the GNU table: the defined symbols from its first index on
};

std::uint32_t ElfHash(const char* Name) {
  std::uint32_t h = 0;
  for (auto* c = reinterpret_cast<const unsigned char*>(Name); *c; ++c) {
    h = (h << 4) + *c;
    h ^= (h >> 24) & 0xF0;
  }
  return h & 0x0FFFFFFF;
}

std::uint32_t GnuHash(const char* Name) {
  std::uint32_t h = 5381;
  for (auto* c = reinterpret_cast<const unsigned char*>(Name); *c; ++c) h = h * 33 + *c;
  return h;
}

bool NamedAt(const TSymbolTables& t, std::uint32_t Index, const char* Name) {
  const char* name = t.Strings + t.Symbols[Index].st_name;
  return name[0] == Name[0] && std::strcmp(name, Name) == 0;
}

// The indexes of the symbols named Name, found as the loader finds names, so a module that has none
// (most have no use for the routine) is passed over without reading its relocations. The GNU table
// leaves out the symbols before its first index, the imports among them: those are read one by one.
std::vector<std::uint32_t> SymbolIndexes(const TSymbolTables& t, const char* Name) {
  std::vector<std::uint32_t> found;
  if (t.Hash) {
    const std::uint32_t buckets = t.Hash[0];
    if (buckets == 0) return found;
    const std::uint32_t* chain = t.Hash + 2 + buckets;
    for (std::uint32_t i = t.Hash[2 + ElfHash(Name) % buckets]; i != STN_UNDEF; i = chain[i])
      if (NamedAt(t, i, Name)) found.push_back(i);
    return found;
  }
  const std::uint32_t buckets = t.GnuHash[0], first = t.GnuHash[1], words = t.GnuHash[2], shift = t.GnuHash[3];
  for (std::uint32_t i = 1; i < first; ++i)
    if (NamedAt(t, i, Name)) found.push_back(i);
  if (buckets == 0 || words == 0) return found;
  const auto* bloom = reinterpret_cast<const std::uint64_t*>(t.GnuHash + 4);
  const std::uint32_t* bucket = reinterpret_cast<const std::uint32_t*>(bloom + words);
  const std::uint32_t* chain = bucket + buckets;
  const std::uint32_t h = GnuHash(Name);
  const std::uint64_t word = bloom[(h / 64) % words];
  const std::uint64_t bits = std::uint64_t{1} << (h % 64) | std::uint64_t{1} << ((h >> shift) % 64);
  if ((word & bits) != bits) return found;
  for (std::uint32_t i = bucket[h % buckets]; i >= first; ++i) {
    const std::uint32_t hi = chain[i - first];
    if ((hi | 1) == (h | 1) && NamedAt(t, i, Name)) found.push_back(i);
    if (hi & 1) break;  // the end of the bucket's chain
  }
  return found;
}

// Every global-offset-table slot by which the image calls Name.
std::vector<void**> ImportSlots(const TModuleImage& image, const char* Name) {
  std::vector<void**> slots;
  if (!image.Dynamic) return slots;
  TSymbolTables tables;
  const Elf64_Rela* relocations[2] = {nullptr, nullptr};
  std::size_t sizes[2] = {0, 0};
  std::size_t relative = 0;  // the relative relocations, which come first and name no symbol
  for (const Elf64_Dyn* d = image.Dynamic; d->d_tag != DT_NULL; ++d) {
    const std::uintptr_t address = DynamicAddress(d->d_un.d_ptr, image.Bias);
    switch (d->d_tag) {
      case DT_SYMTAB: tables.Symbols = reinterpret_cast<const Elf64_Sym*>(address); break;
      case DT_STRTAB: tables.Strings = reinterpret_cast<const char*>(address); break;
      case DT_HASH: tables.Hash = reinterpret_cast<const std::uint32_t*>(address); break;
      case DT_GNU_HASH: tables.GnuHash = reinterpret_cast<const std::uint32_t*>(address); break;
      case DT_JMPREL: relocations[0] = reinterpret_cast<const Elf64_Rela*>(address); break;
      case DT_PLTRELSZ: sizes[0] = d->d_un.d_val; break;
      case DT_RELA: relocations[1] = reinterpret_cast<const Elf64_Rela*>(address); break;
      case DT_RELASZ: sizes[1] = d->d_un.d_val; break;
      case DT_RELACOUNT: relative = d->d_un.d_val; break;
      default: break;
    }
  }
  if (!tables.Symbols || !tables.Strings) return slots;
  // Without a hash table each relocation's name is compared.
  const bool hashed = tables.Hash || tables.GnuHash;
  const std::vector<std::uint32_t> indexes = hashed ? SymbolIndexes(tables, Name) : std::vector<std::uint32_t>();
  if (hashed && indexes.empty()) return slots;
  for (int k = 0; k < 2; ++k) {
    if (!relocations[k]) continue;
    const std::size_t count = sizes[k] / sizeof(Elf64_Rela);
    for (std::size_t i = k == 1 ? std::min(relative, count) : 0; i < count; ++i) {
      const Elf64_Rela& r = relocations[k][i];
      const auto type = ELF64_R_TYPE(r.r_info);
      const auto symbol = static_cast<std::uint32_t>(ELF64_R_SYM(r.r_info));
      if ((type != R_X86_64_JUMP_SLOT && type != R_X86_64_GLOB_DAT) || symbol == 0) continue;
      if (hashed ? std::find(indexes.begin(), indexes.end(), symbol) != indexes.end() : NamedAt(tables, symbol, Name))
        slots.push_back(reinterpret_cast<void**>(image.Bias + r.r_offset));
    }
  }
  return slots;
}

const void* LibraryProc(const std::string& LibName, const std::string& ProcName) {
  if (LibName.empty()) return ::dlsym(RTLD_DEFAULT, ProcName.c_str());
  void* library = ::dlopen(LibName.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (!library) return nullptr;
  const void* proc = ::dlsym(library, ProcName.c_str());
  ::dlclose(library);
  return proc;
}

// A slot not bound yet leads into its own module, to the way to the loader's binder; a bound one
// holds the routine it was bound to (a routine of that name in its own module among them, which a
// look-up of the name in that module finds first).
bool Unbound(const TModuleImage& Image, void** Slot, const void* Value, const std::string& ProcName) {
  dl_find_object slot_module{}, value_module{};
  if (::_dl_find_object(Slot, &slot_module) != 0 || ::_dl_find_object(const_cast<void*>(Value), &value_module) != 0)
    return false;
  if (slot_module.dlfo_link_map != value_module.dlfo_link_map) return false;
  return LibraryProc(Image.Program ? std::string() : Image.FileName, ProcName) != Value;
}

}  // namespace

bool HookImportedProc(const std::vector<std::string>& Modules, const std::string& LibName,
                      const std::string& ProcName, const void* NewProc, const void*& OldProc, bool Silent) {
  const std::string name = LibName + "." + ProcName;
  OldProc = LibraryProc(LibName, ProcName);
  if (!OldProc) throw EProcNull("Cannot hook a null procedure (\"%s\").", name);
  THooks& h = Hooks();
  std::lock_guard guard(h.lock);
  const TMemoryMapScope memory;  // one reading of the mappings for every slot
  bool patched_any = false;
  for (const TModuleImage& image : LoadedImages()) {
    if (!NamesImage(Modules, image)) continue;
    bool patched = false;
    for (void** slot : ImportSlots(image, ProcName.c_str())) {
      // A slot bound to another routine of that name (the program's own, a sanitizer's, another
      // hook's) is not this library's to take.
      const void* old = *slot;
      if (old != OldProc && !Unbound(image, slot, old, ProcName)) continue;
      if (!PatchCode(slot, &NewProc, sizeof NewProc)) continue;
      h.imports.push_back(TImportHook{LibName, OldProc, NewProc, slot, old});
      patched = true;
    }
    if (!patched && !Silent) throw EHookingError("Cannot hook the procedure \"%s\".", name);
    patched_any = patched_any || patched;
  }
  return patched_any;
}

namespace {

// Puts a slot back when it still holds the replacement. The module may have been unloaded since:
// the slot is read through the probe.
void RestoreImportSlot(const TImportHook& Hook) {
  const void* current = nullptr;
  if (ReadMemory(Hook.Slot, &current, sizeof current) == sizeof current && current == Hook.NewProc)
    PatchCode(Hook.Slot, &Hook.Old, sizeof Hook.Old);
}

}  // namespace

void UnhookImportedProc(const void* NewProc) {
  THooks& h = Hooks();
  std::lock_guard guard(h.lock);
  for (auto it = h.imports.end(); it != h.imports.begin();) {
    --it;
    if (it->NewProc != NewProc) continue;
    RestoreImportSlot(*it);
    it = h.imports.erase(it);
  }
}

// Each list is undone last to first, so a slot hooked over again ends with what it held first.
void UnhookAll() noexcept {
  THooks& h = Hooks();
  std::lock_guard guard(h.lock);
  for (auto i = h.imports.rbegin(); i != h.imports.rend(); ++i) RestoreImportSlot(*i);
  h.imports.clear();
  for (auto m = h.methods.rbegin(); m != h.methods.rend(); ++m) {
    auto** slot = const_cast<const void**>(static_cast<const void* const*>(m->VMT)) + m->Slot;
    if (GetModuleBase(m->VMT)) PatchCode(slot, &m->Previous, sizeof m->Previous);
  }
  h.methods.clear();
  // The pages stay: a replacement running in another thread may still call its trampoline.
  for (auto it = h.patches.rbegin(); it != h.patches.rend(); ++it) {
    if (it->Active) PatchCode(const_cast<void*>(it->Proc), it->Saved, kPatchSize);
    it->Active = false;
  }
}

namespace {
void StartHooks() { Hooks(); }
void EndHooks() { UnhookAll(); }
void StartHooksUnit() { SafeUnitSection(&StartHooks, "CrHook.Init"); }
void EndHooksUnit() { SafeUnitSection(&EndHooks, "CrHook.Done"); }
}  // namespace

constinit const TUnit CrHookUnit{"CrHook", &StartHooksUnit, &EndHooksUnit};

}  // namespace lab
