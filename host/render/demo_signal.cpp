#include "render/demo_signal.h"

#include <cmath>
#include <cstdint>

namespace tarvo::render {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Repeatable white noise in -1..1.
struct Noise {
  uint32_t state = 0x2545F491u;
  double next() {
    state = state * 1664525u + 1013904223u;
    return double(state >> 8) / double(1u << 23) - 1.0;
  }
};

}  // namespace

StereoSignal makeDemoSignal(int sampleRate) {
  const double fs = sampleRate;
  const double beat = 0.5;  // seconds per beat at 120 BPM
  const int beats = 20;
  const long frames = static_cast<long>(beats * beat * fs);
  StereoSignal out;
  out.sampleRate = sampleRate;
  out.interleaved.assign(static_cast<size_t>(frames) * 2, 0.0f);

  // Bass notes (Hz), one per beat, a simple minor riff.
  const double bassNotes[8] = {55.0, 55.0, 65.41, 49.0, 55.0, 73.42, 65.41, 49.0};
  Noise noise;
  double hatState = 0.0;  // one-pole high-pass memory for the hi-hat noise
  double lastNoise = 0.0;
  double bassPhase = 0.0;

  for (long n = 0; n < frames; ++n) {
    const double t = n / fs;
    const int beatIndex = static_cast<int>(t / beat);
    const double tb = t - beatIndex * beat;      // time since the beat
    const double te = std::fmod(t, beat / 2.0);  // time since the eighth note
    const bool loud = t >= beats * beat / 2.0;
    const double level = loud ? 1.0 : 0.125;  // about -18 dB for the quiet half

    // Kick on every beat: a falling sine with a fast decay.
    const double kickFreq = 45.0 + 90.0 * std::exp(-tb * 30.0);
    const double kick = std::sin(2.0 * kPi * kickFreq * tb) * std::exp(-tb * 9.0);
    // Snare on beats 2 and 4: noise burst and a 190 Hz body.
    const double white = noise.next();
    double snare = 0.0;
    if (beatIndex % 2 == 1) {
      snare = (0.6 * white + 0.4 * std::sin(2.0 * kPi * 190.0 * tb)) * std::exp(-tb * 18.0);
    }
    // Hi-hat on every eighth: high-passed noise with a very short decay.
    hatState = 0.9 * (hatState + white - lastNoise);
    lastNoise = white;
    const double hat = hatState * std::exp(-te * 60.0) * 0.35;
    // Bass: a soft square-ish tone from the riff, gated per beat.
    const double f = bassNotes[beatIndex % 8];
    bassPhase += f / fs;
    bassPhase -= std::floor(bassPhase);
    const double bassWave = std::tanh(3.0 * std::sin(2.0 * kPi * bassPhase));
    const double bass =
        0.35 * bassWave * (tb < beat * 0.85 ? 1.0 : std::exp(-(tb - beat * 0.85) * 80.0));

    const double mid = 0.55 * kick + 0.4 * snare + bass;
    const double left = level * (mid + 0.7 * hat);
    const double right = level * (mid + 1.0 * hat);
    out.interleaved[2 * n] = static_cast<float>(0.5 * left);
    out.interleaved[2 * n + 1] = static_cast<float>(0.5 * right);
  }
  return out;
}

}  // namespace tarvo::render
