#include "vst/audio_effect.h"

#include <cmath>

namespace tarvo::vst {

namespace {

// The five record entries: each finds its object through the record's `object` field.

VstIntPtr VSTCALL dispatchEntry(AEffect* e, int32_t opcode, int32_t index, VstIntPtr value,
                                void* ptr, float opt) {
  if (e == nullptr || e->object == nullptr) return 0;
  auto* effect = static_cast<AudioEffect*>(e->object);
  if (opcode == effClose) {
    effect->dispatcher(opcode, index, value, ptr, opt);
    delete effect;
    return 1;
  }
  return effect->dispatcher(opcode, index, value, ptr, opt);
}

void VSTCALL processEntry(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames) {
  static_cast<AudioEffect*>(e->object)->process(inputs, outputs, sampleFrames);
}

void VSTCALL processReplacingEntry(AEffect* e, float** inputs, float** outputs,
                                   int32_t sampleFrames) {
  static_cast<AudioEffect*>(e->object)->processReplacing(inputs, outputs, sampleFrames);
}

void VSTCALL setParameterEntry(AEffect* e, int32_t index, float value) {
  static_cast<AudioEffect*>(e->object)->setParameter(index, value);
}

float VSTCALL getParameterEntry(AEffect* e, int32_t index) {
  return static_cast<AudioEffect*>(e->object)->getParameter(index);
}

}  // namespace

AudioEffect::AudioEffect(AudioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams)
    : numPrograms(numPrograms), audioMaster(audioMaster) {
  cEffect.magic = kEffectMagic;
  cEffect.dispatcher = dispatchEntry;
  cEffect.process = processEntry;
  cEffect.setParameter = setParameterEntry;
  cEffect.getParameter = getParameterEntry;
  cEffect.numPrograms = numPrograms;
  cEffect.numParams = numParams;
  cEffect.numInputs = 1;
  cEffect.numOutputs = 2;
  cEffect.flags = 0;
  cEffect.ioRatio = 1.0f;
  cEffect.object = this;
  cEffect.user = nullptr;
  cEffect.uniqueID = fourCC("NoEf");
  cEffect.version = 1;
  cEffect.processReplacing = processReplacingEntry;
}

AudioEffect::~AudioEffect() = default;

void AudioEffect::setEditor(std::unique_ptr<AEffEditor> newEditor) {
  editor = std::move(newEditor);
  setFlag(effFlagsHasEditor, editor != nullptr);
}

VstIntPtr AudioEffect::callHost(int32_t opcode, int32_t index, VstIntPtr value, void* ptr,
                                float opt) {
  if (audioMaster == nullptr) return 0;
  return audioMaster(&cEffect, opcode, index, value, ptr, opt);
}

void AudioEffect::setParameterAutomated(int32_t index, float value) {
  setParameter(index, value);
  callHost(audioMasterAutomate, index, 0, nullptr, value);
}

int32_t AudioEffect::getMasterVersion() {
  const VstIntPtr version = callHost(audioMasterVersion, 0, 0, nullptr, 0.0f);
  return version == 0 ? 1 : static_cast<int32_t>(version);
}

int32_t AudioEffect::getCurrentUniqueId() {
  return static_cast<int32_t>(callHost(audioMasterCurrentId, 0, 0, nullptr, 0.0f));
}

void AudioEffect::masterIdle() {
  callHost(audioMasterIdle, 0, 0, nullptr, 0.0f);
}

// Opcodes 0..24. A pointer argument that a text or record opcode needs may be null: the
// opcode then writes nothing and answers 0.
VstIntPtr AudioEffect::dispatcher(int32_t opcode, int32_t index, VstIntPtr value, void* ptr,
                                  float opt) {
  auto* text = static_cast<char*>(ptr);
  switch (opcode) {
    case effOpen:
      open();
      return 0;
    case effClose:
      close();
      return 0;
    case effSetProgram:
      // A value below the 32-bit range counts as negative; cut to 32 bits it could land on
      // a real program number.
      if (value < numPrograms) {
        setProgram(static_cast<int64_t>(value) < INT32_MIN ? -1 : static_cast<int32_t>(value));
      }
      return 0;
    case effGetProgram:
      return getProgram();
    case effSetProgramName:
      if (text != nullptr) setProgramName(text);
      return 0;
    case effGetProgramName:
      if (text != nullptr) getProgramName(text);
      return 0;
    case effGetParamLabel:
      if (text != nullptr) getParameterLabel(index, text);
      return 0;
    case effGetParamDisplay:
      if (text != nullptr) getParameterDisplay(index, text);
      return 0;
    case effGetParamName:
      if (text != nullptr) getParameterName(index, text);
      return 0;
    case effGetVu:
      return static_cast<VstIntPtr>(std::nearbyint(getVu() * 32767.0));
    case effSetSampleRate:
      setSampleRate(opt);
      return 0;
    case effSetBlockSize:
      setBlockSize(static_cast<int32_t>(value));
      return 0;
    case effMainsChanged:
      if (value == 0) {
        suspend();
      } else {
        resume();
      }
      return 0;
    case effEditGetRect:
      if (editor == nullptr || ptr == nullptr) return 0;
      return editor->getRect(static_cast<ERect**>(ptr));
    case effEditOpen:
      if (editor == nullptr || ptr == nullptr) return 0;
      return editor->open(ptr);
    case effEditClose:
      if (editor != nullptr) editor->close();
      return 0;
    case effEditIdle:
      if (editor != nullptr) editor->idle();
      return 0;
    case effIdentify:
      return fourCC("NvEf");
    default:
      return 0;
  }
}

}  // namespace tarvo::vst
