// Preview pictures for people: the chassis with controls composed on top as the
// editor would show them, and a magnified sheet of the small images.
#pragma once

#include <array>

#include "glyph_atlas.h"
#include "image.h"

namespace tarvo::skingen {

struct SkinSet {
  std::array<Image, 8> images;  // by skin image index
  Image meterInLit, meterCover, meterReduction;
  GlyphAtlas font9, font11;
};

// The panel with every knob pointer at a sample position, one lamp and selector
// position lit, meters moving and sample texts in every label.
Image composePreview(const SkinSet& skin);

// The small images side by side, each magnified `zoom` times, on a neutral ground.
Image spriteSheet(const SkinSet& skin, int zoom);

// The rectangle (x0, y0, w, h) of `img`, each pixel repeated `zoom` times.
Image zoomCrop(const Image& img, int x0, int y0, int w, int h, int zoom);

}  // namespace tarvo::skingen
