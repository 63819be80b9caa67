// The small skin images (pointer dots, lamps, selector arrow, empty knob images) and
// the three meter bitmaps.
#include <cmath>
#include <stdexcept>

#include "artwork.h"
#include "palette.h"

namespace tarvo::skingen {

namespace {

// A light yellow dot centred in a size x size picture on the grey key; the edge
// pixels are blended into the knob face the dot travels over.
Image pointerDot(const KnobGeometry& g) {
  Canvas c(g.dotImage, g.dotImage);
  cairo_t* cr = c.cr();
  const double centre = g.dotImage / 2.0;  // drawn at (px - size/2), so centred on px
  cairo_pattern_t* p =
      cairo_pattern_create_radial(centre - 0.7, centre - 0.7, 0.3, centre, centre, g.dotRadius);
  addStop(p, 0, 0xFFFFFF);
  addStop(p, 1, 0xF4EEC0);
  fillCircle(cr, centre, centre, g.dotRadius, p);
  return c.toKeyedImage(kKnobFaceRim, kKeyGrey);
}

// A lit round lamp lens on the black key, blended into the bezel at its edge.
Image lamp(uint32_t lit) {
  Canvas c(13, 13);
  cairo_t* cr = c.cr();
  const double cx = 6.5, cy = 6.5, r = kLampLensRadius;
  cairo_pattern_t* p = cairo_pattern_create_radial(cx - 1.2, cy - 1.4, 0.4, cx, cy, r);
  addStop(p, 0, mix(lit, 0xFFFFFF, 0.55));
  addStop(p, 0.45, lit);
  addStop(p, 1, mix(lit, 0x000000, 0.35));
  fillCircle(cr, cx, cy, r, p);
  return c.toKeyedImage(kLampBezel, kKeyBlack);
}

}  // namespace

// The lozenge outline of a selector position, shared with the chassis painter.
void selectorLozengePath(cairo_t* cr, double x, double y) {
  roundedRect(cr, x + 0.5, y + 0.5, 29, 9, 4.5);
}
// The right-pointing arrow inside a lozenge whose top-left is (x, y).
void selectorArrowPath(cairo_t* cr, double x, double y) {
  cairo_move_to(cr, x + 7, y + 4);
  cairo_line_to(cr, x + 17, y + 4);
  cairo_line_to(cr, x + 17, y + 2);
  cairo_line_to(cr, x + 23.5, y + 5);
  cairo_line_to(cr, x + 17, y + 8);
  cairo_line_to(cr, x + 17, y + 6);
  cairo_line_to(cr, x + 7, y + 6);
  cairo_close_path(cr);
}

namespace {

Image selectorLit() {
  Canvas c(30, 10);
  cairo_t* cr = c.cr();
  selectorLozengePath(cr, 0, 0);
  setColour(cr, kLozenge);
  cairo_fill_preserve(cr);
  setColour(cr, kLozengeEdge);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  // A soft glow under the arrow, then the arrow itself.
  selectorArrowPath(cr, 0, 0);
  setColour(cr, kArrowLit, 0.35);
  cairo_set_line_width(cr, 2);
  cairo_stroke_preserve(cr);
  setColour(cr, kArrowLit);
  cairo_fill(cr);
  return c.toKeyedImage(kPanel, kKeyBlack);
}

}  // namespace

Image paintSprite(int index) {
  switch (index) {
    case 0:
      return pointerDot(kLargeKnob);
    case 1:
      return Image(49, 49, kKeyBlack);  // the knob body is printed on the chassis
    case 3:
      return selectorLit();
    case 4:
      return lamp(kGreenLit);
    case 5:
      return lamp(kRedLit);
    case 6:
      return Image(39, 39, kKeyBlack);
    case 7:
      return pointerDot(kSmallKnob);
    default:
      throw std::invalid_argument("paintSprite: no sprite with this index");
  }
}

uint32_t levelColour(int k) {
  // t runs 0 (-60 dB) .. 1 (0 dB); green up to -18 dB, yellow at -6 dB, red at 0 dB.
  const double t = (k + 0.5) / 120.0;
  const uint32_t green = 0x2FE03C, yellow = 0xF2E22A, red = 0xFF2A1E;
  if (t < 0.7) return green;
  if (t < 0.9) return mix(green, yellow, (t - 0.7) / 0.2);
  return mix(yellow, red, (t - 0.9) / 0.1);
}

Image paintMeterInputLit() {
  // 60 segments of two columns: a bright column, then the same colour at half.
  Image img(120, 10);
  for (int x = 0; x < 120; ++x) {
    const uint32_t c = levelColour(x & ~1);
    const uint32_t shade = (x % 2 == 0) ? c : mix(0x000000, c, 0.5);
    for (int y = 0; y < 10; ++y) img.at(x, y) = shade;
  }
  return img;
}

Image paintMeterCover() {
  // Rows alternate grey 51 and black, starting with grey at the top.
  Image img(10, 120);
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 10; ++x) img.at(x, y) = (y % 2 == 0) ? 0x333333 : 0x000000;
  return img;
}

Image paintMeterReductionLit() {
  // Rows alternate red 255 and red 128, starting with full red at the top.
  Image img(10, 120);
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 10; ++x) img.at(x, y) = (y % 2 == 0) ? 0xFF0000 : 0x800000;
  return img;
}

}  // namespace tarvo::skingen
