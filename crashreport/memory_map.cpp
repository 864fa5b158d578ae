#include "crashreport/memory_map.h"

#include <sys/mman.h>

#include <algorithm>

#include "crashreport/memory_probe.h"

namespace lab {

TMemoryMap::TMemoryMap() {
  TMapsReader maps;
  TRegion r;
  while (maps.Next(r.Start, r.End, r.Protection)) regions_.push_back(r);
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

namespace {
thread_local TMemoryMapScope* t_lender = nullptr;
}  // namespace

TMemoryMapScope::TMemoryMapScope() noexcept : lends_(t_lender == nullptr) {
  if (lends_) t_lender = this;
}

TMemoryMapScope::~TMemoryMapScope() {
  if (lends_) t_lender = nullptr;
}

const TMemoryMap* TMemoryMapScope::Current() {
  if (!t_lender) return nullptr;
  if (!t_lender->map_) t_lender->map_.emplace();
  return &*t_lender->map_;
}

const TMemoryMap* TMemoryMapScope::Renew() {
  if (!t_lender) return nullptr;
  t_lender->map_.emplace();
  return &*t_lender->map_;
}

}  // namespace lab
