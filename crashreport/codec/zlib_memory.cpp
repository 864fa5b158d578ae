#include "crashreport/codec/zlib_memory.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace lab {
namespace {

[[noreturn]] void RaiseZLib(int code, const z_stream& strm) {
  throw EZLibError(strm.msg ? strm.msg : zError(code));
}

int WindowBits(TZLibFormat format) {
  switch (format) {
    case TZLibFormat::Raw: return -MAX_WBITS;
    case TZLibFormat::GZip: return MAX_WBITS + 16;
    case TZLibFormat::Zlib: break;
  }
  return MAX_WBITS;
}

std::size_t RoundUp256(std::size_t n) { return (n + 255) / 256 * 256; }

// Feeds zlib's 32-bit counters from buffers of any size and grows the output when it is full.
class TPump {
 public:
  TPump(z_stream& strm, const void* in, std::size_t in_size, std::size_t out_size)
      : strm_(strm), in_(static_cast<const std::uint8_t*>(in)), in_rest_(in_size) {
    out_.resize(std::max<std::size_t>(out_size, 256));
    strm_.next_out = out_.data();
    strm_.avail_out = Chunk(out_.size());
    Refill();
  }

  void Refill() {
    if (strm_.avail_in == 0 && in_rest_ > 0) {
      strm_.next_in = const_cast<Bytef*>(in_);
      strm_.avail_in = Chunk(in_rest_);
      in_ += strm_.avail_in;
      in_rest_ -= strm_.avail_in;
    }
  }
  bool InputLeft() const { return strm_.avail_in > 0 || in_rest_ > 0; }
  bool AllFed() const { return in_rest_ == 0; }

  void MakeRoom() {
    if (strm_.avail_out != 0) return;
    const std::size_t used = static_cast<std::size_t>(strm_.next_out - out_.data());
    if (used < out_.size()) {
      strm_.avail_out = Chunk(out_.size() - used);
      return;
    }
    out_.resize(out_.size() * 2);
    strm_.next_out = out_.data() + used;
    strm_.avail_out = Chunk(out_.size() - used);
  }

  std::vector<std::uint8_t> Take() {
    out_.resize(static_cast<std::size_t>(strm_.next_out - out_.data()));
    return std::move(out_);
  }

 private:
  static uInt Chunk(std::size_t n) { return static_cast<uInt>(std::min<std::size_t>(n, UINT_MAX)); }

  z_stream& strm_;
  const std::uint8_t* in_;
  std::size_t in_rest_;
  std::vector<std::uint8_t> out_;
};

struct TDeflater {
  z_stream strm{};
  TDeflater(TZLibFormat format) {
    const int rc = deflateInit2(&strm, 9, Z_DEFLATED, WindowBits(format), 8, Z_DEFAULT_STRATEGY);
    if (rc != Z_OK) RaiseZLib(rc, strm);
  }
  ~TDeflater() { deflateEnd(&strm); }
};

struct TInflater {
  z_stream strm{};
  TInflater(TZLibFormat format) {
    const int rc = inflateInit2(&strm, WindowBits(format));
    if (rc != Z_OK) RaiseZLib(rc, strm);
  }
  ~TInflater() { inflateEnd(&strm); }
};

}  // namespace

std::vector<std::uint8_t> CompressBuf(const void* In, std::size_t InSize, TZLibFormat Format) {
  if (Format == TZLibFormat::GZip) throw EZLibError(zError(Z_STREAM_ERROR));
  TDeflater d(Format);
  TPump pump(d.strm, In, InSize, RoundUp256(InSize + InSize / 10 + 12));
  for (;;) {
    pump.Refill();
    pump.MakeRoom();
    const int rc = deflate(&d.strm, pump.AllFed() ? Z_FINISH : Z_NO_FLUSH);
    if (rc == Z_STREAM_END) break;
    if (rc != Z_OK && rc != Z_BUF_ERROR) RaiseZLib(rc, d.strm);
  }
  return pump.Take();
}

std::vector<std::uint8_t> DecompressBuf(const void* In, std::size_t InSize, TZLibFormat Format) {
  TInflater i(Format);
  TPump pump(i.strm, In, InSize, RoundUp256(InSize));
  for (;;) {
    pump.Refill();
    pump.MakeRoom();
    const int rc = inflate(&i.strm, Z_NO_FLUSH);
    if (rc == Z_STREAM_END) break;
    if (rc == Z_OK) continue;
    // No progress: for want of room it goes on, for want of input the data was cut short.
    if (rc == Z_BUF_ERROR && i.strm.avail_out == 0) continue;
    if (rc == Z_BUF_ERROR && !pump.InputLeft()) throw EZLibError("unexpected end of compressed data");
    RaiseZLib(rc, i.strm);
  }
  return pump.Take();
}

}  // namespace lab
