// Loudness of the input and the output of a render as EBU R128 / ITU-R BS.1770 measure it
// (libebur128): integrated loudness, loudness range and true peak. The two streams are
// measured on worker threads, a chunk behind the render, so that the render does not wait
// for the meters.
#pragma once

#include <cstdint>
#include <future>
#include <memory>
#include <vector>

#include "render/render_job.h"

namespace tarvo::render {

class LoudnessAnalysis {
 public:
  LoudnessAnalysis(int channels, int sampleRate);
  ~LoudnessAnalysis();
  LoudnessAnalysis(const LoudnessAnalysis&) = delete;
  LoudnessAnalysis& operator=(const LoudnessAnalysis&) = delete;

  // Interleaved frames of the input and the output, as read and as written (copied).
  void add(const float* input, const float* output, int64_t frames);
  // Measures what is left and answers the figures of the input and of the output.
  std::pair<Loudness, Loudness> finish();

 private:
  struct Meter;
  void dispatch();

  int channels_;
  int64_t chunkFrames_;
  std::unique_ptr<Meter> in_, out_;
  std::vector<float> pendingIn_, pendingOut_;
  std::future<void> running_;
};

}  // namespace tarvo::render
