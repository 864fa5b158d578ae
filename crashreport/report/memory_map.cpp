#include "crashreport/report/memory_map.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

#include "crashreport/report/memory_probe.h"

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

bool TMemoryMap::Find(std::uintptr_t Address, bool Next, TMemoryRegion& Region) const noexcept {
  auto it = std::upper_bound(regions_.begin(), regions_.end(), Address,
                             [](std::uintptr_t a, const TRegion& r) { return a < r.Start; });
  if (it != regions_.begin() && Address < std::prev(it)->End) {
    Region = *std::prev(it);
    return true;
  }
  if (!Next || it == regions_.end()) return false;
  Region = *it;
  return true;
}

namespace {

// The kernel's record of a query (its layout, which the C library's headers here predate): what is
// asked, then the mapping found. No name and no build ID are asked for.
struct TKernelMappingQuery {
  std::uint64_t Size;
  std::uint64_t Flags;
  std::uint64_t Address;
  std::uint64_t Start, End;
  std::uint64_t Access;  // kMapping* bits
  std::uint64_t PageSize, Offset, Inode;
  std::uint32_t DeviceMajor, DeviceMinor;
  std::uint32_t NameSize, BuildIdSize;
  std::uint64_t NameAddress, BuildIdAddress;
};
static_assert(sizeof(TKernelMappingQuery) == 104);
constexpr unsigned long kQueryMapping = _IOWR('f', 17, TKernelMappingQuery);
constexpr std::uint64_t kCoveringOrNext = 0x10;
constexpr std::uint64_t kMappingReadable = 1, kMappingWritable = 2, kMappingExecutable = 4;

// The outermost scope open on this thread, which lends its map to the readers below it: they are
// reached through calls (and the fault handler's) that pass no map along.
thread_local TMemoryMapScope* t_lender = nullptr;

}  // namespace

TMappingQuery::TMappingQuery() noexcept : fd_(::open("/proc/self/maps", O_RDONLY | O_CLOEXEC)) {
  // Asked once for a mapping that is surely there: an older kernel refuses the question.
  static const int here = 0;
  TMemoryRegion region;
  available_ = true;
  available_ = fd_ >= 0 && Find(reinterpret_cast<std::uintptr_t>(&here), false, region);
}

TMappingQuery::~TMappingQuery() {
  if (fd_ >= 0) ::close(fd_);
}

bool TMappingQuery::Find(std::uintptr_t Address, bool Next, TMemoryRegion& Region) const noexcept {
  if (!available_) return false;
  TKernelMappingQuery query{};
  query.Size = sizeof query;
  query.Flags = Next ? kCoveringOrNext : 0;
  query.Address = Address;
  if (::ioctl(fd_, kQueryMapping, &query) != 0) return false;
  Region.Start = query.Start;
  Region.End = query.End;
  Region.Protection = ((query.Access & kMappingReadable) ? PROT_READ : 0) |
                      ((query.Access & kMappingWritable) ? PROT_WRITE : 0) |
                      ((query.Access & kMappingExecutable) ? PROT_EXEC : 0);
  return true;
}

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

const TMappingLookup* TMemoryMapScope::Mappings() {
  if (!t_lender) return nullptr;
  if (!t_lender->query_) t_lender->query_.emplace();
  if (t_lender->query_->Available()) return &*t_lender->query_;
  return Current();
}

const TMemoryMap* TMemoryMapScope::Renew() {
  if (!t_lender) return nullptr;
  t_lender->map_.emplace();
  return &*t_lender->map_;
}

}  // namespace lab
