// The limit on the host's input samples where they enter the sample chain: a host may hand
// over samples so large that the gains, filters and curves of the chain overflow to
// infinity (and the meters' followers then stay at NaN for good), or samples that are not
// numbers at all. Ordinary audio passes unchanged.
#pragma once

#include <cmath>
#include <cstdint>

namespace tarvo::dsp {

// Largest input magnitude the chain takes, linear amplitude (+120 dB above full scale).
// With every gain at its maximum (input +20 dB, balance x2, detector EQ 3 x +20 dB, 1:2
// expansion, output +40 dB) a sample at this level leaves the output and the meters many
// decades below the largest float.
inline constexpr float kInputLimit = 1.0e6f;

// A host sample as the chain takes it: unchanged within +-kInputLimit, limited to
// +-kInputLimit beyond, and silence when it is not a number or infinite.
inline float guardInput(float x) {
  if (std::fabs(x) <= kInputLimit) return x;  // false for NaN
  return std::isfinite(x) ? std::copysign(kInputLimit, x) : 0.0f;
}

}  // namespace tarvo::dsp
