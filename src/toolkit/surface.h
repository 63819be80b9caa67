// An off-screen 32-bit BGRA picture with clipped fill, copy and blended copy.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "toolkit/colour.h"
#include "toolkit/geometry.h"

namespace tarvo::toolkit {

// How a copy mixes its pixels into the destination.
struct BlitOptions {
  // Source pixels whose colour (alpha ignored) equals this 0xRRGGBB value are not drawn.
  std::optional<uint32_t> colourKey;
  // 255 replaces the destination, 0 draws nothing, values between mix linearly.
  uint8_t opacity = 255;
};

// Mixes one colour into another by `amount` (0..255) per channel, rounding to nearest:
// (src * amount + dst * (255 - amount)) / 255 for blue, green, red and alpha alike.
Pixel MixPixel(Pixel dst, Pixel src, uint8_t amount);

// Rows lie top-down in memory, each `Width()` pixels with no padding (stride = width * 4).
// Every drawing operation is clipped to the surface and to an optional clip rectangle, so
// no position or size writes outside the pixel buffer.
class Surface {
 public:
  Surface() = default;
  // A surface of the given size (negative sizes count as 0) filled with `fill`. Throws
  // std::length_error when the pixel count does not fit in memory addresses.
  Surface(int width, int height, Pixel fill = Rgb(0));

  int Width() const { return width_; }
  int Height() const { return height_; }
  int StrideBytes() const { return width_ * 4; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  Rect Bounds() const { return Rect{0, 0, width_, height_}; }

  // Raw rows for the platform blit; `y` must lie inside the surface.
  const Pixel* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
  Pixel* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
  const Pixel* Data() const { return pixels_.data(); }

  // The pixel at (x, y), or 0 outside the surface.
  Pixel At(int x, int y) const;
  // Writes one pixel; ignored outside the surface or the clip.
  void Set(int x, int y, Pixel colour);
  void Set(int x, int y, Pixel colour, const Rect& clip);
  // Mixes `colour` into one pixel by `amount`; ignored outside the surface or the clip.
  void Blend(int x, int y, Pixel colour, uint8_t amount, const Rect& clip);

  void Fill(Pixel colour) { Fill(Bounds(), colour); }
  void Fill(const Rect& area, Pixel colour) { Fill(area, colour, Bounds()); }
  void Fill(const Rect& area, Pixel colour, const Rect& clip);

  // Copies the part `from` of `src` so that its top-left corner lands on (x, y), applying
  // the colour key and opacity of `options`. `from` is cut to the source first.
  void Blit(const Surface& src, const Rect& from, int x, int y, const BlitOptions& options = {}) {
    Blit(src, from, x, y, options, Bounds());
  }
  void Blit(const Surface& src, const Rect& from, int x, int y, const BlitOptions& options,
            const Rect& clip);

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<Pixel> pixels_;
};

}  // namespace tarvo::toolkit
