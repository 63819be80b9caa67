// A drawing view onto a surface: local coordinates with an origin, and a clip rectangle
// that no operation draws outside of.
#pragma once

#include "toolkit/geometry.h"
#include "toolkit/surface.h"

namespace tarvo::toolkit {

class Canvas {
 public:
  // `origin` is where local (0, 0) lies on `target`; `clip` is in target coordinates and is
  // cut to the target's bounds.
  Canvas(Surface& target, Point origin, const Rect& clip);

  Surface& Target() { return target_; }
  Point Origin() const { return origin_; }
  // The clip in local coordinates.
  Rect LocalClip() const { return clip_.Offset(-origin_.x, -origin_.y); }

  void Fill(const Rect& area, Pixel colour);
  void SetPixel(int x, int y, Pixel colour);
  // Mixes `colour` into the pixel at (x, y) by `amount` (0..255).
  void BlendPixel(int x, int y, Pixel colour, uint8_t amount);
  // Draws the part `from` of `image` with its top-left corner at (x, y).
  void DrawImage(const Surface& image, const Rect& from, int x, int y,
                 const BlitOptions& options = {});
  void DrawImage(const Surface& image, int x, int y, const BlitOptions& options = {}) {
    DrawImage(image, image.Bounds(), x, y, options);
  }
  // A one-pixel line from (x0, y0) to (x1, y1), both ends included.
  void DrawLine(int x0, int y0, int x1, int y1, Pixel colour);

 private:
  Surface& target_;
  Point origin_;
  Rect clip_;
};

}  // namespace tarvo::toolkit
