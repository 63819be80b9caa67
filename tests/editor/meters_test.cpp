// Meters: decibels, bar lengths, readouts, scale cycling and peak handling.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "editor/meter_text.h"
#include "editor_test_support.h"

namespace tarvo::editor::testing {
namespace {

struct MeterWindow : OpenWindow {
  void Levels(float in, float out, float gain) {
    window.inLevelL = window.inLevelR = in;
    window.outLevelL = window.outLevelR = out;
    window.gainLevelL = window.gainLevelR = gain;
    window.UpdateMeter();
  }
  std::string Caption(std::string_view name) {
    return static_cast<toolkit::TLabel&>(Control(name)).Caption();
  }
};

TEST(MeterText, PeakNumbersAndReadouts) {
  EXPECT_EQ(PeakNumber(-5.73f), "-5.7");
  EXPECT_EQ(PeakNumber(-12.4f), "-12.0");
  EXPECT_EQ(PeakNumber(3.26f), "3.3");
  EXPECT_EQ(PeakNumber(-8.46f), "-8.5");
  EXPECT_EQ(PeakNumber(9.96f), "10.0");
  EXPECT_EQ(PeakNumber(-0.04f), "0.0");
  EXPECT_EQ(SingleReadout(-5.73f), "-5.7");
  EXPECT_EQ(SingleReadout(3.26f), " 3.3");
  EXPECT_EQ(SingleReadout(-100.0f), "-oo");
  EXPECT_EQ(SingleReadout(120.0f), " 99+");
  EXPECT_EQ(PairReadout(-12.0f, -8.46f), "-12.0 -8.5");
  EXPECT_EQ(PairReadout(0.0f, 0.0f), "  0.0 0.0");
  EXPECT_EQ(PairReadout(-5.7f, 2.5f), " -5.7 2.5");
  EXPECT_EQ(PairReadout(2.5f, -100.0f), "  2.5 -oo");
  EXPECT_EQ(PairReadout(-100.0f, 150.0f), "  -oo 99+");
}

TEST(MeterText, BarLengths) {
  EXPECT_EQ(LevelBar(LevelDb(1.0f)), 120);
  EXPECT_EQ(LevelBar(LevelDb(0.001f)), 0);
  EXPECT_EQ(LevelBar(LevelDb(4.0f)), 120);
  EXPECT_EQ(LevelBar(LevelDb(0.0f)), 0);
  EXPECT_EQ(LevelBar(-9.5f), 100);  // -9.5 rounds to the even -10
  EXPECT_EQ(GainBar(GainDb(0.5f), 2), -24);
  EXPECT_EQ(GainBar(GainDb(2.0f), 2), 24);
  EXPECT_EQ(GainBar(-6.0f, 10), -120);
  EXPECT_EQ(GainBar(-20.0f, 10), -120);
  EXPECT_EQ(GainBar(-7.0f, 1), -14);
  EXPECT_EQ(GainBar(-7.0f, 5), -70);
}

TEST(MeterText, LevelsThatAreNotNumbersNeverOverflowTheBars) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(LevelBar(LevelDb(inf)), 120);
  EXPECT_EQ(LevelBar(LevelDb(nan)), 0);
  EXPECT_EQ(LevelBar(LevelDb(-1.0f)), 0);
  EXPECT_EQ(GainBar(GainDb(0.0f), 2), -120);
  EXPECT_EQ(GainBar(GainDb(inf), 2), 120);
  EXPECT_EQ(GainBar(GainDb(nan), 2), 0);
  EXPECT_EQ(GainBar(GainDb(-1.0f), 2), 0);
}

TEST(Meters, InputBarsAndReadouts) {
  MeterWindow w;
  w.Levels(1.0f, 1e-20f, 1.0f);
  EXPECT_EQ(w.window.InputMeterL->Width(), 120);
  EXPECT_EQ(w.Caption("InMeterLabelL"), " 0.0");
  w.Levels(0.001f, 1e-20f, 1.0f);
  EXPECT_EQ(w.window.InputMeterL->Width(), 0);
  EXPECT_EQ(w.window.InputMeterR->Width(), 0);
  EXPECT_EQ(w.Caption("InMeterLabelL"), " 0.0");  // the peak holds
  w.Levels(2.0f, 1e-20f, 1.0f);                   // above 0 dB
  EXPECT_EQ(w.window.InputMeterL->Width(), 120);
  EXPECT_EQ(w.Caption("InMeterLabelR"), " 6.0");
  w.Levels(1e-20f, 1e-20f, 1.0f);  // silence, then a reset from the graph caption
  w.Click("GraphCaption");
  EXPECT_EQ(w.window.inPeakL, -100.0f);
  EXPECT_EQ(w.window.inPeakR, -100.0f);
  w.window.UpdateMeter();
  EXPECT_EQ(w.window.InputMeterL->Width(), 0);
  EXPECT_EQ(w.Caption("InMeterLabelL"), "-oo");
  EXPECT_EQ(w.Caption("InMeterLabelR"), "-oo");
}

TEST(Meters, OutputCoverUncoversTheLevel) {
  MeterWindow w;
  w.Levels(1e-20f, 0.1f, 1.0f);  // -20 dB: 80 pixels lit, the cover keeps 40
  EXPECT_EQ(w.window.OutputMeterL->Height(), 40);
  EXPECT_EQ(w.window.OutputMeterR->Height(), 40);
  EXPECT_EQ(w.window.shownBar[TPluginEditorWindow::kBarOutL], 80);
  EXPECT_EQ(w.Caption("OutMeterLabel"), "-20.0 -20.0");
  w.Click("OutMeterLabel");
  w.Levels(1e-20f, 1e-20f, 1.0f);
  EXPECT_EQ(w.window.OutputMeterL->Height(), 120);
  EXPECT_EQ(w.Caption("OutMeterLabel"), "  -oo -oo");
}

TEST(Meters, GainBarsAtScaleTwo) {
  MeterWindow w;
  w.Levels(1e-20f, 1e-20f, 0.5f);
  EXPECT_EQ(w.window.GainReductionMeterL->Height(), 24);
  EXPECT_EQ(w.window.GainIncreaseMeterL->Height(), 120);
  EXPECT_EQ(w.Caption("CompMeterLabel"), " -6.0 -6.0");
  w.Levels(1e-20f, 1e-20f, 2.0f);
  EXPECT_EQ(w.window.GainReductionMeterR->Height(), 0);
  EXPECT_EQ(w.window.GainIncreaseMeterR->Height(), 96);  // 24 pixels of green uncovered
}

TEST(Meters, ScaleCyclesAndTenToOneFillsAtSixDb) {
  MeterWindow w;
  const char* texts[] = {"Scale 5:1", "Scale 10:1", "Scale 1:1", "Scale 2:1"};
  const int scales[] = {5, 10, 1, 2};
  EXPECT_EQ(w.Caption("ScaleLabel"), "Scale 2:1");
  for (int k = 0; k < 4; ++k) {
    w.Click("ScaleLabel");
    EXPECT_EQ(w.window.meterScale, scales[k]);
    EXPECT_EQ(w.Caption("ScaleLabel"), texts[k]);
  }
  w.Click("ScaleLabel");
  w.Click("ScaleLabel");  // 10:1
  w.Levels(1e-20f, 1e-20f, 0.5f);
  EXPECT_EQ(w.window.GainReductionMeterL->Height(), 120);
}

TEST(Meters, GainPeakKeepsTheLargestMagnitudeUntilReset) {
  MeterWindow w;
  w.Levels(1e-20f, 1e-20f, std::pow(10.0f, -8.0f / 20.0f));
  w.Levels(1e-20f, 1e-20f, std::pow(10.0f, 3.0f / 20.0f));
  EXPECT_NEAR(w.window.gainPeakL, -8.0f, 1e-4);
  EXPECT_EQ(w.Caption("CompMeterLabel"), " -8.0 -8.0");
  w.Click("CompMeterLabel");
  w.window.UpdateMeter();
  EXPECT_NEAR(w.window.gainPeakL, 3.0f, 1e-4);
}

TEST(Meters, SteadyLevelsRedrawNothing) {
  MeterWindow w;
  w.Levels(0.3f, 0.2f, 0.6f);
  w.window.Compose();
  w.Levels(0.3f, 0.2f, 0.6f);
  EXPECT_TRUE(w.window.Compose().empty());
}

TEST(Meters, LevelsThatAreNotNumbersKeepThePanelSane) {
  MeterWindow w;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  w.Levels(nan, inf, 0.0f);
  EXPECT_EQ(w.window.InputMeterL->Width(), 0);
  EXPECT_EQ(w.window.OutputMeterL->Height(), 0);
  EXPECT_EQ(w.window.GainReductionMeterL->Height(), 120);
  EXPECT_EQ(w.Caption("InMeterLabelL"), "-oo");
  EXPECT_EQ(w.Caption("OutMeterLabel"), "  99+ 99+");
  EXPECT_EQ(w.Caption("CompMeterLabel"), "  -oo -oo");
}

}  // namespace
}  // namespace tarvo::editor::testing
