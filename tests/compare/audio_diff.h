// Sample-by-sample difference of a candidate signal from a reference of the same shape: the
// largest absolute difference (with where it is) and the RMS of the difference, as linear
// amplitudes (1.0 = full scale), and the limits in dBFS that a comparison must meet.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvo::compare {

struct Difference {
  int64_t frames = 0;
  int channels = 0;
  double maxAbs = 0.0;   // largest |candidate - reference|; infinite at a NaN or infinity
  int64_t maxFrame = 0;  // where it is (the first non-finite sample, if any)
  int maxChannel = 0;
  double rms = 0.0;           // sqrt(mean((candidate - reference)^2)) over the finite samples
  double referenceRms = 0.0;  // sqrt(mean(reference^2)): the level the difference is set against
  int64_t nonFinite = 0;      // samples that are NaN or infinite in either signal
};

// Both signals interleaved with `channels` channels, of the same length (std::invalid_argument
// otherwise). A NaN or an infinity in either counts in nonFinite and makes maxAbs infinite.
Difference difference(const std::vector<float>& reference, const std::vector<float>& candidate,
                      int channels);

// Limits in dBFS; a comparison meets them when every sample is finite and neither the largest
// nor the RMS difference lies above its limit.
struct Limits {
  double maxDb = 0.0;
  double rmsDb = 0.0;
};
bool within(const Difference& d, const Limits& limits);

// 20 log10(linear) with one decimal; "-inf" for silence (below 1e-30), "+inf" for infinity.
std::string dbText(double linear);

// For telling a host's time shift from a processing difference, never for passing a
// comparison: the lag L in [-maxLag, maxLag] at which candidate[t] best matches
// reference[t - L] over `window` frames around the reference's loudest frame (a negative L:
// the candidate runs early). Then the difference at lag L, over the frames both cover.
int64_t bestLag(const std::vector<float>& reference, const std::vector<float>& candidate,
                int channels, int64_t maxLag, int64_t window);
Difference differenceAtLag(const std::vector<float>& reference, const std::vector<float>& candidate,
                           int channels, int64_t lag);

}  // namespace tarvo::compare
