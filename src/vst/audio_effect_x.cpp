#include "vst/audio_effect_x.h"

#include <cmath>

namespace tarvo::vst {

// Opcodes 25..76; everything else goes to the base layer. A null pointer where a text or
// record is expected writes nothing and answers 0.
VstIntPtr AudioEffectX::dispatcher(int32_t opcode, int32_t index, VstIntPtr value, void* ptr,
                                   float opt) {
  auto* text = static_cast<char*>(ptr);
  switch (opcode) {
    case effProcessEvents:
      return processEvents(ptr) ? 1 : 0;
    case effCanBeAutomated:
      return canParameterBeAutomated(index) ? 1 : 0;
    case effString2Parameter:
      return string2parameter(index, text) ? 1 : 0;
    case effGetNumProgramCategories:
      return getNumCategories();
    case effGetProgramNameIndexed:
      if (text == nullptr) return 0;
      return getProgramNameIndexed(static_cast<int32_t>(value), index, text) ? 1 : 0;
    case effCopyProgram:
      return copyProgram(index) ? 1 : 0;
    case effConnectInput:
      inputConnected(index, value != 0);
      return 1;
    case effConnectOutput:
      outputConnected(index, value != 0);
      return 1;
    case effGetInputProperties:
      if (ptr == nullptr) return 0;
      return getInputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetOutputProperties:
      if (ptr == nullptr) return 0;
      return getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetPlugCategory:
      return getPlugCategory();
    case effGetCurrentPosition:
      return reportCurrentPosition();
    case effGetDestinationBuffer:
      return reinterpret_cast<VstIntPtr>(reportDestinationBuffer());
    case effOfflineNotify:
    case effOfflinePrepare:
    case effOfflineRun:
    case effProcessVarIo:
      return 0;
    case effSetSpeakerArrangement:
      // The host passes the input arrangement's address in the integer argument.
      // NOLINTNEXTLINE(performance-no-int-to-ptr)
      return setSpeakerArrangement(reinterpret_cast<void*>(value), ptr) ? 1 : 0;
    case effSetBlockSizeAndSampleRate:
      setBlockSizeAndSampleRate(static_cast<int32_t>(value), opt);
      return 1;
    case effSetBypass:
      return setBypass(value != 0) ? 1 : 0;
    case effGetEffectName:
      if (text == nullptr) return 0;
      return getEffectName(text) ? 1 : 0;
    case effGetErrorText:
      if (text == nullptr) return 0;
      return getErrorText(text) ? 1 : 0;
    case effGetVendorString:
      if (text == nullptr) return 0;
      return getVendorString(text) ? 1 : 0;
    case effGetProductString:
      if (text == nullptr) return 0;
      return getProductString(text) ? 1 : 0;
    case effGetVendorVersion:
      return getVendorVersion();
    case effVendorSpecific:
      return vendorSpecific(index, value, ptr, opt);
    case effCanDo:
      if (text == nullptr) return 0;
      return canDo(text);
    case effGetTailSize:
      return getGetTailSize();
    case effIdle:
      return fxIdle();
    case effGetIcon:
      return reinterpret_cast<VstIntPtr>(getIcon());
    case effSetViewPosition:
      return setViewPosition(index, static_cast<int32_t>(value)) ? 1 : 0;
    case effGetParameterProperties:
      if (ptr == nullptr) return 0;
      return getParameterProperties(index, ptr) ? 1 : 0;
    case effKeysRequired:
      return keysRequired() ? 0 : 1;
    case effGetVstVersion:
      return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp: {
      if (editor == nullptr) return 0;
      VstKeyCode key{};
      key.character = index;
      key.virt = static_cast<uint8_t>(value & 0xFF);
      const double rounded = std::isfinite(opt) ? std::nearbyint(double(opt)) : 0.0;
      key.modifier = std::fabs(rounded) < 9.0e18
                         ? static_cast<uint8_t>(static_cast<int64_t>(rounded) & 0xFF)
                         : 0;
      return opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
    }
    case effSetEditKnobMode:
      if (editor != nullptr) editor->setKnobMode(value);
      return 0;
    case effGetMidiProgramName:
      return getMidiProgramName(index, ptr);
    case effGetCurrentMidiProgram:
      return getCurrentMidiProgram(index, ptr);
    case effGetMidiProgramCategory:
      return getMidiProgramCategory(index, ptr);
    case effHasMidiProgramsChanged:
      return hasMidiProgramsChanged(index) ? 1 : 0;
    case effGetMidiKeyName:
      return getMidiKeyName(index, ptr) ? 1 : 0;
    case effBeginSetProgram:
      return beginSetProgram() ? 1 : 0;
    case effEndSetProgram:
      return endSetProgram() ? 1 : 0;
    case effGetSpeakerArrangement:
      // As above: the integer argument is the address of the host's input pointer.
      // NOLINTNEXTLINE(performance-no-int-to-ptr)
      return getSpeakerArrangement(reinterpret_cast<void**>(value), static_cast<void**>(ptr)) ? 1
                                                                                              : 0;
    case effShellGetNextPlugin:
      if (text == nullptr) return 0;
      return getNextShellPlugin(text);
    case effStartProcess:
      return startProcess();
    case effStopProcess:
      return stopProcess();
    case effSetTotalSampleToProcess:
      return setTotalSampleToProcess(value);
    case effSetPanLaw:
      return setPanLaw(static_cast<int32_t>(value), opt) ? 1 : 0;
    case effBeginLoadBank:
      return beginLoadBank(ptr);
    case effBeginLoadProgram:
      return beginLoadProgram(ptr);
    default:
      return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
  }
}

}  // namespace tarvo::vst
