// A host callback that records every call the effect makes, for in-process tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "plugin/plugin.h"

namespace tarvo::testing {

struct HostCall {
  vst::AEffect* effect;
  int32_t opcode;
  int32_t index;
  vst::VstIntPtr value;
  bool hadPointer;
  float opt;
};

// One recording is active at a time (the callback is a plain function pointer).
class RecordingHost {
 public:
  RecordingHost();
  ~RecordingHost();
  static vst::VstIntPtr VSTCALL callback(vst::AEffect* effect, int32_t opcode, int32_t index,
                                         vst::VstIntPtr value, void* ptr, float opt);
  std::vector<HostCall> calls;
  vst::VstIntPtr versionAnswer = 2400;
  int count(int32_t opcode) const;
};

// An effect created the way the entry point does it, destroyed through effClose.
struct EffectFixture {
  RecordingHost host;
  plugin::APlugin* effect = new plugin::APlugin(&RecordingHost::callback);
  vst::AEffect* record = effect->getAeffect();
  ~EffectFixture() {
    if (record) record->dispatcher(record, vst::effClose, 0, 0, nullptr, 0.0f);
  }
  vst::VstIntPtr dispatch(int32_t opcode, int32_t index = 0, vst::VstIntPtr value = 0,
                          void* ptr = nullptr, float opt = 0.0f) {
    return record->dispatcher(record, opcode, index, value, ptr, opt);
  }
  std::string text(int32_t opcode, int32_t index = 0) {
    char buffer[128] = {};
    dispatch(opcode, index, 0, buffer);
    return buffer;
  }
};

}  // namespace tarvo::testing
