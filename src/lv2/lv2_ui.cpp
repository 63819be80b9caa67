// The editor as an LV2 UI (ui:X11UI): the panel of the VST 2 editor embedded in the host's
// window. The panel's parameter writes go to the plug-in's control ports through the host,
// in the ports' own units; the host's port events move the knobs and feed the meters.
#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "editor/editor_layout.h"
#include "embed/embedded_editor.h"
#include "lv2/lv2_ports.h"
#include "params/factory_presets.h"

namespace tarvo::lv2 {

namespace {

// The control port of each parameter; -1 for the reserved rows, which have none.
constexpr std::array<int, params::kNumParams> listParamPorts() {
  std::array<int, params::kNumParams> ports{};
  ports.fill(-1);
  for (int k = 0; k < kNumControlPorts; ++k) ports[controlParams[k]] = int(kFirstControlPort) + k;
  return ports;
}
constexpr std::array<int, params::kNumParams> paramPorts = listParamPorts();

// One UI instance: the panel, and the parameters and meters as the plug-in last reported
// them or the panel last wrote them. Everything runs on the host's user-interface thread.
class Ui final : private embed::EditorOwner {
 public:
  Ui(LV2UI_Write_Function write, LV2UI_Controller controller,
     std::unique_ptr<platform::ChildWindow> child)
      : write_(write), controller_(controller), panel_(*this, std::move(child)) {
    // The plug-in's own start values (the ports' lv2:default) until the host reports others.
    for (int i = 0; i < params::kNumParams; ++i) values_[i] = params::factoryPresets[0][i];
  }

  void* widget() const { return panel_.nativeWindow(); }
  void drawNow() { panel_.drawNow(); }

  // A control port's new value: shown at the next idle call, as the VST 2 editor shows the
  // host's parameter changes; never written back.
  void controlChanged(int param, float reported) {
    // The host's echo of a value this UI wrote changes nothing.
    if (reported == portValue(param, values_[param])) return;
    values_[param] = normalizedValue(param, reported);
    updateRequested_ = true;
    hostMoved_ = true;
  }

  // A meter port's reading in dB, kept as the linear level the panel's meters take. The
  // plug-in sends at least kMeterFloorDb; a host's non-number counts as that floor.
  void meterChanged(int meter, float db) {
    const float kept =
        std::isnan(db) ? kMeterFloorDb : std::clamp(db, kMeterFloorDb, -kMeterFloorDb);
    levels_[meter] = std::pow(10.0f, kept / 20.0f);
  }

  // One tick of the host's clock, in the order of the VST 2 editor's idle call. Answers
  // nonzero once the host destroyed the window.
  int idle() {
    if (panel_.windowDestroyed()) return 1;
    refresh();
    panel_.updateMeters(levels_[0], levels_[1], levels_[2], levels_[3], levels_[4], levels_[5]);
    panel_.idle();
    return panel_.windowDestroyed() ? 1 : 0;
  }

 private:
  // The panel's write, taken as the VST 2 effect takes it (kept in 0..1) and sent to the
  // parameter's port in the port's units.
  void setParameterAutomated(int index, float value) override {
    if (index < 0 || index >= params::kNumParams) return;
    value = params::clampNormalized(value);
    values_[index] = value;
    updateRequested_ = true;
    const int port = paramPorts[index];
    if (port < 0) return;
    const float shown = portValue(index, value);
    write_(controller_, static_cast<uint32_t>(port), sizeof(float), 0, &shown);
  }

  void refresh() override {
    if (!updateRequested_) return;
    updateRequested_ = false;
    if (hostMoved_) {
      hostMoved_ = false;
      recognizePreset();
    }
    panel_.updateControls(values_);
  }

  // LV2 presets belong to the host, which does not say which one it loaded; when the host's
  // values are those of a factory program on every port, that program is the one RECALL
  // brings back, as the VST 2 editor recalls the current program. Otherwise the last one
  // recognized stays.
  void recognizePreset() {
    for (int program = 0; program < params::kNumPrograms; ++program) {
      bool same = true;
      for (const int param : controlParams) {
        same = same && values_[param] == params::factoryPresets[program][param];
      }
      if (same) {
        panel_.setProgramIndex(program);
        return;
      }
    }
  }

  LV2UI_Write_Function write_;
  LV2UI_Controller controller_;
  editor::ParamArray values_{};  // normalized
  // Linear levels and gain factors: silence and no gain change until the first readings.
  std::array<float, kNumMeterPorts> levels_{0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f};
  bool updateRequested_ = true;  // the first idle call shows every value
  bool hostMoved_ = false;       // a port event changed a value since the last refresh
  embed::EmbeddedEditor panel_;  // last: it goes first, while the fields are still there
};

LV2UI_Handle instantiate(const LV2UI_Descriptor* /*descriptor*/, const char* pluginUri,
                         const char* /*bundlePath*/, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features) {
  if (pluginUri == nullptr || std::strcmp(pluginUri, kPluginUri) != 0 || write == nullptr ||
      widget == nullptr) {
    return nullptr;
  }
  void* parent = nullptr;
  const LV2UI_Resize* resize = nullptr;
  for (const LV2_Feature* const* f = features; f != nullptr && *f != nullptr; ++f) {
    if (std::strcmp((*f)->URI, LV2_UI__parent) == 0) parent = (*f)->data;
    if (std::strcmp((*f)->URI, LV2_UI__resize) == 0) {
      resize = static_cast<const LV2UI_Resize*>((*f)->data);
    }
  }
  if (parent == nullptr) return nullptr;
  try {
    std::string error;
    auto child =
        platform::ChildWindow::create(parent, editor::kPanelWidth, editor::kPanelHeight, &error);
    if (child == nullptr) return nullptr;
    auto ui = std::make_unique<Ui>(write, controller, std::move(child));
    *widget = ui->widget();
    if (resize != nullptr && resize->ui_resize != nullptr) {
      resize->ui_resize(resize->handle, editor::kPanelWidth, editor::kPanelHeight);
    }
    // The whole panel, composed with the start values, is on the screen from the start.
    ui->drawNow();
    return ui.release();
  } catch (...) {
    return nullptr;  // out of memory: the host gets no UI rather than a crash
  }
}

void cleanup(LV2UI_Handle handle) {
  delete static_cast<Ui*>(handle);
}

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format,
               const void* buffer) {
  if (format != 0 || size != sizeof(float) || buffer == nullptr) return;
  float value = 0.0f;
  std::memcpy(&value, buffer, sizeof value);
  auto& ui = *static_cast<Ui*>(handle);
  if (port >= kFirstControlPort && port < kFirstMeterPort) {
    ui.controlChanged(controlParams[port - kFirstControlPort], value);
  } else if (port >= kFirstMeterPort && port < kLatencyPort) {
    ui.meterChanged(static_cast<int>(port - kFirstMeterPort), value);
  }
}

int idle(LV2UI_Handle handle) {
  try {
    return static_cast<Ui*>(handle)->idle();
  } catch (...) {
    return 1;  // out of memory while drawing: the UI asks to be closed
  }
}

const void* extensionData(const char* uri) {
  static const LV2UI_Idle_Interface idleInterface = {idle};
  if (uri != nullptr && std::strcmp(uri, LV2_UI__idleInterface) == 0) return &idleInterface;
  return nullptr;
}

const LV2UI_Descriptor descriptor = {kUiUri, instantiate, cleanup, portEvent, extensionData};

}  // namespace

}  // namespace tarvo::lv2

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
  return index == 0 ? &tarvo::lv2::descriptor : nullptr;
}
