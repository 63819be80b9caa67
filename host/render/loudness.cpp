#include "render/loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace tarvo::render {

// One stream's libebur128 state and the chunk it is measuring.
struct LoudnessAnalysis::Meter {
  Meter(int channels, int sampleRate)
      : state(ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(sampleRate),
                           EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK)),
        channels(channels) {
    if (state == nullptr) throw std::runtime_error("cannot start the loudness meter");
  }
  ~Meter() { ebur128_destroy(&state); }
  Meter(const Meter&) = delete;
  Meter& operator=(const Meter&) = delete;

  void measure(const std::vector<float>& interleaved) {
    ebur128_add_frames_float(state, interleaved.data(), interleaved.size() / channels);
  }

  Loudness result() {
    Loudness l;
    if (ebur128_loudness_global(state, &l.integratedLufs) != EBUR128_SUCCESS) {
      l.integratedLufs = -std::numeric_limits<double>::infinity();
    }
    if (ebur128_loudness_range(state, &l.rangeLu) != EBUR128_SUCCESS) l.rangeLu = 0.0;
    double peak = 0.0;
    for (int c = 0; c < channels; ++c) {
      double p = 0.0;
      if (ebur128_true_peak(state, static_cast<unsigned>(c), &p) == EBUR128_SUCCESS) {
        peak = std::max(peak, p);
      }
    }
    l.truePeakDbtp =
        peak > 0.0 ? 20.0 * std::log10(peak) : -std::numeric_limits<double>::infinity();
    return l;
  }

  ebur128_state* state;
  int channels;
  std::vector<float> chunk;  // owned by the worker while it runs
};

LoudnessAnalysis::LoudnessAnalysis(int channels, int sampleRate)
    : channels_(channels),
      chunkFrames_(std::max(sampleRate, 1)),  // a second at a time
      in_(std::make_unique<Meter>(channels, sampleRate)),
      out_(std::make_unique<Meter>(channels, sampleRate)) {
  pendingIn_.reserve(static_cast<size_t>(chunkFrames_) * channels);
  pendingOut_.reserve(static_cast<size_t>(chunkFrames_) * channels);
}

LoudnessAnalysis::~LoudnessAnalysis() {
  if (running_.valid()) running_.wait();
}

void LoudnessAnalysis::add(const float* input, const float* output, int64_t frames) {
  const size_t n = static_cast<size_t>(frames) * channels_;
  pendingIn_.insert(pendingIn_.end(), input, input + n);
  pendingOut_.insert(pendingOut_.end(), output, output + n);
  if (static_cast<int64_t>(pendingIn_.size()) >= chunkFrames_ * channels_) dispatch();
}

// Hands the pending chunk to a worker once the previous one is done: input and output are
// measured side by side while the render goes on.
void LoudnessAnalysis::dispatch() {
  if (running_.valid()) running_.get();
  in_->chunk.swap(pendingIn_);
  out_->chunk.swap(pendingOut_);
  pendingIn_.clear();
  pendingOut_.clear();
  running_ = std::async(std::launch::async, [this] {
    auto input = std::async(std::launch::async, [this] { in_->measure(in_->chunk); });
    out_->measure(out_->chunk);
    input.get();
  });
}

std::pair<Loudness, Loudness> LoudnessAnalysis::finish() {
  if (!pendingIn_.empty()) dispatch();
  if (running_.valid()) running_.get();
  return {in_->result(), out_->result()};
}

}  // namespace tarvo::render
