// The block loops: the kernel for each block (by release type, link mode, whether ramps
// run or any filter, expansion or the direct curve is on, and whether the smoother is at
// rest), the adding loop, and the host's audio calls.
#include <type_traits>

#include "dsp/fp_control.h"
#include "dsp/kernel.h"

namespace tarvo::dsp {

using namespace tarvo::params;

// The builds of each kernel: the baseline, and on x86-64 AVX-512 (kernel_isa.h).
template <int kType, int kLink, int kMode>
void Engine::runKernel(const float* inL, const float* inR, float* outL, float* outR,
                       int32_t frames) {
  kernel<kType, kLink, kMode>(inL, inR, outL, outR, frames);
}
#if TARVO_KERNEL_ISAS
template <int kType, int kLink, int kMode>
TARVO_TARGET_AVX512 void Engine::runKernelAvx512(const float* inL, const float* inR, float* outL,
                                                 float* outR, int32_t frames) {
  kernel<kType, kLink, kMode>(inL, inR, outL, outR, frames);
}
#endif

template <int kType, int kLink, int kMode, KernelIsa kIsa>
TARVO_INLINE void Engine::runKernelOn(const float* inL, const float* inR, float* outL, float* outR,
                                      int32_t frames) {
#if TARVO_KERNEL_ISAS
  if constexpr (kIsa == KernelIsa::kAvx512) {
    return runKernelAvx512<kType, kLink, kMode>(inL, inR, outL, outR, frames);
  }
#endif
  runKernel<kType, kLink, kMode>(inL, inR, outL, outR, frames);
}

template <int kType, KernelIsa kIsa>
void Engine::runTypedOn(const float* inL, const float* inR, float* outL, float* outR,
                        int32_t frames) {
  const int mode = stereoLinkMode();
  const int link = mode == 2 ? kLinkOff : mode == 0 ? kLinkHighest : kLinkMix;

  // Ramps first: while they run the smoothed values advance each sample.
  int32_t done = 0;
  if (rampRemaining_ != 0) {
    done = rampRemaining_ < static_cast<uint32_t>(frames) ? static_cast<int32_t>(rampRemaining_)
                                                          : frames;
    if (link == kLinkOff) {
      runKernelOn<kType, kLinkOff, kModeRamp, kIsa>(inL, inR, outL, outR, done);
    } else {
      runKernelOn<kType, kLinkEither, kModeRamp, kIsa>(inL, inR, outL, outR, done);
    }
    if (done == frames) return;
    inL += done, inR += done, outL += done, outR += done;
  }
  const int32_t rest = frames - done;

  // Fixed values: the plain kernel when no filter, no expansion and a fresh table.
  const bool plain = !tableDirty_ && !(currentValue_[kInputFilter] > 0.5f) &&
                     !(currentValue_[kDetEq] > 0.5f) && !(currentValue_[kDetFilter] > 0.5f) &&
                     !(currentValue_[kRatio] > 1.0f);
  // The smoother at rest: its last fraction was exactly alpha2ms (its gain had settled,
  // as it does below the threshold and in silence), in each channel that runs.
  const bool settled = envelope_[0].adaptAlpha == alpha2ms_ &&
                       (link != kLinkOff || envelope_[1].adaptAlpha == alpha2ms_);
  const auto runPlain = [&](auto mode) {
    constexpr int kMode = decltype(mode)::value;
    if (link == kLinkOff) {
      runKernelOn<kType, kLinkOff, kMode, kIsa>(inL, inR, outL, outR, rest);
    } else if (link == kLinkHighest) {
      runKernelOn<kType, kLinkHighest, kMode, kIsa>(inL, inR, outL, outR, rest);
    } else {
      runKernelOn<kType, kLinkMix, kMode, kIsa>(inL, inR, outL, outR, rest);
    }
  };
  if (plain && settled) {
    runPlain(std::integral_constant<int, kModeSettled>{});
  } else if (plain) {
    runPlain(std::integral_constant<int, kModePlain>{});
  } else {
    if (link == kLinkOff) {
      runKernelOn<kType, kLinkOff, kModeSteady, kIsa>(inL, inR, outL, outR, rest);
    } else {
      runKernelOn<kType, kLinkEither, kModeSteady, kIsa>(inL, inR, outL, outR, rest);
    }
  }
}

template <int kType>
void Engine::runTyped(const float* inL, const float* inR, float* outL, float* outR,
                      int32_t frames) {
#if TARVO_KERNEL_ISAS
  if (kernelIsa_ == KernelIsa::kAvx512) {
    return runTypedOn<kType, KernelIsa::kAvx512>(inL, inR, outL, outR, frames);
  }
#endif
  runTypedOn<kType, KernelIsa::kBaseline>(inL, inR, outL, outR, frames);
}

void Engine::runBlock(const float* inL, const float* inR, float* outL, float* outR,
                      int32_t frames) {
  // The release type is the rounded target of "Release Type", fixed within a block.
  switch (nearestEven(targetValue_[kReleaseType])) {
    case 0:
      return runTyped<0>(inL, inR, outL, outR, frames);
    case 1:
      return runTyped<1>(inL, inR, outL, outR, frames);
    case 2:
      return runTyped<2>(inL, inR, outL, outR, frames);
    case 3:
      return runTyped<3>(inL, inR, outL, outR, frames);
    case 4:
      return runTyped<4>(inL, inR, outL, outR, frames);
    default:  // no such type: the cascade passes the gain unchanged
      return runTyped<-1>(inL, inR, outL, outR, frames);
  }
}

// The adding loop: the replacing chain into a scratch chunk, then the sums. Each chunk's
// inputs are read before any of its outputs is written, as in place replacing allows.
void Engine::runBlockAdding(const float* inL, const float* inR, float* outL, float* outR,
                            int32_t frames) {
  constexpr int32_t kScratch = 256;
  float l[kScratch], r[kScratch];
  for (int32_t pos = 0; pos < frames; pos += kScratch) {
    const int32_t n = frames - pos < kScratch ? frames - pos : kScratch;
    runBlock(inL + pos, inR + pos, l, r, n);
    for (int32_t i = 0; i < n; ++i) {
      outL[pos + i] += l[i];
      outR[pos + i] += r[i];
    }
  }
}

void Engine::process(float** inputs, float** outputs, int32_t sampleFrames, ParamStore& store) {
  const FpEnvironmentGuard environment;
  updateBlock(store);
  if (sampleFrames <= 0 || inputs == nullptr || outputs == nullptr) return;
  if (!inputs[0] || !inputs[1] || !outputs[0] || !outputs[1]) return;
  runBlockAdding(inputs[0], inputs[1], outputs[0], outputs[1], sampleFrames);
  recoverNonFinite();
}

void Engine::processReplacing(float** inputs, float** outputs, int32_t sampleFrames,
                              ParamStore& store) {
  const FpEnvironmentGuard environment;
  updateBlock(store);
  if (sampleFrames <= 0 || inputs == nullptr || outputs == nullptr) return;
  if (!inputs[0] || !inputs[1] || !outputs[0] || !outputs[1]) return;
  runBlock(inputs[0], inputs[1], outputs[0], outputs[1], sampleFrames);
  recoverNonFinite();
}

}  // namespace tarvo::dsp
