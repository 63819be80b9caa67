#include "params/display_text.h"

#include <gtest/gtest.h>

#include <limits>

#include "params/param_table.h"

namespace tarvo::params {
namespace {

// The host's display texts of every parameter at v = 0, 0.5 and 1. "-" = nothing written.
struct Row {
  int index;
  const char* at0;
  const char* atHalf;
  const char* at1;
};

constexpr Row kRows[] = {
    {kThreshold, "-40.0 dB", "-20.0 dB", "0.000 dB"},
    {kAutoGain, "Off", "Off", "On"},
    {kOutputGain, "-40.0 dB", "0.000 dB", "40.00 dB"},
    {kRatio, "1:2", "1:1", "oo:1"},
    {kAttack, "0.100 ms", "10.00 ms", "1000  ms"},
    {kRelease, "5.000 ms", "158.1 ms", "5000  ms"},
    {kInputGain, "-20.0 dB", "0.000 dB", "20.00 dB"},
    {kBalance, "L100", "0", "R100"},
    {kInputFilter, "Off", "Off", "On"},
    {kPdeRate, "0.000 %", "50.00 %", "100.0 %"},
    {kPdeTime, "40.00 ms", "200.0 ms", "1000  ms"},
    {kRelease2, "20.00 ms", "44.72 ms", "100.0 ms"},
    {kRel2Level, "0.000 %", "50.00 %", "100.0 %"},
    {kKnee, "Hard", "50.00 %", "Soft"},
    {kLinearity, "0.000 %", "50.00 %", "100.0 %"},
    {kDetFilter, "Off", "Off", "On"},
    {kFilterFreq, "1.000 Hz", "10.00 Hz", "100.0 Hz"},
    {kDetEq, "Off", "Off", "On"},
    {kEqLow, "-20.0 dB", "0.000 dB", "20.00 dB"},
    {kEqMid, "-20.0 dB", "0.000 dB", "20.00 dB"},
    {kEqHigh, "-20.0 dB", "0.000 dB", "20.00 dB"},
    {kReserved1, "-", "-", "-"},
    {kReserved2, "-", "-", "-"},
};

std::string shown(int index, float v) {
  auto text = displayText(index, v);
  return text ? *text : "-";
}

TEST(DisplayText, EveryParameterAtBothEndsAndTheMiddle) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(kParams[row.index].name);
    EXPECT_EQ(shown(row.index, 0.0f), row.at0);
    EXPECT_EQ(shown(row.index, 0.5f), row.atHalf);
    EXPECT_EQ(shown(row.index, 1.0f), row.at1);
  }
}

TEST(DisplayText, AwkwardValues) {
  EXPECT_EQ(shown(kThreshold, 0.125f), "-35.0 dB");
  EXPECT_EQ(shown(kAttack, 0.125f), "0.316 ms");
  EXPECT_EQ(shown(kRelease, 0.999f), "4965  ms");
  EXPECT_EQ(shown(kOutputGain, 0.999f), "39.92 dB");
  EXPECT_EQ(shown(kBalance, 0.125f), "L75");
  EXPECT_EQ(shown(kBalance, 0.75f), "R50");
  EXPECT_EQ(shown(kKnee, 0.001f), "0.100 %");
  EXPECT_EQ(shown(kKnee, 0.999f), "99.90 %");
  EXPECT_EQ(shown(kAutoGain, 0.5000001f), "On");
  // Every text fits the 8 characters hosts reserve, plus the terminating zero.
  for (int i = 0; i < kNumParams; ++i) {
    for (float v : {0.0f, 0.001f, 0.125f, 0.333f, 0.5f, 0.777f, 0.999f, 1.0f}) {
      EXPECT_LE(shown(i, v).size(), 8u) << kParams[i].name << " at " << v;
    }
  }
}

TEST(DisplayText, RatioTexts) {
  EXPECT_EQ(shown(kRatio, 0.1f), "1:1.8");
  EXPECT_EQ(shown(kRatio, 0.6f), "1.25:1");
  EXPECT_EQ(shown(kRatio, 0.75f), "2:1");
  EXPECT_EQ(shown(kRatio, 0.9f), "5:1");
  EXPECT_EQ(shown(kRatio, 0.97f), "16.7:1");
  EXPECT_EQ(shown(kRatio, 0.98f), "25:1");
  EXPECT_EQ(shown(kRatio, 0.999f), "oo:1");
}

TEST(DisplayText, SelectorsNameThePositionOfTheValue) {
  const char* releaseNames[] = {"Opto", "Pumper", "Smooth 2", "Smooth 1", "Classic"};
  for (int t = 0; t < 5; ++t) EXPECT_EQ(shown(kReleaseType, float(t) / 4.0f), releaseNames[t]);
  const char* linkNames[] = {"Highest", "Mix", "Off"};
  for (int m = 0; m < 3; ++m) EXPECT_EQ(shown(kStereoLink, float(m) / 2.0f), linkNames[m]);
  // Values outside 0..1 (a caller that does not clamp) select no position.
  for (float v : {-0.4f, 1.4f, std::numeric_limits<float>::quiet_NaN(), 1e30f}) {
    EXPECT_EQ(shown(kReleaseType, v), "-") << v;
    EXPECT_EQ(shown(kStereoLink, v), "-") << v;
  }
}

TEST(DisplayText, IndicesOutsideTheTableWriteNothing) {
  EXPECT_FALSE(displayText(-1, 0.5f).has_value());
  EXPECT_FALSE(displayText(25, 0.5f).has_value());
}

}  // namespace
}  // namespace tarvo::params
