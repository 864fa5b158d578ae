#pragma once
// A snapshot of the process's mappings (/proc/self/maps), so a stack scan tests each word against
// memory in a binary search instead of reading the mappings again. Reads go through ReadMemory
// (memory_probe.h): memory that goes away after the snapshot makes a copy come back short, not a fault.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace lab {

struct TMemoryRegion {
  std::uintptr_t Start, End;
  int Protection;  // PROT_READ, PROT_WRITE, PROT_EXEC
};

// Mappings told one at a time: the one that holds Address or, with Next, the first one above it
// when none does. False when there is none.
class TMappingLookup {
 public:
  virtual bool Find(std::uintptr_t Address, bool Next, TMemoryRegion& Region) const noexcept = 0;

 protected:
  ~TMappingLookup() = default;
};

class TMemoryMap final : public TMappingLookup {
 public:
  using TRegion = TMemoryRegion;

  // Reads the mappings now.
  TMemoryMap();

  // In address order.
  const std::vector<TRegion>& Regions() const noexcept { return regions_; }
  // Size bytes from Address lie in readable mappings (consecutive ones may join).
  bool IsReadable(std::uintptr_t Address, std::size_t Size) const noexcept;
  bool IsExecutable(std::uintptr_t Address) const noexcept;
  // The end of the mapping that holds Address (0 when none): the top of a stack.
  std::uintptr_t RegionEnd(std::uintptr_t Address) const noexcept;
  bool Find(std::uintptr_t Address, bool Next, TMemoryRegion& Region) const noexcept override;

 private:
  const TRegion* Find(std::uintptr_t Address) const noexcept;

  std::vector<TRegion> regions_;
};

// The kernel asked for one mapping at a time (a query of /proc/self/maps by address, Linux 6.11 and
// later): a few mappings cost a few calls instead of the whole map written out as text and read.
class TMappingQuery final : public TMappingLookup {
 public:
  TMappingQuery() noexcept;
  ~TMappingQuery();
  TMappingQuery(const TMappingQuery&) = delete;
  TMappingQuery& operator=(const TMappingQuery&) = delete;

  // False where the kernel cannot be asked so: then nothing is found.
  bool Available() const noexcept { return available_; }
  bool Find(std::uintptr_t Address, bool Next, TMemoryRegion& Region) const noexcept override;

 private:
  int fd_;
  bool available_ = false;
};

// Lends one snapshot of the mappings to what the thread that makes it does while it lives, read when
// first asked for, so a run of patches (the reporter's start-up, an imported routine hooked in every
// module) reads /proc/self/maps once instead of once a patch. A patch puts each protection back as it
// found it, so the snapshot stays true for the next; a mapping made since (a library loaded meanwhile)
// is missing from it, and whoever misses an address renews it. Meant for a run of work that changes no
// mapping itself but through patches. A scope made inside another lends the outer one's snapshot.
class TMemoryMapScope {
 public:
  TMemoryMapScope() noexcept;
  ~TMemoryMapScope();
  TMemoryMapScope(const TMemoryMapScope&) = delete;
  TMemoryMapScope& operator=(const TMemoryMapScope&) = delete;

  // The snapshot lent to this thread; null outside every scope.
  static const TMemoryMap* Current();
  // Reads the lent snapshot again and answers it; null outside every scope.
  static const TMemoryMap* Renew();
  // The mappings lent to this thread for the few a patch or a stack's bounds ask for: asked of the
  // kernel one at a time where it can be asked (no snapshot is read then), else the snapshot. Null
  // outside every scope.
  static const TMappingLookup* Mappings();

 private:
  std::optional<TMemoryMap> map_;
  std::optional<TMappingQuery> query_;
  bool lends_;
};

}  // namespace lab
