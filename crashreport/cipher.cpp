#include "crashreport/cipher.h"

#include <cstring>

#include "crashreport/md5.h"

namespace lab {
namespace {

constexpr std::uint32_t kDelta = 0x9E3779B9;
constexpr std::uint32_t kDecryptSum = 0xC6EF3720;  // 32 * kDelta

std::uint32_t g_key[4];
std::uint8_t g_chain[8];

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
void CombineTail(const std::uint8_t* src, std::uint8_t* dst, std::size_t count) {
  EncryptBlock(g_chain, g_chain);
  for (std::size_t i = 0; i < count; ++i) dst[i] = src[i] ^ g_chain[i];
}

}  // namespace

void SetCipherKey(std::string_view PassPhrase) {
  const TMD5Digest digest = MD5Text(PassPhrase);
  for (int i = 0; i < 4; ++i) g_key[i] = ReadBig(digest.data() + 4 * i);
}

void EncryptBlock(const std::uint8_t In[8], std::uint8_t Out[8]) {
  std::uint32_t y = ReadBig(In), z = ReadBig(In + 4), sum = 0;
  const std::uint32_t k0 = g_key[0], k1 = g_key[1], k2 = g_key[2], k3 = g_key[3];
  for (int round = 0; round < 32; ++round) {
    sum += kDelta;
    y += (z << 4) + (z ^ k0) + ((z >> 5) ^ sum) + k1;
    z += (y << 4) + (k2 ^ y) + ((y >> 5) ^ sum) + k3;
  }
  WriteBig(Out, y);
  WriteBig(Out + 4, z);
}

void DecryptBlock(const std::uint8_t In[8], std::uint8_t Out[8]) {
  std::uint32_t y = ReadBig(In), z = ReadBig(In + 4), sum = kDecryptSum;
  const std::uint32_t k0 = g_key[0], k1 = g_key[1], k2 = g_key[2], k3 = g_key[3];
  for (int round = 0; round < 32; ++round) {
    z -= (y << 4) + (k2 ^ y) + ((y >> 5) ^ sum) + k3;
    y -= (z << 4) + (z ^ k0) + ((z >> 5) ^ sum) + k1;
    sum -= kDelta;
  }
  WriteBig(Out, y);
  WriteBig(Out + 4, z);
}

void DecryptBuffer(const void* Source, void* Dest, std::size_t Count) {
  const auto* src = static_cast<const std::uint8_t*>(Source);
  auto* dst = static_cast<std::uint8_t*>(Dest);
  std::memset(g_chain, 0xFF, sizeof g_chain);
  std::size_t i = 0;
  for (; i + 8 <= Count; i += 8) {
    std::uint8_t kept[8];
    std::memcpy(kept, src + i, 8);
    DecryptBlock(kept, dst + i);
    for (int j = 0; j < 8; ++j) dst[i + j] ^= g_chain[j];
    std::memcpy(g_chain, kept, 8);
  }
  CombineTail(src + i, dst + i, Count - i);
}

void EncryptBuffer(const void* Source, void* Dest, std::size_t Count) {
  const auto* src = static_cast<const std::uint8_t*>(Source);
  auto* dst = static_cast<std::uint8_t*>(Dest);
  std::memset(g_chain, 0xFF, sizeof g_chain);
  std::size_t i = 0;
  for (; i + 8 <= Count; i += 8) {
    std::uint8_t block[8];
    for (int j = 0; j < 8; ++j) block[j] = src[i + j] ^ g_chain[j];
    EncryptBlock(block, dst + i);
    std::memcpy(g_chain, dst + i, 8);
  }
  CombineTail(src + i, dst + i, Count - i);
}

}  // namespace lab
