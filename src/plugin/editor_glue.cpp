#include "plugin/editor_glue.h"

#include "plugin/plugin.h"

namespace tarvo::plugin {

HostedEditorWindow::HostedEditorWindow(APlugin& effect, std::unique_ptr<EditorPlatform> platform)
    : effect_(effect), platform_(std::move(platform)), window_(this) {}

HostedEditorWindow::~HostedEditorWindow() = default;

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
  if (platform_ != nullptr) platform_->processEvents(window_);
  lastAreas_ = window_.Compose();
  if (platform_ != nullptr && !lastAreas_.empty()) platform_->present(window_.Bitmap(), lastAreas_);
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
