#include "crashreport/memory_map.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace lab {

TMemoryMap::TMemoryMap() {
  FILE* maps = std::fopen("/proc/self/maps", "re");
  if (!maps) return;
  char line[512];
  while (std::fgets(line, sizeof line, maps)) {
    unsigned long start = 0, end = 0;
    char perms[5] = {};
    if (std::sscanf(line, "%lx-%lx %4s", &start, &end, perms) != 3) continue;
    int protection = PROT_NONE;
    if (perms[0] == 'r') protection |= PROT_READ;
    if (perms[1] == 'w') protection |= PROT_WRITE;
    if (perms[2] == 'x') protection |= PROT_EXEC;
    regions_.push_back(TRegion{start, end, protection});
    // The rest of a long line is not needed.
    while (!std::strchr(line, '\n') && std::fgets(line, sizeof line, maps)) {
    }
  }
  std::fclose(maps);
}

const TMemoryMap::TRegion* TMemoryMap::Find(std::uintptr_t Address) const noexcept {
  auto it = std::upper_bound(regions_.begin(), regions_.end(), Address,
                             [](std::uintptr_t a, const TRegion& r) { return a < r.Start; });
  if (it == regions_.begin()) return nullptr;
  --it;
  return Address < it->End ? &*it : nullptr;
}

bool TMemoryMap::IsReadable(std::uintptr_t Address, std::size_t Size) const noexcept {
  std::uintptr_t at = Address;
  const std::uintptr_t end = Address + Size;
  if (end < Address) return false;
  while (at < end) {
    const TRegion* r = Find(at);
    if (!r || !(r->Protection & PROT_READ)) return false;
    at = r->End;
  }
  return true;
}

bool TMemoryMap::IsExecutable(std::uintptr_t Address) const noexcept {
  const TRegion* r = Find(Address);
  return r && (r->Protection & PROT_READ) && (r->Protection & PROT_EXEC);
}

std::uintptr_t TMemoryMap::RegionEnd(std::uintptr_t Address) const noexcept {
  const TRegion* r = Find(Address);
  return r ? r->End : 0;
}

}  // namespace lab
