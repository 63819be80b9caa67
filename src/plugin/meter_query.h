// A private vendor-specific request of Velmora's own tools: with index kMeterQueryIndex and
// value kMeterQueryValue, the plug-in writes its six meter fields (input L/R, output L/R,
// gain L/R, linear) into the 6 floats at ptr and answers 1. With value
// kGainExtremesQueryValue it writes the smallest and the largest gain meter values since
// the previous such request (lowest L/R, highest L/R, linear) into 4 floats and starts
// them over, so that a renderer sees the largest gain change whatever its block size. With
// value kNoiseSeedValue it seeds the dither noise generator with the 32-bit unsigned
// integer at ptr, so that two renders with the same seed are identical to the bit.
#pragma once

#include "vst/aeffect.h"

namespace tarvo::plugin {

inline constexpr int32_t kMeterQueryIndex = vst::fourCC("vmTr");
inline constexpr int32_t kMeterQueryValue = vst::fourCC("metr");
inline constexpr int32_t kGainExtremesQueryValue = vst::fourCC("gext");
inline constexpr int32_t kNoiseSeedValue = vst::fourCC("seed");

}  // namespace tarvo::plugin
