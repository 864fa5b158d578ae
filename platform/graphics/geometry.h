#pragma once
// Points, sizes and rectangles in the framework's layout: a rectangle includes its left and top edges
// and excludes its right and bottom ones, so adjacent cells share an edge value and never a pixel.

#include <algorithm>
#include <cstdint>

namespace lab {

struct TPoint {
  std::int32_t X = 0;
  std::int32_t Y = 0;
  friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  std::int32_t cx = 0;
  std::int32_t cy = 0;
  friend constexpr bool operator==(const TSize&, const TSize&) = default;
};

struct TRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;

  constexpr std::int32_t Width() const noexcept { return Right - Left; }
  constexpr std::int32_t Height() const noexcept { return Bottom - Top; }
  // Empty when it covers no pixel (zero or negative width or height).
  constexpr bool IsEmpty() const noexcept { return Right <= Left || Bottom <= Top; }
  constexpr bool Contains(TPoint p) const noexcept {
    return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom;
  }
  friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

constexpr TPoint Point(std::int32_t x, std::int32_t y) noexcept { return {x, y}; }
constexpr TRect Rect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) noexcept {
  return {l, t, r, b};
}
constexpr TRect Bounds(std::int32_t l, std::int32_t t, std::int32_t w, std::int32_t h) noexcept {
  return {l, t, l + w, t + h};
}

// The common part of two rectangles; an empty rectangle when they do not meet.
constexpr TRect IntersectRect(const TRect& a, const TRect& b) noexcept {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
  if (r.IsEmpty()) return {};
  return r;
}

// The smallest rectangle holding both; an empty one does not count.
constexpr TRect UnionRect(const TRect& a, const TRect& b) noexcept {
  if (a.IsEmpty()) return b.IsEmpty() ? TRect{} : b;
  if (b.IsEmpty()) return a;
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
          std::max(a.Bottom, b.Bottom)};
}

constexpr TRect OffsetRect(TRect r, std::int32_t dx, std::int32_t dy) noexcept {
  return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}

// Grows (positive) or shrinks (negative d) a rectangle on every side, as InflateRect does.
constexpr TRect InflateRect(TRect r, std::int32_t dx, std::int32_t dy) noexcept {
  return {r.Left - dx, r.Top - dy, r.Right + dx, r.Bottom + dy};
}

// Left <= Right and Top <= Bottom, for rectangles given by two arbitrary corners.
constexpr TRect NormalizeRect(TRect r) noexcept {
  if (r.Left > r.Right) std::swap(r.Left, r.Right);
  if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
  return r;
}

}  // namespace lab
