#include "platform/rtl/datetime.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/rtl/arith.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/exceptions.h"

namespace lab {
namespace {

struct Ymd {
  int y, m, d;
};

Ymd Decoded(TDateTime v) {
  Ymd r{};
  DecodeDate(v, r.y, r.m, r.d);
  return r;
}

TEST(DateEncoding, EpochAndKnownSerials) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1899, 12, 31), 1);
  EXPECT_EQ(EncodeDate(1899, 12, 29), -1);
  EXPECT_EQ(EncodeDate(1900, 3, 1), 61);   // no phantom 1900-02-29
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
  EXPECT_EQ(EncodeDate(1, 1, 1) + DateDelta, 1);
}

TEST(DateEncoding, RoundTripsEveryDayOverLeapYearsAndTheEpoch) {
  for (int y : {1, 4, 100, 1600, 1899, 1900, 2000, 2023, 2024, 2100, 9999}) {
    for (int m = 1; m <= 12; ++m) {
      for (int d = 1; d <= DaysInAMonth(y, m); ++d) {
        const Ymd back = Decoded(EncodeDate(y, m, d));
        ASSERT_TRUE(back.y == y && back.m == m && back.d == d) << y << "-" << m << "-" << d;
      }
    }
  }
  // Serials are consecutive across the epoch and across centuries.
  for (TDateTime v = -800; v < 800; ++v) {
    const Ymd a = Decoded(v), b = Decoded(v + 1);
    TDateTime next;
    ASSERT_TRUE(TryEncodeDate(a.y, a.m, a.d, next));
    ASSERT_EQ(next + 1, EncodeDate(b.y, b.m, b.d));
  }
}

TEST(DateEncoding, LeapYearsAndBadArguments) {
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_FALSE(IsLeapYear(2023));
  EXPECT_EQ(DaysInAMonth(2024, 2), 29);
  EXPECT_EQ(DaysInAMonth(2100, 2), 28);
  TDateTime v = 42;
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29, v));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, v));
  EXPECT_FALSE(TryEncodeDate(10000, 1, 1, v));
  EXPECT_FALSE(TryEncodeDate(2024, 13, 1, v));
  EXPECT_FALSE(TryEncodeDate(2024, 0, 1, v));
  EXPECT_FALSE(TryEncodeDate(2024, 4, 31, v));
  EXPECT_FALSE(TryEncodeDate(2024, 4, 0, v));
  EXPECT_EQ(v, 42);
  try {
    EncodeDate(2023, 2, 29);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Invalid argument to date encode");
  }
}

TEST(TimeEncoding, RoundTripAndLimits) {
  EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
  int h, n, s, ms;
  for (int t = 0; t < MSecsPerDay; t += 999983) {  // a prime step touches every field
    DecodeTime(EncodeTime(t / 3600000, t / 60000 % 60, t / 1000 % 60, t % 1000), h, n, s, ms);
    ASSERT_EQ(((h * 60 + n) * 60 + s) * 1000 + ms, t);
  }
  DecodeTime(EncodeTime(23, 59, 59, 999), h, n, s, ms);
  EXPECT_EQ(h * 10000000 + n * 100000 + s * 1000 + ms, 235959999);
  TDateTime v;
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, v));
  EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, v));
  EXPECT_FALSE(TryEncodeTime(0, 0, 60, 0, v));
  EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, v));
  EXPECT_FALSE(TryEncodeTime(-1, 0, 0, 0, v));
  try {
    EncodeTime(25, 0, 0, 0);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Invalid argument to time encode");
  }
}

TEST(TimeEncoding, NegativeValuesCountTheTimeForwardFromMidnight) {
  const Ymd d = Decoded(-1.25);
  EXPECT_TRUE(d.y == 1899 && d.m == 12 && d.d == 29);
  int h, n, s, ms;
  DecodeTime(-1.25, h, n, s, ms);
  EXPECT_EQ(h, 6);
  DecodeTime(-0.75, h, n, s, ms);  // still 1899-12-30
  EXPECT_EQ(h, 18);
  EXPECT_EQ(Decoded(-0.75).d, 30);
  // Just before midnight rounds to the next day, never to 24:00.
  DecodeTime(0.99999999999, h, n, s, ms);
  EXPECT_EQ(h + n + s + ms, 0);
  EXPECT_EQ(Decoded(0.99999999999).d, 31);
  const Ymd before = Decoded(EncodeDate(1, 1, 1) - 1);
  EXPECT_TRUE(before.y == 0 && before.m == 0 && before.d == 0);
  EXPECT_THROW(Decoded(NAN), EInvalidOp);
}

TEST(DateArithmetic, DayOfWeekAndIncMonth) {
  EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7);  // Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 2, 29)), 5);   // Thursday
  EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);       // Monday
  EXPECT_EQ(DayOfWeek(-1.25), 6);                     // Friday 1899-12-29
  EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 31)), EncodeDate(2024, 2, 29));
  EXPECT_EQ(IncMonth(EncodeDate(2023, 1, 31)), EncodeDate(2023, 2, 28));
  EXPECT_EQ(IncMonth(EncodeDate(2024, 3, 31), -1), EncodeDate(2024, 2, 29));
  EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 15), -13), EncodeDate(2022, 12, 15));
  EXPECT_EQ(IncMonth(EncodeDate(2024, 11, 15), 14), EncodeDate(2026, 1, 15));
  EXPECT_EQ(IncMonth(EncodeDate(2024, 5, 1) + 0.75, 1), EncodeDate(2024, 6, 1) + 0.75);
  EXPECT_EQ(IncMonth(-1.25, -1), EncodeDate(1899, 11, 29) - 0.25);  // the time stays 06:00
  EXPECT_THROW(IncMonth(EncodeDate(9999, 12, 1)), EConvertError);
}

TEST(Clock, NowDateTimeAndTicksAgree) {
  const TDateTime now = Now();
  const TDateTime today = Date();
  EXPECT_EQ(today, std::floor(today));
  EXPECT_GE(today, std::floor(now));
  EXPECT_LE(today - std::floor(now), 1);  // midnight may pass in between
  EXPECT_GT(now, EncodeDate(2020, 1, 1));
  const TDateTime t = Time();
  EXPECT_GE(t, 0);
  EXPECT_LT(t, 1);
  const std::uint32_t a = GetTickCount();
  const std::uint32_t b = GetTickCount();
  EXPECT_LT(static_cast<std::uint32_t>(b - a), 1000u);  // monotonic: the unsigned difference is small
}

}  // namespace
}  // namespace lab
