// The controls follow the parameters (UpdateControls and the three per-control redraws)
// and turn the user's actions into parameter writes (knobs, switches, selectors, links).
#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <string>

#include "editor/plugin_editor_window.h"
#include "editor/value_text.h"

namespace tarvo::editor {

namespace {

// The curve settings that UpdateCurveSetting recomputes, and the parameters that reshape the
// drawn curve (those plus auto-gain and output gain).
bool ShapesCurve(int index) {
  return index == params::kThreshold || index == params::kRatio || index == params::kKnee ||
         index == params::kLinearity;
}
bool MovesCurve(int index) {
  return ShapesCurve(index) || index == params::kAutoGain || index == params::kOutputGain;
}

// Knob positions are whole steps of at most 1000; values outside 0..1 (the marker) and
// non-numbers are kept in range before the conversion.
int KnobSteps(float value, int maximum) {
  const double steps = double(value) * maximum;
  if (!(steps >= 0.0)) return 0;
  return steps > maximum ? maximum : params::nearestEven(steps);
}

// Lights the arrow (by Tag, the position) that `value` of selector parameter `index` selects
// and darkens the others; a value off the selector (the marker, a non-number) lights none.
template <size_t N>
void ShowSelectorPosition(const std::array<toolkit::TDIBImage*, N>& arrows, int index,
                          float value) {
  for (auto* arrow : arrows) arrow->SetOpacity(0);
  const std::optional<int> position = params::selectorPosition(index, value, int(N));
  if (position) arrows[static_cast<size_t>(*position)]->SetOpacity(255);
}

}  // namespace

void TPluginEditorWindow::UpdateControls() {
  ParamArray& shown = abSlot[abIndex];
  bool redrawGraph = false;
  for (int i = 0; i < params::kNumParams; ++i) {
    if (shown[i] == paramCopy[i]) continue;
    shown[i] = paramCopy[i];
    const float value = paramCopy[i];
    UpdateKnob(i, value);
    UpdateEditBox(static_cast<int16_t>(i), value);
    UpdateButton(i);
    if (ShapesCurve(i)) UpdateCurveSetting(i);
    if (MovesCurve(i)) redrawGraph = true;
  }
  if (redrawGraph) UpdateDisplay();
}

void TPluginEditorWindow::UpdateKnob(int index, float value) {
  updating = true;
  if (index >= 0 && index < params::kNumParams && knobs[index] != nullptr) {
    toolkit::TDIBDial& knob = *knobs[index];
    knob.SetPosition(KnobSteps(value, knob.Max()));
  }
  updating = false;
}

void TPluginEditorWindow::UpdateEditBox(int16_t index, float value) {
  if (index < 0 || index >= params::kNumParams || valueLabels[index] == nullptr) return;
  if (auto text = ValueLabelText(index, value)) valueLabels[index]->SetCaption(std::move(*text));
}

void TPluginEditorWindow::UpdateButton(int index) {
  if (index < 0 || index >= params::kNumParams) return;
  const float v = abSlot[abIndex][index];
  switch (index) {
    case params::kAutoGain:
    case params::kInputFilter:
    case params::kDetFilter:
    case params::kDetEq:
      // Lit above 0.5; exactly 0.5 rounds to 0 (ties to even).
      switches[index]->SetOpacity(params::nearestEven(v) == 1 ? 255 : 0);
      break;
    case params::kReleaseType:
      ShowSelectorPosition(releaseTypeArrows, params::kReleaseType, v);
      break;
    case params::kStereoLink:
      ShowSelectorPosition(linkTypeArrows, params::kStereoLink, v);
      break;
    default:
      break;
  }
}

void TPluginEditorWindow::KnobControlChange(toolkit::TCustomDIBControl& sender) {
  if (updating) return;
  auto& knob = static_cast<toolkit::TDIBDial&>(sender);
  const int t = knob.Tag();
  if (t < 0 || t >= params::kNumParams) return;
  const float v = static_cast<float>(double(knob.Position()) / knob.Max());
  // Recorded as shown before the write, so the refresh the write requests finds nothing to
  // redraw for this knob.
  abSlot[abIndex][t] = v;
  UpdateEditBox(static_cast<int16_t>(t), v);
  Automate(t, v);
  paramCopy[t] = v;
  if (ShapesCurve(t)) {
    UpdateCurveSetting(t);
    UpdateDisplay();
  } else if (t == params::kOutputGain) {
    UpdateDisplay();
  }
}

void TPluginEditorWindow::ControlMouseDown(toolkit::TCustomDIBControl& sender,
                                           toolkit::TMouseButton /*button*/,
                                           toolkit::TShiftState shift, double /*x*/, double /*y*/) {
  auto& knob = static_cast<toolkit::TDIBDial&>(sender);
  const int t = knob.Tag();
  if (shift.ctrl && t >= 0 && t < params::kNumParams) {
    // Not updating: the change event sends the reset value to the effect.
    knob.SetPosition(params::nearestEven(double(knob.Max()) * params::kParams[t].reset));
  }
  const double v = double(knob.Position()) / knob.Max();
  knob.SetEnabled(false);
  updating = true;
  // The resolution of the drag that follows: 1000 steps with Shift, else 100. The order
  // keeps the position inside the range in both directions.
  if (shift.shift) {
    knob.SetMax(1000);
    knob.SetPosition(params::nearestEven(v * 1000.0));
  } else {
    knob.SetPosition(params::nearestEven(v * 100.0));
    knob.SetMax(100);
  }
  knob.SetEnabled(true);
  updating = false;
}

void TPluginEditorWindow::SwitchClick(toolkit::TCustomDIBControl& sender) {
  const int t = sender.Tag();
  if (t < 0 || t >= params::kNumParams) return;
  // The lamp's setting: the slot's entry, or the value last sent while a switch or a
  // recall since the last idle call has left the entry unfilled (the marker would flip to
  // -1). round(1 - v): an entry of exactly 0.5 sends 0 (ties to even).
  const float shown = abSlot[abIndex][t];
  const float v = shown == kNotShown ? paramCopy[t] : shown;
  const double flipped = std::nearbyint(1.0 - double(v));
  Automate(t, static_cast<float>(flipped));
}

void TPluginEditorWindow::ReleaseTypeClick(toolkit::TCustomDIBControl& sender) {
  Automate(params::kReleaseType, static_cast<float>(sender.Tag() / 4.0));
}

void TPluginEditorWindow::LinkTypeClick(toolkit::TCustomDIBControl& sender) {
  Automate(params::kStereoLink, static_cast<float>(sender.Tag() / 2.0));
}

void TPluginEditorWindow::UsersManualClick() {
  if (host_ == nullptr) return;
  std::optional<std::string> manual = host_->readSettingString("Manual");
  if (!manual || manual->empty()) return;
  // At most 255 characters of the path or address go to the shell (docs/compatibility.md).
  constexpr size_t kMaxManualLength = 255;
  if (manual->size() > kMaxManualLength) manual->resize(kMaxManualLength);
  host_->openDocument(*manual, true);
}

void TPluginEditorWindow::LogoClick() {
  if (host_ == nullptr) return;
  if (kMakerWebSite[0] == '\0') {
    UsersManualClick();
    return;
  }
  host_->openDocument(kMakerWebSite, false);
}

}  // namespace tarvo::editor
