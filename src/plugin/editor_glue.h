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

// The editor window as a platform layer may reach it between the idle calls (from the
// window procedure on Windows), always on the host's user-interface thread.
class EditorPanel {
 public:
  virtual ~EditorPanel() = default;
  virtual editor::TPluginEditorWindow& panel() = 0;
  // False while the panel is at work further up this thread's stack (an idle call, or a
  // drawing): input then waits for the next idle call.
  virtual bool panelAvailable() const = 0;
  // Brings the panel up to date with the effect: the current program, and the parameter
  // refresh when one was requested (run before input is handed over, as in an idle call).
  virtual void refresh() = 0;
  // The refresh, then composes what changed and presents it.
  virtual void drawNow() = 0;
};

// What a platform window layer (X11, Win32) supplies to the editor. Everything runs on the
// host's user-interface thread, within the adapter's calls and the window's handlers.
class EditorPlatform {
 public:
  virtual ~EditorPlatform() = default;
  // The window this layer serves, from the window's construction on; null from the start
  // of its destruction.
  virtual void attach(EditorPanel* /*panel*/) {}
  // The maker's setting `name` ("Manual"); nullopt when missing or not a string.
  virtual std::optional<std::string> readSettingString(const std::string& name) = 0;
  // Opens a file or web address with the system shell (see editor::EditorHost).
  virtual void openDocument(const std::string& target, bool withOpenVerb) = 0;
  // Start of each idle tick, after the parameter refresh and the meters: turn every pending
  // window-system event into the window's MouseDown/MouseMove/MouseUp, and call FormPaint
  // for exposures. What the events changed is drawn in the same tick.
  virtual void processEvents(editor::TPluginEditorWindow& window) = 0;
  // End of each idle tick: copy `areas` (panel pixels) of `panel` to the screen. Called
  // only when something was recomposed.
  virtual void present(const toolkit::Surface& panel, const std::vector<toolkit::Rect>& areas) = 0;
};

// Owns the window and forwards the adapter's calls to it; implements the window's host on
// top of the effect's setParameterAutomated and the platform.
class HostedEditorWindow final : public EditorWindow,
                                 public editor::EditorHost,
                                 public EditorPanel {
 public:
  // `platform` may be null: no settings, no shell, no screen (headless).
  HostedEditorWindow(APlugin& effect, std::unique_ptr<EditorPlatform> platform);
  ~HostedEditorWindow() override;

  // EditorWindow, driven by the adapter.
  void setProgramIndex(int program) override;
  void updateControls(const std::array<float, params::kNumParams>& paramCopy) override;
  void updateMeters(float inL, float inR, float outL, float outR, float grL, float grR) override;
  // Events, then the parameter refresh they requested, then composition of the changed
  // areas, then their copy to the screen.
  void idle() override;
  // The same without events, at once; only with a platform (a screen to show it on).
  void drawNow() override;

  // EditorPanel, used by the platform between the idle calls.
  editor::TPluginEditorWindow& panel() override { return window_; }
  bool panelAvailable() const override { return !busy_; }
  void refresh() override;

  // editor::EditorHost, used by the window's handlers.
  void setParameterAutomated(int index, float value) override;
  std::optional<std::string> readSettingString(const std::string& name) override;
  void openDocument(const std::string& target, bool withOpenVerb) override;

  editor::TPluginEditorWindow& window() { return window_; }
  EditorPlatform* platform() { return platform_.get(); }
  // The areas recomposed by the last idle call (empty when nothing changed); drawings
  // between the idle calls are not counted.
  const std::vector<toolkit::Rect>& lastComposedAreas() const { return lastAreas_; }

 private:
  APlugin& effect_;
  std::unique_ptr<EditorPlatform> platform_;
  editor::TPluginEditorWindow window_;
  std::vector<toolkit::Rect> lastAreas_;
  bool busy_ = false;  // inside idle or drawNow
};

// A window with no platform behind it, usable as the adapter's EditorWindowFactory in tests
// and tools: the panel is composed at every idle call but shown nowhere. `parent` is unused.
std::unique_ptr<EditorWindow> makeHeadlessEditorWindow(APlugin& effect, void* parent);

// A window with the given platform layer; what a platform's EditorWindowFactory returns
// after it created its child window inside the host's `parent`.
std::unique_ptr<HostedEditorWindow> makeHostedEditorWindow(
    APlugin& effect, std::unique_ptr<EditorPlatform> platform);

}  // namespace tarvo::plugin
