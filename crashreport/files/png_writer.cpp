#include "crashreport/files/png_writer.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "crashreport/codec/zlib_memory.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/streams.h"

namespace lab {
namespace {

void PutBigEndian(std::uint8_t* Out, std::uint32_t Value) {
  Out[0] = static_cast<std::uint8_t>(Value >> 24);
  Out[1] = static_cast<std::uint8_t>(Value >> 16);
  Out[2] = static_cast<std::uint8_t>(Value >> 8);
  Out[3] = static_cast<std::uint8_t>(Value);
}

void WriteChunk(TStream& Stream, std::string_view Type, const std::uint8_t* Data, std::size_t Size) {
  std::array<std::uint8_t, 8> head;
  PutBigEndian(head.data(), static_cast<std::uint32_t>(Size));
  std::copy(Type.begin(), Type.end(), head.begin() + 4);
  uLong crc = crc32(0, head.data() + 4, 4);
  if (Size > 0) crc = crc32(crc, Data, static_cast<uInt>(Size));
  std::array<std::uint8_t, 4> tail;
  PutBigEndian(tail.data(), static_cast<std::uint32_t>(crc));
  Stream.WriteBuffer(head.data(), 8);
  if (Size > 0) Stream.WriteBuffer(Data, static_cast<std::int64_t>(Size));
  Stream.WriteBuffer(tail.data(), 4);
}

[[noreturn]] void ZLibFailed(const z_stream& Z, int Code) {
  throw EZLibError("zlib error %d: %s", Code, std::string(Z.msg ? Z.msg : "no message"));
}

}  // namespace

void WriteIndexedPNG(TStream& Stream, int Width, int Height, std::span<const std::uint32_t> Palette,
                     const TPNGRowSource& Rows) {
  static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Stream.WriteBuffer(kSignature, 8);

  std::uint8_t header[13] = {};
  PutBigEndian(header, static_cast<std::uint32_t>(Width));
  PutBigEndian(header + 4, static_cast<std::uint32_t>(Height));
  header[8] = 8;  // bits per index
  header[9] = 3;  // indexed colour; compression, filter and interlace methods 0
  WriteChunk(Stream, "IHDR", header, sizeof header);

  std::array<std::uint8_t, 768> palette{};
  for (std::size_t i = 0; i < Palette.size() && i < 256; ++i) {
    palette[3 * i] = static_cast<std::uint8_t>(Palette[i] >> 16);
    palette[3 * i + 1] = static_cast<std::uint8_t>(Palette[i] >> 8);
    palette[3 * i + 2] = static_cast<std::uint8_t>(Palette[i]);
  }
  WriteChunk(Stream, "PLTE", palette.data(), palette.size());

  z_stream z{};
  if (const int rc = deflateInit(&z, 9); rc != Z_OK) ZLibFailed(z, rc);
  const TScopeExit end([&z] { deflateEnd(&z); });
  std::vector<std::uint8_t> out(kPNGDataChunkSize);
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  // A full output buffer is one chunk.
  const auto flush_full = [&] {
    if (z.avail_out != 0) return;
    WriteChunk(Stream, "IDAT", out.data(), out.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
  };

  std::vector<std::uint8_t> row(static_cast<std::size_t>(Width) + 1, 0);  // filter type 0: none
  for (int y = 0; y < Height; ++y) {
    Rows(y, row.data() + 1);
    z.next_in = row.data();
    z.avail_in = static_cast<uInt>(row.size());
    while (z.avail_in > 0) {
      flush_full();
      if (const int rc = deflate(&z, Z_NO_FLUSH); rc != Z_OK && rc != Z_BUF_ERROR) ZLibFailed(z, rc);
    }
  }
  for (;;) {
    flush_full();
    const int rc = deflate(&z, Z_FINISH);
    if (rc == Z_STREAM_END) break;
    if (rc != Z_OK && rc != Z_BUF_ERROR) ZLibFailed(z, rc);
  }
  const std::size_t last = out.size() - z.avail_out;
  if (last > 0) WriteChunk(Stream, "IDAT", out.data(), last);
  WriteChunk(Stream, "IEND", nullptr, 0);
}

}  // namespace lab
