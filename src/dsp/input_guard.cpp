#include "dsp/input_guard.h"

#include <algorithm>

#include "dsp/engine.h"

namespace tarvo::dsp {

namespace {

constexpr int32_t kGuardChunk = 256;  // frames per guarded copy (2 KB of stack)

template <bool kAdding>
void runGuarded(Engine& engine, float** inputs, float** outputs, int32_t frames,
                params::ParamStore& store) {
  const bool direct = frames <= 0 || inputs == nullptr || outputs == nullptr ||
                      inputs[0] == nullptr || inputs[1] == nullptr || outputs[0] == nullptr ||
                      outputs[1] == nullptr ||
                      (!needsInputGuard(inputs[0], frames) && !needsInputGuard(inputs[1], frames));
  if (direct) {
    if constexpr (kAdding) {
      engine.process(inputs, outputs, frames, store);
    } else {
      engine.processReplacing(inputs, outputs, frames, store);
    }
    return;
  }
  float left[kGuardChunk];
  float right[kGuardChunk];
  for (int32_t done = 0; done < frames; done += kGuardChunk) {
    const int32_t n = std::min(kGuardChunk, frames - done);
    // Copied before anything is written, so in-place buffers are read first.
    for (int32_t i = 0; i < n; ++i) {
      left[i] = guardInput(inputs[0][done + i]);
      right[i] = guardInput(inputs[1][done + i]);
    }
    float* in[2] = {left, right};
    float* out[2] = {outputs[0] + done, outputs[1] + done};
    if constexpr (kAdding) {
      engine.process(in, out, n, store);
    } else {
      engine.processReplacing(in, out, n, store);
    }
  }
}

}  // namespace

bool needsInputGuard(const float* x, int32_t frames) {
  bool outside = false;
  for (int32_t i = 0; i < frames; ++i) outside |= !(std::fabs(x[i]) <= kInputLimit);
  return outside;
}

void processReplacingGuarded(Engine& engine, float** inputs, float** outputs, int32_t frames,
                             params::ParamStore& store) {
  runGuarded<false>(engine, inputs, outputs, frames, store);
}

void processGuarded(Engine& engine, float** inputs, float** outputs, int32_t frames,
                    params::ParamStore& store) {
  runGuarded<true>(engine, inputs, outputs, frames, store);
}

}  // namespace tarvo::dsp
