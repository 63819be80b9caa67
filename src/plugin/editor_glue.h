// The editor window as the adapter sees it: the embedded panel (embed/embedded_editor.h)
// driven through the plugin::EditorWindow operations, writing parameters into the effect,
// shown in the platform's child window or, headless, nowhere.
#pragma once

#include <memory>
#include <vector>

#include "embed/embedded_editor.h"
#include "plugin/editor_window.h"

namespace tarvo::plugin {

class APlugin;

// Forwards the adapter's calls to the embedded panel and is the panel's owner: the panel's
// writes go to the effect's setParameterAutomated, its refreshes to the adapter. Everything
// runs on the host's user-interface thread.
class HostedEditorWindow final : public EditorWindow, private embed::EditorOwner {
 public:
  // `child` may be null: no settings, no shell, no screen (headless).
  HostedEditorWindow(APlugin& effect, std::unique_ptr<platform::ChildWindow> child);

  // EditorWindow, driven by the adapter.
  void setProgramIndex(int program) override { panel_.setProgramIndex(program); }
  void updateControls(const std::array<float, params::kNumParams>& paramCopy) override {
    panel_.updateControls(paramCopy);
  }
  void updateMeters(float inL, float inR, float outL, float outR, float grL, float grR) override {
    panel_.updateMeters(inL, inR, outL, outR, grL, grR);
  }
  void idle() override { panel_.idle(); }
  void drawNow() override { panel_.drawNow(); }

  editor::TPluginEditorWindow& window() { return panel_.window(); }
  // The areas recomposed by the last idle call (empty when nothing changed).
  const std::vector<toolkit::Rect>& lastComposedAreas() const { return panel_.lastComposedAreas(); }

 private:
  // embed::EditorOwner, used by the panel.
  void setParameterAutomated(int index, float value) override;
  // Brings the panel up to date with the effect: the current program, and the parameter
  // refresh when one was requested.
  void refresh() override;

  APlugin& effect_;
  embed::EmbeddedEditor panel_;
};

// A window with no platform behind it, usable as the adapter's EditorWindowFactory in tests
// and tools: the panel is composed at every idle call but shown nowhere. `parent` is unused.
std::unique_ptr<EditorWindow> makeHeadlessEditorWindow(APlugin& effect, void* parent);

// The factory of the plug-in binary: the window in a child window of the host's `parent`
// (the X11 window id or the HWND given to effEditOpen); null when there is no display or
// no such window.
std::unique_ptr<EditorWindow> makePlatformEditorWindow(APlugin& effect, void* parent);

}  // namespace tarvo::plugin
