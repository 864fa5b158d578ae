// Memory and string streams driven by a sequence of writes, reads, seeks and size changes, each
// compared with a plain model of the bytes. Seeks reach the top of the 64-bit range, where a write
// must be refused instead of wrapping around.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "platform/rtl/streams.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

constexpr std::int64_t kTop = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kNear = 1 << 16;  // small enough that a gap never costs much memory

struct TModel {
  std::string bytes;
  std::int64_t position = 0;
};

void Run(lab::TStream& s, FuzzedDataProvider& in) {
  TModel m;
  while (in.remaining_bytes() > 0) {
    switch (in.ConsumeIntegralInRange(0, 4)) {
      case 0: {  // write
        const std::string chunk = in.ConsumeRandomLengthString(64);
        const std::int64_t wrote = s.Write(chunk.data(), static_cast<std::int64_t>(chunk.size()));
        std::int64_t expected = 0;
        if (m.position >= 0 && m.position < kTop / 2 && !chunk.empty()) {  // near the data, not the top
          const auto end = static_cast<std::size_t>(m.position) + chunk.size();
          if (m.bytes.size() < end) m.bytes.resize(end, '\0');
          m.bytes.replace(static_cast<std::size_t>(m.position), chunk.size(), chunk);
          m.position = static_cast<std::int64_t>(end);
          expected = static_cast<std::int64_t>(chunk.size());
        }
        LAB_FUZZ_CHECK(wrote == expected);
        break;
      }
      case 1: {  // read
        const auto count = in.ConsumeIntegralInRange<std::int64_t>(-4, 80);
        std::vector<char> buffer(80);
        const std::int64_t got = s.Read(buffer.data(), count);
        std::int64_t expected = 0;
        const auto size = static_cast<std::int64_t>(m.bytes.size());
        if (m.position >= 0 && count > 0 && m.position < size) expected = std::min(count, size - m.position);
        LAB_FUZZ_CHECK(got == expected);
        LAB_FUZZ_CHECK(std::equal(buffer.begin(), buffer.begin() + got,
                                  m.bytes.begin() + static_cast<std::ptrdiff_t>(got ? m.position : 0)));
        m.position += got;
        break;
      }
      case 2: {  // seek near the data
        const auto offset = in.ConsumeIntegralInRange<std::int64_t>(-kNear, kNear);
        const auto origin = static_cast<lab::TSeekOrigin>(in.ConsumeIntegralInRange(0, 2));
        const std::int64_t base = origin == lab::soFromBeginning ? 0
                                  : origin == lab::soFromCurrent ? m.position
                                                                 : static_cast<std::int64_t>(m.bytes.size());
        // Only from a position near the data: the model stays in range.
        if (base < -kNear || base > kNear) break;
        m.position = base + offset;
        LAB_FUZZ_CHECK(s.Seek(offset, origin) == m.position);
        break;
      }
      case 3: {  // seek to the top of the range, or past it
        const auto back = in.ConsumeIntegralInRange<std::int64_t>(-8, 64);
        const std::int64_t at = s.Seek(kTop - std::max<std::int64_t>(back, 0), lab::soFromBeginning);
        if (back < 0) {
          const std::int64_t past = s.Seek(-back, lab::soFromCurrent);
          LAB_FUZZ_CHECK(past == kTop || past == at - back);
        }
        m.position = s.Position();
        LAB_FUZZ_CHECK(s.Write("x", 1) == 0);
        break;
      }
      default: {  // size
        const auto size = in.ConsumeIntegralInRange<std::int64_t>(-2, kNear);
        s.SetSize(size);
        m.bytes.resize(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)), '\0');
        m.position = std::min(m.position, static_cast<std::int64_t>(m.bytes.size()));
        LAB_FUZZ_CHECK(s.Position() == m.position);
        break;
      }
    }
    LAB_FUZZ_CHECK(s.Size() == static_cast<std::int64_t>(m.bytes.size()));
  }
  s.SetPosition(0);
  std::string all(m.bytes.size(), '\0');
  LAB_FUZZ_CHECK(s.Read(all.data(), static_cast<std::int64_t>(all.size())) == static_cast<std::int64_t>(all.size()));
  LAB_FUZZ_CHECK(all == m.bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  {
    FuzzedDataProvider in(data, size);
    lab::TMemoryStream memory;
    Run(memory, in);
  }
  {
    FuzzedDataProvider in(data, size);
    lab::TStringStream text;
    Run(text, in);
  }
  return 0;
}
