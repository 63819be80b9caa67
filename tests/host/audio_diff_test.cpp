// The arithmetic of the render comparison.
#include "host/audio_diff.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using tarvo::test::compareAudio;
using tarvo::test::dbfs;

TEST(AudioDiff, IdenticalAudioHasNoDifference) {
  const std::vector<float> a = {0.5f, -0.25f, 0.125f, 1.0f};
  const auto d = compareAudio(a, a, 2);
  EXPECT_EQ(d.maxAbs, 0.0);
  EXPECT_EQ(d.rms, 0.0);
  EXPECT_EQ(dbfs(d.rms), -std::numeric_limits<double>::infinity());
  EXPECT_DOUBLE_EQ(d.referenceRms, std::sqrt((0.25 + 0.0625 + 0.015625 + 1.0) / 4));
}

TEST(AudioDiff, LargestDifferenceIsLocatedAndRmsAveragesOverAllSamples) {
  std::vector<float> a(1000, 0.0f), b(1000, 0.0f);
  b[7] = 0.5f;  // frame 3, channel 1
  b[500] = -0.25f;
  const auto d = compareAudio(a, b, 2);
  EXPECT_EQ(d.maxAbs, 0.5);
  EXPECT_EQ(d.maxFrame, 3);
  EXPECT_EQ(d.maxChannel, 1);
  EXPECT_DOUBLE_EQ(d.rms, std::sqrt((0.25 + 0.0625) / 1000));
  EXPECT_DOUBLE_EQ(dbfs(0.1), -20.0);
}

TEST(AudioDiff, NotANumberIsAnInfiniteDifference) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(compareAudio({0.0f, nan}, {0.0f, 0.0f}, 2).maxAbs,
            std::numeric_limits<double>::infinity());
  EXPECT_EQ(compareAudio({0.0f}, {nan}, 1).maxAbs, std::numeric_limits<double>::infinity());
  EXPECT_EQ(compareAudio({inf}, {0.0f}, 1).maxAbs, std::numeric_limits<double>::infinity());
  // The same infinity (an unclipped overload in both renders) is no difference.
  EXPECT_EQ(compareAudio({inf, -inf}, {inf, -inf}, 2).maxAbs, 0.0);
}

}  // namespace
