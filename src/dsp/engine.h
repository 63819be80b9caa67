// The signal processing of one effect: sample-rate constants and reset, the per-block
// parameter update and the per-sample stereo chain (input stage, detector path, stereo
// link, gain computer, envelope, output stage, meters). The effect owns one Engine and
// forwards the host's sample-rate, suspend/resume and audio calls to it.
#pragma once

#include <atomic>
#include <cstdint>

#include "dsp/filters.h"
#include "dsp/kernel_isa.h"
#include "params/param_store.h"

namespace tarvo::dsp {

inline constexpr int kNumParams = params::kNumParams;
// Gain table points: detector levels j * 0.001 for j = 0..2001 (0 to 2.001).
inline constexpr int kGainTableSize = 2002;

// The meter feed as the editor and the host read it, linear: peak followers of the
// detector levels and of the output samples, and the applied gain factors (1 is no change).
struct MeterReadings {
  float inL, inR, outL, outR, gainL, gainR;
};

// White-box access for the signal-path tests and benchmarks (defined beside them); the
// product itself never uses it.
struct EngineProbe;

class Engine {
 public:
  // Creation state: 44.1 kHz with its constants already computed (so audio that arrives
  // before the host's first resume is processed correctly), a rate change and a snap to
  // the first targets pending, every smoothed value 0, then suspend().
  Engine();

  // Records a new sample rate in Hz and marks the rate constants for the next resume.
  // A rate that is not a finite number in 1 kHz..10 MHz is ignored. The caller marks all
  // parameters changed in its store.
  void setSampleRate(float rate);
  // The rate last accepted, Hz.
  float sampleRate() const { return sampleRate_; }
  // Recomputes the rate constants if the rate changed since the last resume.
  void resume();
  // Resets the envelope coefficients and averages and the meters (no gain change).
  void suspend();
  // Re-seeds the library-wide noise generator from the clock, or with a given seed (for
  // renders that must come out the same every time).
  void reseedNoise();
  void seedNoise(uint32_t seed);

  // Block update: picks up the changed parameters of the store, starts their ramps, and
  // rebuilds the gain table once all ramps have ended. Runs at the start of every block.
  void updateBlock(params::ParamStore& store);
  // Block loops: updateBlock, then the chain on each sample pair. process adds into the
  // output buffers, processReplacing overwrites them (in place is allowed). Null buffers
  // or sampleFrames <= 0: only updateBlock runs.
  void process(float** inputs, float** outputs, int32_t sampleFrames, params::ParamStore& store);
  void processReplacing(float** inputs, float** outputs, int32_t sampleFrames,
                        params::ParamStore& store);

  // Safe from any thread. The meters are written every 64 samples and at the end of each
  // block; each value is read whole, the six together need not come from one moment.
  MeterReadings meters() const;
  // Selector positions as last computed by the block update (for the display texts).
  int32_t releaseType() const { return releaseType_.load(std::memory_order_relaxed); }
  int32_t stereoLinkMode() const { return stereoLinkMode_.load(std::memory_order_relaxed); }

  // The smallest and largest values of the gain meters since they were last taken
  // (linear), as the meter feed wrote them: for tools that report the largest gain change
  // of a whole render, whatever the block size. Taking them starts over from 1.0.
  struct GainExtremes {
    float lowL, lowR, highL, highR;
  };
  GainExtremes takeGainExtremes();

 private:
  friend struct EngineProbe;

  // Envelope state of one channel (gains in linear amplitude, <= 1 while working).
  struct ChannelEnvelope {
    float releaseStage[6];
    float attackStage;
    float releaseCoef;      // main release pole, after the program-dependent timing
    float fastReleaseCoef;  // release-type pole, after the program-dependent timing
    float attackCoef;       // attack fraction, after the program-dependent timing
    float gainAvg;          // slow gain average (reference of that timing)
    float gainSmooth;       // adaptive smoother state
    float adaptAlpha;       // adaptive smoother fraction
  };

  // Sample-rate constants.
  float sampleRate_ = 44100.0f;  // Hz
  bool sampleRateChanged_ = true;
  uint32_t rampLength_ = 0;  // parameter ramp, samples (0.1 s)
  float coef3ms_ = 0;        // pole per sample, 3 ms
  float alpha2ms_ = 0;       // step fraction per sample, 2 ms
  float alpha200ms_ = 0;     // step fraction per sample, 200 ms (true exponential)
  Biquad inputHighPass_;     // 20 Hz

  // Parameters: physical targets (poles and fractions for the time parameters), smoothed
  // values used per sample, and their linear ramps.
  float targetValue_[kNumParams] = {};
  float currentValue_[kNumParams] = {};
  float rampStep_[kNumParams] = {};
  uint32_t rampCount_[kNumParams] = {};
  uint32_t rampRemaining_ = 0;  // samples until every ramp has ended
  bool snapPending_ = true;
  bool tableDirty_ = false;

  // Static curve: table of G at levels j * 0.001, its knee start, and the make-up gain.
  float gainTable_[kGainTableSize] = {};
  float kneeStart_ = 0;
  float makeupGain_ = 0;
  float releaseTypeCoef_ = 0;  // pole per sample of the release-type stages
  std::atomic<int32_t> releaseType_{0}, stereoLinkMode_{0};

  // Detector EQ bands and detector high-pass.
  Biquad eqLow_, eqMid_, eqHigh_;
  FirstOrder detectorHighPass_;

  // Filter delay values. inHpState_: first delay L, R, second delay L, R. eqState_: left
  // low (first, second), mid, high, then the same six for the right. detHpState_: L, R.
  float inHpState_[4] = {};
  float eqState_[12] = {};
  float detHpState_[2] = {};

  ChannelEnvelope envelope_[2] = {};  // left, right

  // Meter feed (see meters()) and the gain meters' extremes.
  std::atomic<float> inMeter_[2] = {0.0f, 0.0f}, outMeter_[2] = {0.0f, 0.0f},
                     grMeter_[2] = {1.0f, 1.0f};
  std::atomic<float> grLow_[2] = {1.0f, 1.0f}, grHigh_[2] = {1.0f, 1.0f};

  void computeRateConstants();
  // Meters empty, gain meters at no change (as a suspend leaves them).
  void resetMeters();
  // Once per block, after the audio: any state of the chain that is no longer a finite
  // number is set back to where a fresh start puts it, so one fault cannot silence the
  // output for good.
  void recoverNonFinite();
  void updateAutoGain();
  void rebuildGainTable();
  // Kernels of the block loop: while ramps run, with fixed values, and with fixed values
  // and none of the input filter, detector filters, expansion or direct curve; the last
  // also for a block that starts with the adaptive smoother at rest (kModeSettled).
  static constexpr int kModeRamp = 0, kModeSteady = 1, kModePlain = 2, kModeSettled = 3;
  void runBlock(const float* inL, const float* inR, float* outL, float* outR, int32_t frames);
  void runBlockAdding(const float* inL, const float* inR, float* outL, float* outR, int32_t frames);
  template <int kType>
  void runTyped(const float* inL, const float* inR, float* outL, float* outR, int32_t frames);
  template <int kType, KernelIsa kIsa>
  void runTypedOn(const float* inL, const float* inR, float* outL, float* outR, int32_t frames);
  // The kernel's body (kernel.h) and its builds, one per instruction set (kernel_isa.h).
  template <int kType, int kLink, int kMode>
  void kernel(const float* inL, const float* inR, float* outL, float* outR, int32_t frames);
  template <int kType, int kLink, int kMode>
  void runKernel(const float* inL, const float* inR, float* outL, float* outR, int32_t frames);
  template <int kType, int kLink, int kMode, KernelIsa kIsa>
  void runKernelOn(const float* inL, const float* inR, float* outL, float* outR, int32_t frames);
#if TARVO_KERNEL_ISAS
  template <int kType, int kLink, int kMode>
  TARVO_TARGET_AVX512 void runKernelAvx512(const float* inL, const float* inR, float* outL,
                                           float* outR, int32_t frames);
#endif

  // The kernels' instruction set, the widest the processor runs.
  KernelIsa kernelIsa_ = bestKernelIsa();
};

}  // namespace tarvo::dsp
