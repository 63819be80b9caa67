// The embedded glyph atlases: format, all 95 printable characters, and metrics that
// a label can be laid out with.
#include <gtest/gtest.h>

#include "editor/skin/skin_data.h"
#include "skin_reader.h"

using namespace tarvo::skin;
using test::Atlas;
using test::readAtlas;

namespace {

Atlas atlas(int size) {
  auto a = readAtlas(size == 9 ? glyphAtlas9() : glyphAtlas11());
  EXPECT_TRUE(a.has_value()) << "atlas " << size << " does not parse";
  return a.value_or(Atlas{});
}

const test::Glyph& glyph(const Atlas& a, char c) {
  return a.glyphs.at(size_t(uint8_t(c) - 32));
}

}  // namespace

TEST(GlyphAtlas, HeaderGivesSizeAndLineMetrics) {
  for (int size : {9, 11}) {
    const Atlas a = atlas(size);
    EXPECT_EQ(a.pixelSize, size);
    EXPECT_GT(a.ascent, 0);
    EXPECT_GT(a.descent, 0);
    EXPECT_EQ(a.lineHeight, a.ascent + a.descent);
    // Arial-compatible metrics: the line is a little taller than the em.
    EXPECT_GE(a.lineHeight, size + 1);
    EXPECT_LE(a.lineHeight, size + 3);
  }
}

TEST(GlyphAtlas, HoldsEveryPrintableCharacterInOrder) {
  for (int size : {9, 11}) {
    const Atlas a = atlas(size);
    ASSERT_EQ(a.glyphs.size(), 95u);
    for (size_t i = 0; i < a.glyphs.size(); ++i) EXPECT_EQ(a.glyphs[i].codepoint, 32 + i);
  }
}

TEST(GlyphAtlas, GlyphRectanglesLieInsideTheAtlasAndDoNotOverlap) {
  for (int size : {9, 11}) {
    const Atlas a = atlas(size);
    std::vector<int> owner(size_t(a.width) * size_t(a.height), -1);
    for (size_t i = 0; i < a.glyphs.size(); ++i) {
      const auto& g = a.glyphs[i];
      ASSERT_LE(g.x + g.w, a.width) << char(g.codepoint);
      ASSERT_LE(g.y + g.h, a.height) << char(g.codepoint);
      for (int y = g.y; y < g.y + g.h; ++y)
        for (int x = g.x; x < g.x + g.w; ++x) {
          int& o = owner[size_t(y) * size_t(a.width) + size_t(x)];
          EXPECT_EQ(o, -1) << "glyphs " << char(32 + o) << " and " << char(g.codepoint)
                           << " overlap";
          o = int(i);
        }
    }
  }
}

TEST(GlyphAtlas, VisibleGlyphsHaveInkAndTheSpaceHasNone) {
  for (int size : {9, 11}) {
    const Atlas a = atlas(size);
    const auto& space = glyph(a, ' ');
    EXPECT_EQ(space.w * space.h, 0);
    EXPECT_GT(space.advance, 0);
    for (const auto& g : a.glyphs) {
      if (g.codepoint == ' ') continue;
      ASSERT_GT(g.w * g.h, 0) << char(g.codepoint);
      // Some ink in the rectangle: at least half a pixel in all (the 9-pixel full stop
      // is small), and no glyph so faint that it disappears (thin stems may spread
      // over two pixels).
      int peak = 0, total = 0;
      for (int y = g.y; y < g.y + g.h; ++y)
        for (int x = g.x; x < g.x + g.w; ++x) {
          const int c = a.coverage[size_t(y) * size_t(a.width) + size_t(x)];
          peak = std::max(peak, c);
          total += c;
        }
      EXPECT_GE(peak, 96) << char(g.codepoint) << " at " << size << " px";
      EXPECT_GE(total, 128) << char(g.codepoint) << " at " << size << " px";
    }
  }
}

TEST(GlyphAtlas, MetricsFitTheLineAndLookLikeArial) {
  for (int size : {9, 11}) {
    const Atlas a = atlas(size);
    for (const auto& g : a.glyphs) {
      if (g.codepoint == ' ') continue;
      // Every glyph inside the line box (one pixel of slack for accents of hinting).
      EXPECT_LE(g.bearingY, a.ascent + 1) << char(g.codepoint);
      EXPECT_GE(g.bearingY - g.h, -a.descent - 1) << char(g.codepoint);
      EXPECT_GT(g.advance, 0) << char(g.codepoint);
      EXPECT_LE(g.advance, size + 2) << char(g.codepoint);
    }
    // Digits share one advance, so value texts do not jitter as they change.
    for (char c = '1'; c <= '9'; ++c) EXPECT_EQ(glyph(a, c).advance, glyph(a, '0').advance) << c;
    EXPECT_GT(glyph(a, 'M').advance, glyph(a, 'i').advance);
    // Baseline: digits stand on it, 'g' and 'p' go below it.
    EXPECT_EQ(glyph(a, '0').bearingY - glyph(a, '0').h, 0);
    EXPECT_LT(glyph(a, 'g').bearingY - glyph(a, 'g').h, 0);
    EXPECT_LT(glyph(a, 'p').bearingY - glyph(a, 'p').h, 0);
  }
  // The 11-pixel font is the larger one.
  EXPECT_GT(glyph(atlas(11), '0').advance + glyph(atlas(11), '0').h,
            glyph(atlas(9), '0').advance + glyph(atlas(9), '0').h);
}
