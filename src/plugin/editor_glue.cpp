#include "plugin/editor_glue.h"

#include "editor/editor_layout.h"
#include "plugin/plugin.h"
#include "plugin/plugin_editor.h"

namespace tarvo::plugin {

HostedEditorWindow::HostedEditorWindow(APlugin& effect,
                                       std::unique_ptr<platform::ChildWindow> child)
    : effect_(effect), panel_(*this, std::move(child)) {}

void HostedEditorWindow::setParameterAutomated(int index, float value) {
  effect_.setParameterAutomated(index, value);
}

void HostedEditorWindow::refresh() {
  // The adapter owns the refresh (program, parameters); it is the effect's editor.
  if (auto* adapter = static_cast<APluginEditor*>(effect_.getEditor())) adapter->refresh();
}

std::unique_ptr<EditorWindow> makeHeadlessEditorWindow(APlugin& effect, void* /*parent*/) {
  return std::make_unique<HostedEditorWindow>(effect, nullptr);
}

std::unique_ptr<EditorWindow> makePlatformEditorWindow(APlugin& effect, void* parent) {
  std::string error;
  auto child =
      platform::ChildWindow::create(parent, editor::kPanelWidth, editor::kPanelHeight, &error);
  if (child == nullptr) return nullptr;
  return std::make_unique<HostedEditorWindow>(effect, std::move(child));
}

}  // namespace tarvo::plugin
