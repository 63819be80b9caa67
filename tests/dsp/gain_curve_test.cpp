#include "dsp/gain_curve.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tarvo::dsp {
namespace {

TEST(GainCurve, HardKneeLimiterHoldsOutputAtThreshold) {
  for (float l : {0.0f, 0.5f, 1.0f}) {
    EXPECT_EQ(gainCurve(0.05f, 0.1f, 0.0f, 1.0f, l), 1.0f);
    EXPECT_EQ(gainCurve(0.1f, 0.1f, 0.0f, 1.0f, l), 1.0f);
    for (float x : {0.11f, 0.3f, 1.0f, 1.7f, 5.0f, 100.0f}) {
      EXPECT_NEAR(x * gainCurve(x, 0.1f, 0.0f, 1.0f, l), 0.1f, 1e-7f) << "x " << x << " L " << l;
    }
  }
}

TEST(GainCurve, LinearDomainLawTendsToRatio) {
  EXPECT_NEAR(gainCurve(0.2f, 0.1f, 0.5f, 1.0f, 0.0f), 0.75f, 1e-6f);
  EXPECT_NEAR(gainCurve(1.0f, 0.1f, 0.5f, 1.0f, 0.0f), 0.55f, 1e-6f);
  EXPECT_NEAR(gainCurve(4.0f, 0.1f, 0.5f, 1.0f, 0.0f), 0.5125f, 1e-6f);
}

TEST(GainCurve, PowerLawToSixPlaces) {
  EXPECT_NEAR(gainCurve(0.2f, 0.1f, 0.5f, 1.0f, 1.0f), 0.709018, 5e-7);
  EXPECT_NEAR(gainCurve(0.5f, 0.1f, 0.5f, 1.0f, 1.0f), 0.446251, 5e-7);
  EXPECT_NEAR(gainCurve(1.0f, 0.1f, 0.5f, 1.0f, 1.0f), 0.311978, 5e-7);
  EXPECT_NEAR(gainCurve(2.0f, 0.1f, 0.5f, 1.0f, 1.0f), 0.218178, 5e-7);
}

TEST(GainCurve, SoftKneeDepartsAtThresholdOverKnee) {
  EXPECT_EQ(kneeStartOf(0.1f, 2.0f), 0.05f);
  EXPECT_EQ(gainCurve(0.05f, 0.1f, 0.25f, 2.0f, 1.0f), 1.0f);
  EXPECT_LT(gainCurve(0.051f, 0.1f, 0.25f, 2.0f, 1.0f), 1.0f);
  EXPECT_NEAR(gainCurve(0.1f, 0.1f, 0.25f, 2.0f, 1.0f), 0.8125f, 1e-6f);
}

TEST(GainCurve, UnityRatioLeavesEveryLevelUnchanged) {
  for (float t : {0.01f, 0.1f, 1.0f}) {
    for (float k : {1.0f, 3.0f, 10.0f}) {
      for (float l : {0.0f, 0.4f, 1.0f}) {
        for (float x : {1e-20f, 0.005f, 0.2f, 1.0f, 2.0f, 50.0f}) {
          EXPECT_EQ(gainCurve(x, t, 1.0f, k, l), 1.0f);
        }
      }
    }
  }
}

TEST(GainCurve, ExpansionRisesAboveUnity) {
  EXPECT_NEAR(gainCurve(1.0f, 0.1f, 2.0f, 1.0f, 1.0f), 9.937f, 5e-4f);
  EXPECT_GT(gainCurve(0.2f, 0.1f, 1.5f, 1.0f, 0.0f), 1.0f);
}

TEST(GainCurve, LevelAtKneeStartGivesUnity) {
  const float s = kneeStartOf(0.3f, 7.0f);
  EXPECT_EQ(gainCurve(s, 0.3f, 0.2f, 7.0f, 0.6f), 1.0f);
  EXPECT_LT(gainCurve(0.3f * 1.001f, 0.3f, 0.2f, 1.0f, 0.6f), 1.0f);  // hard knee departs at T
}

}  // namespace
}  // namespace tarvo::dsp
