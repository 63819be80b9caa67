#include "editor/meter_text.h"

#include <charconv>
#include <cmath>

#include "params/number_text.h"

namespace tarvo::editor {

namespace {

constexpr double kLn10 = 2.302585092994045684;

std::string cut(std::string text, size_t length) {
  if (text.size() > length) text.resize(length);
  return text;
}

// Pixels for a length in double, limited before the conversion so that infinities and
// huge values cannot overflow the 16-bit store.
int16_t limitBar(double pixels, double low, double high) {
  if (std::isnan(pixels)) return 0;
  return static_cast<int16_t>(pixels < low ? low : (pixels > high ? high : pixels));
}

}  // namespace

float LevelDb(float level) {
  return static_cast<float>(20.0 * std::log(double(level) + 1e-20) / kLn10);
}

float GainDb(float gain) {
  return static_cast<float>(20.0 * std::log(double(gain)) / kLn10);
}

int16_t LevelBar(float db) {
  if (std::isnan(db)) return 0;
  return limitBar(2.0 * std::nearbyint(double(db)) + 120.0, 0.0, 120.0);
}

int16_t GainBar(float db, int scale) {
  if (std::isnan(db)) return 0;
  return limitBar(2.0 * std::nearbyint(double(db)) * scale, -120.0, 120.0);
}

std::string PeakNumber(float p) {
  const double x = p;
  const double magnitude = std::fabs(x);
  std::string text;
  if (!(magnitude >= 10.0)) {
    // Below 10 one decimal is also the second significant digit (or finer).
    text = params::fixedText(x, 1);
  } else if (magnitude < 100.0) {
    text = params::fixedText(x, 0) + ".0";
  } else {
    text = params::fixedText(x / 10.0, 0) + "0.0";
  }
  return cut(std::move(text), 5);
}

std::string SingleReadout(float p) {
  std::string text = p < -99.0f ? "-oo" : (p > 99.0f ? "99+" : PeakNumber(p));
  if (text.front() != '-') text = cut(" " + text, 5);
  return text;
}

std::string PairReadout(float p, float q) {
  std::string left = p < -99.0f ? " -oo" : (p > 99.0f ? " 99+" : PeakNumber(p));
  if (left.front() != '-') left = cut(" " + left, 5);
  if (std::fabs(p) < 10.0f) left = cut(" " + left, 5);
  const std::string right = q < -99.0f ? "-oo" : (q > 99.0f ? "99+" : PeakNumber(q));
  return cut(left + " " + right, 11);
}

int NextMeterScale(int scale) {
  switch (scale) {
    case 1:
      return 2;
    case 2:
      return 5;
    case 5:
      return 10;
    case 10:
      return 1;
    default:
      return scale;
  }
}

std::string ScaleText(int scale) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, scale).ptr;
  return "Scale " + std::string(digits, end) + ":1";
}

}  // namespace tarvo::editor
