#include "plugin/recording_host.h"

#include <cstring>

namespace tarvo::testing {

namespace {
RecordingHost* gActive = nullptr;
}

RecordingHost::RecordingHost() {
  gActive = this;
}
RecordingHost::~RecordingHost() {
  if (gActive == this) gActive = nullptr;
}

vst::VstIntPtr VSTCALL RecordingHost::callback(vst::AEffect* effect, int32_t opcode, int32_t index,
                                               vst::VstIntPtr value, void* ptr, float opt) {
  if (gActive == nullptr) return 0;
  gActive->calls.push_back({effect, opcode, index, value, ptr != nullptr, opt});
  if (opcode == vst::audioMasterVersion) return gActive->versionAnswer;
  if ((opcode == vst::audioMasterGetVendorString || opcode == vst::audioMasterGetProductString) &&
      ptr != nullptr) {
    std::strcpy(static_cast<char*>(ptr), "Recording Host");  // fits the 64-byte buffer
    return 1;
  }
  return 0;
}

int RecordingHost::count(int32_t opcode) const {
  int n = 0;
  for (const HostCall& call : calls) n += call.opcode == opcode ? 1 : 0;
  return n;
}

}  // namespace tarvo::testing
