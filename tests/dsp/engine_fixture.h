// Helpers for driving a dsp::Engine in tests: a parameter store loaded from a factory
// program, block rendering, and deterministic test signals.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "dsp/engine.h"
#include "dsp/engine_probe.h"
#include "dsp/noise.h"
#include "params/factory_presets.h"
#include "params/param_store.h"

namespace tarvo::dsp::test {

using params::ParamStore;

// Normalized values of the selector positions.
inline constexpr float kOpto = 0.0f, kPumper = 0.25f, kSmooth2 = 0.5f, kSmooth1 = 0.75f,
                       kClassic = 1.0f;
inline constexpr float kLinkHighest = 0.0f, kLinkMix = 0.5f, kLinkOff = 1.0f;

// An engine with its parameter store, prepared the way the effect prepares it.
struct Rig {
  ParamStore store;
  Engine engine;

  explicit Rig(int program = 0, float rate = 44100.0f) {
    load(program);
    engine.setSampleRate(rate);
    store.markAllChanged();
    engine.resume();
    engine.reseedNoise();  // as the effect does: tolerances must hold for any seed
  }

  void load(int program) {
    for (int i = 0; i < params::kNumParams; ++i) set(i, params::factoryPresets[program][i]);
  }
  void set(int index, float v) {
    store.paramValue[index].store(v);
    store.paramChanged[index].store(1);
  }
  bool changed(int index) const { return store.paramChanged[index].load() != 0; }

  // processReplacing over whole buffers, `block` frames per call.
  void render(const std::vector<float>& inL, const std::vector<float>& inR,
              std::vector<float>& outL, std::vector<float>& outR, int block = 64) {
    outL.assign(inL.size(), 0.0f);
    outR.assign(inR.size(), 0.0f);
    for (size_t pos = 0; pos < inL.size(); pos += block) {
      const int n = static_cast<int>(std::min<size_t>(block, inL.size() - pos));
      float* in[2] = {const_cast<float*>(inL.data() + pos), const_cast<float*>(inR.data() + pos)};
      float* out[2] = {outL.data() + pos, outR.data() + pos};
      engine.processReplacing(in, out, n, store);
    }
  }

  // One sample pair as a block of one frame.
  void sample(float inL, float inR, float& outL, float& outR) {
    float* in[2] = {&inL, &inR};
    float* out[2] = {&outL, &outR};
    engine.processReplacing(in, out, 1, store);
  }

  // Runs `frames` of silence.
  void silence(int frames) {
    std::vector<float> z(frames, 0.0f), l, r;
    render(z, z, l, r, 512);
  }
};

inline std::vector<float> sine(int frames, double freq, double amp, double fs = 44100.0) {
  std::vector<float> s(frames);
  for (int i = 0; i < frames; ++i) {
    s[i] = static_cast<float>(amp * std::sin(6.283185307179586 * freq * i / fs));
  }
  return s;
}

// Program-like material: a bass tone and a chord under decaying noise bursts four times a
// second, with a quiet and a loud half; deterministic for a given channel.
inline std::vector<float> programMaterial(int frames, int channel, double fs = 44100.0) {
  std::mt19937 rng(1234u + static_cast<unsigned>(channel));
  std::uniform_real_distribution<float> uni(-1.0f, 1.0f);
  std::vector<float> s(frames);
  const int beat = static_cast<int>(fs / 4);
  for (int i = 0; i < frames; ++i) {
    const double t = i / fs;
    const double loud = i < frames / 2 ? 0.15 : 0.6;
    const double tone = 0.4 * std::sin(6.283185307179586 * 55.0 * t) +
                        0.2 * std::sin(6.283185307179586 * (440.0 + 3.0 * channel) * t) +
                        0.1 * std::sin(6.283185307179586 * 659.3 * t);
    const double burst = std::exp(-(i % beat) / (0.03 * fs)) * uni(rng);
    s[i] = static_cast<float>(loud * (tone + burst));
  }
  return s;
}

inline float peak(const std::vector<float>& s, size_t from, size_t to) {
  float p = 0.0f;
  for (size_t i = from; i < to; ++i) p = std::max(p, std::fabs(s[i]));
  return p;
}

}  // namespace tarvo::dsp::test
