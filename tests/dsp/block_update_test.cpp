#include <gtest/gtest.h>

#include <cmath>

#include "dsp/gain_curve.h"
#include "engine_fixture.h"
#include "params/param_table.h"

namespace tarvo::dsp {
namespace {

using namespace tarvo::params;
using test::Rig;

TEST(BlockUpdate, TimeParametersBecomePolesAndFractions) {
  Rig rig(0);
  rig.set(kAttack, 0.5f);
  rig.set(kRelease, 0.5f);
  rig.set(kReleaseType, test::kClassic);
  rig.engine.updateBlock(rig.store);
  EXPECT_NEAR(EngineProbe::targetValues(rig.engine)[kAttack], 0.0022643, 5e-8);
  EXPECT_NEAR(EngineProbe::targetValues(rig.engine)[kRelease], 0.99985664, 3e-8);
  // PDE Time v = 0 is 40 ms (a fraction), Release2 v = 1 is 100 ms (a pole).
  rig.set(kPdeTime, 0.0f);
  rig.set(kRelease2, 1.0f);
  rig.engine.updateBlock(rig.store);
  EXPECT_FLOAT_EQ(EngineProbe::targetValues(rig.engine)[kPdeTime],
                  static_cast<float>(1.0 - std::pow(0.368, 1.0 / (44100.0 * 0.04))));
  EXPECT_FLOAT_EQ(EngineProbe::targetValues(rig.engine)[kRelease2],
                  static_cast<float>(std::pow(0.368, 1.0 / (44100.0 * 0.1))));
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
    EXPECT_EQ(rig.engine.releaseType(), c.type) << c.v;
    EXPECT_NEAR(EngineProbe::releaseTypePole(rig.engine), c.pole, 6e-7) << c.v;
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
    EXPECT_EQ(rig.engine.stereoLinkMode(), c.mode) << c.v;
  }
}

TEST(BlockUpdate, MakeupGain) {
  Rig rig(0);                 // Auto-Gain on
  rig.set(kThreshold, 0.5f);  // T = 0.1
  rig.set(kRatio, 1.0f);      // R = 0
  rig.set(kKnee, 0.0f);       // K = 1
  rig.engine.updateBlock(rig.store);
  EXPECT_NEAR(EngineProbe::makeupGain(rig.engine), 10.0f, 1e-5f);

  rig.set(kRatio, 0.5f);  // R = 1
  rig.engine.updateBlock(rig.store);
  EXPECT_EQ(EngineProbe::makeupGain(rig.engine), 1.0f);

  rig.set(kRatio, 0.75f);  // R = 0.5, with linearity 1 (v = 0): 1 / 0.311978
  rig.set(kLinearity, 0.0f);
  rig.engine.updateBlock(rig.store);
  EXPECT_NEAR(EngineProbe::makeupGain(rig.engine), 1.0 / 0.311978, 2e-5);

  rig.set(kAutoGain, 0.0f);
  rig.engine.updateBlock(rig.store);
  EXPECT_EQ(EngineProbe::makeupGain(rig.engine), 1.0f);

  // Threshold at 0 dB with a hard knee: the knee start is full scale.
  rig.set(kAutoGain, 1.0f);
  rig.set(kThreshold, 1.0f);
  rig.set(kRatio, 1.0f);
  rig.engine.updateBlock(rig.store);
  EXPECT_EQ(EngineProbe::makeupGain(rig.engine), 1.0f);
}

}  // namespace
}  // namespace tarvo::dsp
