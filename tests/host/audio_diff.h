// Sample-by-sample difference of two renders of the same audio.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace tarvo::test {

struct AudioDiff {
  double maxAbs = 0.0;   // largest |a - b|, linear (1.0 = full scale); inf for NaN
  int64_t maxFrame = 0;  // where it is
  int maxChannel = 0;
  double rms = 0.0;           // RMS of a - b over every sample, linear
  double referenceRms = 0.0;  // RMS of a, linear
};

// Level in dB relative to full scale; -inf for 0.
inline double dbfs(double linear) {
  return linear > 0.0 ? 20.0 * std::log10(linear) : -std::numeric_limits<double>::infinity();
}

// a and b interleaved with `channels` channels, of equal length. A sample that is NaN in
// either (or infinite in one only) counts as an infinite difference.
inline AudioDiff compareAudio(const std::vector<float>& a, const std::vector<float>& b,
                              int channels) {
  AudioDiff d;
  double squares = 0.0, referenceSquares = 0.0;
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const double x = a[i], y = b[i];
    double diff = std::fabs(x - y);
    if (std::isnan(diff)) diff = x == y ? 0.0 : std::numeric_limits<double>::infinity();
    if (diff > d.maxAbs) {
      d.maxAbs = diff;
      d.maxFrame = static_cast<int64_t>(i / channels);
      d.maxChannel = static_cast<int>(i % channels);
    }
    squares += diff * diff;
    referenceSquares += x * x;
  }
  if (n > 0) {
    d.rms = std::sqrt(squares / double(n));
    d.referenceRms = std::sqrt(referenceSquares / double(n));
  }
  return d;
}

}  // namespace tarvo::test
