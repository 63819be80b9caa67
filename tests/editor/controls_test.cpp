// Control behaviour through the window and a recording host: refreshes, knobs, switches,
// selectors, link areas.
#include <gtest/gtest.h>

#include <cmath>

#include "editor/value_text.h"
#include "editor_test_support.h"

namespace tarvo::editor::testing {
namespace {

using params::kNumParams;
using toolkit::TDIBDial;
using toolkit::TDIBImage;
using toolkit::TLabel;

// Values chosen so that every knob, lamp and selector has to move from its initial look.
ParamArray Varied() {
  ParamArray v{};
  for (int i = 0; i < kNumParams; ++i) v[i] = 0.13f + 0.031f * static_cast<float>(i);
  v[params::kAutoGain] = 1.0f;
  v[params::kInputFilter] = 1.0f;
  v[params::kDetFilter] = 1.0f;
  v[params::kDetEq] = 1.0f;
  v[params::kReleaseType] = 0.75f;
  v[params::kStereoLink] = 0.5f;
  return v;
}

TEST(Refresh, FirstRefreshRedrawsEveryControl) {
  const ParamArray values = Varied();
  OpenWindow w(values);
  EXPECT_EQ(w.window.abSlot[0], values);  // every entry refilled from the marker
  for (int i = 0; i < kNumParams; ++i) {
    SCOPED_TRACE(i);
    if (TDIBDial* knob = w.window.knobs[i]) {
      EXPECT_EQ(knob->Max(), 100);
      EXPECT_EQ(knob->Position(), std::lrint(values[i] * 100.0));
      EXPECT_EQ(w.window.valueLabels[i]->Caption(), *ValueLabelText(i, values[i]));
    }
    if (TDIBImage* lamp = w.window.switches[i]) {
      EXPECT_EQ(lamp->Opacity(), 255);
    }
  }
  EXPECT_EQ(w.window.releaseTypeArrows[3]->Opacity(), 255);
  EXPECT_EQ(w.window.releaseTypeArrows[0]->Opacity(), 0);  // lit at creation, now moved
  EXPECT_EQ(w.window.linkTypeArrows[1]->Opacity(), 255);
  EXPECT_EQ(w.window.linkTypeArrows[0]->Opacity(), 0);
  EXPECT_GT(w.window.TransferCurve->Count(), 0);
  EXPECT_TRUE(w.host.writes.empty());  // a refresh never writes back
}

TEST(Refresh, SameValuesAgainRedrawNothing) {
  const ParamArray values = Varied();
  OpenWindow w(values);
  w.Refresh(values);
  EXPECT_TRUE(w.window.Compose().empty());
}

TEST(Refresh, OnlyTheChangedControlIsRedrawn) {
  ParamArray values = Varied();
  OpenWindow w(values);
  values[params::kAttack] = 0.9f;
  w.Refresh(values);
  const auto areas = w.window.Compose();
  ASSERT_FALSE(areas.empty());
  const toolkit::Rect knob = w.Control("AttackControl").BoundsRect();
  const toolkit::Rect label = w.Control("AttackLabel").BoundsRect();
  const toolkit::Rect chart = w.Control("TransferGraph").BoundsRect();
  for (const auto& a : areas) {
    EXPECT_TRUE(!toolkit::Intersect(a, knob).Empty() || !toolkit::Intersect(a, label).Empty());
    EXPECT_TRUE(toolkit::Intersect(a, chart).Empty());  // attack does not shape the curve
  }
}

TEST(Knobs, DragSendsOneWritePerMoveAndRefreshFindsNothing) {
  OpenWindow w;
  auto& attack = static_cast<TDIBDial&>(w.Control("AttackControl"));
  const int start = attack.Position();
  w.Drag("AttackControl", {1, 2, 3, 30});
  ASSERT_EQ(w.host.writes.size(), 4u);
  const int expected[] = {start + 1, start + 2, start + 3, start + 30};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(w.host.writes[k].first, params::kAttack);
    EXPECT_FLOAT_EQ(w.host.writes[k].second, expected[k] / 100.0f);
  }
  const float sent = w.host.writes.back().second;
  EXPECT_EQ(w.window.abSlot[0][params::kAttack], sent);
  EXPECT_EQ(w.window.paramCopy[params::kAttack], sent);
  EXPECT_EQ(static_cast<TLabel&>(w.Control("AttackLabel")).Caption(),
            *ValueLabelText(params::kAttack, sent));
  w.window.Compose();
  // The effect now holds what was sent; its refresh redraws nothing.
  ParamArray effectValues = w.window.paramCopy;
  w.Refresh(effectValues);
  EXPECT_TRUE(w.window.Compose().empty());
}

TEST(Knobs, CtrlClickResetsToTheResetValue) {
  ParamArray values = FactoryProgram(0);
  values[params::kAttack] = 0.6f;
  values[params::kThreshold] = 0.3f;
  OpenWindow w(values);
  w.Click("AttackControl", {.ctrl = true});
  w.Click("ThresholdControl", {.ctrl = true});
  ASSERT_EQ(w.host.writes.size(), 2u);
  EXPECT_EQ(w.host.writes[0], std::make_pair(int(params::kAttack), 0.0f));
  EXPECT_EQ(w.host.writes[1], std::make_pair(int(params::kThreshold), 1.0f));
  EXPECT_EQ(w.window.knobs[params::kThreshold]->Position(), 100);
}

TEST(Knobs, ShiftPressGivesThousandthStepsAndPlainPressSnapsBack) {
  ParamArray values = FactoryProgram(0);
  values[params::kRatio] = 0.5f;
  OpenWindow w(values);
  w.Drag("RatioControl", {1, 2, 37}, {.shift = true});
  EXPECT_EQ(w.window.knobs[params::kRatio]->Max(), 1000);
  ASSERT_EQ(w.host.writes.size(), 3u);
  EXPECT_FLOAT_EQ(w.host.writes[0].second, 0.501f);
  EXPECT_FLOAT_EQ(w.host.writes[1].second, 0.502f);
  EXPECT_FLOAT_EQ(w.host.writes[2].second, 0.537f);
  // The press alone writes nothing; the first move writes the snapped value.
  w.host.writes.clear();
  const toolkit::Rect r = w.Control("RatioControl").BoundsRect();
  w.window.MouseDown(toolkit::TMouseButton::mbLeft, {}, r.left + 20, r.top + 20);
  EXPECT_TRUE(w.host.writes.empty());
  EXPECT_EQ(w.window.knobs[params::kRatio]->Max(), 100);
  EXPECT_EQ(w.window.knobs[params::kRatio]->Position(), 54);
  w.window.MouseMove({}, r.left + 20, r.top + 20);
  w.window.MouseUp(toolkit::TMouseButton::mbLeft, {}, r.left + 20, r.top + 20);
  ASSERT_EQ(w.host.writes.size(), 1u);
  EXPECT_FLOAT_EQ(w.host.writes[0].second, 0.54f);
}

TEST(Switches, ClickSendsTheOppositeAndLampWaitsForTheRefresh) {
  ParamArray values = FactoryProgram(0);
  values[params::kAutoGain] = 0.0f;
  OpenWindow w(values);
  w.Click("AutoGainSwitch");
  ASSERT_EQ(w.host.writes.size(), 1u);
  EXPECT_EQ(w.host.writes[0], std::make_pair(int(params::kAutoGain), 1.0f));
  EXPECT_EQ(w.window.switches[params::kAutoGain]->Opacity(), 0);
  values[params::kAutoGain] = 1.0f;
  w.Refresh(values);
  EXPECT_EQ(w.window.switches[params::kAutoGain]->Opacity(), 255);
}

TEST(Switches, HalfShowsUnlitAndClickSendsZeroThenOne) {
  ParamArray values = FactoryProgram(0);
  values[params::kDetEq] = 0.5f;
  OpenWindow w(values);
  EXPECT_EQ(w.window.switches[params::kDetEq]->Opacity(), 0);
  w.Click("DetectorEQSwitch");
  EXPECT_EQ(w.host.writes.back(), std::make_pair(int(params::kDetEq), 0.0f));
  values[params::kDetEq] = 0.0f;
  w.Refresh(values);
  w.Click("DetectorEQSwitch");
  EXPECT_EQ(w.host.writes.back(), std::make_pair(int(params::kDetEq), 1.0f));
}

TEST(Selectors, ClickSendsTagFractionAndArrowWaitsForTheRefresh) {
  ParamArray values = FactoryProgram(0);
  values[params::kReleaseType] = 0.0f;
  values[params::kStereoLink] = 0.0f;
  OpenWindow w(values);
  w.Click("ReleaseType3");  // unlit (opacity 0) yet clickable
  w.Click("LinkType1");
  ASSERT_EQ(w.host.writes.size(), 2u);
  EXPECT_EQ(w.host.writes[0], std::make_pair(int(params::kReleaseType), 0.75f));
  EXPECT_EQ(w.host.writes[1], std::make_pair(int(params::kStereoLink), 0.5f));
  EXPECT_EQ(w.window.releaseTypeArrows[0]->Opacity(), 255);
  EXPECT_EQ(w.window.releaseTypeArrows[3]->Opacity(), 0);
  values[params::kReleaseType] = 0.75f;
  values[params::kStereoLink] = 0.5f;
  w.Refresh(values);
  EXPECT_EQ(w.window.releaseTypeArrows[0]->Opacity(), 0);
  EXPECT_EQ(w.window.releaseTypeArrows[3]->Opacity(), 255);
  EXPECT_EQ(w.window.linkTypeArrows[1]->Opacity(), 255);
}

TEST(Selectors, HostValuesBetweenStepsRoundTiesToEven) {
  struct Case {
    float value;
    int lit;
  };
  for (Case c : {Case{0.375f, 2}, Case{0.125f, 0}, Case{0.625f, 2}, Case{0.875f, 4}}) {
    ParamArray values = FactoryProgram(0);
    values[params::kReleaseType] = c.value;
    OpenWindow w(values);
    for (int tag = 0; tag < 5; ++tag) {
      EXPECT_EQ(w.window.releaseTypeArrows[tag]->Opacity(), tag == c.lit ? 255 : 0)
          << c.value << " tag " << tag;
    }
  }
  for (Case c : {Case{0.25f, 0}, Case{0.75f, 2}}) {
    ParamArray values = FactoryProgram(0);
    values[params::kStereoLink] = c.value;
    OpenWindow w(values);
    for (int tag = 0; tag < 3; ++tag) {
      EXPECT_EQ(w.window.linkTypeArrows[tag]->Opacity(), tag == c.lit ? 255 : 0) << c.value;
    }
  }
}

TEST(Links, ManualOpensTheSettingAndLogoOpensTheWebSite) {
  OpenWindow w;
  w.Click("UsersManual");  // no setting: nothing opened
  EXPECT_EQ(w.host.settingsRead, std::vector<std::string>{"Manual"});
  EXPECT_TRUE(w.host.opened.empty());
  w.host.setting = "";
  w.Click("UsersManual");
  EXPECT_TRUE(w.host.opened.empty());
  w.host.setting = "/usr/share/doc/tarvo/manual.pdf";
  w.Click("UsersManual");
  ASSERT_EQ(w.host.opened.size(), 1u);
  EXPECT_EQ(w.host.opened[0], std::make_pair(*w.host.setting, true));
  w.host.setting = std::string(300, 'x');
  w.Click("UsersManual");
  EXPECT_EQ(w.host.opened.back().first.size(), 255u);
  // Without a public home page the logo opens the installed manual as well.
  w.host.setting = "/usr/share/doc/tarvo/manual.pdf";
  const size_t before = w.host.opened.size();
  w.Click("Logo");
  ASSERT_EQ(w.host.opened.size(), before + 1);
  if (kMakerWebSite[0] == '\0') {
    EXPECT_EQ(w.host.opened.back(), std::make_pair(*w.host.setting, true));
  } else {
    EXPECT_EQ(w.host.opened.back(), std::make_pair(std::string(kMakerWebSite), false));
  }
  EXPECT_EQ(w.window.CursorAt(30, 30), toolkit::TCursor::crHandPoint);
  EXPECT_EQ(w.window.CursorAt(550, 30), toolkit::TCursor::crHandPoint);
  EXPECT_EQ(w.window.CursorAt(300, 300), toolkit::TCursor::crDefault);
}

TEST(Handlers, WithoutHostNothingIsWritten) {
  TPluginEditorWindow window;
  window.paramCopy = FactoryProgram(0);
  window.UpdateControls();
  window.SwitchClick(*window.switches[params::kAutoGain]);
  window.ABSwitchClick();
  window.RecallSwitchClick();
  window.UsersManualClick();
  window.LogoClick();
  window.knobs[params::kThreshold]->SetPosition(40);  // the change event runs, no write
  EXPECT_FLOAT_EQ(window.paramCopy[params::kThreshold], 0.4f);
}

}  // namespace
}  // namespace tarvo::editor::testing
