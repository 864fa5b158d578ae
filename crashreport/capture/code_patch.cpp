#include "crashreport/capture/code_patch.h"

#include <Zydis/Zydis.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "crashreport/report/memory_map.h"
#include "crashreport/report/memory_probe.h"

namespace lab {
namespace {

std::uintptr_t PageSize() { return static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE)); }

// Bytes that lie within one aligned 8-byte word are written by one store of the whole word (an
// aligned 8-byte move is one store on x86-64), so a thread that runs or reads them meanwhile (a jump
// being written, a table slot) sees them all old or all new, never half of each. The moves are
// written out so that no checking tool turns them into checked accesses: code has no shadow memory.
void Store(std::uint8_t* Address, const std::uint8_t* Data, std::size_t Count) {
  const auto at = reinterpret_cast<std::uintptr_t>(Address);
  const std::uintptr_t word = at & ~std::uintptr_t(7);
  if (at + Count > word + 8) {
    std::memcpy(Address, Data, Count);
    return;
  }
  auto* cell = reinterpret_cast<std::uint64_t*>(word);
  std::uint64_t value;
  asm volatile("movq %1, %0" : "=r"(value) : "m"(*cell));
  std::memcpy(reinterpret_cast<std::uint8_t*>(&value) + (at - word), Data, Count);
  asm volatile("movq %1, %0" : "=m"(*cell) : "r"(value) : "memory");
}

// The regions of Memory from First to End, cut to that range; false when a gap lies between them.
bool PageProtections(const TMappingLookup& Memory, std::uintptr_t First, std::uintptr_t End,
                     std::vector<TMemoryMap::TRegion>& Regions) {
  Regions.clear();
  for (std::uintptr_t at = First; at < End;) {
    TMemoryRegion r;
    if (!Memory.Find(at, false, r)) return false;
    Regions.push_back(TMemoryMap::TRegion{at, std::min(r.End, End), r.Protection});
    at = r.End;
  }
  return true;
}

}  // namespace

std::size_t CodePageSize() noexcept { return PageSize(); }

bool PatchCode(void* Address, const void* Data, std::size_t Count) noexcept {
  if (Count == 0) return true;
  const std::uintptr_t page = PageSize();
  const auto first = reinterpret_cast<std::uintptr_t>(Address) & ~(page - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(Address) + Count + page - 1) & ~(page - 1);
  // The old protection of each page, to put back afterwards: asked of the kernel, or from the snapshot
  // the caller lends, read again when it misses a page (mapped since), or from one of its own.
  std::vector<TMemoryMap::TRegion> old;
  try {
    const TMemoryMapScope memory;
    if (!PageProtections(*TMemoryMapScope::Mappings(), first, end, old) &&
        !PageProtections(*TMemoryMapScope::Renew(), first, end, old))
      return false;
  } catch (...) {
    return false;
  }
  // Pages writable already are written as they stand.
  std::erase_if(old, [](const TMemoryMap::TRegion& r) { return (r.Protection & PROT_WRITE) != 0; });
  const auto restore = [&] {
    for (const TMemoryMap::TRegion& r : old) ::mprotect(reinterpret_cast<void*>(r.Start), r.End - r.Start, r.Protection);
  };
  // Writable only while the bytes are written, and executable only where it was: code that runs
  // meanwhile (the writing code itself among it) may share the page. Where the system refuses both
  // at once, writable alone.
  for (const TMemoryMap::TRegion& r : old) {
    void* at = reinterpret_cast<void*>(r.Start);
    const std::size_t size = r.End - r.Start;
    if (::mprotect(at, size, r.Protection | PROT_WRITE) != 0 &&
        (!(r.Protection & PROT_EXEC) || ::mprotect(at, size, (r.Protection & ~PROT_EXEC) | PROT_WRITE) != 0)) {
      restore();
      return false;
    }
  }
  Store(static_cast<std::uint8_t*>(Address), static_cast<const std::uint8_t*>(Data), Count);
  restore();
  __builtin___clear_cache(static_cast<char*>(Address), static_cast<char*>(Address) + Count);
  return true;
}

bool WriteJump(void* Address, const void* Target) noexcept {
  const std::int64_t distance =
      reinterpret_cast<std::intptr_t>(Target) - (reinterpret_cast<std::intptr_t>(Address) + 5);
  if (distance < INT32_MIN || distance > INT32_MAX) return false;
  std::uint8_t jump[5] = {0xE9};
  const auto rel = static_cast<std::int32_t>(distance);
  std::memcpy(jump + 1, &rel, 4);
  return PatchCode(Address, jump, sizeof jump);
}

std::size_t InstructionLength(const void* Address) noexcept {
  std::uint8_t bytes[ZYDIS_MAX_INSTRUCTION_LENGTH];
  std::size_t readable = sizeof bytes;
  while (readable > 0 && !IsMemoryReadable(Address, readable)) --readable;
  if (readable == 0) return 0;
  std::memcpy(bytes, Address, readable);
  ZydisDecoder decoder;
  ZydisDecoderInit(&decoder, ZYDIS_MACHINE_MODE_LONG_64, ZYDIS_STACK_WIDTH_64);
  ZydisDecodedInstruction instruction;
  if (!ZYAN_SUCCESS(ZydisDecoderDecodeInstruction(&decoder, nullptr, bytes, readable, &instruction))) return 0;
  return instruction.length;
}

void* AllocateCodePageNear(const void* Near) noexcept {
  const std::uintptr_t page = PageSize();
  const auto near = reinterpret_cast<std::uintptr_t>(Near);
  constexpr std::uintptr_t kReach = 0x7FF00000;  // a little less than 2 GB
  const std::uintptr_t low = near > kReach ? (near - kReach + page - 1) & ~(page - 1) : page;
  const std::uintptr_t high = near < UINTPTR_MAX - kReach ? (near + kReach) & ~(page - 1) : UINTPTR_MAX & ~(page - 1);
  std::vector<TMemoryMap::TRegion> regions;
  try {
    regions = TMemoryMap().Regions();
  } catch (...) {
    return nullptr;
  }
  // The free page nearest to Near: just after or just before a mapping.
  std::vector<std::uintptr_t> candidates;
  for (std::size_t i = 0; i < regions.size(); ++i) {
    const std::uintptr_t after = regions[i].End;
    const std::uintptr_t next = i + 1 < regions.size() ? regions[i + 1].Start : UINTPTR_MAX;
    if (next - after >= page) candidates.push_back(after);
    const std::uintptr_t before = regions[i].Start;
    const std::uintptr_t previous = i > 0 ? regions[i - 1].End : 0;
    if (before - previous >= page && before >= page) candidates.push_back(before - page);
  }
  std::sort(candidates.begin(), candidates.end(), [near](std::uintptr_t a, std::uintptr_t b) {
    return (a > near ? a - near : near - a) < (b > near ? b - near : near - b);
  });
  for (std::uintptr_t at : candidates) {
    if (at < low || at > high) continue;
    void* got = ::mmap(reinterpret_cast<void*>(at), page, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    if (got == MAP_FAILED) continue;
    if (got == reinterpret_cast<void*>(at)) return got;
    ::munmap(got, page);  // an old kernel took the address as a hint only
  }
  return nullptr;
}

bool SealCodePage(void* Page) noexcept { return ::mprotect(Page, PageSize(), PROT_READ | PROT_EXEC) == 0; }

void FreeCodePage(void* Page) noexcept {
  if (Page) ::munmap(Page, PageSize());
}

}  // namespace lab
