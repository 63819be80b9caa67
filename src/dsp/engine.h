// The signal processing of one effect: sample-rate constants and reset, the per-block
// parameter update and the per-sample stereo chain (input stage, detector path, stereo
// link, gain computer, envelope, output stage, meters). The effect owns one Engine and
// forwards the host's sample-rate, suspend/resume and audio calls to it.
#pragma once

#include <atomic>
#include <cstdint>

#include "params/param_store.h"

namespace tarvo::dsp {

inline constexpr int kNumParams = params::kNumParams;
// Gain table points: detector levels j * 0.001 for j = 0..2001 (0 to 2.001).
inline constexpr int kGainTableSize = 2002;

class Engine {
 public:
  // Creation state: 44.1 kHz with its constants already computed (so audio that arrives
  // before the host's first resume is processed correctly), sampleRateChanged and
  // snapPending set, every smoothed value 0, then suspend().
  Engine();

  // Records a new sample rate in Hz and marks the rate constants for the next resume.
  // A rate that is not a finite number in 1 kHz..10 MHz is ignored. The caller marks all
  // parameters changed in its store.
  void setSampleRate(float rate);
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
  // One sample pair through the chain, without a block update.
  void processSample(float inL, float inR, float& outL, float& outR);

  // Selector positions as last computed by the block update; read by the host's display
  // texts on another thread.
  std::atomic<int32_t> releaseType{0}, stereoLinkMode{0};
  // Meter feed, linear: peak followers of the detector levels and of the output samples,
  // and the applied gain factors. Written every 64 samples and at the end of each block,
  // read by the editor thread.
  std::atomic<float> inMeterL{0}, inMeterR{0}, outMeterL{0}, outMeterR{0}, grMeterL{1}, grMeterR{1};

  // The smallest and largest values of the gain meters since they were last taken
  // (linear), as the meter feed wrote them: for tools that report the largest gain change
  // of a whole render, whatever the block size. Taking them starts over from 1.0.
  struct GainExtremes {
    float lowL, lowR, highL, highR;
  };
  GainExtremes takeGainExtremes();

  // Sample-rate constants.
  float sampleRate = 44100.0f;  // Hz
  uint8_t sampleRateChanged = 1;
  uint32_t rampLength = 0;  // parameter ramp, samples (0.1 s)
  float coef3ms = 0;        // pole per sample, 3 ms
  float alpha2ms = 0;       // step fraction per sample, 2 ms
  float alpha200ms = 0;     // step fraction per sample, 200 ms (true exponential)
  float inHpB0 = 0, inHpB1 = 0, inHpB2 = 0, inHpA1 = 0, inHpA2 = 0;  // 20 Hz high-pass

  // Parameters: physical targets (poles and fractions for the time parameters), smoothed
  // values used per sample, and their linear ramps.
  float targetValue[kNumParams] = {};
  float currentValue[kNumParams] = {};
  float rampStep[kNumParams] = {};
  uint32_t rampCount[kNumParams] = {};
  uint32_t rampRemaining = 0;  // samples until every ramp has ended
  uint8_t snapPending = 1;
  uint8_t tableDirty = 0;

  // Static curve: table of G at levels j * 0.001, its knee start, and the make-up gain.
  float gainTable[kGainTableSize] = {};
  float kneeStart = 0;
  float makeupGain = 0;
  float releaseTypeCoef = 0;  // pole per sample of the release-type stages

  // Detector EQ and detector high-pass coefficients.
  float eqLowB0 = 0, eqLowB1 = 0, eqLowB2 = 0, eqLowA1 = 0, eqLowA2 = 0;
  float eqMidB0 = 0, eqMidB2 = 0, eqMidA1 = 0, eqMidA2 = 0;
  float eqHighB0 = 0, eqHighB1 = 0, eqHighB2 = 0, eqHighA1 = 0, eqHighA2 = 0;
  float detHpB0 = 0, detHpB1 = 0, detHpA1 = 0;

  // Filter delay values. inHpState: first delay L, R, second delay L, R. eqState: left
  // low (first, second), mid, high, then the same six for the right.
  float inHpState[4] = {};
  float eqState[12] = {};
  float detHpStateL = 0, detHpStateR = 0;

  // Envelope state per channel (gains in linear amplitude, <= 1 while working).
  float releaseStageL[6] = {}, releaseStageR[6] = {};
  float attackStageL = 0, attackStageR = 0;
  float releaseCoefL = 0, releaseCoefR = 0;          // main release pole, after PDE
  float fastReleaseCoefL = 0, fastReleaseCoefR = 0;  // release-type pole, after PDE
  float attackCoefL = 0, attackCoefR = 0;            // attack fraction, after PDE
  float gainAvgL = 0, gainAvgR = 0;                  // slow gain average (PDE reference)
  float gainSmoothL = 0, gainSmoothR = 0;            // adaptive smoother state
  float adaptAlphaL = 0, adaptAlphaR = 0;            // adaptive smoother fraction

  // Values of the last sample pair processed (input stage, detector, levels, gains).
  float audioL = 0, audioR = 0, detectL = 0, detectR = 0, levelL = 0, levelR = 0;
  float gainL = 0, gainR = 0;

 private:
  std::atomic<float> grLowL{1}, grLowR{1}, grHighL{1}, grHighR{1};

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
  // and none of the input filter, detector filters, expansion or direct curve.
  static constexpr int kModeRamp = 0, kModeSteady = 1, kModePlain = 2;
  void runBlock(const float* inL, const float* inR, float* outL, float* outR, int32_t frames);
  void runBlockAdding(const float* inL, const float* inR, float* outL, float* outR, int32_t frames);
  template <int kType>
  void runTyped(const float* inL, const float* inR, float* outL, float* outR, int32_t frames);
  template <int kType, int kLink, int kMode>
  void runKernel(const float* inL, const float* inR, float* outL, float* outR, int32_t frames);
};

}  // namespace tarvo::dsp
