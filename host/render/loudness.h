// Loudness of the input and the output of a render as EBU R128 / ITU-R BS.1770 measure it:
// integrated loudness, loudness range and true peak, with libebur128's filter, gates and
// true-peak interpolator. It is measured here rather than through libebur128's own calls,
// which cost several times the whole render: the gating energies are summed 100 ms at a
// time, the filter's terms are ordered for speed, and the interpolator runs (in the same
// arithmetic as libebur128's, so the true peak is the same to the bit) only where its
// output could exceed the peak found so far. Loudness and range agree with libebur128's far
// below the digits printed (tests/host checks all three against it).
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include "render/render_job.h"

namespace tarvo::render {

class LoudnessAnalysis {
 public:
  // `channels` 1 or 2.
  LoudnessAnalysis(int channels, int sampleRate);
  ~LoudnessAnalysis();
  LoudnessAnalysis(const LoudnessAnalysis&) = delete;
  LoudnessAnalysis& operator=(const LoudnessAnalysis&) = delete;

  // `frames` interleaved frames of the input as read and as many of the output as written,
  // in order. The two are measured in one pass: the cost of two signals is about that of
  // one.
  void add(const float* input, const float* output, int64_t frames);
  // The figures of the input and of the output.
  std::pair<Loudness, Loudness> finish();

 private:
  struct Meters;
  std::unique_ptr<Meters> meters_;
};

}  // namespace tarvo::render
