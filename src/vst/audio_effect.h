// The VST 2 base effect: embeds the record the host sees, routes the five entries to
// virtual operations and answers "not supported" wherever an effect does not override.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "vst/aeff_editor.h"
#include "vst/aeffect.h"

namespace tarvo::vst {

class AudioEffect {
 public:
  AudioEffect(AudioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);
  virtual ~AudioEffect();

  AudioEffect(const AudioEffect&) = delete;
  AudioEffect& operator=(const AudioEffect&) = delete;

  AEffect* getAeffect() { return &cEffect; }
  AEffEditor* getEditor() const { return editor.get(); }
  // Attaches (and owns) an editor adapter; sets or clears effFlagsHasEditor.
  void setEditor(std::unique_ptr<AEffEditor> newEditor);

  // Host-facing operations, in their fixed slot order.
  virtual void setSampleRate(float /*sampleRate*/) {}
  virtual void setBlockSize(int32_t size) { blockSize = size; }
  virtual void setParameter(int32_t /*index*/, float /*value*/) {}
  virtual float getParameter(int32_t /*index*/) { return 0.0f; }
  virtual void setParameterAutomated(int32_t index, float value);
  virtual void process(float** /*inputs*/, float** /*outputs*/, int32_t /*sampleFrames*/) {}
  virtual void processReplacing(float** /*inputs*/, float** /*outputs*/, int32_t /*sampleFrames*/) {
  }
  virtual VstIntPtr dispatcher(int32_t opcode, int32_t index, VstIntPtr value, void* ptr,
                               float opt);
  virtual void open() {}
  virtual void close() {}
  virtual int32_t getProgram() { return curProgram.load(std::memory_order_relaxed); }
  virtual void setProgram(int32_t program) { curProgram.store(program, std::memory_order_relaxed); }
  virtual void setProgramName(char* /*name*/) {}
  virtual void getProgramName(char* name) {
    if (name != nullptr) *name = '\0';
  }
  virtual void getParameterLabel(int32_t /*index*/, char* label) {
    if (label != nullptr) *label = '\0';
  }
  virtual void getParameterDisplay(int32_t /*index*/, char* text) {
    if (text != nullptr) *text = '\0';
  }
  virtual void getParameterName(int32_t /*index*/, char* text) {
    if (text != nullptr) *text = '\0';
  }
  virtual float getVu() { return 0.0f; }
  virtual int32_t getChunk(void** /*data*/, bool /*isPreset*/) { return 0; }
  virtual int32_t setChunk(void* /*data*/, int32_t /*byteSize*/, bool /*isPreset*/) { return 0; }
  virtual void suspend() {}
  virtual void resume() {}
  virtual void setUniqueID(int32_t id) { cEffect.uniqueID = id; }
  virtual void setNumInputs(int32_t inputs) { cEffect.numInputs = inputs; }
  virtual void setNumOutputs(int32_t outputs) { cEffect.numOutputs = outputs; }
  virtual void hasVu(bool state) { setFlag(effFlagsHasVu, state); }
  virtual void hasClip(bool state) { setFlag(effFlagsHasClip, state); }
  virtual void canMono(bool state) { setFlag(effFlagsCanMono, state); }
  virtual void canProcessReplacing(bool state) { setFlag(effFlagsCanReplacing, state); }
  virtual void programsAreChunks(bool state) { setFlag(effFlagsProgramChunks, state); }
  virtual void setRealtimeQualities(int32_t qualities) { cEffect.realQualities = qualities; }
  virtual void setOfflineQualities(int32_t qualities) { cEffect.offQualities = qualities; }
  virtual void setInitialDelay(int32_t delay) { cEffect.initialDelay = delay; }
  virtual int32_t getMasterVersion();
  virtual int32_t getCurrentUniqueId();
  virtual void masterIdle();
  virtual bool isInputConnected(int32_t /*input*/) { return true; }
  virtual bool isOutputConnected(int32_t /*output*/) { return true; }

  void isSynth(bool state) { setFlag(effFlagsIsSynth, state); }

 protected:
  void setFlag(int32_t flag, bool state) {
    if (state) {
      cEffect.flags |= flag;
    } else {
      cEffect.flags &= ~flag;
    }
  }
  // Calls the host; 0 when there is no callback.
  VstIntPtr callHost(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt);

  AEffect cEffect{};  // the record the host sees
  std::unique_ptr<AEffEditor> editor;
  int32_t numPrograms;
  // Index of the current program; read by the editor's idle on the UI thread and by
  // setParameter on whatever thread the host automates from.
  std::atomic<int32_t> curProgram{0};
  int32_t blockSize = 1024;
  AudioMasterCallback audioMaster;
};

}  // namespace tarvo::vst
