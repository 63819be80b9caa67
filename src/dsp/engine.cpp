// Sample-rate constants and processing reset of the Engine.
#include "dsp/engine.h"

#include <cmath>

#include "dsp/filters.h"
#include "dsp/gain_curve.h"
#include "dsp/noise.h"
#include "dsp/time_constants.h"

namespace tarvo::dsp {
namespace {

// Accepted host sample rates, Hz. Below 1 kHz the detector high-pass (up to 100 Hz) and
// the 20 Hz input high-pass approach or pass their Nyquist limits and become unstable.
constexpr float kMinSampleRate = 1000.0f;
constexpr float kMaxSampleRate = 1.0e7f;

// Whether every value is a finite number: x * 0 is 0 for a finite x and NaN for an
// infinity or a NaN, and a NaN survives the sum (which itself cannot overflow).
bool allFiniteIn(const float* values, int count) {
  float zero = 0.0f;
  for (int i = 0; i < count; ++i) zero += values[i] * 0.0f;
  return zero == 0.0f;
}

template <typename... T>
bool allFinite(T... values) {
  const float v[] = {values...};
  return allFiniteIn(v, static_cast<int>(sizeof...(T)));
}

}  // namespace

Engine::Engine() {
  // The constants of 44.1 kHz are ready at once; sampleRateChanged stays set, so the
  // host's first resume recomputes them just as it would for a fresh object.
  computeRateConstants();
  suspend();
}

void Engine::setSampleRate(float rate) {
  if (!(rate >= kMinSampleRate && rate <= kMaxSampleRate)) return;  // also rejects NaN
  sampleRate = rate;
  sampleRateChanged = 1;
}

void Engine::resume() {
  if (!sampleRateChanged) return;
  sampleRateChanged = 0;
  computeRateConstants();
}

void Engine::computeRateConstants() {
  const double fs = sampleRate;
  // 0.1 s of samples, ties to even; at least one sample so a ramp always ends.
  const double samples = std::nearbyint(0.1 * fs);
  rampLength = samples < 1.0 ? 1u : static_cast<uint32_t>(samples);
  coef3ms = static_cast<float>(polePerSample(0.003, fs));
  alpha2ms = static_cast<float>(stepPerSample(0.002, fs));
  adaptAlphaL = alpha2ms;
  adaptAlphaR = alpha2ms;
  alpha200ms = static_cast<float>(1.0 - std::exp(-1.0 / (0.2 * fs)));
  const Biquad hp = inputHighPassDesign(fs);
  inHpB0 = hp.b0;
  inHpB1 = hp.b1;
  inHpB2 = hp.b2;
  inHpA1 = hp.a1;
  inHpA2 = hp.a2;
}

void Engine::resetMeters() {
  inMeterL.store(0.0f, std::memory_order_relaxed);
  inMeterR.store(0.0f, std::memory_order_relaxed);
  outMeterL.store(0.0f, std::memory_order_relaxed);
  outMeterR.store(0.0f, std::memory_order_relaxed);
  grMeterL.store(1.0f, std::memory_order_relaxed);
  grMeterR.store(1.0f, std::memory_order_relaxed);
}

void Engine::suspend() {
  resetMeters();
  releaseCoefL = releaseCoefR = 1.0f;
  fastReleaseCoefL = fastReleaseCoefR = 1.0f;
  attackCoefL = attackCoefR = 0.0f;
  gainAvgL = gainAvgR = 1.0f;
  gainSmoothL = gainSmoothR = 1.0f;
}

void Engine::recoverNonFinite() {
  // Filters start again from rest, as when their switch is set.
  if (!allFiniteIn(inHpState, 4)) {
    for (float& s : inHpState) s = 0.0f;
  }
  if (!allFiniteIn(eqState, 12)) {
    for (float& s : eqState) s = 0.0f;
  }
  if (!allFinite(detHpStateL, detHpStateR)) detHpStateL = detHpStateR = 0.0f;

  // Envelopes, per channel: stages as a release-type change leaves them, timing and
  // smoother as a suspend leaves them (no gain change).
  const auto envelope = [this](float* stages, float& attack, float& release, float& fast,
                               float& attackCoef, float& avg, float& smooth, float& adapt) {
    if (allFiniteIn(stages, 6) &&
        allFinite(attack, release, fast, attackCoef, avg, smooth, adapt)) {
      return;
    }
    for (int k = 0; k < 6; ++k) stages[k] = 1.0f;
    attack = release = fast = avg = smooth = 1.0f;
    attackCoef = 0.0f;
    adapt = alpha2ms;
  };
  envelope(releaseStageL, attackStageL, releaseCoefL, fastReleaseCoefL, attackCoefL, gainAvgL,
           gainSmoothL, adaptAlphaL);
  envelope(releaseStageR, attackStageR, releaseCoefR, fastReleaseCoefR, attackCoefR, gainAvgR,
           gainSmoothR, adaptAlphaR);

  // Meters: empty, no gain change.
  if (!allFinite(
          inMeterL.load(std::memory_order_relaxed), inMeterR.load(std::memory_order_relaxed),
          outMeterL.load(std::memory_order_relaxed), outMeterR.load(std::memory_order_relaxed),
          grMeterL.load(std::memory_order_relaxed), grMeterR.load(std::memory_order_relaxed))) {
    resetMeters();
  }
  if (!allFinite(grLowL.load(std::memory_order_relaxed), grLowR.load(std::memory_order_relaxed),
                 grHighL.load(std::memory_order_relaxed),
                 grHighR.load(std::memory_order_relaxed))) {
    takeGainExtremes();
  }

  // Last values of the chain (read back, never fed forward) and the knee start.
  if (!allFinite(audioL, audioR, detectL, detectR, levelL, levelR, gainL, gainR)) {
    audioL = audioR = detectL = detectR = levelL = levelR = 0.0f;
    gainL = gainR = 1.0f;
  }
  if (!allFinite(kneeStart))
    kneeStart = kneeStartOf(currentValue[params::kThreshold], currentValue[params::kKnee]);
}

Engine::GainExtremes Engine::takeGainExtremes() {
  return {grLowL.exchange(1.0f, std::memory_order_relaxed),
          grLowR.exchange(1.0f, std::memory_order_relaxed),
          grHighL.exchange(1.0f, std::memory_order_relaxed),
          grHighR.exchange(1.0f, std::memory_order_relaxed)};
}

void Engine::seedNoise(uint32_t seed) {
  noiseSeed.store(seed, std::memory_order_relaxed);
}

void Engine::reseedNoise() {
  reseedNoiseFromClock();
}

}  // namespace tarvo::dsp
