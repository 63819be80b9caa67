// The panel's controls against the layout table the chassis artwork was drawn from.
#include "skingen/layout.h"

#include <gtest/gtest.h>

#include "editor/skin/skin_data.h"
#include "editor_test_support.h"

namespace tarvo::editor::testing {
namespace {

using skingen::ControlKind;

TEST(Layout, EveryControlSitsWhereTheArtworkExpectsIt) {
  TPluginEditorWindow window;
  for (const skingen::Control& art : skingen::kControls) {
    SCOPED_TRACE(std::string(art.name));
    toolkit::TCustomDIBControl* control = window.Panel.FindControl(art.name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->Left(), art.left);
    EXPECT_EQ(control->Top(), art.top);
    switch (art.kind) {
      case ControlKind::ValueLabel:
      case ControlKind::Caption:
      case ControlKind::MeterH:
      case ControlKind::MeterV:
        break;  // sized by their text or level
      default:
        EXPECT_EQ(control->Width(), art.width);
        EXPECT_EQ(control->Height(), art.height);
    }
    if (art.tag >= 0) {
      EXPECT_EQ(control->Tag(), art.tag);
    }
  }
  EXPECT_EQ(window.Panel.ControlCount(), static_cast<int>(skingen::kControls.size()));
  EXPECT_EQ(window.Bitmap().Width(), 645);
  EXPECT_EQ(window.Bitmap().Height(), 485);
}

TEST(Layout, KnobsCarryTheirImagesArcAndResolution) {
  TPluginEditorWindow window;
  int knobs = 0;
  for (auto* knob : window.knobs) {
    if (knob == nullptr) continue;
    ++knobs;
    SCOPED_TRACE(knob->Name());
    const bool large = knob->Width() == 49;
    EXPECT_EQ(knob->IndexMain(), large ? skin::kKnobLarge : skin::kKnobSmall);
    EXPECT_EQ(knob->IndexPointer(), large ? skin::kIndexPointer : skin::kIndexPointerSmall);
    EXPECT_EQ(knob->PointerRadius(), large ? 20 : 16);
    EXPECT_EQ(knob->PointerAngles().Start(), 210);
    EXPECT_EQ(knob->PointerAngles().Range(), 300);
    EXPECT_EQ(knob->Min(), 0);
    EXPECT_EQ(knob->Max(), 100);
    EXPECT_EQ(knob->MouseControlStyle(), toolkit::TMouseControlStyle::mcsLinear);
    EXPECT_EQ(knob->MouseLinearSensitivity(), toolkit::TMouseLinearSensitivity::mlsVertical);
  }
  EXPECT_EQ(knobs, 17);
}

TEST(Layout, ButtonsStartUnlitExceptTheFirstSelectorPositions) {
  TPluginEditorWindow window;
  for (auto* lamp : window.switches) {
    if (lamp == nullptr) continue;
    EXPECT_EQ(lamp->IndexImage(), skin::kRedMicroswitch);
    EXPECT_EQ(lamp->Opacity(), 0);
  }
  for (int tag = 0; tag < 5; ++tag) {
    EXPECT_EQ(window.releaseTypeArrows[tag]->IndexImage(), skin::kSelectorRight);
    EXPECT_EQ(window.releaseTypeArrows[tag]->Opacity(), tag == 0 ? 255 : 0);
  }
  for (int tag = 0; tag < 3; ++tag) {
    EXPECT_EQ(window.linkTypeArrows[tag]->Opacity(), tag == 0 ? 255 : 0);
  }
  EXPECT_EQ(window.ABSwitch->IndexImage(), skin::kGreenMicroswitch);
  EXPECT_EQ(window.ABSwitch->Opacity(), 0);
  EXPECT_EQ(window.CopySwitch->IndexImage(), -1);
  EXPECT_EQ(window.RecallSwitch->IndexImage(), -1);
  // The red bars draw over the covers they lie on.
  auto order = [&](std::string_view name) {
    for (int i = 0; i < window.Panel.ControlCount(); ++i) {
      if (window.Panel.Control(i).Name() == name) return i;
    }
    return -1;
  };
  EXPECT_GT(order("GainReductionMeterL"), order("GainIncreaseMeterL"));
  EXPECT_GT(order("GainReductionMeterR"), order("GainIncreaseMeterR"));
}

TEST(Layout, InitialFields) {
  TPluginEditorWindow window;
  for (float entry : window.abSlot[0]) EXPECT_EQ(entry, kNotShown);
  EXPECT_EQ(window.abSlot[1], FactoryProgram(0));
  EXPECT_EQ(window.meterScale, 2);
  EXPECT_EQ(window.inPeakL, -100.0f);
  EXPECT_EQ(window.gainPeakR, 0.0f);
  EXPECT_EQ(window.gainLevelL, 1.0f);
  EXPECT_EQ(window.inLevelR, 1e-20f);
  EXPECT_EQ(window.TransferCurve->Capacity(), 121);
  EXPECT_EQ(window.InputMeterL->Width(), 0);
  EXPECT_EQ(window.GainReductionMeterL->Height(), 0);
  EXPECT_EQ(window.OutputMeterL->Height(), 120);
}

}  // namespace
}  // namespace tarvo::editor::testing
