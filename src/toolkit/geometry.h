// Integer points and half-open rectangles in pixel coordinates (x to the right, y down).
#pragma once

#include <algorithm>
#include <cstdint>

namespace tarvo::toolkit {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// The pixels left <= x < right, top <= y < bottom. Empty when either extent is not positive.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  static constexpr Rect FromSize(int left, int top, int width, int height) {
    return Rect{left, top, left + width, top + height};
  }
  constexpr int Width() const { return right - left; }
  constexpr int Height() const { return bottom - top; }
  constexpr bool Empty() const { return right <= left || bottom <= top; }
  // Pixel count as a 64-bit number; 0 for an empty rectangle.
  constexpr int64_t Area() const { return Empty() ? 0 : int64_t{Width()} * int64_t{Height()}; }
  constexpr bool Contains(int x, int y) const {
    return x >= left && x < right && y >= top && y < bottom;
  }
  constexpr bool Contains(const Rect& r) const {
    return r.Empty() || (r.left >= left && r.right <= right && r.top >= top && r.bottom <= bottom);
  }
  constexpr Rect Offset(int dx, int dy) const {
    return Rect{left + dx, top + dy, right + dx, bottom + dy};
  }
  friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// The common part of two rectangles (empty when they do not overlap).
constexpr Rect Intersect(const Rect& a, const Rect& b) {
  Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  return r.Empty() ? Rect{} : r;
}

// The smallest rectangle holding both; an empty operand does not count.
constexpr Rect Union(const Rect& a, const Rect& b) {
  if (a.Empty()) return b.Empty() ? Rect{} : b;
  if (b.Empty()) return a;
  return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

// True when the rectangles overlap or share an edge, so that their union wastes little.
constexpr bool Touches(const Rect& a, const Rect& b) {
  return !a.Empty() && !b.Empty() && a.left <= b.right && b.left <= a.right && a.top <= b.bottom &&
         b.top <= a.bottom;
}

}  // namespace tarvo::toolkit
