#include "embed/embedded_editor.h"

#include "platform/settings.h"

namespace tarvo::embed {

EmbeddedEditor::EmbeddedEditor(EditorOwner& owner, std::unique_ptr<platform::ChildWindow> child)
    : owner_(owner), child_(std::move(child)), window_(this) {
  if (child_ != nullptr) child_->setSink(this);
}

EmbeddedEditor::~EmbeddedEditor() {
  if (child_ != nullptr) child_->setSink(nullptr);
}

void EmbeddedEditor::setProgramIndex(int program) {
  window_.programIndex = program;
}

void EmbeddedEditor::updateControls(const editor::ParamArray& paramCopy) {
  window_.paramCopy = paramCopy;
  window_.UpdateControls();
}

void EmbeddedEditor::updateMeters(float inL, float inR, float outL, float outR, float grL,
                                  float grR) {
  window_.inLevelL = inL;
  window_.inLevelR = inR;
  window_.outLevelL = outL;
  window_.outLevelR = outR;
  window_.gainLevelL = grL;
  window_.gainLevelR = grR;
  window_.UpdateMeter();
}

void EmbeddedEditor::idle() {
  busy_ = true;
  if (child_ != nullptr) {
    child_->pumpEvents();
    // The refresh that the events' parameter writes requested (a lamp, a selector, the
    // A/B switch) runs now, so that what they changed is drawn in this same tick.
    owner_.refresh();
  }
  lastAreas_ = window_.Compose();
  if (child_ != nullptr && !lastAreas_.empty()) child_->present(window_.Bitmap(), lastAreas_);
  busy_ = false;
}

void EmbeddedEditor::drawNow() {
  if (child_ == nullptr || busy_) return;
  busy_ = true;
  owner_.refresh();
  const std::vector<toolkit::Rect> areas = window_.Compose();
  if (!areas.empty()) child_->present(window_.Bitmap(), areas);
  busy_ = false;
}

void* EmbeddedEditor::nativeWindow() const {
  return child_ != nullptr ? child_->handle() : nullptr;
}

bool EmbeddedEditor::windowDestroyed() const {
  return child_ != nullptr && child_->destroyed();
}

void EmbeddedEditor::handleEvent(const platform::WindowEvent& event) {
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
      break;  // the window draws nothing from now on; it goes when its owner closes it
  }
}

void EmbeddedEditor::setParameterAutomated(int index, float value) {
  owner_.setParameterAutomated(index, value);
}

std::optional<std::string> EmbeddedEditor::readSettingString(const std::string& name) {
  if (child_ == nullptr) return std::nullopt;
  return platform::readSetting(name);
}

void EmbeddedEditor::openDocument(const std::string& target, bool withOpenVerb) {
  if (child_ != nullptr) child_->openDocument(target, withOpenVerb);
}

}  // namespace tarvo::embed
