// Pre-rendered fonts: a glyph atlas file, its loader and text drawing.
//
// File format (all numbers little-endian):
//
//   header, 20 bytes:
//     char magic[4] = "TVGA"
//     u16  version = 1
//     u16  pixelSize      nominal character height in pixels (9, 11)
//     i16  ascent         pixels from the top of a line down to the baseline
//     i16  descent        pixels from the baseline down to the bottom of a line
//     i16  lineHeight     pixels from one line's top to the next
//     u16  glyphCount
//     u16  atlasWidth
//     u16  atlasHeight
//   glyphCount records, 18 bytes each, packed in this order:
//     u32  codepoint
//     i16  advance        whole pixels the pen moves after the glyph
//     i16  bearingX       pixels from the pen to the glyph's left column
//     i16  bearingY       pixels from the baseline up to the glyph's top row
//     u16  x, y, w, h     the glyph's coverage rectangle in the atlas
//   atlasWidth * atlasHeight bytes of 8-bit coverage (0 none, 255 full), row-major, top row
//   first.
//
// Records of 24 bytes (the 18 bytes above followed by 6 reserved bytes) are read as well;
// the record size is told by the file length, which must match one of the two exactly.
// The panel's atlases hold the codepoints 32..126.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "toolkit/canvas.h"
#include "toolkit/colour.h"

namespace tarvo::toolkit {

struct GlyphRecord {
  uint32_t codepoint = 0;
  int16_t advance = 0;
  int16_t bearingX = 0;
  int16_t bearingY = 0;
  uint16_t x = 0;
  uint16_t y = 0;
  uint16_t w = 0;
  uint16_t h = 0;
};

inline constexpr size_t kGlyphAtlasHeaderBytes = 20;
inline constexpr size_t kGlyphRecordBytes = 18;
inline constexpr size_t kGlyphRecordPaddedBytes = 24;

// The decoded content of an atlas file.
struct GlyphAtlasData {
  uint16_t pixelSize = 0;
  int16_t ascent = 0;
  int16_t descent = 0;
  int16_t lineHeight = 0;
  uint16_t atlasWidth = 0;
  uint16_t atlasHeight = 0;
  std::vector<GlyphRecord> glyphs;
  std::vector<uint8_t> coverage;  // atlasWidth * atlasHeight, top row first
};

// Writes the file format above (18-byte records); used by the atlas generator and tests.
std::vector<uint8_t> EncodeGlyphAtlas(const GlyphAtlasData& data);

// A loaded font: metrics, glyph lookup and text drawing.
class GlyphAtlas {
 public:
  // Reads an atlas file. Throws EGlyphAtlasError for a wrong magic or version, a length that
  // does not match the header, or a glyph rectangle outside the atlas.
  static GlyphAtlas Load(std::span<const uint8_t> file);
  explicit GlyphAtlas(GlyphAtlasData data);

  int PixelSize() const { return data_.pixelSize; }
  int Ascent() const { return data_.ascent; }
  int Descent() const { return data_.descent; }
  int LineHeight() const { return data_.lineHeight; }

  // The glyph of an 8-bit character; characters without a glyph use '?' when present.
  const GlyphRecord* Find(unsigned char c) const;
  // Sum of the advances, in pixels.
  int TextWidth(std::string_view text) const;
  // Draws `text` with the top of its line at (x, top), mixing `colour` into the canvas by
  // each glyph pixel's coverage.
  void DrawText(Canvas& canvas, int x, int top, std::string_view text, Pixel colour) const;

 private:
  GlyphAtlasData data_;
  int16_t index_[256];  // glyph index per 8-bit character, -1 when missing
};

}  // namespace tarvo::toolkit
