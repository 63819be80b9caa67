#include <gtest/gtest.h>

#include <cmath>

#include "dsp/gain_curve.h"
#include "engine_fixture.h"
#include "params/param_table.h"

namespace tarvo::dsp {
namespace {

using namespace tarvo::params;
using test::Rig;

TEST(BlockUpdate, FirstBlockStartsAtTheTargetsWithACleanTable) {
  Rig rig(3);
  rig.engine.updateBlock(rig.store);
  const Engine& e = rig.engine;
  for (int i = 0; i < kNumParams; ++i) {
    EXPECT_EQ(e.currentValue[i], e.targetValue[i]) << i;
    EXPECT_EQ(e.rampCount[i], 0u) << i;
    EXPECT_FALSE(rig.changed(i) && i != kRelease) << i;
  }
  EXPECT_EQ(e.rampRemaining, 0u);
  EXPECT_EQ(e.snapPending, 0);
  EXPECT_EQ(e.tableDirty, 0);
  // The table holds the curve of the settled values at levels j * 0.001.
  const float t = e.currentValue[kThreshold], r = e.currentValue[kRatio];
  const float k = e.currentValue[kKnee], l = e.currentValue[kLinearity];
  EXPECT_EQ(e.kneeStart, kneeStartOf(t, k));
  for (int j : {0, 1, 10, 500, 999, 1000, 1500, 2000, 2001}) {
    EXPECT_EQ(e.gainTable[j], gainCurve(static_cast<float>(j * 0.001), t, r, k, l)) << j;
  }
}

TEST(BlockUpdate, TimeParametersBecomePolesAndFractions) {
  Rig rig(0);
  rig.set(kAttack, 0.5f);
  rig.set(kRelease, 0.5f);
  rig.set(kReleaseType, test::kClassic);
  rig.engine.updateBlock(rig.store);
  EXPECT_NEAR(rig.engine.targetValue[kAttack], 0.0022643, 5e-8);
  EXPECT_NEAR(rig.engine.targetValue[kRelease], 0.99985664, 3e-8);
  // PDE Time v = 0 is 40 ms (a fraction), Release2 v = 1 is 100 ms (a pole).
  rig.set(kPdeTime, 0.0f);
  rig.set(kRelease2, 1.0f);
  rig.engine.updateBlock(rig.store);
  EXPECT_FLOAT_EQ(rig.engine.targetValue[kPdeTime],
                  static_cast<float>(1.0 - std::pow(0.368, 1.0 / (44100.0 * 0.04))));
  EXPECT_FLOAT_EQ(rig.engine.targetValue[kRelease2],
                  static_cast<float>(std::pow(0.368, 1.0 / (44100.0 * 0.1))));
}

TEST(BlockUpdate, PumperShortensTheReleaseTheBlockAfterTheTypeChange) {
  Rig rig(0);
  rig.set(kRelease, 0.5f);
  rig.engine.updateBlock(rig.store);
  const float classic = rig.engine.targetValue[kRelease];
  for (float& s : rig.engine.releaseStageL) s = 0.5f;
  rig.engine.attackStageR = 0.5f;

  rig.set(kReleaseType, test::kPumper);
  rig.engine.updateBlock(rig.store);
  // The stages restart from unity at once; the release pole follows one block later.
  for (int k = 0; k < 6; ++k) EXPECT_EQ(rig.engine.releaseStageL[k], 1.0f);
  EXPECT_EQ(rig.engine.attackStageR, 1.0f);
  EXPECT_EQ(rig.engine.releaseType.load(), 1);
  EXPECT_EQ(rig.engine.targetValue[kRelease], classic);
  EXPECT_TRUE(rig.changed(kRelease));
  rig.engine.updateBlock(rig.store);
  const double seconds = 0.154 * targetValue(kRelease, 0.5f);
  EXPECT_FLOAT_EQ(rig.engine.targetValue[kRelease],
                  static_cast<float>(std::pow(0.368, 1.0 / (44100.0 * seconds))));
  EXPECT_LT(rig.engine.targetValue[kRelease], classic);
  EXPECT_FALSE(rig.changed(kRelease));
}

TEST(BlockUpdate, ReleaseTypePoles) {
  const struct {
    float v;
    int type;
    double pole;
  } cases[] = {
      {test::kOpto, 0, 0.997512},    {test::kSmooth1, 3, 0.997512}, {test::kPumper, 1, 0.998867},
      {test::kClassic, 4, 0.998867}, {test::kSmooth2, 2, 0.993892}, {0.125f, 0, 0.997512},
      {0.375f, 2, 0.993892},         {0.625f, 2, 0.993892},         {0.875f, 4, 0.998867}};
  for (const auto& c : cases) {
    Rig rig(0);
    rig.set(kReleaseType, c.v);
    rig.engine.updateBlock(rig.store);
    EXPECT_EQ(rig.engine.releaseType.load(), c.type) << c.v;
    EXPECT_NEAR(rig.engine.releaseTypeCoef, c.pole, 6e-7) << c.v;
  }
}

TEST(BlockUpdate, StereoLinkSelectorRoundsToEven) {
  const struct {
    float v;
    int mode;
  } cases[] = {{0.0f, 0}, {0.25f, 0}, {0.5f, 1}, {0.74f, 1}, {0.75f, 2}, {1.0f, 2}};
  for (const auto& c : cases) {
    Rig rig(0);
    rig.set(kStereoLink, c.v);
    rig.engine.updateBlock(rig.store);
    EXPECT_EQ(rig.engine.stereoLinkMode.load(), c.mode) << c.v;
  }
}

TEST(BlockUpdate, MakeupGain) {
  Rig rig(0);                 // Auto-Gain on
  rig.set(kThreshold, 0.5f);  // T = 0.1
  rig.set(kRatio, 1.0f);      // R = 0
  rig.set(kKnee, 0.0f);       // K = 1
  rig.engine.updateBlock(rig.store);
  EXPECT_NEAR(rig.engine.makeupGain, 10.0f, 1e-5f);

  rig.set(kRatio, 0.5f);  // R = 1
  rig.engine.updateBlock(rig.store);
  EXPECT_EQ(rig.engine.makeupGain, 1.0f);

  rig.set(kRatio, 0.75f);  // R = 0.5, with linearity 1 (v = 0): 1 / 0.311978
  rig.set(kLinearity, 0.0f);
  rig.engine.updateBlock(rig.store);
  EXPECT_NEAR(rig.engine.makeupGain, 1.0 / 0.311978, 2e-5);

  rig.set(kAutoGain, 0.0f);
  rig.engine.updateBlock(rig.store);
  EXPECT_EQ(rig.engine.makeupGain, 1.0f);

  // Threshold at 0 dB with a hard knee: the knee start is full scale.
  rig.set(kAutoGain, 1.0f);
  rig.set(kThreshold, 1.0f);
  rig.set(kRatio, 1.0f);
  rig.engine.updateBlock(rig.store);
  EXPECT_EQ(rig.engine.makeupGain, 1.0f);
}

TEST(BlockUpdate, RampsRunTogetherAndTheTableWaitsForTheirEnd) {
  Rig rig(0);
  rig.engine.updateBlock(rig.store);
  Engine& e = rig.engine;
  const float before = e.currentValue[kThreshold];
  const float gainBefore = e.gainTable[1500];
  rig.set(kThreshold, 0.25f);
  rig.set(kInputGain, 0.75f);
  e.updateBlock(rig.store);
  EXPECT_EQ(e.rampRemaining, 4410u);
  EXPECT_EQ(e.rampCount[kThreshold], 4410u);
  EXPECT_EQ(e.rampCount[kInputGain], 4410u);
  EXPECT_EQ(e.tableDirty, 1);
  EXPECT_FLOAT_EQ(e.rampStep[kThreshold], (e.targetValue[kThreshold] - before) / 4410.0f);

  float l, r;
  for (int n = 0; n < 4409; ++n) e.processSample(0.0f, 0.0f, l, r);
  EXPECT_EQ(e.rampRemaining, 1u);
  EXPECT_NE(e.currentValue[kThreshold], e.targetValue[kThreshold]);
  EXPECT_NE(e.currentValue[kInputGain], e.targetValue[kInputGain]);
  e.updateBlock(rig.store);
  EXPECT_EQ(e.tableDirty, 1);
  EXPECT_EQ(e.gainTable[1500], gainBefore);

  e.processSample(0.0f, 0.0f, l, r);
  EXPECT_EQ(e.rampRemaining, 0u);
  EXPECT_EQ(e.currentValue[kThreshold], e.targetValue[kThreshold]);
  EXPECT_EQ(e.currentValue[kInputGain], e.targetValue[kInputGain]);
  e.updateBlock(rig.store);
  EXPECT_EQ(e.tableDirty, 0);
  EXPECT_EQ(e.gainTable[1500], gainCurve(1.5f, e.currentValue[kThreshold], e.currentValue[kRatio],
                                         e.currentValue[kKnee], e.currentValue[kLinearity]));
}

TEST(BlockUpdate, SettingASwitchZeroesItsFilterState) {
  Rig rig(0);
  rig.engine.updateBlock(rig.store);
  Engine& e = rig.engine;
  for (float& s : e.inHpState) s = 0.5f;
  for (float& s : e.eqState) s = 0.5f;
  e.detHpStateL = e.detHpStateR = 0.5f;
  e.updateBlock(rig.store);  // nothing set: states kept
  EXPECT_EQ(e.inHpState[3], 0.5f);
  EXPECT_EQ(e.eqState[11], 0.5f);
  rig.set(kInputFilter, 0.0f);  // set to its old value still zeroes
  rig.set(kDetEq, 0.0f);
  rig.set(kDetFilter, 0.0f);
  e.updateBlock(rig.store);
  for (float s : e.inHpState) EXPECT_EQ(s, 0.0f);
  for (float s : e.eqState) EXPECT_EQ(s, 0.0f);
  EXPECT_EQ(e.detHpStateL, 0.0f);
  EXPECT_EQ(e.detHpStateR, 0.0f);
}

TEST(BlockUpdate, NewSampleRateRecomputesCoefficientsWithARamp) {
  Rig rig(1);
  rig.engine.updateBlock(rig.store);
  Engine& e = rig.engine;
  const float attack441 = e.targetValue[kAttack];
  e.setSampleRate(96000.0f);
  rig.store.markAllChanged();
  e.resume();
  e.updateBlock(rig.store);
  EXPECT_EQ(e.rampRemaining, 9600u);
  EXPECT_LT(e.targetValue[kAttack], attack441);
  EXPECT_EQ(e.currentValue[kAttack], attack441);
  EXPECT_FLOAT_EQ(
      e.targetValue[kAttack],
      static_cast<float>(1.0 - std::pow(0.368, 1.0 / (96000.0 * targetValue(kAttack, 0.75f)))));
}

}  // namespace
}  // namespace tarvo::dsp
