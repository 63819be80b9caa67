// A recording host for the editor window and helpers that drive the panel with the mouse.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "editor/plugin_editor_window.h"
#include "params/factory_presets.h"

namespace tarvo::editor::testing {

// Records every parameter write and shell request of the window.
class RecordingEditorHost : public EditorHost {
 public:
  void setParameterAutomated(int index, float value) override { writes.emplace_back(index, value); }
  std::optional<std::string> readSettingString(const std::string& name) override {
    settingsRead.push_back(name);
    return setting;
  }
  void openDocument(const std::string& target, bool withOpenVerb) override {
    opened.emplace_back(target, withOpenVerb);
  }

  // The 25 values of the last 25 writes, in index order, when they came as one sweep.
  std::vector<float> LastSweep() const {
    std::vector<float> values;
    if (writes.size() < params::kNumParams) return values;
    for (size_t k = writes.size() - params::kNumParams; k < writes.size(); ++k) {
      if (writes[k].first != static_cast<int>(values.size())) return {};
      values.push_back(writes[k].second);
    }
    return values;
  }

  std::vector<std::pair<int, float>> writes;
  std::vector<std::string> settingsRead;
  std::optional<std::string> setting;
  std::vector<std::pair<std::string, bool>> opened;
};

inline ParamArray FactoryProgram(int program) {
  ParamArray values{};
  for (int i = 0; i < params::kNumParams; ++i) values[i] = params::factoryPresets[program][i];
  return values;
}

// A window with a recording host that has had its first refresh with `values`, as the
// adapter's first idle call gives it, and has composed that picture.
struct OpenWindow {
  explicit OpenWindow(const ParamArray& values = FactoryProgram(0)) {
    window.paramCopy = values;
    window.UpdateControls();
    window.UpdateMeter();
    window.Compose();
  }
  // The adapter's refresh with the values the effect now holds.
  void Refresh(const ParamArray& values) {
    window.paramCopy = values;
    window.UpdateControls();
  }
  toolkit::TCustomDIBControl& Control(std::string_view name) {
    toolkit::TCustomDIBControl* control = window.Panel.FindControl(name);
    EXPECT_NE(control, nullptr) << name;
    return *control;
  }
  // A left click in the middle of the named control.
  void Click(std::string_view name, toolkit::TShiftState shift = {}) {
    const toolkit::Rect r = Control(name).BoundsRect();
    const double x = r.left + r.Width() / 2.0, y = r.top + r.Height() / 2.0;
    window.MouseDown(toolkit::TMouseButton::mbLeft, shift, x, y);
    window.MouseUp(toolkit::TMouseButton::mbLeft, shift, x, y);
  }
  // Presses the left button on the named knob and moves the mouse up by each of `ups`
  // (pixels from the press point), then releases.
  void Drag(std::string_view name, const std::vector<double>& ups,
            toolkit::TShiftState shift = {}) {
    const toolkit::Rect r = Control(name).BoundsRect();
    const double x = r.left + r.Width() / 2.0, y = r.top + r.Height() / 2.0;
    window.MouseDown(toolkit::TMouseButton::mbLeft, shift, x, y);
    for (double up : ups) window.MouseMove(shift, x, y - up);
    const double last = ups.empty() ? 0.0 : ups.back();
    window.MouseUp(toolkit::TMouseButton::mbLeft, shift, x, y - last);
  }

  RecordingEditorHost host;
  TPluginEditorWindow window{&host};
};

}  // namespace tarvo::editor::testing
