#include "editor/editor_skin.h"

#include <optional>

#include "editor/skin/skin_data.h"
#include "toolkit/dib_block.h"

namespace tarvo::editor {

namespace {

// Colour keys of the skin images: the pointers use grey 102, every other image with
// transparency uses black; the chassis is opaque.
std::optional<uint32_t> colourKeyOf(int index) {
  switch (index) {
    case skin::kIndexPointer:
    case skin::kIndexPointerSmall:
      return 0x666666u;
    case skin::kChassis:
      return std::nullopt;
    default:
      return 0x000000u;
  }
}

EditorSkin decode() {
  toolkit::TDIBImageList images;
  for (int i = 0; i < skin::kSkinImageCount; ++i) {
    images.AddBlock(std::string(skin::skinImageName(i)), skin::skinImage(i), colourKeyOf(i));
  }
  return EditorSkin{std::move(images),
                    toolkit::ReadDibBlock(skin::meterInputLit()),
                    toolkit::ReadDibBlock(skin::meterCover()),
                    toolkit::ReadDibBlock(skin::meterReductionLit()),
                    toolkit::GlyphAtlas::Load(skin::glyphAtlas9()),
                    toolkit::GlyphAtlas::Load(skin::glyphAtlas11())};
}

}  // namespace

const EditorSkin& Skin() {
  static const EditorSkin skin = decode();
  return skin;
}

}  // namespace tarvo::editor
