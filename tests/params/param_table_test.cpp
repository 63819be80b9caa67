#include "params/param_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "params/factory_presets.h"

namespace tarvo::params {
namespace {

TEST(ParamTable, NamesInIndexOrderAndFullLength) {
  EXPECT_STREQ(kParams[0].name, "Threshold");
  EXPECT_STREQ(kParams[9].name, "Release Type");
  EXPECT_STREQ(kParams[13].name, "Rel.2 Level");
  EXPECT_STREQ(kParams[18].name, "Filter Freq.");
  EXPECT_STREQ(kParams[24].name, "Reserved2");
  size_t longest = 0;
  for (const ParamRecord& r : kParams) longest = std::max(longest, std::strlen(r.name));
  EXPECT_EQ(longest, 12u);
}

TEST(ParamTable, TargetsAtBothEndsAndMiddle) {
  // Logarithmic maps: min * (max/min)^v.
  EXPECT_FLOAT_EQ(targetValue(kThreshold, 0.0f), 0.01f);
  EXPECT_FLOAT_EQ(targetValue(kThreshold, 0.5f), 0.1f);
  EXPECT_FLOAT_EQ(targetValue(kThreshold, 1.0f), 1.0f);
  EXPECT_FLOAT_EQ(targetValue(kOutputGain, 0.5f), 1.0f);
  EXPECT_FLOAT_EQ(targetValue(kAttack, 0.5f), 0.01f);
  EXPECT_FLOAT_EQ(targetValue(kRelease, 1.0f), 5.0f);
  EXPECT_FLOAT_EQ(targetValue(kKnee, 1.0f), 10.0f);
  EXPECT_FLOAT_EQ(targetValue(kFilterFreq, 0.5f), 62.8f);
  EXPECT_FLOAT_EQ(targetValue(kPdeTime, 1.0f), 1.0f);
  // Linear maps, including the two that run downwards.
  EXPECT_FLOAT_EQ(targetValue(kRatio, 0.0f), 2.0f);
  EXPECT_FLOAT_EQ(targetValue(kRatio, 0.75f), 0.5f);
  EXPECT_FLOAT_EQ(targetValue(kLinearity, 0.25f), 0.75f);
  EXPECT_FLOAT_EQ(targetValue(kBalance, 0.0f), -1.0f);
  EXPECT_FLOAT_EQ(targetValue(kReleaseType, 0.375f), 1.5f);
  EXPECT_EQ(targetValue(kReserved1, 0.7f), 0.0f);
  EXPECT_EQ(targetValue(kInputFilter, 1.0f), 1.0f);
}

TEST(ParamTable, MinimaAreTheFloatsNearestTheDecimals) {
  EXPECT_EQ(kParams[kThreshold].target.min, 0.01f);
  EXPECT_EQ(kParams[kAttack].target.min, 0.0001f);
  EXPECT_EQ(kParams[kRelease].target.min, 0.005f);
  EXPECT_EQ(kParams[kFilterFreq].target.min, 6.28f);
}

TEST(ParamTable, SelectorStepsTieToEven) {
  EXPECT_EQ(nearestEven(4 * 0.125), 0);
  EXPECT_EQ(nearestEven(4 * 0.375), 2);
  EXPECT_EQ(nearestEven(4 * 0.625), 2);
  EXPECT_EQ(nearestEven(4 * 0.875), 4);
  EXPECT_EQ(nearestEven(2 * 0.25), 0);
  EXPECT_EQ(nearestEven(2 * 0.75), 2);
  EXPECT_EQ(nearestEven(-0.5), 0);
  EXPECT_EQ(nearestEven(-1.5), -2);
}

TEST(FactoryPresets, RowsHoldTheirSettings) {
  EXPECT_STREQ(factoryProgramNames[3], "Vocal");
  EXPECT_EQ(factoryPresets[3][4], 0.17f);
  EXPECT_EQ(factoryPresets[19][9], 0.25f);  // "Pumper" release type
  EXPECT_EQ(factoryPresets[1][20], 0.38f);  // "Leveling Opto" EQ low
  EXPECT_EQ(factoryPresets[2][22], 0.82f);  // "Pink Compression" EQ high
  for (int p = 0; p < kNumPrograms; ++p) {
    EXPECT_EQ(factoryPresets[p][kThreshold], 1.0f) << p;
    EXPECT_EQ(factoryPresets[p][kAutoGain], 1.0f) << p;
    EXPECT_EQ(factoryPresets[p][kReserved1], 0.0f) << p;
    EXPECT_EQ(factoryPresets[p][kReserved2], 0.0f) << p;
    for (float v : factoryPresets[p]) EXPECT_TRUE(v >= 0.0f && v <= 1.0f);
  }
  for (int p = 22; p < 25; ++p) {
    EXPECT_STREQ(factoryProgramNames[p], "Your Sound Here");
    for (int j = 0; j < kNumParams; ++j) EXPECT_EQ(factoryPresets[p][j], factoryPresets[0][j]);
  }
}

}  // namespace
}  // namespace tarvo::params
