#pragma once
// Bitwise mixes of the device layer on pixel values (0xFFRRGGBB): the binary pen mixes (R2_*) and the
// ternary raster operations of block transfers, whose middle byte is the truth table over pattern,
// source and destination.

#include <cstdint>

namespace lab::raster {

// Truth-table code (0..255) of a ternary raster operation.
constexpr std::uint8_t Code(std::uint32_t rop) noexcept { return static_cast<std::uint8_t>(rop >> 16); }
constexpr bool UsesSource(std::uint8_t code) noexcept { return ((code >> 2) & 0x33) != (code & 0x33); }
constexpr bool UsesPattern(std::uint8_t code) noexcept { return ((code >> 4) & 0x0F) != (code & 0x0F); }
constexpr bool UsesDest(std::uint8_t code) noexcept { return ((code >> 1) & 0x55) != (code & 0x55); }

// The ternary code that applies a pen mix (R2_*) to pattern and destination.
constexpr std::uint8_t CodeOfMix(int r2) noexcept {
  const unsigned table = static_cast<unsigned>(r2 - 1) & 0xF;
  std::uint8_t code = 0;
  for (int k = 0; k < 8; ++k) {
    const unsigned p = (0xF0u >> k) & 1, d = (0xAAu >> k) & 1;
    if ((table >> (p * 2 + d)) & 1) code = static_cast<std::uint8_t>(code | (1u << k));
  }
  return code;
}

inline std::uint32_t Apply(std::uint8_t code, std::uint32_t p, std::uint32_t s, std::uint32_t d) noexcept {
  std::uint32_t r;
  switch (code) {
    case 0x00: r = 0; break;
    case 0xFF: r = ~0u; break;
    case 0xCC: r = s; break;
    case 0x33: r = ~s; break;
    case 0xF0: r = p; break;
    case 0x0F: r = ~p; break;
    case 0xAA: r = d; break;
    case 0x55: r = ~d; break;
    case 0x88: r = s & d; break;
    case 0xEE: r = s | d; break;
    case 0x66: r = s ^ d; break;
    case 0x44: r = s & ~d; break;
    case 0x11: r = ~(s | d); break;
    case 0xC0: r = p & s; break;
    case 0xBB: r = ~s | d; break;
    case 0x5A: r = p ^ d; break;
    case 0xA5: r = ~(p ^ d); break;
    case 0xA0: r = p & d; break;
    case 0xFA: r = p | d; break;
    case 0xFB: r = p | ~s | d; break;
    default: {
      r = 0;
      for (int k = 0; k < 8; ++k) {
        if (!((code >> k) & 1)) continue;
        const std::uint32_t tp = ((0xF0u >> k) & 1) ? p : ~p;
        const std::uint32_t ts = ((0xCCu >> k) & 1) ? s : ~s;
        const std::uint32_t td = ((0xAAu >> k) & 1) ? d : ~d;
        r |= tp & ts & td;
      }
    }
  }
  return r | 0xFF000000u;  // surfaces stay opaque
}

}  // namespace lab::raster
