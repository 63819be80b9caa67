// The editor through the adapter, as the host drives it: a real effect with a recording
// host callback and the headless window.
#include <gtest/gtest.h>

#include "editor_test_support.h"
#include "plugin/editor_glue.h"
#include "plugin/plugin_editor.h"
#include "plugin/recording_host.h"

namespace tarvo::editor::testing {
namespace {

using namespace tarvo::vst;
using tarvo::testing::EffectFixture;

class HeadlessEditor : public ::testing::Test {
 protected:
  void SetUp() override {
    plugin::setEditorWindowFactory(plugin::makeHeadlessEditorWindow);
    ASSERT_EQ(f.dispatch(effEditOpen, 0, 0, &parent), 1);
  }
  void TearDown() override { plugin::setEditorWindowFactory(nullptr); }

  plugin::HostedEditorWindow& hosted() {
    auto* adapter = static_cast<plugin::APluginEditor*>(f.effect->getEditor());
    return *static_cast<plugin::HostedEditorWindow*>(adapter->editorWindow());
  }
  TPluginEditorWindow& window() { return hosted().window(); }
  void idle() { f.dispatch(effEditIdle); }
  std::vector<std::pair<int, float>> automations() const {
    std::vector<std::pair<int, float>> out;
    for (const auto& call : f.host.calls) {
      if (call.opcode == audioMasterAutomate) out.emplace_back(call.index, call.opt);
    }
    return out;
  }

  EffectFixture f;
  int parent = 0;
};

TEST_F(HeadlessEditor, FirstIdleShowsTheEffectsValues) {
  EXPECT_EQ(window().valueLabels[params::kThreshold]->Caption(), "-");
  idle();
  for (int i = 0; i < params::kNumParams; ++i) {
    EXPECT_EQ(window().abSlot[0][i], f.effect->getParameter(i)) << i;
    EXPECT_EQ(window().paramCopy[i], f.effect->getParameter(i)) << i;
  }
  EXPECT_NE(window().valueLabels[params::kThreshold]->Caption(), "-");
  // The whole panel was composed once.
  int64_t pixels = 0;
  for (const auto& area : hosted().lastComposedAreas()) pixels += area.Area();
  EXPECT_EQ(pixels, 645 * 485);
  idle();
  EXPECT_TRUE(hosted().lastComposedAreas().empty());  // nothing changed, nothing drawn
}

TEST_F(HeadlessEditor, HostWriteShowsAtTheNextIdleAndNotBefore) {
  idle();
  f.effect->setParameter(params::kRelease, 0.87f);
  EXPECT_NE(window().knobs[params::kRelease]->Position(), 87);
  EXPECT_NE(window().paramCopy[params::kRelease], 0.87f);
  idle();
  EXPECT_EQ(window().knobs[params::kRelease]->Position(), 87);
  const toolkit::Rect knob = window().knobs[params::kRelease]->BoundsRect();
  bool knobDrawn = false;
  for (const auto& area : hosted().lastComposedAreas()) {
    knobDrawn = knobDrawn || !toolkit::Intersect(area, knob).Empty();
  }
  EXPECT_TRUE(knobDrawn);
}

TEST_F(HeadlessEditor, KnobDragAutomatesEachMoveAndTheRefreshRedrawsNothing) {
  idle();
  f.host.calls.clear();
  const toolkit::Rect r = window().knobs[params::kAttack]->BoundsRect();
  const int start = window().knobs[params::kAttack]->Position();
  window().MouseDown(toolkit::TMouseButton::mbLeft, {}, r.left + 20, r.top + 20);
  for (int up = 1; up <= 6; ++up) window().MouseMove({}, r.left + 20, r.top + 20 - up);
  window().MouseUp(toolkit::TMouseButton::mbLeft, {}, r.left + 20, r.top + 14);
  const auto sent = automations();
  ASSERT_EQ(sent.size(), 6u);
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(sent[k].first, params::kAttack);
    EXPECT_FLOAT_EQ(sent[k].second, (start + k + 1) / 100.0f);
  }
  EXPECT_FLOAT_EQ(f.effect->getParameter(params::kAttack), (start + 6) / 100.0f);
  idle();  // draws the drag (as the platform's idle would)
  idle();  // no refresh left to do: nothing to draw
  EXPECT_TRUE(hosted().lastComposedAreas().empty());
}

TEST_F(HeadlessEditor, ABSwitchRightAfterOpenSendsFactoryProgramZeroThenTheValuesBefore) {
  f.dispatch(effSetProgram, 0, 13);
  f.effect->setParameter(params::kThreshold, 0.3f);
  idle();
  std::array<float, params::kNumParams> before{};
  for (int i = 0; i < params::kNumParams; ++i) before[i] = f.effect->getParameter(i);
  f.host.calls.clear();
  window().ABSwitchClick();
  auto sent = automations();
  ASSERT_EQ(sent.size(), 25u);
  for (int i = 0; i < params::kNumParams; ++i) {
    EXPECT_EQ(sent[i], std::make_pair(i, params::factoryPresets[0][i]));
  }
  idle();
  f.host.calls.clear();
  window().ABSwitchClick();
  sent = automations();
  ASSERT_EQ(sent.size(), 25u);
  for (int i = 0; i < params::kNumParams; ++i) EXPECT_EQ(sent[i], std::make_pair(i, before[i]));
}

TEST_F(HeadlessEditor, ReopenStartsTheWindowAfresh) {
  idle();
  window().ScaleLabelClick();
  window().ABSwitchClick();
  f.dispatch(effEditClose);
  f.effect->setParameter(params::kThreshold, 0.61f);
  ASSERT_EQ(f.dispatch(effEditOpen, 0, 0, &parent), 1);
  idle();
  EXPECT_EQ(window().abIndex, 0);
  EXPECT_EQ(window().meterScale, 2);
  EXPECT_EQ(window().abSlot[1], FactoryProgram(0));
  EXPECT_EQ(window().knobs[params::kThreshold]->Position(), 61);
}

TEST_F(HeadlessEditor, MetersFollowTheEffectsMeterFieldsAtIdle) {
  idle();
  // Loud audio through the effect lights the input and output bars.
  f.dispatch(effMainsChanged, 0, 1);
  std::vector<float> left(4096, 0.5f), right(4096, -0.5f);
  std::vector<float> outL(4096), outR(4096);
  float* in[2] = {left.data(), right.data()};
  float* out[2] = {outL.data(), outR.data()};
  f.effect->processReplacing(in, out, 4096);
  idle();
  EXPECT_GT(window().InputMeterL->Width(), 0);
  EXPECT_LT(window().OutputMeterL->Height(), 120);
  EXPECT_GT(window().inPeakL, -100.0f);
}

}  // namespace
}  // namespace tarvo::editor::testing
