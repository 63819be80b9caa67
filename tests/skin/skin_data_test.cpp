// The embedded skin images and meter bitmaps: sizes, stored layout, alpha, key
// colours and the contents that the editor relies on.
#include "editor/skin/skin_data.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "skin_reader.h"

using namespace tarvo::skin;
using test::Picture;
using test::readDib;

namespace {

constexpr uint32_t kGreyKey = 0x666666;
constexpr uint32_t kBlackKey = 0x000000;

Picture image(int index) {
  auto p = readDib(skinImage(index));
  EXPECT_TRUE(p.has_value()) << "skin image " << index << " does not parse";
  return p.value_or(Picture{});
}

int red(uint32_t c) {
  return int(c >> 16) & 0xFF;
}
int green(uint32_t c) {
  return int(c >> 8) & 0xFF;
}
int blue(uint32_t c) {
  return int(c) & 0xFF;
}

}  // namespace

TEST(SkinImages, HaveTheirSizesInIndexOrder) {
  const int sizes[8][2] = {{10, 10}, {49, 49}, {645, 485}, {30, 10},
                           {13, 13}, {13, 13}, {39, 39},   {8, 8}};
  for (int i = 0; i < kSkinImageCount; ++i) {
    const Picture p = image(i);
    EXPECT_EQ(p.width, sizes[i][0]) << "image " << i;
    EXPECT_EQ(p.height, sizes[i][1]) << "image " << i;
  }
  EXPECT_EQ(skinImage(kChassis).size(), 1251304u);
  EXPECT_EQ(backgroundImage().data(), skinImage(kChassis).data());
}

TEST(SkinImages, NamesFollowTheImageList) {
  EXPECT_EQ(skinImageName(0), "Index Pointer");
  EXPECT_EQ(skinImageName(2), "Chassis");
  EXPECT_EQ(skinImageName(6), "Knob Small");
  EXPECT_EQ(skinImageName(7), "Index Pointer Small");
}

TEST(SkinImages, OutOfRangeIndicesGiveNothing) {
  EXPECT_TRUE(skinImage(-1).empty());
  EXPECT_TRUE(skinImage(8).empty());
  EXPECT_TRUE(skinImageName(8).empty());
}

TEST(SkinImages, EveryPixelIsOpaque) {
  for (int i = 0; i < kSkinImageCount; ++i) {
    const Picture p = image(i);
    int translucent = 0;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) translucent += p.alpha(x, y) != 255;
    EXPECT_EQ(translucent, 0) << "image " << i;
  }
}

TEST(SkinImages, KnobImagesAreEntirelyKeyBlack) {
  for (int i : {kKnobLarge, kKnobSmall}) {
    const Picture p = image(i);
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) ASSERT_EQ(p.rgb(x, y), kBlackKey) << "image " << i;
  }
}

TEST(SkinImages, PointerDotsAreLightYellowOnTheGreyKeyAndCentred) {
  for (int i : {kIndexPointer, kIndexPointerSmall}) {
    const Picture p = image(i);
    // Corners are key; the centre is light yellow (red and green high, blue lower).
    EXPECT_EQ(p.rgb(0, 0), kGreyKey);
    EXPECT_EQ(p.rgb(p.width - 1, p.height - 1), kGreyKey);
    const uint32_t c = p.rgb(p.width / 2, p.height / 2);
    EXPECT_GE(red(c), 0xE0);
    EXPECT_GE(green(c), 0xE0);
    EXPECT_LE(blue(c), green(c));
    // The visible dot is symmetric: as many drawn pixels left as right of centre,
    // above as below, so the dial's centred placement puts it on the pointer path.
    int left = 0, right = 0, top = 0, bottom = 0;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) {
        if (p.rgb(x, y) == kGreyKey) continue;
        (x < p.width / 2 ? left : right)++;
        (y < p.height / 2 ? top : bottom)++;
      }
    EXPECT_EQ(left, right) << "image " << i;
    EXPECT_EQ(top, bottom) << "image " << i;
  }
}

TEST(SkinImages, LampsAreLitRoundLensesOnTheBlackKey) {
  const Picture greenLamp = image(kGreenMicroswitch);
  const Picture redLamp = image(kRedMicroswitch);
  for (const Picture* p : {&greenLamp, &redLamp}) {
    EXPECT_EQ(p->rgb(0, 0), kBlackKey);
    EXPECT_EQ(p->rgb(12, 0), kBlackKey);
    EXPECT_EQ(p->rgb(0, 12), kBlackKey);
    EXPECT_EQ(p->rgb(12, 12), kBlackKey);
    EXPECT_NE(p->rgb(6, 6), kBlackKey);
    // Round: the lens reaches equally far in all four directions.
    int l = 6, r = 6, t = 6, b = 6;
    while (l > 0 && p->rgb(l - 1, 6) != kBlackKey) --l;
    while (r < 12 && p->rgb(r + 1, 6) != kBlackKey) ++r;
    while (t > 0 && p->rgb(6, t - 1) != kBlackKey) --t;
    while (b < 12 && p->rgb(6, b + 1) != kBlackKey) ++b;
    EXPECT_EQ(6 - l, r - 6);
    EXPECT_EQ(6 - t, b - 6);
    EXPECT_EQ(r - l, b - t);
  }
  const uint32_t g = greenLamp.rgb(7, 7), rd = redLamp.rgb(7, 7);
  EXPECT_GT(green(g), red(g) + 40);
  EXPECT_GT(red(rd), green(rd) + 40);
  EXPECT_GT(green(g), 150);
  EXPECT_GT(red(rd), 150);
}

TEST(SkinImages, SelectorShowsALitGreenArrowPointingRight) {
  const Picture p = image(kSelectorRight);
  EXPECT_EQ(p.rgb(0, 0), kBlackKey);
  EXPECT_EQ(p.rgb(29, 9), kBlackKey);
  // Lit green pixels: their right-most column is where the arrow's tip is, and the
  // arrow narrows towards it (fewer lit rows at the tip than at the shaft's base).
  auto litRows = [&](int x) {
    int n = 0;
    for (int y = 0; y < p.height; ++y) {
      const uint32_t c = p.rgb(x, y);
      n += green(c) > 160 && red(c) < 140;
    }
    return n;
  };
  int first = -1, last = -1;
  for (int x = 0; x < p.width; ++x)
    if (litRows(x) > 0) {
      if (first < 0) first = x;
      last = x;
    }
  ASSERT_GE(first, 0) << "no lit arrow";
  EXPECT_GT(last - first, 10);
  EXPECT_LT(litRows(last), litRows(last - 5));
  // The lozenge around the arrow is drawn (not key) and dark.
  const uint32_t body = p.rgb(3, 5);
  EXPECT_NE(body, kBlackKey);
  EXPECT_LT(green(body), 0x40);
}

TEST(MeterBitmaps, InputBarIsSixtyTwoPixelSegmentsFromGreenToRed) {
  auto p = readDib(meterInputLit());
  ASSERT_TRUE(p);
  ASSERT_EQ(p->width, 120);
  ASSERT_EQ(p->height, 10);
  for (int x = 0; x < 120; x += 2) {
    const uint32_t bright = p->rgb(x, 0), half = p->rgb(x + 1, 0);
    EXPECT_NEAR(red(half), red(bright) / 2.0, 1.0) << "segment " << x / 2;
    EXPECT_NEAR(green(half), green(bright) / 2.0, 1.0) << "segment " << x / 2;
    for (int y = 1; y < 10; ++y) EXPECT_EQ(p->rgb(x, y), bright);
  }
  EXPECT_GT(green(p->rgb(0, 0)), 2 * red(p->rgb(0, 0)));      // green at -60 dB
  EXPECT_GT(red(p->rgb(118, 0)), 2 * green(p->rgb(118, 0)));  // red at 0 dB
  const uint32_t mid = p->rgb(104, 0);                        // yellow around -8 dB
  EXPECT_GT(red(mid), 150);
  EXPECT_GT(green(mid), 150);
}

TEST(MeterBitmaps, CoverAndReductionBarAlternateRows) {
  auto cover = readDib(meterCover());
  auto reduction = readDib(meterReductionLit());
  ASSERT_TRUE(cover && reduction);
  for (const Picture* p : {&*cover, &*reduction}) {
    EXPECT_EQ(p->width, 10);
    EXPECT_EQ(p->height, 120);
  }
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 10; ++x) {
      EXPECT_EQ(cover->rgb(x, y), y % 2 == 0 ? 0x333333u : 0x000000u) << y;
      EXPECT_EQ(reduction->rgb(x, y), y % 2 == 0 ? 0xFF0000u : 0x800000u) << y;
    }
}

TEST(EmbeddedFiles, MatchTheCommittedFilesByteForByte) {
  const std::pair<const char*, std::span<const uint8_t>> files[] = {
      {"chassis.dib", skinImage(kChassis)},
      {"index_pointer_small.dib", skinImage(kIndexPointerSmall)},
      {"meter_input_lit.dib", meterInputLit()},
      {"liberation_sans_11.tvga", glyphAtlas11()},
  };
  for (const auto& [name, embedded] : files) {
    std::ifstream in(std::string(TARVO_SKIN_SOURCE_DIR) + "/" + name, std::ios::binary);
    ASSERT_TRUE(in) << name;
    const std::vector<uint8_t> disk((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    ASSERT_EQ(disk.size(), embedded.size()) << name;
    EXPECT_TRUE(std::equal(disk.begin(), disk.end(), embedded.begin())) << name;
  }
}
