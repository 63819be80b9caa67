// The LV2 plug-in: one Engine and one parameter store per instance, driven through the
// ports of lv2_ports.h. Control ports carry the values the editor shows; each block turns
// the ports that changed into normalized values for the store, runs the engine and writes
// the meters in dB.
#include <lv2/core/lv2.h>

#include <cmath>
#include <limits>
#include <new>

#include "dsp/engine.h"
#include "dsp/fp_control.h"
#include "lv2/lv2_ports.h"
#include "params/factory_presets.h"
#include "params/param_store.h"

namespace tarvo::lv2 {

namespace {

// One instance: the signal processing, its store and the host's port buffers.
struct Instance {
  dsp::Engine engine;
  params::ParamStore store;
  float* audioIn[2] = {};  // the engine's interface takes float**; never written
  float* audioOut[2] = {};
  const float* control[kNumControlPorts] = {};
  float* meter[kNumMeterPorts] = {};
  float* latency = nullptr;
  // The port values last taken into the store; NaN until the first block takes them all.
  float taken[kNumControlPorts] = {};
};

LV2_Handle instantiate(const LV2_Descriptor* /*descriptor*/, double rate,
                       const char* /*bundlePath*/, const LV2_Feature* const* /*features*/) {
  dsp::maskFloatingPointExceptions();
  auto* self = new (std::nothrow) Instance;
  if (self == nullptr) return nullptr;
  self->engine.setSampleRate(static_cast<float>(rate));
  if (self->engine.sampleRate() != static_cast<float>(rate)) {  // a rate the engine refuses
    delete self;
    return nullptr;
  }
  for (int i = 0; i < params::kNumParams; ++i) {
    self->store.paramValue[i].store(params::factoryPresets[0][i], std::memory_order_relaxed);
  }
  for (float& value : self->taken) value = std::numeric_limits<float>::quiet_NaN();
  self->engine.reseedNoise();
  // Every parameter is recomputed (and snapped to its target) at the first block.
  self->store.markAllChanged();
  return self;
}

void connectPort(LV2_Handle handle, uint32_t port, void* data) {
  auto* self = static_cast<Instance*>(handle);
  auto* buffer = static_cast<float*>(data);
  if (port == kAudioInL || port == kAudioInR) {
    self->audioIn[port - kAudioInL] = buffer;
  } else if (port == kAudioOutL || port == kAudioOutR) {
    self->audioOut[port - kAudioOutL] = buffer;
  } else if (port >= kFirstControlPort && port < kFirstMeterPort) {
    self->control[port - kFirstControlPort] = buffer;
  } else if (port >= kFirstMeterPort && port < kLatencyPort) {
    self->meter[port - kFirstMeterPort] = buffer;
  } else if (port == kLatencyPort) {
    self->latency = buffer;
  }
}

void activate(LV2_Handle handle) {
  static_cast<Instance*>(handle)->engine.resume();
}

void deactivate(LV2_Handle handle) {
  static_cast<Instance*>(handle)->engine.suspend();
}

// Takes the control ports whose value moved since the last block into the store.
void takeControls(Instance& self) {
  for (int k = 0; k < kNumControlPorts; ++k) {
    if (self.control[k] == nullptr) continue;
    const float value = *self.control[k];
    if (value == self.taken[k]) continue;  // NaN never equals: taken every block
    self.taken[k] = value;
    const int param = controlParams[k];
    self.store.paramValue[param].store(normalizedValue(param, value), std::memory_order_relaxed);
    self.store.paramChanged[param].store(1, std::memory_order_release);
  }
}

void run(LV2_Handle handle, uint32_t frames) {
  auto& self = *static_cast<Instance*>(handle);
  takeControls(self);
  // In-place buffers are fine (the engine reads each input pair before writing its output);
  // with a buffer unconnected only the parameter update runs.
  self.engine.processReplacing(self.audioIn, self.audioOut, static_cast<int32_t>(frames),
                               self.store);
  const dsp::MeterReadings m = self.engine.meters();
  const float readings[kNumMeterPorts] = {m.inL, m.inR, m.outL, m.outR, m.gainL, m.gainR};
  for (int k = 0; k < kNumMeterPorts; ++k) {
    if (self.meter[k] != nullptr) *self.meter[k] = meterDb(readings[k]);
  }
  if (self.latency != nullptr) *self.latency = 0.0f;
}

void cleanup(LV2_Handle handle) {
  delete static_cast<Instance*>(handle);
}

const LV2_Descriptor descriptor = {
    kPluginUri, instantiate, connectPort, activate, run, deactivate, cleanup, nullptr,
};

}  // namespace

}  // namespace tarvo::lv2

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
  return index == 0 ? &tarvo::lv2::descriptor : nullptr;
}
