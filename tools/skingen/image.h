// An opaque picture in memory as the generator hands it to the writers: 0xRRGGBB
// per pixel, rows top to bottom.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvo::skingen {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> rgb;  // 0x00RRGGBB, top row first

  Image() = default;
  Image(int w, int h, uint32_t fill = 0) : width(w), height(h), rgb(size_t(w) * size_t(h), fill) {}
  uint32_t& at(int x, int y) { return rgb[size_t(y) * size_t(width) + size_t(x)]; }
  uint32_t at(int x, int y) const { return rgb[size_t(y) * size_t(width) + size_t(x)]; }
};

// The stored DIB block: u16 width, u16 height (little-endian), then BGRA pixels with
// alpha 255, bottom row first, no padding.
std::vector<uint8_t> encodeDib(const Image& image);

// Writes bytes to a file; throws std::runtime_error on failure.
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

// Writes the picture as a PNG through Cairo; throws std::runtime_error on failure.
void writePng(const std::string& path, const Image& image);

}  // namespace tarvo::skingen
