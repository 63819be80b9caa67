// Time constants of the signal path. A time t in seconds becomes a pole per sample that
// keeps 0.368 of the distance to the input after t seconds (0.368 is the decay per time
// constant used throughout, close to but not exactly 1/e).
#pragma once

#include <cmath>

namespace tarvo::dsp {

// Pole per sample p(t) = 0.368^(1 / (fs * t)), t in seconds, fs in Hz.
inline double polePerSample(double seconds, double sampleRate) {
  return std::exp(std::log(0.368) / (sampleRate * seconds));
}

// Step fraction per sample 1 - p(t): the share of the distance covered each sample.
inline double stepPerSample(double seconds, double sampleRate) {
  return 1.0 - polePerSample(seconds, sampleRate);
}

}  // namespace tarvo::dsp
