// The A/B compare store: two slots of 25 values, switching between them, copying one into
// the other, and recalling the current program's factory values.
#include "editor/plugin_editor_window.h"
#include "params/factory_presets.h"

namespace tarvo::editor {

namespace {

// The setting a slot stands for. Entries of the active slot that still hold the marker
// have not been refilled by a refresh yet (a switch or a recall since the last idle call);
// paramCopy holds the values last sent for them. Without this, two switches between idle
// calls would leave markers in a slot, and the next switch back would send 2.0 for every
// parameter, which the effect stores as 1.0.
ParamArray Settled(const ParamArray& slot, const ParamArray& paramCopy) {
  ParamArray settled = slot;
  for (int i = 0; i < params::kNumParams; ++i) {
    if (settled[i] == kNotShown) settled[i] = paramCopy[i];
  }
  return settled;
}

}  // namespace

void TPluginEditorWindow::ABSwitchClick() {
  abSlot[abIndex] = Settled(abSlot[abIndex], paramCopy);
  if (ABSwitch->Opacity() == 255) {
    ABSwitch->SetOpacity(0);
    abIndex = 0;
  } else {
    ABSwitch->SetOpacity(255);
    abIndex = 1;
  }
  ParamArray& entering = abSlot[abIndex];
  for (int i = 0; i < params::kNumParams; ++i) {
    const float v = entering[i];
    paramCopy[i] = v;
    entering[i] = kNotShown;
    Automate(i, v);
  }
}

void TPluginEditorWindow::CopySwitchClick() {
  abSlot[1 - abIndex] = Settled(abSlot[abIndex], paramCopy);
}

void TPluginEditorWindow::RecallSwitchClick() {
  const int program = programIndex < 0                       ? 0
                      : programIndex >= params::kNumPrograms ? params::kNumPrograms - 1
                                                             : programIndex;
  for (int i = 0; i < params::kNumParams; ++i) {
    const float v = params::factoryPresets[program][i];
    paramCopy[i] = v;
    abSlot[abIndex][i] = kNotShown;
    Automate(i, v);
  }
}

}  // namespace tarvo::editor
