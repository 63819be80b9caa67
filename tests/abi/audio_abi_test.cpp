// The audio entries of the built binary as a host calls them: adding and replacing loops,
// in-place buffers, level behaviour and the meter feed. The chain adds a tiny noise
// (about 1e-8 of full scale), so comparisons allow for it.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "plugin/meter_query.h"
#include "vsthost/vst_host.h"

namespace tarvo::host {
namespace {

using namespace tarvo::vst;

constexpr int kRate = 44100;

class AudioAbi : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { library = new PluginLibrary(TARVO_PLUGIN_PATH); }
  static void TearDownTestSuite() {
    delete library;
    library = nullptr;
  }
  void SetUp() override {
    plugin = std::make_unique<PluginInstance>(*library);
    plugin->dispatch(effSetSampleRate, 0, 0, nullptr, float(kRate));
    plugin->dispatch(effMainsChanged, 0, 1);
  }
  // Runs `frames` of the two inputs through processReplacing in blocks of `block`.
  void run(std::vector<float>& left, std::vector<float>& right, std::vector<float>& outL,
           std::vector<float>& outR, int block = 256) {
    for (size_t start = 0; start < left.size(); start += block) {
      const int n = int(std::min<size_t>(block, left.size() - start));
      float* in[2] = {left.data() + start, right.data() + start};
      float* out[2] = {outL.data() + start, outR.data() + start};
      plugin->processReplacing(in, out, n);
    }
  }
  std::array<float, 6> meters() {
    std::array<float, 6> m{};
    EXPECT_EQ(plugin->dispatch(effVendorSpecific, plugin::kMeterQueryIndex,
                               plugin::kMeterQueryValue, m.data()),
              1);
    return m;
  }
  static std::vector<float> sine(int frames, double freq, double amp) {
    std::vector<float> s(frames);
    for (int i = 0; i < frames; ++i)
      s[i] = float(amp * std::sin(2 * 3.14159265358979323846 * freq * i / kRate));
    return s;
  }
  static inline PluginLibrary* library = nullptr;
  std::unique_ptr<PluginInstance> plugin;
};

// Ratio 1:1, Auto-Gain off: the gain is exactly 1, output = input x output gain + noise.
TEST_F(AudioAbi, UnityRatioScalesByTheOutputGainOnly) {
  plugin->setParameter(3, 0.5f);   // 1:1
  plugin->setParameter(1, 0.0f);   // Auto-Gain off
  plugin->setParameter(2, 0.75f);  // +20 dB
  auto left = sine(8192, 997, 0.05), right = sine(8192, 331, 0.02);
  std::vector<float> outL(left.size()), outR(left.size());
  run(left, right, outL, outR);
  for (size_t i = 0; i < left.size(); ++i) {
    ASSERT_NEAR(outL[i], 10.0f * left[i], 1e-6f) << i;
    ASSERT_NEAR(outR[i], 10.0f * right[i], 1e-6f) << i;
  }
  const auto m = meters();
  EXPECT_EQ(m[4], 1.0f);
  EXPECT_EQ(m[5], 1.0f);
}

TEST_F(AudioAbi, ProcessAddsProcessReplacingReplacesAndWorksInPlace) {
  plugin->setParameter(3, 0.5f);
  plugin->setParameter(1, 0.0f);
  auto left = sine(512, 440, 0.25), right = sine(512, 660, 0.25);
  std::vector<float> outL(512, 0.5f), outR(512, -0.5f);
  float* in[2] = {left.data(), right.data()};
  float* out[2] = {outL.data(), outR.data()};
  plugin->process(in, out, 512);
  for (int i = 0; i < 512; ++i) {
    ASSERT_NEAR(outL[i], 0.5f + left[i], 1e-6f);
    ASSERT_NEAR(outR[i], -0.5f + right[i], 1e-6f);
  }
  // In place: the same buffers for input and output.
  std::vector<float> l = left, r = right;
  float* io[2] = {l.data(), r.data()};
  plugin->processReplacing(io, io, 512);
  for (int i = 0; i < 512; ++i) {
    ASSERT_NEAR(l[i], left[i], 1e-6f);
    ASSERT_NEAR(r[i], right[i], 1e-6f);
  }
}

TEST_F(AudioAbi, ZeroFramesAndNullBuffersTouchNothingButApplyChanges) {
  std::vector<float> buffer(16, 0.125f);
  float* io[2] = {buffer.data(), buffer.data()};
  plugin->setParameter(9, 0.25f);
  plugin->processReplacing(io, io, 0);
  plugin->process(io, io, -5);
  for (float s : buffer) EXPECT_EQ(s, 0.125f);
  EXPECT_EQ(plugin->parameterDisplay(9), "Pumper");  // the block update ran
  float* none[2] = {nullptr, nullptr};
  plugin->processReplacing(none, none, 64);
  plugin->processReplacing(nullptr, nullptr, 64);
}

// A limiter setting holds a 0 dB sine near the threshold once the attack has acted.
TEST_F(AudioAbi, LimiterHoldsTheLevelAtTheThreshold) {
  plugin->setParameter(0, 0.5f);   // threshold -20 dB
  plugin->setParameter(3, 1.0f);   // oo:1
  plugin->setParameter(1, 0.0f);   // no make-up
  plugin->setParameter(4, 0.0f);   // fastest attack
  plugin->setParameter(14, 0.0f);  // hard knee
  auto left = sine(kRate, 1000, 1.0), right = left;
  std::vector<float> outL(left.size()), outR(left.size());
  run(left, right, outL, outR);
  float peak = 0.0f;
  for (size_t i = left.size() / 2; i < left.size(); ++i) peak = std::max(peak, std::fabs(outL[i]));
  EXPECT_NEAR(20.0 * std::log10(peak), -20.0, 1.5);
  EXPECT_LT(meters()[4], 0.2f);  // about 20 dB of gain reduction
}

// Link "Off": each channel has its own envelope; a silent left channel keeps gain 1.
TEST_F(AudioAbi, LinkOffLeavesTheQuietChannelAlone) {
  plugin->setParameter(0, 0.25f);  // threshold -30 dB
  plugin->setParameter(3, 1.0f);
  plugin->setParameter(16, 1.0f);  // Off
  std::vector<float> left(kRate / 2, 0.0f);
  auto right = sine(kRate / 2, 500, 0.8);
  std::vector<float> outL(left.size()), outR(left.size());
  run(left, right, outL, outR);
  const auto m = meters();
  EXPECT_GT(m[4], 0.999f);
  EXPECT_LT(m[5], 0.5f);
  // With the default link "Highest" the loud right channel pulls the left down too.
  plugin->setParameter(16, 0.0f);
  run(left, right, outL, outR);
  EXPECT_LT(meters()[4], 0.5f);
}

// Non-finite input from a broken upstream plug-in is taken as silence, and the output
// recovers as soon as it stops.
TEST_F(AudioAbi, NonFiniteInputDoesNotPoisonTheChain) {
  for (float bad : {NAN, INFINITY, -INFINITY}) {
    for (float link : {0.0f, 0.5f, 1.0f}) {
      plugin->setParameter(16, link);
      std::vector<float> left(1024, bad), right(1024, 0.3f);
      std::vector<float> outL(1024), outR(1024);
      run(left, right, outL, outR);
      for (float s : outL) ASSERT_TRUE(std::isfinite(s));
      auto l2 = sine(2048, 440, 0.3), r2 = l2;
      std::vector<float> o2L(2048), o2R(2048);
      run(l2, r2, o2L, o2R);
      for (size_t i = 0; i < o2L.size(); ++i)
        ASSERT_TRUE(std::isfinite(o2L[i]) && std::isfinite(o2R[i]));
      for (float v : meters()) EXPECT_TRUE(std::isfinite(v));
    }
  }
}

}  // namespace
}  // namespace tarvo::host
