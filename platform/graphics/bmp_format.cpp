#include "platform/graphics/bmp_format.h"

#include <bit>
#include <cstring>

namespace lab {
namespace {

constexpr const char* kInvalid = "Bitmap image is not valid";

[[noreturn]] void Invalid() { throw EInvalidGraphic(kInvalid); }

std::uint32_t U32(std::span<const std::uint8_t> d, std::size_t at) {
  if (at + 4 > d.size()) Invalid();
  return d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) | (static_cast<std::uint32_t>(d[at + 3]) << 24);
}
std::uint16_t U16(std::span<const std::uint8_t> d, std::size_t at) {
  if (at + 2 > d.size()) Invalid();
  return static_cast<std::uint16_t>(d[at] | (d[at + 1] << 8));
}

// Scales a masked channel to 8 bits.
std::uint32_t Channel(std::uint32_t v, std::uint32_t mask) {
  if (!mask) return 0;
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  const std::uint32_t c = (v & mask) >> shift;
  if (bits >= 8) return c >> (bits - 8);
  return c * 255 / ((1u << bits) - 1);
}

void WriteU16(std::vector<std::uint8_t>& o, std::uint16_t v) {
  o.push_back(static_cast<std::uint8_t>(v));
  o.push_back(static_cast<std::uint8_t>(v >> 8));
}
void WriteU32(std::vector<std::uint8_t>& o, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) o.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Each two bytes of run-length data set at most this many pixels.
constexpr std::int64_t kMaxRunPixels = 255;

// Expands run-length coded rows (4 or 8 bits, bottom row first) into Pixels (top row first), whose
// pixels the data leaves out keep the first palette colour.
void DecodeRle(std::span<const std::uint8_t> src, int width, int height, int bits,
               const std::vector<std::uint32_t>& palette, std::vector<std::uint32_t>& Pixels) {
  int x = 0, y = 0;
  std::size_t i = 0;
  auto put = [&](std::uint8_t v) {
    if (x < width && y < height) Pixels[static_cast<std::size_t>(height - 1 - y) * width + x] = palette[v];
    ++x;
  };
  while (i + 1 < src.size()) {
    const std::uint8_t count = src[i], value = src[i + 1];
    i += 2;
    if (count) {
      for (int k = 0; k < count; ++k)
        put(bits == 8 ? value : static_cast<std::uint8_t>((k & 1) ? (value & 0x0F) : (value >> 4)));
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta
      if (i + 1 >= src.size()) Invalid();
      x += src[i];
      y += src[i + 1];
      i += 2;
    } else {  // literal run
      const int n = value;
      const std::size_t bytes = bits == 8 ? static_cast<std::size_t>(n) : static_cast<std::size_t>(n + 1) / 2;
      if (i + bytes > src.size()) Invalid();
      for (int k = 0; k < n; ++k)
        put(bits == 8 ? src[i + k] : static_cast<std::uint8_t>((k & 1) ? (src[i + k / 2] & 0x0F) : (src[i + k / 2] >> 4)));
      i += (bytes + 1) & ~std::size_t{1};  // runs are word aligned
    }
  }
}

TDecodedImage DecodeDibAt(std::span<const std::uint8_t> d, std::size_t header_at, std::size_t bits_at,
                          bool has_bits_offset, bool and_mask) {
  const std::uint32_t header_size = U32(d, header_at);
  // Only the header sizes some version of the format defines: 12 and 16/64 (OS/2), 40 (Windows),
  // 52 and 56 (with colour masks), 108 and 124 (with colour spaces). Another size would misplace
  // every field after the first.
  const bool os2 = header_size == 16 || header_size == 64;
  if (header_size != 12 && !os2 && header_size != 40 && header_size != 52 && header_size != 56 &&
      header_size != 108 && header_size != 124)
    Invalid();
  std::int64_t w, h;
  int bit_count;
  std::uint32_t compression = 0, colors_used = 0;
  std::uint32_t masks[4] = {0, 0, 0, 0};
  std::size_t palette_at, palette_entry;
  if (header_size == 12) {
    w = U16(d, header_at + 4);
    h = static_cast<std::int16_t>(U16(d, header_at + 6));
    bit_count = U16(d, header_at + 10);
    palette_at = header_at + 12;
    palette_entry = 3;
  } else {
    w = static_cast<std::int32_t>(U32(d, header_at + 4));
    h = static_cast<std::int32_t>(U32(d, header_at + 8));
    bit_count = U16(d, header_at + 14);
    // The short OS/2 header ends after the bit count: the fields it leaves out are zero.
    if (header_size > 16) {
      compression = U32(d, header_at + 16);
      colors_used = U32(d, header_at + 32);
    }
    palette_at = header_at + header_size;
    palette_entry = 4;
    // OS/2 numbers 3 and 4 as Huffman and 24-bit run-length coding, which are not read here.
    if (os2 && compression > 2) Invalid();
    if (compression == 3 || compression == 6) {
      const int count = compression == 6 ? 4 : 3;
      if (header_size >= 52) {
        for (int k = 0; k < 3; ++k) masks[k] = U32(d, header_at + 40 + 4 * k);
        if (header_size >= 56) masks[3] = U32(d, header_at + 52);
      } else {
        for (int k = 0; k < count; ++k) masks[k] = U32(d, palette_at + 4 * k);
        palette_at += 4 * static_cast<std::size_t>(count);
      }
    }
  }
  // Negated in 64 bits, so even the most negative 32-bit height is only out of range.
  const bool top_down = h < 0;
  if (top_down) h = -h;
  if (and_mask) h /= 2;
  if (w <= 0 || h <= 0 || w > 32767 || h > 32767 || w * h > kMaxBmpPixels) Invalid();
  const int width = static_cast<int>(w), height = static_cast<int>(h);
  if (bit_count != 1 && bit_count != 4 && bit_count != 8 && bit_count != 16 && bit_count != 24 && bit_count != 32)
    Invalid();
  const bool rle = compression == 1 || compression == 2;
  if (compression != 0 && compression != 3 && compression != 6 && !rle) Invalid();
  if (rle && (top_down || (compression == 1 && bit_count != 8) || (compression == 2 && bit_count != 4))) Invalid();

  std::vector<std::uint32_t> palette;
  if (bit_count <= 8) {
    const std::size_t n = colors_used ? colors_used : (std::size_t{1} << bit_count);
    if (n > 256) Invalid();
    // A table longer than the bit count can index takes its room in the file, but only the entries
    // a pixel can name are kept.
    palette.resize(std::size_t{1} << bit_count, 0xFF000000u);
    for (std::size_t k = 0; k < std::min(n, palette.size()); ++k) {
      const std::size_t at = palette_at + k * palette_entry;
      if (at + 3 > d.size()) Invalid();
      palette[k] = 0xFF000000u | (d[at + 2] << 16) | (d[at + 1] << 8) | d[at];
    }
    if (!has_bits_offset) bits_at = palette_at + n * palette_entry;
  } else if (!has_bits_offset) {
    // Deeper images may still carry a colour table (a hint for palette devices) before the bits.
    bits_at = palette_at + std::size_t{colors_used} * palette_entry;
  }
  if (compression == 0 || (compression != 3 && compression != 6)) {
    if (bit_count == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    if (bit_count == 32) masks[0] = 0x00FF0000, masks[1] = 0x0000FF00, masks[2] = 0x000000FF, masks[3] = 0;
  }

  if (bits_at > d.size()) Invalid();
  const std::size_t stride = (static_cast<std::size_t>(width) * bit_count + 31) / 32 * 4;
  std::span<const std::uint8_t> bits = d.subspan(bits_at);
  // Uncompressed rows must all be there, and run-length data must be able to cover the picture: a
  // short file claiming a huge image is refused before the image is allocated.
  if (!rle && stride * height > bits.size()) Invalid();
  if (rle && w * h > kMaxRunPixels * static_cast<std::int64_t>(bits.size() / 2)) Invalid();

  TDecodedImage img;
  img.Width = width;
  img.Height = height;
  img.BitCount = bit_count;
  img.Pixels.assign(static_cast<std::size_t>(width) * height, rle ? palette[0] : 0);

  bool any_alpha = false;
  std::vector<std::uint8_t> alpha;
  if (bit_count == 32) alpha.resize(img.Pixels.size());
  if (rle) {
    DecodeRle(bits, width, height, bit_count, palette, img.Pixels);
  } else {
    for (int row = 0; row < height; ++row) {
      const std::uint8_t* src = bits.data() + stride * row;
      const int y = top_down ? row : height - 1 - row;
      std::uint32_t* dst = &img.Pixels[static_cast<std::size_t>(y) * width];
      for (int x = 0; x < width; ++x) {
        switch (bit_count) {
          case 1: dst[x] = palette[(src[x >> 3] >> (7 - (x & 7))) & 1]; break;
          case 4: dst[x] = palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF]; break;
          case 8: dst[x] = palette[src[x]]; break;
          case 16: {
            const std::uint32_t v = src[2 * x] | (src[2 * x + 1] << 8);
            dst[x] = 0xFF000000u | (Channel(v, masks[0]) << 16) | (Channel(v, masks[1]) << 8) | Channel(v, masks[2]);
            break;
          }
          case 24: dst[x] = 0xFF000000u | (src[3 * x + 2] << 16) | (src[3 * x + 1] << 8) | src[3 * x]; break;
          case 32: {
            std::uint32_t v;
            std::memcpy(&v, src + 4 * x, 4);
            dst[x] = 0xFF000000u | (Channel(v, masks[0]) << 16) | (Channel(v, masks[1]) << 8) | Channel(v, masks[2]);
            const std::uint8_t a = static_cast<std::uint8_t>(masks[3] ? Channel(v, masks[3]) : (and_mask ? (v >> 24) : 0xFF));
            alpha[static_cast<std::size_t>(y) * width + x] = a;
            if (and_mask && a) any_alpha = true;
            break;
          }
        }
      }
    }
  }
  if (any_alpha) img.Alpha = std::move(alpha);
  if (bit_count == 1) {
    img.Monochrome = (palette[0] & 0xFFFFFF) == 0 && (palette[1] & 0xFFFFFF) == 0xFFFFFF;
  }
  if (and_mask) {
    const std::size_t mstride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
    const std::size_t mask_at = stride * height;
    img.Mask.assign(img.Pixels.size(), 0);
    if (mask_at + mstride * height <= bits.size()) {
      for (int row = 0; row < height; ++row) {
        const std::uint8_t* src = bits.data() + mask_at + mstride * row;
        const int y = top_down ? row : height - 1 - row;
        for (int x = 0; x < width; ++x)
          img.Mask[static_cast<std::size_t>(y) * width + x] = (src[x >> 3] >> (7 - (x & 7))) & 1;
      }
    }
  }
  return img;
}

}  // namespace

TDecodedImage DecodeBmp(std::span<const std::uint8_t> data) {
  if (data.size() < 14 + 12 || data[0] != 'B' || data[1] != 'M') Invalid();
  const std::uint32_t off_bits = U32(data, 10);
  return DecodeDibAt(data, 14, off_bits, off_bits != 0, false);
}

TDecodedImage DecodeDib(std::span<const std::uint8_t> data, bool and_mask) {
  return DecodeDibAt(data, 0, 0, false, and_mask);
}

std::vector<std::uint8_t> EncodeBmp(int width, int height, const std::uint32_t* pixels, int bit_count) {
  if (bit_count != 1 && bit_count != 24 && bit_count != 32) bit_count = 24;
  if (width < 0 || height < 0) width = height = 0;
  const std::size_t stride = (static_cast<std::size_t>(width) * bit_count + 31) / 32 * 4;
  const std::uint32_t palette_bytes = bit_count == 1 ? 8 : 0;
  const std::uint32_t off_bits = 14 + 40 + palette_bytes;
  const std::size_t image = stride * height;
  std::vector<std::uint8_t> o;
  o.reserve(off_bits + image);
  o.push_back('B');
  o.push_back('M');
  WriteU32(o, static_cast<std::uint32_t>(off_bits + image));
  WriteU32(o, 0);
  WriteU32(o, off_bits);
  WriteU32(o, 40);
  WriteU32(o, static_cast<std::uint32_t>(width));
  WriteU32(o, static_cast<std::uint32_t>(height));
  WriteU16(o, 1);
  WriteU16(o, static_cast<std::uint16_t>(bit_count));
  WriteU32(o, 0);
  WriteU32(o, static_cast<std::uint32_t>(image));
  WriteU32(o, 3780);  // 96 pixels per inch
  WriteU32(o, 3780);
  WriteU32(o, bit_count == 1 ? 2 : 0);
  WriteU32(o, 0);
  if (bit_count == 1) {
    WriteU32(o, 0x00000000);
    WriteU32(o, 0x00FFFFFF);
  }
  std::vector<std::uint8_t> row(stride);
  for (int y = height - 1; y >= 0; --y) {
    std::fill(row.begin(), row.end(), 0);
    const std::uint32_t* src = pixels + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = src[x];
      if (bit_count == 1) {
        if (p & 0xFFFFFF) row[x >> 3] = static_cast<std::uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
      } else if (bit_count == 24) {
        row[3 * x] = static_cast<std::uint8_t>(p);
        row[3 * x + 1] = static_cast<std::uint8_t>(p >> 8);
        row[3 * x + 2] = static_cast<std::uint8_t>(p >> 16);
      } else {
        std::memcpy(&row[4 * x], &p, 4);
      }
    }
    o.insert(o.end(), row.begin(), row.end());
  }
  return o;
}

}  // namespace lab
