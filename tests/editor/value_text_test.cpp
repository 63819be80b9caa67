// Value label texts at both ends of every knob's range, through the window's labels.
#include "editor/value_text.h"

#include <gtest/gtest.h>

#include <clocale>

#include "editor_test_support.h"

namespace tarvo::editor::testing {
namespace {

struct RangeEnds {
  const char* label;
  int index;
  const char* atZero;
  const char* atOne;
};

// The texts the labels show at v = 0 and v = 1 (a trailing space where the fifth
// character would have been a decimal point).
const RangeEnds kEnds[] = {
    {"ThresholdLabel", 0, "-40.0", "0.000"},
    {"OutputGainLabel", 2, "-40.0", "40.00"},
    {"RatioLabel", 3, "1:2", "oo:1"},
    {"AttackLabel", 4, "0.100", "1000 "},
    {"ReleaseLabel", 5, "5.000", "5000 "},
    {"InGainLabel", 6, "-20.0", "20.00"},
    {"BalanceLabel", 7, "L100", "R100"},
    {"PdeRateLabel", 10, "0.000", "100.0"},
    {"PdeTimeLabel", 11, "40.00", "1000 "},
    {"Release2Label", 12, "20.00", "100.0"},
    {"Release2LevelLabel", 13, "0.000", "100.0"},
    {"KneeLabel", 14, "0.000", "100.0"},
    {"LinearityLabel", 15, "0.000", "100.0"},
    {"DetectorFreqLabel", 18, "1.000", "100.0"},
    {"LowLabel", 20, "-20.0", "20.00"},
    {"MidLabel", 21, "-20.0", "20.00"},
    {"HighLabel", 22, "-20.0", "20.00"},
};

TEST(ValueLabels, BothEndsOfEveryRangeOnThePanel) {
  ParamArray zeros{};
  ParamArray ones{};
  ones.fill(1.0f);
  OpenWindow atZero(zeros);
  OpenWindow atOne(ones);
  for (const RangeEnds& e : kEnds) {
    SCOPED_TRACE(e.label);
    auto& zeroLabel = static_cast<toolkit::TLabel&>(atZero.Control(e.label));
    auto& oneLabel = static_cast<toolkit::TLabel&>(atOne.Control(e.label));
    EXPECT_EQ(zeroLabel.Caption(), e.atZero);
    EXPECT_EQ(oneLabel.Caption(), e.atOne);
    EXPECT_EQ(zeroLabel.Tag(), e.index);
  }
}

TEST(ValueLabels, MiddleOfRatioAndBalanceAndKneeAsNumber) {
  EXPECT_EQ(ValueLabelText(params::kRatio, 0.5f), "1:1");
  EXPECT_EQ(ValueLabelText(params::kRatio, 0.75f), "2:1");
  EXPECT_EQ(ValueLabelText(params::kBalance, 0.5f), "0");
  EXPECT_EQ(ValueLabelText(params::kBalance, 0.75f), "R50");
  // The host shows "Soft" here; the editor box shows the number.
  EXPECT_EQ(ValueLabelText(params::kKnee, 1.0f), "100.0");
  EXPECT_EQ(ValueLabelText(params::kKnee, 0.5f), "50.00");
}

TEST(ValueLabels, ParametersWithoutKnobHaveNoLabel) {
  for (int index : {1, 8, 9, 16, 17, 19, 23, 24}) {
    EXPECT_FALSE(ValueLabelText(index, 0.5f).has_value()) << index;
    EXPECT_FALSE(HasKnob(index)) << index;
  }
  EXPECT_FALSE(ValueLabelText(-1, 0.5f).has_value());
  EXPECT_FALSE(ValueLabelText(25, 0.5f).has_value());
}

TEST(ValueLabels, ShowADashUntilTheFirstRefresh) {
  TPluginEditorWindow window;
  for (const RangeEnds& e : kEnds) {
    auto* label = window.Panel.Find<toolkit::TLabel>(e.label);
    ASSERT_NE(label, nullptr) << e.label;
    EXPECT_EQ(label->Caption(), "-") << e.label;
  }
}

TEST(ValueLabels, TextsDoNotDependOnTheProcessLocale) {
  const char* previous = std::setlocale(LC_ALL, nullptr);
  const std::string saved = previous ? previous : "C";
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE locale";
  EXPECT_EQ(ValueLabelText(params::kOutputGain, 1.0f), "40.00");
  EXPECT_EQ(ValueLabelText(params::kRatio, 0.25f), "1:1.5");
  std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
}  // namespace tarvo::editor::testing
