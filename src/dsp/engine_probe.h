// White-box access to an Engine's private state, for the signal-path tests (which poison
// and inspect it) and the benchmarks (which force a gain-table rebuild). The product never
// includes this header.
#pragma once

#include <array>

#include "dsp/engine.h"

namespace tarvo::dsp {

struct EngineProbe {
  using ChannelEnvelope = Engine::ChannelEnvelope;

  struct RateConstants {
    uint32_t rampLength;
    float coef3ms, alpha2ms, alpha200ms, inputHighPassB0;
    bool changePending;
  };
  static RateConstants rateConstants(const Engine& e) {
    return {e.rampLength_, e.coef3ms_,          e.alpha2ms_,
            e.alpha200ms_, e.inputHighPass_.b0, e.sampleRateChanged_};
  }
  static const float* targetValues(const Engine& e) { return e.targetValue_; }
  static const float* smoothedValues(const Engine& e) { return e.currentValue_; }
  static uint32_t rampRemaining(const Engine& e) { return e.rampRemaining_; }
  static float makeupGain(const Engine& e) { return e.makeupGain_; }
  static float releaseTypePole(const Engine& e) { return e.releaseTypeCoef_; }
  static ChannelEnvelope& envelope(Engine& e, int channel) { return e.envelope_[channel]; }
  // Every value of one channel's envelope record, stages first.
  static std::array<float, 13> envelopeValues(const Engine& e, int channel) {
    const ChannelEnvelope& v = e.envelope_[channel];
    return {v.releaseStage[0], v.releaseStage[1], v.releaseStage[2], v.releaseStage[3],
            v.releaseStage[4], v.releaseStage[5], v.attackStage,     v.releaseCoef,
            v.fastReleaseCoef, v.attackCoef,      v.gainAvg,         v.gainSmooth,
            v.adaptAlpha};
  }
  static float* inputHighPassState(Engine& e) { return e.inHpState_; }
  static float* detectorEqState(Engine& e) { return e.eqState_; }
  static float* detectorHighPassState(Engine& e) { return e.detHpState_; }
  static std::atomic<float>* inputMeters(Engine& e) { return e.inMeter_; }
  static std::atomic<float>* gainMeters(Engine& e) { return e.grMeter_; }
  // Runs the kernels built for `isa` from now on, if the processor supports it.
  static bool useKernels(Engine& e, KernelIsa isa) {
    if (!kernelIsaSupported(isa)) return false;
    e.kernelIsa_ = isa;
    return true;
  }
  // Marks the gain table stale with no ramp running, so the next block update rebuilds it.
  static void staleGainTable(Engine& e) {
    e.tableDirty_ = true;
    e.rampRemaining_ = 0;
  }
};

}  // namespace tarvo::dsp
