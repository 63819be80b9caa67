// The 645 x 485 chassis: matte brushed panel, top strip with logo, title and manual
// icon, the display area with its printed meter columns and scales, the five framed
// sections, knob bodies with their scales, value boxes, lamps, selector arrows and
// every legend. All places come from the layout table.
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "artwork.h"
#include "knob_legends.h"
#include "layout.h"
#include "palette.h"

namespace tarvo::skingen {

void selectorLozengePath(cairo_t* cr, double x, double y);  // sprites.cpp
void selectorArrowPath(cairo_t* cr, double x, double y);

namespace {

struct Rect {
  int x0, y0, x1, y1;  // x1, y1 exclusive
};

// Areas of the panel that are not controls.
constexpr int kStripBottom = 55;
constexpr Rect kDisplay{8, 60, 251, 256};
struct Section {
  const char* title;
  Rect r;
};
constexpr Section kSections[] = {
    {"MAIN", {258, 60, 637, 261}},      {"INPUT", {8, 266, 196, 372}},
    {"ENVELOPE", {200, 266, 637, 372}}, {"TRANSFER", {8, 377, 196, 480}},
    {"DETECTOR", {200, 377, 637, 480}},
};

const TextStyle kTitleStyle{9.5, true, kTitle, 2};
const TextStyle kNameStyle{8.5, true, kLegend, 0};
const TextStyle kLegendStyle{9, false, kLegend, 0};
const TextStyle kScaleStyle{8, false, kLegendDim, 0};
const TextStyle kUnitStyle{8.5, false, kLegendDim, 0};

void fillRect(cairo_t* cr, double x, double y, double w, double h, uint32_t colour, double a = 1) {
  setColour(cr, colour, a);
  cairo_rectangle(cr, x, y, w, h);
  cairo_fill(cr);
}

// One-pixel horizontal or vertical line covering whole pixels.
void hline(cairo_t* cr, int x0, int x1, int y, uint32_t colour, double a = 1) {
  fillRect(cr, x0, y, x1 - x0, 1, colour, a);
}
void vline(cairo_t* cr, int x, int y0, int y1, uint32_t colour, double a = 1) {
  fillRect(cr, x, y0, 1, y1 - y0, colour, a);
}

// Brushed-aluminium texture in dark anodised grey: rows of slightly different
// brightness with long horizontal streaks and a little grain. Deterministic.
void paintTexture(Image& img, uint32_t base, int y0, int y1, double amount, uint64_t seed) {
  Random rnd(seed);
  const int w = img.width;
  std::vector<double> raw(size_t(w) + 64);
  std::vector<double> streak(static_cast<size_t>(w));
  for (int y = y0; y < y1; ++y) {
    const double row = (rnd.uniform() - 0.5) * 2.0;
    for (double& v : raw) v = rnd.uniform() - 0.5;
    // Moving average over 48 pixels: long streaks along the brushing direction.
    double acc = 0;
    for (int i = 0; i < 48; ++i) acc += raw[size_t(i)];
    for (int x = 0; x < w; ++x) {
      streak[size_t(x)] = acc / 48.0 * 7.0;
      acc += raw[size_t(x) + 48] - raw[size_t(x)];
    }
    for (int x = 0; x < w; ++x) {
      const double grain = (rnd.uniform() - 0.5) * 1.2;
      const double d = amount * (0.8 * row + streak[size_t(x)] + grain);
      auto ch = [&](int shift) {
        const double v = double((base >> shift) & 0xFF) + d;
        return uint32_t(std::lround(std::fmin(255.0, std::fmax(0.0, v)))) << shift;
      };
      img.at(x, y) = ch(16) | ch(8) | ch(0);
    }
  }
}

// Copies an opaque picture into the canvas surface as its starting content.
void loadInto(cairo_t* cr, const Image& img) {
  cairo_surface_t* s = cairo_get_target(cr);
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < img.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride));
    for (int x = 0; x < img.width; ++x) row[x] = 0xFF000000u | img.at(x, y);
  }
  cairo_surface_mark_dirty(s);
}

// An engraved frame: a dark line with a light line below and right of it.
void groove(cairo_t* cr, const Rect& r, double radius) {
  cairo_set_line_width(cr, 1);
  roundedRect(cr, r.x0 + 1.5, r.y0 + 1.5, r.x1 - r.x0 - 2, r.y1 - r.y0 - 2, radius);
  setColour(cr, kGrooveLight, 0.9);
  cairo_stroke(cr);
  roundedRect(cr, r.x0 + 0.5, r.y0 + 0.5, r.x1 - r.x0 - 2, r.y1 - r.y0 - 2, radius);
  setColour(cr, kGrooveDark);
  cairo_stroke(cr);
}

void paintSection(cairo_t* cr, const Fonts& fonts, const Section& s) {
  // A faint darker fill makes the sections read as plates set into the panel.
  roundedRect(cr, s.r.x0 + 1, s.r.y0 + 1, s.r.x1 - s.r.x0 - 2, s.r.y1 - s.r.y0 - 2, 5);
  setColour(cr, 0x000000, 0.10);
  cairo_fill(cr);
  groove(cr, s.r, 5);
  // Title on the top line, with the line cut away behind it.
  const double w = textWidth(cr, fonts, s.title, kTitleStyle);
  const int tx = s.r.x0 + 10;
  fillRect(cr, tx - 4, s.r.y0 - 1, std::ceil(w) + 8, 4, kPanel);
  textAt(cr, fonts, s.title, tx, s.r.y0 + 1.5 + capHeight(cr, fonts, kTitleStyle) / 2, kTitleStyle);
}

// A recessed black window: darker edge above and left, lighter below and right,
// inside filled with exactly the label background.
void recess(cairo_t* cr, const Rect& r) {
  hline(cr, r.x0 - 1, r.x1 + 1, r.y0 - 1, 0x0B0B0C);
  vline(cr, r.x0 - 1, r.y0 - 1, r.y1 + 1, 0x0B0B0C);
  hline(cr, r.x0 - 1, r.x1 + 1, r.y1, 0x55565A);
  vline(cr, r.x1, r.y0 - 1, r.y1 + 1, 0x55565A);
  fillRect(cr, r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0, kLabelBack);
}

// Pixel-centred knob centre: the dial's pointer circle is centred on pixel
// (size div 2, size div 2) of the control.
void knobCentre(const Control& c, double& cx, double& cy) {
  cx = c.left + c.width / 2 + 0.5;
  cy = c.top + c.height / 2 + 0.5;
}

// Unit vector of the knob angle for the fraction f of its travel, y pointing down.
void arcDirection(double f, double& dx, double& dy) {
  const double a = (210.0 + 300.0 * f) * kPi / 180.0;
  dx = std::sin(a);
  dy = -std::cos(a);
}

// `bottomLimit`: the lowest row a scale number may use (above the value box).
void paintKnob(cairo_t* cr, const Fonts& fonts, const Control& c, const KnobLegend& legend,
               int bottomLimit) {
  const bool large = c.kind == ControlKind::KnobLarge;
  const KnobGeometry& g = large ? kLargeKnob : kSmallKnob;
  double cx, cy;
  knobCentre(c, cx, cy);
  const double R = g.bodyRadius + 1.2;  // body including its bevel ring

  // Scale: minor ticks every tenth of the travel, major ticks at the numbers.
  const double t0 = R + 2.0, t1 = R + (large ? 4.5 : 4.0);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  for (int i = 0; i <= 10; ++i) {
    double dx, dy;
    arcDirection(i / 10.0, dx, dy);
    cairo_move_to(cr, cx + dx * t0, cy + dy * t0);
    cairo_line_to(cr, cx + dx * (t0 + 1.6), cy + dy * (t0 + 1.6));
  }
  setColour(cr, kLegendDim, 0.55);
  cairo_set_line_width(cr, 1.0);
  cairo_stroke(cr);
  for (int i = 0; i < legend.markCount; ++i) {
    double dx, dy;
    arcDirection(legend.marks[size_t(i)].fraction, dx, dy);
    cairo_move_to(cr, cx + dx * t0, cy + dy * t0);
    cairo_line_to(cr, cx + dx * t1, cy + dy * t1);
  }
  setColour(cr, kLegend, 0.9);
  cairo_set_line_width(cr, 1.2);
  cairo_stroke(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);

  // Numbers just outside the ticks: the nearest point of each text box to the
  // centre sits at the same distance.
  const double numberRadius = t1 + 1.5;
  const double capH = capHeight(cr, fonts, kScaleStyle);
  for (int i = 0; i < legend.markCount; ++i) {
    const ScaleMark& m = legend.marks[size_t(i)];
    double dx, dy;
    arcDirection(m.fraction, dx, dy);
    const double w = textWidth(cr, fonts, m.text, kScaleStyle);
    const double reach = numberRadius + std::fabs(dx) * w / 2 + std::fabs(dy) * capH / 2;
    const double tx = cx + dx * reach;
    const double ty = std::fmin(cy + dy * reach, bottomLimit - capH / 2);
    textCentred(cr, fonts, m.text, tx, ty, kScaleStyle);
  }

  // Name above the scale, at the same height for every knob of a size.
  textAt(cr, fonts, legend.name, cx, std::floor(cy - numberRadius - capH) - 3, kNameStyle,
         Align::Centre);

  // Soft shadow under the knob.
  for (int i = 4; i >= 1; --i) {
    cairo_arc(cr, cx + 0.6, cy + 1.6, R + i * 0.7, 0, 2 * kPi);
    setColour(cr, 0x000000, 0.10);
    cairo_fill(cr);
  }
  // Bevel ring: lit from the top left.
  cairo_pattern_t* ring = cairo_pattern_create_linear(cx - R, cy - R, cx + R, cy + R);
  addStop(ring, 0, 0x707176);
  addStop(ring, 0.5, 0x333438);
  addStop(ring, 1, 0x0E0E10);
  fillCircle(cr, cx, cy, R, ring);
  // Face: slightly domed in the centre, flat rim colour where the pointer dot runs.
  const double face = g.bodyRadius;
  cairo_pattern_t* p =
      cairo_pattern_create_radial(cx - face * 0.25, cy - face * 0.3, 0, cx, cy, face);
  addStop(p, 0, 0x3A3B3F);
  const double rimStart = (g.pointerRadius - g.dotRadius - 1.5) / face;
  addStop(p, rimStart, kKnobFaceRim);
  addStop(p, 1, kKnobFaceRim);
  fillCircle(cr, cx, cy, face, p);
  // Fine concentric machining on the cap.
  for (double r = 2; r < rimStart * face - 1; r += 1.5) {
    cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
    setColour(cr, (int(r * 2) % 2) ? 0xFFFFFF : 0x000000, 0.025);
    cairo_set_line_width(cr, 0.7);
    cairo_stroke(cr);
  }
}

// Value box around a value label, with the unit printed to its right.
void paintValueBox(cairo_t* cr, const Fonts& fonts, const Control& label, std::string_view unit) {
  const Rect box{label.left - 3, label.top - 2, label.left + label.width,
                 label.top + label.height + 2};
  recess(cr, box);
  if (!unit.empty()) {
    textCentred(cr, fonts, unit, box.x1 + 3 + textWidth(cr, fonts, unit, kUnitStyle) / 2,
                (box.y0 + box.y1) / 2.0, kUnitStyle);
  }
}

// Lamp bezel with the unlit lens; the lit lamp image covers the lens exactly.
void paintLampHousing(cairo_t* cr, const Control& c, uint32_t unlit) {
  const double cx = c.left + 6.5, cy = c.top + 6.5;
  cairo_arc(cr, cx + 0.4, cy + 1.0, 7.6, 0, 2 * kPi);
  setColour(cr, 0x000000, 0.35);
  cairo_fill(cr);
  cairo_pattern_t* ring = cairo_pattern_create_linear(cx - 7, cy - 7, cx + 7, cy + 7);
  addStop(ring, 0, 0x9A9BA0);
  addStop(ring, 1, 0x252629);
  fillCircle(cr, cx, cy, 7.2, ring);
  cairo_arc(cr, cx, cy, 6.0, 0, 2 * kPi);
  setColour(cr, kLampBezel);
  cairo_fill(cr);
  cairo_pattern_t* lens =
      cairo_pattern_create_radial(cx - 1.2, cy - 1.4, 0.3, cx, cy, kLampLensRadius);
  addStop(lens, 0, mix(unlit, 0xFFFFFF, 0.18));
  addStop(lens, 1, unlit);
  fillCircle(cr, cx, cy, kLampLensRadius, lens);
}

// A round push button (copy, recall) in a bezel.
void paintPushButton(cairo_t* cr, const Control& c) {
  const double cx = c.left + 6.5, cy = c.top + 6.5;
  cairo_arc(cr, cx + 0.4, cy + 1.0, 7.6, 0, 2 * kPi);
  setColour(cr, 0x000000, 0.35);
  cairo_fill(cr);
  cairo_arc(cr, cx, cy, 7.2, 0, 2 * kPi);
  setColour(cr, 0x111213);
  cairo_fill(cr);
  cairo_pattern_t* cap = cairo_pattern_create_linear(cx - 6, cy - 6, cx + 6, cy + 6);
  addStop(cap, 0, 0xB8B9BD);
  addStop(cap, 1, 0x4A4B50);
  fillCircle(cr, cx, cy, 5.6, cap);
  cairo_pattern_t* top = cairo_pattern_create_radial(cx - 1, cy - 1.5, 0.5, cx, cy, 4.6);
  addStop(top, 0, 0xA6A7AB);
  addStop(top, 1, 0x6A6B70);
  fillCircle(cr, cx, cy, 4.4, top);
}

void paintSelectorUnlit(cairo_t* cr, const Control& c) {
  selectorLozengePath(cr, c.left, c.top);
  setColour(cr, kLozenge);
  cairo_fill_preserve(cr);
  setColour(cr, kLozengeEdge);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  selectorArrowPath(cr, c.left, c.top);
  setColour(cr, kArrowUnlit);
  cairo_fill(cr);
}

void paintTopStrip(cairo_t* cr, const Fonts& fonts) {
  cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, kStripBottom);
  cairo_pattern_add_color_stop_rgba(g, 0, 0, 0, 0, 0.25);
  cairo_pattern_add_color_stop_rgba(g, 1, 0, 0, 0, 0.45);
  cairo_rectangle(cr, 0, 0, kPanelWidth, kStripBottom);
  cairo_set_source(cr, g);
  cairo_fill(cr);
  cairo_pattern_destroy(g);
  hline(cr, 0, kPanelWidth, kStripBottom, 0x0C0C0D);
  hline(cr, 0, kPanelWidth, kStripBottom + 1, 0x4A4B4F);

  // Screws at both ends.
  for (double sx : {6.5, kPanelWidth - 6.5}) {
    const double sy = kStripBottom / 2.0;
    cairo_arc(cr, sx, sy + 0.6, 3.6, 0, 2 * kPi);
    setColour(cr, 0x000000, 0.5);
    cairo_fill(cr);
    cairo_pattern_t* s = cairo_pattern_create_linear(sx - 3, sy - 3, sx + 3, sy + 3);
    cairo_pattern_add_color_stop_rgb(s, 0, 0.62, 0.62, 0.64);
    cairo_pattern_add_color_stop_rgb(s, 1, 0.22, 0.22, 0.24);
    fillCircle(cr, sx, sy, 3.2, s);
    cairo_move_to(cr, sx - 2.2, sy - 1.0);
    cairo_line_to(cr, sx + 2.2, sy + 1.0);
    setColour(cr, 0x141414, 0.9);
    cairo_set_line_width(cr, 0.9);
    cairo_stroke(cr);
  }

  // Logo: an amber roundel with a knee-shaped transfer curve, then the maker's name.
  const Control& logo = control("Logo");
  const double lx = logo.left + 22.5, ly = logo.top + 24.0, lr = 18.5;
  cairo_arc(cr, lx, ly + 0.8, lr + 1, 0, 2 * kPi);
  setColour(cr, 0x000000, 0.45);
  cairo_fill(cr);
  cairo_pattern_t* rg = cairo_pattern_create_radial(lx - 6, ly - 7, 2, lx, ly, lr);
  addStop(rg, 0, 0xF6C86A);
  addStop(rg, 1, 0xB0741E);
  fillCircle(cr, lx, ly, lr, rg);
  cairo_arc(cr, lx, ly, lr - 3, 0, 2 * kPi);
  setColour(cr, 0x1A1B1D);
  cairo_fill(cr);
  // A "V" drawn as a compressor curve: steep fall, knee, then flat.
  cairo_move_to(cr, lx - 9, ly - 7);
  cairo_line_to(cr, lx - 1, ly + 8);
  cairo_curve_to(cr, lx + 1, ly + 4, lx + 4, ly - 5, lx + 10, ly - 8);
  setColour(cr, 0xF0BE5A);
  cairo_set_line_width(cr, 2.6);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  const TextStyle maker{14, true, 0xF2F0E6, 0};
  const TextStyle audio{8.5, false, 0xE9B552, 3};
  textAt(cr, fonts, "Velmora", logo.left + 46, logo.top + 26, maker);
  textAt(cr, fonts, "AUDIO", logo.left + 47, logo.top + 39, audio);

  // Product title in the centre.
  const TextStyle title{30, true, 0xF4F2EA, 0};
  const TextStyle subtitle{8.5, false, 0xBDBBA6, 3};
  const double titleY = 34;
  textAt(cr, fonts, "Tarvo", kPanelWidth / 2.0, titleY, title, Align::Centre);
  textAt(cr, fonts, "STEREO COMPRESSOR \xC2\xB7 EXPANDER", kPanelWidth / 2.0, titleY + 14, subtitle,
         Align::Centre);

  // Manual icon: a bevelled square key with an open book, legend to its left.
  const Control& man = control("UsersManual");
  const double mx = man.left, my = man.top, ms = man.width;
  roundedRect(cr, mx + 0.5, my + 1.5, ms - 1, ms - 1, 6);
  setColour(cr, 0x000000, 0.5);
  cairo_fill(cr);
  cairo_pattern_t* kg = cairo_pattern_create_linear(mx, my, mx, my + ms);
  addStop(kg, 0, 0x4C4D52);
  addStop(kg, 1, 0x242528);
  roundedRect(cr, mx + 0.5, my + 0.5, ms - 1, ms - 1, 6);
  cairo_set_source(cr, kg);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(kg);
  setColour(cr, 0x0C0C0D);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  roundedRect(cr, mx + 1.5, my + 1.5, ms - 3, ms - 3, 5);
  setColour(cr, 0xFFFFFF, 0.10);
  cairo_stroke(cr);
  // Book: two pages meeting at the spine.
  const double bx = mx + ms / 2, by = my + 11;
  for (int side : {-1, 1}) {
    cairo_move_to(cr, bx, by + 2);
    cairo_curve_to(cr, bx + side * 4, by - 1, bx + side * 9, by - 1, bx + side * 12, by);
    cairo_line_to(cr, bx + side * 12, by + 17);
    cairo_curve_to(cr, bx + side * 9, by + 16, bx + side * 4, by + 16, bx, by + 19);
    cairo_close_path(cr);
    setColour(cr, 0xEDE9D6);
    cairo_fill_preserve(cr);
    setColour(cr, 0x6E6A5A);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    for (int l = 0; l < 4; ++l) {
      const double yy = by + 5 + l * 3;
      cairo_move_to(cr, bx + side * 2.5, yy);
      cairo_line_to(cr, bx + side * 9.5, yy - 0.6);
    }
    setColour(cr, 0x8E8A78);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
  }
  const TextStyle manLegend{8.5, true, 0xBDBBA6, 1};
  textCentred(cr, fonts, "MANUAL", mx - 6 - textWidth(cr, fonts, "MANUAL", manLegend) / 2,
              my + ms / 2.0, manLegend);

  // Bypass-free status: a small version plate at the far right.
  const TextStyle plate{7.5, false, 0x8D8B7C, 1.0};
  textAt(cr, fonts, "VST", 602, 28, plate, Align::Centre);
  textAt(cr, fonts, "1.0", 602, 38, plate, Align::Centre);
}

void paintDisplay(cairo_t* cr, const Fonts& fonts) {
  // Bezel around the window, then the window itself.
  roundedRect(cr, kDisplay.x0 - 2.5, kDisplay.y0 - 2.5, kDisplay.x1 - kDisplay.x0 + 5,
              kDisplay.y1 - kDisplay.y0 + 5, 3);
  setColour(cr, 0x0A0A0B);
  cairo_fill(cr);
  hline(cr, kDisplay.x0 - 2, kDisplay.x1 + 2, kDisplay.y1 + 2, 0x505155);
  vline(cr, kDisplay.x1 + 2, kDisplay.y0 - 1, kDisplay.y1 + 2, 0x505155);
  fillRect(cr, kDisplay.x0, kDisplay.y0, kDisplay.x1 - kDisplay.x0, kDisplay.y1 - kDisplay.y0,
           kLabelBack);

  // Output columns, printed lit: each row a bright or half-bright segment row, red at
  // the top (0 dB) through yellow to green at the bottom (-60 dB).
  for (const char* name : {"OutputMeterL", "OutputMeterR"}) {
    const Control& m = control(name);
    for (int y = 0; y < m.height; ++y) {
      const uint32_t c = levelColour(m.height - 1 - y);
      hline(cr, m.left, m.left + m.width, m.top + y, (y % 2 == 0) ? c : mix(0x000000, c, 0.5));
    }
  }
  // Gain-change columns, printed green, uncovered from the bottom on gain increase.
  for (const char* name : {"GainIncreaseMeterL", "GainIncreaseMeterR"}) {
    const Control& m = control(name);
    for (int y = 0; y < m.height; ++y)
      hline(cr, m.left, m.left + m.width, m.top + y, (y % 2 == 0) ? 0x20D838 : 0x106C1C);
  }
  // Unlit input bars: columns alternate grey 51 and black, like the meter covers.
  for (const char* name : {"InputMeterL", "InputMeterR"}) {
    const Control& m = control(name);
    for (int x = 0; x < m.width; ++x)
      vline(cr, m.left + x, m.top, m.top + m.height, (x % 2 == 0) ? 0x333333 : 0x000000);
  }

  // Output scale between the output and gain columns: 0 at the top to 60 dB down.
  const Control& outR = control("OutputMeterR");
  const Control& exL = control("GainIncreaseMeterL");
  const double scaleX = (outR.left + outR.width + exL.left) / 2.0;
  const TextStyle small{8, false, kLegendDim, 0};
  for (int db = 0; db <= 60; db += 10) {
    const int y = outR.top + 2 * db;
    const int row = std::min(y, outR.top + outR.height - 1);
    hline(cr, outR.left + outR.width + 1, outR.left + outR.width + 4, row, kLegendDim, 0.8);
    textCentred(cr, fonts, std::to_string(db), scaleX + 0.5, row + 0.5, small);
  }
  // Gain columns: ticks every 20 pixels (10, 5, 2 or 1 dB by the meter scale).
  const Control& exR = control("GainIncreaseMeterR");
  const Control& outL = control("OutputMeterL");
  for (int k = 0; k <= 6; ++k) {
    const int row = std::min(exR.top + 20 * k, exR.top + exR.height - 1);
    hline(cr, exR.left + exR.width + 2, exR.left + exR.width + 6, row, kLegendDim, 0.8);
    hline(cr, exL.left - 5, exL.left - 1, row, kLegendDim, 0.8);
    hline(cr, outL.left - 5, outL.left - 1, row, kLegendDim, 0.8);
  }
  textCentred(cr, fonts, "OUT", (outL.left + outR.left + outR.width) / 2.0,
              outL.top + outL.height + 7.5, small);
  textCentred(cr, fonts, "L", 26, control("InputMeterL").top + 5, small);
  textCentred(cr, fonts, "R", 26, control("InputMeterR").top + 5, small);
}

}  // namespace

Image paintChassis(const Fonts& fonts) {
  Image base(kPanelWidth, kPanelHeight);
  paintTexture(base, kPanel, 0, kPanelHeight, 1.0, 0x7A4C0001);
  Canvas canvas(kPanelWidth, kPanelHeight);
  cairo_t* cr = canvas.cr();
  loadInto(cr, base);

  // A light edge all round the panel.
  hline(cr, 0, kPanelWidth, kPanelHeight - 1, 0x0C0C0D);
  vline(cr, kPanelWidth - 1, 0, kPanelHeight, 0x0C0C0D);
  vline(cr, 0, kStripBottom, kPanelHeight, 0x3E3F43);

  paintTopStrip(cr, fonts);
  paintDisplay(cr, fonts);
  for (const Section& s : kSections) paintSection(cr, fonts, s);

  for (const KnobLegend& legend : kKnobLegends) {
    const Control& knob = control(legend.control);
    int boxTop = kPanelHeight;
    for (const Control& c : kControls)
      if (c.kind == ControlKind::ValueLabel && c.tag == knob.tag) boxTop = c.top - 3;
    paintKnob(cr, fonts, knob, legend, boxTop - 2);
  }

  for (const Control& c : kControls) {
    if (c.kind != ControlKind::ValueLabel) continue;
    std::string_view unit;
    for (const KnobLegend& l : kKnobLegends)
      if (control(l.control).tag == c.tag) unit = l.unit;
    paintValueBox(cr, fonts, c, unit);
  }

  // Switches with their legends.
  struct SwitchLegend {
    const char* control;
    const char* text;
    int side;  // -1: legend left of the lamp, +1: right, 0: below
  };
  for (const SwitchLegend& s :
       {SwitchLegend{"AutoGainSwitch", "AUTO GAIN", -1}, SwitchLegend{"InFilterSwitch", "HPF", 0},
        SwitchLegend{"DetectorACSwitch", "FILTER", -1},
        SwitchLegend{"DetectorEQSwitch", "EQ", -1}}) {
    const Control& c = control(s.control);
    paintLampHousing(cr, c, kRedUnlit);
    const double cy = c.top + 6.5;
    if (s.side < 0) {
      const double w = textWidth(cr, fonts, s.text, kNameStyle);
      textCentred(cr, fonts, s.text, c.left - 5 - w / 2, cy, kNameStyle);
    } else if (s.side > 0) {
      const double w = textWidth(cr, fonts, s.text, kNameStyle);
      textCentred(cr, fonts, s.text, c.left + c.width + 5 + w / 2, cy, kNameStyle);
    } else {
      textCentred(cr, fonts, s.text, c.left + 6.5, c.top + c.height + 8, kNameStyle);
    }
  }

  {
    // The input filter's corner frequency under its legend.
    const Control& c = control("InFilterSwitch");
    textCentred(cr, fonts, "20 Hz", c.left + 6.5, c.top + c.height + 18, kScaleStyle);
  }

  // Compare buttons: the A/B lamp and two push buttons, legends to the right.
  paintLampHousing(cr, control("ABSwitch"), kGreenUnlit);
  paintPushButton(cr, control("CopySwitch"));
  paintPushButton(cr, control("RecallSwitch"));
  for (auto [name, text] : {std::pair{"ABSwitch", "A/B"}, std::pair{"CopySwitch", "COPY"},
                            std::pair{"RecallSwitch", "RECALL"}}) {
    const Control& c = control(name);
    textCentred(cr, fonts, text, c.left + c.width + 6 + textWidth(cr, fonts, text, kNameStyle) / 2,
                c.top + 6.5, kNameStyle);
  }

  // Selectors: unlit arrows, the position names to their right, a heading above.
  for (const SelectorLegend& s : kSelectorLegends) {
    const Control& c = control(s.control);
    paintSelectorUnlit(cr, c);
    textCentred(cr, fonts, s.text,
                c.left + c.width + 4 + textWidth(cr, fonts, s.text, kLegendStyle) / 2, c.top + 5,
                kLegendStyle);
  }
  textAt(cr, fonts, "RELEASE TYPE", control("ReleaseType4").left, control("ReleaseType4").top - 6,
         kNameStyle);
  textAt(cr, fonts, "STEREO LINK", control("LinkType2").left, control("LinkType2").top - 6,
         kNameStyle);

  if (cairo_status(cr) != CAIRO_STATUS_SUCCESS)
    throw std::runtime_error(std::string("chassis: ") + cairo_status_to_string(cairo_status(cr)));
  return canvas.toImage(kPanel);
}

}  // namespace tarvo::skingen
