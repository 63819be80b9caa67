// tarvo_skingen: renders the skin images, meter bitmaps and glyph atlases of the
// Tarvo editor into the skin folder, and preview PNGs into the preview folder.
//
//   tarvo_skingen --skin-dir src/editor/skin --preview-dir docs/skin-preview
//                 [--font-dir /usr/share/fonts/truetype/liberation2]
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "artwork.h"
#include "glyph_atlas.h"
#include "preview.h"

using namespace tarvo::skingen;

namespace {

// File names of the skin images by index, as the skin library embeds them.
constexpr const char* kImageFiles[8] = {
    "index_pointer.dib",     "knob_large.dib",      "chassis.dib",    "selector_right.dib",
    "green_microswitch.dib", "red_microswitch.dib", "knob_small.dib", "index_pointer_small.dib",
};

void usage() {
  std::fprintf(stderr,
               "usage: tarvo_skingen --skin-dir DIR --preview-dir DIR [--font-dir DIR]\n"
               "       [--inspect-dir DIR]  (also: quarters of the composed panel, zoomed)\n"
               "  writes the eight skin images, three meter bitmaps and two glyph atlases\n"
               "  into the skin folder and PNG previews into the preview folder\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::string skinDir, previewDir, inspectDir, fontDir = "/usr/share/fonts/truetype/liberation2";
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (!std::strcmp(argv[i], "--skin-dir") && hasValue)
      skinDir = argv[++i];
    else if (!std::strcmp(argv[i], "--preview-dir") && hasValue)
      previewDir = argv[++i];
    else if (!std::strcmp(argv[i], "--font-dir") && hasValue)
      fontDir = argv[++i];
    else if (!std::strcmp(argv[i], "--inspect-dir") && hasValue)
      inspectDir = argv[++i];
    else {
      usage();
      return 2;
    }
  }
  if (skinDir.empty() || previewDir.empty()) {
    usage();
    return 2;
  }

  try {
    Fonts fonts = loadFonts(fontDir);
    SkinSet skin;
    for (int i = 0; i < 8; ++i)
      skin.images[size_t(i)] = (i == 2) ? paintChassis(fonts) : paintSprite(i);
    releaseFonts(fonts);
    skin.meterInLit = paintMeterInputLit();
    skin.meterCover = paintMeterCover();
    skin.meterReduction = paintMeterReductionLit();
    const std::string regular = fontDir + "/LiberationSans-Regular.ttf";
    skin.font9 = buildGlyphAtlas(regular, 9);
    skin.font11 = buildGlyphAtlas(regular, 11);

    for (int i = 0; i < 8; ++i)
      writeFile(skinDir + "/" + kImageFiles[i], encodeDib(skin.images[size_t(i)]));
    writeFile(skinDir + "/meter_input_lit.dib", encodeDib(skin.meterInLit));
    writeFile(skinDir + "/meter_cover.dib", encodeDib(skin.meterCover));
    writeFile(skinDir + "/meter_reduction_lit.dib", encodeDib(skin.meterReduction));
    writeFile(skinDir + "/liberation_sans_9.tvga", encodeGlyphAtlas(skin.font9));
    writeFile(skinDir + "/liberation_sans_11.tvga", encodeGlyphAtlas(skin.font11));

    writePng(previewDir + "/chassis.png", skin.images[2]);
    writePng(previewDir + "/panel-composed.png", composePreview(skin));
    writePng(previewDir + "/small-images-x8.png", spriteSheet(skin, 8));
    writePng(previewDir + "/meter-input-lit.png", skin.meterInLit);
    writePng(previewDir + "/meter-cover.png", skin.meterCover);
    writePng(previewDir + "/meter-reduction-lit.png", skin.meterReduction);
    if (!inspectDir.empty()) {
      // Four quarters of the composed panel at three times the size, for close checks.
      const Image panel = composePreview(skin);
      for (int q = 0; q < 4; ++q) {
        const int x0 = (q % 2) * 322, y0 = (q / 2) * 242;
        writePng(inspectDir + "/quarter" + std::to_string(q) + ".png",
                 zoomCrop(panel, x0, y0, 323, 243, 3));
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarvo_skingen: %s\n", e.what());
    return 1;
  }
  return 0;
}
