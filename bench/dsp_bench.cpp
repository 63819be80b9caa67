// Cost of the signal path at 44.1 kHz: ns per stereo frame of Engine::processReplacing
// (counter "ns_per_frame"), and the cost of the block update.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "dsp/engine.h"
#include "dsp/engine_probe.h"
#include "dsp/noise.h"
#include "params/factory_presets.h"
#include "params/param_store.h"

namespace {

using tarvo::dsp::Engine;
using tarvo::params::ParamStore;
namespace p = tarvo::params;

constexpr int kBlock = 512;
constexpr int kMaterialFrames = 44100 * 4;
constexpr double kFs = 44100.0;

// Program-like stereo material: bass and chord tones under decaying noise bursts, with a
// quiet and a loud half, peaks around -3 dBFS.
struct Material {
  std::vector<float> left, right;
  Material() : left(kMaterialFrames), right(kMaterialFrames) {
    std::mt19937 rng(42);
    std::uniform_real_distribution<float> uni(-1.0f, 1.0f);
    const int beat = static_cast<int>(kFs / 4);
    for (int i = 0; i < kMaterialFrames; ++i) {
      const double t = i / kFs;
      const double loud = i < kMaterialFrames / 2 ? 0.15 : 0.6;
      const double burst = std::exp(-(i % beat) / (0.03 * kFs));
      const double tone =
          0.4 * std::sin(2 * M_PI * 55.0 * t) + 0.2 * std::sin(2 * M_PI * 440.0 * t);
      left[i] = static_cast<float>(loud * (tone + burst * uni(rng)));
      right[i] = static_cast<float>(loud * (tone * 0.9 + burst * uni(rng)));
    }
  }
};

const Material& material() {
  static const Material m;
  return m;
}

struct Setup {
  int program = 3;            // "Vocal": table path, stereo link "Highest"
  float threshold = 0.5f;     // -20 dB, so that the material is compressed
  float releaseType = -1.0f;  // keep the program's
  float stereoLink = -1.0f;   // keep the program's
};

void prepare(Engine& engine, ParamStore& store, const Setup& s) {
  for (int i = 0; i < p::kNumParams; ++i) {
    store.paramValue[i].store(p::factoryPresets[s.program][i]);
  }
  store.paramValue[p::kThreshold].store(s.threshold);
  if (s.releaseType >= 0) store.paramValue[p::kReleaseType].store(s.releaseType);
  if (s.stereoLink >= 0) store.paramValue[p::kStereoLink].store(s.stereoLink);
  store.markAllChanged();
  engine.setSampleRate(44100.0f);
  engine.resume();
  engine.reseedNoise();
}

// Items are stereo frames; "ns_per_frame" is CPU time per frame in nanoseconds.
void setFrameCounters(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * kBlock);
  state.counters["ns_per_frame"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kBlock * 1e-9,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Steady state: ramps ended and the gain table built before timing starts.
void runSteady(benchmark::State& state, const Setup& s, bool silent) {
  Engine engine;
  ParamStore store;
  prepare(engine, store, s);
  const Material& m = material();
  std::vector<float> zeros(kBlock, 0.0f), outL(kBlock), outR(kBlock);
  float* out[2] = {outL.data(), outR.data()};
  int pos = 0;
  auto block = [&] {
    float* in[2] = {silent ? zeros.data() : const_cast<float*>(m.left.data() + pos),
                    silent ? zeros.data() : const_cast<float*>(m.right.data() + pos)};
    engine.processReplacing(in, out, kBlock, store);
    pos += kBlock;
    if (pos + kBlock > kMaterialFrames) pos = 0;
  };
  for (int i = 0; i < 100; ++i) block();  // past the ramps of the Release Type change
  for (auto _ : state) {
    block();
    benchmark::DoNotOptimize(outL.data());
    benchmark::ClobberMemory();
  }
  setFrameCounters(state);
}

void BM_CompressingProgram(benchmark::State& state) {
  runSteady(state, Setup{}, false);
}

void BM_ReleaseType(benchmark::State& state) {
  Setup s;
  s.releaseType = static_cast<float>(state.range(0)) / 4.0f;
  state.SetLabel(p::releaseTypeNames[state.range(0)]);
  runSteady(state, s, false);
}

void BM_StereoLinkOff(benchmark::State& state) {
  Setup s;
  s.stereoLink = 1.0f;
  runSteady(state, s, false);
}

void BM_Silence(benchmark::State& state) {
  runSteady(state, Setup{}, true);
}

// A parameter moved before every block keeps a ramp running: the curve is evaluated
// directly per sample and every smoothed value advances.
void BM_DuringRamp(benchmark::State& state) {
  Engine engine;
  ParamStore store;
  prepare(engine, store, Setup{});
  const Material& m = material();
  std::vector<float> outL(kBlock), outR(kBlock);
  float* out[2] = {outL.data(), outR.data()};
  int pos = 0;
  bool flip = false;
  for (auto _ : state) {
    store.paramValue[p::kThreshold].store(flip ? 0.45f : 0.55f);
    store.paramChanged[p::kThreshold].store(1);
    flip = !flip;
    float* in[2] = {const_cast<float*>(m.left.data() + pos),
                    const_cast<float*>(m.right.data() + pos)};
    engine.processReplacing(in, out, kBlock, store);
    pos += kBlock;
    if (pos + kBlock > kMaterialFrames) pos = 0;
    benchmark::DoNotOptimize(outL.data());
    benchmark::ClobberMemory();
  }
  setFrameCounters(state);
}

// All 25 parameters changed: mappings, poles, filter designs, make-up gain, ramps.
void BM_UpdateBlockAllChanged(benchmark::State& state) {
  Engine engine;
  ParamStore store;
  prepare(engine, store, Setup{});
  engine.updateBlock(store);
  for (auto _ : state) {
    store.markAllChanged();
    engine.updateBlock(store);
    benchmark::DoNotOptimize(tarvo::dsp::EngineProbe::targetValues(engine));
  }
}

// The update that rebuilds the 2002-point gain table after the ramps have ended.
void BM_UpdateBlockTableRebuild(benchmark::State& state) {
  Engine engine;
  ParamStore store;
  prepare(engine, store, Setup{});
  engine.updateBlock(store);
  for (auto _ : state) {
    tarvo::dsp::EngineProbe::staleGainTable(engine);
    engine.updateBlock(store);
    benchmark::ClobberMemory();
  }
}

// Nothing changed: 25 flag tests.
void BM_UpdateBlockNothingChanged(benchmark::State& state) {
  Engine engine;
  ParamStore store;
  prepare(engine, store, Setup{});
  engine.updateBlock(store);
  engine.updateBlock(store);
  for (auto _ : state) {
    engine.updateBlock(store);
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_CompressingProgram);
BENCHMARK(BM_ReleaseType)->DenseRange(0, 4);
BENCHMARK(BM_StereoLinkOff);
BENCHMARK(BM_DuringRamp);
BENCHMARK(BM_Silence);
BENCHMARK(BM_UpdateBlockAllChanged);
BENCHMARK(BM_UpdateBlockTableRebuild);
BENCHMARK(BM_UpdateBlockNothingChanged);

}  // namespace

BENCHMARK_MAIN();
