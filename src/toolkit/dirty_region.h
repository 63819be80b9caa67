// The set of panel areas whose pixels must be recomposed: a short list of rectangles.
#pragma once

#include <vector>

#include "toolkit/geometry.h"

namespace tarvo::toolkit {

// Rectangles are cut to a bounding area. A new rectangle already covered adds nothing;
// rectangles it covers are dropped; touching rectangles merge when their union wastes no
// more pixels than the smaller one holds. Past kMaxRects the list collapses to its bounds.
// Rectangles may overlap; recomposing an area twice gives the same pixels.
class DirtyRegion {
 public:
  static constexpr int kMaxRects = 16;

  explicit DirtyRegion(Rect bounds = {}) : bounds_(bounds) {}

  void SetBounds(Rect bounds);
  void Add(const Rect& area);
  void Clear() { rects_.clear(); }
  bool Empty() const { return rects_.empty(); }
  const std::vector<Rect>& Rects() const { return rects_; }
  Rect BoundingBox() const;
  // Hands over the rectangles and leaves the region empty.
  std::vector<Rect> Take();

 private:
  Rect bounds_;
  std::vector<Rect> rects_;
};

}  // namespace tarvo::toolkit
