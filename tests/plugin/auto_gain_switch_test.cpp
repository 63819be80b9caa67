// Auto-Gain is a switch that is on only above 0.5: a project that stored exactly 0.5 gets
// no make-up gain (docs/compatibility.md). Checked through the plug-in's record, with the
// output of a full-scale sine under heavy compression.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "params/param_table.h"
#include "plugin/meter_query.h"
#include "plugin/recording_host.h"

namespace tarvo::testing {
namespace {

using namespace tarvo::vst;

constexpr int kFrames = 8192;
constexpr int kBlock = 512;

// Left output of a full-scale 1 kHz sine at 48 kHz through "Mix Down" with the threshold at
// -30 dB and the given Auto-Gain value. The dither noise has a fixed seed, so two renders
// with the same settings are identical to the bit.
std::vector<float> RenderWithAutoGain(float autoGain) {
  EffectFixture f;
  f.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
  f.dispatch(effSetProgram, 0, 13);
  f.record->setParameter(f.record, params::kThreshold, 0.25f);
  f.record->setParameter(f.record, params::kAutoGain, autoGain);
  uint32_t seed = 1234;
  f.dispatch(effVendorSpecific, plugin::kMeterQueryIndex, plugin::kNoiseSeedValue, &seed);
  f.dispatch(effMainsChanged, 0, 1);
  std::vector<float> out;
  std::vector<float> left(kBlock), right(kBlock);
  float* io[2] = {left.data(), right.data()};
  for (int start = 0; start < kFrames; start += kBlock) {
    for (int i = 0; i < kBlock; ++i) {
      left[i] = right[i] =
          static_cast<float>(std::sin(2.0 * std::numbers::pi * 1000.0 * (start + i) / 48000.0));
    }
    f.record->processReplacing(f.record, io, io, kBlock);
    out.insert(out.end(), left.begin(), left.end());
  }
  return out;
}

double RmsOfSecondHalf(const std::vector<float>& x) {
  double sum = 0.0;
  for (size_t i = x.size() / 2; i < x.size(); ++i) sum += double(x[i]) * x[i];
  return std::sqrt(sum / double(x.size() - x.size() / 2));
}

TEST(AutoGainSwitch, ExactlyHalfAppliesNoMakeUpGain) {
  const std::vector<float> off = RenderWithAutoGain(0.0f);
  const std::vector<float> half = RenderWithAutoGain(0.5f);
  const std::vector<float> on = RenderWithAutoGain(1.0f);
  ASSERT_EQ(half.size(), off.size());
  for (size_t i = 0; i < off.size(); ++i) ASSERT_EQ(half[i], off[i]) << "sample " << i;
  // The make-up gain that 0.5 must not apply: with the switch on, the compressed sine
  // comes back near full scale, far louder than without it.
  const double gainDb = 20.0 * std::log10(RmsOfSecondHalf(on) / RmsOfSecondHalf(off));
  EXPECT_GT(gainDb, 6.0);
}

}  // namespace
}  // namespace tarvo::testing
