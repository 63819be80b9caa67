// TChart: axis steps, grid and axis colours, labels, and line series with skipped points.
#include "toolkit/chart.h"

#include <gtest/gtest.h>

#include "toolkit/dib_container.h"
#include "toolkit/glyph_atlas.h"
#include "toolkit_test_support.h"

namespace tarvo::toolkit {
namespace {

constexpr Pixel kGreen = Rgb(0, 200, 0);

TEST(ChartAxisTest, LabelStepKeepsLabelsApartAndHonoursTheIncrement) {
  TChartAxis axis;
  axis.minimum = -60;
  axis.maximum = 0;
  // 130 pixels for 60 dB: 10 dB labels are 21.5 pixels apart, 5 dB ones would be 10.75.
  EXPECT_EQ(AxisLabelStep(axis, 130, 11), 10.0);
  EXPECT_EQ(AxisLabelStep(axis, 130, 19), 10.0);  // 19 + 2 pixels of spacing still fit
  EXPECT_EQ(AxisLabelStep(axis, 130, 20), 20.0);
  EXPECT_EQ(AxisLabelStep(axis, 130, 30), 20.0);
  EXPECT_EQ(AxisLabelStep(axis, 130, 60), 50.0);
  // Plenty of room: at least the increment of 1 dB.
  axis.increment = 1.0;
  EXPECT_EQ(AxisLabelStep(axis, 2000, 5), 1.0);
  axis.increment = 0.0;
  EXPECT_EQ(AxisLabelStep(axis, 2000, 5), 0.5);
  axis.maximum = -60;
  EXPECT_EQ(AxisLabelStep(axis, 130, 11), 0.0);
}

TEST(ChartAxisTest, MajorAndMinorValues) {
  TChartAxis axis;
  axis.minimum = -60;
  axis.maximum = 0;
  EXPECT_EQ(AxisMajorValues(axis, 10), (std::vector<double>{-60, -50, -40, -30, -20, -10, 0}));
  const std::vector<double> minor = AxisMinorValues(axis, 10);
  ASSERT_EQ(minor.size(), 24u);  // 4 between each of the 6 pairs
  EXPECT_DOUBLE_EQ(minor[0], -58);
  EXPECT_DOUBLE_EQ(minor[3], -52);
  EXPECT_DOUBLE_EQ(minor[4], -48);
  EXPECT_DOUBLE_EQ(minor.back(), -2);
  // A range that does not start on a major value has minor lines before the first major.
  axis.minimum = -55;
  EXPECT_EQ(AxisMajorValues(axis, 20), (std::vector<double>{-40, -20, 0}));
  EXPECT_DOUBLE_EQ(AxisMinorValues(axis, 20).front(), -52);
  EXPECT_TRUE(AxisMajorValues(axis, 0).empty());
}

// Where one step no longer changes a line's index (indices beyond 2^53) the lists still
// end, bounded, instead of looping on one value.
TEST(ChartAxisTest, HugeRangesEndWithBoundedLists) {
  TChartAxis axis;
  axis.minimum = 1e300;
  axis.maximum = 1e300;
  axis.minorTickCount = 4;
  EXPECT_LE(AxisMajorValues(axis, 1.0).size(), 4096u);
  EXPECT_LE(AxisMinorValues(axis, 1.0).size(), 4096u);
  axis.minimum = -1e6;
  axis.maximum = 1e6;
  EXPECT_EQ(AxisMajorValues(axis, 1.0).size(), 4096u);
  EXPECT_EQ(AxisMinorValues(axis, 1.0).size(), 4096u);
}

TEST(ChartAxisTest, LabelsArePlainNumbers) {
  EXPECT_EQ(AxisLabelText(-60), "-60");
  EXPECT_EQ(AxisLabelText(0), "0");
  EXPECT_EQ(AxisLabelText(-0.0), "0");
  EXPECT_EQ(AxisLabelText(2.5), "2.5");
  EXPECT_EQ(AxisLabelText(3 * 0.2), "0.6");
  EXPECT_EQ(AxisLabelText(-100), "-100");
}

TEST(LineSeriesTest, CapacityColourAndOrderOfX) {
  int changes = 0;
  TLineSeries series([&] { ++changes; });
  EXPECT_GE(series.Capacity(), 121);
  EXPECT_EQ(series.SeriesColour(), kGreen);
  series.AddXY(-10, 1);
  series.AddXY(-30, 2);
  series.AddXY(-20, 3);
  series.AddXY(-20, 4);  // equal x keep their order
  ASSERT_EQ(series.Count(), 4);
  EXPECT_EQ((std::vector<double>{series.Y(0), series.Y(1), series.Y(2), series.Y(3)}),
            (std::vector<double>{2, 3, 4, 1}));
  series.Clear();
  EXPECT_EQ(series.Count(), 0);
  EXPECT_EQ(changes, 5);
}

// The transfer graph as the editor sets it up: 146 x 142, -60..0 on both axes, the grey
// grid colours, labels from a font whose "-60" is 12 pixels wide and lines 9 pixels high.
class ChartTest : public ::testing::Test {
 protected:
  ChartTest() : font(testing::BlockFont(3, 7)), panel(146, 142, Rgb(0xFF00FF)) {
    chart = &panel.Create<TChart>("TransferGraph");
    chart->SetBounds(0, 0, 146, 142);
    chart->SetFont(&font);
    for (TChartAxis* axis : {&chart->LeftAxis(), &chart->BottomAxis()}) {
      axis->minimum = -60;
      axis->maximum = 0;
      axis->increment = 1;
    }
    chart->LeftAxis().gridColour = Rgb(0x464646);
    chart->LeftAxis().minorGridColour = Rgb(0x282828);
    series = &chart->AddSeries();
    layout = chart->ComputeLayout();
  }
  int Column(double x) const { return TChart::ValueToColumn(chart->BottomAxis(), layout.plot, x); }
  int Row(double y) const { return TChart::ValueToRow(chart->LeftAxis(), layout.plot, y); }
  Pixel At(double x, double y) const { return panel.Bitmap().At(Column(x), Row(y)); }
  int CountIn(const Rect& area, Pixel colour) const {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) n += panel.Bitmap().At(x, y) == colour;
    }
    return n;
  }

  GlyphAtlas font;
  TDIBContainer panel;
  TChart* chart = nullptr;
  TLineSeries* series = nullptr;
  TChart::Layout layout;
};

TEST_F(ChartTest, LayoutLeavesRoomForLabelsAndSmallMargins) {
  EXPECT_EQ(layout.leftStep, 10.0);
  EXPECT_EQ(layout.bottomStep, 10.0);
  const Rect& plot = layout.plot;
  EXPECT_EQ(plot.left, 12 + 1 + 2);     // widest label, gap, tick
  EXPECT_EQ(plot.bottom, 142 - 2 - 9);  // tick, label line
  EXPECT_GT(plot.top, 0);
  EXPECT_LT(plot.right, 146);
  EXPECT_EQ(Column(-60), plot.left);
  EXPECT_EQ(Column(0), plot.right - 1);
  EXPECT_EQ(Row(-60), plot.bottom - 1);
  EXPECT_EQ(Row(0), plot.top);
}

TEST_F(ChartTest, GridAxesTicksAndLabelsInTheirColours) {
  panel.Compose();
  EXPECT_EQ(At(-30, -33), Rgb(0x5A5A5A));  // bottom axis major grid (vertical)
  EXPECT_EQ(At(-33, -30), Rgb(0x464646));  // left axis major grid (horizontal)
  EXPECT_EQ(At(-32, -33), Rgb(0x3C3C3C));  // bottom axis minor grid
  EXPECT_EQ(At(-33, -32), Rgb(0x282828));  // left axis minor grid
  EXPECT_EQ(At(-33, -33), Rgb(0x111111));  // back wall
  EXPECT_EQ(At(-60, -33), Rgb(0x5A5A5A));  // left axis line
  EXPECT_EQ(At(-33, -60), Rgb(0x5A5A5A));  // bottom axis line
  const Rect& plot = layout.plot;
  // Major ticks of 2 pixels outside the plot, none for minor values.
  EXPECT_EQ(panel.Bitmap().At(plot.left - 2, Row(-30)), Rgb(0x5A5A5A));
  EXPECT_EQ(panel.Bitmap().At(plot.left - 3, Row(-30)), Rgb(0x111111));
  EXPECT_EQ(panel.Bitmap().At(plot.left - 1, Row(-32)), Rgb(0x111111));
  EXPECT_EQ(panel.Bitmap().At(Column(-30), plot.bottom + 1), Rgb(0x5A5A5A));
  EXPECT_EQ(panel.Bitmap().At(Column(-32), plot.bottom), Rgb(0x111111));
  // Labels in light yellow beside the left axis and below the bottom axis; none above or
  // to the right of the plot.
  EXPECT_GT(CountIn(Rect{0, Row(-30) - 5, plot.left - 3, Row(-30) + 5}, Rgb(0xFFFFE1)), 0);
  EXPECT_GT(CountIn(Rect{Column(-30) - 6, plot.bottom + 2, Column(-30) + 6, 142}, Rgb(0xFFFFE1)),
            0);
  EXPECT_EQ(CountIn(Rect{plot.left, 0, 146, plot.top}, Rgb(0xFFFFE1)), 0);
  // Nothing of the panel below shows through.
  EXPECT_EQ(CountIn(Rect{0, 0, 146, 142}, Rgb(0xFF00FF)), 0);
}

TEST_F(ChartTest, SeriesPointsAreJoinedAndSkippedPointsLeaveNoGap) {
  // Flat at -20 dB with the points from -39.5 to -20.5 never added.
  for (int k = 0; k < 120; ++k) {
    const double x = -60 + 0.5 * k;
    if (x > -40 && x < -20) continue;
    series->AddXY(x, -20);
  }
  panel.Compose();
  const int row = Row(-20);
  for (int column = Column(-60); column <= Column(-0.5); ++column) {
    EXPECT_EQ(panel.Bitmap().At(column, row), kGreen) << column;
  }
  EXPECT_EQ(CountIn(layout.plot, kGreen), Column(-0.5) - Column(-60) + 1);
}

TEST_F(ChartTest, DiagonalPassesThroughEveryPointAndIsCutToThePlot) {
  for (int k = 0; k < 120; ++k) series->AddXY(-60 + 0.5 * k, -60 + 0.5 * k);
  series->AddXY(10, 70);  // far above the axis: the segment toward it is cut at the top
  panel.Compose();
  for (int k = 0; k < 120; ++k) {
    const double v = -60 + 0.5 * k;
    EXPECT_EQ(At(v, v), kGreen) << v;
  }
  const Rect& plot = layout.plot;
  EXPECT_EQ(CountIn(Rect{0, 0, 146, plot.top}, kGreen), 0);
  EXPECT_EQ(CountIn(Rect{plot.right, 0, 146, 142}, kGreen), 0);
  EXPECT_GT(CountIn(Rect{plot.left, plot.top, plot.right, plot.top + 1}, kGreen), 0);
}

TEST_F(ChartTest, ChangingTheSeriesMarksOnlyTheChart) {
  panel.Compose();
  series->Clear();
  series->AddXY(-30, -30);
  EXPECT_EQ(panel.Compose(), (std::vector<Rect>{Rect{0, 0, 146, 142}}));
  EXPECT_EQ(At(-30, -30), kGreen);
  EXPECT_TRUE(panel.Compose().empty());
}

}  // namespace
}  // namespace tarvo::toolkit
