#include "toolkit/canvas.h"

#include <cmath>
#include <cstdlib>

namespace tarvo::toolkit {

namespace {

// Liang-Barsky: cuts the segment to the box [lo, hi] on both axes; false when nothing is left.
bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double loX, double loY, double hiX,
                 double hiY) {
  double t0 = 0.0;
  double t1 = 1.0;
  const double dx = x1 - x0;
  const double dy = y1 - y0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0 - loX, hiX - x0, y0 - loY, hiY - y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0.0) {
      if (t > t1) return false;
      if (t > t0) t0 = t;
    } else {
      if (t < t0) return false;
      if (t < t1) t1 = t;
    }
  }
  const double ax = x0 + t0 * dx, ay = y0 + t0 * dy;
  const double bx = x0 + t1 * dx, by = y0 + t1 * dy;
  x0 = ax, y0 = ay, x1 = bx, y1 = by;
  return true;
}

}  // namespace

Canvas::Canvas(Surface& target, Point origin, const Rect& clip)
    : target_(target), origin_(origin), clip_(Intersect(clip, target.Bounds())) {}

void Canvas::Fill(const Rect& area, Pixel colour) {
  target_.Fill(area.Offset(origin_.x, origin_.y), colour, clip_);
}

void Canvas::SetPixel(int x, int y, Pixel colour) {
  target_.Set(x + origin_.x, y + origin_.y, colour, clip_);
}

void Canvas::BlendPixel(int x, int y, Pixel colour, uint8_t amount) {
  target_.Blend(x + origin_.x, y + origin_.y, colour, amount, clip_);
}

void Canvas::DrawImage(const Surface& image, const Rect& from, int x, int y,
                       const BlitOptions& options) {
  target_.Blit(image, from, x + origin_.x, y + origin_.y, options, clip_);
}

void Canvas::DrawLine(int x0, int y0, int x1, int y1, Pixel colour) {
  if (clip_.Empty()) return;
  // Cut the segment to the clip first (with a pixel of slack), so a far-away end point
  // costs nothing; the per-pixel clip below keeps every write inside.
  double ax = static_cast<double>(x0) + origin_.x, ay = static_cast<double>(y0) + origin_.y;
  double bx = static_cast<double>(x1) + origin_.x, by = static_cast<double>(y1) + origin_.y;
  if (!ClipSegment(ax, ay, bx, by, clip_.left - 1.0, clip_.top - 1.0, clip_.right + 0.0,
                   clip_.bottom + 0.0)) {
    return;
  }
  // Keep the original slope: step along the clipped part with Bresenham between the
  // rounded ends.
  int px = static_cast<int>(std::lround(ax)), py = static_cast<int>(std::lround(ay));
  const int ex = static_cast<int>(std::lround(bx)), ey = static_cast<int>(std::lround(by));
  const int dx = std::abs(ex - px), sx = px < ex ? 1 : -1;
  const int dy = -std::abs(ey - py), sy = py < ey ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    target_.Set(px, py, colour, clip_);
    if (px == ex && py == ey) break;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      px += sx;
    }
    if (e2 <= dx) {
      err += dx;
      py += sy;
    }
  }
}

}  // namespace tarvo::toolkit
