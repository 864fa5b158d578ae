#include "crashreport/codec/cipher.h"

#include <cstring>

#include "crashreport/codec/md5.h"

namespace lab {
namespace {

constexpr std::uint32_t kDelta = 0x9E3779B9;
constexpr std::uint32_t kDecryptSum = 0xC6EF3720;  // 32 * kDelta

std::uint32_t ReadBig(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

void WriteBig(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v >> 24);
  p[1] = std::uint8_t(v >> 16);
  p[2] = std::uint8_t(v >> 8);
  p[3] = std::uint8_t(v);
}

// Combines the last Count mod 8 bytes with the encrypted chaining vector: the same step both ways.
void CombineTail(const TCipher& cipher, std::uint8_t* chain, const std::uint8_t* src, std::uint8_t* dst,
                 std::size_t count) {
  cipher.EncryptBlock(chain, chain);
  for (std::size_t i = 0; i < count; ++i) dst[i] = src[i] ^ chain[i];
}

}  // namespace

TCipher::TCipher(std::string_view PassPhrase) {
  const TMD5Digest digest = MD5Text(PassPhrase);
  for (int i = 0; i < 4; ++i) key_[i] = ReadBig(digest.data() + 4 * i);
}

void TCipher::EncryptBlock(const std::uint8_t In[8], std::uint8_t Out[8]) const {
  std::uint32_t y = ReadBig(In), z = ReadBig(In + 4), sum = 0;
  const auto [k0, k1, k2, k3] = key_;
  for (int round = 0; round < 32; ++round) {
    sum += kDelta;
    y += (z << 4) + (z ^ k0) + ((z >> 5) ^ sum) + k1;
    z += (y << 4) + (k2 ^ y) + ((y >> 5) ^ sum) + k3;
  }
  WriteBig(Out, y);
  WriteBig(Out + 4, z);
}

void TCipher::DecryptBlock(const std::uint8_t In[8], std::uint8_t Out[8]) const {
  std::uint32_t y = ReadBig(In), z = ReadBig(In + 4), sum = kDecryptSum;
  const auto [k0, k1, k2, k3] = key_;
  for (int round = 0; round < 32; ++round) {
    z -= (y << 4) + (k2 ^ y) + ((y >> 5) ^ sum) + k3;
    y -= (z << 4) + (z ^ k0) + ((z >> 5) ^ sum) + k1;
    sum -= kDelta;
  }
  WriteBig(Out, y);
  WriteBig(Out + 4, z);
}

void TCipher::DecryptBuffer(const void* Source, void* Dest, std::size_t Count) const {
  const auto* src = static_cast<const std::uint8_t*>(Source);
  auto* dst = static_cast<std::uint8_t*>(Dest);
  std::uint8_t chain[8];
  std::memset(chain, 0xFF, sizeof chain);
  std::size_t i = 0;
  for (; i + 8 <= Count; i += 8) {
    std::uint8_t kept[8];
    std::memcpy(kept, src + i, 8);
    DecryptBlock(kept, dst + i);
    for (int j = 0; j < 8; ++j) dst[i + j] ^= chain[j];
    std::memcpy(chain, kept, 8);
  }
  CombineTail(*this, chain, src + i, dst + i, Count - i);
}

void TCipher::EncryptBuffer(const void* Source, void* Dest, std::size_t Count) const {
  const auto* src = static_cast<const std::uint8_t*>(Source);
  auto* dst = static_cast<std::uint8_t*>(Dest);
  std::uint8_t chain[8];
  std::memset(chain, 0xFF, sizeof chain);
  std::size_t i = 0;
  for (; i + 8 <= Count; i += 8) {
    std::uint8_t block[8];
    for (int j = 0; j < 8; ++j) block[j] = src[i + j] ^ chain[j];
    EncryptBlock(block, dst + i);
    std::memcpy(chain, dst + i, 8);
  }
  CombineTail(*this, chain, src + i, dst + i, Count - i);
}

}  // namespace lab
