// Sample-by-sample difference of two interleaved signals of the same shape: the largest
// absolute difference (with where it happened) and the RMS of the difference, both as
// linear amplitudes (1.0 = full scale).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvo::ardour {

struct DiffStats {
  int64_t frames = 0;
  int channels = 0;
  double maxAbs = 0.0;      // largest |a - b| over every sample
  int64_t maxAbsFrame = 0;  // where it happened
  int maxAbsChannel = 0;
  double rmsDifference = 0.0;  // sqrt(mean((a - b)^2)) over every sample
  double rmsReference = 0.0;   // sqrt(mean(b^2)): the level the difference is measured against
  int64_t nonFinite = 0;       // samples that are NaN or infinite in either signal
};

// Compares a against the reference b. Both are interleaved with `channels` channels and
// must hold the same number of samples (std::invalid_argument otherwise). A NaN or an
// infinity in either signal counts in nonFinite and makes maxAbs infinite.
DiffStats compareSignals(const std::vector<float>& a, const std::vector<float>& b, int channels);

// 20 log10(x), "-inf" below 1e-30: decibels relative to full scale, one decimal.
std::string dBText(double linear);

// Limits that a comparison must meet: both as linear amplitudes.
struct Tolerance {
  double maxAbs = 0.0;
  double rms = 0.0;
};

bool withinTolerance(const DiffStats& stats, const Tolerance& tolerance);

// For telling a host's time shift from a processing difference, never for passing a
// comparison: the lag L in [-maxLag, maxLag] at which a[t] best matches b[t - L] over a
// window of `window` frames around the reference's loudest frame (a negative L: a runs
// early). Then the statistics of a against b moved by L, over the frames both cover.
int64_t bestLag(const std::vector<float>& a, const std::vector<float>& b, int channels,
                int64_t maxLag, int64_t window);
DiffStats compareShifted(const std::vector<float>& a, const std::vector<float>& b, int channels,
                         int64_t lag);

}  // namespace tarvo::ardour
