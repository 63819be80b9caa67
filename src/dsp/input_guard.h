// The guard on the host's input samples in front of the engine's block loops: a host may
// hand over samples so large that the gains, filters and curves of the chain overflow to
// infinity (and the meters' followers then stay at NaN for good). The guard limits them
// to a finite range first. It lives apart from the sample chain: blocks of ordinary audio
// go to the engine untouched.
#pragma once

#include <cmath>
#include <cstdint>

#include "params/param_store.h"

namespace tarvo::dsp {

class Engine;

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

// True when one of the `frames` samples at `x` lies beyond +-kInputLimit or is not finite.
bool needsInputGuard(const float* x, int32_t frames);

// Engine::processReplacing and Engine::process with every input sample through
// guardInput. A block whose samples all lie within the limit (and any call with null
// buffers or no frames) goes to the engine as it is, so its result is bit for bit the
// engine's; other blocks run in chunks of 256 frames from guarded copies (each chunk is a
// block to the engine: a parameter write from another thread may land at a chunk start).
void processReplacingGuarded(Engine& engine, float** inputs, float** outputs, int32_t frames,
                             params::ParamStore& store);
void processGuarded(Engine& engine, float** inputs, float** outputs, int32_t frames,
                    params::ParamStore& store);

}  // namespace tarvo::dsp
