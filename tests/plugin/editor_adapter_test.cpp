#include <gtest/gtest.h>

#include "plugin/plugin_editor.h"
#include "plugin/recording_host.h"

namespace tarvo::testing {
namespace {

using namespace tarvo::vst;

// A window that records what the adapter hands it.
struct FakeWindow : plugin::EditorWindow {
  static inline int created = 0;
  static inline int destroyed = 0;
  static inline FakeWindow* last = nullptr;
  FakeWindow() {
    ++created;
    last = this;
  }
  ~FakeWindow() override {
    ++destroyed;
    if (last == this) last = nullptr;
  }
  void setProgramIndex(int program) override { programIndex = program; }
  void updateControls(const std::array<float, 25>& values) override {
    ++refreshes;
    shown = values;
  }
  void updateMeters(float inL, float, float, float, float, float grR) override {
    ++meterUpdates;
    lastInL = inL;
    lastGrR = grR;
  }
  int programIndex = -1;
  int refreshes = 0;
  int meterUpdates = 0;
  float lastInL = -1, lastGrR = -1;
  std::array<float, 25> shown{};
};

std::unique_ptr<plugin::EditorWindow> makeFake(plugin::APlugin&, void*) {
  return std::make_unique<FakeWindow>();
}

class EditorAdapter : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeWindow::created = FakeWindow::destroyed = 0;
    plugin::setEditorWindowFactory(makeFake);
  }
  void TearDown() override { plugin::setEditorWindowFactory(nullptr); }
  int parent = 0;  // stands for the host's window
};

TEST_F(EditorAdapter, RectangleBeforeAndAfterOpen) {
  EffectFixture f;
  ERect* rect = nullptr;
  EXPECT_EQ(f.dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 485);
  EXPECT_EQ(rect->right, 645);
  EXPECT_EQ(f.dispatch(effEditOpen, 0, 0, &parent), 1);
  ERect* again = nullptr;
  EXPECT_EQ(f.dispatch(effEditGetRect, 0, 0, &again), 1);
  EXPECT_EQ(again->bottom, 485);
  EXPECT_EQ(again->right, 645);
}

TEST_F(EditorAdapter, OpenTwiceMakesOneWindowCloseTwiceIsHarmless) {
  EffectFixture f;
  EXPECT_EQ(f.dispatch(effEditOpen, 0, 0, &parent), 1);
  EXPECT_EQ(f.dispatch(effEditOpen, 0, 0, &parent), 1);
  EXPECT_EQ(FakeWindow::created, 1);
  f.dispatch(effEditClose);
  f.dispatch(effEditClose);
  EXPECT_EQ(FakeWindow::destroyed, 1);
  EXPECT_FALSE(static_cast<plugin::APluginEditor*>(f.effect->getEditor())->isEditorOpen());
}

TEST_F(EditorAdapter, HostWritesShowAtTheNextIdleNotBefore) {
  EffectFixture f;
  f.dispatch(effSetProgram, 0, 3);
  ASSERT_EQ(f.dispatch(effEditOpen, 0, 0, &parent), 1);
  FakeWindow* w = FakeWindow::last;
  EXPECT_EQ(w->programIndex, 3);
  EXPECT_EQ(w->refreshes, 0);
  f.dispatch(effEditIdle);
  EXPECT_EQ(w->refreshes, 1);  // the open requested the first full refresh
  EXPECT_EQ(w->shown[4], 0.17f);
  f.dispatch(effEditIdle);
  EXPECT_EQ(w->refreshes, 1);  // nothing changed, nothing refreshed
  f.record->setParameter(f.record, 4, 0.9f);
  EXPECT_EQ(w->refreshes, 1);
  f.dispatch(effEditIdle);
  EXPECT_EQ(w->refreshes, 2);
  EXPECT_EQ(w->shown[4], 0.9f);
  EXPECT_EQ(w->meterUpdates, 3);
  EXPECT_EQ(w->lastGrR, 1.0f);  // no gain change before any audio
}

TEST_F(EditorAdapter, ClosedEditorIgnoresIdleAndKeepsParametersForReopen) {
  EffectFixture f;
  f.dispatch(effEditIdle);  // before any open: nothing to do, no crash
  f.dispatch(effEditOpen, 0, 0, &parent);
  f.dispatch(effEditClose);
  f.record->setParameter(f.record, 0, 0.25f);
  f.dispatch(effEditIdle);
  f.dispatch(effEditOpen, 0, 0, &parent);
  FakeWindow* w = FakeWindow::last;
  f.dispatch(effEditIdle);
  EXPECT_EQ(w->refreshes, 1);
  EXPECT_EQ(w->shown[0], 0.25f);
  EXPECT_EQ(FakeWindow::created, 2);
}

TEST_F(EditorAdapter, ClosingTheEffectWithTheEditorOpenDestroysTheWindow) {
  {
    EffectFixture f;
    f.dispatch(effEditOpen, 0, 0, &parent);
  }
  EXPECT_EQ(FakeWindow::destroyed, 1);
}

TEST(EditorAdapterWithoutWindowLayer, OpenAnswersZero) {
  plugin::setEditorWindowFactory(nullptr);
  EffectFixture f;
  int parent = 0;
  EXPECT_EQ(f.dispatch(effEditOpen, 0, 0, &parent), 0);
  f.dispatch(effEditIdle);
  f.dispatch(effEditClose);
  EXPECT_EQ(f.record->flags & effFlagsHasEditor, effFlagsHasEditor);
}

}  // namespace
}  // namespace tarvo::testing
