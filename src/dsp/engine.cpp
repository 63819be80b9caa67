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
  // The constants of 44.1 kHz are ready at once; the rate change stays pending, so the
  // host's first resume recomputes them just as it would for a fresh object.
  computeRateConstants();
  suspend();
}

void Engine::setSampleRate(float rate) {
  if (!(rate >= kMinSampleRate && rate <= kMaxSampleRate)) return;  // also rejects NaN
  sampleRate_ = rate;
  sampleRateChanged_ = true;
}

void Engine::resume() {
  if (!sampleRateChanged_) return;
  sampleRateChanged_ = false;
  computeRateConstants();
}

void Engine::computeRateConstants() {
  const double fs = sampleRate_;
  // 0.1 s of samples, ties to even; at least one sample so a ramp always ends.
  const double samples = std::nearbyint(0.1 * fs);
  rampLength_ = samples < 1.0 ? 1u : static_cast<uint32_t>(samples);
  coef3ms_ = static_cast<float>(polePerSample(0.003, fs));
  alpha2ms_ = static_cast<float>(stepPerSample(0.002, fs));
  for (ChannelEnvelope& e : envelope_) e.adaptAlpha = alpha2ms_;
  alpha200ms_ = static_cast<float>(1.0 - std::exp(-1.0 / (0.2 * fs)));
  inputHighPass_ = inputHighPassDesign(fs);
}

MeterReadings Engine::meters() const {
  constexpr auto kRelaxed = std::memory_order_relaxed;
  return {inMeter_[0].load(kRelaxed),  inMeter_[1].load(kRelaxed), outMeter_[0].load(kRelaxed),
          outMeter_[1].load(kRelaxed), grMeter_[0].load(kRelaxed), grMeter_[1].load(kRelaxed)};
}

void Engine::resetMeters() {
  for (int c = 0; c < 2; ++c) {
    inMeter_[c].store(0.0f, std::memory_order_relaxed);
    outMeter_[c].store(0.0f, std::memory_order_relaxed);
    grMeter_[c].store(1.0f, std::memory_order_relaxed);
  }
}

void Engine::suspend() {
  resetMeters();
  for (ChannelEnvelope& e : envelope_) {
    e.releaseCoef = e.fastReleaseCoef = 1.0f;
    e.attackCoef = 0.0f;
    e.gainAvg = e.gainSmooth = 1.0f;
  }
}

void Engine::recoverNonFinite() {
  // Filters start again from rest, as when their switch is set.
  if (!allFiniteIn(inHpState_, 4)) {
    for (float& s : inHpState_) s = 0.0f;
  }
  if (!allFiniteIn(eqState_, 12)) {
    for (float& s : eqState_) s = 0.0f;
  }
  if (!allFiniteIn(detHpState_, 2)) detHpState_[0] = detHpState_[1] = 0.0f;

  // Envelopes, per channel: stages as a release-type change leaves them, timing and
  // smoother as a suspend leaves them (no gain change).
  for (ChannelEnvelope& e : envelope_) {
    if (allFiniteIn(e.releaseStage, 6) &&
        allFinite(e.attackStage, e.releaseCoef, e.fastReleaseCoef, e.attackCoef, e.gainAvg,
                  e.gainSmooth, e.adaptAlpha)) {
      continue;
    }
    for (float& s : e.releaseStage) s = 1.0f;
    e.attackStage = e.releaseCoef = e.fastReleaseCoef = e.gainAvg = e.gainSmooth = 1.0f;
    e.attackCoef = 0.0f;
    e.adaptAlpha = alpha2ms_;
  }

  // Meters: empty, no gain change.
  const MeterReadings m = meters();
  if (!allFinite(m.inL, m.inR, m.outL, m.outR, m.gainL, m.gainR)) resetMeters();
  if (!allFinite(
          grLow_[0].load(std::memory_order_relaxed), grLow_[1].load(std::memory_order_relaxed),
          grHigh_[0].load(std::memory_order_relaxed), grHigh_[1].load(std::memory_order_relaxed))) {
    takeGainExtremes();
  }

  if (!allFinite(kneeStart_)) {
    kneeStart_ = kneeStartOf(currentValue_[params::kThreshold], currentValue_[params::kKnee]);
  }
}

Engine::GainExtremes Engine::takeGainExtremes() {
  return {grLow_[0].exchange(1.0f, std::memory_order_relaxed),
          grLow_[1].exchange(1.0f, std::memory_order_relaxed),
          grHigh_[0].exchange(1.0f, std::memory_order_relaxed),
          grHigh_[1].exchange(1.0f, std::memory_order_relaxed)};
}

void Engine::seedNoise(uint32_t seed) {
  noiseSeed.store(seed, std::memory_order_relaxed);
}

void Engine::reseedNoise() {
  reseedNoiseFromClock();
}

}  // namespace tarvo::dsp
