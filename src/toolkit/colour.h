// 32-bit BGRA pixels and the colours the toolkit uses by default.
#pragma once

#include <bit>
#include <cstdint>

namespace tarvo::toolkit {

static_assert(std::endian::native == std::endian::little,
              "pixels are stored as B, G, R, A bytes in a little-endian uint32_t");

// One pixel as it lies in memory: bytes blue, green, red, alpha, i.e. the value 0xAARRGGBB.
using Pixel = uint32_t;

// A colour written 0xRRGGBB (as printed in the artwork notes), made opaque.
constexpr Pixel Rgb(uint32_t rrggbb) {
  return 0xFF000000u | (rrggbb & 0x00FFFFFFu);
}

constexpr Pixel Rgb(uint8_t r, uint8_t g, uint8_t b) {
  return 0xFF000000u | (uint32_t{r} << 16) | (uint32_t{g} << 8) | uint32_t{b};
}

// The colour part of a pixel, alpha ignored; colour keys compare this.
constexpr uint32_t RgbOf(Pixel p) {
  return p & 0x00FFFFFFu;
}

constexpr uint8_t RedOf(Pixel p) {
  return static_cast<uint8_t>(p >> 16);
}
constexpr uint8_t GreenOf(Pixel p) {
  return static_cast<uint8_t>(p >> 8);
}
constexpr uint8_t BlueOf(Pixel p) {
  return static_cast<uint8_t>(p);
}

// Light yellow: the tooltip background colour of common systems, used for all panel text.
inline constexpr Pixel kTextColour = Rgb(0xFFFFE1);
// The near-black behind labels and the chart.
inline constexpr Pixel kPanelBlack = Rgb(0x111111);

}  // namespace tarvo::toolkit
