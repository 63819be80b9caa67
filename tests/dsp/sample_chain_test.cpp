// Behaviour of the per-sample chain through the Engine, with the library-wide noise
// generator either accounted for by a tolerance or replayed from the same seed.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "dsp/gain_curve.h"
#include "engine_fixture.h"
#include "params/param_table.h"

namespace tarvo::dsp {
namespace {

using namespace tarvo::params;
using test::Rig;

constexpr float kNoise = 3e-8f;  // largest magnitude of the noise added to the input

TEST(SampleChain, UnityRatioPassesAudioExactlyScaled) {
  const struct {
    float inGain, balance, outGain;
  } cases[] = {{0.5f, 0.5f, 0.5f}, {0.8f, 0.3f, 0.25f}, {0.2f, 0.9f, 0.9f}};
  for (const auto& c : cases) {
    Rig rig(0);  // Ratio 1:1, Input Filter off
    rig.set(kInputGain, c.inGain);
    rig.set(kBalance, c.balance);
    rig.set(kOutputGain, c.outGain);
    rig.set(kAutoGain, 0.0f);
    const auto inL = test::programMaterial(20000, 0), inR = test::programMaterial(20000, 1);
    std::vector<float> outL, outR;
    rig.render(inL, inR, outL, outR);
    const Engine& e = rig.engine;
    const double g = targetValue(kInputGain, c.inGain), b = targetValue(kBalance, c.balance);
    const double o = targetValue(kOutputGain, c.outGain);
    for (size_t i = 0; i < inL.size(); ++i) {
      const double refL = inL[i] * g * (1.0 - b) * o, refR = inR[i] * g * (1.0 + b) * o;
      ASSERT_NEAR(outL[i], refL, o * kNoise + std::fabs(refL) * 2.5e-7) << i;
      ASSERT_NEAR(outR[i], refR, o * kNoise + std::fabs(refR) * 2.5e-7) << i;
    }
    EXPECT_EQ(e.meters().gainL, 1.0f);
    EXPECT_EQ(e.meters().gainR, 1.0f);
  }
}

TEST(SampleChain, SilenceCarriesOnlyTheNoise) {
  Rig rig(0);
  rig.set(kAutoGain, 0.0f);
  std::vector<float> z(44100, 0.0f), outL, outR;
  rig.render(z, z, outL, outR);
  int zeros = 0;
  for (size_t i = 0; i < z.size(); ++i) {
    ASSERT_LE(std::fabs(outL[i]), kNoise);
    ASSERT_EQ(outL[i], outR[i]);  // one noise value serves both channels
    zeros += outL[i] == 0.0f;
  }
  EXPECT_LT(zeros, 2);
  EXPECT_GT(rig.engine.meters().outL, 1e-9f);
  EXPECT_LE(rig.engine.meters().outL, kNoise);
}

TEST(SampleChain, LimiterHoldsAFullScaleSineAtTheThreshold) {
  Rig rig(0);
  rig.set(kThreshold, 0.5f);  // 0.1, -20 dB
  rig.set(kRatio, 1.0f);      // limiter
  rig.set(kKnee, 0.0f);       // hard
  rig.set(kAutoGain, 0.0f);
  rig.set(kAttack, 0.0f);  // 0.1 ms
  rig.set(kReleaseType, test::kClassic);
  rig.set(kPdeRate, 0.0f);
  rig.set(kRelease, 0.75f);  // 0.9 s: little release between the peaks
  const auto in = test::sine(44100, 1000.0, 1.0);
  std::vector<float> outL, outR;
  rig.render(in, in, outL, outR);
  const float held = test::peak(outL, 22050, 44100);
  EXPECT_NEAR(held, 0.1f, 0.1f * 0.01f);  // within 0.1 dB
  EXPECT_NEAR(rig.engine.meters().inL, 1.0f, 1e-3f);
}

// Runs the same input through a program twice with the same noise, once per variant.
template <typename Setup>
std::vector<float> runSeeded(uint32_t seed, Setup setup, int frames, int block = 64) {
  Rig rig(1);
  setup(rig);
  noiseSeed.store(seed);
  const auto inL = test::programMaterial(frames, 0), inR = test::programMaterial(frames, 1);
  std::vector<float> outL, outR;
  rig.render(inL, inR, outL, outR, block);
  outL.insert(outL.end(), outR.begin(), outR.end());
  return outL;
}

TEST(SampleChain, OptoWithoutRelease2EqualsSmooth1) {
  for (float pde : {0.0f, 0.5f, 1.0f}) {
    auto setup = [pde](float type, float level) {
      return [=](Rig& r) {
        r.set(kReleaseType, type);
        r.set(kRel2Level, level);
        r.set(kPdeRate, pde);
        r.set(kRelease2, 0.0f);
      };
    };
    const auto opto = runSeeded(77, setup(test::kOpto, 0.0f), 30000);
    const auto smooth1 = runSeeded(77, setup(test::kSmooth1, 0.0f), 30000);
    const auto opto2 = runSeeded(77, setup(test::kOpto, 1.0f), 30000);
    EXPECT_EQ(opto, smooth1) << pde;
    EXPECT_NE(opto, opto2) << pde;
  }
}

TEST(SampleChain, LinkOffKeepsAQuietLeftChannelUncompressed) {
  Rig rig(1);
  rig.set(kStereoLink, test::kLinkOff);
  rig.set(kThreshold, 0.5f);
  rig.engine.updateBlock(rig.store);
  const auto right = test::programMaterial(30000, 1);
  float l, r;
  rig.engine.takeGainExtremes();
  for (float x : right) rig.sample(0.0f, x, l, r);
  const Engine::GainExtremes x = rig.engine.takeGainExtremes();
  EXPECT_EQ(x.lowL, 1.0f);
  EXPECT_LT(x.lowR, 0.5f);
  EXPECT_EQ(rig.engine.meters().gainL, 1.0f);
  EXPECT_LT(rig.engine.meters().gainR, 1.0f);
}

TEST(SampleChain, SwitchActsHalfARampAfterItsChange) {
  Rig rig(0);
  rig.set(kAutoGain, 0.0f);
  const std::vector<float> dc(8820, 0.5f);
  std::vector<float> outL, outR;
  rig.render(dc, dc, outL, outR);  // filter off: the DC passes
  rig.set(kInputFilter, 1.0f);
  rig.render(dc, dc, outL, outR);
  int first = -1;
  for (size_t i = 0; i < outL.size(); ++i) {
    if (std::fabs(outL[i] - 0.5f) > 1e-4f) {
      first = static_cast<int>(i);
      break;
    }
  }
  EXPECT_NEAR(first / 44100.0, 0.05, 0.0005);
  EXPECT_LT(std::fabs(outL.back()), 0.5f * 0.2f);  // the high-pass removes the DC
}

TEST(SampleChain, SteadyLevelSettlesOnTheStaticCurve) {
  for (float type : {test::kOpto, test::kPumper, test::kSmooth2, test::kSmooth1, test::kClassic}) {
    Rig rig(1);
    rig.set(kReleaseType, type);
    rig.set(kThreshold, 0.5f);
    rig.set(kInputFilter, 0.0f);
    rig.set(kDetFilter, 0.0f);
    rig.set(kDetEq, 0.0f);
    rig.set(kRel2Level, 0.0f);
    rig.engine.updateBlock(rig.store);
    rig.engine.updateBlock(rig.store);
    const Engine& e = rig.engine;
    float l, r;
    for (int n = 0; n < 44100 * 3; ++n) rig.sample(0.5f, 0.5f, l, r);
    const float* cv = EngineProbe::smoothedValues(e);
    const float g = gainCurve(0.5f, cv[kThreshold], cv[kRatio], cv[kKnee], cv[kLinearity]);
    // The slow stages stop short of the target where one step falls below half an ulp
    // of a 32-bit float (about 1e-4 relative for a 100 ms stage): "within rounding".
    EXPECT_NEAR(e.meters().gainL, g, g * 5e-4f) << type;
    EXPECT_NEAR(l, 0.5f * g * EngineProbe::makeupGain(e) * cv[kOutputGain], 1e-3f) << type;
  }
}

TEST(SampleChain, NonFiniteInputCountsAsSilence) {
  const float bad[] = {std::numeric_limits<float>::quiet_NaN(),
                       std::numeric_limits<float>::infinity(),
                       -std::numeric_limits<float>::infinity()};
  for (float mode : {test::kLinkHighest, test::kLinkMix, test::kLinkOff}) {
    for (float b : bad) {
      auto run = [&](float burst) {
        Rig rig(1);
        rig.set(kStereoLink, mode);
        rig.set(kDetEq, 1.0f);
        rig.set(kEqMid, 0.8f);
        noiseSeed.store(99);
        auto inL = test::programMaterial(20000, 0), inR = test::programMaterial(20000, 1);
        for (int i = 5000; i < 5300; ++i) inL[i] = inR[i] = burst;
        inL[9000] = burst;  // single bad samples, one channel at a time
        inR[9001] = burst;
        std::vector<float> outL, outR;
        rig.render(inL, inR, outL, outR);
        outL.insert(outL.end(), outR.begin(), outR.end());
        return outL;
      };
      const auto withBad = run(b);
      for (float x : withBad) ASSERT_TRUE(std::isfinite(x));
      EXPECT_EQ(withBad, run(0.0f)) << "mode " << mode << " value " << b;
    }
  }
}

}  // namespace
}  // namespace tarvo::dsp
