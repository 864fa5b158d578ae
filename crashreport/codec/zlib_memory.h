#pragma once
// Whole-buffer compression over the system's zlib: the zlib format for the crash reporter's own data,
// raw deflate and the gzip member for the attachment archive and compressed web pages.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/rtl/exceptions.h"

namespace lab {

// A failed zlib call; the message is zlib's text for the failure.
LAB_EXCEPTION(EZLibError, Exception);

enum class TZLibFormat {
  Zlib,  // 2-byte header, Adler-32 check value
  Raw,   // bare deflate data
  GZip,  // decompression only: a gzip member, its CRC and length checked by zlib
};

// Compresses at level 9.
std::vector<std::uint8_t> CompressBuf(const void* In, std::size_t InSize,
                                      TZLibFormat Format = TZLibFormat::Zlib);
// Damaged or truncated data raises EZLibError: a part of the data is never returned as if whole.
std::vector<std::uint8_t> DecompressBuf(const void* In, std::size_t InSize,
                                        TZLibFormat Format = TZLibFormat::Zlib);

}  // namespace lab
