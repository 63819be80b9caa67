// The whole factory bank, value by value. A host stores programs and automation as
// normalized values by index, so a changed digit in factory_presets.cpp silently changes
// every project that uses the program (docs/compatibility.md). The table below was written
// from the bank once; a difference names the program and the parameter.
#include <gtest/gtest.h>

#include <sstream>

#include "params/factory_presets.h"

namespace tarvo::params {
namespace {

// Per program (index in the comment), the 25 values in hundredths in parameter order
// (Threshold, Auto-Gain, Output Gain, Ratio, ...).
// clang-format off
const char* const kExpectedHundredths[kNumPrograms] = {
    "100 100 50 50 50 50 50 50 0 100 50 50 50 50 0 0 0 0 0 0 50 50 50 0 0",          // 0
    "100 100 50 88 75 87 50 50 100 0 50 50 50 50 55 12 50 100 43 100 38 45 50 0 0",  // 1
    "100 100 50 98 0 34 50 50 100 50 50 50 50 50 5 0 50 100 43 100 17 50 82 0 0",    // 2
    "100 100 50 80 17 34 50 50 0 100 50 50 50 50 64 50 0 0 0 0 50 50 50 0 0",        // 3
    "100 100 50 88 25 0 50 50 0 100 0 50 50 50 100 60 0 100 100 0 50 50 50 0 0",     // 4
    "100 100 50 100 43 0 50 50 100 75 50 100 50 50 100 0 0 0 0 100 0 50 50 0 0",     // 5
    "100 100 50 96 82 100 50 50 100 100 50 50 50 50 100 0 0 0 0 0 50 50 50 0 0",     // 6
    "100 100 50 86 57 26 50 50 0 100 50 50 50 50 28 0 0 0 0 0 50 50 50 0 0",         // 7
    "100 100 50 88 68 34 50 50 0 75 50 50 50 50 21 20 0 0 0 0 50 50 50 0 0",         // 8
    "100 100 50 95 43 0 50 50 0 100 0 50 50 50 100 20 0 0 0 0 50 50 50 0 0",         // 9
    "100 100 50 100 0 20 50 50 100 100 0 50 50 50 0 0 0 0 0 0 50 50 50 0 0",         // 10
    "100 100 50 100 41 0 50 50 0 50 50 50 50 50 0 0 0 0 0 0 50 50 50 0 0",           // 11
    "100 100 50 100 0 0 50 50 0 100 0 50 50 50 0 0 0 0 0 0 50 50 50 0 0",            // 12
    "100 100 50 83 0 50 50 50 0 50 50 50 50 50 50 0 0 0 0 0 50 50 50 0 0",           // 13
    "100 100 50 98 0 34 50 50 100 100 50 50 50 50 5 0 0 0 0 0 50 50 50 0 0",         // 14
    "100 100 50 100 0 77 50 50 0 50 50 50 50 50 1 0 0 0 0 0 50 50 50 0 0",           // 15
    "100 100 50 100 76 44 50 50 0 75 50 50 50 50 1 0 0 0 0 0 50 50 50 0 0",          // 16
    "100 100 50 75 82 54 50 50 100 0 50 50 50 50 55 12 50 100 43 0 50 50 50 0 0",    // 17
    "100 100 50 100 75 77 50 50 100 0 50 50 50 50 20 12 50 100 43 0 50 50 50 0 0",   // 18
    "100 100 50 92 47 44 50 50 100 25 0 50 50 50 0 0 0 0 43 0 50 50 50 0 0",         // 19
    "100 100 50 40 68 63 50 50 100 0 50 50 50 50 5 0 0 0 43 0 50 50 50 0 0",         // 20
    "100 100 50 40 0 0 50 50 100 75 50 50 50 50 5 0 0 0 43 0 50 50 50 0 0",          // 21
    "100 100 50 50 50 50 50 50 0 100 50 50 50 50 0 0 0 0 0 0 50 50 50 0 0",          // 22
    "100 100 50 50 50 50 50 50 0 100 50 50 50 50 0 0 0 0 0 0 50 50 50 0 0",          // 23
    "100 100 50 50 50 50 50 50 0 100 50 50 50 50 0 0 0 0 0 0 50 50 50 0 0",          // 24
};
// clang-format on

TEST(FactoryTable, EveryProgramHoldsAllTwentyFiveValues) {
  for (int p = 0; p < kNumPrograms; ++p) {
    std::istringstream expected(kExpectedHundredths[p]);
    int j = 0;
    for (int hundredths = 0; expected >> hundredths; ++j) {
      ASSERT_LT(j, kNumParams) << "too many values in the expected row of program " << p;
      // Each stored value is the float nearest its two-decimal number.
      EXPECT_EQ(factoryPresets[p][j], static_cast<float>(hundredths / 100.0))
          << "program " << p << " \"" << factoryProgramNames[p] << "\", parameter " << j << " \""
          << kParams[j].name << "\"";
    }
    EXPECT_EQ(j, kNumParams) << "values in the expected row of program " << p;
  }
}

}  // namespace
}  // namespace tarvo::params
