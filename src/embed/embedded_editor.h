// The editor panel inside a host's window: a TPluginEditorWindow shown in the platform's
// child window (platform/child_window.h) or, headless, nowhere, fed with the window's
// events at each idle call. The VST 2 plug-in and the LV2 UI both show the panel through
// it; they differ only in where the panel's parameter writes go (EditorOwner).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/editor_host.h"
#include "editor/plugin_editor_window.h"
#include "platform/child_window.h"

namespace tarvo::embed {

// The side that holds the parameters: the VST 2 effect, or the LV2 UI's view of the
// plug-in's control ports.
class EditorOwner {
 public:
  virtual ~EditorOwner() = default;
  // Takes the panel's write of parameter `index` (normalized) and requests a refresh.
  virtual void setParameterAutomated(int index, float value) = 0;
  // Brings the panel up to date with the parameters (the current program, the refresh
  // requested since the last one): in every idle call after the events, and before input
  // that the window system hands over between the idle calls.
  virtual void refresh() = 0;
};

// Owns the panel and its child window and implements the panel's host: parameter writes go
// to the owner, settings and the shell to the platform. Everything runs on the host's
// user-interface thread.
//
// The child window's events go to the panel: in the idle call, and where the window system
// delivers input between the idle calls (Win32), as it arrives when the panel is not busy,
// followed by a drawing of what changed.
class EmbeddedEditor final : public editor::EditorHost, private platform::WindowEventSink {
 public:
  // `child` may be null: no settings, no shell, no screen (headless).
  EmbeddedEditor(EditorOwner& owner, std::unique_ptr<platform::ChildWindow> child);
  ~EmbeddedEditor() override;
  EmbeddedEditor(const EmbeddedEditor&) = delete;
  EmbeddedEditor& operator=(const EmbeddedEditor&) = delete;

  void setProgramIndex(int program);
  // Copies the 25 parameter values (normalized) into the panel and redraws what differs.
  void updateControls(const editor::ParamArray& paramCopy);
  // Copies the six meter levels (linear amplitudes and gain factors) into the panel.
  void updateMeters(float inL, float inR, float outL, float outR, float grL, float grR);
  // Events, then the refresh they requested, then composition of the changed areas, then
  // their copy to the screen.
  void idle();
  // The same without events, at once; only with a child window (a screen to show it on).
  // Also what the child window asks for after it handed input over and before it paints.
  void drawNow() override;

  // The child window's id (X11) or HWND; null when headless.
  void* nativeWindow() const;
  // True once the child window is gone with the host's parent window; never when headless.
  bool windowDestroyed() const;

  // editor::EditorHost, used by the panel's handlers.
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
  void inputArriving() override { owner_.refresh(); }

  EditorOwner& owner_;
  std::unique_ptr<platform::ChildWindow> child_;
  editor::TPluginEditorWindow window_;
  std::vector<toolkit::Rect> lastAreas_;
  bool busy_ = false;  // inside idle or drawNow
};

}  // namespace tarvo::embed
