#include "platform/graphics/region.h"

namespace lab {

TRect TRegion::Bounds() const noexcept {
  TRect b;
  for (const TRect& r : rects_) b = UnionRect(b, r);
  return b;
}

bool TRegion::Contains(TPoint p) const noexcept {
  for (const TRect& r : rects_)
    if (r.Contains(p)) return true;
  return false;
}

bool TRegion::Intersects(const TRect& r) const noexcept {
  for (const TRect& q : rects_)
    if (!IntersectRect(q, r).IsEmpty()) return true;
  return false;
}

void TRegion::Intersect(const TRect& r) {
  std::vector<TRect> out;
  out.reserve(rects_.size());
  for (const TRect& q : rects_) {
    TRect i = IntersectRect(q, r);
    if (!i.IsEmpty()) out.push_back(i);
  }
  rects_.swap(out);
}

void TRegion::Intersect(const TRegion& other) {
  std::vector<TRect> out;
  for (const TRect& q : rects_)
    for (const TRect& o : other.rects_) {
      TRect i = IntersectRect(q, o);
      if (!i.IsEmpty()) out.push_back(i);
    }
  rects_.swap(out);
}

void TRegion::Subtract(const TRect& r) {
  if (r.IsEmpty()) return;
  std::vector<TRect> out;
  out.reserve(rects_.size() + 4);
  for (const TRect& q : rects_) {
    TRect i = IntersectRect(q, r);
    if (i.IsEmpty()) {
      out.push_back(q);
      continue;
    }
    // Up to four pieces: the bands above and below, then left and right of the cut.
    if (q.Top < i.Top) out.push_back({q.Left, q.Top, q.Right, i.Top});
    if (i.Bottom < q.Bottom) out.push_back({q.Left, i.Bottom, q.Right, q.Bottom});
    if (q.Left < i.Left) out.push_back({q.Left, i.Top, i.Left, i.Bottom});
    if (i.Right < q.Right) out.push_back({i.Right, i.Top, q.Right, i.Bottom});
  }
  rects_.swap(out);
}

void TRegion::Subtract(const TRegion& other) {
  for (const TRect& o : other.rects_) Subtract(o);
}

void TRegion::Unite(const TRect& r) {
  if (r.IsEmpty()) return;
  // Keep the rectangles disjoint: add only the parts of r not yet covered.
  TRegion add(r);
  for (const TRect& q : rects_) add.Subtract(q);
  rects_.insert(rects_.end(), add.rects_.begin(), add.rects_.end());
}

void TRegion::Unite(const TRegion& other) {
  for (const TRect& o : other.rects_) Unite(o);
}

void TRegion::Xor(const TRegion& other) {
  TRegion a = *this;
  a.Subtract(other);
  TRegion b = other;
  b.Subtract(*this);
  a.Unite(b);
  *this = std::move(a);
}

void TRegion::Offset(int dx, int dy) noexcept {
  for (TRect& r : rects_) r = OffsetRect(r, dx, dy);
}

bool TRegion::SamePixels(const TRegion& other) const {
  TRegion a = *this;
  a.Xor(other);
  return a.IsEmpty();
}

}  // namespace lab
