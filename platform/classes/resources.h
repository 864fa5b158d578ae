#pragma once
// Named resources: the files under resources/<type>/ compiled into the program (cmake/embed.cmake)
// and found by type (the folder name, "RCDATA", "BITMAP", "CURSOR") and name (the file name without
// its extension). Names and types are compared without case.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

namespace lab::detail {
// The generated table, ended by an entry of nulls.
struct TEmbeddedResource { const char* Type; const char* Name; const unsigned char* Data; std::size_t Size; };
extern const TEmbeddedResource kEmbeddedResources[];
extern const std::size_t kEmbeddedResourceCount;
}  // namespace lab::detail

namespace lab {

// The bytes of a resource; nullptr when there is none of that name and type.
const detail::TEmbeddedResource* FindResource(std::string_view Name, std::string_view Type);
// As FindResource, but a missing resource raises EResNotFound "Resource %s not found".
std::span<const std::uint8_t> LoadResource(std::string_view Name, std::string_view Type);

// A read-only stream over a resource's bytes; EResNotFound when missing, EStreamError on writing.
class TResourceStream : public TStream {
  LAB_CLASS(TResourceStream, TStream)
 public:
  TResourceStream(std::string_view ResName, std::string_view ResType);

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }
  void SetSize(std::int64_t NewSize) override;

  const void* Memory() const noexcept { return data_.data(); }

 private:
  std::span<const std::uint8_t> data_;
  std::int64_t position_ = 0;
};

}  // namespace lab
