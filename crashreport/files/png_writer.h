#pragma once
// An 8-bit indexed PNG: the signature, "IHDR" (colour type 3), a "PLTE" of 256 entries, the rows
// (each a filter byte 0 and the palette indexes) deflated by zlib at level 9 in "IDAT" chunks of
// kPNGDataChunkSize bytes but the last, and "IEND". Every integer is big-endian; each chunk carries
// the CRC-32 of its type and data.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace lab {

class TStream;

inline constexpr std::size_t kPNGDataChunkSize = 262143;

// Fills Out (Width bytes) with the palette indexes of row Row, 0 the top.
using TPNGRowSource = std::function<void(int Row, std::uint8_t* Out)>;

// Writes the PNG of a Width × Height picture (both at least 1) whose colours are Palette (0xRRGGBB,
// at most 256; the rest of the 256 entries are black), asking for one row at a time. Raises
// EZLibError when zlib fails, and what Stream raises.
void WriteIndexedPNG(TStream& Stream, int Width, int Height, std::span<const std::uint32_t> Palette,
                     const TPNGRowSource& Rows);

}  // namespace lab
