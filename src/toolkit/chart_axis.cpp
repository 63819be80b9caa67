#include "toolkit/chart_axis.h"

#include <charconv>
#include <cmath>

namespace tarvo::toolkit {

namespace {

constexpr double kTolerance = 1e-9;
constexpr size_t kMaxLines = 4096;  // a guard against absurd ranges or steps

}  // namespace

double AxisLabelStep(const TChartAxis& axis, int lengthPixels, int labelPixels) {
  const double range = axis.maximum - axis.minimum;
  if (!(range > 0.0) || !std::isfinite(range) || lengthPixels <= 1) return 0.0;
  const double pixelsPerUnit = (lengthPixels - 1) / range;
  const double wanted = (labelPixels + 2) / pixelsPerUnit;  // value units between labels
  const double floor = std::max(axis.increment, range / kMaxLines);
  const double needed = std::max(wanted, floor);
  double decade = std::pow(10.0, std::floor(std::log10(needed)));
  for (;;) {
    for (double m : {1.0, 2.0, 5.0}) {
      if (m * decade >= needed * (1.0 - kTolerance)) return m * decade;
    }
    decade *= 10.0;
  }
}

std::vector<double> AxisMajorValues(const TChartAxis& axis, double step) {
  std::vector<double> values;
  if (!(step > 0.0) || !(axis.maximum >= axis.minimum)) return values;
  const double first = std::ceil(axis.minimum / step - kTolerance);
  const double last = std::floor(axis.maximum / step + kTolerance);
  // first and last are whole numbers; count lines with an integer so the loop always ends.
  for (size_t i = 0; i < kMaxLines && first + double(i) <= last; ++i) {
    values.push_back((first + double(i)) * step);
  }
  return values;
}

std::vector<double> AxisMinorValues(const TChartAxis& axis, double step) {
  std::vector<double> values;
  if (!(step > 0.0) || axis.minorTickCount <= 0 || !(axis.maximum >= axis.minimum)) return values;
  const int parts = axis.minorTickCount + 1;
  const double minorStep = step / parts;
  const double first = std::ceil(axis.minimum / minorStep - kTolerance);
  const double last = std::floor(axis.maximum / minorStep + kTolerance);
  // Every parts-th k is a major line, so 2 * kMaxLines steps find kMaxLines minor ones; the
  // bound also ends the loop where k is too large for a step of 1 to change it.
  for (size_t i = 0; i < 2 * kMaxLines && values.size() < kMaxLines && first + double(i) <= last;
       ++i) {
    const double k = first + double(i);
    if (std::fmod(std::fabs(k), parts) == 0.0) continue;  // a major line
    values.push_back(k / parts * step);
  }
  return values;
}

std::string AxisLabelText(double value) {
  if (std::fabs(value) < 1e-12) return "0";
  char buffer[32];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
  return std::string(buffer, result.ptr);
}

}  // namespace tarvo::toolkit
