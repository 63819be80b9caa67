#include "params/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

namespace tarvo::params {
namespace {

TEST(FiveCharNumber, FixedThreeDecimalsCutToFiveCharacters) {
  EXPECT_EQ(fiveCharNumber(-40.0f), "-40.0");
  EXPECT_EQ(fiveCharNumber(0.0f), "0.000");
  EXPECT_EQ(fiveCharNumber(3.2f), "3.200");
  EXPECT_EQ(fiveCharNumber(100.0f), "100.0");
  EXPECT_EQ(fiveCharNumber(1000.0f), "1000 ");  // fifth character was the decimal point
  EXPECT_EQ(fiveCharNumber(0.1f), "0.100");
  EXPECT_EQ(fiveCharNumber(158.113883f), "158.1");
  EXPECT_EQ(fiveCharNumber(-2.5f), "-2.50");
}

TEST(FiveCharNumber, RoundsOnceAtTheFifthSignificantDigit) {
  // 999.996 has five significant digits at two decimals: 1000.0, shown as "1000 ".
  EXPECT_EQ(fiveCharNumber(999.996f), "1000 ");
  EXPECT_EQ(fiveCharNumber(9.99996f), "10.00");
  EXPECT_EQ(fiveCharNumber(4965.58f), "4965 ");
  EXPECT_EQ(fiveCharNumber(0.0004f), "0.000");
  EXPECT_EQ(fiveCharNumber(0.0006f), "0.001");
}

TEST(FiveCharNumber, TinyNegativeValuesShowNoMinusSign) {
  EXPECT_EQ(fiveCharNumber(-0.0001f), "0.000");
  EXPECT_EQ(fiveCharNumber(-0.0f), "0.000");
}

TEST(FixedText, RoundsHalfAwayFromZeroOnTheExactValue) {
  EXPECT_EQ(fixedText(2.5, 0), "3");
  EXPECT_EQ(fixedText(-2.5, 0), "-3");
  EXPECT_EQ(fixedText(0.0625, 3), "0.063");
  EXPECT_EQ(fixedText(99.5, 0), "100");
  EXPECT_EQ(fixedText(0.49, 0), "0");
  EXPECT_EQ(fixedText(-0.4, 0), "0");
}

TEST(GeneralText, ThreeSignificantDigitsWithoutTrailingZeros) {
  EXPECT_EQ(generalText(2.0, 3), "2");
  EXPECT_EQ(generalText(1.2, 3), "1.2");
  EXPECT_EQ(generalText(100.0, 3), "100");
  EXPECT_EQ(generalText(16.6666, 3), "16.7");
  EXPECT_EQ(generalText(1.25, 3), "1.25");
  EXPECT_EQ(generalText(99.96, 3), "100");
}

// A host may run with a comma-decimal locale; the texts must keep the decimal point.
TEST(NumberText, IgnoresTheProcessLocale) {
  const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"};
  const char* set = nullptr;
  for (const char* name : names) {
    set = std::setlocale(LC_NUMERIC, name);
    if (set != nullptr) break;
  }
  if (set == nullptr) {
    if (std::getenv("TARVO_REQUIRE_LOCALE") != nullptr) FAIL() << "no comma-decimal locale";
    GTEST_SKIP() << "no comma-decimal locale installed";
  }
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 1.5);
  ASSERT_STREQ(probe, "1,5") << "the locale did not switch to a decimal comma";
  EXPECT_EQ(fiveCharNumber(-40.0f) + " dB", "-40.0 dB");
  EXPECT_EQ(generalText(1.2, 3), "1.2");
  std::setlocale(LC_NUMERIC, "C");
}

}  // namespace
}  // namespace tarvo::params
