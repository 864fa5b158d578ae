#include "platform/classes/resources.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/strutils.h"

namespace lab {

const detail::TEmbeddedResource* FindResource(std::string_view Name, std::string_view Type) {
  for (std::size_t i = 0; i < detail::kEmbeddedResourceCount; ++i) {
    const detail::TEmbeddedResource& r = detail::kEmbeddedResources[i];
    if (SameText(r.Name, Name) && SameText(r.Type, Type)) return &r;
  }
  return nullptr;
}

std::span<const std::uint8_t> LoadResource(std::string_view Name, std::string_view Type) {
  const detail::TEmbeddedResource* r = FindResource(Name, Type);
  if (!r) throw EResNotFound("Resource %s not found", Name);
  return {r->Data, r->Size};
}

TResourceStream::TResourceStream(std::string_view ResName, std::string_view ResType)
    : data_(LoadResource(ResName, ResType)) {}

std::int64_t TResourceStream::Read(void* Buffer, std::int64_t Count) {
  const std::int64_t size = Size();
  if (Count <= 0 || position_ < 0 || position_ >= size) return 0;
  const std::int64_t n = std::min(Count, size - position_);
  std::memcpy(Buffer, data_.data() + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

std::int64_t TResourceStream::Write(const void*, std::int64_t) {
  throw EStreamError("Can't write to a read-only resource stream");
}

std::int64_t TResourceStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  switch (Origin) {
    case soFromBeginning: position_ = Offset; break;
    case soFromCurrent: position_ += Offset; break;
    case soFromEnd: position_ = Size() + Offset; break;
  }
  return position_;
}

void TResourceStream::SetSize(std::int64_t) { throw EStreamError("Can't write to a read-only resource stream"); }

}  // namespace lab
