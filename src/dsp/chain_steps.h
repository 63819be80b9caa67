// The per-sample steps of the chain's input stage and gain computer that are more than
// one pair operation: the glide step, the noise value, the filter section, the linked
// level and the static gain.
#pragma once

#include <cmath>
#include <cstdint>

#include "dsp/chain_settings.h"
#include "dsp/gain_curve.h"
#include "dsp/pair.h"

namespace tarvo::dsp::chain {

// One step of a linear glide toward target. The steps are added in 32-bit floats, so over
// the many thousands of samples of a glide at a high rate their rounding can carry the sum
// past the target, and past the end of the parameter's range when the target lies there
// (a ratio below 0 makes the curve's square root NaN). A step that would pass the target
// stops on it; every other step is the plain sum.
TARVO_INLINE float rampAdvance(float value, float step, float target) {
  const float next = value + step;
  if (step > 0.0f ? next > target : step < 0.0f && next < target) return target;
  return next;
}

// Stereo link modes as kernel parameters; kLinkEither: "Highest" or "Mix", chosen by
// Constants::mixLink (the kernels that are not plain share one for both).
constexpr int kLinkHighest = 0, kLinkMix = 1, kLinkOff = 2, kLinkEither = 3;

// Noise value of a seed as noiseValue() gives it, in fewer steps: seed / 2^32 - 0.5 is
// exactly (seed - 2^31) / 2^32, the signed reading of seed with its top bit flipped, and
// scaling by a power of two commutes with rounding, so one product by 6e-8 / 2^32 (an
// exact double) rounds to the same double.
TARVO_INLINE float noiseSample(uint32_t seed) {
  constexpr double kScale = 6e-8 / 4294967296.0;
  return static_cast<float>(static_cast<double>(static_cast<int32_t>(seed ^ 0x80000000u)) * kScale);
}

// Level that the left (or linked) gain computer sees: with "Highest" the larger of the
// two, with "Mix" that of the mean of the detector signals, with "Off" the left one.
template <int kLink>
TARVO_INLINE float linkLevel(Pair lv, Pair d, bool mixLink) {
  float l = left(lv);
  if (kLink == kLinkMix || (kLink == kLinkEither && mixLink)) {
    l = std::fabs(left(d) + right(d)) * 0.5f + 1e-20f;
  } else if (kLink != kLinkOff) {
    const float r = right(lv);
    if (r > l) l = r;
  }
  return l;
}

// Second-order direct-form-II section on both channels, in double; the delay values are
// 32-bit floats, held here widened to double (exactly), so that each is widened once
// rather than at every use. Each lane computes
//   w = x - a1*s1 - a2*s2;  y = b0*w + b1*s1 + b2*s2;  s2 = s1;  s1 = float(w)
// with every coefficient widened to double.
TARVO_INLINE PairD biquad(PairD x, PairD& s1, PairD& s2, const BiquadPair& c) {
  const PairD w = x - c.a1 * s1 - c.a2 * s2;
  const PairD y = c.b0 * w + c.b1 * s1 + c.b2 * s2;
  s2 = s1;
  s1 = widen(narrow(w));
  return y;
}

// First-order direct-form-II section on both channels, in double, its delay value a 32-bit
// float (held widened): w = x - a1*s;  y = float(b0*w + b1*s);  s = float(w).
TARVO_INLINE Pair firstOrder(Pair x, PairD& s, const FirstOrderPair& c) {
  const PairD w = widen(x) - c.a1 * s;
  const Pair y = narrow(c.b0 * w + c.b1 * s);
  s = widen(narrow(w));
  return y;
}

// One band of the detector EQ on both channels: the band's section output, scaled by its
// gain minus 1 (g), is added to the detector signal. The bands run in series, low, mid,
// high. The mid band's b1 is 0; its product 0 x s1 is kept, as it decides the sign of a
// zero result and passes a non-finite delay value on.
struct EqDelays {
  PairD low1, low2, mid1, mid2, high1, high2;
};
TARVO_INLINE Pair eqBand(Pair v, PairD& s1, PairD& s2, const BiquadPair& c, double g) {
  const PairD x = widen(v);
  return narrow(x + splatD(g) * biquad(x, s1, s2, c));
}
template <int kBand>
TARVO_INLINE Pair eqBand(Pair v, EqDelays& s, const Settings& p, const Constants& k) {
  static_assert(kBand >= 0 && kBand <= 2);
  if constexpr (kBand == 0) {
    return eqBand(v, s.low1, s.low2, k.eqLow, p.lowG);
  } else if constexpr (kBand == 1) {
    return eqBand(v, s.mid1, s.mid2, k.eqMid, p.midG);
  } else {
    return eqBand(v, s.high1, s.high2, k.eqHigh, p.highG);
  }
}

// Static gain of one level from the table, or directly while the table is stale or
// beyond its range (levels above 2.0); the reciprocal while expanding. kPlain: the table
// is fresh and the curve compresses or passes.
template <bool kPlain>
TARVO_INLINE float staticGain(float x, float& knee, const Settings& p, const Constants& k) {
  float g;
  if ((!kPlain && k.dirty) || x > 2.0f) {
    knee = kneeStartOf(p.threshold, p.knee);
    g = x > knee ? gainCurveAbove(x, knee, p.threshold, p.ratio, p.knee, p.linearity) : 1.0f;
  } else {
    // x / 0.001 rounded to a 32-bit float is x * 1000 rounded once (in double the
    // quotient's error is far below half an ulp); x in (0, 2] keeps i + 1 <= 2001.
    const float t = x * 1000.0f;
    const int32_t i = static_cast<int32_t>(t);
    const float f = t - static_cast<float>(i);
    g = (1.0f - f) * k.table[i] + f * k.table[i + 1];
  }
  if (!kPlain && p.expand) g = 1.0f / g;
  return g;
}

// Static gains of a pair of levels that need not be linked: both from the table in one
// pass where both levels are within its range and it is fresh, with the same operations
// in each lane as staticGain; otherwise level by level.
template <bool kPlain>
TARVO_INLINE Pair staticGains(Pair x, float& knee, const Settings& p, const Constants& k) {
  if ((kPlain || !k.dirty) && allAtMost(x, 2.0f)) {
    const Pair t = x * splat(1000.0f);
    int32_t i, j;
    const Pair f = t - truncated(t, i, j);
    Pair g = (splat(1.0f) - f) * pairOf(k.table[i], k.table[j]) +
             f * pairOf(k.table[i + 1], k.table[j + 1]);
    if (!kPlain && p.expand) g = splat(1.0f) / g;
    return g;
  }
  const float gL = staticGain<kPlain>(left(x), knee, p, k);
  return pairOf(gL, staticGain<kPlain>(right(x), knee, p, k));
}

}  // namespace tarvo::dsp::chain
