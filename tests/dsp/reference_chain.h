// A plain, slow reference of the whole signal path, written as one straight per-sample
// chain: ramp advance, noise, input gain and balance, input high-pass, detector EQ and
// detector high-pass, rectification and input meters, stereo link, gain computer, release
// cascade, attack, program-dependent timing, adaptive smoother, output stage and meters.
// One scalar function per stage, one channel at a time, no kernels, templates or SIMD.
//
// It shares only the single sources of truth with the engine: the parameter mapping
// (params::targetValue), the filter designs (dsp/filters.h), the static gain curve
// (dsp/gain_curve.h), the time constants (dsp/time_constants.h) and the input limit
// (dsp/input_guard.h). It keeps its own parameter values, change flags and noise seed, so
// the engine and the reference can run side by side and must agree bit for bit.
//
// Precision follows the engine's stored values: every kept value is a 32-bit float; the
// arithmetic between them is 32-bit except in the filters (double, rounded to float where
// a value is stored), the noise value, the coefficient designs and the block update.
#pragma once

#include <cstdint>

#include "dsp/filters.h"
#include "params/param_table.h"

namespace tarvo::dsp::reference {

inline constexpr int kNumParams = params::kNumParams;
inline constexpr int kGainTableSize = 2002;  // levels j * 0.001, j = 0..2001

// The state of one channel, from the input high-pass to the meters.
struct Channel {
  // Filter delay values (first, second).
  float inHp1 = 0, inHp2 = 0;
  float eqLow1 = 0, eqLow2 = 0, eqMid1 = 0, eqMid2 = 0, eqHigh1 = 0, eqHigh2 = 0;
  float detHp = 0;
  // Envelope: release cascade, attack stage, their poles and fraction after the
  // program-dependent timing, slow gain average, adaptive smoother.
  float releaseStage[6] = {};
  float attackStage = 0;
  float releaseCoef = 0, fastReleaseCoef = 0, attackCoef = 0;
  float gainAvg = 0;
  float gainSmooth = 0, adaptAlpha = 0;
  // Meter followers, linear.
  float inMeter = 0, outMeter = 0, grMeter = 0;
  // Values of the sample pair in flight.
  float audio = 0, detect = 0, level = 0, gain = 0;
};

class Chain {
 public:
  // A fresh effect: 44.1 kHz with its constants computed, every parameter 0 and flagged,
  // the jump to the first targets pending, then a suspend.
  Chain();

  // The host's side: a normalized value (0..1) stored and flagged for the next block.
  void setParameter(int index, float value);
  // A new rate in Hz: recomputed at the next resume; flags every parameter.
  void setSampleRate(float rate);
  void resume();
  void suspend();
  void seedNoise(uint32_t seed) { noiseSeed_ = seed; }

  // Block loops: the block update once, then the chain on every sample pair. process
  // adds into the outputs, processReplacing overwrites them.
  void processReplacing(const float* inL, const float* inR, float* outL, float* outR,
                        int32_t frames);
  void process(const float* inL, const float* inR, float* outL, float* outR, int32_t frames);

  const Channel& left() const { return left_; }
  const Channel& right() const { return right_; }
  int32_t releaseType() const { return releaseType_; }
  int32_t stereoLinkMode() const { return stereoLinkMode_; }
  // Index within the last block of the sample on which the last running glide ended, or
  // -1 when none ended in that block.
  int32_t glideEndedAt() const { return glideEndedAt_; }

 private:
  // Rate constants.
  void computeRateConstants();

  // Block update.
  void updateBlock();
  void deriveParameter(int index);
  void updateAutoGain();
  void rebuildGainTable();

  // The chain of one sample pair.
  void processSample(float inL, float inR, float& outL, float& outR);
  void advanceRamps();
  float drawNoise();
  void inputGainAndBalance(float inL, float inR, float noise);
  void inputHighPass(Channel& c);
  void detectorEq(Channel& c);
  void detectorHighPass(Channel& c);
  void rectifyAndMeter(Channel& c);
  float linkedLevel();
  float staticGain(float level);
  void releaseCascade(Channel& c);
  void attackStage(Channel& c);
  void programDependentTiming(Channel& c);
  void adaptiveSmoother(Channel& c);
  void gainMeters();
  void outputStage(float& outL, float& outR);

  bool on(int index) const { return currentValue_[index] > 0.5f; }

  // Parameters as the host left them.
  float paramValue_[kNumParams] = {};
  bool paramChanged_[kNumParams] = {};

  // Rate constants.
  float sampleRate_ = 44100.0f;
  bool sampleRateChanged_ = true;
  uint32_t rampLength_ = 0;
  float coef3ms_ = 0, alpha2ms_ = 0, alpha200ms_ = 0;
  Biquad inHp_;

  // Smoothed parameters.
  float targetValue_[kNumParams] = {};
  float currentValue_[kNumParams] = {};
  float rampStep_[kNumParams] = {};
  uint32_t rampCount_[kNumParams] = {};
  uint32_t rampRemaining_ = 0;
  bool snapPending_ = true;
  int32_t glideEndedAt_ = -1;

  // Values derived from parameters.
  bool tableDirty_ = false;
  float gainTable_[kGainTableSize] = {};
  float kneeStart_ = 0;
  float makeupGain_ = 0;
  int32_t releaseType_ = 0, stereoLinkMode_ = 0;
  float releaseTypeCoef_ = 0;
  Biquad eqLow_, eqMid_, eqHigh_;
  FirstOrder detHp_;

  uint32_t noiseSeed_ = 0;
  Channel left_, right_;
};

}  // namespace tarvo::dsp::reference
