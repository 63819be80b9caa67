// The comparison behind the Windows and the Ardour stages: it must see every kind of
// difference a build or a host can introduce (a gain, a delay, a lost sample, a NaN), measure
// it against the right side and in the right units, and tell a time shift's direction.
#include "compare/audio_diff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace tarvo::compare {
namespace {

constexpr Limits kArdourLimits{-110.0, -120.0};

// A stereo test tone: left a 1 kHz sine at 0.5, right a 300 Hz sine at 0.25 (48 kHz).
std::vector<float> tone(int frames) {
  std::vector<float> s(static_cast<size_t>(frames) * 2);
  for (int n = 0; n < frames; ++n) {
    s[2 * n] = static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * 1000.0 * n / 48000.0));
    s[2 * n + 1] =
        static_cast<float>(0.25 * std::sin(2.0 * std::numbers::pi * 300.0 * n / 48000.0));
  }
  return s;
}

TEST(AudioDiff, MeasuresAgainstTheReferenceAndLocatesTheLargestDifference) {
  const std::vector<float> ref = tone(4800);
  std::vector<float> cand = ref;
  cand[2 * 700 + 1] -= 0.01f;  // frame 700, right channel
  cand[2 * 100] += 0.002f;
  const Difference d = difference(ref, cand, 2);
  EXPECT_EQ(d.frames, 4800);
  EXPECT_EQ(d.maxFrame, 700);
  EXPECT_EQ(d.maxChannel, 1);
  EXPECT_NEAR(d.maxAbs, 0.01, 1e-6);
  EXPECT_NEAR(d.rms, std::sqrt((1e-4 + 4e-6) / 9600.0), 1e-7);
  // Mean square of the two sines over whole periods: (0.5^2 / 2 + 0.25^2 / 2) / 2.
  EXPECT_NEAR(d.referenceRms, std::sqrt((0.125 + 0.03125) / 2.0), 1e-4);
  EXPECT_EQ(difference(ref, ref, 2).maxAbs, 0.0);
}

TEST(AudioDiff, ASilentReferenceStillMeasuresTheCandidate) {
  const std::vector<float> silence(2000, 0.0f);
  std::vector<float> cand = silence;
  for (size_t i = 0; i < cand.size(); i += 2) cand[i] = 0.001f;  // left only
  const Difference d = difference(silence, cand, 2);
  EXPECT_EQ(d.referenceRms, 0.0);  // the reference's level, not the candidate's
  EXPECT_EQ(dbText(d.referenceRms), "-inf");
  EXPECT_EQ(dbText(d.maxAbs), "-60.0");
  EXPECT_NEAR(d.rms, 0.001 / std::sqrt(2.0), 1e-9);  // half of the samples carry 0.001
  EXPECT_FALSE(within(d, kArdourLimits));
  EXPECT_TRUE(within(difference(silence, silence, 2), kArdourLimits));
}

TEST(AudioDiff, EachLimitHoldsUpToItsEdge) {
  const std::vector<float> ref(1000, 0.0f);
  std::vector<float> cand = ref;
  cand[10] = 0.001f;
  const Difference d = difference(ref, cand, 1);
  const double maxDb = 20.0 * std::log10(d.maxAbs);
  const double rmsDb = 20.0 * std::log10(d.rms);  // 30 dB below the largest
  EXPECT_TRUE(within(d, {maxDb, rmsDb}));
  EXPECT_FALSE(within(d, {maxDb - 0.01, rmsDb}));
  EXPECT_FALSE(within(d, {maxDb, rmsDb - 0.01}));
  EXPECT_FALSE(within(d, {0.0, rmsDb - 0.01}));  // a loose largest limit does not cover the RMS
}

TEST(AudioDiff, NaNOrInfinityInEitherSignalNeverPasses) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const std::vector<float> ref = tone(100);
  for (const float bad : {nan, inf}) {
    std::vector<float> broken = ref;
    broken[51] = bad;
    for (const Difference& d : {difference(ref, broken, 2), difference(broken, ref, 2)}) {
      EXPECT_EQ(d.nonFinite, 1);
      EXPECT_TRUE(std::isinf(d.maxAbs));
      EXPECT_EQ(d.maxFrame, 25);
      EXPECT_FALSE(within(d, {100.0, 100.0}));
    }
  }
  // The same infinity in both (an overload written unclipped) is a broken render too.
  std::vector<float> overload = ref;
  overload[3] = inf;
  EXPECT_FALSE(within(difference(overload, overload, 2), {100.0, 100.0}));
}

TEST(AudioDiff, RefusesSignalsOfDifferentShape) {
  EXPECT_THROW(difference(std::vector<float>(10), std::vector<float>(12), 2),
               std::invalid_argument);
  EXPECT_THROW(difference(std::vector<float>(9), std::vector<float>(9), 2), std::invalid_argument);
  EXPECT_THROW(difference(std::vector<float>(4), std::vector<float>(4), 0), std::invalid_argument);
}

TEST(AudioDiff, AOneSampleDelayOrATenthOfADecibelIsFarOutsideTheNoiseLimits) {
  const std::vector<float> ref = tone(4800);
  std::vector<float> delayed(ref.size(), 0.0f);
  std::copy(ref.begin(), ref.end() - 2, delayed.begin() + 2);
  // A 1 kHz sine at 0.5 moves by up to 0.5 * 2 pi * 1000 / 48000 = 0.065 per sample.
  EXPECT_GT(difference(ref, delayed, 2).maxAbs, 0.06);
  EXPECT_FALSE(within(difference(ref, delayed, 2), kArdourLimits));
  std::vector<float> louder = ref;
  const float g = static_cast<float>(std::pow(10.0, 0.1 / 20.0));
  for (float& x : louder) x *= g;
  EXPECT_NEAR(difference(ref, louder, 2).maxAbs, 0.5 * (g - 1.0f), 1e-5);
  EXPECT_FALSE(within(difference(ref, louder, 2), kArdourLimits));
}

TEST(AudioDiff, FindsTheSignOfAShiftAndNoShiftForAGainChange) {
  const std::vector<float> ref = tone(20000);
  std::vector<float> early(ref.size(), 0.0f);  // early[t] = ref[t + 16]
  std::copy(ref.begin() + 2 * 16, ref.end(), early.begin());
  EXPECT_EQ(bestLag(ref, early, 2, 64, 4096), -16);
  const Difference d = differenceAtLag(ref, early, 2, -16);
  EXPECT_EQ(d.frames, 20000 - 16);
  EXPECT_EQ(d.maxAbs, 0.0);

  std::vector<float> late(ref.size(), 0.0f);  // late[t] = ref[t - 5]
  std::copy(ref.begin(), ref.end() - 2 * 5, late.begin() + 2 * 5);
  EXPECT_EQ(bestLag(ref, late, 2, 64, 4096), 5);
  EXPECT_EQ(differenceAtLag(ref, late, 2, 5).maxAbs, 0.0);

  std::vector<float> quieter = ref;
  for (float& x : quieter) x *= 0.9f;
  EXPECT_EQ(bestLag(ref, quieter, 2, 64, 4096), 0);
}

TEST(AudioDiff, DecibelTexts) {
  EXPECT_EQ(dbText(1.0), "0.0");
  EXPECT_EQ(dbText(1e-5), "-100.0");
  EXPECT_EQ(dbText(0.0), "-inf");
  EXPECT_EQ(dbText(std::numeric_limits<double>::infinity()), "+inf");
}

}  // namespace
}  // namespace tarvo::compare
