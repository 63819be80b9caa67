#include "plugin/editor_glue.h"

#include "plugin/plugin.h"
#include "plugin/plugin_editor.h"

namespace tarvo::plugin {

HostedEditorWindow::HostedEditorWindow(APlugin& effect, std::unique_ptr<EditorPlatform> platform)
    : effect_(effect), platform_(std::move(platform)), window_(this) {
  if (platform_ != nullptr) platform_->attach(this);
}

HostedEditorWindow::~HostedEditorWindow() {
  if (platform_ != nullptr) platform_->attach(nullptr);
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
  if (platform_ != nullptr) {
    platform_->processEvents(window_);
    // The refresh that the events' parameter writes requested (a lamp, a selector, the
    // A/B switch) runs now, so that what they changed is drawn in this same tick.
    refresh();
  }
  lastAreas_ = window_.Compose();
  if (platform_ != nullptr && !lastAreas_.empty()) platform_->present(window_.Bitmap(), lastAreas_);
  busy_ = false;
}

void HostedEditorWindow::drawNow() {
  if (platform_ == nullptr || busy_) return;
  busy_ = true;
  refresh();
  const std::vector<toolkit::Rect> areas = window_.Compose();
  if (!areas.empty()) platform_->present(window_.Bitmap(), areas);
  busy_ = false;
}

void HostedEditorWindow::refresh() {
  // The adapter owns the refresh (program, parameters); it is the effect's editor.
  if (auto* adapter = static_cast<APluginEditor*>(effect_.getEditor())) adapter->refresh();
}

void HostedEditorWindow::setParameterAutomated(int index, float value) {
  effect_.setParameterAutomated(index, value);
}

std::optional<std::string> HostedEditorWindow::readSettingString(const std::string& name) {
  if (platform_ == nullptr) return std::nullopt;
  return platform_->readSettingString(name);
}

void HostedEditorWindow::openDocument(const std::string& target, bool withOpenVerb) {
  if (platform_ != nullptr) platform_->openDocument(target, withOpenVerb);
}

std::unique_ptr<EditorWindow> makeHeadlessEditorWindow(APlugin& effect, void* /*parent*/) {
  return std::make_unique<HostedEditorWindow>(effect, nullptr);
}

std::unique_ptr<HostedEditorWindow> makeHostedEditorWindow(
    APlugin& effect, std::unique_ptr<EditorPlatform> platform) {
  return std::make_unique<HostedEditorWindow>(effect, std::move(platform));
}

}  // namespace tarvo::plugin
