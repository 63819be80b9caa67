// TLabel: one line of text from a glyph atlas on a solid background.
#pragma once

#include <string>

#include "toolkit/colour.h"
#include "toolkit/dib_control.h"

namespace tarvo::toolkit {

class GlyphAtlas;

// Left-aligned text, light yellow on 0x111111 unless told otherwise. With AutoSize (the
// default) the control is as wide as the text's advances and as high as the font's line,
// keeping its top-left corner. Setting the same caption again marks nothing.
class TLabel : public TCustomDIBControl {
 public:
  using TCustomDIBControl::TCustomDIBControl;

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  // The font (not owned); without one the label draws only its background.
  const GlyphAtlas* Font() const { return font_; }
  void SetFont(const GlyphAtlas* font);
  Pixel FontColour() const { return fontColour_; }
  void SetFontColour(Pixel colour);
  Pixel Colour() const { return colour_; }
  void SetColour(Pixel colour);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool autoSize);

 protected:
  void Paint(Canvas& canvas) override;

 private:
  void FitToText();

  std::string caption_;
  const GlyphAtlas* font_ = nullptr;
  Pixel fontColour_ = kTextColour;
  Pixel colour_ = kPanelBlack;
  bool autoSize_ = true;
};

}  // namespace tarvo::toolkit
