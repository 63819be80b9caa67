// A minimal reader of the skin blocks for the tests: DIB images (u16 width, u16
// height, BGRA rows bottom-up) and "TVGA" glyph atlases.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace tarvo::skin::test {

inline uint16_t u16(std::span<const uint8_t> b, size_t at) {
  return uint16_t(b[at] | (b[at + 1] << 8));
}
inline int16_t i16(std::span<const uint8_t> b, size_t at) {
  return int16_t(u16(b, at));
}
inline uint32_t u32(std::span<const uint8_t> b, size_t at) {
  return uint32_t(u16(b, at)) | (uint32_t(u16(b, at + 2)) << 16);
}

// An image with pixels as 0xAARRGGBB, top row first.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> argb;
  uint32_t rgb(int x, int y) const {
    return argb[size_t(y) * size_t(width) + size_t(x)] & 0xFFFFFF;
  }
  uint32_t alpha(int x, int y) const { return argb[size_t(y) * size_t(width) + size_t(x)] >> 24; }
};

// Reads a DIB block; nothing when the block's length does not match its header.
inline std::optional<Picture> readDib(std::span<const uint8_t> b) {
  if (b.size() < 4) return std::nullopt;
  Picture p;
  p.width = u16(b, 0);
  p.height = u16(b, 2);
  if (b.size() != 4 + size_t(p.width) * size_t(p.height) * 4) return std::nullopt;
  p.argb.resize(size_t(p.width) * size_t(p.height));
  for (int row = 0; row < p.height; ++row) {
    const int y = p.height - 1 - row;  // stored bottom row first
    for (int x = 0; x < p.width; ++x) {
      const size_t at = 4 + (size_t(row) * size_t(p.width) + size_t(x)) * 4;
      p.argb[size_t(y) * size_t(p.width) + size_t(x)] =
          uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) |
          (uint32_t(b[at + 3]) << 24);
    }
  }
  return p;
}

struct Glyph {
  uint32_t codepoint;
  int advance, bearingX, bearingY, x, y, w, h;
};

struct Atlas {
  int pixelSize, ascent, descent, lineHeight, width, height;
  std::vector<Glyph> glyphs;
  std::span<const uint8_t> coverage;
};

inline constexpr size_t kAtlasHeader = 20, kAtlasRecord = 24;

// Reads a glyph atlas; nothing when the magic, version or length is wrong.
inline std::optional<Atlas> readAtlas(std::span<const uint8_t> b) {
  if (b.size() < kAtlasHeader || std::memcmp(b.data(), "TVGA", 4) != 0 || u16(b, 4) != 1)
    return std::nullopt;
  Atlas a;
  a.pixelSize = u16(b, 6);
  a.ascent = i16(b, 8);
  a.descent = i16(b, 10);
  a.lineHeight = i16(b, 12);
  const size_t count = u16(b, 14);
  a.width = u16(b, 16);
  a.height = u16(b, 18);
  const size_t pixels = kAtlasHeader + count * kAtlasRecord;
  if (b.size() != pixels + size_t(a.width) * size_t(a.height)) return std::nullopt;
  for (size_t i = 0; i < count; ++i) {
    const size_t at = kAtlasHeader + i * kAtlasRecord;
    a.glyphs.push_back({u32(b, at), i16(b, at + 4), i16(b, at + 6), i16(b, at + 8), u16(b, at + 10),
                        u16(b, at + 12), u16(b, at + 14), u16(b, at + 16)});
  }
  a.coverage = b.subspan(pixels);
  return a;
}

}  // namespace tarvo::skin::test
