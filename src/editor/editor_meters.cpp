// The meters: input, output and gain-change bars with their peak readouts, refreshed at
// every idle call from the six levels the adapter copied.
#include <cmath>

#include "editor/editor_layout.h"
#include "editor/meter_text.h"
#include "editor/plugin_editor_window.h"

namespace tarvo::editor {

void TPluginEditorWindow::UpdateLevelBar(float level, ShownBar bar, float& peak,
                                         toolkit::TImage& image, bool horizontal) {
  const float db = LevelDb(level);
  const int16_t n = LevelBar(db);
  if (n != shownBar[bar]) {
    // The input bars are lit bitmaps as wide as the level; the output bars are covers
    // whose height hides the unlit part of the bar printed on the chassis.
    if (horizontal) {
      image.SetWidth(n);
    } else {
      image.SetHeight(kMeterLength - n);
    }
    shownBar[bar] = n;
  }
  if (db > peak) peak = db;
}

void TPluginEditorWindow::UpdateGainBar(float gain, ShownBar bar, float& peak,
                                        toolkit::TImage& cover, toolkit::TImage& reduction) {
  const float db = GainDb(gain);
  const int16_t s = GainBar(db, meterScale);
  if (s != shownBar[bar]) {
    // Gain increase uncovers the green bar from the bottom; reduction keeps it covered and
    // grows the red bar down from the top.
    cover.SetHeight(s >= 0 ? kMeterLength - s : kMeterLength);
    reduction.SetHeight(s > 0 ? 0 : -s);
    shownBar[bar] = s;
  }
  if (std::fabs(db) > std::fabs(peak)) peak = db;
}

void TPluginEditorWindow::UpdateMeter() {
  UpdateLevelBar(inLevelL, kBarInL, inPeakL, *InputMeterL, true);
  UpdateLevelBar(inLevelR, kBarInR, inPeakR, *InputMeterR, true);
  InMeterLabelL->SetCaption(SingleReadout(inPeakL));
  InMeterLabelR->SetCaption(SingleReadout(inPeakR));
  UpdateLevelBar(outLevelL, kBarOutL, outPeakL, *OutputMeterL, false);
  UpdateLevelBar(outLevelR, kBarOutR, outPeakR, *OutputMeterR, false);
  OutMeterLabel->SetCaption(PairReadout(outPeakL, outPeakR));
  UpdateGainBar(gainLevelL, kBarGainL, gainPeakL, *GainIncreaseMeterL, *GainReductionMeterL);
  UpdateGainBar(gainLevelR, kBarGainR, gainPeakR, *GainIncreaseMeterR, *GainReductionMeterR);
  CompMeterLabel->SetCaption(PairReadout(gainPeakL, gainPeakR));
}

void TPluginEditorWindow::InMeterLabelClick() {
  inPeakL = inPeakR = -100.0f;
}

void TPluginEditorWindow::OutMeterLabelClick() {
  outPeakL = outPeakR = -100.0f;
}

void TPluginEditorWindow::CompMeterLabelClick() {
  gainPeakL = gainPeakR = 0.0f;
}

void TPluginEditorWindow::ScaleLabelClick() {
  const int next = NextMeterScale(meterScale);
  if (next == meterScale) return;
  meterScale = static_cast<int16_t>(next);
  ScaleLabel->SetCaption(ScaleText(next));
}

}  // namespace tarvo::editor
