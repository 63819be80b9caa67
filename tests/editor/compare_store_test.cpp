// The A/B compare store: switching, copying and recalling.
#include <gtest/gtest.h>

#include <cmath>

#include "editor_test_support.h"

namespace tarvo::editor::testing {
namespace {

std::vector<float> AsVector(const ParamArray& values) {
  return std::vector<float>(values.begin(), values.end());
}

ParamArray Live() {
  ParamArray v = FactoryProgram(13);
  v[params::kThreshold] = 0.3f;
  return v;
}

TEST(CompareStore, SwitchToBSendsFactoryProgramZeroThenBackSendsTheValuesBefore) {
  OpenWindow w(Live());
  w.Click("ABSwitch");
  EXPECT_EQ(w.window.abIndex, 1);
  EXPECT_EQ(w.window.ABSwitch->Opacity(), 255);
  EXPECT_EQ(w.host.LastSweep(), AsVector(FactoryProgram(0)));
  EXPECT_EQ(w.window.paramCopy, FactoryProgram(0));
  // Every entry of the new slot holds the marker, so the next refresh redraws everything.
  for (float entry : w.window.abSlot[1]) EXPECT_EQ(entry, kNotShown);
  w.Refresh(FactoryProgram(0));
  EXPECT_EQ(w.window.abSlot[1], FactoryProgram(0));
  EXPECT_EQ(w.window.knobs[params::kThreshold]->Position(),
            std::lrint(FactoryProgram(0)[params::kThreshold] * 100.0));

  w.Click("ABSwitch");
  EXPECT_EQ(w.window.abIndex, 0);
  EXPECT_EQ(w.window.ABSwitch->Opacity(), 0);
  EXPECT_EQ(w.host.LastSweep(), AsVector(Live()));
}

TEST(CompareStore, EditsInASlotAreKeptWhenLeavingIt) {
  OpenWindow w(Live());
  w.Click("ABSwitch");
  w.Refresh(FactoryProgram(0));
  w.Drag("AttackControl", {10});
  const float edited = w.host.writes.back().second;
  w.Click("ABSwitch");  // back to A
  w.Refresh(Live());
  w.Click("ABSwitch");  // B again: the edited attack comes back
  ParamArray expected = FactoryProgram(0);
  expected[params::kAttack] = edited;
  EXPECT_EQ(w.host.LastSweep(), AsVector(expected));
}

// A lamp clicked after a switch or a recall, before the next idle call has refilled the
// slot, flips the setting that was just sent, never the slot's "not shown" marker.
TEST(CompareStore, LampClickBeforeTheRefreshFlipsTheValueJustSent) {
  for (const char* button : {"ABSwitch", "RecallSwitch"}) {
    OpenWindow w(Live());
    w.Click(button);
    const float sent = w.window.paramCopy[params::kAutoGain];
    w.Click("AutoGainSwitch");
    EXPECT_EQ(w.host.writes.back(),
              std::make_pair(int{params::kAutoGain}, sent > 0.5f ? 0.0f : 1.0f))
        << button;
  }
}

TEST(CompareStore, CopyThenSwitchSendsTheCopiedValues) {
  OpenWindow w(Live());
  const size_t before = w.host.writes.size();
  w.Click("CopySwitch");
  EXPECT_EQ(w.host.writes.size(), before);  // copying writes nothing
  EXPECT_TRUE(w.window.Compose().empty());  // and redraws nothing
  EXPECT_EQ(w.window.abSlot[1], Live());
  w.Click("ABSwitch");
  EXPECT_EQ(w.host.LastSweep(), AsVector(Live()));
}

TEST(CompareStore, RecallSendsTheCurrentProgramsFactoryValuesInEitherSlot) {
  OpenWindow w(Live());
  w.window.programIndex = 3;
  w.Click("RecallSwitch");
  EXPECT_EQ(w.host.LastSweep(), AsVector(FactoryProgram(3)));
  EXPECT_EQ(w.window.paramCopy, FactoryProgram(3));
  for (float entry : w.window.abSlot[0]) EXPECT_EQ(entry, kNotShown);
  w.Refresh(FactoryProgram(3));
  w.Click("ABSwitch");
  w.Refresh(FactoryProgram(0));
  w.window.programIndex = 7;
  w.Click("RecallSwitch");
  EXPECT_EQ(w.host.LastSweep(), AsVector(FactoryProgram(7)));
  EXPECT_EQ(w.window.abIndex, 1);
}

TEST(CompareStore, TwoSwitchesBetweenRefreshesKeepTheSlotsValues) {
  OpenWindow w(Live());
  w.Click("ABSwitch");  // to B, no refresh follows
  w.Click("ABSwitch");  // back to A
  EXPECT_EQ(w.host.LastSweep(), AsVector(Live()));
  w.Refresh(Live());
  w.Click("ABSwitch");  // B still holds factory program 0, not the marker
  EXPECT_EQ(w.host.LastSweep(), AsVector(FactoryProgram(0)));
}

TEST(CompareStore, CopyRightAfterASwitchCopiesTheValuesNotTheMarker) {
  OpenWindow w(Live());
  w.Click("ABSwitch");
  w.Click("CopySwitch");  // B (not yet refreshed) into A
  EXPECT_EQ(w.window.abSlot[0], FactoryProgram(0));
}

}  // namespace
}  // namespace tarvo::editor::testing
