#include "platform/rtl/geometry.h"

#include <gtest/gtest.h>

namespace lab {
namespace {

TEST(Geometry, EdgesAreHalfOpen) {
  const TRect r = Bounds(10, 20, 30, 40);
  EXPECT_EQ(r, Rect(10, 20, 40, 60));
  EXPECT_TRUE(r.Contains(Point(10, 20)));
  EXPECT_FALSE(r.Contains(Point(40, 59)));
  EXPECT_FALSE(r.Contains(Point(39, 60)));
  EXPECT_TRUE(Rect(5, 5, 5, 9).IsEmpty());
  EXPECT_TRUE(Rect(5, 5, 4, 9).IsEmpty());
}

TEST(Geometry, IntersectionAndUnionIgnoreEmptyRectangles) {
  EXPECT_EQ(IntersectRect(Rect(0, 0, 10, 10), Rect(5, 5, 20, 20)), Rect(5, 5, 10, 10));
  EXPECT_EQ(IntersectRect(Rect(0, 0, 10, 10), Rect(10, 0, 20, 10)), TRect{});
  EXPECT_EQ(UnionRect(Rect(0, 0, 0, 0), Rect(3, 3, 4, 4)), Rect(3, 3, 4, 4));
  EXPECT_EQ(UnionRect(Rect(0, 0, 2, 2), Rect(3, 3, 4, 4)), Rect(0, 0, 4, 4));
  win::RECT out{1, 1, 1, 1};
  EXPECT_FALSE(win::IntersectRect(out, Rect(0, 0, 1, 1), Rect(2, 2, 3, 3)));
  EXPECT_EQ(out, win::RECT{});
  EXPECT_EQ(NormalizeRect(Rect(9, 8, 1, 2)), Rect(1, 2, 9, 8));
}

}  // namespace
}  // namespace lab
