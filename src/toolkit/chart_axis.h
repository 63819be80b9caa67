// TChartAxis: the settings of one chart axis and the arithmetic of its ticks.
#pragma once

#include <string>
#include <vector>

#include "toolkit/colour.h"

namespace tarvo::toolkit {

// A fixed-range axis (no automatic ranging) with major grid lines at its labels, minor
// grid lines between them, major tick marks outside the plot and no minor tick marks.
// After changing settings, call the chart's Repaint.
struct TChartAxis {
  bool visible = true;
  double minimum = 0.0;
  double maximum = 100.0;
  Pixel axisColour = Rgb(0x5A5A5A);  // one-pixel axis line and tick marks
  bool gridVisible = true;
  Pixel gridColour = Rgb(0x5A5A5A);
  bool minorGridVisible = true;
  Pixel minorGridColour = Rgb(0x3C3C3C);
  int minorTickCount = 4;  // minor grid lines between two major ones
  int tickLength = 2;      // major tick marks, outside the plot, in pixels
  bool labelsVisible = true;
  // The smallest step between labels; the step grows through 1, 2, 5 x 10^k until labels
  // no longer crowd one another. 0 lets the pixel spacing alone decide.
  double increment = 0.0;
};

// The label step for an axis drawn over `lengthPixels` whose labels need `labelPixels` each
// (plus two pixels of spacing): the smallest of 1, 2, 5 x 10^k at least `increment` that keeps
// them apart. Returns 0 for an empty or inverted range.
double AxisLabelStep(const TChartAxis& axis, int lengthPixels, int labelPixels);

// Multiples of `step` within the axis range, ascending (major ticks, grid lines, labels).
std::vector<double> AxisMajorValues(const TChartAxis& axis, double step);
// The values of the minor grid: `minorTickCount` evenly spaced between majors, also in the
// partial intervals at the ends of the range; majors themselves excluded.
std::vector<double> AxisMinorValues(const TChartAxis& axis, double step);

// An axis value as a plain label: "-60", "0", "2.5" (no exponent for usual values).
std::string AxisLabelText(double value);

}  // namespace tarvo::toolkit
