// Pre-rendered glyph atlas of one font at one pixel size, and its binary form.
//
// Binary form, little-endian:
//   char magic[4] "TVGA"; u16 version (1); u16 pixelSize; i16 ascent; i16 descent;
//   i16 lineHeight; u16 glyphCount; u16 atlasWidth; u16 atlasHeight;        (20 bytes)
//   glyphCount records of 24 bytes: u32 codepoint; i16 advance; i16 bearingX;
//     i16 bearingY; u16 x; u16 y; u16 w; u16 h; 6 reserved bytes (zero);
//   atlasWidth * atlasHeight bytes of 8-bit coverage, row-major, top row first.
// ascent and descent are whole pixels above and below the baseline (both positive),
// lineHeight = ascent + descent; bearingY is the distance from the baseline up to the
// glyph's top row, bearingX from the pen to its left column; advance moves the pen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvo::skingen {

struct AtlasGlyph {
  uint32_t codepoint;
  int16_t advance, bearingX, bearingY;
  uint16_t x, y, w, h;
};

struct GlyphAtlas {
  int pixelSize = 0;
  int ascent = 0, descent = 0, lineHeight = 0;
  int width = 0, height = 0;
  std::vector<AtlasGlyph> glyphs;  // codepoints 32..126 in order
  std::vector<uint8_t> coverage;   // width * height

  const AtlasGlyph* find(uint32_t codepoint) const;
};

inline constexpr size_t kAtlasHeaderSize = 20;
inline constexpr size_t kAtlasRecordSize = 24;

// Renders codepoints 32..126 of the font hinted (FreeType's normal hinting, 8-bit
// anti-aliased coverage) at an em height of pixelSize pixels. Throws on failure.
GlyphAtlas buildGlyphAtlas(const std::string& fontPath, int pixelSize);

std::vector<uint8_t> encodeGlyphAtlas(const GlyphAtlas& atlas);

}  // namespace tarvo::skingen
