// The built-in demo: a synthetic drum-and-bass loop with a quiet and a loud half, so the
// compressor can be heard working without any input file.
#pragma once

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

}  // namespace tarvo::render
