// The editor window as the adapter sees it: a TPluginEditorWindow driven through the
// plugin::EditorWindow operations, writing parameters into the effect, with the platform's
// services (settings, shell, screen, mouse) behind a small interface of their own.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/editor_host.h"
#include "editor/plugin_editor_window.h"
#include "plugin/editor_window.h"

namespace tarvo::plugin {

class APlugin;

// What a platform window layer (X11, Win32) supplies to the editor. Everything runs on the
// host's user-interface thread, within the adapter's idle and the window's handlers.
class EditorPlatform {
 public:
  virtual ~EditorPlatform() = default;
  // The maker's setting `name` ("Manual"); nullopt when missing or not a string.
  virtual std::optional<std::string> readSettingString(const std::string& name) = 0;
  // Opens a file or web address with the system shell (see editor::EditorHost).
  virtual void openDocument(const std::string& target, bool withOpenVerb) = 0;
  // Start of each idle tick, after the parameter refresh and the meters: turn every pending
  // window-system event into the window's MouseDown/MouseMove/MouseUp, and call FormPaint
  // for exposures.
  virtual void processEvents(editor::TPluginEditorWindow& window) = 0;
  // End of each idle tick: copy `areas` (panel pixels) of `panel` to the screen. Called
  // only when something was recomposed.
  virtual void present(const toolkit::Surface& panel, const std::vector<toolkit::Rect>& areas) = 0;
};

// Owns the window and forwards the adapter's calls to it; implements the window's host on
// top of the effect's setParameterAutomated and the platform.
class HostedEditorWindow final : public EditorWindow, public editor::EditorHost {
 public:
  // `platform` may be null: no settings, no shell, no screen (headless).
  HostedEditorWindow(APlugin& effect, std::unique_ptr<EditorPlatform> platform);
  ~HostedEditorWindow() override;

  // EditorWindow, driven by the adapter.
  void setProgramIndex(int program) override;
  void updateControls(const std::array<float, params::kNumParams>& paramCopy) override;
  void updateMeters(float inL, float inR, float outL, float outR, float grL, float grR) override;
  // Events, then composition of the changed areas, then their copy to the screen.
  void idle() override;

  // editor::EditorHost, used by the window's handlers.
  void setParameterAutomated(int index, float value) override;
  std::optional<std::string> readSettingString(const std::string& name) override;
  void openDocument(const std::string& target, bool withOpenVerb) override;

  editor::TPluginEditorWindow& window() { return window_; }
  EditorPlatform* platform() { return platform_.get(); }
  // The areas recomposed by the last idle call (empty when nothing changed).
  const std::vector<toolkit::Rect>& lastComposedAreas() const { return lastAreas_; }

 private:
  APlugin& effect_;
  std::unique_ptr<EditorPlatform> platform_;
  editor::TPluginEditorWindow window_;
  std::vector<toolkit::Rect> lastAreas_;
};

// A window with no platform behind it, usable as the adapter's EditorWindowFactory in tests
// and tools: the panel is composed at every idle call but shown nowhere. `parent` is unused.
std::unique_ptr<EditorWindow> makeHeadlessEditorWindow(APlugin& effect, void* parent);

// A window with the given platform layer; what a platform's EditorWindowFactory returns
// after it created its child window inside the host's `parent`.
std::unique_ptr<HostedEditorWindow> makeHostedEditorWindow(
    APlugin& effect, std::unique_ptr<EditorPlatform> platform);

}  // namespace tarvo::plugin
