// The decoded skin: the image list, the meter bitmaps and the two label fonts, decoded
// once from the embedded blocks and shared (read-only) by every window.
#pragma once

#include "toolkit/dib_image_list.h"
#include "toolkit/glyph_atlas.h"
#include "toolkit/surface.h"

namespace tarvo::editor {

struct EditorSkin {
  toolkit::TDIBImageList images;  // the eight skin images in index order
  toolkit::Surface meterInputLit;
  toolkit::Surface meterCover;
  toolkit::Surface meterReductionLit;
  toolkit::GlyphAtlas font9;   // captions, readouts, graph axis labels
  toolkit::GlyphAtlas font11;  // value labels
};

// The skin, decoded at the first call (thread-safe) and kept for the life of the process.
const EditorSkin& Skin();

}  // namespace tarvo::editor
