#pragma once
// A clipping region: a set of non-overlapping rectangles. Clip regions stay small (a window's visible
// part less a few excluded cells), so a plain list beats a banded structure here.

#include <vector>

#include "platform/rtl/geometry.h"

namespace lab {

class TRegion {
 public:
  TRegion() = default;
  explicit TRegion(const TRect& r) {
    if (!r.IsEmpty()) rects_.push_back(r);
  }

  bool IsEmpty() const noexcept { return rects_.empty(); }
  const std::vector<TRect>& Rects() const noexcept { return rects_; }
  TRect Bounds() const noexcept;
  bool Contains(TPoint p) const noexcept;
  // True when some pixel of r lies in the region.
  bool Intersects(const TRect& r) const noexcept;

  void Clear() noexcept { rects_.clear(); }
  void Intersect(const TRect& r);
  void Intersect(const TRegion& other);
  void Subtract(const TRect& r);
  void Subtract(const TRegion& other);
  void Unite(const TRect& r);
  void Unite(const TRegion& other);
  void Xor(const TRegion& other);
  void Offset(int dx, int dy) noexcept;

  // Same pixels, whatever the split into rectangles.
  bool SamePixels(const TRegion& other) const;

 private:
  std::vector<TRect> rects_;
};

}  // namespace lab
