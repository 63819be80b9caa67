// The per-sample stereo chain and the block loops. Every value the chain keeps (audio,
// detector, levels, gains, stages, filter delays, meters) is a 32-bit float. The
// arithmetic between them is 32-bit too, except in the filters (double: their delay
// values are large beside the signal near 20 Hz), the noise and the direct evaluation of
// the gain curve.
//
// Speed: each sample's chain is long (input stage, up to six release stages, attack,
// timing, smoother, output stage), so its cost is mostly latency. The block loops
//  - pick a kernel once per block, compiled for the release type, the link mode and
//    whether ramps run or any filter, expansion or the direct curve is on, so that the
//    loops test no fixed setting;
//  - while no ramp runs (nearly always), take every parameter and every value derived
//    from parameters alone out of the loops; a ramp that ends inside a block hands the
//    rest of the block to a kernel with fixed values;
//  - run the block in chunks of three short passes (input stage and gain computer,
//    envelopes, output stage), so that several samples of each pass overlap;
//  - process left and right in the two lanes of one SSE2 register (the envelopes too;
//    a linked pair repeats the left channel in the right lane);
//  - use branches where the usual outcome cuts a dependency on the previous sample;
//  - hold all state in locals for the block and write it back after it.
// Every rewrite of an expression below keeps its IEEE result bit for bit; the comments
// at each rewrite say why.
#include <cmath>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "dsp/engine.h"
#include "dsp/gain_curve.h"
#include "dsp/input_guard.h"
#include "dsp/noise.h"
#include "params/param_table.h"

#define TARVO_INLINE [[gnu::always_inline]] inline

namespace tarvo::dsp {
namespace {

using namespace tarvo::params;

inline float f32(double x) {
  return static_cast<float>(x);
}

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

// A left/right pair of 32-bit values processed together. With SSE2 the two channels
// share one register and every operation is one packed instruction; each lane computes
// exactly what the scalar operation computes. The two upper lanes hold zeros.
#if defined(__SSE2__)
struct Pair {
  __m128 v;
};
TARVO_INLINE Pair pairOf(float l, float r) {
  return {_mm_unpacklo_ps(_mm_set_ss(l), _mm_set_ss(r))};
}
TARVO_INLINE Pair splat(float x) {
  return {_mm_set_ps(0.0f, 0.0f, x, x)};
}
TARVO_INLINE float left(Pair a) {
  return _mm_cvtss_f32(a.v);
}
TARVO_INLINE float right(Pair a) {
  return _mm_cvtss_f32(_mm_shuffle_ps(a.v, a.v, _MM_SHUFFLE(3, 2, 0, 1)));
}
TARVO_INLINE Pair operator+(Pair a, Pair b) {
  return {_mm_add_ps(a.v, b.v)};
}
TARVO_INLINE Pair operator-(Pair a, Pair b) {
  return {_mm_sub_ps(a.v, b.v)};
}
TARVO_INLINE Pair operator*(Pair a, Pair b) {
  return {_mm_mul_ps(a.v, b.v)};
}
TARVO_INLINE Pair abs(Pair a) {
  return {_mm_andnot_ps(_mm_set1_ps(-0.0f), a.v)};
}
// a > b ? a : b per lane (b when either is not a number).
TARVO_INLINE Pair greaterOf(Pair a, Pair b) {
  return {_mm_max_ps(a.v, b.v)};
}
// a < b ? a : b per lane (b when either is not a number).
TARVO_INLINE Pair lesserOf(Pair a, Pair b) {
  return {_mm_min_ps(a.v, b.v)};
}
// Each lane as guardInput takes it: limited to +-kInputLimit, 0 where it is not a finite
// number (min/max give the limit for a NaN lane, which the finite mask then clears).
TARVO_INLINE Pair limitInput(Pair a) {
  const __m128 finite = _mm_cmple_ps(abs(a).v, _mm_set1_ps(3.40282347e38f));
  const __m128 limit = _mm_set1_ps(kInputLimit);
  const __m128 clamped = _mm_max_ps(_mm_min_ps(a.v, limit), _mm_sub_ps(_mm_setzero_ps(), limit));
  return {_mm_and_ps(clamped, finite)};
}
// Each lane unchanged when it is a finite number, else 0.
TARVO_INLINE Pair finiteOrZero(Pair a) {
  return {_mm_and_ps(a.v, _mm_cmple_ps(abs(a).v, _mm_set1_ps(3.40282347e38f)))};
}
TARVO_INLINE void storePair(float* to, Pair a) {
  _mm_storel_pi(reinterpret_cast<__m64*>(to), a.v);
}
TARVO_INLINE Pair loadPair(const float* from) {
  return {_mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(from)))};
}
// a / b; the upper lanes divide by 1, so that they never raise a floating-point exception.
TARVO_INLINE Pair operator/(Pair a, Pair b) {
  return {_mm_div_ps(a.v, _mm_movelh_ps(b.v, _mm_set1_ps(1.0f)))};
}
// a >= b ? x : y per lane.
TARVO_INLINE Pair ifAtLeast(Pair a, Pair b, Pair x, Pair y) {
  const __m128 m = _mm_cmpge_ps(a.v, b.v);
  return {_mm_or_ps(_mm_and_ps(m, x.v), _mm_andnot_ps(m, y.v))};
}
// Whether the left or the right lane is greater than 0.
TARVO_INLINE bool anyPositive(Pair a) {
  return (_mm_movemask_ps(_mm_cmpgt_ps(a.v, _mm_setzero_ps())) & 3) != 0;
}
// Whether a >= b in both the left and the right lane.
TARVO_INLINE bool allAtLeast(Pair a, Pair b) {
  return (_mm_movemask_ps(_mm_cmpge_ps(a.v, b.v)) & 3) == 3;
}
#else
struct Pair {
  float l, r;
};
TARVO_INLINE Pair pairOf(float l, float r) {
  return {l, r};
}
TARVO_INLINE Pair splat(float x) {
  return {x, x};
}
TARVO_INLINE float left(Pair a) {
  return a.l;
}
TARVO_INLINE float right(Pair a) {
  return a.r;
}
TARVO_INLINE Pair operator+(Pair a, Pair b) {
  return {a.l + b.l, a.r + b.r};
}
TARVO_INLINE Pair operator-(Pair a, Pair b) {
  return {a.l - b.l, a.r - b.r};
}
TARVO_INLINE Pair operator*(Pair a, Pair b) {
  return {a.l * b.l, a.r * b.r};
}
TARVO_INLINE Pair abs(Pair a) {
  return {std::fabs(a.l), std::fabs(a.r)};
}
TARVO_INLINE Pair greaterOf(Pair a, Pair b) {
  return {a.l > b.l ? a.l : b.l, a.r > b.r ? a.r : b.r};
}
TARVO_INLINE Pair lesserOf(Pair a, Pair b) {
  return {a.l < b.l ? a.l : b.l, a.r < b.r ? a.r : b.r};
}
TARVO_INLINE Pair limitInput(Pair a) {
  return {guardInput(a.l), guardInput(a.r)};
}
TARVO_INLINE Pair finiteOrZero(Pair a) {
  return {std::isfinite(a.l) ? a.l : 0.0f, std::isfinite(a.r) ? a.r : 0.0f};
}
TARVO_INLINE Pair operator/(Pair a, Pair b) {
  return {a.l / b.l, a.r / b.r};
}
TARVO_INLINE void storePair(float* to, Pair a) {
  to[0] = a.l;
  to[1] = a.r;
}
TARVO_INLINE Pair loadPair(const float* from) {
  return {from[0], from[1]};
}
TARVO_INLINE Pair ifAtLeast(Pair a, Pair b, Pair x, Pair y) {
  return {a.l >= b.l ? x.l : y.l, a.r >= b.r ? x.r : y.r};
}
TARVO_INLINE bool anyPositive(Pair a) {
  return a.l > 0.0f || a.r > 0.0f;
}
TARVO_INLINE bool allAtLeast(Pair a, Pair b) {
  return a.l >= b.l && a.r >= b.r;
}
#endif

// Each lane limited to 0..1, and 0 where it is not a number: "if x is not at least 0 it
// becomes 0, else if x > 1 it becomes 1", except that -0 becomes +0, which no use of the
// result can tell apart (each adds it to a positive product or multiplies it by a finite
// value that is added to one).
TARVO_INLINE Pair clamp01(Pair a) {
  return lesserOf(greaterOf(a, splat(0.0f)), splat(1.0f));
}

// Peak follower on a pair: rises at once to the value v, else falls toward it with the
// fraction alpha. With 0 <= alpha < 0.5 the falling step m + (v - m) * alpha never passes
// v (rounding is monotonic) and a rising one never exceeds it, so "v > m ? v : step" is the
// larger of v and the step, with the same result for every input that is not a number.
TARVO_INLINE Pair peakFollow(Pair v, Pair m, Pair alpha) {
  return greaterOf(v, m + (v - m) * alpha);
}

// Level of a detector pair, never below 1e-20 so the gain curve sees a positive level.
TARVO_INLINE Pair rectify(Pair d) {
  return abs(d) + splat(1e-20f);
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

// Second-order direct-form-II section; s1, s2 the first and second delay values.
TARVO_INLINE double biquad(double x, float& s1, float& s2, float b0, float b1, float b2, float a1,
                           float a2) {
  const double w = x - a1 * static_cast<double>(s1) - a2 * static_cast<double>(s2);
  const double y = b0 * w + b1 * static_cast<double>(s1) + b2 * static_cast<double>(s2);
  s2 = s1;
  s1 = f32(w);
  return y;
}

// Envelope state of both channels: left in the left lane, right in the right lane. With a
// linked pair the right lane repeats the left for the block and the right channel's own
// state stays as it was.
struct Envelopes {
  Pair s0, s1, s2, s3, s4, s5;  // release stages
  Pair attackStage;
  Pair releaseCoef, fastReleaseCoef;
  // The attack fraction for the next sample depends only on the attack stage and the
  // slow average that this sample leaves, and the next sample needs it only when its
  // attack stage moves (rarely). It is therefore computed when needed from those two;
  // attackCoef holds a stored value only while attackCoefStored is set (from the state
  // at the start of the block until the first sample has run).
  Pair attackCoef;
  bool attackCoefStored;
  Pair gainAvg, gainSmooth, adaptAlpha;
};

// Values the chain reads from the parameters: fixed for a block without ramps, refreshed
// each sample while one runs.
struct Settings {
  float inGain, oneMinusBalance, onePlusBalance;
  bool inputFilter, detEq, detFilter, expand;
  double lowG, midG, highG;                    // detector EQ band gains minus 1
  float threshold, ratio, knee, linearity;     // static curve (direct path)
  float attack, relPole, avgFrac, rel2, mix2;  // envelope
  float pdeW, pdeF;                            // 2 r^2 and 8 r^2 of the PDE rate r
  float oneMinusMix2;
  float outGain;
};

TARVO_INLINE void readSettings(Settings& s, const float* cv) {
  s.inGain = cv[kInputGain];
  s.oneMinusBalance = 1.0f - cv[kBalance];
  s.onePlusBalance = 1.0f + cv[kBalance];
  s.inputFilter = cv[kInputFilter] > 0.5f;
  s.detEq = cv[kDetEq] > 0.5f;
  s.detFilter = cv[kDetFilter] > 0.5f;
  s.expand = cv[kRatio] > 1.0f;
  s.lowG = cv[kEqLow] - 1.0;
  s.midG = cv[kEqMid] - 1.0;
  s.highG = cv[kEqHigh] - 1.0;
  s.threshold = cv[kThreshold];
  s.ratio = cv[kRatio];
  s.knee = cv[kKnee];
  s.linearity = cv[kLinearity];
  s.attack = cv[kAttack];
  s.relPole = cv[kRelease];
  s.avgFrac = cv[kPdeTime];
  s.rel2 = cv[kRelease2];
  s.mix2 = cv[kRel2Level];
  // 2 * r * r * (...) evaluates as ((2 * r) * r) * (...): the first two factors are fixed.
  s.pdeW = 2.0f * cv[kPdeRate] * cv[kPdeRate];
  s.pdeF = 8.0f * cv[kPdeRate] * cv[kPdeRate];
  s.oneMinusMix2 = 1.0f - cv[kRel2Level];
  s.outGain = cv[kOutputGain];
}

// Values fixed for the whole block whatever the ramps do.
struct Constants {
  const float* table;
  float makeup, alpha200, typePole, coef3ms, alpha2ms;
  bool dirty;    // gain table stale: the curve is evaluated directly
  bool mixLink;  // stereo link "Mix" (else "Highest" or "Off")
  float hpB0, hpB1, hpB2, hpA1, hpA2;
  float lowB0, lowB1, lowB2, lowA1, lowA2;
  float midB0, midB2, midA1, midA2;
  float highB0, highB1, highB2, highA1, highA2;
  float detB0, detB1, detA1;
};

// Release step: a falling input u is followed at once, a rising one with the pole c:
// "if u > s then s = (s - u) * c + u, else s = u". With 0 <= c <= 1 the step lies at or
// below u when u > s (its increment (s - u) * c is not positive) and at or above u
// otherwise, so the rule is the smaller of the step and u; that also holds when a value
// is not a number, which both forms pass on from u or from the step.
TARVO_INLINE void releaseStep(Pair u, Pair& s, Pair c) {
  s = lesserOf((s - u) * c + u, u);
}

// Attack fraction that the program-dependent timing sets for the sample after the one that
// left the attack stage and the slow average in e: above its average the attack moves
// toward instantaneous.
TARVO_INLINE Pair attackFraction(const Envelopes& e, const Settings& p) {
  const Pair one = splat(1.0f);
  const Pair f = clamp01(splat(p.pdeF) * (one - e.gainAvg / e.attackStage));
  return (one - f) * splat(p.attack) + f;
}

// Release cascade, attack, program-dependent timing and adaptive smoother on the gains g
// (<= 1, smaller is more gain change). Returns the final gains.
// kLazyAttack: the settings stay the same for the next sample, so its attack fraction
// can be computed when it is needed (see Envelopes).
template <int kType, bool kLazyAttack>
TARVO_INLINE Pair runEnvelopes(Pair g, Envelopes& e, const Settings& p, const Constants& k) {
  const Pair main = e.releaseCoef;
  const Pair fast = e.fastReleaseCoef;
  const Pair one = splat(1.0f);
  if constexpr (kType == 0) {  // "Opto": two fast stages, then the main and the Release2 paths
    releaseStep(g, e.s0, fast);
    releaseStep(e.s0, e.s1, fast);
    releaseStep(e.s1, e.s2, main);
    releaseStep(e.s1, e.s3, splat(p.rel2));
    g = splat(p.oneMinusMix2) * e.s2 + splat(p.mix2) * e.s3;
  } else if constexpr (kType == 1) {  // "Pumper": six main stages in series
    releaseStep(g, e.s0, main);
    releaseStep(e.s0, e.s1, main);
    releaseStep(e.s1, e.s2, main);
    releaseStep(e.s2, e.s3, main);
    releaseStep(e.s3, e.s4, main);
    releaseStep(e.s4, e.s5, main);
    g = e.s5;
  } else if constexpr (kType == 2) {  // "Smooth 2": five fast stages, then a main stage
    releaseStep(g, e.s0, fast);
    releaseStep(e.s0, e.s1, fast);
    releaseStep(e.s1, e.s2, fast);
    releaseStep(e.s2, e.s3, fast);
    releaseStep(e.s3, e.s4, fast);
    releaseStep(e.s4, e.s5, main);
    g = e.s5;
  } else if constexpr (kType == 3) {  // "Smooth 1": two fast stages, then a main stage
    releaseStep(g, e.s0, fast);
    releaseStep(e.s0, e.s1, fast);
    releaseStep(e.s1, e.s2, main);
    g = e.s2;
  } else if constexpr (kType == 4) {  // "Classic": one main stage
    releaseStep(g, e.s0, main);
    g = e.s0;
  }

  // Attack: a rising gain passes, a falling gain is slowed by the attack fraction. The
  // usual case, both gains passing, is a branch rather than a selection, so that the
  // stage does not wait for the attack fraction that the previous sample computed.
  if (allAtLeast(g, e.attackStage)) {
    e.attackStage = g;
  } else {
    const Pair coef = e.attackCoefStored ? e.attackCoef : attackFraction(e, p);
    e.attackStage = ifAtLeast(g, e.attackStage, g, (g - e.attackStage) * coef + e.attackStage);
  }
  g = e.attackStage;

  // Program-dependent timing for the next sample: below its slow average the release
  // poles move toward 3 ms, above it the attack moves toward instantaneous. A weight w
  // that is not above 0 leaves each pole at exactly its set value (0 x pole3ms + 1 x
  // pole); that case, the usual one above the average, is a branch rather than
  // arithmetic, so the next sample's release does not wait for this sample's divisions.
  e.gainAvg = (g - e.gainAvg) * splat(p.avgFrac) + e.gainAvg;
  const Pair w = splat(p.pdeW) * (one - g / e.gainAvg);
  if (anyPositive(w)) {
    const Pair wc = clamp01(w);
    const Pair fromW = wc * splat(k.coef3ms);
    const Pair rest = one - wc;
    e.releaseCoef = fromW + rest * splat(p.relPole);
    e.fastReleaseCoef = fromW + rest * splat(k.typePole);
  } else {
    e.releaseCoef = splat(p.relPole);
    e.fastReleaseCoef = splat(k.typePole);
  }
  if constexpr (kLazyAttack) {
    e.attackCoefStored = false;  // attackFraction(e, p) from here on
  } else {
    e.attackCoef = attackFraction(e, p);
  }

  // Adaptive smoother: changes under 1 % glide with 2 ms, larger ones pass next sample.
  e.gainSmooth = (g - e.gainSmooth) * e.adaptAlpha + e.gainSmooth;
  const Pair d = clamp01(splat(100.0f) * abs(g - e.gainSmooth));
  e.adaptAlpha = (one - d) * splat(k.alpha2ms) + d;
  return e.gainSmooth;
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

}  // namespace

// One kernel of the block loop: loads the chain's state and the block's constants into
// locals, runs `frames` sample pairs through the chain and writes the state back. kRamp:
// the smoothed values advance each sample (the caller passes no more frames than the
// ramps have left); otherwise they are fixed.
template <int kType, int kLink, int kMode>
void Engine::runKernel(const float* inLBuf, const float* inRBuf, float* outLBuf, float* outRBuf,
                       int32_t frames) {
  constexpr bool kRamp = kMode == kModeRamp;
  // kPlain: no input filter, detector EQ or detector high-pass, no expansion and a fresh
  // gain table, so none of them is tested per sample.
  constexpr bool kPlain = kMode == kModePlain;

  Constants k;
  k.table = gainTable;
  k.makeup = makeupGain;
  k.alpha200 = alpha200ms;
  k.typePole = releaseTypeCoef;
  k.coef3ms = coef3ms;
  k.alpha2ms = alpha2ms;
  k.dirty = tableDirty != 0;
  k.mixLink = stereoLinkMode.load(std::memory_order_relaxed) != 0;
  k.hpB0 = inHpB0, k.hpB1 = inHpB1, k.hpB2 = inHpB2, k.hpA1 = inHpA1, k.hpA2 = inHpA2;
  k.lowB0 = eqLowB0, k.lowB1 = eqLowB1, k.lowB2 = eqLowB2, k.lowA1 = eqLowA1, k.lowA2 = eqLowA2;
  k.midB0 = eqMidB0, k.midB2 = eqMidB2, k.midA1 = eqMidA1, k.midA2 = eqMidA2;
  k.highB0 = eqHighB0, k.highB1 = eqHighB1, k.highB2 = eqHighB2, k.highA1 = eqHighA1,
  k.highA2 = eqHighA2;
  k.detB0 = detHpB0, k.detB1 = detHpB1, k.detA1 = detHpA1;

  // State, in scalars so that it stays in registers.
  uint32_t seed = noiseSeed.load(std::memory_order_relaxed);
  float hp0 = inHpState[0], hp1 = inHpState[1], hp2 = inHpState[2], hp3 = inHpState[3];
  float eq[12];
  std::memcpy(eq, eqState, sizeof eq);
  float detHpL = detHpStateL, detHpR = detHpStateR;
  float knee = kneeStart;
  // Envelopes: with a linked pair the left state runs in both lanes.
  constexpr bool kBoth = kLink == kLinkOff;
  const auto lanes = [](float l, float r) { return kBoth ? pairOf(l, r) : splat(l); };
  Envelopes env{lanes(releaseStageL[0], releaseStageR[0]),
                lanes(releaseStageL[1], releaseStageR[1]),
                lanes(releaseStageL[2], releaseStageR[2]),
                lanes(releaseStageL[3], releaseStageR[3]),
                lanes(releaseStageL[4], releaseStageR[4]),
                lanes(releaseStageL[5], releaseStageR[5]),
                lanes(attackStageL, attackStageR),
                lanes(releaseCoefL, releaseCoefR),
                lanes(fastReleaseCoefL, fastReleaseCoefR),
                lanes(attackCoefL, attackCoefR),
                true,
                lanes(gainAvgL, gainAvgR),
                lanes(gainSmoothL, gainSmoothR),
                lanes(adaptAlphaL, adaptAlphaR)};

  Settings p;
  float cv[kNumParams];
  std::memcpy(cv, currentValue, sizeof cv);
  readSettings(p, cv);

  // The parameters whose ramps are running (the rest keep their values this block).
  int ramping[kNumParams];
  int numRamping = 0;
  if constexpr (kRamp) {
    for (int i = 0; i < kNumParams; ++i) {
      if (rampCount[i] != 0) ramping[numRamping++] = i;
    }
  }

  // Pairs of the loop: balance factors, meter followers, last values of the chain.
  const Pair balance = pairOf(p.oneMinusBalance, p.onePlusBalance);
  const Pair alpha200 = splat(k.alpha200);
  Pair inM =
      pairOf(inMeterL.load(std::memory_order_relaxed), inMeterR.load(std::memory_order_relaxed));
  Pair outM =
      pairOf(outMeterL.load(std::memory_order_relaxed), outMeterR.load(std::memory_order_relaxed));
  Pair grM =
      pairOf(grMeterL.load(std::memory_order_relaxed), grMeterR.load(std::memory_order_relaxed));
  Pair grLow =
      pairOf(grLowL.load(std::memory_order_relaxed), grLowR.load(std::memory_order_relaxed));
  Pair grHigh =
      pairOf(grHighL.load(std::memory_order_relaxed), grHighR.load(std::memory_order_relaxed));
  Pair a = pairOf(audioL, audioR), d = pairOf(detectL, detectR);

  // The block runs in chunks, each in three passes over the chunk: the input stage and
  // gain computer, the envelopes, the output stage. Each pass is a short loop whose
  // samples overlap in the processor, where one long loop would hold only about one
  // sample's work at a time. While ramps run, a chunk is one sample.
  constexpr int32_t kChunk = kRamp ? 1 : 64;
  float audioBuf[2 * kChunk], gainBuf[2 * kChunk];
  for (int32_t pos = 0; pos < frames; pos += kChunk) {
    const int32_t len = frames - pos < kChunk ? frames - pos : kChunk;
    const float* const inL = inLBuf + pos;
    const float* const inR = inRBuf + pos;

    if constexpr (kRamp) {
      // Ramp advance; the last step lands exactly on the target, and no step passes it.
      for (int j = 0; j < numRamping; ++j) {
        const int i = ramping[j];
        if (rampCount[i] == 0) continue;
        cv[i] =
            rampCount[i] == 1 ? targetValue[i] : rampAdvance(cv[i], rampStep[i], targetValue[i]);
        --rampCount[i];
      }
      --rampRemaining;
      readSettings(p, cv);
    }
    const Pair bal = kRamp ? pairOf(p.oneMinusBalance, p.onePlusBalance) : balance;

    // Input stage and gain computer. Both input samples of an index are read before any
    // output of the chunk is written, so the buffers may be the same (in place).
    for (int32_t n = 0; n < len; ++n) {
      // A non-finite sample from the host would poison every state; it counts as silence.
      // A huge one would overflow the gains and curves; it is limited to +120 dBFS.
      const Pair x = limitInput(pairOf(inL[n], inR[n]));

      // Noise, one value for both channels, then input gain and balance.
      seed = nextNoiseSeed(seed);
      a = x * splat(p.inGain) * bal + splat(noiseSample(seed));

      // 20 Hz input high-pass on the audio itself.
      if (!kPlain && p.inputFilter) {
        const float l = f32(biquad(left(a), hp0, hp2, k.hpB0, k.hpB1, k.hpB2, k.hpA1, k.hpA2));
        const float r = f32(biquad(right(a), hp1, hp3, k.hpB0, k.hpB1, k.hpB2, k.hpA1, k.hpA2));
        a = pairOf(l, r);
      }

      // Detector copy, detector EQ (low, mid, high; left then right), detector high-pass.
      d = a;
      if (!kPlain && (p.detEq || p.detFilter)) {
        float dc[2] = {left(d), right(d)};
        if (p.detEq) {
          for (int ch = 0; ch < 2; ++ch) {
            float& v = dc[ch];
            float* s = eq + std::ptrdiff_t{6} * ch;
            v = f32(v +
                    p.lowG * biquad(v, s[0], s[1], k.lowB0, k.lowB1, k.lowB2, k.lowA1, k.lowA2));
            v = f32(v + p.midG * biquad(v, s[2], s[3], k.midB0, 0.0f, k.midB2, k.midA1, k.midA2));
            v = f32(v + p.highG * biquad(v, s[4], s[5], k.highB0, k.highB1, k.highB2, k.highA1,
                                         k.highA2));
          }
        }
        if (p.detFilter) {
          const double wL = dc[0] - k.detA1 * static_cast<double>(detHpL);
          dc[0] = f32(k.detB0 * wL + k.detB1 * static_cast<double>(detHpL));
          detHpL = f32(wL);
          const double wR = dc[1] - k.detA1 * static_cast<double>(detHpR);
          dc[1] = f32(k.detB0 * wR + k.detB1 * static_cast<double>(detHpR));
          detHpR = f32(wR);
        }
        d = pairOf(dc[0], dc[1]);
      }

      // Rectification and input meters (before the link).
      const Pair lv = rectify(d);
      inM = peakFollow(lv, inM, alpha200);

      // Gain computer; a linked pair computes the left gain in both lanes.
      Pair g;
      if constexpr (kBoth) {
        const float gL = staticGain<kPlain>(left(lv), knee, p, k);
        g = pairOf(gL, staticGain<kPlain>(right(lv), knee, p, k));
      } else {
        g = splat(staticGain<kPlain>(linkLevel<kLink>(lv, d, k.mixLink), knee, p, k));
      }
      storePair(audioBuf + 2 * n, a);
      storePair(gainBuf + 2 * n, g);
    }

    // Envelopes.
    for (int32_t n = 0; n < len; ++n) {
      storePair(gainBuf + 2 * n, runEnvelopes<kType, !kRamp>(loadPair(gainBuf + 2 * n), env, p, k));
    }

    // Output stage.
    for (int32_t n = 0; n < len; ++n) {
      Pair g = loadPair(gainBuf + 2 * n);
      // Back from the reciprocal when expanding; gain meters hold the largest change:
      // with 0 <= alpha < 0.5 the step (g - m) * alpha + m lies between m and g, so
      // "take g if it is a larger change, else step" is the larger (expanding) or smaller
      // (compressing) of g and the step, with the same result for every input that is not
      // a number.
      if (!kPlain && p.expand) g = splat(1.0f) / g;
      const Pair grStep = (g - grM) * alpha200 + grM;
      grM = !kPlain && p.expand ? greaterOf(g, grStep) : lesserOf(grStep, g);

      // Output: audio x gain x make-up x output gain, then the output meters.
      // A sample past the float range (an expander's gain on input near the +120 dBFS
      // limit can get there) leaves as silence rather than as an infinity on the bus.
      const Pair o =
          finiteOrZero(loadPair(audioBuf + 2 * n) * g * splat(k.makeup) * splat(p.outGain));
      outM = peakFollow(abs(o), outM, alpha200);
      outLBuf[pos + n] = left(o);
      outRBuf[pos + n] = right(o);
    }

    // Meter feed, once per chunk: the editor reads each field as a whole value.
    inMeterL.store(left(inM), std::memory_order_relaxed);
    inMeterR.store(right(inM), std::memory_order_relaxed);
    outMeterL.store(left(outM), std::memory_order_relaxed);
    outMeterR.store(right(outM), std::memory_order_relaxed);
    grMeterL.store(left(grM), std::memory_order_relaxed);
    grMeterR.store(right(grM), std::memory_order_relaxed);
    grLow = lesserOf(grM, grLow);  // a value that is not a number is passed over
    grHigh = greaterOf(grM, grHigh);
  }
  grLowL.store(left(grLow), std::memory_order_relaxed);
  grLowR.store(right(grLow), std::memory_order_relaxed);
  grHighL.store(left(grHigh), std::memory_order_relaxed);
  grHighR.store(right(grHigh), std::memory_order_relaxed);

  // Write the state back.
  if constexpr (kRamp) std::memcpy(currentValue, cv, sizeof cv);
  noiseSeed.store(seed, std::memory_order_relaxed);
  inHpState[0] = hp0, inHpState[1] = hp1, inHpState[2] = hp2, inHpState[3] = hp3;
  std::memcpy(eqState, eq, sizeof eq);
  detHpStateL = detHpL;
  detHpStateR = detHpR;
  kneeStart = knee;
  const Pair stages[6] = {env.s0, env.s1, env.s2, env.s3, env.s4, env.s5};
  for (int i = 0; i < 6; ++i) {
    releaseStageL[i] = left(stages[i]);
    if (kBoth) releaseStageR[i] = right(stages[i]);
  }
  attackStageL = left(env.attackStage);
  releaseCoefL = left(env.releaseCoef);
  fastReleaseCoefL = left(env.fastReleaseCoef);
  if (!env.attackCoefStored) env.attackCoef = attackFraction(env, p);
  attackCoefL = left(env.attackCoef);
  gainAvgL = left(env.gainAvg);
  gainSmoothL = left(env.gainSmooth);
  adaptAlphaL = left(env.adaptAlpha);
  if (kBoth) {
    attackStageR = right(env.attackStage);
    releaseCoefR = right(env.releaseCoef);
    fastReleaseCoefR = right(env.fastReleaseCoef);
    attackCoefR = right(env.attackCoef);
    gainAvgR = right(env.gainAvg);
    gainSmoothR = right(env.gainSmooth);
    adaptAlphaR = right(env.adaptAlpha);
  }
  if (frames > 0) {
    // Values of the last sample pair, taken from the state rather than carried through
    // the loop: the levels from the detector values, the gains from the smoothers.
    audioL = left(a);
    audioR = right(a);
    detectL = left(d);
    detectR = right(d);
    const Pair lv = rectify(d);
    levelL = linkLevel<kLink>(lv, d, k.mixLink);
    levelR = right(lv);
    const Pair g = !kPlain && p.expand ? splat(1.0f) / env.gainSmooth : env.gainSmooth;
    gainL = left(g);
    gainR = right(g);
  }
}

template <int kType>
void Engine::runTyped(const float* inL, const float* inR, float* outL, float* outR,
                      int32_t frames) {
  const int mode = stereoLinkMode.load(std::memory_order_relaxed);
  const int link = mode == 2 ? kLinkOff : mode == 0 ? kLinkHighest : kLinkMix;

  // Ramps first: while they run the smoothed values advance each sample.
  int32_t done = 0;
  if (rampRemaining != 0) {
    done = rampRemaining < static_cast<uint32_t>(frames) ? static_cast<int32_t>(rampRemaining)
                                                         : frames;
    if (link == kLinkOff) {
      runKernel<kType, kLinkOff, kModeRamp>(inL, inR, outL, outR, done);
    } else {
      runKernel<kType, kLinkEither, kModeRamp>(inL, inR, outL, outR, done);
    }
    if (done == frames) return;
    inL += done, inR += done, outL += done, outR += done;
  }
  const int32_t rest = frames - done;

  // Fixed values: the plain kernel when no filter, no expansion and a fresh table.
  const bool plain = tableDirty == 0 && !(currentValue[kInputFilter] > 0.5f) &&
                     !(currentValue[kDetEq] > 0.5f) && !(currentValue[kDetFilter] > 0.5f) &&
                     !(currentValue[kRatio] > 1.0f);
  if (plain) {
    if (link == kLinkOff) {
      runKernel<kType, kLinkOff, kModePlain>(inL, inR, outL, outR, rest);
    } else if (link == kLinkHighest) {
      runKernel<kType, kLinkHighest, kModePlain>(inL, inR, outL, outR, rest);
    } else {
      runKernel<kType, kLinkMix, kModePlain>(inL, inR, outL, outR, rest);
    }
  } else {
    if (link == kLinkOff) {
      runKernel<kType, kLinkOff, kModeSteady>(inL, inR, outL, outR, rest);
    } else {
      runKernel<kType, kLinkEither, kModeSteady>(inL, inR, outL, outR, rest);
    }
  }
}

void Engine::runBlock(const float* inL, const float* inR, float* outL, float* outR,
                      int32_t frames) {
  // The release type is the rounded target of "Release Type", fixed within a block.
  switch (nearestEven(targetValue[kReleaseType])) {
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
  updateBlock(store);
  if (sampleFrames <= 0 || inputs == nullptr || outputs == nullptr) return;
  if (!inputs[0] || !inputs[1] || !outputs[0] || !outputs[1]) return;
  runBlockAdding(inputs[0], inputs[1], outputs[0], outputs[1], sampleFrames);
  recoverNonFinite();
}

void Engine::processReplacing(float** inputs, float** outputs, int32_t sampleFrames,
                              ParamStore& store) {
  updateBlock(store);
  if (sampleFrames <= 0 || inputs == nullptr || outputs == nullptr) return;
  if (!inputs[0] || !inputs[1] || !outputs[0] || !outputs[1]) return;
  runBlock(inputs[0], inputs[1], outputs[0], outputs[1], sampleFrames);
  recoverNonFinite();
}

void Engine::processSample(float inL, float inR, float& outL, float& outR) {
  float l = 0, r = 0;
  runBlock(&inL, &inR, &l, &r, 1);
  outL = l;
  outR = r;
}

}  // namespace tarvo::dsp
