#include "toolkit/dirty_region.h"

#include <algorithm>
#include <utility>

namespace tarvo::toolkit {

namespace {

// Merging is worth it when the union adds few pixels that neither rectangle covers.
bool WorthMerging(const Rect& a, const Rect& b) {
  if (!Touches(a, b)) return false;
  const int64_t wasted = Union(a, b).Area() - a.Area() - b.Area() + Intersect(a, b).Area();
  return wasted <= std::min(a.Area(), b.Area());
}

}  // namespace

void DirtyRegion::SetBounds(Rect bounds) {
  bounds_ = bounds;
  std::vector<Rect> old = std::move(rects_);
  rects_.clear();
  for (const Rect& r : old) Add(r);
}

void DirtyRegion::Add(const Rect& area) {
  Rect r = Intersect(area, bounds_);
  if (r.Empty()) return;
  for (const Rect& existing : rects_) {
    if (existing.Contains(r)) return;
  }
  // Absorb every rectangle that the new one covers or merges with, until none is left.
  bool grew = true;
  while (grew) {
    grew = false;
    for (auto it = rects_.begin(); it != rects_.end(); ++it) {
      if (r.Contains(*it) || WorthMerging(r, *it)) {
        r = Union(r, *it);
        rects_.erase(it);
        grew = true;
        break;
      }
    }
  }
  rects_.push_back(r);
  if (static_cast<int>(rects_.size()) > kMaxRects) {
    const Rect all = BoundingBox();
    rects_.assign(1, all);
  }
}

Rect DirtyRegion::BoundingBox() const {
  Rect all;
  for (const Rect& r : rects_) all = Union(all, r);
  return all;
}

std::vector<Rect> DirtyRegion::Take() {
  std::vector<Rect> out = std::move(rects_);
  rects_.clear();
  return out;
}

}  // namespace tarvo::toolkit
