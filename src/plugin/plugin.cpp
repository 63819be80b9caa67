#include "plugin/plugin.h"

#include <cmath>
#include <cstring>

#include "dsp/fp_control.h"
#include "params/display_text.h"
#include "plugin/plugin_editor.h"
#include "vst/vst_utils.h"

namespace tarvo::plugin {

using params::kNumParams;
using params::kNumPrograms;

APlugin::APlugin(vst::AudioMasterCallback audioMaster)
    : vst::AudioEffectX(audioMaster, kNumPrograms, kNumParams) {
  // The host's own names are asked for once; nothing depends on them.
  char hostText[64] = {};
  callHost(vst::audioMasterGetVendorString, 0, 0, hostText, 0.0f);
  std::memset(hostText, 0, sizeof hostText);
  callHost(vst::audioMasterGetProductString, 0, 0, hostText, 0.0f);

  for (int i = 0; i < kNumPrograms; ++i) {
    programs[i] =
        std::make_unique<APluginProgram>(params::factoryPresets[i], params::factoryProgramNames[i]);
  }
  setEditor(std::make_unique<APluginEditor>(this));
  dsp.reseedNoise();
  APlugin::suspend();

  hasVu(false);
  setNumInputs(2);
  setNumOutputs(2);
  canMono(true);
  canProcessReplacing(true);
  isSynth(false);
  setUniqueID(kUniqueId);
  setInitialDelay(0);

  APlugin::setProgram(0);
  dsp::maskFloatingPointExceptions();

  // Every parameter is recomputed (and snapped to its target) at the first block.
  store.markAllChanged();
}

APlugin::~APlugin() {
  // The editor adapter goes first (closing an open window), then the programs.
  setEditor(nullptr);
  for (auto& program : programs) program.reset();
}

void APlugin::setSampleRate(float sampleRate) {
  dsp.setSampleRate(sampleRate);
  store.markAllChanged();
}

void APlugin::suspend() {
  dsp.suspend();
}

void APlugin::resume() {
  dsp.resume();
}

void APlugin::setParameter(int32_t index, float value) {
  value = params::clampNormalized(value);
  if (index < 0 || index >= kNumParams) return;
  store.paramValue[index].store(value, std::memory_order_relaxed);
  const int32_t current = curProgram.load(std::memory_order_relaxed);
  if (current >= 0 && current < kNumPrograms) {
    programs[current]->values[index].store(value, std::memory_order_relaxed);
  }
  if (editor != nullptr) editor->postUpdate();
  store.paramChanged[index].store(1, std::memory_order_release);
}

namespace {
// Host reads past the table give the last parameter; a negative index gives the first.
int clampIndex(int32_t index) {
  if (index < 0) return 0;
  return index >= kNumParams ? kNumParams - 1 : index;
}
}  // namespace

float APlugin::getParameter(int32_t index) {
  return store.paramValue[clampIndex(index)].load(std::memory_order_relaxed);
}

void APlugin::getParameterLabel(int32_t /*index*/, char* label) {
  vst::copyText(label, "");
}

void APlugin::getParameterDisplay(int32_t index, char* text) {
  if (index < 0 || index >= kNumParams) return;
  const auto display =
      params::displayText(index, store.paramValue[index].load(std::memory_order_relaxed));
  if (display) vst::copyText(text, display->c_str());
}

void APlugin::getParameterName(int32_t index, char* text) {
  vst::copyText(text, params::kParams[clampIndex(index)].name);
}

void APlugin::setProgram(int32_t program) {
  if (program < 0 || program >= kNumPrograms) return;
  curProgram.store(program, std::memory_order_relaxed);
  for (int j = 0; j < kNumParams; ++j) {
    setParameter(j, programs[program]->values[j].load(std::memory_order_relaxed));
  }
}

void APlugin::setProgramName(char* name) {
  if (name == nullptr) return;
  vst::copyTextCut(programs[currentProgram()]->name, name, APluginProgram::kNameSize - 1);
}

void APlugin::getProgramName(char* name) {
  vst::copyText(name, programs[currentProgram()]->name);
}

bool APlugin::getProgramNameIndexed(int32_t /*category*/, int32_t index, char* text) {
  if (index < 0 || index >= kNumPrograms || text == nullptr) return false;
  vst::copyText(text, programs[index]->name);
  return true;
}

void APlugin::process(float** inputs, float** outputs, int32_t sampleFrames) {
  dsp.process(inputs, outputs, sampleFrames, store);
}

void APlugin::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) {
  dsp.processReplacing(inputs, outputs, sampleFrames, store);
}

bool APlugin::getOutputProperties(int32_t index, vst::VstPinProperties* properties) {
  if (index < 0 || index > 1 || properties == nullptr) return false;
  const char label[3] = {' ', static_cast<char>('1' + index), '\0'};
  vst::copyText(properties->label, label);
  properties->flags = vst::kVstPinIsActive | vst::kVstPinIsStereo;
  return true;
}

bool APlugin::getEffectName(char* name) {
  vst::copyText(name, kEffectName);
  return true;
}

bool APlugin::getVendorString(char* text) {
  vst::copyText(text, kVendorName);
  return true;
}

bool APlugin::getProductString(char* text) {
  vst::copyText(text, kProductName);
  return true;
}

vst::VstIntPtr APlugin::vendorSpecific(int32_t index, vst::VstIntPtr value, void* ptr,
                                       float /*opt*/) {
  if (index != kMeterQueryIndex || ptr == nullptr) return 0;
  float* meters = static_cast<float*>(ptr);
  if (value == kNoiseSeedValue) {
    uint32_t seed = 0;
    std::memcpy(&seed, ptr, sizeof seed);
    dsp.seedNoise(seed);
    return 1;
  }
  if (value == kGainExtremesQueryValue) {
    const dsp::Engine::GainExtremes x = dsp.takeGainExtremes();
    meters[0] = x.lowL, meters[1] = x.lowR, meters[2] = x.highL, meters[3] = x.highR;
    return 1;
  }
  if (value != kMeterQueryValue) return 0;
  const dsp::MeterReadings m = dsp.meters();
  meters[0] = m.inL, meters[1] = m.inR, meters[2] = m.outL;
  meters[3] = m.outR, meters[4] = m.gainL, meters[5] = m.gainR;
  return 1;
}

// The effect asks for nothing and offers nothing beyond the basic interface.
int32_t APlugin::canDo(char* /*text*/) {
  return -1;
}

}  // namespace tarvo::plugin
