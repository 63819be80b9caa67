#include "dsp/filters.h"

#include <cmath>

namespace tarvo::dsp {
namespace {

constexpr double kTwoPi = 6.283185307179586;
// Highest design frequency as a divisor of the sample rate (20 kHz at 44.1 kHz).
constexpr double kNyquistMargin = 2.205;

// Second-order section from c and Q: common denominator D = c/Q + 1 + c^2 and the
// shared poles; the numerator is set by the caller.
Biquad poles(double c, double q, double& d) {
  d = c / q + 1.0 + c * c;
  Biquad s;
  s.a1 = static_cast<float>((2.0 - 2.0 * c * c) / d);
  s.a2 = static_cast<float>((1.0 - c / q + c * c) / d);
  return s;
}

Biquad highPassSection(double c, double q) {
  double d;
  Biquad s = poles(c, q, d);
  s.b0 = static_cast<float>(c * c / d);
  s.b1 = static_cast<float>(-2.0 * c * c / d);
  s.b2 = static_cast<float>(c * c / d);
  return s;
}

}  // namespace

double prewarpCot(double f, double sampleRate) {
  if (sampleRate / f < kNyquistMargin) f = sampleRate / kNyquistMargin;
  const double x = kTwoPi * f * (1.0 / sampleRate) * 0.5;
  return std::cos(x) / std::sin(x);
}

double bandPassDesign(double f, double gain, double& q, double sampleRate) {
  q = gain > 1.0 ? q * gain / 10.0 : q / 10.0;
  if (sampleRate / f < kNyquistMargin) f = sampleRate / kNyquistMargin;
  // Band edges geometrically centred on f: upper edge fu in Hz, lower edge in rad/s.
  const double bandwidth = f / q;
  const double upper = (bandwidth + std::sqrt(bandwidth * bandwidth + 4.0 * f * f)) / 2.0;
  const double lowerRad = kTwoPi * upper - kTwoPi * bandwidth;
  const double twoFs = 2.0 * sampleRate;
  const double xc = kTwoPi * f / twoFs;
  const double xl = lowerRad / twoFs;
  const double w0 = twoFs * std::sin(xc) / std::cos(xc);
  const double wl = twoFs * std::sin(xl) / std::cos(xl);
  q = 1.0 / (w0 / wl - wl / w0);
  return 2.0 / (w0 / sampleRate);
}

double highPassDesign(double f, double gain, double& q, double sampleRate) {
  if (sampleRate / f < kNyquistMargin) f = sampleRate / kNyquistMargin;
  double omega = kTwoPi * f * q / 0.707;
  if (gain < 1.0) q = q / std::sqrt(gain);
  omega = omega / 3.0;
  const double x = omega * 0.5 / sampleRate;
  double c = std::cos(x) / std::sin(x);
  c = c / 3.0;
  c = c / std::pow(gain / 10.0, 0.25);
  return c;
}

Biquad inputHighPassDesign(double sampleRate) {
  // 125.66370614359172 rad/s is 2 pi x 20 Hz.
  const double x = 125.66370614359172 * (1.0 / sampleRate) * 0.5;
  const double c = std::cos(x) / std::sin(x);
  return highPassSection(c, 0.707);
}

Biquad eqLowDesign(double gain, double sampleRate) {
  constexpr double kQ = 0.158;
  // The corner moves down with the boost: 1415 Hz at G = 0.1, 795.7 Hz at 1, 447.5 Hz at 10.
  const double f = (0.707 * 100.0 / kQ) * std::pow(10.0 / gain, 0.25);
  const double q = gain < 1.0 ? kQ / std::sqrt(gain) : kQ;
  const double c = prewarpCot(f, sampleRate);
  double d;
  Biquad s = poles(c, q, d);
  s.b0 = static_cast<float>(1.0 / d);
  s.b1 = static_cast<float>(2.0 / d);
  s.b2 = static_cast<float>(1.0 / d);
  return s;
}

Biquad eqMidDesign(double gain, double sampleRate) {
  double q = 0.684;
  const double c = bandPassDesign(1000.0, gain, q, sampleRate);
  double d;
  Biquad s = poles(c, q, d);
  s.b0 = static_cast<float>((c / q) / d);
  s.b1 = 0.0f;
  s.b2 = -s.b0;
  return s;
}

Biquad eqHighDesign(double gain, double sampleRate) {
  double q = 0.158;
  const double c = highPassDesign(10000.0, gain, q, sampleRate);
  return highPassSection(c, q);
}

FirstOrder detectorHighPassDesign(double omega, double sampleRate) {
  const double x = omega * 0.5 / sampleRate;
  const double c = std::cos(x) / std::sin(x);
  FirstOrder s;
  s.b0 = static_cast<float>(c / (1.0 + c));
  s.b1 = static_cast<float>(-c / (1.0 + c));
  s.a1 = static_cast<float>((1.0 - c) / (1.0 + c));
  return s;
}

}  // namespace tarvo::dsp
