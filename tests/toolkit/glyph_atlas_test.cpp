// Glyph atlas files, text drawing and TLabel.
#include "toolkit/glyph_atlas.h"

#include <gtest/gtest.h>

#include "toolkit/dib_container.h"
#include "toolkit/errors.h"
#include "toolkit/label.h"
#include "toolkit_test_support.h"

namespace tarvo::toolkit {
namespace {

using testing::BlockFont;

TEST(GlyphAtlasTest, FileLayoutHasTheDocumentedOffsets) {
  GlyphAtlasData data;
  data.pixelSize = 9;
  data.ascent = 7;
  data.descent = 2;
  data.lineHeight = 11;
  data.atlasWidth = 3;
  data.atlasHeight = 2;
  data.glyphs.push_back(GlyphRecord{'A', 6, -1, 7, 1, 0, 2, 2});
  data.coverage = {0, 10, 20, 30, 40, 50};
  const std::vector<uint8_t> file = EncodeGlyphAtlas(data);
  ASSERT_EQ(file.size(), 20u + 18u + 6u);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "TVGA");
  EXPECT_EQ(file[4], 1);      // version
  EXPECT_EQ(file[6], 9);      // pixel size
  EXPECT_EQ(file[14], 1);     // glyph count
  EXPECT_EQ(file[20], 'A');   // first record: codepoint
  EXPECT_EQ(file[24], 6);     // advance
  EXPECT_EQ(file[26], 0xFF);  // bearingX -1, low byte
  EXPECT_EQ(file[27], 0xFF);
  EXPECT_EQ(file[38], 0);  // coverage, top row first
  EXPECT_EQ(file[43], 50);

  const GlyphAtlas font = GlyphAtlas::Load(file);
  EXPECT_EQ(font.PixelSize(), 9);
  EXPECT_EQ(font.Ascent(), 7);
  EXPECT_EQ(font.Descent(), 2);
  EXPECT_EQ(font.LineHeight(), 11);
  const GlyphRecord* a = font.Find('A');
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->bearingX, -1);
  EXPECT_EQ(a->w, 2);
  EXPECT_EQ(font.Find('B'), nullptr);  // no glyph and no '?'
}

TEST(GlyphAtlasTest, AcceptsPaddedRecordsOfTwentyFourBytes) {
  const std::vector<uint8_t> packed = EncodeGlyphAtlas(BlockFont());
  std::vector<uint8_t> padded(packed.begin(), packed.begin() + 20);
  const size_t count = 95;
  for (size_t i = 0; i < count; ++i) {
    const auto record = packed.begin() + 20 + static_cast<long>(i * 18);
    padded.insert(padded.end(), record, record + 18);
    padded.insert(padded.end(), 6, 0xEE);
  }
  padded.insert(padded.end(), packed.begin() + 20 + static_cast<long>(count * 18), packed.end());
  const GlyphAtlas font = GlyphAtlas::Load(padded);
  EXPECT_EQ(font.TextWidth("-12.0"), 15);
  EXPECT_EQ(font.Find('~')->x, 94 * 2);
}

TEST(GlyphAtlasTest, RejectsMalformedFiles) {
  const std::vector<uint8_t> good = EncodeGlyphAtlas(BlockFont());
  EXPECT_NO_THROW(GlyphAtlas::Load(good));
  std::vector<uint8_t> file = good;
  file[0] = 'X';
  EXPECT_THROW(GlyphAtlas::Load(file), EGlyphAtlasError);
  file = good;
  file[4] = 2;  // version 2
  EXPECT_THROW(GlyphAtlas::Load(file), EGlyphAtlasError);
  file = good;
  file.pop_back();  // one coverage byte missing
  EXPECT_THROW(GlyphAtlas::Load(file), EGlyphAtlasError);
  file = good;
  file.push_back(0);
  EXPECT_THROW(GlyphAtlas::Load(file), EGlyphAtlasError);
  EXPECT_THROW(GlyphAtlas::Load(std::vector<uint8_t>(good.begin(), good.begin() + 10)),
               EGlyphAtlasError);
  // A glyph rectangle reaching beyond the atlas.
  GlyphAtlasData data = BlockFont();
  data.glyphs[5].x = static_cast<uint16_t>(data.atlasWidth - 1);
  EXPECT_THROW(GlyphAtlas::Load(EncodeGlyphAtlas(data)), EGlyphAtlasError);
}

TEST(GlyphAtlasTest, DrawsGlyphsAtPenAndBaselineMixedByCoverage) {
  GlyphAtlasData data = BlockFont(3, 2);  // 3 x 2 glyphs, advance 4, ascent 2
  data.glyphs['1' - 32].bearingX = 1;
  data.glyphs['1' - 32].bearingY = 1;  // one row lower than the others
  const GlyphAtlas font(data);
  Surface s(20, 6, Rgb(0));
  Canvas canvas(s, Point{0, 0}, s.Bounds());
  font.DrawText(canvas, 2, 1, "h 1", Rgb(0xFFFFFF));
  // 'h' at pen 2, rows 1..2, columns of coverage 255, 128, 0.
  EXPECT_EQ(s.At(2, 1), Rgb(0xFFFFFF));
  EXPECT_EQ(s.At(3, 2), Rgb(128, 128, 128));
  EXPECT_EQ(s.At(4, 1), Rgb(0));
  EXPECT_EQ(s.At(2, 0), Rgb(0));
  EXPECT_EQ(s.At(2, 3), Rgb(0));
  // The space moves the pen by 4 without drawing; '1' lands at pen 10 + 1, baseline 3 - 1.
  EXPECT_EQ(s.At(10, 2), Rgb(0));
  EXPECT_EQ(s.At(11, 2), Rgb(0xFFFFFF));
  EXPECT_EQ(s.At(13, 3), Rgb(0xFFFFFF));
  EXPECT_EQ(s.At(11, 1), Rgb(0));
  EXPECT_EQ(s.At(14, 2), Rgb(0));
  EXPECT_EQ(font.TextWidth("h 1"), 12);
}

TEST(GlyphAtlasTest, UnknownCharactersUseTheQuestionMarkAndTextIsClipped) {
  GlyphAtlasData data = BlockFont();
  data.glyphs['?' - 32].advance = 9;
  const GlyphAtlas font(data);
  EXPECT_EQ(font.TextWidth("\xB0"), 9);
  EXPECT_EQ(font.TextWidth("\t"), 9);
  // Drawing across every edge writes nothing outside the clip.
  Surface s(6, 6, Rgb(0));
  Canvas canvas(s, Point{0, 0}, Rect{1, 1, 5, 5});
  font.DrawText(canvas, -1, -1, "WWWWWWWW", Rgb(0xFFFFFF));
  font.DrawText(canvas, 4, 4, "WW", Rgb(0xFFFFFF));
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(s.At(i, 0), Rgb(0));
    EXPECT_EQ(s.At(0, i), Rgb(0));
    EXPECT_EQ(s.At(i, 5), Rgb(0));
    EXPECT_EQ(s.At(5, i), Rgb(0));
  }
  EXPECT_EQ(s.At(2, 1), Rgb(0xFFFFFF));  // second glyph of the first text
  EXPECT_EQ(s.At(4, 4), Rgb(0xFFFFFF));
}

class LabelTest : public ::testing::Test {
 protected:
  LabelTest() : font(BlockFont()), panel(60, 20, Rgb(0x404040)) {
    label = &panel.Create<TLabel>("InMeterLabelL");
    label->SetBounds(10, 4, 0, 0);
    label->SetFont(&font);
    label->SetCaption("Peak");
    panel.Compose();
  }
  GlyphAtlas font;  // glyphs 2 x 3, advance 3, line height 5
  TDIBContainer panel;
  TLabel* label = nullptr;
};

TEST_F(LabelTest, SizedToTextLightYellowOnNearBlack) {
  EXPECT_EQ(label->BoundsRect(), (Rect{10, 4, 22, 9}));
  EXPECT_EQ(panel.Bitmap().At(10, 4), Rgb(0xFFFFE1));  // 'P', top-left pixel
  EXPECT_EQ(panel.Bitmap().At(12, 4), Rgb(0x111111));  // the gap after 'P'
  EXPECT_EQ(panel.Bitmap().At(10, 8), Rgb(0x111111));  // below the glyphs
  EXPECT_EQ(panel.Bitmap().At(22, 4), Rgb(0x404040));  // beyond the label
}

TEST_F(LabelTest, SameCaptionDrawsNothingAndShorterCaptionClearsItsOldArea) {
  label->SetCaption("Peak");
  EXPECT_FALSE(panel.NeedsCompose());
  label->SetCaption("-oo");
  EXPECT_EQ(label->Width(), 9);
  EXPECT_EQ(panel.Compose(), (std::vector<Rect>{Rect{10, 4, 22, 9}}));
  EXPECT_EQ(panel.Bitmap().At(20, 4), Rgb(0x404040));  // where 'k' was
  label->SetCaption("-12.0");
  EXPECT_EQ(panel.Compose(), (std::vector<Rect>{Rect{10, 4, 25, 9}}));
}

TEST_F(LabelTest, ColoursAndFixedSize) {
  label->SetFontColour(Rgb(0x00FF00));
  label->SetColour(Rgb(0x000080));
  label->SetAutoSize(false);
  label->SetBounds(10, 4, 4, 5);
  label->SetCaption("PPPP");  // cut to the fixed 4 pixels
  panel.Compose();
  EXPECT_EQ(panel.Bitmap().At(10, 4), Rgb(0x00FF00));
  EXPECT_EQ(panel.Bitmap().At(12, 4), Rgb(0x000080));
  EXPECT_EQ(panel.Bitmap().At(14, 4), Rgb(0x404040));
}

}  // namespace
}  // namespace tarvo::toolkit
