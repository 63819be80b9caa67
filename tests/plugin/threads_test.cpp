// Parameter writes from one thread while another runs blocks and a third reads the
// editor side: no data race (run under ThreadSanitizer) and no lost write.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "plugin/recording_host.h"

namespace tarvo::testing {
namespace {

using namespace tarvo::vst;

TEST(Threads, ParameterWritesRaceWithBlocksAndEditorReads) {
  EffectFixture f;
  f.dispatch(effMainsChanged, 0, 1);
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    std::vector<float> left(64, 0.1f), right(64, -0.1f);
    float* io[2] = {left.data(), right.data()};
    while (!stop.load()) f.record->processReplacing(f.record, io, io, 64);
  });
  std::thread reader([&] {
    char text[64];
    while (!stop.load()) {
      for (int i = 0; i < 25; ++i) {
        f.record->getParameter(f.record, i);
        f.record->dispatcher(f.record, effGetParamDisplay, i, 0, text, 0.0f);
      }
      f.record->dispatcher(f.record, effGetProgram, 0, 0, nullptr, 0.0f);
    }
  });
  for (int round = 0; round < 2000; ++round) {
    const int index = round % 25;
    f.record->setParameter(f.record, index, float(round % 100) / 100.0f);
    if (round % 250 == 0) f.record->dispatcher(f.record, effSetProgram, 0, round % 25, nullptr, 0);
  }
  // The last writes, then stop: every flag raised after them is still pending or consumed.
  for (int i = 0; i < 25; ++i) f.record->setParameter(f.record, i, 0.5f);
  stop.store(true);
  audio.join();
  reader.join();
  for (int i = 0; i < 25; ++i) EXPECT_EQ(f.record->getParameter(f.record, i), 0.5f);
  // One more block applies every last write ("Release Type" re-marks "Release" for the
  // block after, which recomputes its pole for the new release character).
  float left[8] = {}, right[8] = {};
  float* io[2] = {left, right};
  f.record->processReplacing(f.record, io, io, 8);
  f.record->processReplacing(f.record, io, io, 8);
  for (int i = 0; i < 25; ++i) EXPECT_EQ(f.effect->paramStore().paramChanged[i].load(), 0) << i;
  char text[64] = {};
  f.record->dispatcher(f.record, effGetParamDisplay, 9, 0, text, 0.0f);
  EXPECT_STREQ(text, "Smooth 2");
  f.record->dispatcher(f.record, effGetParamDisplay, 16, 0, text, 0.0f);
  EXPECT_STREQ(text, "Mix");
}

}  // namespace
}  // namespace tarvo::testing
