// Drawing helpers shared by the chassis and sprite painters: a Cairo canvas that
// turns into an opaque or colour-keyed Image, hinted text in Liberation Sans, and a
// small deterministic random source for the panel texture.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "image.h"

namespace tarvo::skingen {

inline constexpr double kPi = 3.14159265358979323846;

// The two faces the artwork prints with. Loaded once from the font folder.
struct Fonts {
  cairo_font_face_t* regular = nullptr;
  cairo_font_face_t* bold = nullptr;
};
// Loads LiberationSans-Regular.ttf and LiberationSans-Bold.ttf; throws on failure.
Fonts loadFonts(const std::string& fontDir);
void releaseFonts(Fonts& fonts);

// A Cairo ARGB surface with a drawing context, starting fully transparent.
class Canvas {
 public:
  Canvas(int width, int height);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  cairo_t* cr() const { return cr_; }
  int width() const { return width_; }
  int height() const { return height_; }

  // Every pixel composed over the opaque colour `matte`.
  Image toImage(uint32_t matte) const;
  // Pixels whose coverage is below about 1/8 become exactly `key`; the others are
  // composed over `matte` (the colour the sprite will sit on, so that anti-aliased
  // edges blend into it) and nudged off `key` if they happen to equal it.
  Image toKeyedImage(uint32_t matte, uint32_t key) const;

 private:
  // The surface's pixels (premultiplied ARGB) turned one by one into an image's pixels.
  template <class PixelFn>
  Image mapPixels(PixelFn toPixel) const;

  int width_, height_;
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

inline void setColour(cairo_t* cr, uint32_t rgb, double alpha = 1.0) {
  cairo_set_source_rgba(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                        (rgb & 0xFF) / 255.0, alpha);
}

// A gradient stop of the opaque colour `rgb` (0xRRGGBB) at `offset`.
inline void addStop(cairo_pattern_t* pattern, double offset, uint32_t rgb) {
  cairo_pattern_add_color_stop_rgb(pattern, offset, ((rgb >> 16) & 0xFF) / 255.0,
                                   ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
}

// Fills the circle of radius r around (cx, cy) with `pattern`, then releases the pattern.
inline void fillCircle(cairo_t* cr, double cx, double cy, double r, cairo_pattern_t* pattern) {
  cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
  cairo_set_source(cr, pattern);
  cairo_fill(cr);
  cairo_pattern_destroy(pattern);
}

// Mixes two colours: t = 0 gives a, t = 1 gives b.
uint32_t mix(uint32_t a, uint32_t b, double t);

enum class Align { Left, Centre, Right };

struct TextStyle {
  double size = 9;  // em height in pixels
  bool bold = false;
  uint32_t colour = 0xFFFFE1;
  double tracking = 0;  // extra pixels between letters
};

// Width in pixels of `text` as textAt would print it.
double textWidth(cairo_t* cr, const Fonts& fonts, std::string_view text, const TextStyle& style);
// Cap height in pixels (height of "H") for the style.
double capHeight(cairo_t* cr, const Fonts& fonts, const TextStyle& style);
// Prints `text` with its baseline at y; x is the left edge, centre or right edge by
// `align`. The pen starts on a whole pixel so that hinted glyphs stay crisp.
void textAt(cairo_t* cr, const Fonts& fonts, std::string_view text, double x, double y,
            const TextStyle& style, Align align = Align::Left);
// Prints `text` so that its capital letters are centred vertically on cy.
void textCentred(cairo_t* cr, const Fonts& fonts, std::string_view text, double cx, double cy,
                 const TextStyle& style);

// SplitMix64: the same sequence on every platform, so the texture is reproducible.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }

 private:
  uint64_t state_;
};

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r);

}  // namespace tarvo::skingen
