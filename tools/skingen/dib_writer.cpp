// Writers for the generator's output: DIB blocks, raw files and PNG previews.
#include <cairo.h>

#include <cstdio>
#include <stdexcept>

#include "image.h"

namespace tarvo::skingen {

std::vector<uint8_t> encodeDib(const Image& image) {
  if (image.width <= 0 || image.height <= 0 || image.width > 0xFFFF || image.height > 0xFFFF)
    throw std::runtime_error("DIB block: picture size out of range");
  std::vector<uint8_t> out;
  out.reserve(4 + image.rgb.size() * 4);
  out.push_back(uint8_t(image.width & 0xFF));
  out.push_back(uint8_t(image.width >> 8));
  out.push_back(uint8_t(image.height & 0xFF));
  out.push_back(uint8_t(image.height >> 8));
  // Bottom row first, each row left to right, blue green red alpha.
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      const uint32_t c = image.at(x, y);
      out.push_back(uint8_t(c & 0xFF));
      out.push_back(uint8_t((c >> 8) & 0xFF));
      out.push_back(uint8_t((c >> 16) & 0xFF));
      out.push_back(255);
    }
  }
  return out;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot open " + path + " for writing");
  const size_t written = std::fwrite(bytes.data(), 1, bytes.size(), f);
  const int closed = std::fclose(f);
  if (written != bytes.size() || closed != 0) throw std::runtime_error("cannot write " + path);
}

void writePng(const std::string& path, const Image& image) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, image.width, image.height);
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < image.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride));
    for (int x = 0; x < image.width; ++x) row[x] = image.at(x, y);
  }
  cairo_surface_mark_dirty(s);
  const cairo_status_t st = cairo_surface_write_to_png(s, path.c_str());
  cairo_surface_destroy(s);
  if (st != CAIRO_STATUS_SUCCESS)
    throw std::runtime_error("cannot write " + path + ": " + cairo_status_to_string(st));
}

}  // namespace tarvo::skingen
