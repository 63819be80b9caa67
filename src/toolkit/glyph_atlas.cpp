#include "toolkit/glyph_atlas.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "toolkit/errors.h"

namespace tarvo::toolkit {

namespace {

constexpr char kMagic[4] = {'T', 'V', 'G', 'A'};
constexpr uint16_t kVersion = 1;

uint16_t U16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
int16_t I16(const uint8_t* p) {
  return static_cast<int16_t>(U16(p));
}
uint32_t U32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  PutU16(out, static_cast<uint16_t>(v));
  PutU16(out, static_cast<uint16_t>(v >> 16));
}

}  // namespace

std::vector<uint8_t> EncodeGlyphAtlas(const GlyphAtlasData& data) {
  std::vector<uint8_t> out(kMagic, kMagic + 4);
  PutU16(out, kVersion);
  PutU16(out, data.pixelSize);
  PutU16(out, static_cast<uint16_t>(data.ascent));
  PutU16(out, static_cast<uint16_t>(data.descent));
  PutU16(out, static_cast<uint16_t>(data.lineHeight));
  PutU16(out, static_cast<uint16_t>(data.glyphs.size()));
  PutU16(out, data.atlasWidth);
  PutU16(out, data.atlasHeight);
  for (const GlyphRecord& g : data.glyphs) {
    PutU32(out, g.codepoint);
    PutU16(out, static_cast<uint16_t>(g.advance));
    PutU16(out, static_cast<uint16_t>(g.bearingX));
    PutU16(out, static_cast<uint16_t>(g.bearingY));
    PutU16(out, g.x);
    PutU16(out, g.y);
    PutU16(out, g.w);
    PutU16(out, g.h);
  }
  std::vector<uint8_t> coverage = data.coverage;
  coverage.resize(size_t{data.atlasWidth} * data.atlasHeight, 0);
  out.insert(out.end(), coverage.begin(), coverage.end());
  return out;
}

GlyphAtlas GlyphAtlas::Load(std::span<const uint8_t> file) {
  if (file.size() < kGlyphAtlasHeaderBytes || std::memcmp(file.data(), kMagic, 4) != 0) {
    throw EGlyphAtlasError("not a glyph atlas (no TVGA header)");
  }
  const uint8_t* p = file.data();
  if (U16(p + 4) != kVersion) {
    throw EGlyphAtlasError("glyph atlas version " + std::to_string(U16(p + 4)) + " is not 1");
  }
  GlyphAtlasData data;
  data.pixelSize = U16(p + 6);
  data.ascent = I16(p + 8);
  data.descent = I16(p + 10);
  data.lineHeight = I16(p + 12);
  const size_t count = U16(p + 14);
  data.atlasWidth = U16(p + 16);
  data.atlasHeight = U16(p + 18);
  // Sizes in 64 bits, so that no header can make them wrap around on a 32-bit target.
  const uint64_t pixels = uint64_t{data.atlasWidth} * data.atlasHeight;

  size_t recordBytes = 0;
  for (size_t candidate : {kGlyphRecordBytes, kGlyphRecordPaddedBytes}) {
    if (uint64_t{file.size()} == kGlyphAtlasHeaderBytes + uint64_t{count} * candidate + pixels) {
      recordBytes = candidate;
    }
  }
  if (recordBytes == 0) {
    throw EGlyphAtlasError("glyph atlas of " + std::to_string(file.size()) +
                           " bytes does not match its header (" + std::to_string(count) +
                           " glyphs, " + std::to_string(data.atlasWidth) + " x " +
                           std::to_string(data.atlasHeight) + " atlas)");
  }
  const uint8_t* r = p + kGlyphAtlasHeaderBytes;
  for (size_t i = 0; i < count; ++i, r += recordBytes) {
    GlyphRecord g{U32(r),      I16(r + 4),  I16(r + 6),  I16(r + 8),
                  U16(r + 10), U16(r + 12), U16(r + 14), U16(r + 16)};
    if (size_t{g.x} + g.w > data.atlasWidth || size_t{g.y} + g.h > data.atlasHeight) {
      throw EGlyphAtlasError("glyph " + std::to_string(g.codepoint) + " lies outside the atlas");
    }
    data.glyphs.push_back(g);
  }
  data.coverage.assign(r, r + static_cast<size_t>(pixels));
  return GlyphAtlas(std::move(data));
}

GlyphAtlas::GlyphAtlas(GlyphAtlasData data) : data_(std::move(data)) {
  std::fill(std::begin(index_), std::end(index_), int16_t{-1});
  data_.coverage.resize(size_t{data_.atlasWidth} * data_.atlasHeight, 0);
  for (size_t i = 0; i < data_.glyphs.size() && i < 0x7FFF; ++i) {
    GlyphRecord& g = data_.glyphs[i];
    // Glyphs built in memory are cut to the atlas as the loader would insist.
    g.w = static_cast<uint16_t>(std::min<int>(g.w, std::max(0, data_.atlasWidth - g.x)));
    g.h = static_cast<uint16_t>(std::min<int>(g.h, std::max(0, data_.atlasHeight - g.y)));
    if (g.codepoint < 256 && index_[g.codepoint] < 0) index_[g.codepoint] = static_cast<int16_t>(i);
  }
}

const GlyphRecord* GlyphAtlas::Find(unsigned char c) const {
  int16_t i = index_[c];
  if (i < 0) i = index_[static_cast<unsigned char>('?')];
  return i < 0 ? nullptr : &data_.glyphs[static_cast<size_t>(i)];
}

int GlyphAtlas::TextWidth(std::string_view text) const {
  int width = 0;
  for (char c : text) {
    if (const GlyphRecord* g = Find(static_cast<unsigned char>(c))) width += g->advance;
  }
  return width;
}

void GlyphAtlas::DrawText(Canvas& canvas, int x, int top, std::string_view text,
                          Pixel colour) const {
  const int baseline = top + data_.ascent;
  const Rect clip = canvas.LocalClip();
  int pen = x;
  for (char c : text) {
    const GlyphRecord* g = Find(static_cast<unsigned char>(c));
    if (g == nullptr) continue;
    const int left = pen + g->bearingX;
    const int glyphTop = baseline - g->bearingY;
    pen += g->advance;
    if (Intersect(Rect::FromSize(left, glyphTop, g->w, g->h), clip).Empty()) continue;
    for (int row = 0; row < g->h; ++row) {
      const uint8_t* cov =
          data_.coverage.data() + static_cast<size_t>(g->y + row) * data_.atlasWidth + g->x;
      for (int col = 0; col < g->w; ++col) {
        if (cov[col] != 0) canvas.BlendPixel(left + col, glyphTop + row, colour, cov[col]);
      }
    }
  }
}

}  // namespace tarvo::toolkit
