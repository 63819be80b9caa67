// The editor window as the adapter sees it: a TPluginEditorWindow driven through the
// plugin::EditorWindow operations, writing parameters into the effect, shown in the
// platform's child window (platform/child_window.h) or, headless, nowhere.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/editor_host.h"
#include "editor/plugin_editor_window.h"
#include "platform/child_window.h"
#include "plugin/editor_window.h"

namespace tarvo::plugin {

class APlugin;

// Owns the window and its child window, and forwards the adapter's calls to it; implements
// the window's host on top of the effect's setParameterAutomated and the platform's
// settings and shell. Everything runs on the host's user-interface thread.
//
// The child window's events go to the panel: in the idle call, and where the window system
// delivers input between the idle calls (Win32), as it arrives when the panel is not busy,
// followed by a drawing of what changed.
class HostedEditorWindow final : public EditorWindow,
                                 public editor::EditorHost,
                                 private platform::WindowEventSink {
 public:
  // `child` may be null: no settings, no shell, no screen (headless).
  HostedEditorWindow(APlugin& effect, std::unique_ptr<platform::ChildWindow> child);
  ~HostedEditorWindow() override;

  // EditorWindow, driven by the adapter.
  void setProgramIndex(int program) override;
  void updateControls(const std::array<float, params::kNumParams>& paramCopy) override;
  void updateMeters(float inL, float inR, float outL, float outR, float grL, float grR) override;
  // Events, then the parameter refresh they requested, then composition of the changed
  // areas, then their copy to the screen.
  void idle() override;
  // The same without events, at once; only with a child window (a screen to show it on).
  // Also what the child window asks for after it handed input over and before it paints.
  void drawNow() override;

  // editor::EditorHost, used by the window's handlers.
  void setParameterAutomated(int index, float value) override;
  std::optional<std::string> readSettingString(const std::string& name) override;
  void openDocument(const std::string& target, bool withOpenVerb) override;

  editor::TPluginEditorWindow& window() { return window_; }
  // The areas recomposed by the last idle call (empty when nothing changed); drawings
  // between the idle calls are not counted.
  const std::vector<toolkit::Rect>& lastComposedAreas() const { return lastAreas_; }

 private:
  // platform::WindowEventSink, used by the child window.
  void handleEvent(const platform::WindowEvent& event) override;
  toolkit::TCursor cursorAt(int x, int y) override { return window_.CursorAt(x, y); }
  // False while the panel is at work further up this thread's stack (an idle call, or a
  // drawing): input then waits for the next idle call.
  bool readyForInput() override { return !busy_; }
  void inputArriving() override { refresh(); }

  // Brings the panel up to date with the effect: the current program, and the parameter
  // refresh when one was requested (run before input is handed over, as in an idle call).
  void refresh();

  APlugin& effect_;
  std::unique_ptr<platform::ChildWindow> child_;
  editor::TPluginEditorWindow window_;
  std::vector<toolkit::Rect> lastAreas_;
  bool busy_ = false;  // inside idle or drawNow
};

// A window with no platform behind it, usable as the adapter's EditorWindowFactory in tests
// and tools: the panel is composed at every idle call but shown nowhere. `parent` is unused.
std::unique_ptr<EditorWindow> makeHeadlessEditorWindow(APlugin& effect, void* parent);

// The factory of the plug-in binary: the window in a child window of the host's `parent`
// (the X11 window id or the HWND given to effEditOpen); null when there is no display or
// no such window.
std::unique_ptr<EditorWindow> makePlatformEditorWindow(APlugin& effect, void* parent);

}  // namespace tarvo::plugin
