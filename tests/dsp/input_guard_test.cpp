// The limit on input samples where they enter the chain: ordinary audio passes unchanged,
// huge or non-finite samples are limited or silenced, and nothing downstream overflows.
#include "dsp/input_guard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "engine_fixture.h"

namespace tarvo::dsp::test {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kMax = std::numeric_limits<float>::max();

TEST(InputGuard, LimitsHugeSamplesAndSilencesNonFiniteOnes) {
  EXPECT_EQ(guardInput(0.5f), 0.5f);
  EXPECT_EQ(guardInput(-1e-40f), -1e-40f);  // denormals pass as they are
  EXPECT_EQ(guardInput(kInputLimit), kInputLimit);
  EXPECT_EQ(guardInput(-kInputLimit), -kInputLimit);
  EXPECT_EQ(guardInput(1.5e6f), kInputLimit);
  EXPECT_EQ(guardInput(-kMax), -kInputLimit);
  EXPECT_EQ(guardInput(kInf), 0.0f);
  EXPECT_EQ(guardInput(-kInf), 0.0f);
  EXPECT_EQ(guardInput(std::numeric_limits<float>::quiet_NaN()), 0.0f);
}

// Two rigs with the same noise sequence: one fed the samples already limited by
// guardInput, one fed the host's samples as they are.
struct Pair {
  Rig direct{3}, guarded{3};
  void run(std::vector<float> inL, std::vector<float> inR, std::vector<float>& outDirectL,
           std::vector<float>& outGuardedL, int block) {
    std::vector<float> outR(inL.size());
    outDirectL.assign(inL.size(), 0.0f);
    outGuardedL.assign(inL.size(), 0.0f);
    const uint32_t seed = noiseSeed.load();
    for (size_t pos = 0; pos < inL.size(); pos += block) {
      const int n = static_cast<int>(std::min<size_t>(block, inL.size() - pos));
      std::vector<float> l(inL.begin() + pos, inL.begin() + pos + n);
      std::vector<float> r(inR.begin() + pos, inR.begin() + pos + n);
      for (float& x : l) x = guardInput(x);
      for (float& x : r) x = guardInput(x);
      float* in[2] = {l.data(), r.data()};
      float* out[2] = {outDirectL.data() + pos, outR.data() + pos};
      direct.engine.processReplacing(in, out, n, direct.store);
    }
    noiseSeed.store(seed);
    for (size_t pos = 0; pos < inL.size(); pos += block) {
      const int n = static_cast<int>(std::min<size_t>(block, inL.size() - pos));
      float* in[2] = {inL.data() + pos, inR.data() + pos};
      float* out[2] = {outGuardedL.data() + pos, outR.data() + pos};
      guarded.engine.processReplacing(in, out, n, guarded.store);
    }
  }
};

TEST(InputGuard, OrdinaryBlocksAreBitForBitTheEngines) {
  Pair p;
  const auto left = programMaterial(44100, 0), right = programMaterial(44100, 1);
  std::vector<float> a, b;
  p.run(left, right, a, b, 500);
  ASSERT_EQ(a.size(), b.size());
  EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(float)), 0);
}

TEST(InputGuard, ABlockWithAHugeSampleIsTheEngineOnTheLimitedCopy) {
  Pair p;
  std::vector<float> warm(22050, 0.0f), a, b;  // past every ramp: the chain is settled
  p.run(warm, warm, a, b, 512);
  auto left = sine(4000, 440.0, 0.5), right = sine(4000, 660.0, 0.5);
  auto limited = left;
  left[1234] = 3e30f;
  limited[1234] = kInputLimit;
  // The engine on the limited copy, and on the original.
  const uint32_t seed = noiseSeed.load();
  std::vector<float> outL(4000), outR(4000), guardedL(4000);
  float* in[2] = {limited.data(), right.data()};
  float* out[2] = {outL.data(), outR.data()};
  p.direct.engine.processReplacing(in, out, 4000, p.direct.store);
  noiseSeed.store(seed);
  float* hostIn[2] = {left.data(), right.data()};
  float* hostOut[2] = {guardedL.data(), outR.data()};
  p.guarded.engine.processReplacing(hostIn, hostOut, 4000, p.guarded.store);
  for (int i = 0; i < 4000; ++i) ASSERT_EQ(guardedL[i], outL[i]) << i;
  EXPECT_EQ(left[1234], 3e30f);  // the host's buffer is only read
}

// Hostile input at every gain's maximum: 1:2 expansion, input +20 dB, detector EQ at
// +20 dB in every band, output +40 dB. Output and meters stay finite, and afterwards the
// chain gives what a fresh one gives.
TEST(InputGuard, HugeInputAtMaximumGainsKeepsOutputAndMetersFinite) {
  auto extreme = [](Rig& r) {
    r.set(params::kRatio, 0.0f);
    r.set(params::kInputGain, 1.0f);
    r.set(params::kOutputGain, 1.0f);
    r.set(params::kDetEq, 1.0f);
    r.set(params::kEqLow, 1.0f);
    r.set(params::kEqMid, 1.0f);
    r.set(params::kEqHigh, 1.0f);
    r.set(params::kThreshold, 0.0f);
  };
  Rig rig, fresh;
  extreme(rig);
  extreme(fresh);
  const float hostile[] = {3.4e38f, -kMax, 1e37f, 1e20f, kInf, -kInf, 1e6f, 5e5f};
  std::vector<float> l(2048), r(2048), out(2048), outR(2048);
  for (float level : hostile) {
    for (int i = 0; i < 2048; ++i) {
      l[i] = (i / 37) % 2 ? level : -level;  // a square at the level
      r[i] = level;                          // DC
    }
    float* in[2] = {l.data(), r.data()};
    float* o[2] = {out.data(), outR.data()};
    rig.engine.processReplacing(in, o, 2048, rig.store);
    for (int i = 0; i < 2048; ++i) {
      ASSERT_TRUE(std::isfinite(out[i]) && std::isfinite(outR[i])) << level << " at " << i;
    }
    const Engine& e = rig.engine;
    const MeterReadings mr = e.meters();
    for (float m : {mr.inL, mr.inR, mr.outL, mr.outR, mr.gainL, mr.gainR}) {
      ASSERT_TRUE(std::isfinite(m)) << level;
    }
  }
  // Recovery: two seconds of a quiet sine, then both chains agree within 1 dB.
  const auto s = sine(88200, 997.0, 0.01);
  std::vector<float> a, b, ar, br;
  rig.render(s, s, a, ar, 512);
  fresh.render(s, s, b, br, 512);
  const float pa = peak(a, 80000, 88200), pb = peak(b, 80000, 88200);
  EXPECT_GT(pb, 0.0f);
  EXPECT_NEAR(pa / pb, 1.0f, 0.12f);
}

}  // namespace
}  // namespace tarvo::dsp::test
