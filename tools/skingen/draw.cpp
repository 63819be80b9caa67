// Cairo canvas, font loading and hinted text for the artwork.
#include "draw.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <stdexcept>

namespace tarvo::skingen {

namespace {

FT_Library ftLibrary() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) throw std::runtime_error("FreeType failed to start");
    return l;
  }();
  return lib;
}

cairo_font_face_t* loadFace(const std::string& path) {
  FT_Face face = nullptr;
  if (FT_New_Face(ftLibrary(), path.c_str(), 0, &face) != 0)
    throw std::runtime_error("cannot load font " + path);
  cairo_font_face_t* cf = cairo_ft_font_face_create_for_ft_face(face, 0);
  // The FT_Face must live as long as Cairo uses it: release it with the Cairo face.
  static const cairo_user_data_key_t key{};
  cairo_font_face_set_user_data(cf, &key, face,
                                [](void* p) { FT_Done_Face(static_cast<FT_Face>(p)); });
  return cf;
}

void applyStyle(cairo_t* cr, const Fonts& fonts, const TextStyle& style) {
  cairo_set_font_face(cr, style.bold ? fonts.bold : fonts.regular);
  cairo_set_font_size(cr, style.size);
  cairo_font_options_t* o = cairo_font_options_create();
  cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_ON);
  cairo_set_font_options(cr, o);
  cairo_font_options_destroy(o);
}

}  // namespace

Fonts loadFonts(const std::string& fontDir) {
  Fonts f;
  f.regular = loadFace(fontDir + "/LiberationSans-Regular.ttf");
  f.bold = loadFace(fontDir + "/LiberationSans-Bold.ttf");
  return f;
}

void releaseFonts(Fonts& fonts) {
  if (fonts.regular) cairo_font_face_destroy(fonts.regular);
  if (fonts.bold) cairo_font_face_destroy(fonts.bold);
  fonts = {};
}

Canvas::Canvas(int width, int height)
    : width_(width),
      height_(height),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
      cr_(cairo_create(surface_)) {}

Canvas::~Canvas() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

uint32_t mix(uint32_t a, uint32_t b, double t) {
  auto ch = [&](int shift) {
    const double ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
    return uint32_t(std::lround(ca + (cb - ca) * t)) << shift;
  };
  return ch(16) | ch(8) | ch(0);
}

namespace {

// Reads one premultiplied ARGB pixel and composes it over an opaque colour.
uint32_t over(uint32_t argb, uint32_t matte) {
  const uint32_t a = argb >> 24;
  auto ch = [&](int shift) {
    const uint32_t src = (argb >> shift) & 0xFF;  // already multiplied by alpha
    const uint32_t dst = (matte >> shift) & 0xFF;
    const uint32_t v = src + (dst * (255 - a) + 127) / 255;
    return (v > 255 ? 255u : v) << shift;
  };
  return ch(16) | ch(8) | ch(0);
}

}  // namespace

template <class PixelFn>
Image Canvas::mapPixels(PixelFn toPixel) const {
  cairo_surface_flush(surface_);
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  Image img(width_, height_);
  for (int y = 0; y < height_; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(data + size_t(y) * size_t(stride));
    for (int x = 0; x < width_; ++x) img.at(x, y) = toPixel(row[x]);
  }
  return img;
}

Image Canvas::toImage(uint32_t matte) const {
  return mapPixels([matte](uint32_t argb) { return over(argb, matte); });
}

Image Canvas::toKeyedImage(uint32_t matte, uint32_t key) const {
  return mapPixels([matte, key](uint32_t argb) {
    if ((argb >> 24) < 32) return key;
    const uint32_t c = over(argb, matte);
    return c == key ? c ^ 0x000001 : c;  // one step of blue away from the key: invisible, but drawn
  });
}

double textWidth(cairo_t* cr, const Fonts& fonts, std::string_view text, const TextStyle& style) {
  cairo_save(cr);
  applyStyle(cr, fonts, style);
  const std::string s(text);
  cairo_text_extents_t e;
  cairo_text_extents(cr, s.c_str(), &e);
  cairo_restore(cr);
  size_t glyphs = 0;
  for (char ch : text) glyphs += (uint8_t(ch) & 0xC0) != 0x80;
  return e.x_advance + style.tracking * (glyphs == 0 ? 0 : double(glyphs - 1));
}

double capHeight(cairo_t* cr, const Fonts& fonts, const TextStyle& style) {
  cairo_save(cr);
  applyStyle(cr, fonts, style);
  cairo_text_extents_t e;
  cairo_text_extents(cr, "H", &e);
  cairo_restore(cr);
  return -e.y_bearing;
}

void textAt(cairo_t* cr, const Fonts& fonts, std::string_view text, double x, double y,
            const TextStyle& style, Align align) {
  const double w = textWidth(cr, fonts, text, style);
  if (align == Align::Centre) x -= w / 2;
  if (align == Align::Right) x -= w;
  x = std::round(x);
  y = std::round(y);
  cairo_save(cr);
  applyStyle(cr, fonts, style);
  setColour(cr, style.colour);
  if (style.tracking == 0) {
    cairo_move_to(cr, x, y);
    const std::string s(text);
    cairo_show_text(cr, s.c_str());
  } else {
    // Letter-spaced titles: one glyph at a time, each pen position on a whole pixel.
    // Whole UTF-8 sequences, so that a multi-byte character stays one glyph.
    double pen = x;
    for (size_t i = 0; i < text.size();) {
      size_t n = 1;
      while (i + n < text.size() && (uint8_t(text[i + n]) & 0xC0) == 0x80) ++n;
      const std::string one(text.substr(i, n));
      i += n;
      cairo_move_to(cr, std::round(pen), y);
      cairo_show_text(cr, one.c_str());
      cairo_text_extents_t e;
      cairo_text_extents(cr, one.c_str(), &e);
      pen += e.x_advance + style.tracking;
    }
  }
  cairo_restore(cr);
}

void textCentred(cairo_t* cr, const Fonts& fonts, std::string_view text, double cx, double cy,
                 const TextStyle& style) {
  const double ch = capHeight(cr, fonts, style);
  textAt(cr, fonts, text, cx, cy + ch / 2, style, Align::Centre);
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  const double pi = 3.14159265358979323846;
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -pi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, pi / 2);
  cairo_arc(cr, x + r, y + h - r, r, pi / 2, pi);
  cairo_arc(cr, x + r, y + r, r, pi, 3 * pi / 2);
  cairo_close_path(cr);
}

}  // namespace tarvo::skingen
