// The Tarvo effect: parameter store, program bank, signal processing and editor adapter
// behind the VST 2 record.
#pragma once

#include <array>
#include <atomic>
#include <memory>

#include "dsp/engine.h"
#include "params/factory_presets.h"
#include "params/param_store.h"
#include "plugin/meter_query.h"
#include "plugin/plugin_program.h"
#include "vst/audio_effect_x.h"

namespace tarvo::plugin {

inline constexpr int32_t kUniqueId = vst::fourCC("vm7q");
inline constexpr const char* kEffectName = "Tarvo";
inline constexpr const char* kVendorName = "Velmora Audio";
inline constexpr const char* kProductName = "Tarvo";

class APlugin : public vst::AudioEffectX {
 public:
  explicit APlugin(vst::AudioMasterCallback audioMaster);
  ~APlugin() override;

  // Sample rate and processing on/off.
  void setSampleRate(float sampleRate) override;
  void suspend() override;
  void resume() override;

  // Parameters.
  void setParameter(int32_t index, float value) override;
  float getParameter(int32_t index) override;
  void getParameterLabel(int32_t index, char* label) override;
  void getParameterDisplay(int32_t index, char* text) override;
  void getParameterName(int32_t index, char* text) override;

  // Programs.
  void setProgram(int32_t program) override;
  void setProgramName(char* name) override;
  void getProgramName(char* name) override;
  bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override;

  // Audio.
  void process(float** inputs, float** outputs, int32_t sampleFrames) override;
  void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;

  // Identity and capabilities.
  float getVu() override { return 0.0f; }
  bool getOutputProperties(int32_t index, vst::VstPinProperties* properties) override;
  bool getEffectName(char* name) override;
  bool getVendorString(char* text) override;
  bool getProductString(char* text) override;
  int32_t canDo(char* text) override;
  // Answers the private meter request of meter_query.h; any other vendor request answers
  // 0 and does nothing.
  vst::VstIntPtr vendorSpecific(int32_t index, vst::VstIntPtr value, void* ptr, float opt) override;

  // Read by the editor adapter and the tests.
  const params::ParamStore& paramStore() const { return store; }
  const dsp::Engine& engine() const { return dsp; }
  const APluginProgram& program(int index) const { return *programs[index]; }
  int32_t currentProgram() const { return curProgram.load(std::memory_order_relaxed); }
  float sampleRate() const { return dsp.sampleRate(); }
  int32_t currentBlockSize() const { return blockSize; }

 private:
  std::array<std::unique_ptr<APluginProgram>, params::kNumPrograms> programs;
  params::ParamStore store;
  dsp::Engine dsp;
};

}  // namespace tarvo::plugin
