#include "render/demo_signal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tarvo::render {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kBeat = 0.5;  // seconds per beat at 120 BPM
constexpr int kBeats = 20;

// Bass notes (Hz), one per beat, a simple minor riff.
constexpr double kBassNotes[8] = {55.0, 55.0, 65.41, 49.0, 55.0, 73.42, 65.41, 49.0};

}  // namespace

DemoSource::DemoSource(int sampleRate)
    : sampleRate_(sampleRate), frames_(static_cast<long>(kBeats * kBeat * sampleRate)) {}

long DemoSource::read(float* interleaved, long frames) {
  const double fs = sampleRate_;
  const long end = std::min(frames_, position_ + frames);
  const long count = end - position_;
  for (long n = position_; n < end; ++n) {
    const double t = n / fs;
    const int beatIndex = static_cast<int>(t / kBeat);
    const double tb = t - beatIndex * kBeat;      // time since the beat
    const double te = std::fmod(t, kBeat / 2.0);  // time since the eighth note
    const bool loud = t >= kBeats * kBeat / 2.0;
    const double level = loud ? 1.0 : 0.125;  // about -18 dB for the quiet half

    // Kick on every beat: a falling sine with a fast decay.
    const double kickFreq = 45.0 + 90.0 * std::exp(-tb * 30.0);
    const double kick = std::sin(2.0 * kPi * kickFreq * tb) * std::exp(-tb * 9.0);
    // Snare on beats 2 and 4: noise burst and a 190 Hz body. White noise in -1..1.
    noise_ = noise_ * 1664525u + 1013904223u;
    const double white = double(noise_ >> 8) / double(1u << 23) - 1.0;
    double snare = 0.0;
    if (beatIndex % 2 == 1) {
      snare = (0.6 * white + 0.4 * std::sin(2.0 * kPi * 190.0 * tb)) * std::exp(-tb * 18.0);
    }
    // Hi-hat on every eighth: high-passed noise with a very short decay.
    hatState_ = 0.9 * (hatState_ + white - lastNoise_);
    lastNoise_ = white;
    const double hat = hatState_ * std::exp(-te * 60.0) * 0.35;
    // Bass: a soft square-ish tone from the riff, gated per beat.
    const double f = kBassNotes[beatIndex % 8];
    bassPhase_ += f / fs;
    bassPhase_ -= std::floor(bassPhase_);
    const double bassWave = std::tanh(3.0 * std::sin(2.0 * kPi * bassPhase_));
    const double bass =
        0.35 * bassWave * (tb < kBeat * 0.85 ? 1.0 : std::exp(-(tb - kBeat * 0.85) * 80.0));

    const double mid = 0.55 * kick + 0.4 * snare + bass;
    const double left = level * (mid + 0.7 * hat);
    const double right = level * (mid + 1.0 * hat);
    *interleaved++ = static_cast<float>(0.5 * left);
    *interleaved++ = static_cast<float>(0.5 * right);
  }
  position_ = end;
  return count;
}

StereoSignal makeDemoSignal(int sampleRate) {
  DemoSource source(sampleRate);
  StereoSignal out;
  out.sampleRate = sampleRate;
  out.interleaved.assign(static_cast<size_t>(source.frames()) * 2, 0.0f);
  source.read(out.interleaved.data(), source.frames());
  return out;
}

}  // namespace tarvo::render
