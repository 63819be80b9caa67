// A private vendor-specific request of Velmora's own tools: with index kMeterQueryIndex and
// value kMeterQueryValue, the plug-in writes its six meter fields (input L/R, output L/R,
// gain L/R, linear) into the 6 floats at ptr and answers 1.
#pragma once

#include "vst/aeffect.h"

namespace tarvo::plugin {

inline constexpr int32_t kMeterQueryIndex = vst::fourCC("vmTr");
inline constexpr int32_t kMeterQueryValue = vst::fourCC("metr");

}  // namespace tarvo::plugin
