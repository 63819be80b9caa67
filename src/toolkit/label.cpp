#include "toolkit/label.h"

#include <utility>

#include "toolkit/glyph_atlas.h"

namespace tarvo::toolkit {

void TLabel::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  Invalidate();  // the old text's area
  FitToText();   // marks the old and new areas when the size changes
}

void TLabel::SetFont(const GlyphAtlas* font) {
  if (font == font_) return;
  font_ = font;
  Invalidate();
  FitToText();
}

void TLabel::SetFontColour(Pixel colour) {
  if (colour == fontColour_) return;
  fontColour_ = colour;
  Invalidate();
}

void TLabel::SetColour(Pixel colour) {
  if (colour == colour_) return;
  colour_ = colour;
  Invalidate();
}

void TLabel::SetAutoSize(bool autoSize) {
  autoSize_ = autoSize;
  FitToText();
}

void TLabel::FitToText() {
  if (!autoSize_ || font_ == nullptr) return;
  SetBounds(Left(), Top(), font_->TextWidth(caption_), font_->LineHeight());
}

void TLabel::Paint(Canvas& canvas) {
  canvas.Fill(Rect{0, 0, Width(), Height()}, colour_);
  if (font_ != nullptr) font_->DrawText(canvas, 0, 0, caption_, fontColour_);
}

}  // namespace tarvo::toolkit
