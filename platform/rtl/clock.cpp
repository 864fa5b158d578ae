#include "platform/rtl/clock.h"

#include <ctime>

namespace lab {

TDateTime Now() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  localtime_r(&ts.tv_sec, &local);
  return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
         EncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                    static_cast<int>(ts.tv_nsec / 1000000));
}

TDateTime Date() {
  const TDateTime now = Now();
  return static_cast<double>(static_cast<long long>(now));
}

TDateTime Time() {
  const TDateTime now = Now();
  return now - static_cast<double>(static_cast<long long>(now));
}

std::uint32_t GetTickCount() noexcept {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u + ts.tv_nsec / 1000000;
  return static_cast<std::uint32_t>(ms);
}

}  // namespace lab
