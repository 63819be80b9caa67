// The effect under three threads at once, as hosts drive it: the audio thread runs
// processReplacing; the user-interface thread hammers setParameter, effSetProgram and the
// editor's idle and update (headless window, editor open); a third thread reads the meters
// through the private meter request. Run under ThreadSanitizer (tsan preset): no report.
// Afterwards no parameter write is lost: one more block applies every last write.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include "dsp/engine_probe.h"
#include "plugin/editor_glue.h"
#include "plugin/plugin_editor.h"
#include "plugin/recording_host.h"

namespace tarvo::testing {
namespace {

using namespace tarvo::vst;

class Concurrency : public ::testing::Test {
 protected:
  void SetUp() override { plugin::setEditorWindowFactory(plugin::makeHeadlessEditorWindow); }
  void TearDown() override { plugin::setEditorWindowFactory(nullptr); }
};

// Runs `blocks` blocks of 32 frames of a sine.
void runBlocks(AEffect* e, int blocks) {
  float left[32], right[32];
  for (int b = 0; b < blocks; ++b) {
    for (int i = 0; i < 32; ++i) left[i] = right[i] = 0.3f * std::sin(0.05f * float(i));
    float* io[2] = {left, right};
    e->processReplacing(e, io, io, 32);
  }
}

TEST_F(Concurrency, AudioParametersEditorAndMetersOnThreeThreadsLoseNoWrite) {
  EffectFixture f;
  f.dispatch(effMainsChanged, 0, 1);
  char parent[8] = {};
  ASSERT_EQ(f.dispatch(effEditOpen, 0, 0, parent), 1);
  auto* adapter = static_cast<plugin::APluginEditor*>(f.effect->getEditor());
  auto* window = static_cast<plugin::HostedEditorWindow*>(adapter->editorWindow());
  ASSERT_NE(window, nullptr);

  std::atomic<bool> stop{false};
  std::atomic<bool> audioFinite{true}, metersFinite{true};
  std::atomic<int> blocks{0}, meterReads{0};
  std::thread audio([&] {
    std::vector<float> left(128), right(128);
    int phase = 0;
    while (!stop.load(std::memory_order_relaxed)) {
      for (int i = 0; i < 128; ++i, ++phase) {
        left[i] = 0.5f * std::sin(0.031f * float(phase));
        right[i] = 0.25f * std::sin(0.017f * float(phase));
      }
      float* io[2] = {left.data(), right.data()};
      f.record->processReplacing(f.record, io, io, 128);
      for (int i = 0; i < 128; ++i) {
        if (!std::isfinite(left[i]) || !std::isfinite(right[i])) audioFinite = false;
      }
      blocks.fetch_add(1, std::memory_order_relaxed);
    }
  });
  std::thread meters([&] {
    float m[6];
    while (!stop.load(std::memory_order_relaxed)) {
      if (f.record->dispatcher(f.record, effVendorSpecific, plugin::kMeterQueryIndex,
                               plugin::kMeterQueryValue, m, 0.0f) != 1) {
        metersFinite = false;
      }
      for (float v : m) {
        if (!std::isfinite(v)) metersFinite = false;
      }
      meterReads.fetch_add(1, std::memory_order_relaxed);
    }
  });

  // The user-interface thread: automation, program changes, editor refreshes.
  std::mt19937 rng(20240607u);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  for (int round = 0; round < 4000; ++round) {
    f.record->setParameter(f.record, int(rng() % 25), unit(rng));
    if (round % 97 == 0) f.dispatch(effSetProgram, 0, int(rng() % 25));
    if (round % 8 == 0) f.dispatch(effEditIdle);
    if (round % 50 == 0) adapter->update();
  }
  // The last writes, made while the audio thread still runs.
  std::array<float, 25> last{};
  for (int i = 0; i < 25; ++i) {
    last[i] = float((i * 37) % 101) / 100.0f;
    f.record->setParameter(f.record, i, last[i]);
  }
  while (blocks.load() < 10 || meterReads.load() < 10) std::this_thread::yield();
  stop = true;
  audio.join();
  meters.join();
  EXPECT_TRUE(audioFinite.load());
  EXPECT_TRUE(metersFinite.load());

  // One more block applies every last write; a second lets "Release Type" re-mark
  // "Release", which the block after it recomputes.
  runBlocks(f.record, 2);
  for (int i = 0; i < 25; ++i) {
    EXPECT_EQ(f.record->getParameter(f.record, i), last[i]) << i;
    EXPECT_EQ(f.effect->paramStore().paramChanged[i].load(), 0) << i;
  }
  // The engine holds what a quiet effect given the same values holds.
  EffectFixture quiet;
  quiet.dispatch(effMainsChanged, 0, 1);
  for (int i = 0; i < 25; ++i) quiet.record->setParameter(quiet.record, i, last[i]);
  runBlocks(quiet.record, 2);
  for (int i = 0; i < 25; ++i) {
    EXPECT_EQ(dsp::EngineProbe::targetValues(f.effect->engine())[i],
              dsp::EngineProbe::targetValues(quiet.effect->engine())[i])
        << i;
  }
  EXPECT_EQ(f.effect->engine().releaseType(), quiet.effect->engine().releaseType());
  EXPECT_EQ(f.effect->engine().stereoLinkMode(), quiet.effect->engine().stereoLinkMode());
  // And the editor shows them at its next idle.
  f.dispatch(effEditIdle);
  for (int i = 0; i < 25; ++i) EXPECT_EQ(window->window().paramCopy[i], last[i]) << i;
  f.dispatch(effEditClose);
}

}  // namespace
}  // namespace tarvo::testing
