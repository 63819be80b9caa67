// The VST 2.x extension of the base effect: the extended dispatcher (opcodes 25..76) and
// the 2.x operations with their "not supported" defaults.
#pragma once

#include "vst/audio_effect.h"

namespace tarvo::vst {

class AudioEffectX : public AudioEffect {
 public:
  using AudioEffect::AudioEffect;

  VstIntPtr dispatcher(int32_t opcode, int32_t index, VstIntPtr value, void* ptr,
                       float opt) override;

  virtual bool processEvents(void* /*events*/) { return false; }
  virtual bool canParameterBeAutomated(int32_t /*index*/) { return true; }
  virtual bool string2parameter(int32_t /*index*/, char* /*text*/) { return false; }
  virtual int32_t getNumCategories() { return 1; }
  virtual bool getProgramNameIndexed(int32_t /*category*/, int32_t /*index*/, char* /*text*/) {
    return false;
  }
  virtual bool copyProgram(int32_t /*destination*/) { return false; }
  virtual void inputConnected(int32_t /*index*/, bool /*state*/) {}
  virtual void outputConnected(int32_t /*index*/, bool /*state*/) {}
  virtual bool getInputProperties(int32_t /*index*/, VstPinProperties* /*properties*/) {
    return false;
  }
  virtual bool getOutputProperties(int32_t /*index*/, VstPinProperties* /*properties*/) {
    return false;
  }
  // 2 (synth) only for an effect flagged as synth; 0 = unknown category.
  virtual int32_t getPlugCategory() { return (cEffect.flags & effFlagsIsSynth) != 0 ? 2 : 0; }
  virtual int32_t reportCurrentPosition() { return 0; }
  virtual float* reportDestinationBuffer() { return nullptr; }
  virtual bool setSpeakerArrangement(void* /*in*/, void* /*out*/) { return false; }
  virtual void setBlockSizeAndSampleRate(int32_t size, float /*rate*/) { blockSize = size; }
  virtual bool setBypass(bool /*onOff*/) { return false; }
  virtual bool getEffectName(char* /*name*/) { return false; }
  virtual bool getErrorText(char* /*text*/) { return false; }
  virtual bool getVendorString(char* /*text*/) { return false; }
  virtual bool getProductString(char* /*text*/) { return false; }
  virtual int32_t getVendorVersion() { return 0; }
  virtual VstIntPtr vendorSpecific(int32_t, VstIntPtr, void*, float) { return 0; }
  virtual int32_t canDo(char* /*text*/) { return 0; }
  virtual int32_t getGetTailSize() { return 0; }
  virtual int32_t fxIdle() { return 0; }
  virtual void* getIcon() { return nullptr; }
  virtual bool setViewPosition(int32_t /*x*/, int32_t /*y*/) { return false; }
  virtual bool getParameterProperties(int32_t /*index*/, void* /*properties*/) { return false; }
  virtual bool keysRequired() { return false; }
  virtual int32_t getVstVersion() { return 2300; }
  virtual int32_t getMidiProgramName(int32_t, void*) { return 0; }
  virtual int32_t getCurrentMidiProgram(int32_t, void*) { return -1; }
  virtual int32_t getMidiProgramCategory(int32_t, void*) { return 0; }
  virtual bool hasMidiProgramsChanged(int32_t) { return false; }
  virtual bool getMidiKeyName(int32_t, void*) { return false; }
  virtual bool beginSetProgram() { return false; }
  virtual bool endSetProgram() { return false; }
  virtual bool getSpeakerArrangement(void**, void**) { return false; }
  virtual int32_t getNextShellPlugin(char*) { return 0; }
  virtual int32_t startProcess() { return 0; }
  virtual int32_t stopProcess() { return 0; }
  virtual VstIntPtr setTotalSampleToProcess(VstIntPtr value) { return value; }
  virtual bool setPanLaw(int32_t, float) { return false; }
  virtual int32_t beginLoadBank(void*) { return 0; }
  virtual int32_t beginLoadProgram(void*) { return 0; }
};

}  // namespace tarvo::vst
