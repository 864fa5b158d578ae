#pragma once
// A snapshot of the process's mappings (/proc/self/maps), so a stack scan tests each word against
// memory in a binary search instead of reading the mappings again. Reads go through ReadMemory
// (memory_probe.h): memory that goes away after the snapshot makes a copy come back short, not a fault.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lab {

class TMemoryMap {
 public:
  struct TRegion {
    std::uintptr_t Start, End;
    int Protection;  // PROT_READ, PROT_WRITE, PROT_EXEC
  };

  // Reads the mappings now.
  TMemoryMap();

  // In address order.
  const std::vector<TRegion>& Regions() const noexcept { return regions_; }
  // Size bytes from Address lie in readable mappings (consecutive ones may join).
  bool IsReadable(std::uintptr_t Address, std::size_t Size) const noexcept;
  bool IsExecutable(std::uintptr_t Address) const noexcept;
  // The end of the mapping that holds Address (0 when none): the top of a stack.
  std::uintptr_t RegionEnd(std::uintptr_t Address) const noexcept;

 private:
  const TRegion* Find(std::uintptr_t Address) const noexcept;

  std::vector<TRegion> regions_;
};

}  // namespace lab
