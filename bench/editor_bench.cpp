// Cost of the editor on the host's user-interface thread: an idle call with moving meters
// and no parameter change (counter "pixels_per_idle": pixels recomposed), a full refresh
// after a program change, and composing the whole panel.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>

#include "editor/plugin_editor_window.h"
#include "params/factory_presets.h"
#include "plugin/editor_glue.h"
#include "plugin/plugin.h"

namespace {

using namespace tarvo;

vst::VstIntPtr VSTCALL quietHost(vst::AEffect*, int32_t opcode, int32_t, vst::VstIntPtr, void*,
                                 float) {
  return opcode == vst::audioMasterVersion ? 2400 : 0;
}

std::array<float, params::kNumParams> program(int index) {
  std::array<float, params::kNumParams> values{};
  for (int i = 0; i < params::kNumParams; ++i) values[i] = params::factoryPresets[index][i];
  return values;
}

// Levels of a compressor at work, moving every idle call: a slow swell with a faster
// ripple, in linear amplitude and gain factor.
struct MovingLevels {
  int tick = 0;
  void next(float& in, float& out, float& gain) {
    const double t = tick++ * 0.05;
    const double db = -18.0 + 12.0 * std::sin(t) + 3.0 * std::sin(7.3 * t);
    in = static_cast<float>(std::pow(10.0, db / 20.0));
    const double reduction = db > -20.0 ? (db + 20.0) * 0.6 : 0.0;
    gain = static_cast<float>(std::pow(10.0, -reduction / 20.0));
    out = in * gain;
  }
};

// The adapter's idle through the glue, as the host sees it: meters copied and updated,
// then the changed areas composed.
void BM_IdleMovingMeters(benchmark::State& state) {
  plugin::APlugin effect(&quietHost);
  plugin::HostedEditorWindow hosted(effect, nullptr);
  hosted.updateControls(program(13));
  hosted.idle();
  MovingLevels levels;
  int64_t pixels = 0;
  for (auto _ : state) {
    float in, out, gain;
    levels.next(in, out, gain);
    hosted.updateMeters(in, in * 0.9f, out, out * 0.9f, gain, gain);
    hosted.idle();
    for (const auto& area : hosted.lastComposedAreas()) pixels += area.Area();
  }
  state.counters["pixels_per_idle"] =
      benchmark::Counter(static_cast<double>(pixels), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_IdleMovingMeters)->Unit(benchmark::kMicrosecond);

// An idle call with steady meters and no parameter change: nothing to draw.
void BM_IdleSteady(benchmark::State& state) {
  plugin::APlugin effect(&quietHost);
  plugin::HostedEditorWindow hosted(effect, nullptr);
  hosted.updateControls(program(13));
  hosted.updateMeters(0.2f, 0.2f, 0.1f, 0.1f, 0.5f, 0.5f);
  hosted.idle();
  for (auto _ : state) {
    hosted.updateMeters(0.2f, 0.2f, 0.1f, 0.1f, 0.5f, 0.5f);
    hosted.idle();
  }
}
BENCHMARK(BM_IdleSteady)->Unit(benchmark::kMicrosecond);

// The refresh after a program change (every control differs) and its composition.
void BM_RefreshAfterProgramChange(benchmark::State& state) {
  plugin::APlugin effect(&quietHost);
  plugin::HostedEditorWindow hosted(effect, nullptr);
  const auto a = program(13);
  const auto b = program(3);
  bool flip = false;
  for (auto _ : state) {
    hosted.updateControls(flip ? a : b);
    hosted.idle();
    flip = !flip;
  }
}
BENCHMARK(BM_RefreshAfterProgramChange)->Unit(benchmark::kMicrosecond);

// Composing the whole 645 x 485 panel (a repaint of the form).
void BM_ComposeWholePanel(benchmark::State& state) {
  editor::TPluginEditorWindow window;
  window.paramCopy = program(13);
  window.UpdateControls();
  window.UpdateMeter();
  window.Compose();
  for (auto _ : state) {
    window.FormPaint();
    benchmark::DoNotOptimize(window.Compose());
  }
}
BENCHMARK(BM_ComposeWholePanel)->Unit(benchmark::kMicrosecond);

// Creating the window (an editor open), skin already decoded.
void BM_OpenWindow(benchmark::State& state) {
  editor::TPluginEditorWindow warm;
  for (auto _ : state) {
    editor::TPluginEditorWindow window;
    benchmark::DoNotOptimize(&window);
  }
}
BENCHMARK(BM_OpenWindow)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
