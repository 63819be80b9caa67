// The per-sample stereo chain and the block loops. State is loaded into locals for the
// block and written back after it, so the loop never reloads it through the buffers'
// possible aliases. Intermediate arithmetic is in double precision; every value the chain
// keeps (audio, detector, levels, gains, stages, filter delays, meters) is stored as a
// 32-bit float.
#include <cmath>
#include <cstring>

#include "dsp/engine.h"
#include "dsp/gain_curve.h"
#include "dsp/noise.h"
#include "params/param_table.h"

namespace tarvo::dsp {
namespace {

using namespace tarvo::params;

inline float f32(double x) { return static_cast<float>(x); }

// Release step: a falling input is followed at once, a rising one with the pole c.
inline void releaseStep(float u, float& s, float c) {
  if (u > s) {
    s = f32((static_cast<double>(s) - u) * c + u);
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
  int type;         // release type 0..4
  float attack;     // attack fraction per sample
  float relPole;    // main release pole per sample
  double pdeRate;   // PDE rate 0..1
  float avgFrac;    // PDE average fraction per sample
  float rel2;       // second release pole ("Opto")
  double mix2;      // second release mix 0..1 ("Opto")
  float typePole;   // release-type pole
  double coef3ms;   // 3 ms pole
  double alpha2ms;  // 2 ms fraction
};

// Release cascade, attack, program-dependent timing and adaptive smoother on the gain g
// (<= 1, smaller is more gain change). Returns the channel's final gain.
inline float runEnvelope(float g, Envelope& e, const EnvelopeParams& p) {
  float* st = e.stage;
  const float main = e.releaseCoef;
  const float fast = e.fastReleaseCoef;
  switch (p.type) {
    case 0:  // "Opto": two fast stages, then the main and the Release2 paths in parallel
      releaseStep(g, st[0], fast);
      releaseStep(st[0], st[1], fast);
      releaseStep(st[1], st[2], main);
      releaseStep(st[1], st[3], p.rel2);
      g = f32((1.0 - p.mix2) * st[2] + p.mix2 * st[3]);
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
    e.attackStage = f32((static_cast<double>(g) - e.attackStage) * e.attackCoef + e.attackStage);
  }
  g = e.attackStage;

  // Program-dependent timing for the next sample: below its slow average the release
  // poles move toward 3 ms, above it the attack moves toward instantaneous.
  e.gainAvg = f32((static_cast<double>(g) - e.gainAvg) * p.avgFrac + e.gainAvg);
  const double r2 = p.pdeRate * p.pdeRate;
  double w = 2.0 * r2 * (1.0 - static_cast<double>(g) / e.gainAvg);
  if (!(w >= 0.0)) {
    w = 0.0;
  } else if (w > 1.0) {
    w = 1.0;
  }
  e.releaseCoef = f32(w * p.coef3ms + (1.0 - w) * p.relPole);
  e.fastReleaseCoef = f32(w * p.coef3ms + (1.0 - w) * p.typePole);
  double f = 8.0 * r2 * (1.0 - static_cast<double>(e.gainAvg) / g);
  if (!(f >= 0.0)) {
    f = 0.0;
  } else if (f > 1.0) {
    f = 1.0;
  }
  e.attackCoef = f32((1.0 - f) * p.attack + f);

  // Adaptive smoother: changes under 1 % glide with 2 ms, larger ones pass next sample.
  e.gainSmooth = f32((static_cast<double>(g) - e.gainSmooth) * e.adaptAlpha + e.gainSmooth);
  double d = 100.0 * std::fabs(static_cast<double>(g) - e.gainSmooth);
  if (d > 1.0) {
    d = 1.0;
  } else if (!(d >= 0.0)) {
    d = 0.0;
  }
  e.adaptAlpha = f32((1.0 - d) * p.alpha2ms + d);
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
inline float peakFollow(float value, float meter, double alpha) {
  return value > meter ? value : f32(meter + (static_cast<double>(value) - meter) * alpha);
}

// Level of a detector sample, never below 1e-20 so the gain curve sees a positive level.
inline float rectify(float d) { return f32(std::fabs(static_cast<double>(d)) + 1e-20); }

inline float finiteOrZero(float x) { return std::isfinite(x) ? x : 0.0f; }

}  // namespace

template <bool kAdding>
void Engine::runBlock(const float* inLBuf, const float* inRBuf, float* outLBuf, float* outRBuf,
                      int32_t frames) {
  // Parameters and ramps.
  float cv[kNumParams];
  uint32_t count[kNumParams];
  std::memcpy(cv, currentValue, sizeof cv);
  std::memcpy(count, rampCount, sizeof count);
  uint32_t remaining = rampRemaining;

  // Coefficients.
  const double a200 = alpha200ms;
  const int linkMode = stereoLinkMode.load(std::memory_order_relaxed);
  const bool dirty = tableDirty != 0;
  const float* table = gainTable;
  const double makeup = makeupGain;
  const float hb0 = inHpB0, hb1 = inHpB1, hb2 = inHpB2, ha1 = inHpA1, ha2 = inHpA2;
  EnvelopeParams ep;
  ep.type = nearestEven(targetValue[kReleaseType]);
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
                attackStageL, releaseCoefL, fastReleaseCoefL, attackCoefL,
                gainAvgL, gainSmoothL, adaptAlphaL};
  Envelope envR{{releaseStageR[0], releaseStageR[1], releaseStageR[2], releaseStageR[3],
                 releaseStageR[4], releaseStageR[5]},
                attackStageR, releaseCoefR, fastReleaseCoefR, attackCoefR,
                gainAvgR, gainSmoothR, adaptAlphaR};
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
      g = x > knee ? gainCurveAbove(x, knee, cv[kThreshold], cv[kRatio], cv[kKnee],
                                    cv[kLinearity])
                   : 1.0f;
    } else {
      // x / 0.001 in double equals x * 1000 exactly (the quotient's error is far below
      // half an ulp), then rounded to a 32-bit float; x in (0, 2] keeps i + 1 <= 2001.
      const float t = f32(static_cast<double>(x) * 1000.0);
      const int32_t i = static_cast<int32_t>(t);
      const double f = t - static_cast<float>(i);
      g = f32((1.0 - f) * table[i] + f * table[i + 1]);
    }
    if (cv[kRatio] > 1.0f) g = f32(1.0 / g);
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
    const double noise = noiseValue(seed);
    const double inGain = cv[kInputGain];
    const double balance = cv[kBalance];
    aL = f32(xL * inGain * (1.0 - balance) + noise);
    aR = f32(xR * inGain * (1.0 + balance) + noise);

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
        d = f32(d + highG * biquad(d, s[4], s[5], eqHighB0, eqHighB1, eqHighB2, eqHighA1,
                                   eqHighA2));
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
    if (linkMode == 0) {
      if (lvR > lvL) lvL = lvR;
    } else if (linkMode == 1) {
      lvL = f32(std::fabs(static_cast<double>(dL) + dR) * 0.5 + 1e-20);
    }

    ep.attack = cv[kAttack];
    ep.relPole = cv[kRelease];
    ep.pdeRate = cv[kPdeRate];
    ep.avgFrac = cv[kPdeTime];
    ep.rel2 = cv[kRelease2];
    ep.mix2 = cv[kRel2Level];
    gL = runEnvelope(staticGain(lvL), envL, ep);
    gR = linkMode == 2 ? runEnvelope(staticGain(lvR), envR, ep) : gL;

    // Back from the reciprocal when expanding; gain meters hold the largest change.
    if (cv[kRatio] > 1.0f) {
      gL = f32(1.0 / gL);
      gR = f32(1.0 / gR);
      grML = gL > grML ? gL : f32((static_cast<double>(gL) - grML) * a200 + grML);
      grMR = gR > grMR ? gR : f32((static_cast<double>(gR) - grMR) * a200 + grMR);
    } else {
      grML = gL >= grML ? f32((static_cast<double>(gL) - grML) * a200 + grML) : gL;
      grMR = gR >= grMR ? f32((static_cast<double>(gR) - grMR) * a200 + grMR) : gR;
    }

    // Output: audio x gain x make-up x output gain, then the output meters.
    const double outGain = cv[kOutputGain];
    const float oL = f32(static_cast<double>(aL) * gL * makeup * outGain);
    const float oR = f32(static_cast<double>(aR) * gR * makeup * outGain);
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

void Engine::process(float** inputs, float** outputs, int32_t sampleFrames,
                     ParamStore& store) {
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
