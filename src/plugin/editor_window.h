// What the editor adapter needs of an editor window, and how it gets one. The window
// itself (panel, controls, meters) and its platform embedding live in other libraries;
// the adapter only drives it from the host's opcodes.
#pragma once

#include <array>
#include <memory>

#include "params/param_table.h"

namespace tarvo::plugin {

class EditorWindow {
 public:
  virtual ~EditorWindow() = default;
  virtual void setProgramIndex(int program) = 0;
  // Copies the 25 live parameter values into the window and redraws what differs.
  virtual void updateControls(const std::array<float, params::kNumParams>& paramCopy) = 0;
  // Copies the six meter fields (linear) and redraws the meters.
  virtual void updateMeters(float inL, float inR, float outL, float outR, float grL, float grR) = 0;
  // Runs the window's own event handling and drawing for this idle tick.
  virtual void idle() {}
  // Puts what changed on the screen at once, outside the idle calls (the adapter calls it
  // at open, so the window never shows an empty picture). No screen: nothing to do.
  virtual void drawNow() {}
};

class APlugin;

// Creates the editor window as a child of the host's `parent` window; null on failure.
using EditorWindowFactory = std::unique_ptr<EditorWindow> (*)(APlugin& effect, void* parent);

// The factory this build of the plug-in uses; null when no window layer is linked.
EditorWindowFactory editorWindowFactory();
void setEditorWindowFactory(EditorWindowFactory factory);

}  // namespace tarvo::plugin
