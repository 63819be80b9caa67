// What the chain reads each sample besides its own state: the values taken from the
// smoothed parameters (fixed for a block without ramps, refreshed each sample while one
// runs) and the values fixed for the whole block.
#pragma once

#include <cstdint>

#include "dsp/filters.h"
#include "dsp/pair.h"
#include "params/param_table.h"

namespace tarvo::dsp::chain {

using namespace tarvo::params;

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

// A filter section's coefficients widened to double in both lanes, as the per-sample
// steps use them: widened once for the block rather than at every use (widening a float
// is exact).
struct BiquadPair {
  PairD b0, b1, b2, a1, a2;
  BiquadPair(const Biquad& c)
      : b0(splatD(c.b0)), b1(splatD(c.b1)), b2(splatD(c.b2)), a1(splatD(c.a1)), a2(splatD(c.a2)) {}
};
struct FirstOrderPair {
  PairD b0, b1, a1;
  FirstOrderPair(const FirstOrder& c) : b0(splatD(c.b0)), b1(splatD(c.b1)), a1(splatD(c.a1)) {}
};

// Values fixed for the whole block whatever the ramps do.
struct Constants {
  const float* table;
  float makeup, alpha200, typePole, coef3ms, alpha2ms;
  bool dirty;    // gain table stale: the curve is evaluated directly
  bool mixLink;  // stereo link "Mix" (else "Highest" or "Off")
  BiquadPair inputHighPass, eqLow, eqMid, eqHigh;
  FirstOrderPair detectorHighPass;
};

}  // namespace tarvo::dsp::chain
