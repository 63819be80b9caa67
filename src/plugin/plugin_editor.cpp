#include "plugin/plugin_editor.h"

#include "plugin/plugin.h"

namespace tarvo::plugin {

namespace {
EditorWindowFactory gWindowFactory = nullptr;
}  // namespace

EditorWindowFactory editorWindowFactory() {
  return gWindowFactory;
}
void setEditorWindowFactory(EditorWindowFactory factory) {
  gWindowFactory = factory;
}

APluginEditor::APluginEditor(APlugin* effect) : vst::AEffEditor(effect) {}

APluginEditor::~APluginEditor() {
  // reset() clears the pointer before the window goes, so whatever the window's teardown
  // calls back into finds the editor closed (as close() does).
  window.reset();
}

APlugin& APluginEditor::plugin() {
  return *static_cast<APlugin*>(effect);
}

int32_t APluginEditor::getRect(vst::ERect** out) {
  rect = vst::ERect{0, 0, kHeight, kWidth};
  if (out != nullptr) *out = &rect;
  return 1;
}

int32_t APluginEditor::open(void* parent) {
  if (window != nullptr) return 1;
  const EditorWindowFactory factory = editorWindowFactory();
  std::unique_ptr<EditorWindow> created = factory != nullptr ? factory(plugin(), parent) : nullptr;
  // Without a window there is nothing open: the host is told so and may show its own
  // generic controls instead.
  if (created == nullptr) return 0;
  window = std::move(created);
  window->setProgramIndex(plugin().currentProgram());
  postUpdate();
  // The whole panel, composed with the effect's values, is on the screen from the start.
  window->drawNow();
  return 1;
}

void APluginEditor::close() {
  window.reset();
}

void APluginEditor::refresh() {
  if (window == nullptr) return;
  window->setProgramIndex(plugin().currentProgram());
  // The flag is taken before the refresh runs, so a parameter write that lands during the
  // refresh raises it again and is shown at the next refresh instead of being lost.
  if (updateFlag.exchange(0, std::memory_order_acq_rel) != 0) update();
}

void APluginEditor::idle() {
  if (window == nullptr) return;
  refresh();
  const dsp::MeterReadings m = plugin().engine().meters();
  window->updateMeters(m.inL, m.inR, m.outL, m.outR, m.gainL, m.gainR);
  window->idle();
}

void APluginEditor::update() {
  if (window == nullptr) return;
  std::array<float, params::kNumParams> paramCopy{};
  const params::ParamStore& store = plugin().paramStore();
  for (int i = 0; i < params::kNumParams; ++i) {
    paramCopy[i] = store.paramValue[i].load(std::memory_order_relaxed);
  }
  window->updateControls(paramCopy);
}

}  // namespace tarvo::plugin
