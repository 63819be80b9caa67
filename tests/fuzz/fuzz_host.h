// What the in-process fuzzers share: a minimal host callback, effect creation the way the
// entry point does it, and checks of the record and the audio invariants.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "plugin/meter_query.h"
#include "plugin/plugin.h"

namespace tarvo::fuzz {

// Answers the version request and the two name requests; 0 to everything else (the
// editor's automation reports land here too).
inline vst::VstIntPtr VSTCALL hostCallback(vst::AEffect* /*effect*/, int32_t opcode,
                                           int32_t /*index*/, vst::VstIntPtr /*value*/, void* ptr,
                                           float /*opt*/) {
  switch (opcode) {
    case vst::audioMasterVersion:
      return 2400;
    case vst::audioMasterGetVendorString:
    case vst::audioMasterGetProductString:
      // Hosts write at most 64 bytes here.
      if (ptr != nullptr) std::strcpy(static_cast<char*>(ptr), "Fuzz Host");
      return 1;
    default:
      return 0;
  }
}

// An effect as the entry point creates it; destroyed through effClose.
inline vst::AEffect* createEffect() {
  return (new plugin::APlugin(hostCallback))->getAeffect();
}

// Stops the run with a message: libFuzzer records the input as a crash.
[[noreturn]] inline void fail(const char* what, double detail = 0.0) {
  std::fprintf(stderr, "invariant broken: %s (%g)\n", what, detail);
  std::abort();
}

// The fields a host reads from the record never change after creation.
inline void checkRecord(const vst::AEffect* e) {
  if (e->magic != vst::kEffectMagic) fail("record magic changed");
  if (e->numParams != 25 || e->numPrograms != 25) fail("record counts changed");
  if (e->numInputs != 2 || e->numOutputs != 2) fail("record channel counts changed");
  if (e->object == nullptr) fail("record object cleared");
}

// The six meter fields through the private meter request; every one a finite number.
inline void checkMeters(vst::AEffect* e) {
  float meters[6];
  if (e->dispatcher(e, vst::effVendorSpecific, plugin::kMeterQueryIndex, plugin::kMeterQueryValue,
                    meters, 0.0f) != 1) {
    fail("meter request not answered");
  }
  for (float m : meters) {
    if (!std::isfinite(m)) fail("meter not finite", m);
  }
}

}  // namespace tarvo::fuzz
