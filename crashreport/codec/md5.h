#pragma once
// The MD5 message digest (RFC 1321): keys the block cipher and names data by content.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lab {

using TMD5Digest = std::array<std::uint8_t, 16>;

// Digest of Count bytes from Buffer.
void MD5Buffer(TMD5Digest& Digest, const void* Buffer, std::size_t Count);
TMD5Digest MD5Text(std::string_view Text);

}  // namespace lab
