#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "engine_fixture.h"
#include "params/param_table.h"

namespace tarvo::dsp {
namespace {

using namespace tarvo::params;
using test::Rig;

constexpr int kFrames = 3000;

struct Buffers {
  std::vector<float> inL = test::programMaterial(kFrames, 0);
  std::vector<float> inR = test::programMaterial(kFrames, 1);
  std::vector<float> outL = std::vector<float>(kFrames, 0.0f);
  std::vector<float> outR = std::vector<float>(kFrames, 0.0f);
  float* in[2] = {inL.data(), inR.data()};
  float* out[2] = {outL.data(), outR.data()};
};

TEST(BlockLoops, ProcessAddsAndProcessReplacingReplaces) {
  Buffers replaced, added;
  const auto bed = test::sine(kFrames, 300.0, 0.3);
  added.outL = bed;
  added.outR = bed;
  replaced.outL.assign(kFrames, 7.0f);
  {
    Rig rig(3);
    noiseSeed.store(11);
    rig.engine.processReplacing(replaced.in, replaced.out, kFrames, rig.store);
  }
  {
    Rig rig(3);
    noiseSeed.store(11);
    rig.engine.process(added.in, added.out, kFrames, rig.store);
  }
  for (int i = 0; i < kFrames; ++i) {
    ASSERT_EQ(added.outL[i], bed[i] + replaced.outL[i]) << i;
    ASSERT_EQ(added.outR[i], bed[i] + replaced.outR[i]) << i;
  }
  EXPECT_GT(test::peak(replaced.outL, 0, kFrames), 0.05f);
}

TEST(BlockLoops, ProcessReplacingWorksInPlace) {
  Buffers separate, inPlace;
  for (float mode : {test::kLinkHighest, test::kLinkOff}) {
    {
      Rig rig(8);
      rig.set(kStereoLink, mode);
      noiseSeed.store(3);
      rig.engine.processReplacing(separate.in, separate.out, kFrames, rig.store);
    }
    {
      Rig rig(8);
      rig.set(kStereoLink, mode);
      noiseSeed.store(3);
      rig.engine.processReplacing(inPlace.in, inPlace.in, kFrames, rig.store);
    }
    EXPECT_EQ(separate.outL, inPlace.inL);
    EXPECT_EQ(separate.outR, inPlace.inR);
    inPlace = Buffers();
  }
}

TEST(BlockLoops, NoFramesOrNoBuffersRunOnlyTheBlockUpdate) {
  Buffers b;
  const auto inL = b.inL, outL = b.outL;
  float* nullPair[2] = {nullptr, b.outR.data()};
  struct Call {
    float** in;
    float** out;
    int32_t frames;
  } calls[] = {{b.in, b.out, 0},    {b.in, b.out, -5},      {nullptr, b.out, 64},
               {b.in, nullptr, 64}, {nullptr, nullptr, 64}, {nullPair, b.out, 64},
               {b.in, nullPair, 64}};
  for (bool adding : {false, true}) {
    for (const Call& c : calls) {
      Rig rig(0);
      rig.engine.updateBlock(rig.store);
      rig.set(kThreshold, 0.25f);
      if (adding) {
        rig.engine.process(c.in, c.out, c.frames, rig.store);
      } else {
        rig.engine.processReplacing(c.in, c.out, c.frames, rig.store);
      }
      EXPECT_FALSE(rig.changed(kThreshold));
      EXPECT_EQ(EngineProbe::targetValues(rig.engine)[kThreshold], targetValue(kThreshold, 0.25f));
      EXPECT_EQ(EngineProbe::rampRemaining(rig.engine), 4410u);
      EXPECT_EQ(b.inL, inL);
      EXPECT_EQ(b.outL, outL);
      EXPECT_EQ(rig.engine.meters().inL, 0.0f);
    }
  }
}

TEST(Meters, InputAndOutputRiseAtOnceAndFallWith200ms) {
  Rig rig(0);
  rig.set(kAutoGain, 0.0f);
  rig.engine.updateBlock(rig.store);
  const Engine& e = rig.engine;
  float l, r;
  rig.sample(0.5f, 0.25f, l, r);
  EXPECT_NEAR(e.meters().inL, 0.5f, 1e-7f);
  EXPECT_NEAR(e.meters().inR, 0.25f, 1e-7f);
  EXPECT_EQ(e.meters().outL, std::fabs(l));
  EXPECT_EQ(e.meters().outR, std::fabs(r));
  // 0.2 s of silence: each follower falls to about 1/e of its peak.
  for (int n = 0; n < 8820; ++n) rig.sample(0.0f, 0.0f, l, r);
  EXPECT_NEAR(e.meters().inL, 0.5f * std::exp(-1.0f), 1e-4f);
  EXPECT_NEAR(e.meters().inR, 0.25f * std::exp(-1.0f), 1e-4f);
  EXPECT_NEAR(e.meters().outL, 0.5f * std::exp(-1.0f), 1e-4f);
}

// The noise keeps every state away from subnormal numbers: an impulse followed by long
// silence leaves no subnormal value anywhere, for every release type and link mode.
TEST(Denormals, NoneAfterAnImpulseAndLongSilence) {
  for (float type : {test::kOpto, test::kPumper, test::kSmooth2, test::kSmooth1, test::kClassic}) {
    for (float mode : {test::kLinkHighest, test::kLinkMix, test::kLinkOff}) {
      for (int program : {1, 5, 19, 20}) {
        Rig rig(program);
        rig.set(kReleaseType, type);
        rig.set(kStereoLink, mode);
        rig.set(kDetEq, 1.0f);
        rig.set(kDetFilter, 1.0f);
        rig.set(kInputFilter, 1.0f);
        std::vector<float> in(44100 * 20, 0.0f), outL, outR;
        in[100] = 1.0f;
        rig.render(in, in, outL, outR, 512);
        int subnormal = 0;
        for (float x : outL) subnormal += std::fpclassify(x) == FP_SUBNORMAL;
        Engine& e = rig.engine;
        const auto count = [&](const float* values, size_t n) {
          for (size_t i = 0; i < n; ++i) subnormal += std::fpclassify(values[i]) == FP_SUBNORMAL;
        };
        count(EngineProbe::smoothedValues(e), kNumParams);
        count(EngineProbe::inputHighPassState(e), 4);
        count(EngineProbe::detectorEqState(e), 12);
        count(EngineProbe::detectorHighPassState(e), 2);
        for (int c = 0; c < 2; ++c) {
          const auto env = EngineProbe::envelopeValues(e, c);
          count(env.data(), env.size());
        }
        const MeterReadings m = e.meters();
        const float meters[] = {m.inL, m.inR, m.outL, m.outR, m.gainL, m.gainR};
        count(meters, 6);
        EXPECT_EQ(subnormal, 0) << "type " << type << " link " << mode << " program " << program;
      }
    }
  }
}

}  // namespace
}  // namespace tarvo::dsp

namespace tarvo::dsp {
namespace {

// Two engines process on their own threads (sharing the noise generator) while another
// thread moves parameters and reads the meters and selector positions, as the host's
// interface thread and the editor do. Run under ThreadSanitizer this finds data races.
TEST(Threads, EnginesRunWhileParametersAndMetersAreShared) {
  Rig a(1), b(3);
  std::atomic<bool> stop{false};
  std::atomic<int> bad{0};
  auto audio = [&](Rig& rig) {
    auto inL = test::programMaterial(2048, 0), inR = test::programMaterial(2048, 1);
    std::vector<float> outL, outR;
    for (int pass = 0; pass < 40; ++pass) {
      rig.render(inL, inR, outL, outR, 256);
      for (float x : outL) bad += !std::isfinite(x);
    }
  };
  std::thread ui([&] {
    float v = 0.0f;
    while (!stop.load()) {
      for (Rig* rig : {&a, &b}) {
        rig->set(kThreshold, v);
        rig->set(kReleaseType, 1.0f - v);
        rig->set(kStereoLink, v);
        const MeterReadings m = rig->engine.meters();
        bad += !std::isfinite(m.gainL + m.inR);
        bad += rig->engine.releaseType() > 4;
      }
      v = v > 0.9f ? 0.0f : v + 0.1f;
      std::this_thread::yield();
    }
  });
  std::thread ta([&] { audio(a); });
  std::thread tb([&] { audio(b); });
  ta.join();
  tb.join();
  stop = true;
  ui.join();
  EXPECT_EQ(bad.load(), 0);
}

}  // namespace
}  // namespace tarvo::dsp
