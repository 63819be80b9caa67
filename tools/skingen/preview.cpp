// Preview composition: colour-keyed blits, the knob pointer placement of the dial
// (angle rounded to whole degrees, centre rounded up) and atlas text on the label
// background, so that the preview shows what the editor will draw.
#include "preview.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "draw.h"
#include "layout.h"
#include "palette.h"

namespace tarvo::skingen {

namespace {

void blit(Image& dst, const Image& src, int left, int top, int w, int h, int key /* -1: none */) {
  for (int y = 0; y < h && y < src.height; ++y)
    for (int x = 0; x < w && x < src.width; ++x) {
      const int dx = left + x, dy = top + y;
      if (dx < 0 || dy < 0 || dx >= dst.width || dy >= dst.height) continue;
      const uint32_t c = src.at(x, y);
      if (key >= 0 && c == uint32_t(key)) continue;
      dst.at(dx, dy) = c;
    }
}

// The dial's pointer: angle a = round(210 + 300 f) mod 360, centre
// (ceil(cx + r cos(a - 90)), ceil(cy + r sin(a - 90))), image drawn centred there.
void drawPointer(Image& dst, const Control& knob, const Image& dot, int radius, double fraction) {
  double a = std::nearbyint(std::fmod(210.0 + 300.0 * fraction, 360.0));
  const double rad = (a - 90.0) * kPi / 180.0;
  const int cx = knob.width / 2, cy = knob.height / 2;
  const int px = int(std::ceil(cx + radius * std::cos(rad)));
  const int py = int(std::ceil(cy + radius * std::sin(rad)));
  const int pw = dot.width & ~1, ph = dot.height & ~1;
  blit(dst, dot, knob.left + px - pw / 2, knob.top + py - ph / 2, dot.width, dot.height,
       int(kKeyGrey));
}

// A left-aligned text label: background 0x111111 over the text's box, glyphs blended
// in the legend colour by their coverage.
void drawLabel(Image& dst, const GlyphAtlas& font, int left, int top, std::string_view text) {
  int width = 0;
  for (char ch : text)
    if (const AtlasGlyph* g = font.find(uint8_t(ch))) width += g->advance;
  for (int y = 0; y < font.lineHeight; ++y)
    for (int x = 0; x < width; ++x) dst.at(left + x, top + y) = kLabelBack;
  int pen = left;
  const int baseline = top + font.ascent;
  for (char ch : text) {
    const AtlasGlyph* g = font.find(uint8_t(ch));
    if (!g) continue;
    for (int y = 0; y < g->h; ++y)
      for (int x = 0; x < g->w; ++x) {
        const int cov = font.coverage[size_t(g->y + y) * size_t(font.width) + size_t(g->x + x)];
        const int dx = pen + g->bearingX + x, dy = baseline - g->bearingY + y;
        if (cov == 0 || dx < 0 || dy < 0 || dx >= dst.width || dy >= dst.height) continue;
        uint32_t& p = dst.at(dx, dy);
        p = mix(p, kLegend, cov / 255.0);
      }
    pen += g->advance;
  }
}

}  // namespace

Image composePreview(const SkinSet& skin) {
  Image out = skin.images[2];

  // Knob pointers and value texts of a typical setting.
  struct Sample {
    const char* knob;
    const char* label;
    double value;
    const char* text;
  };
  const Sample samples[] = {
      {"ThresholdControl", "ThresholdLabel", 0.5, "-20.0"},
      {"OutputGainControl", "OutputGainLabel", 0.55, "4.000"},
      {"RatioControl", "RatioLabel", 0.75, "2:1"},
      {"AttackControl", "AttackLabel", 0.3, "1.585"},
      {"ReleaseControl", "ReleaseLabel", 0.5, "158.1"},
      {"InGainControl", "InGainLabel", 0.5, "0.000"},
      {"BalanceControl", "BalanceLabel", 0.5, "0"},
      {"PdeRateControl", "PdeRateLabel", 0.5, "50.00"},
      {"PdeTimeControl", "PdeTimeLabel", 0.5, "200.0"},
      {"Release2Control", "Release2Label", 0.0, "20.00"},
      {"Release2LevelControl", "Release2LevelLabel", 1.0, "100.0"},
      {"KneeControl", "KneeLabel", 0.5, "50.00"},
      {"LinearityControl", "LinearityLabel", 0.0, "0.000"},
      {"DetectorFreqControl", "DetectorFreqLabel", 0.25, "3.162"},
      {"LowControl", "LowLabel", 0.5, "0.000"},
      {"MidControl", "MidLabel", 0.75, "10.00"},
      {"HighControl", "HighLabel", 1.0, "20.00"},
  };
  for (const Sample& s : samples) {
    const Control& k = control(s.knob);
    const bool large = k.kind == ControlKind::KnobLarge;
    blit(out, skin.images[large ? 1 : 6], k.left, k.top, k.width, k.height, int(kKeyBlack));
    drawPointer(out, k, skin.images[large ? 0 : 7],
                large ? kLargeKnob.pointerRadius : kSmallKnob.pointerRadius, s.value);
    const Control& l = control(s.label);
    drawLabel(out, skin.font11, l.left, l.top, s.text);
  }

  // Lit lamps and selector positions.
  for (const char* sw : {"AutoGainSwitch", "DetectorEQSwitch"}) {
    const Control& c = control(sw);
    blit(out, skin.images[5], c.left, c.top, 13, 13, int(kKeyBlack));
  }
  const Control& ab = control("ABSwitch");
  blit(out, skin.images[4], ab.left, ab.top, 13, 13, int(kKeyBlack));
  for (const char* sel : {"ReleaseType2", "LinkType0"}) {
    const Control& c = control(sel);
    blit(out, skin.images[3], c.left, c.top, 30, 10, int(kKeyBlack));
  }

  // Meters: input bars at -12 and -18 dB, output at -9 and -14 dB, 6 dB of reduction
  // at scale 2:1 on the left and 4 dB on the right.
  blit(out, skin.meterInLit, 34, 224, 96, 10, -1);
  blit(out, skin.meterInLit, 34, 237, 84, 10, -1);
  blit(out, skin.meterCover, 167, 86, 10, 120 - 102, -1);
  blit(out, skin.meterCover, 180, 86, 10, 120 - 92, -1);
  blit(out, skin.meterCover, 213, 86, 10, 120, -1);
  blit(out, skin.meterCover, 226, 86, 10, 120, -1);
  blit(out, skin.meterReduction, 213, 86, 10, 24, -1);
  blit(out, skin.meterReduction, 226, 86, 10, 16, -1);

  // Captions and readouts.
  drawLabel(out, skin.font9, 50, 68, "Out / In Transfer");
  drawLabel(out, skin.font9, 155, 68, " -8.2 -12.0");
  drawLabel(out, skin.font9, 202, 68, " -6.0 -4.0");
  drawLabel(out, skin.font9, 160, 223, "-11.0");
  drawLabel(out, skin.font9, 160, 236, "-17.0");
  drawLabel(out, skin.font9, 203, 209, "Scale 2:1");
  return out;
}

Image spriteSheet(const SkinSet& skin, int zoom) {
  const int order[] = {0, 7, 4, 5, 3};
  int width = 8, height = 0;
  for (int i : order) {
    width += skin.images[size_t(i)].width * zoom + 8;
    height = std::max(height, skin.images[size_t(i)].height * zoom);
  }
  Image sheet(width, height + 16, 0x808080);
  int x0 = 8;
  for (int i : order) {
    const Image& img = skin.images[size_t(i)];
    for (int y = 0; y < img.height * zoom; ++y)
      for (int x = 0; x < img.width * zoom; ++x)
        sheet.at(x0 + x, 8 + y) = img.at(x / zoom, y / zoom);
    x0 += img.width * zoom + 8;
  }
  return sheet;
}

Image zoomCrop(const Image& img, int x0, int y0, int w, int h, int zoom) {
  Image out(w * zoom, h * zoom);
  for (int y = 0; y < h * zoom; ++y)
    for (int x = 0; x < w * zoom; ++x) {
      const int sx = std::min(img.width - 1, x0 + x / zoom),
                sy = std::min(img.height - 1, y0 + y / zoom);
      out.at(x, y) = img.at(sx, sy);
    }
  return out;
}

}  // namespace tarvo::skingen
