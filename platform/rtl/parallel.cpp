#include "platform/rtl/parallel.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace lab {

std::size_t ParallelRanges() {
  static const std::size_t ranges = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
  return ranges;
}

void ForRanges(std::size_t Count, std::size_t MinPerRange, const TRangeWork& Work) {
  const std::size_t ranges =
      std::clamp<std::size_t>(Count / std::max<std::size_t>(MinPerRange, 1), 1, ParallelRanges());
  if (ranges == 1) {
    if (Count > 0) Work(0, 0, Count);
    return;
  }
  std::vector<std::exception_ptr> errors(ranges);
  auto run = [&](std::size_t range) noexcept {
    try {
      Work(range, Count * range / ranges, Count * (range + 1) / ranges);
    } catch (...) {
      errors[range] = std::current_exception();
    }
  };
  {
    std::vector<std::jthread> threads;  // each joined as the block ends
    threads.reserve(ranges - 1);
    for (std::size_t range = 1; range < ranges; ++range) {
      try {
        threads.emplace_back(run, range);
      } catch (const std::system_error&) {
        run(range);  // no thread to be had: the range is done here instead
      }
    }
    run(0);
  }
  for (const std::exception_ptr& error : errors)
    if (error) std::rethrow_exception(error);
}

}  // namespace lab
