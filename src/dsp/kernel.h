// The kernel of the block loop (Engine::runKernel), compiled once per release type, link
// mode and mode (ramps, fixed values, plain); included by process.cpp only, which picks
// the kernel for each block.
//
// Every value the chain keeps (audio, detector, levels, gains, stages, filter delays,
// meters) is a 32-bit float. The arithmetic between them is 32-bit too, except in the filters
// (double: their delay values are large beside the signal near 20 Hz), the noise and the direct
// evaluation of the gain curve.
//
// Speed: each sample's chain is long (input stage, up to six release stages, attack,
// timing, smoother, output stage), so its cost is mostly latency. The block loops
//  - pick a kernel once per block, compiled for the release type, the link mode,
//    whether ramps run or any filter, expansion or the direct curve is on, and whether
//    the smoother starts the block at rest, so that the loops test no fixed setting;
//  - while no ramp runs (nearly always), take every parameter and every value derived
//    from parameters alone out of the loops; a ramp that ends inside a block hands the
//    rest of the block to a kernel with fixed values;
//  - run the chain as stages interleaved across samples (see Engine::kernel), so that
//    the recurrences of different stages overlap in the processor;
//  - process left and right in the two lanes of one SSE2 register (the envelopes too;
//    a linked pair repeats the left channel in the right lane), the filters in the two
//    lanes of one double register;
//  - use branches where the usual outcome cuts a dependency on the previous sample;
//  - hold all state in locals for the block and write it back after it.
// Every rewrite of an expression below keeps its IEEE result bit for bit; the comments
// at each rewrite say why.
#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "dsp/chain_settings.h"
#include "dsp/chain_steps.h"
#include "dsp/engine.h"
#include "dsp/envelopes.h"
#include "dsp/noise.h"
#include "dsp/pair.h"
#include "params/param_table.h"

namespace tarvo::dsp {

// This header is the private half of process.cpp.
using namespace chain;

// The body of one kernel of the block loop: loads the chain's state and the block's
// constants into locals, runs `frames` sample pairs through the chain and writes the state
// back. kRamp: the smoothed values advance each sample (the caller passes no more frames
// than the ramps have left); otherwise they are fixed.
template <int kType, int kLink, int kMode>
TARVO_INLINE void Engine::kernel(const float* inLBuf, const float* inRBuf, float* outLBuf,
                                 float* outRBuf, int32_t frames) {
  constexpr bool kRamp = kMode == kModeRamp;
  // kPlain: no input filter, detector EQ or detector high-pass, no expansion and a fresh
  // gain table, so none of them is tested per sample.
  constexpr bool kPlain = kMode == kModePlain || kMode == kModeSettled;

  const Constants k{gainTable_, makeupGain_, alpha200ms_,           releaseTypeCoef_, coef3ms_,
                    alpha2ms_,  tableDirty_, stereoLinkMode() != 0, inputHighPass_,   eqLow_,
                    eqMid_,     eqHigh_,     detectorHighPass_};

  // State, in scalars so that it stays in registers.
  uint32_t seed = noiseSeed.load(std::memory_order_relaxed);
  // Filter delay values, widened (see biquad).
  PairD hp1 = widen(loadPair(inHpState_)), hp2 = widen(loadPair(inHpState_ + 2));
  const float* const e = eqState_;  // left six, then right six
  const auto eqDelay = [e](int i) { return widen(pairOf(e[i], e[6 + i])); };
  EqDelays eq{eqDelay(0), eqDelay(1), eqDelay(2), eqDelay(3), eqDelay(4), eqDelay(5)};
  PairD detHp = widen(loadPair(detHpState_));
  float knee = kneeStart_;
  // Envelopes: with a linked pair the left state runs in both lanes.
  constexpr bool kBoth = kLink == kLinkOff;
  const ChannelEnvelope& envL = envelope_[0];
  const ChannelEnvelope& envR = envelope_[1];
  const auto lanes = [&](float ChannelEnvelope::*field) {
    return kBoth ? pairOf(envL.*field, envR.*field) : splat(envL.*field);
  };
  const auto stage = [&](int i) {
    return kBoth ? pairOf(envL.releaseStage[i], envR.releaseStage[i]) : splat(envL.releaseStage[i]);
  };
  Envelopes env{{stage(0), stage(1), stage(2), stage(3), stage(4), stage(5)},
                lanes(&ChannelEnvelope::attackStage),
                lanes(&ChannelEnvelope::releaseCoef),
                lanes(&ChannelEnvelope::fastReleaseCoef),
                lanes(&ChannelEnvelope::attackCoef),
                true,
                lanes(&ChannelEnvelope::gainAvg),
                lanes(&ChannelEnvelope::gainSmooth),
                lanes(&ChannelEnvelope::adaptAlpha)};

  Settings p;
  float cv[kNumParams];
  std::memcpy(cv, currentValue_, sizeof cv);
  readSettings(p, cv);

  // The ramps that are running (the other parameters keep their values this block), in
  // locals for the block.
  struct Ramp {
    int index;
    uint32_t count;
    float step, target;
  };
  Ramp ramps[kNumParams];
  int numRamps = 0;
  if constexpr (kRamp) {
    for (int i = 0; i < kNumParams; ++i) {
      if (rampCount_[i] != 0) ramps[numRamps++] = {i, rampCount_[i], rampStep_[i], targetValue_[i]};
    }
  }

  // Pairs of the loop: balance factors and meter followers.
  const Pair balance = pairOf(p.oneMinusBalance, p.onePlusBalance);
  const Pair alpha200 = splat(k.alpha200);
  constexpr auto kRelaxed = std::memory_order_relaxed;
  const auto loadMeters = [](const std::atomic<float>* m) {
    return pairOf(m[0].load(kRelaxed), m[1].load(kRelaxed));
  };
  const auto storeMeters = [](std::atomic<float>* m, Pair v) {
    m[0].store(left(v), kRelaxed);
    m[1].store(right(v), kRelaxed);
  };
  Pair inM = loadMeters(inMeter_), outM = loadMeters(outMeter_), grM = loadMeters(grMeter_);
  Pair grLow = loadMeters(grLow_), grHigh = loadMeters(grHigh_);

  // The chain in stages: the input stage (noise, gains), the input high-pass, the
  // detector EQ's three bands, the detector high-pass, the gain computer, the envelopes,
  // the adaptive smoother and the output stage. Each stage carries its own recurrences
  // from sample to sample (filter delays, meters, envelope stages, smoother), and none
  // feeds back into an earlier one, so they run interleaved, each some samples behind the
  // one before it: one loop iteration then holds independent chains of work that the
  // processor overlaps, where the whole chain on one sample would run them one after
  // another. The stages hand audio, detector values, gains and (while ramps run) the
  // sample's settings on through small rings.
  // The processor keeps only so many instructions in flight (about two iterations' worth
  // with every filter on), and an iteration cannot leave until its longest chain is done.
  // The filters therefore run one section per stage, two samples apart (the EQ's three
  // bands in series would make one chain three sections long), and the smoother runs two
  // samples behind the envelopes.
  // While ramps run the curve is mostly evaluated directly, through calls to the maths
  // library that keep fewer values in registers: there the stages up to the gain computer
  // run together on each sample, with the envelopes and the smoother 8 and the output 16
  // behind.
  constexpr int32_t kLag = 4;
  constexpr int32_t kBandLag = kRamp || kPlain ? 0 : 2;
  constexpr int32_t kEqLag = kRamp ? 0 : kLag, kDetHpLag = kEqLag + 3 * kBandLag;
  constexpr int32_t kGainLag = kRamp ? 0 : kDetHpLag + (kPlain ? kLag : kBandLag);
  constexpr int32_t kEnvelopeLag = kRamp ? 8 : kGainLag + kLag;
  constexpr int32_t kSmoothLag = kEnvelopeLag + (kRamp ? 0 : 2);
  constexpr int32_t kLast = kRamp ? 16 : kSmoothLag + kLag;
  constexpr int32_t kRing = 32;  // a power of two
  static_assert(kLast < kRing);
  float audioRing[2 * kRing], detectRing[2 * kRing], gainRing[2 * kRing];
  const auto slot = [](int32_t i) { return 2 * (i & (kRing - 1)); };

  // Input stage of sample i. The input samples of an index are read before its output is
  // written (the output stage runs behind), so the buffers may be the same (in place).
  const auto inputStage = [&](int32_t i, const Settings& p) TARVO_LAMBDA_INLINE {
    // A non-finite sample from the host would poison every state; it counts as silence.
    // A huge one would overflow the gains and curves; it is limited to +120 dBFS.
    const Pair x = limitInput(pairOf(inLBuf[i], inRBuf[i]));

    // Noise, one value for both channels, then input gain and balance.
    seed = nextNoiseSeed(seed);
    const Pair bal = kRamp ? pairOf(p.oneMinusBalance, p.onePlusBalance) : balance;
    storePair(audioRing + slot(i), x * splat(p.inGain) * bal + splat(noiseSample(seed)));
  };

  // 20 Hz input high-pass on the audio itself.
  const auto inputHpStage = [&](int32_t i, const Settings& p) TARVO_LAMBDA_INLINE {
    if (!kPlain && p.inputFilter) {
      float* const a = audioRing + slot(i);
      storePair(a, narrow(biquad(widen(loadPair(a)), hp1, hp2, k.inputHighPass)));
    }
  };

  // Detector copy of the audio and the detector EQ's band kBand (0 low, 1 mid, 2 high).
  const auto eqStage = [&](int32_t i, const Settings& p, auto band) TARVO_LAMBDA_INLINE {
    if constexpr (!kPlain) {
      constexpr int kBand = decltype(band)::value;
      Pair d = loadPair((kBand == 0 ? audioRing : detectRing) + slot(i));
      if (p.detEq) d = eqBand<kBand>(d, eq, p, k);
      if (kBand == 0 || p.detEq) storePair(detectRing + slot(i), d);
    }
  };

  // Detector high-pass.
  const auto detHpStage = [&](int32_t i, const Settings& p) TARVO_LAMBDA_INLINE {
    if (!kPlain && p.detFilter) {
      float* const d = detectRing + slot(i);
      storePair(d, firstOrder(loadPair(d), detHp, k.detectorHighPass));
    }
  };

  // Rectification, input meters and gain computer.
  const auto gainStage = [&](int32_t i, const Settings& p) TARVO_LAMBDA_INLINE {
    const Pair d = loadPair((kPlain ? audioRing : detectRing) + slot(i));

    // Rectification and input meters (before the link).
    const Pair lv = rectify(d);
    inM = peakFollow(lv, inM, alpha200);

    // Gain computer; a linked pair computes the left gain in both lanes.
    Pair g;
    if constexpr (kBoth) {
      g = staticGains<kPlain>(lv, knee, p, k);
    } else {
      g = splat(staticGain<kPlain>(linkLevel<kLink>(lv, d, k.mixLink), knee, p, k));
    }
    storePair(gainRing + slot(i), g);
  };

  // The attack fraction is computed when needed unless a ramp moves what it reads.
  const bool lazyAttack = !kRamp || attackSettingsFixed(rampCount_);
  const auto envelopeStage = [&](int32_t i, const Settings& p) TARVO_LAMBDA_INLINE {
    float* const g = gainRing + slot(i);
    storePair(
        g, runEnvelopes<kType, !kBoth, kMode == kModeSettled>(loadPair(g), env, p, k, lazyAttack));
  };
  const auto smoothStage = [&](int32_t i) TARVO_LAMBDA_INLINE {
    float* const g = gainRing + slot(i);
    storePair(g, smoothGain<kMode == kModeSettled>(loadPair(g), env, k));
  };

  const auto outputStage = [&](int32_t i, const Settings& p) TARVO_LAMBDA_INLINE {
    Pair g = loadPair(gainRing + slot(i));
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
        finiteOrZero(loadPair(audioRing + slot(i)) * g * splat(k.makeup) * splat(p.outGain));
    outM = peakFollow(abs(o), outM, alpha200);
    outLBuf[i] = left(o);
    outRBuf[i] = right(o);

    // Meter feed every 64 samples of the block and at its end: the editor reads each
    // field as a whole value.
    if ((i & 63) == 63 || i == frames - 1) {
      storeMeters(inMeter_, inM);
      storeMeters(outMeter_, outM);
      storeMeters(grMeter_, grM);
      grLow = lesserOf(grM, grLow);  // a value that is not a number is passed over
      grHigh = greaterOf(grM, grHigh);
    }
  };

  // Settings of each sample while ramps run, kept until the stages behind have read
  // them; with fixed values every stage reads p.
  Settings rampSettings[kRamp ? kRing : 1];
  const auto settingsOf = [&](int32_t i) -> const Settings& {
    if constexpr (kRamp) {
      return rampSettings[i & (kRing - 1)];
    } else {
      return p;
    }
  };
  const auto enter = [&](int32_t i) TARVO_LAMBDA_INLINE {
    if constexpr (kRamp) {
      // Ramp advance; the last step lands exactly on the target, and no step passes it.
      for (int j = 0; j < numRamps; ++j) {
        Ramp& r = ramps[j];
        if (r.count == 0) continue;
        float& v = cv[r.index];
        v = r.count == 1 ? r.target : rampAdvance(v, r.step, r.target);
        --r.count;
      }
      readSettings(rampSettings[i & (kRing - 1)], cv);
    }
    inputStage(i, settingsOf(i));
  };

  // One iteration: each stage on its sample, behind the stage before. checked:
  // the iteration is in the block's first or last kLast, where a stage's sample may lie
  // outside the block.
  const auto iteration = [&](int32_t t, auto checked) TARVO_LAMBDA_INLINE {
    const auto active = [&](int32_t i) {
      return !decltype(checked)::value || (i >= 0 && i < frames);
    };
    if (active(t)) enter(t);
    if (active(t - kBandLag)) inputHpStage(t - kBandLag, settingsOf(t - kBandLag));
    if (active(t - kEqLag))
      eqStage(t - kEqLag, settingsOf(t - kEqLag), std::integral_constant<int, 0>{});
    constexpr int32_t kMid = kEqLag + kBandLag, kHigh = kEqLag + 2 * kBandLag;
    if (active(t - kMid)) eqStage(t - kMid, settingsOf(t - kMid), std::integral_constant<int, 1>{});
    if (active(t - kHigh))
      eqStage(t - kHigh, settingsOf(t - kHigh), std::integral_constant<int, 2>{});
    if (active(t - kDetHpLag)) detHpStage(t - kDetHpLag, settingsOf(t - kDetHpLag));
    if (active(t - kGainLag)) gainStage(t - kGainLag, settingsOf(t - kGainLag));
    if (active(t - kEnvelopeLag)) envelopeStage(t - kEnvelopeLag, settingsOf(t - kEnvelopeLag));
    if (active(t - kSmoothLag)) smoothStage(t - kSmoothLag);
    if (active(t - kLast)) outputStage(t - kLast, settingsOf(t - kLast));
  };
  int32_t t = 0;
  for (; t < kLast; ++t) iteration(t, std::true_type{});
  for (; t < frames; ++t) iteration(t, std::false_type{});
  for (; t < frames + kLast; ++t) iteration(t, std::true_type{});
  storeMeters(grLow_, grLow);
  storeMeters(grHigh_, grHigh);

  // Write the state back.
  if constexpr (kRamp) {
    std::memcpy(currentValue_, cv, sizeof cv);
    for (int j = 0; j < numRamps; ++j) rampCount_[ramps[j].index] = ramps[j].count;
    rampRemaining_ -= static_cast<uint32_t>(frames);
  }
  noiseSeed.store(seed, std::memory_order_relaxed);
  storePair(inHpState_, narrow(hp1));
  storePair(inHpState_ + 2, narrow(hp2));
  const PairD eqPairs[6] = {eq.low1, eq.low2, eq.mid1, eq.mid2, eq.high1, eq.high2};
  for (int i = 0; i < 6; ++i) {
    const Pair delay = narrow(eqPairs[i]);
    eqState_[i] = left(delay);
    eqState_[6 + i] = right(delay);
  }
  storePair(detHpState_, narrow(detHp));
  kneeStart_ = knee;
  if (!env.attackCoefStored) env.attackCoef = attackFraction(env, p);
  for (int c = 0; c < (kBoth ? 2 : 1); ++c) {
    const auto lane = [c](Pair v) { return c == 0 ? left(v) : right(v); };
    ChannelEnvelope& e = envelope_[c];
    for (int i = 0; i < 6; ++i) e.releaseStage[i] = lane(env.stage[i]);
    e.attackStage = lane(env.attackStage);
    e.releaseCoef = lane(env.releaseCoef);
    e.fastReleaseCoef = lane(env.fastReleaseCoef);
    e.attackCoef = lane(env.attackCoef);
    e.gainAvg = lane(env.gainAvg);
    e.gainSmooth = lane(env.gainSmooth);
    e.adaptAlpha = lane(env.adaptAlpha);
  }
}

}  // namespace tarvo::dsp
