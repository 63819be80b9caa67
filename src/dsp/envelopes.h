// The envelopes of the chain: the release cascade of each release type, the attack, the
// program-dependent timing and the adaptive smoother, on a pair of gains (left and right,
// or a linked gain in both lanes).
#pragma once

#include "dsp/chain_settings.h"
#include "dsp/pair.h"

namespace tarvo::dsp::chain {

// Envelope state of both channels: left in the left lane, right in the right lane. With a
// linked pair the right lane repeats the left for the block and the right channel's own
// state stays as it was.
struct Envelopes {
  Pair stage[6];  // release stages
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

// Release step: a falling input u is followed at once, a rising one with the pole c:
// "if u > s then s = (s - u) * c + u, else s = u". The pole is never negative nor a NaN
// (a set pole, or a weighted mean of two), so the step lies at or below u when u > s (its
// increment (s - u) * c is not positive) and at or above u otherwise: the rule is the
// smaller of the step and u; that also holds when a value is not a number, which both
// forms pass on from u or from the step. While the stage releases (u > s in both lanes,
// the usual case) the step is that smaller value; there a branch takes it, so that the
// next stage does not wait for the comparison. That matters where the program-dependent
// timing moves the pole: the next sample's cascade then waits for this sample's. Blocks
// that begin at rest (kSettled), where the stages mostly stand still at u, skip the test.
template <bool kSettled>
TARVO_INLINE void releaseStep(Pair u, Pair& s, Pair c) {
  if (!kSettled && allGreater(u, s)) {
    s = (s - u) * c + u;
  } else {
    s = lesserOf((s - u) * c + u, u);
  }
}

// Release stages kFrom .. kTo - 1 of e in series with the pole c, the first following u;
// returns the last stage.
template <int kFrom, int kTo, bool kSettled>
TARVO_INLINE Pair cascade(Pair u, Envelopes& e, Pair c) {
  // Unrolled whole, so that the stages stay in registers rather than in memory.
#pragma GCC unroll 6
  for (int i = kFrom; i < kTo; ++i) {
    releaseStep<kSettled>(u, e.stage[i], c);
    u = e.stage[i];
  }
  return u;
}

// Attack fraction that the program-dependent timing sets for the sample after the one that
// left the attack stage and the slow average in e: above its average the attack moves
// toward instantaneous.
TARVO_INLINE Pair attackFraction(const Envelopes& e, const Settings& p) {
  const Pair one = splat(1.0f);
  const Pair f = clamp01(splat(p.pdeF) * (one - e.gainAvg / e.attackStage));
  return (one - f) * splat(p.attack) + f;
}

// Whether the settings that attackFraction reads (the attack and the PDE rate) stay the
// same over a kernel call, given each parameter's remaining ramp steps: then the fraction
// can be computed when it is needed rather than every sample.
TARVO_INLINE bool attackSettingsFixed(const uint32_t* rampCount) {
  return rampCount[kAttack] == 0 && rampCount[kPdeRate] == 0;
}

// Release cascade, attack and program-dependent timing on the gains g (<= 1, smaller is
// more gain change). Returns the attack stage, which smoothGain takes on.
// lazyAttack: the settings that the attack fraction reads stay the same for the next
// sample (attackSettingsFixed), so its attack fraction can be computed when it is needed
// (see Envelopes). kSameLanes: both lanes hold the same (linked) gain. kSettled: the block
// began with the smoother at rest (see smoothGain).
template <int kType, bool kSameLanes, bool kSettled = false>
TARVO_INLINE Pair runEnvelopes(Pair g, Envelopes& e, const Settings& p, const Constants& k,
                               bool lazyAttack) {
  const Pair main = e.releaseCoef;
  const Pair fast = e.fastReleaseCoef;
  const Pair one = splat(1.0f);
  if constexpr (kType == 0) {  // "Opto": two fast stages, then the main and the Release2 paths
    const Pair fastOut = cascade<0, 2, kSettled>(g, e, fast);
    releaseStep<kSettled>(fastOut, e.stage[2], main);
    releaseStep<kSettled>(fastOut, e.stage[3], splat(p.rel2));
    g = splat(p.oneMinusMix2) * e.stage[2] + splat(p.mix2) * e.stage[3];
  } else if constexpr (kType == 1) {  // "Pumper": six main stages in series
    g = cascade<0, 6, kSettled>(g, e, main);
  } else if constexpr (kType == 2) {  // "Smooth 2": five fast stages, then a main stage
    g = cascade<5, 6, kSettled>(cascade<0, 5, kSettled>(g, e, fast), e, main);
  } else if constexpr (kType == 3) {  // "Smooth 1": two fast stages, then a main stage
    g = cascade<2, 3, kSettled>(cascade<0, 2, kSettled>(g, e, fast), e, main);
  } else if constexpr (kType == 4) {  // "Classic": one main stage
    g = cascade<0, 1, kSettled>(g, e, main);
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
  // With a positive average and the gain at or above it in both lanes the quotient is at
  // least 1 (division rounds monotonically), so w is not above 0 whatever the division
  // gives: that test, the usual outcome, spares the division.
  e.gainAvg = (g - e.gainAvg) * splat(p.avgFrac) + e.gainAvg;
  Pair w = splat(0.0f);
  if (!(allAtLeast(g, e.gainAvg) && allPositive(e.gainAvg))) {
    w = splat(p.pdeW) * (one - g / e.gainAvg);
  }
  // The poles from w limited to [0, 1]. A w within (0, 1] in both lanes, the usual case
  // when it is positive, needs no limit, and a branch spares the chain to the next
  // sample's poles the limit's steps.
  const auto setPoles = [&](Pair wc) TARVO_LAMBDA_INLINE {
    const Pair fromW = wc * splat(k.coef3ms);
    const Pair rest = one - wc;
    e.releaseCoef = fromW + rest * splat(p.relPole);
    e.fastReleaseCoef = fromW + rest * splat(k.typePole);
  };
  if (anyPositive(w)) {
    if ((kSameLanes || allPositive(w)) && allAtMost(w, 1.0f)) {
      setPoles(w);
    } else {
      // With the same value in both lanes, w is positive: only the upper bound can apply.
      setPoles(kSameLanes ? lesserOf(w, one) : clamp01(w));
    }
  } else {
    e.releaseCoef = splat(p.relPole);
    e.fastReleaseCoef = splat(k.typePole);
  }
  if (lazyAttack) {
    e.attackCoefStored = false;  // attackFraction(e, p) from here on
  } else {
    e.attackCoef = attackFraction(e, p);
  }
  return g;
}

// Adaptive smoother on the attack stage's gains g: changes under 1 % glide with 2 ms,
// larger ones pass next sample. Returns the final gains. Its state depends on nothing
// after g, so the kernels run it as a stage of its own, behind the envelopes.
// The next fraction is (1 - d) x alpha2ms + d, with d = 100 |g - s| limited to [0, 1].
// A gain that has reached its smoothed value in both lanes (a steady gain, such as 1
// below the threshold or in silence) gives d = 0 and the fraction exactly alpha2ms
// ((1 - 0) x alpha2ms + 0). In a block that began so (kSettled), that case is a branch,
// so the next sample's smoothing does not wait for this one's fraction; elsewhere the
// test would only add work to every sample. Otherwise, a d of at most 1 in both lanes
// (the usual case) is its own limit, which a branch leaves out of that chain.
template <bool kSettled>
TARVO_INLINE Pair smoothGain(Pair g, Envelopes& e, const Constants& k) {
  const Pair one = splat(1.0f);
  e.gainSmooth = (g - e.gainSmooth) * e.adaptAlpha + e.gainSmooth;
  const auto setFraction = [&](Pair d) TARVO_LAMBDA_INLINE {
    e.adaptAlpha = (one - d) * splat(k.alpha2ms) + d;
  };
  if (kSettled && allEqual(g, e.gainSmooth)) {
    e.adaptAlpha = splat(k.alpha2ms);
  } else if (const Pair d = splat(100.0f) * abs(g - e.gainSmooth); allAtMost(d, 1.0f)) {
    setFraction(d);
  } else {
    setFraction(clamp01(d));
  }
  return e.gainSmooth;
}

}  // namespace tarvo::dsp::chain
