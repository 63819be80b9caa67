// The built-in demo: a synthetic drum-and-bass loop with a quiet and a loud half, so the
// compressor can be heard working without any input file.
#pragma once

#include <cstdint>
#include <vector>

namespace tarvo::render {

struct StereoSignal {
  int sampleRate = 44100;
  std::vector<float> interleaved;  // L, R, L, R, ...
  long frames() const { return static_cast<long>(interleaved.size() / 2); }
};

// About 10 s at 44.1 kHz, 120 beats per minute: kick, snare, hi-hat and a bass line; the
// first half sits about 18 dB below the second. Deterministic: the same samples each run.
StereoSignal makeDemoSignal(int sampleRate = 44100);

// The same samples made as they are asked for, so that a render can start on the first
// block while the rest is still to come.
class DemoSource {
 public:
  explicit DemoSource(int sampleRate = 44100);
  int sampleRate() const { return sampleRate_; }
  long frames() const { return frames_; }
  // Writes up to `frames` interleaved stereo frames; answers how many (0 at the end).
  long read(float* interleaved, long frames);

 private:
  int sampleRate_;
  long frames_;
  long position_ = 0;
  uint32_t noise_ = 0x2545F491u;  // repeatable white noise
  double hatState_ = 0.0;         // one-pole high-pass memory for the hi-hat noise
  double lastNoise_ = 0.0;
  double bassPhase_ = 0.0;
};

}  // namespace tarvo::render
