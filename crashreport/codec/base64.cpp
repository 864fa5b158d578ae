#include "crashreport/codec/base64.h"

#include <array>
#include <cstdint>

namespace lab {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::uint8_t, 256> MakeDecodeTable() {
  std::array<std::uint8_t, 256> table{};  // everything outside the alphabet is 0
  for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = std::uint8_t(i);
  return table;
}

constexpr std::array<std::uint8_t, 256> kDecode = MakeDecodeTable();

}  // namespace

std::string Base64EncodeBuffer(const void* Buffer, std::size_t Count) {
  const auto* p = static_cast<const std::uint8_t*>(Buffer);
  std::string out;
  out.reserve((Count + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= Count; i += 3) {
    const std::uint32_t v = std::uint32_t(p[i]) << 16 | std::uint32_t(p[i + 1]) << 8 | p[i + 2];
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  if (const std::size_t rest = Count - i) {
    std::uint32_t v = std::uint32_t(p[i]) << 16;
    if (rest == 2) v |= std::uint32_t(p[i + 1]) << 8;
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string Base64EncodeStr(std::string_view Text) { return Base64EncodeBuffer(Text.data(), Text.size()); }

std::string Base64DecodeStr(std::string_view Text) {
  if (Text.empty() || Text.size() % 4 != 0) return {};
  std::size_t padding = 0;
  while (padding < 2 && Text[Text.size() - 1 - padding] == '=') ++padding;
  std::string out;
  out.reserve(Text.size() / 4 * 3);
  for (std::size_t i = 0; i < Text.size(); i += 4) {
    std::uint32_t v = 0;
    for (std::size_t j = 0; j < 4; ++j) v = v << 6 | kDecode[static_cast<unsigned char>(Text[i + j])];
    const std::size_t bytes = i + 4 == Text.size() ? 3 - padding : 3;  // padding only ends the last group
    for (std::size_t k = 0; k < bytes; ++k) out += char(v >> (16 - 8 * k));
  }
  return out;
}

}  // namespace lab
