// Cost of the whole plug-in as a host sees it: processReplacing through the record of the
// built binary, loaded with dlopen, in ns per stereo frame (counter "ns_per_frame").
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "render/demo_signal.h"
#include "vsthost/vst_host.h"

namespace {

using tarvo::host::PluginInstance;
using tarvo::host::PluginLibrary;
namespace vst = tarvo::vst;

constexpr int kBlock = 512;

const PluginLibrary& library() {
  static const PluginLibrary lib(TARVO_PLUGIN_PATH);
  return lib;
}

const tarvo::render::StereoSignal& material() {
  static const tarvo::render::StereoSignal signal = tarvo::render::makeDemoSignal(44100);
  return signal;
}

struct Case {
  int program;
  std::vector<std::pair<int, float>> values;
  bool silence = false;
  bool rampEveryBlock = false;  // keeps the threshold ramping: the direct-curve path
};

void runCase(benchmark::State& state, const Case& c) {
  PluginInstance plugin(library());
  plugin.dispatch(vst::effSetSampleRate, 0, 0, nullptr, 44100.0f);
  plugin.dispatch(vst::effSetBlockSize, 0, kBlock);
  plugin.dispatch(vst::effMainsChanged, 0, 1);
  plugin.dispatch(vst::effSetProgram, 0, c.program);
  for (auto [index, value] : c.values) plugin.setParameter(index, value);

  // Deinterleave the demo loop once; blocks walk through it.
  const auto& m = material();
  std::vector<float> left(m.frames()), right(m.frames());
  for (long i = 0; i < m.frames(); ++i) {
    left[i] = c.silence ? 0.0f : m.interleaved[2 * i];
    right[i] = c.silence ? 0.0f : m.interleaved[2 * i + 1];
  }
  std::vector<float> outL(kBlock), outR(kBlock);
  float* outputs[2] = {outL.data(), outR.data()};
  long position = 0;
  // Settle: run one second so that the envelopes and the gain table are in steady state.
  for (int i = 0; i < 44100 / kBlock; ++i) {
    float* inputs[2] = {left.data() + position, right.data() + position};
    plugin.processReplacing(inputs, outputs, kBlock);
    position = (position + kBlock) % (m.frames() - kBlock);
  }
  float threshold = 0.3f;
  for (auto _ : state) {
    if (c.rampEveryBlock) {
      threshold = threshold > 0.5f ? 0.3f : threshold + 0.01f;
      plugin.setParameter(0, threshold);
    }
    float* inputs[2] = {left.data() + position, right.data() + position};
    plugin.processReplacing(inputs, outputs, kBlock);
    benchmark::DoNotOptimize(outL.data());
    position = (position + kBlock) % (m.frames() - kBlock);
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
  // Seconds per frame, shown by the library with its unit prefix (e.g. "12.3n").
  state.counters["per_frame"] =
      benchmark::Counter(double(state.iterations()) * kBlock,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// "Mix Down" with the threshold at -24 dB: steady compression, stereo link "Highest".
const std::vector<std::pair<int, float>> kCompress = {{0, 0.4f}};

void BM_Record_Compressing(benchmark::State& s) {
  runCase(s, {13, kCompress});
}
void BM_Record_ReleaseType(benchmark::State& s) {
  runCase(s, {13, {{0, 0.4f}, {9, float(s.range(0)) / 4.0f}}});
}
void BM_Record_LinkOff(benchmark::State& s) {
  runCase(s, {13, {{0, 0.4f}, {16, 1.0f}}});
}
void BM_Record_Ramping(benchmark::State& s) {
  runCase(s, {13, kCompress, false, true});
}
void BM_Record_Silence(benchmark::State& s) {
  runCase(s, {13, kCompress, true});
}

// The block update alone with all 25 parameters changed: a program change, then a block of
// zero frames, which runs only the update.
void BM_Record_ProgramChangeUpdate(benchmark::State& state) {
  PluginInstance plugin(library());
  plugin.dispatch(vst::effMainsChanged, 0, 1);
  float dummy[1] = {};
  float* io[2] = {dummy, dummy};
  int program = 0;
  for (auto _ : state) {
    plugin.dispatch(vst::effSetProgram, 0, program);
    plugin.processReplacing(io, io, 0);
    program = (program + 1) % 25;
  }
}

}  // namespace

BENCHMARK(BM_Record_Compressing);
BENCHMARK(BM_Record_ReleaseType)->DenseRange(0, 4);
BENCHMARK(BM_Record_LinkOff);
BENCHMARK(BM_Record_Ramping);
BENCHMARK(BM_Record_Silence);
BENCHMARK(BM_Record_ProgramChangeUpdate);
BENCHMARK_MAIN();
