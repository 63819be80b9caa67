// Glyph atlas rendering with FreeType and its binary encoding.
#include "glyph_atlas.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_DRIVER_H
#include FT_MODULE_H

#include <algorithm>
#include <stdexcept>
#include <string>

namespace tarvo::skingen {

namespace {

constexpr uint32_t kFirst = 32, kLast = 126;
constexpr int kAtlasWidth = 128;

struct Bitmap {
  int w = 0, h = 0;
  std::vector<uint8_t> pixels;
};

void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v & 0xFF));
  out.push_back(uint8_t((v >> 8) & 0xFF));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

}  // namespace

const AtlasGlyph* GlyphAtlas::find(uint32_t codepoint) const {
  if (codepoint < kFirst || codepoint > kLast || glyphs.size() != kLast - kFirst + 1)
    return nullptr;
  return &glyphs[codepoint - kFirst];
}

GlyphAtlas buildGlyphAtlas(const std::string& fontPath, int pixelSize) {
  FT_Library lib = nullptr;
  if (FT_Init_FreeType(&lib) != 0) throw std::runtime_error("FreeType failed to start");
  // The font's own TrueType instructions, run by the classic interpreter (35) in both
  // directions as the Windows rasterizer runs them; the hinted advances then match
  // Arial's widths. (The auto-hinter gives sharper stems at 9 pixels but wider text.)
  FT_UInt interpreter = TT_INTERPRETER_VERSION_35;
  FT_Property_Set(lib, "truetype", "interpreter-version", &interpreter);
  FT_Face face = nullptr;
  if (FT_New_Face(lib, fontPath.c_str(), 0, &face) != 0) {
    FT_Done_FreeType(lib);
    throw std::runtime_error("cannot load font " + fontPath);
  }
  // An em height of pixelSize pixels: what a negative font height asks for on Windows.
  FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixelSize));

  GlyphAtlas atlas;
  atlas.pixelSize = pixelSize;
  atlas.ascent = int((face->size->metrics.ascender + 63) >> 6);
  atlas.descent = int((-face->size->metrics.descender + 63) >> 6);
  atlas.lineHeight = atlas.ascent + atlas.descent;

  std::vector<Bitmap> bitmaps;
  for (uint32_t cp = kFirst; cp <= kLast; ++cp) {
    if (FT_Load_Char(face, cp, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) {
      FT_Done_Face(face);
      FT_Done_FreeType(lib);
      throw std::runtime_error("cannot render character " + std::to_string(cp));
    }
    const FT_GlyphSlot g = face->glyph;
    AtlasGlyph ag{};
    ag.codepoint = cp;
    ag.advance = int16_t((g->advance.x + 32) >> 6);
    ag.bearingX = int16_t(g->bitmap_left);
    ag.bearingY = int16_t(g->bitmap_top);
    Bitmap b;
    b.w = int(g->bitmap.width);
    b.h = int(g->bitmap.rows);
    b.pixels.resize(size_t(b.w) * size_t(b.h));
    for (int y = 0; y < b.h; ++y)
      for (int x = 0; x < b.w; ++x)
        b.pixels[size_t(y) * size_t(b.w) + size_t(x)] = g->bitmap.buffer[y * g->bitmap.pitch + x];
    ag.w = uint16_t(b.w);
    ag.h = uint16_t(b.h);
    atlas.glyphs.push_back(ag);
    bitmaps.push_back(std::move(b));
  }
  FT_Done_Face(face);
  FT_Done_FreeType(lib);

  // Shelf packing in codepoint order with one empty pixel between glyphs.
  int penX = 1, penY = 1, shelf = 0;
  for (size_t i = 0; i < atlas.glyphs.size(); ++i) {
    AtlasGlyph& g = atlas.glyphs[i];
    if (g.w == 0 || g.h == 0) continue;  // the space has no pixels
    if (penX + g.w + 1 > kAtlasWidth) {
      penX = 1;
      penY += shelf + 1;
      shelf = 0;
    }
    g.x = uint16_t(penX);
    g.y = uint16_t(penY);
    penX += g.w + 1;
    shelf = std::max(shelf, int(g.h));
  }
  atlas.width = kAtlasWidth;
  atlas.height = penY + shelf + 1;
  atlas.coverage.assign(size_t(atlas.width) * size_t(atlas.height), 0);
  for (size_t i = 0; i < atlas.glyphs.size(); ++i) {
    const AtlasGlyph& g = atlas.glyphs[i];
    for (int y = 0; y < g.h; ++y)
      for (int x = 0; x < g.w; ++x)
        atlas.coverage[size_t(g.y + y) * size_t(atlas.width) + size_t(g.x + x)] =
            bitmaps[i].pixels[size_t(y) * size_t(g.w) + size_t(x)];
  }
  return atlas;
}

std::vector<uint8_t> encodeGlyphAtlas(const GlyphAtlas& atlas) {
  std::vector<uint8_t> out = {'T', 'V', 'G', 'A'};
  put16(out, 1);
  put16(out, uint32_t(atlas.pixelSize));
  put16(out, uint16_t(int16_t(atlas.ascent)));
  put16(out, uint16_t(int16_t(atlas.descent)));
  put16(out, uint16_t(int16_t(atlas.lineHeight)));
  put16(out, uint32_t(atlas.glyphs.size()));
  put16(out, uint32_t(atlas.width));
  put16(out, uint32_t(atlas.height));
  for (const AtlasGlyph& g : atlas.glyphs) {
    put32(out, g.codepoint);
    put16(out, uint16_t(g.advance));
    put16(out, uint16_t(g.bearingX));
    put16(out, uint16_t(g.bearingY));
    put16(out, g.x);
    put16(out, g.y);
    put16(out, g.w);
    put16(out, g.h);
    for (int pad = 0; pad < 6; ++pad) out.push_back(0);
  }
  out.insert(out.end(), atlas.coverage.begin(), atlas.coverage.end());
  return out;
}

}  // namespace tarvo::skingen
