// Loudness of the input and the output of a render as EBU R128 / ITU-R BS.1770 measure it:
// integrated loudness, loudness range and true peak, with libebur128's filter, gates and
// true-peak interpolator. It is measured here rather than through libebur128's own calls,
// which cost several times the whole render: both signals go through one loop (their
// K-weighting filters side by side), the gating energies are summed 100 ms at a time, and
// the interpolator runs only where its output could exceed the peak found so far. The
// figures agree with libebur128's far below the digits printed (tests/host checks them
// against it).
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

  // Interleaved frames of the input and the output, as read and as written, in order.
  void add(const float* input, const float* output, int64_t frames);
  // The figures of the input and of the output.
  std::pair<Loudness, Loudness> finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tarvo::render
