#include "plugin/editor_glue.h"

#include "editor/editor_layout.h"
#include "platform/settings.h"
#include "plugin/plugin.h"
#include "plugin/plugin_editor.h"

namespace tarvo::plugin {

HostedEditorWindow::HostedEditorWindow(APlugin& effect,
                                       std::unique_ptr<platform::ChildWindow> child)
    : effect_(effect), child_(std::move(child)), window_(this) {
  if (child_ != nullptr) child_->setSink(this);
}

HostedEditorWindow::~HostedEditorWindow() {
  if (child_ != nullptr) child_->setSink(nullptr);
}

void HostedEditorWindow::setProgramIndex(int program) {
  window_.programIndex = program;
}

void HostedEditorWindow::updateControls(const std::array<float, params::kNumParams>& paramCopy) {
  window_.paramCopy = paramCopy;
  window_.UpdateControls();
}

void HostedEditorWindow::updateMeters(float inL, float inR, float outL, float outR, float grL,
                                      float grR) {
  window_.inLevelL = inL;
  window_.inLevelR = inR;
  window_.outLevelL = outL;
  window_.outLevelR = outR;
  window_.gainLevelL = grL;
  window_.gainLevelR = grR;
  window_.UpdateMeter();
}

void HostedEditorWindow::idle() {
  busy_ = true;
  if (child_ != nullptr) {
    child_->pumpEvents();
    // The refresh that the events' parameter writes requested (a lamp, a selector, the
    // A/B switch) runs now, so that what they changed is drawn in this same tick.
    refresh();
  }
  lastAreas_ = window_.Compose();
  if (child_ != nullptr && !lastAreas_.empty()) child_->present(window_.Bitmap(), lastAreas_);
  busy_ = false;
}

void HostedEditorWindow::drawNow() {
  if (child_ == nullptr || busy_) return;
  busy_ = true;
  refresh();
  const std::vector<toolkit::Rect> areas = window_.Compose();
  if (!areas.empty()) child_->present(window_.Bitmap(), areas);
  busy_ = false;
}

void HostedEditorWindow::refresh() {
  // The adapter owns the refresh (program, parameters); it is the effect's editor.
  if (auto* adapter = static_cast<APluginEditor*>(effect_.getEditor())) adapter->refresh();
}

void HostedEditorWindow::handleEvent(const platform::WindowEvent& event) {
  using Type = platform::WindowEvent::Type;
  switch (event.type) {
    case Type::pointerDown:
      window_.MouseDown(event.button, event.shift, event.x, event.y);
      break;
    case Type::pointerMove:
      window_.MouseMove(event.shift, event.x, event.y);
      break;
    case Type::pointerUp:
      window_.MouseUp(event.button, event.shift, event.x, event.y);
      break;
    case Type::exposed:
      window_.FormPaint();
      break;
    case Type::destroyed:
      break;  // the window draws nothing from now on; it goes with effEditClose
  }
}

void HostedEditorWindow::setParameterAutomated(int index, float value) {
  effect_.setParameterAutomated(index, value);
}

std::optional<std::string> HostedEditorWindow::readSettingString(const std::string& name) {
  if (child_ == nullptr) return std::nullopt;
  return platform::readSetting(name);
}

void HostedEditorWindow::openDocument(const std::string& target, bool withOpenVerb) {
  if (child_ != nullptr) child_->openDocument(target, withOpenVerb);
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
