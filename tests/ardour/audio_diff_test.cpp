// The comparison behind the Ardour check: it must see every kind of difference a host can
// introduce (a gain, a delay, a lost channel, a NaN) and measure it in the right units.
#include "ardour/audio_diff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace tarvo::ardour {
namespace {

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

TEST(ArdourCompare, IdenticalSignalsHaveNoDifference) {
  const std::vector<float> a = tone(4800);
  const DiffStats s = compareSignals(a, a, 2);
  EXPECT_EQ(s.frames, 4800);
  EXPECT_EQ(s.maxAbs, 0.0);
  EXPECT_EQ(s.rmsDifference, 0.0);
  // Mean square of the two sines: (0.5^2 / 2 + 0.25^2 / 2) / 2.
  EXPECT_NEAR(s.rmsReference, std::sqrt((0.125 + 0.03125) / 2.0), 1e-4);
  EXPECT_TRUE(withinTolerance(s, {1e-9, 1e-9}));
}

TEST(ArdourCompare, MeasuresAConstantOffsetExactly) {
  const std::vector<float> ref(2000, 0.0f);
  std::vector<float> test = ref;
  for (size_t i = 0; i < test.size(); i += 2) test[i] = 0.001f;  // left only
  const DiffStats s = compareSignals(test, ref, 2);
  EXPECT_FLOAT_EQ(s.maxAbs, 0.001f);
  EXPECT_EQ(s.maxAbsChannel, 0);
  EXPECT_EQ(s.maxAbsFrame, 0);
  // Half of the samples carry 0.001: RMS = 0.001 / sqrt(2).
  EXPECT_NEAR(s.rmsDifference, 0.001 / std::sqrt(2.0), 1e-9);
  EXPECT_EQ(dBText(s.maxAbs), "-60.0");
}

TEST(ArdourCompare, FindsWhereTheLargestDifferenceIs) {
  const std::vector<float> ref = tone(1000);
  std::vector<float> test = ref;
  test[2 * 700 + 1] += 0.01f;  // frame 700, right channel
  test[2 * 100] += 0.002f;
  const DiffStats s = compareSignals(test, ref, 2);
  EXPECT_EQ(s.maxAbsFrame, 700);
  EXPECT_EQ(s.maxAbsChannel, 1);
  EXPECT_NEAR(s.maxAbs, 0.01, 1e-6);
}

TEST(ArdourCompare, AOneSampleDelayIsFarOutsideANoiseTolerance) {
  const std::vector<float> ref = tone(4800);
  std::vector<float> delayed(ref.size(), 0.0f);
  std::copy(ref.begin(), ref.end() - 2, delayed.begin() + 2);
  const DiffStats s = compareSignals(delayed, ref, 2);
  // A 1 kHz sine at 0.5 moves by up to 0.5 * 2 pi * 1000 / 48000 = 0.065 per sample.
  EXPECT_GT(s.maxAbs, 0.06);
  EXPECT_FALSE(withinTolerance(s, {1e-5, 1e-6}));
}

TEST(ArdourCompare, AGainChangeOfATenthOfADecibelIsSeen) {
  const std::vector<float> ref = tone(4800);
  std::vector<float> louder = ref;
  const float g = static_cast<float>(std::pow(10.0, 0.1 / 20.0));
  for (float& x : louder) x *= g;
  const DiffStats s = compareSignals(louder, ref, 2);
  EXPECT_NEAR(s.maxAbs, 0.5 * (g - 1.0f), 1e-5);
  EXPECT_FALSE(withinTolerance(s, {1e-5, 1e-6}));
}

TEST(ArdourCompare, NonFiniteSamplesNeverPass) {
  const std::vector<float> ref = tone(100);
  std::vector<float> test = ref;
  test[51] = std::numeric_limits<float>::quiet_NaN();
  const DiffStats s = compareSignals(test, ref, 2);
  EXPECT_EQ(s.nonFinite, 1);
  EXPECT_TRUE(std::isinf(s.maxAbs));
  EXPECT_EQ(s.maxAbsFrame, 25);
  EXPECT_FALSE(withinTolerance(s, {1.0, 1.0}));
}

TEST(ArdourCompare, RefusesSignalsOfDifferentShape) {
  EXPECT_THROW(compareSignals(std::vector<float>(10), std::vector<float>(12), 2),
               std::invalid_argument);
  EXPECT_THROW(compareSignals(std::vector<float>(9), std::vector<float>(9), 2),
               std::invalid_argument);
  EXPECT_THROW(compareSignals(std::vector<float>(4), std::vector<float>(4), 0),
               std::invalid_argument);
}

TEST(ArdourCompare, FindsTheLagOfAShiftedCopy) {
  const std::vector<float> ref = tone(20000);
  std::vector<float> early(ref.size(), 0.0f);  // early[t] = ref[t + 16]
  std::copy(ref.begin() + 2 * 16, ref.end(), early.begin());
  EXPECT_EQ(bestLag(early, ref, 2, 64, 4096), -16);
  const DiffStats s = compareShifted(early, ref, 2, -16);
  EXPECT_EQ(s.frames, 20000 - 16);
  EXPECT_EQ(s.maxAbs, 0.0);

  std::vector<float> late(ref.size(), 0.0f);  // late[t] = ref[t - 5]
  std::copy(ref.begin(), ref.end() - 2 * 5, late.begin() + 2 * 5);
  EXPECT_EQ(bestLag(late, ref, 2, 64, 4096), 5);
  EXPECT_EQ(compareShifted(late, ref, 2, 5).maxAbs, 0.0);
}

TEST(ArdourCompare, NoShiftExplainsAGainChange) {
  const std::vector<float> ref = tone(20000);
  std::vector<float> quieter = ref;
  for (float& x : quieter) x *= 0.9f;
  const int64_t lag = bestLag(quieter, ref, 2, 64, 4096);
  EXPECT_EQ(lag, 0);
  EXPECT_FALSE(withinTolerance(compareShifted(quieter, ref, 2, lag), {1e-5, 1e-6}));
}

TEST(ArdourCompare, DecibelTexts) {
  EXPECT_EQ(dBText(1.0), "0.0");
  EXPECT_EQ(dBText(1e-5), "-100.0");
  EXPECT_EQ(dBText(0.0), "-inf");
  EXPECT_EQ(dBText(std::numeric_limits<double>::infinity()), "+inf");
}

}  // namespace
}  // namespace tarvo::ardour
