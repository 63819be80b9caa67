#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "params/factory_presets.h"
#include "params/param_table.h"
#include "plugin/recording_host.h"

namespace tarvo::testing {
namespace {

using namespace tarvo::vst;

TEST(Parameters, StartAtProgramZero) {
  EffectFixture f;
  EXPECT_EQ(f.effect->getProgram(), 0);
  for (int i = 0; i < 25; ++i) {
    EXPECT_EQ(f.record->getParameter(f.record, i), params::factoryPresets[0][i]) << i;
    EXPECT_EQ(f.effect->paramStore().paramChanged[i].load(), 1) << i;
  }
}

TEST(Parameters, ValuesAreClampedAndBadIndicesIgnored) {
  EffectFixture f;
  AEffect* r = f.record;
  r->setParameter(r, 3, 1.5f);
  EXPECT_EQ(r->getParameter(r, 3), 1.0f);
  r->setParameter(r, 3, -0.2f);
  EXPECT_EQ(r->getParameter(r, 3), 0.0f);
  r->setParameter(r, 3, std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(r->getParameter(r, 3), 0.0f);
  r->setParameter(r, 3, std::numeric_limits<float>::infinity());
  EXPECT_EQ(r->getParameter(r, 3), 1.0f);
  r->setParameter(r, 3, 0.25f);
  float before[25];
  for (int i = 0; i < 25; ++i) before[i] = r->getParameter(r, i);
  r->setParameter(r, 25, 0.7f);
  r->setParameter(r, -1, 0.7f);
  r->setParameter(r, 1 << 30, 0.7f);
  for (int i = 0; i < 25; ++i) EXPECT_EQ(r->getParameter(r, i), before[i]);
  r->setParameter(r, 24, 0.625f);
  EXPECT_EQ(r->getParameter(r, 30), 0.625f);  // reads past the table give the last parameter
}

TEST(Parameters, WriteStoresThenFlagsThenReachesTheProgram) {
  EffectFixture f;
  auto& store = const_cast<params::ParamStore&>(f.effect->paramStore());
  for (auto& flag : store.paramChanged) flag.store(0);
  f.record->setParameter(f.record, 7, 0.3f);
  EXPECT_EQ(store.paramChanged[7].load(), 1);
  EXPECT_EQ(store.paramChanged[6].load(), 0);
  EXPECT_EQ(f.effect->program(0).values[7].load(), 0.3f);
}

TEST(Parameters, NamesLabelsAndDisplayThroughTheDispatcher) {
  EffectFixture f;
  EXPECT_EQ(f.text(effGetParamName, 18), "Filter Freq.");
  EXPECT_EQ(f.text(effGetParamName, 40), "Reserved2");
  for (int i = 0; i < 25; ++i) EXPECT_EQ(f.text(effGetParamLabel, i), "");
  EXPECT_EQ(f.text(effGetParamDisplay, 0), "0.000 dB");
  f.record->setParameter(f.record, 0, 0.0f);
  EXPECT_EQ(f.text(effGetParamDisplay, 0), "-40.0 dB");
  f.record->setParameter(f.record, 4, 1.0f);
  EXPECT_EQ(f.text(effGetParamDisplay, 4), "1000  ms");
  // Nothing is written for the reserved rows and indices outside the table.
  for (int index : {23, 24, 25, -1}) {
    char buffer[16] = "untouched";
    f.dispatch(effGetParamDisplay, index, 0, buffer);
    EXPECT_STREQ(buffer, "untouched") << index;
  }
}

// A host shows the selector texts while the transport is stopped, where no block runs: the
// text names the position the parameter's value selects, and the next block's signal path
// takes that same position (the texts are checked against the engine after one block).
TEST(Parameters, SelectorTextsNameTheValueBeforeAnyBlock) {
  EffectFixture f;
  f.dispatch(effMainsChanged, 0, 1);
  float left[16] = {}, right[16] = {};
  float* io[2] = {left, right};
  const auto shownThenApplied = [&](const std::string& what) {
    const std::string type = f.text(effGetParamDisplay, 9);
    const std::string link = f.text(effGetParamDisplay, 16);
    f.record->processReplacing(f.record, io, io, 16);
    const dsp::Engine& engine = f.effect->engine();
    EXPECT_EQ(type, params::releaseTypeNames[engine.releaseType()]) << what;
    EXPECT_EQ(link, params::linkModeNames[engine.stereoLinkMode()]) << what;
  };
  // Program 0's release character is the last one, not the engine's initial position.
  EXPECT_EQ(f.text(effGetParamDisplay, 9), "Classic");
  shownThenApplied("program 0");
  // Every program in turn, so a text left over from the previous one would show.
  for (int p = 1; p < params::kNumPrograms; ++p) {
    f.dispatch(effSetProgram, 0, p);
    shownThenApplied("program " + std::to_string(p));
  }
  // Values on the ties between two positions round to the even one, as the block update does.
  for (float v : {0.125f, 0.375f, 0.625f, 0.875f, 0.25f, 0.75f}) {
    f.record->setParameter(f.record, 9, v);
    f.record->setParameter(f.record, 16, v);
    shownThenApplied("value " + std::to_string(v));
  }
  f.record->setParameter(f.record, 9, 0.625f);  // 2.5 -> 2
  f.record->setParameter(f.record, 16, 0.75f);  // 1.5 -> 2
  EXPECT_EQ(f.text(effGetParamDisplay, 9), "Smooth 2");
  EXPECT_EQ(f.text(effGetParamDisplay, 16), "Off");
}

TEST(Automation, OneCallPerEditorChangeNoneFromHostOrPrograms) {
  EffectFixture f;
  f.host.calls.clear();
  f.effect->setParameterAutomated(5, 0.42f);
  ASSERT_EQ(f.host.calls.size(), 1u);
  const HostCall& call = f.host.calls[0];
  EXPECT_EQ(call.opcode, audioMasterAutomate);
  EXPECT_EQ(call.effect, f.record);
  EXPECT_EQ(call.index, 5);
  EXPECT_EQ(call.value, 0);
  EXPECT_FALSE(call.hadPointer);
  EXPECT_EQ(call.opt, 0.42f);
  // The parameter was stored before the host heard of it.
  EXPECT_EQ(f.record->getParameter(f.record, 5), 0.42f);
  // The host hears the value as passed in, even when the store clamps it.
  f.effect->setParameterAutomated(5, 1.5f);
  EXPECT_EQ(f.host.calls.back().opt, 1.5f);
  f.host.calls.clear();
  f.record->setParameter(f.record, 5, 0.1f);
  f.dispatch(effSetProgram, 0, 7);
  EXPECT_TRUE(f.host.calls.empty());
}

TEST(Automation, NoCallbackMeansNoCall) {
  auto* effect = new plugin::APlugin(nullptr);
  AEffect* record = effect->getAeffect();
  effect->setParameterAutomated(2, 0.9f);
  EXPECT_EQ(record->getParameter(record, 2), 0.9f);
  EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
}

TEST(Instances, AreIndependent) {
  EffectFixture a;
  EffectFixture b;
  EXPECT_NE(a.record, b.record);
  a.record->setParameter(a.record, 0, 0.2f);
  a.dispatch(effSetProgram, 0, 4);
  EXPECT_EQ(b.record->getParameter(b.record, 0), 1.0f);
  EXPECT_EQ(b.dispatch(effGetProgram), 0);
}

}  // namespace
}  // namespace tarvo::testing
