#include "dsp/gain_curve.h"

#include <cmath>

namespace tarvo::dsp {

float gainCurveAbove(float x, float kneeStart, float threshold, float ratio, float knee,
                     float linearity) {
  const double xd = x;
  const double t = threshold;
  const double r = ratio;
  // Gain approached at high levels: R times a power of 2T / (T + x) whose exponent grows
  // with the linearity and vanishes at R = 1. Rounded to a 32-bit float.
  const float p =
      static_cast<float>(r * std::exp((0.16 * std::sqrt(r) + 0.77) * std::log(2.0 * t / (t + xd)) *
                                      linearity * (1.0 - r)));
  // ((x - s) / x)^K rises from 0 at the knee start toward 1: K > 1 makes the departure soft.
  const double depart = std::exp(knee * std::log((xd - kneeStart) / xd));
  return static_cast<float>(1.0 - depart * (1.0 - static_cast<double>(p)));
}

float gainCurve(float x, float threshold, float ratio, float knee, float linearity) {
  const float kneeStart = kneeStartOf(threshold, knee);
  if (x <= kneeStart) return 1.0f;
  return gainCurveAbove(x, kneeStart, threshold, ratio, knee, linearity);
}

}  // namespace tarvo::dsp
