// A few facts about the composed panel, checked pixel by pixel against the skin images.
#include <gtest/gtest.h>

#include "editor/editor_skin.h"
#include "editor/skin/skin_data.h"
#include "editor_test_support.h"

namespace tarvo::editor::testing {
namespace {

using toolkit::Pixel;
using toolkit::Surface;

const Surface& SkinImage(int index) {
  return Skin().images.Item(index)->image;
}

// The panel with the window's controls fully composed.
const Surface& Composed(TPluginEditorWindow& window) {
  window.Compose();
  return window.Bitmap();
}

// True when the square of `image` drawn with its top-left corner at (left, top) shows on
// the panel wherever the image is not the key colour.
bool ShowsImage(const Surface& panel, const Surface& image, uint32_t key, int left, int top) {
  int drawn = 0;
  for (int y = 0; y < image.Height(); ++y) {
    for (int x = 0; x < image.Width(); ++x) {
      const Pixel p = image.At(x, y);
      if (toolkit::RgbOf(p) == key) continue;
      if (toolkit::RgbOf(panel.At(left + x, top + y)) != toolkit::RgbOf(p)) return false;
      ++drawn;
    }
  }
  return drawn > 0;
}

TEST(Pixels, LargeKnobPointerDotAtBothEnds) {
  const Surface& dot = SkinImage(skin::kIndexPointer);
  ParamArray values = FactoryProgram(0);
  values[params::kThreshold] = 0.0f;
  OpenWindow w(values);
  // Knob at 367, 85: the pointer centre lies at (14, 42) for the minimum and (34, 42) for
  // the maximum; the 10 x 10 dot is drawn 5 pixels up and left of it.
  EXPECT_TRUE(ShowsImage(Composed(w.window), dot, 0x666666, 367 + 14 - 5, 85 + 42 - 5));
  EXPECT_FALSE(ShowsImage(Composed(w.window), dot, 0x666666, 367 + 34 - 5, 85 + 42 - 5));
  values[params::kThreshold] = 1.0f;
  w.Refresh(values);
  EXPECT_TRUE(ShowsImage(Composed(w.window), dot, 0x666666, 367 + 34 - 5, 85 + 42 - 5));
  EXPECT_FALSE(ShowsImage(Composed(w.window), dot, 0x666666, 367 + 14 - 5, 85 + 42 - 5));
}

TEST(Pixels, SmallKnobPointerDotStraightUpAtTheMiddle) {
  ParamArray values = FactoryProgram(0);
  values[params::kEqMid] = 0.5f;
  OpenWindow w(values);
  // Knob at 480, 409, 39 x 39: centre (19, 19), radius 16, so the dot centre is (19, 3);
  // the 8 x 8 dot is drawn 4 pixels up and left of it.
  EXPECT_TRUE(ShowsImage(Composed(w.window), SkinImage(skin::kIndexPointerSmall), 0x666666,
                         480 + 19 - 4, 409 + 3 - 4));
}

// The pointer images are colour-keyed: around the dot, inside the pointer's square, the
// knob shows through. Compared with the same panel drawn without the pointer.
void ExpectKnobAroundTheDot(int tag, int skinIndex, int left, int top) {
  const Surface& dot = SkinImage(skinIndex);
  OpenWindow w;
  const Surface withPointer = Composed(w.window);
  w.window.knobs[tag]->SetIndexPointer(-1);
  const Surface& knobOnly = Composed(w.window);
  int around = 0, visible = 0;
  for (int y = 0; y < dot.Height(); ++y) {
    for (int x = 0; x < dot.Width(); ++x) {
      if (toolkit::RgbOf(dot.At(x, y)) != 0x666666) continue;
      ++around;
      const Pixel knob = knobOnly.At(left + x, top + y);
      ASSERT_EQ(withPointer.At(left + x, top + y), knob) << x << "," << y;
      // Where the knob is not the key's grey, a drawn key would show.
      if (toolkit::RgbOf(knob) != 0x666666) ++visible;
    }
  }
  EXPECT_GT(around, 0);
  EXPECT_GT(visible, 0);
}

TEST(Pixels, KnobShowsAroundThePointerDots) {
  // Program 0: Threshold at its maximum, pointer centre (34, 42) of the knob at 367, 85;
  // EQ Mid in the middle, pointer centre (19, 3) of the small knob at 480, 409.
  ExpectKnobAroundTheDot(params::kThreshold, skin::kIndexPointer, 367 + 34 - 5, 85 + 42 - 5);
  ExpectKnobAroundTheDot(params::kEqMid, skin::kIndexPointerSmall, 480 + 19 - 4, 409 + 3 - 4);
}

TEST(Pixels, LampLitAndUnlit) {
  const Surface& lamp = SkinImage(skin::kRedMicroswitch);
  const Surface& chassis = SkinImage(skin::kChassis);
  ParamArray values = FactoryProgram(0);
  values[params::kAutoGain] = 1.0f;
  OpenWindow w(values);
  EXPECT_TRUE(ShowsImage(Composed(w.window), lamp, 0x000000, 613, 67));
  values[params::kAutoGain] = 0.0f;
  w.Refresh(values);
  const Surface& panel = Composed(w.window);
  for (int y = 67; y < 80; ++y) {
    for (int x = 613; x < 626; ++x) ASSERT_EQ(panel.At(x, y), chassis.At(x, y)) << x << "," << y;
  }
}

TEST(Pixels, HalfGainAtScaleTwoDrawsTwentyFourRedRows) {
  OpenWindow w;
  w.window.gainLevelL = w.window.gainLevelR = 0.5f;
  w.window.UpdateMeter();
  const Surface& panel = Composed(w.window);
  Surface red = toolkit::ReadDibBlock(skin::meterReductionLit());
  Surface cover = toolkit::ReadDibBlock(skin::meterCover());
  for (int left : {213, 226}) {
    for (int row = 0; row < 120; ++row) {
      const Surface& expected = row < 24 ? red : cover;
      for (int x = 0; x < 10; ++x) {
        ASSERT_EQ(panel.At(left + x, 86 + row), expected.At(x, row))
            << "column " << left + x << " row " << row;
      }
    }
  }
  // The red rows alternate full and half red.
  EXPECT_EQ(toolkit::RedOf(panel.At(213, 86)) + toolkit::RedOf(panel.At(213, 87)), 255 + 128);
}

TEST(Pixels, InputBarShowsTheLitBitmapUpToItsLength) {
  OpenWindow w;
  w.window.inLevelL = 0.1f;  // -20 dB: 80 pixels
  w.window.UpdateMeter();
  const Surface& panel = Composed(w.window);
  Surface lit = toolkit::ReadDibBlock(skin::meterInputLit());
  const Surface& chassis = SkinImage(skin::kChassis);
  for (int x = 0; x < 120; ++x) {
    const Pixel expected = x < 80 ? lit.At(x, 5) : chassis.At(34 + x, 224 + 5);
    ASSERT_EQ(panel.At(34 + x, 229), expected) << x;
  }
}

}  // namespace
}  // namespace tarvo::editor::testing
