// The editor adapter the host drives: rectangle, open/close of the window inside the
// host's window, and every refresh of the window from the host's idle calls.
#pragma once

#include <memory>

#include "editor/editor_layout.h"
#include "plugin/editor_window.h"
#include "vst/aeff_editor.h"

namespace tarvo::plugin {

class APlugin;

class APluginEditor : public vst::AEffEditor {
 public:
  // The rectangle effEditGetRect answers: the panel's size, before and after open.
  static constexpr int16_t kWidth = editor::kPanelWidth;
  static constexpr int16_t kHeight = editor::kPanelHeight;

  explicit APluginEditor(APlugin* effect);
  ~APluginEditor() override;

  int32_t getRect(vst::ERect** out) override;
  int32_t open(void* parent) override;
  void close() override;
  void idle() override;
  void update() override;

  // Brings the window up to date with the effect: the current program, and the parameter
  // refresh when one was requested. Run by every idle call, and by the window itself when
  // it draws outside them (right after it handled input, before it paints).
  void refresh();

  bool isEditorOpen() const { return window != nullptr; }
  EditorWindow* editorWindow() const { return window.get(); }

 private:
  APlugin& plugin();

  vst::ERect rect{};
  std::unique_ptr<EditorWindow> window;
};

}  // namespace tarvo::plugin
