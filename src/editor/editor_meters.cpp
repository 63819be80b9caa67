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
  UpdateLevelBar(inLevelL, kBarInL, inPeakL, *Meter_In_L, true);
  UpdateLevelBar(inLevelR, kBarInR, inPeakR, *Meter_In_R, true);
  InMeterLabelL->SetCaption(SingleReadout(inPeakL));
  InMeterLabelR->SetCaption(SingleReadout(inPeakR));
  UpdateLevelBar(outLevelL, kBarOutL, outPeakL, *Meter_Out_L, false);
  UpdateLevelBar(outLevelR, kBarOutR, outPeakR, *Meter_Out_R, false);
  OutMeterLabel->SetCaption(PairReadout(outPeakL, outPeakR));
  UpdateGainBar(gainLevelL, kBarGainL, gainPeakL, *Meter_Ex_L, *Meter_CP_L);
  UpdateGainBar(gainLevelR, kBarGainR, gainPeakR, *Meter_Ex_R, *Meter_CP_R);
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

void TPluginEditorWindow::Label21Click() {
  const int next = NextMeterScale(meterScale);
  if (next == meterScale) return;
  meterScale = static_cast<int16_t>(next);
  Label21->SetCaption(ScaleText(next));
}

}  // namespace tarvo::editor
