// The transfer graph: curve values and the points drawn and skipped.
#include <gtest/gtest.h>

#include <cmath>

#include "editor_test_support.h"

namespace tarvo::editor::testing {
namespace {

struct Settings {
  float threshold = 0.5f, ratio = 0.5f, knee = 0.0f, linearity = 1.0f;
  float autoGain = 0.0f, outputGain = 0.5f;
};

ParamArray WithCurve(const Settings& s) {
  ParamArray v = FactoryProgram(0);
  v[params::kThreshold] = s.threshold;
  v[params::kRatio] = s.ratio;
  v[params::kKnee] = s.knee;
  v[params::kLinearity] = s.linearity;
  v[params::kAutoGain] = s.autoGain;
  v[params::kOutputGain] = s.outputGain;
  return v;
}

struct Point {
  double x, y;
};

std::vector<Point> Points(const TPluginEditorWindow& window) {
  std::vector<Point> points;
  for (int i = 0; i < window.TransferCurve->Count(); ++i) {
    points.push_back({window.TransferCurve->X(i), window.TransferCurve->Y(i)});
  }
  return points;
}

// Every point lies on the 0.5 dB grid of inputs from -60 to -0.5 and inside the axes.
void ExpectOnGridAndInside(const std::vector<Point>& points) {
  for (const Point& p : points) {
    EXPECT_NEAR(std::fmod(p.x + 60.0, 0.5), 0.0, 1e-3) << p.x;
    EXPECT_GE(p.x, -60.0);
    EXPECT_LE(p.x, -0.5 + 1e-3);
    EXPECT_GE(p.y, -60.0);
    EXPECT_LE(p.y, 0.0);
  }
}

TEST(Graph, CurveValuesFromTheParameters) {
  OpenWindow w(WithCurve({.threshold = 0.5f, .ratio = 0.25f, .knee = 0.5f, .linearity = 0.3f}));
  EXPECT_NEAR(w.window.curveThreshold, 0.1f, 1e-6);
  EXPECT_FLOAT_EQ(w.window.curveRatio, 1.5f);
  EXPECT_NEAR(w.window.curveKnee, std::sqrt(10.0f), 1e-5);
  EXPECT_FLOAT_EQ(w.window.curveLinearity, 0.7f);
}

// The first point, for the input 0.001 (-60 dB), is computed with the divisor 2.302585 and
// lands 2.4e-6 dB below the axis minimum, so it is skipped whenever the curve passes
// through (-60, -60): the line starts at -59.5.
constexpr size_t kDiagonalPoints = 119;

TEST(Graph, RatioOneIsTheDiagonal) {
  OpenWindow w(WithCurve({.ratio = 0.5f}));
  const auto points = Points(w.window);
  ASSERT_EQ(points.size(), kDiagonalPoints);
  for (size_t k = 0; k < points.size(); ++k) {
    EXPECT_NEAR(points[k].x, -59.5 + 0.5 * k, 1e-4);
    EXPECT_NEAR(points[k].y, points[k].x, 2e-3);
  }
  ExpectOnGridAndInside(points);
}

TEST(Graph, LimiterFollowsTheDiagonalThenStaysFlat) {
  OpenWindow w(WithCurve({.threshold = 0.5f, .ratio = 1.0f, .knee = 0.0f, .linearity = 1.0f}));
  const auto points = Points(w.window);
  ASSERT_EQ(points.size(), kDiagonalPoints);
  for (const Point& p : points) {
    EXPECT_NEAR(p.y, p.x <= -20.0 ? p.x : -20.0, 2e-3) << p.x;
  }
}

TEST(Graph, AutoGainLiftsTheCurveAndSkipsPointsAboveTheTop) {
  OpenWindow w(WithCurve(
      {.threshold = 0.5f, .ratio = 1.0f, .knee = 0.0f, .linearity = 1.0f, .autoGain = 1.0f}));
  const auto points = Points(w.window);
  ExpectOnGridAndInside(points);
  int lower = 0;
  for (const Point& p : points) {
    EXPECT_NEAR(p.y, p.x <= -20.0 ? p.x + 20.0 : 0.0, 2e-3) << p.x;
    lower += p.x < -20.25 ? 1 : 0;
  }
  // -60 .. -20.5 all drawn (now 20 dB above the bottom); of the flat part at 0 dB only the
  // points that do not round above 0 are drawn.
  EXPECT_EQ(lower, 80);
  EXPECT_LT(points.size(), 120u);
}

TEST(Graph, HighOutputGainDrawsOnlyTheLowInputs) {
  OpenWindow w(WithCurve({.ratio = 0.5f, .outputGain = 1.0f}));
  const auto points = Points(w.window);
  ExpectOnGridAndInside(points);
  ASSERT_GE(points.size(), 40u);
  EXPECT_LE(points.size(), 41u);
  for (const Point& p : points) {
    EXPECT_LE(p.x, -40.0 + 1e-3);
    EXPECT_NEAR(p.y, p.x + 40.0, 2e-3);
  }
}

TEST(Graph, AutoGainWithoutCompressionBelowZeroDbAddsNothing) {
  // Threshold 0 dB with a hard knee: the curve starts at 1.0, so there is no make-up.
  OpenWindow w(WithCurve({.threshold = 1.0f, .ratio = 1.0f, .knee = 0.0f, .autoGain = 1.0f}));
  const auto points = Points(w.window);
  ASSERT_EQ(points.size(), kDiagonalPoints);
  for (const Point& p : points) EXPECT_NEAR(p.y, p.x, 2e-3);
}

TEST(Graph, OutputGainKnobShiftsTheCurveWithoutRecomputingIt) {
  OpenWindow w(WithCurve({.threshold = 0.4f, .ratio = 0.8f, .knee = 0.3f, .outputGain = 0.5f}));
  const auto before = Points(w.window);
  // Curve values as the window holds them; a recomputation would overwrite the marker.
  w.window.curveLinearity = 0.25f;
  w.window.UpdateDisplay();
  const auto reference = Points(w.window);
  w.Drag("OutputGainControl", {5});  // +5 steps of 0.8 dB
  EXPECT_EQ(w.window.curveLinearity, 0.25f);
  const auto after = Points(w.window);
  ASSERT_FALSE(before.empty());
  // Lifted by 4 dB, the point at -60 now lies inside the axes as well.
  ASSERT_EQ(after.size(), reference.size() + 1);
  EXPECT_EQ(after[0].x, -60.0);
  for (size_t k = 0; k < reference.size(); ++k) {
    EXPECT_EQ(after[k + 1].x, reference[k].x);
    EXPECT_NEAR(after[k + 1].y, reference[k].y + 4.0, 1e-3);
  }
}

TEST(Graph, RefreshRedrawsTheGraphOnlyForTheSixCurveParameters) {
  const ParamArray start = WithCurve({.threshold = 0.3f, .ratio = 0.9f});
  const toolkit::Rect chart = toolkit::Rect::FromSize(14, 79, 146, 142);
  auto chartRedrawn = [&](int index, float value) {
    OpenWindow w(start);
    ParamArray changed = start;
    changed[index] = value;
    w.Refresh(changed);
    for (const auto& area : w.window.Compose()) {
      if (!toolkit::Intersect(area, chart).Empty()) return true;
    }
    return false;
  };
  EXPECT_TRUE(chartRedrawn(params::kThreshold, 0.6f));
  EXPECT_TRUE(chartRedrawn(params::kAutoGain, 1.0f));
  EXPECT_TRUE(chartRedrawn(params::kOutputGain, 0.7f));
  EXPECT_TRUE(chartRedrawn(params::kRatio, 1.0f));
  EXPECT_TRUE(chartRedrawn(params::kKnee, 0.8f));
  EXPECT_TRUE(chartRedrawn(params::kLinearity, 0.1f));
  EXPECT_FALSE(chartRedrawn(params::kRelease, 0.9f));
  EXPECT_FALSE(chartRedrawn(params::kInputGain, 0.9f));
}

}  // namespace
}  // namespace tarvo::editor::testing
