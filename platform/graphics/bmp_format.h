#pragma once
// The BMP file format and the device-independent bitmap layout inside it (also found in cursor
// files): reading 1, 4, 8, 16, 24 and 32 bits per pixel, uncompressed, with bit-field masks or
// run-length coded, and writing 1, 24 and 32 bits per pixel.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/rtl/exceptions.h"

namespace lab {

// Raised for image data that cannot be read, with the framework's message "Bitmap image is not valid".
LAB_EXCEPTION(EInvalidGraphic, Exception);

// The most pixels an image read from BMP data may have; larger claims are refused.
constexpr std::int64_t kMaxBmpPixels = std::int64_t{1} << 28;

struct TDecodedImage {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;  // 0xFFRRGGBB, top row first
  std::vector<std::uint8_t> Alpha;    // per pixel, only for 32-bit images that carry alpha
  std::vector<std::uint8_t> Mask;     // per pixel, 1 = transparent, only for images with an AND mask
  int BitCount = 0;
  bool Monochrome = false;            // two colours, black and white
};

// A whole .bmp file.
TDecodedImage DecodeBmp(std::span<const std::uint8_t> data);
// A DIB (header, colour table, bits). With `and_mask` the stored height covers the image and a
// one-bit mask below it, as in icon and cursor resources.
TDecodedImage DecodeDib(std::span<const std::uint8_t> data, bool and_mask);
// A .bmp file of the pixels; bit_count is 1 (black/white), 24 or 32.
std::vector<std::uint8_t> EncodeBmp(int width, int height, const std::uint32_t* pixels, int bit_count);

}  // namespace lab
