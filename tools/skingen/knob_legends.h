// What the chassis prints around each knob: its name, the unit beside its value box
// and the scale numbers on its 300-degree arc. A scale mark sits at the fraction f of
// the knob's travel (f = normalized parameter value), which the knob shows at the
// angle 210 + 300 f degrees clockwise from 12 o'clock.
#pragma once

#include <array>
#include <string_view>

namespace tarvo::skingen {

struct ScaleMark {
  double fraction;
  std::string_view text;
};

struct KnobLegend {
  std::string_view control;  // knob name in the layout table
  std::string_view name;     // printed above the knob
  std::string_view unit;     // printed beside the value box, empty for none
  std::array<ScaleMark, 5> marks;
  int markCount;
};

// Fraction of the travel at which a logarithmic knob from lo to hi shows value.
// Computed at compile time, so that the table stays constexpr.
constexpr double logFraction(double value, double lo, double hi) {
  // ln x = k ln 2 + ln m with m in [1, 2); ln m = 2 atanh((m - 1) / (m + 1)), whose
  // series converges fast for such m (the ratio of terms is at most 1/9).
  auto series = [](double m) {
    const double y = (m - 1) / (m + 1), y2 = y * y;
    double term = y, sum = 0;
    for (int k = 1; k < 80; k += 2) {
      sum += term / k;
      term *= y2;
    }
    return 2 * sum;
  };
  auto ln = [&](double x) {
    int k = 0;
    while (x >= 2) x /= 2, ++k;
    while (x < 1) x *= 2, --k;
    return k * series(2.0) + series(x);
  };
  return ln(value / lo) / ln(hi / lo);
}

inline constexpr std::array kKnobLegends = {
    KnobLegend{"ThresholdControl",
               "THRESHOLD",
               "(dB)",
               {{{0, "-40"}, {0.25, "-30"}, {0.5, "-20"}, {0.75, "-10"}, {1, "0"}}},
               5},
    KnobLegend{"OutputGainControl",
               "OUTPUT GAIN",
               "(dB)",
               {{{0, "-40"}, {0.25, "-20"}, {0.5, "0"}, {0.75, "+20"}, {1, "+40"}}},
               5},
    // Slope 2 - 2v: 1:2 expansion at 0, 1:1 in the middle, infinite ratio at the end.
    KnobLegend{"RatioControl",
               "RATIO",
               "",
               {{{0, "1:2"}, {0.25, "1:1.5"}, {0.5, "1:1"}, {0.75, "2:1"}, {1, "\xE2\x88\x9E:1"}}},
               5},
    KnobLegend{"AttackControl",
               "ATTACK",
               "(ms)",
               {{{0, "0.1"}, {0.25, "1"}, {0.5, "10"}, {0.75, "100"}, {1, "1k"}}},
               5},
    KnobLegend{"ReleaseControl",
               "RELEASE",
               "(ms)",
               {{{0, "5"},
                 {logFraction(50, 5, 5000), "50"},
                 {logFraction(500, 5, 5000), "500"},
                 {1, "5k"}}},
               4},
    KnobLegend{"InGainControl",
               "GAIN",
               "(dB)",
               {{{0, "-20"}, {0.25, "-10"}, {0.5, "0"}, {0.75, "+10"}, {1, "+20"}}},
               5},
    KnobLegend{"BalanceControl", "BALANCE", "", {{{0, "L"}, {0.5, "C"}, {1, "R"}}}, 3},
    KnobLegend{"PdeRateControl",
               "PDE RATE",
               "(%)",
               {{{0, "0"}, {0.25, "25"}, {0.5, "50"}, {0.75, "75"}, {1, "100"}}},
               5},
    KnobLegend{"PdeTimeControl",
               "PDE TIME",
               "(ms)",
               {{{0, "40"},
                 {logFraction(100, 40, 1000), "100"},
                 {logFraction(200, 40, 1000), "200"},
                 {logFraction(500, 40, 1000), "500"},
                 {1, "1k"}}},
               5},
    KnobLegend{"Release2Control",
               "RELEASE 2",
               "(ms)",
               {{{0, "20"},
                 {logFraction(30, 20, 100), "30"},
                 {logFraction(45, 20, 100), "45"},
                 {logFraction(70, 20, 100), "70"},
                 {1, "100"}}},
               5},
    KnobLegend{"Release2LevelControl",
               "REL.2 LEVEL",
               "(%)",
               {{{0, "0"}, {0.25, "25"}, {0.5, "50"}, {0.75, "75"}, {1, "100"}}},
               5},
    KnobLegend{"KneeControl", "KNEE", "(%)", {{{0, "HARD"}, {0.5, "50"}, {1, "SOFT"}}}, 3},
    KnobLegend{"LinearityControl",
               "LINEARITY",
               "(%)",
               {{{0, "0"}, {0.25, "25"}, {0.5, "50"}, {0.75, "75"}, {1, "100"}}},
               5},
    KnobLegend{"DetectorFreqControl",
               "FREQ",
               "(Hz)",
               {{{0, "1"},
                 {logFraction(3, 1, 100), "3"},
                 {0.5, "10"},
                 {logFraction(30, 1, 100), "30"},
                 {1, "100"}}},
               5},
    KnobLegend{"LowControl",
               "LOW",
               "(dB)",
               {{{0, "-20"}, {0.25, "-10"}, {0.5, "0"}, {0.75, "+10"}, {1, "+20"}}},
               5},
    KnobLegend{"MidControl",
               "MID",
               "(dB)",
               {{{0, "-20"}, {0.25, "-10"}, {0.5, "0"}, {0.75, "+10"}, {1, "+20"}}},
               5},
    KnobLegend{"HighControl",
               "HIGH",
               "(dB)",
               {{{0, "-20"}, {0.25, "-10"}, {0.5, "0"}, {0.75, "+10"}, {1, "+20"}}},
               5},
};

// Names printed beside the selector positions, by selector control. These are the
// parameter's own display texts for each position.
struct SelectorLegend {
  std::string_view control;
  std::string_view text;
};
inline constexpr std::array kSelectorLegends = {
    SelectorLegend{"ReleaseType4", "Classic"},  SelectorLegend{"ReleaseType3", "Smooth 1"},
    SelectorLegend{"ReleaseType2", "Smooth 2"}, SelectorLegend{"ReleaseType1", "Pumper"},
    SelectorLegend{"ReleaseType0", "Opto"},     SelectorLegend{"LinkType2", "Off"},
    SelectorLegend{"LinkType1", "Mix"},         SelectorLegend{"LinkType0", "Highest"},
};

}  // namespace tarvo::skingen
