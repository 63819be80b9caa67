// Small images and fonts built in memory for the toolkit tests.
#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/glyph_atlas.h"
#include "toolkit/surface.h"

namespace tarvo::toolkit::testing {

// A plain stored block written byte by byte: rows given top-down, stored bottom-up.
inline std::vector<uint8_t> PlainBlock(int width, int height,
                                       const std::vector<std::vector<Pixel>>& rowsTopDown) {
  std::vector<uint8_t> out = {static_cast<uint8_t>(width), static_cast<uint8_t>(width >> 8),
                              static_cast<uint8_t>(height), static_cast<uint8_t>(height >> 8)};
  for (auto row = rowsTopDown.rbegin(); row != rowsTopDown.rend(); ++row) {
    for (Pixel p : *row) {
      out.push_back(BlueOf(p));
      out.push_back(GreenOf(p));
      out.push_back(RedOf(p));
      out.push_back(static_cast<uint8_t>(p >> 24));
    }
  }
  return out;
}

// A font whose printable characters (32..126) are solid blocks: each glyph is `glyphWidth`
// x `glyphHeight` pixels of full coverage, except the space (no pixels) and 'h', whose
// columns carry coverage 255, 128, 0, ... to check mixing. Advance = width + 1, ascent =
// glyph height (glyph top on the line top), line height = glyph height + 2.
inline GlyphAtlasData BlockFont(int glyphWidth = 2, int glyphHeight = 3) {
  GlyphAtlasData font;
  font.pixelSize = static_cast<uint16_t>(glyphHeight);
  font.ascent = static_cast<int16_t>(glyphHeight);
  font.descent = 2;
  font.lineHeight = static_cast<int16_t>(glyphHeight + 2);
  font.atlasWidth = static_cast<uint16_t>(95 * glyphWidth);
  font.atlasHeight = static_cast<uint16_t>(glyphHeight);
  font.coverage.assign(size_t{font.atlasWidth} * font.atlasHeight, 0);
  for (uint32_t c = 32; c <= 126; ++c) {
    const int x = static_cast<int>(c - 32) * glyphWidth;
    GlyphRecord g{c,
                  static_cast<int16_t>(glyphWidth + 1),
                  0,
                  static_cast<int16_t>(glyphHeight),
                  static_cast<uint16_t>(x),
                  0,
                  static_cast<uint16_t>(c == ' ' ? 0 : glyphWidth),
                  static_cast<uint16_t>(glyphHeight)};
    font.glyphs.push_back(g);
    if (c == ' ') continue;
    for (int row = 0; row < glyphHeight; ++row) {
      for (int col = 0; col < glyphWidth; ++col) {
        const uint8_t full = 255;
        const uint8_t stripes = col % 3 == 0 ? 255 : (col % 3 == 1 ? 128 : 0);
        font.coverage[static_cast<size_t>(row) * font.atlasWidth + x + col] =
            c == 'h' ? stripes : full;
      }
    }
  }
  return font;
}

}  // namespace tarvo::toolkit::testing
