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
#include <cstddef>
#include <cstring>

#include "dsp/chain_settings.h"
#include "dsp/chain_steps.h"
#include "dsp/engine.h"
#include "dsp/envelopes.h"
#include "dsp/noise.h"
#include "dsp/pair.h"
#include "params/param_table.h"

namespace tarvo::dsp {

using namespace chain;
using namespace tarvo::params;

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

  const Constants k{gainTable_, makeupGain_, alpha200ms_,           releaseTypeCoef_, coef3ms_,
                    alpha2ms_,  tableDirty_, stereoLinkMode() != 0, inputHighPass_,   eqLow_,
                    eqMid_,     eqHigh_,     detectorHighPass_};

  // State, in scalars so that it stays in registers.
  uint32_t seed = noiseSeed.load(std::memory_order_relaxed);
  float hp0 = inHpState_[0], hp1 = inHpState_[1], hp2 = inHpState_[2], hp3 = inHpState_[3];
  float eq[12];
  std::memcpy(eq, eqState_, sizeof eq);
  float detHpL = detHpState_[0], detHpR = detHpState_[1];
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
  Envelopes env{stage(0),
                stage(1),
                stage(2),
                stage(3),
                stage(4),
                stage(5),
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

  // The parameters whose ramps are running (the rest keep their values this block).
  int ramping[kNumParams];
  int numRamping = 0;
  if constexpr (kRamp) {
    for (int i = 0; i < kNumParams; ++i) {
      if (rampCount_[i] != 0) ramping[numRamping++] = i;
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
        if (rampCount_[i] == 0) continue;
        cv[i] = rampCount_[i] == 1 ? targetValue_[i]
                                   : rampAdvance(cv[i], rampStep_[i], targetValue_[i]);
        --rampCount_[i];
      }
      --rampRemaining_;
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
      Pair a = x * splat(p.inGain) * bal + splat(noiseSample(seed));

      // 20 Hz input high-pass on the audio itself.
      if (!kPlain && p.inputFilter) {
        const float l = f32(biquad(left(a), hp0, hp2, k.inputHighPass));
        const float r = f32(biquad(right(a), hp1, hp3, k.inputHighPass));
        a = pairOf(l, r);
      }

      // Detector copy, detector EQ (low, mid, high; left then right), detector high-pass.
      Pair d = a;
      if (!kPlain && (p.detEq || p.detFilter)) {
        float dc[2] = {left(d), right(d)};
        if (p.detEq) {
          for (int ch = 0; ch < 2; ++ch) {
            float& v = dc[ch];
            float* s = eq + std::ptrdiff_t{6} * ch;
            v = f32(v + p.lowG * biquad(v, s[0], s[1], k.eqLow));
            v = f32(v + p.midG * bandPass(v, s[2], s[3], k.eqMid));
            v = f32(v + p.highG * biquad(v, s[4], s[5], k.eqHigh));
          }
        }
        if (p.detFilter) {
          dc[0] = firstOrder(dc[0], detHpL, k.detectorHighPass);
          dc[1] = firstOrder(dc[1], detHpR, k.detectorHighPass);
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
    storeMeters(inMeter_, inM);
    storeMeters(outMeter_, outM);
    storeMeters(grMeter_, grM);
    grLow = lesserOf(grM, grLow);  // a value that is not a number is passed over
    grHigh = greaterOf(grM, grHigh);
  }
  storeMeters(grLow_, grLow);
  storeMeters(grHigh_, grHigh);

  // Write the state back.
  if constexpr (kRamp) std::memcpy(currentValue_, cv, sizeof cv);
  noiseSeed.store(seed, std::memory_order_relaxed);
  inHpState_[0] = hp0, inHpState_[1] = hp1, inHpState_[2] = hp2, inHpState_[3] = hp3;
  std::memcpy(eqState_, eq, sizeof eq);
  detHpState_[0] = detHpL;
  detHpState_[1] = detHpR;
  kneeStart_ = knee;
  if (!env.attackCoefStored) env.attackCoef = attackFraction(env, p);
  const Pair stages[6] = {env.s0, env.s1, env.s2, env.s3, env.s4, env.s5};
  for (int c = 0; c < (kBoth ? 2 : 1); ++c) {
    const auto lane = [c](Pair v) { return c == 0 ? left(v) : right(v); };
    ChannelEnvelope& e = envelope_[c];
    for (int i = 0; i < 6; ++i) e.releaseStage[i] = lane(stages[i]);
    e.attackStage = lane(env.attackStage);
    e.releaseCoef = lane(env.releaseCoef);
    e.fastReleaseCoef = lane(env.fastReleaseCoef);
    e.attackCoef = lane(env.attackCoef);
    e.gainAvg = lane(env.gainAvg);
    e.gainSmooth = lane(env.gainSmooth);
    e.adaptAlpha = lane(env.adaptAlpha);
  }
}

template <int kType>
void Engine::runTyped(const float* inL, const float* inR, float* outL, float* outR,
                      int32_t frames) {
  const int mode = stereoLinkMode();
  const int link = mode == 2 ? kLinkOff : mode == 0 ? kLinkHighest : kLinkMix;

  // Ramps first: while they run the smoothed values advance each sample.
  int32_t done = 0;
  if (rampRemaining_ != 0) {
    done = rampRemaining_ < static_cast<uint32_t>(frames) ? static_cast<int32_t>(rampRemaining_)
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
  const bool plain = !tableDirty_ && !(currentValue_[kInputFilter] > 0.5f) &&
                     !(currentValue_[kDetEq] > 0.5f) && !(currentValue_[kDetFilter] > 0.5f) &&
                     !(currentValue_[kRatio] > 1.0f);
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
  switch (nearestEven(targetValue_[kReleaseType])) {
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

}  // namespace tarvo::dsp
