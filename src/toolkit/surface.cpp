#include "toolkit/surface.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace tarvo::toolkit {

namespace {

uint32_t MixChannel(uint32_t d, uint32_t s, uint32_t amount) {
  return (s * amount + d * (255 - amount) + 127) / 255;
}

}  // namespace

Pixel MixPixel(Pixel dst, Pixel src, uint8_t amount) {
  if (amount == 255) return src;
  if (amount == 0) return dst;
  Pixel out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    out |= MixChannel((dst >> shift) & 0xFF, (src >> shift) & 0xFF, amount) << shift;
  }
  return out;
}

Surface::Surface(int width, int height, Pixel fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)) {
  if (width_ == 0 || height_ == 0) width_ = height_ = 0;
  // A pixel count that size_t cannot hold (32-bit targets) must not wrap to a small buffer.
  const uint64_t count = uint64_t{static_cast<uint32_t>(width_)} * static_cast<uint32_t>(height_);
  if (count > std::numeric_limits<size_t>::max() / sizeof(Pixel)) {
    throw std::length_error("surface too large");
  }
  pixels_.assign(static_cast<size_t>(count), fill);
}

Pixel Surface::At(int x, int y) const {
  return Bounds().Contains(x, y) ? Row(y)[x] : 0;
}

void Surface::Set(int x, int y, Pixel colour) {
  Set(x, y, colour, Bounds());
}

void Surface::Set(int x, int y, Pixel colour, const Rect& clip) {
  if (Bounds().Contains(x, y) && clip.Contains(x, y)) Row(y)[x] = colour;
}

void Surface::Blend(int x, int y, Pixel colour, uint8_t amount, const Rect& clip) {
  if (amount == 0 || !Bounds().Contains(x, y) || !clip.Contains(x, y)) return;
  Pixel& p = Row(y)[x];
  p = MixPixel(p, colour, amount);
}

void Surface::Fill(const Rect& area, Pixel colour, const Rect& clip) {
  const Rect r = Intersect(Intersect(area, clip), Bounds());
  for (int y = r.top; y < r.bottom; ++y) {
    std::fill(Row(y) + r.left, Row(y) + r.right, colour);
  }
}

void Surface::Blit(const Surface& src, const Rect& from, int x, int y, const BlitOptions& options,
                   const Rect& clip) {
  if (options.opacity == 0) return;
  if (&src == this) {
    // Copying within one surface: read from a snapshot so overlapping areas stay intact.
    // The copy is the point: it must not change while this surface is written.
    // NOLINTNEXTLINE(performance-unnecessary-copy-initialization)
    const Surface copy = src;
    Blit(copy, from, x, y, options, clip);
    return;
  }
  const Rect source = Intersect(from, src.Bounds());
  if (source.Empty()) return;
  // Source pixel (sx, sy) lands on (sx + dx, sy + dy); 64 bits so far positions cannot wrap.
  const int64_t dx = int64_t{x} - from.left;
  const int64_t dy = int64_t{y} - from.top;
  const Rect target = Intersect(clip, Bounds());
  const int64_t left = std::max<int64_t>(source.left + dx, target.left);
  const int64_t top = std::max<int64_t>(source.top + dy, target.top);
  const int64_t right = std::min<int64_t>(source.right + dx, target.right);
  const int64_t bottom = std::min<int64_t>(source.bottom + dy, target.bottom);
  if (right <= left || bottom <= top) return;

  const int width = static_cast<int>(right - left);
  const bool keyed = options.colourKey.has_value();
  const uint32_t key = keyed ? RgbOf(*options.colourKey) : 0;
  for (int64_t ty = top; ty < bottom; ++ty) {
    const Pixel* in = src.Row(static_cast<int>(ty - dy)) + (left - dx);
    Pixel* out = Row(static_cast<int>(ty)) + left;
    if (!keyed && options.opacity == 255) {
      std::memcpy(out, in, static_cast<size_t>(width) * sizeof(Pixel));
      continue;
    }
    for (int i = 0; i < width; ++i) {
      if (keyed && RgbOf(in[i]) == key) continue;
      out[i] = MixPixel(out[i], in[i], options.opacity);
    }
  }
}

}  // namespace tarvo::toolkit
