// The per-sample stereo chain and the block loops. State is loaded into locals for the
// block and written back after it, so the loop never reloads it through the buffers'
// possible aliases. Every value the chain keeps (audio, detector, levels, gains, stages,
// filter delays, meters) is a 32-bit float. The arithmetic between them is 32-bit too,
// except in the filters (double: their delay values are large beside the signal near
// 20 Hz), the noise and the direct evaluation of the gain curve.
#include <cmath>
#include <cstring>

#include "dsp/engine.h"
#include "dsp/gain_curve.h"
#include "dsp/noise.h"
#include "params/param_table.h"

namespace tarvo::dsp {
namespace {

using namespace tarvo::params;

inline float f32(double x) {
  return static_cast<float>(x);
}

// Release step: a falling input is followed at once, a rising one with the pole c.
inline void releaseStep(float u, float& s, float c) {
  if (u > s) {
    s = (s - u) * c + u;
  } else {
    s = u;
  }
}

// Envelope state of one channel, held in locals for the block.
struct Envelope {
  float stage[6];
  float attackStage;
  float releaseCoef, fastReleaseCoef, attackCoef;
  float gainAvg, gainSmooth, adaptAlpha;
};

// Per-block constants of the envelope (smoothed values are constant unless a ramp runs).
struct EnvelopeParams {
  float attack;    // attack fraction per sample
  float relPole;   // main release pole per sample
  float pdeRate;   // PDE rate 0..1
  float avgFrac;   // PDE average fraction per sample
  float rel2;      // second release pole ("Opto")
  float mix2;      // second release mix 0..1 ("Opto")
  float typePole;  // release-type pole
  float coef3ms;   // 3 ms pole
  float alpha2ms;  // 2 ms fraction
};

// Release cascade, attack, program-dependent timing and adaptive smoother on the gain g
// (<= 1, smaller is more gain change). Returns the channel's final gain. Works in 32-bit
// arithmetic: every step is a recurrence from one sample to the next, and its latency
// bounds the speed of the whole chain; the branches let a falling gain, a clamped weight
// or a passing attack skip the dependency on the previous sample's coefficients.
template <int kType>
inline float runEnvelope(float g, Envelope& e, const EnvelopeParams& p) {
  float* st = e.stage;
  const float main = e.releaseCoef;
  const float fast = e.fastReleaseCoef;
  switch (kType) {
    case 0:  // "Opto": two fast stages, then the main and the Release2 paths in parallel
      releaseStep(g, st[0], fast);
      releaseStep(st[0], st[1], fast);
      releaseStep(st[1], st[2], main);
      releaseStep(st[1], st[3], p.rel2);
      g = (1.0f - p.mix2) * st[2] + p.mix2 * st[3];
      break;
    case 1:  // "Pumper": six main stages in series
      releaseStep(g, st[0], main);
      for (int k = 1; k < 6; ++k) releaseStep(st[k - 1], st[k], main);
      g = st[5];
      break;
    case 2:  // "Smooth 2": five fast stages, then a main stage
      releaseStep(g, st[0], fast);
      for (int k = 1; k < 5; ++k) releaseStep(st[k - 1], st[k], fast);
      releaseStep(st[4], st[5], main);
      g = st[5];
      break;
    case 3:  // "Smooth 1": two fast stages, then a main stage
      releaseStep(g, st[0], fast);
      releaseStep(st[0], st[1], fast);
      releaseStep(st[1], st[2], main);
      g = st[2];
      break;
    case 4:  // "Classic": one main stage
      releaseStep(g, st[0], main);
      g = st[0];
      break;
    default:
      break;
  }

  // Attack: a rising gain passes, a falling gain is slowed by the attack fraction.
  if (g >= e.attackStage) {
    e.attackStage = g;
  } else {
    e.attackStage = (g - e.attackStage) * e.attackCoef + e.attackStage;
  }
  g = e.attackStage;

  // Program-dependent timing for the next sample: below its slow average the release
  // poles move toward 3 ms, above it the attack moves toward instantaneous.
  e.gainAvg = (g - e.gainAvg) * p.avgFrac + e.gainAvg;
  float w = 2.0f * p.pdeRate * p.pdeRate * (1.0f - g / e.gainAvg);
  if (!(w >= 0.0f)) {
    w = 0.0f;
  } else if (w > 1.0f) {
    w = 1.0f;
  }
  e.releaseCoef = w * p.coef3ms + (1.0f - w) * p.relPole;
  e.fastReleaseCoef = w * p.coef3ms + (1.0f - w) * p.typePole;
  float f = 8.0f * p.pdeRate * p.pdeRate * (1.0f - e.gainAvg / g);
  if (!(f >= 0.0f)) {
    f = 0.0f;
  } else if (f > 1.0f) {
    f = 1.0f;
  }
  e.attackCoef = (1.0f - f) * p.attack + f;

  // Adaptive smoother: changes under 1 % glide with 2 ms, larger ones pass next sample.
  e.gainSmooth = (g - e.gainSmooth) * e.adaptAlpha + e.gainSmooth;
  float d = 100.0f * std::fabs(g - e.gainSmooth);
  if (d > 1.0f) {
    d = 1.0f;
  } else if (!(d >= 0.0f)) {
    d = 0.0f;
  }
  e.adaptAlpha = (1.0f - d) * p.alpha2ms + d;
  return e.gainSmooth;
}

// Second-order direct-form-II section; s1, s2 the first and second delay values.
inline double biquad(double x, float& s1, float& s2, float b0, float b1, float b2, float a1,
                     float a2) {
  const double w = x - a1 * static_cast<double>(s1) - a2 * static_cast<double>(s2);
  const double y = b0 * w + b1 * static_cast<double>(s1) + b2 * static_cast<double>(s2);
  s2 = s1;
  s1 = f32(w);
  return y;
}

// Follower that rises at once and falls toward the value with the fraction alpha.
inline float peakFollow(float value, float meter, float alpha) {
  return value > meter ? value : meter + (value - meter) * alpha;
}

// Level of a detector sample, never below 1e-20 so the gain curve sees a positive level.
inline float rectify(float d) {
  return std::fabs(d) + 1e-20f;
}

inline float finiteOrZero(float x) {
  return std::isfinite(x) ? x : 0.0f;
}

}  // namespace

// The block loop, compiled once per release type and for linked / unlinked channels so
// that only the state the type uses stays live in registers.
template <bool kAdding, int kType, bool kLinkOff>
void Engine::runKernel(const float* inLBuf, const float* inRBuf, float* outLBuf, float* outRBuf,
                       int32_t frames) {
  // Parameters and ramps.
  float cv[kNumParams];
  uint32_t count[kNumParams];
  std::memcpy(cv, currentValue, sizeof cv);
  std::memcpy(count, rampCount, sizeof count);
  uint32_t remaining = rampRemaining;

  // Coefficients.
  const float a200 = alpha200ms;
  const int linkMode = stereoLinkMode.load(std::memory_order_relaxed);
  const bool dirty = tableDirty != 0;
  const float* table = gainTable;
  const float makeup = makeupGain;
  const float hb0 = inHpB0, hb1 = inHpB1, hb2 = inHpB2, ha1 = inHpA1, ha2 = inHpA2;
  EnvelopeParams ep;
  ep.typePole = releaseTypeCoef;
  ep.coef3ms = coef3ms;
  ep.alpha2ms = alpha2ms;

  // State.
  uint32_t seed = noiseSeed.load(std::memory_order_relaxed);
  float hpS[4], eqS[12];
  std::memcpy(hpS, inHpState, sizeof hpS);
  std::memcpy(eqS, eqState, sizeof eqS);
  float dhpL = detHpStateL, dhpR = detHpStateR;
  float knee = kneeStart;
  Envelope envL{{releaseStageL[0], releaseStageL[1], releaseStageL[2], releaseStageL[3],
                 releaseStageL[4], releaseStageL[5]},
                attackStageL,
                releaseCoefL,
                fastReleaseCoefL,
                attackCoefL,
                gainAvgL,
                gainSmoothL,
                adaptAlphaL};
  Envelope envR{{releaseStageR[0], releaseStageR[1], releaseStageR[2], releaseStageR[3],
                 releaseStageR[4], releaseStageR[5]},
                attackStageR,
                releaseCoefR,
                fastReleaseCoefR,
                attackCoefR,
                gainAvgR,
                gainSmoothR,
                adaptAlphaR};
  float inML = inMeterL.load(std::memory_order_relaxed);
  float inMR = inMeterR.load(std::memory_order_relaxed);
  float outML = outMeterL.load(std::memory_order_relaxed);
  float outMR = outMeterR.load(std::memory_order_relaxed);
  float grML = grMeterL.load(std::memory_order_relaxed);
  float grMR = grMeterR.load(std::memory_order_relaxed);
  float aL = audioL, aR = audioR, dL = detectL, dR = detectR, lvL = levelL, lvR = levelR;
  float gL = gainL, gR = gainR;

  // Static gain of one level from the table, or directly while the table is stale or
  // beyond its range (levels above 2.0); the reciprocal while expanding.
  auto staticGain = [&](float x) -> float {
    float g;
    if (dirty || x > 2.0f) {
      knee = kneeStartOf(cv[kThreshold], cv[kKnee]);
      g = x > knee ? gainCurveAbove(x, knee, cv[kThreshold], cv[kRatio], cv[kKnee], cv[kLinearity])
                   : 1.0f;
    } else {
      // x / 0.001 rounded to a 32-bit float is x * 1000 rounded once (in double the
      // quotient's error is far below half an ulp); x in (0, 2] keeps i + 1 <= 2001.
      const float t = x * 1000.0f;
      const int32_t i = static_cast<int32_t>(t);
      const float f = t - static_cast<float>(i);
      g = (1.0f - f) * table[i] + f * table[i + 1];
    }
    if (cv[kRatio] > 1.0f) g = 1.0f / g;
    return g;
  };

  for (int32_t n = 0; n < frames; ++n) {
    // A non-finite sample from the host would poison every state; it counts as silence.
    const float xL = finiteOrZero(inLBuf[n]);
    const float xR = finiteOrZero(inRBuf[n]);

    // Ramp advance; the last step lands exactly on the target.
    if (remaining != 0) {
      for (int k = 0; k < kNumParams; ++k) {
        if (count[k] == 0) continue;
        if (count[k] == 1) {
          cv[k] = targetValue[k];
        } else {
          cv[k] += rampStep[k];
        }
        --count[k];
      }
      --remaining;
    }

    // Noise, one value for both channels, then input gain and balance.
    seed = nextNoiseSeed(seed);
    const float noise = static_cast<float>(noiseValue(seed));
    const float inGain = cv[kInputGain];
    const float balance = cv[kBalance];
    aL = xL * inGain * (1.0f - balance) + noise;
    aR = xR * inGain * (1.0f + balance) + noise;

    // 20 Hz input high-pass on the audio itself.
    if (cv[kInputFilter] > 0.5f) {
      aL = f32(biquad(aL, hpS[0], hpS[2], hb0, hb1, hb2, ha1, ha2));
      aR = f32(biquad(aR, hpS[1], hpS[3], hb0, hb1, hb2, ha1, ha2));
    }

    // Detector copy, detector EQ (low, mid, high; left then right), detector high-pass.
    dL = aL;
    dR = aR;
    if (cv[kDetEq] > 0.5f) {
      const double lowG = cv[kEqLow] - 1.0;
      const double midG = cv[kEqMid] - 1.0;
      const double highG = cv[kEqHigh] - 1.0;
      for (int c = 0; c < 2; ++c) {
        float& d = c == 0 ? dL : dR;
        float* s = eqS + 6 * c;
        d = f32(d + lowG * biquad(d, s[0], s[1], eqLowB0, eqLowB1, eqLowB2, eqLowA1, eqLowA2));
        d = f32(d + midG * biquad(d, s[2], s[3], eqMidB0, 0.0f, eqMidB2, eqMidA1, eqMidA2));
        d = f32(d +
                highG * biquad(d, s[4], s[5], eqHighB0, eqHighB1, eqHighB2, eqHighA1, eqHighA2));
      }
    }
    if (cv[kDetFilter] > 0.5f) {
      const double wL = dL - detHpA1 * static_cast<double>(dhpL);
      dL = f32(detHpB0 * wL + detHpB1 * static_cast<double>(dhpL));
      dhpL = f32(wL);
      const double wR = dR - detHpA1 * static_cast<double>(dhpR);
      dR = f32(detHpB0 * wR + detHpB1 * static_cast<double>(dhpR));
      dhpR = f32(wR);
    }

    // Rectification and input meters (before the link).
    lvL = rectify(dL);
    lvR = rectify(dR);
    inML = peakFollow(lvL, inML, a200);
    inMR = peakFollow(lvR, inMR, a200);

    // Stereo link: 0 "Highest", 1 "Mix", 2 "Off" (right channel on its own).
    if (kLinkOff) {
    } else if (linkMode == 0) {
      if (lvR > lvL) lvL = lvR;
    } else {
      lvL = std::fabs(dL + dR) * 0.5f + 1e-20f;
    }

    ep.attack = cv[kAttack];
    ep.relPole = cv[kRelease];
    ep.pdeRate = cv[kPdeRate];
    ep.avgFrac = cv[kPdeTime];
    ep.rel2 = cv[kRelease2];
    ep.mix2 = cv[kRel2Level];
    gL = runEnvelope<kType>(staticGain(lvL), envL, ep);
    if constexpr (kLinkOff) {
      gR = runEnvelope<kType>(staticGain(lvR), envR, ep);
    } else {
      gR = gL;
    }

    // Back from the reciprocal when expanding; gain meters hold the largest change.
    if (cv[kRatio] > 1.0f) {
      gL = 1.0f / gL;
      gR = 1.0f / gR;
      grML = gL > grML ? gL : (gL - grML) * a200 + grML;
      grMR = gR > grMR ? gR : (gR - grMR) * a200 + grMR;
    } else {
      grML = gL >= grML ? (gL - grML) * a200 + grML : gL;
      grMR = gR >= grMR ? (gR - grMR) * a200 + grMR : gR;
    }

    // Output: audio x gain x make-up x output gain, then the output meters.
    const float outGain = cv[kOutputGain];
    const float oL = aL * gL * makeup * outGain;
    const float oR = aR * gR * makeup * outGain;
    outML = peakFollow(std::fabs(oL), outML, a200);
    outMR = peakFollow(std::fabs(oR), outMR, a200);

    if constexpr (kAdding) {
      outLBuf[n] += oL;
      outRBuf[n] += oR;
    } else {
      outLBuf[n] = oL;
      outRBuf[n] = oR;
    }

    inMeterL.store(inML, std::memory_order_relaxed);
    inMeterR.store(inMR, std::memory_order_relaxed);
    outMeterL.store(outML, std::memory_order_relaxed);
    outMeterR.store(outMR, std::memory_order_relaxed);
    grMeterL.store(grML, std::memory_order_relaxed);
    grMeterR.store(grMR, std::memory_order_relaxed);
  }

  // Write the state back.
  std::memcpy(currentValue, cv, sizeof cv);
  std::memcpy(rampCount, count, sizeof count);
  rampRemaining = remaining;
  noiseSeed.store(seed, std::memory_order_relaxed);
  std::memcpy(inHpState, hpS, sizeof hpS);
  std::memcpy(eqState, eqS, sizeof eqS);
  detHpStateL = dhpL;
  detHpStateR = dhpR;
  kneeStart = knee;
  for (int k = 0; k < 6; ++k) {
    releaseStageL[k] = envL.stage[k];
    releaseStageR[k] = envR.stage[k];
  }
  attackStageL = envL.attackStage;
  releaseCoefL = envL.releaseCoef;
  fastReleaseCoefL = envL.fastReleaseCoef;
  attackCoefL = envL.attackCoef;
  gainAvgL = envL.gainAvg;
  gainSmoothL = envL.gainSmooth;
  adaptAlphaL = envL.adaptAlpha;
  attackStageR = envR.attackStage;
  releaseCoefR = envR.releaseCoef;
  fastReleaseCoefR = envR.fastReleaseCoef;
  attackCoefR = envR.attackCoef;
  gainAvgR = envR.gainAvg;
  gainSmoothR = envR.gainSmooth;
  adaptAlphaR = envR.adaptAlpha;
  audioL = aL;
  audioR = aR;
  detectL = dL;
  detectR = dR;
  levelL = lvL;
  levelR = lvR;
  gainL = gL;
  gainR = gR;
}

template <bool kAdding>
void Engine::runBlock(const float* inL, const float* inR, float* outL, float* outR,
                      int32_t frames) {
  // The release type is the rounded target of "Release Type", fixed within a block.
  const int type = nearestEven(targetValue[kReleaseType]);
  const bool linkOff = stereoLinkMode.load(std::memory_order_relaxed) == 2;
  switch (type * 2 + (linkOff ? 1 : 0)) {
    case 0:
      return runKernel<kAdding, 0, false>(inL, inR, outL, outR, frames);
    case 1:
      return runKernel<kAdding, 0, true>(inL, inR, outL, outR, frames);
    case 2:
      return runKernel<kAdding, 1, false>(inL, inR, outL, outR, frames);
    case 3:
      return runKernel<kAdding, 1, true>(inL, inR, outL, outR, frames);
    case 4:
      return runKernel<kAdding, 2, false>(inL, inR, outL, outR, frames);
    case 5:
      return runKernel<kAdding, 2, true>(inL, inR, outL, outR, frames);
    case 6:
      return runKernel<kAdding, 3, false>(inL, inR, outL, outR, frames);
    case 7:
      return runKernel<kAdding, 3, true>(inL, inR, outL, outR, frames);
    case 8:
      return runKernel<kAdding, 4, false>(inL, inR, outL, outR, frames);
    case 9:
      return runKernel<kAdding, 4, true>(inL, inR, outL, outR, frames);
    default:  // no such type: the cascade passes the gain unchanged
      if (linkOff) return runKernel<kAdding, -1, true>(inL, inR, outL, outR, frames);
      return runKernel<kAdding, -1, false>(inL, inR, outL, outR, frames);
  }
}

void Engine::process(float** inputs, float** outputs, int32_t sampleFrames, ParamStore& store) {
  updateBlock(store);
  if (sampleFrames <= 0 || inputs == nullptr || outputs == nullptr) return;
  if (!inputs[0] || !inputs[1] || !outputs[0] || !outputs[1]) return;
  runBlock<true>(inputs[0], inputs[1], outputs[0], outputs[1], sampleFrames);
}

void Engine::processReplacing(float** inputs, float** outputs, int32_t sampleFrames,
                              ParamStore& store) {
  updateBlock(store);
  if (sampleFrames <= 0 || inputs == nullptr || outputs == nullptr) return;
  if (!inputs[0] || !inputs[1] || !outputs[0] || !outputs[1]) return;
  runBlock<false>(inputs[0], inputs[1], outputs[0], outputs[1], sampleFrames);
}

void Engine::processSample(float inL, float inR, float& outL, float& outR) {
  float l = 0, r = 0;
  runBlock<false>(&inL, &inR, &l, &r, 1);
  outL = l;
  outR = r;
}

}  // namespace tarvo::dsp
