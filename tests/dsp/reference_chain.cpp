#include "reference_chain.h"

#include <cmath>
#include <initializer_list>

#include "dsp/gain_curve.h"
#include "dsp/input_guard.h"
#include "dsp/time_constants.h"

namespace tarvo::dsp::reference {

using namespace tarvo::params;

namespace {

int nearestInteger(float x) {
  return static_cast<int>(std::nearbyint(x));  // ties to even
}

// A host sample as the chain takes it: not a number or infinite counts as silence, and
// anything beyond the input limit is held at the limit.
float hostSample(float x) {
  if (std::isnan(x) || std::isinf(x)) return 0.0f;
  if (x > kInputLimit) return kInputLimit;
  if (x < -kInputLimit) return -kInputLimit;
  return x;
}

// Second-order section in direct form II, worked in double; the delays are kept as floats.
double secondOrder(double x, const Biquad& c, float& s1, float& s2) {
  const double w = x - c.a1 * static_cast<double>(s1) - c.a2 * static_cast<double>(s2);
  const double y = c.b0 * w + c.b1 * static_cast<double>(s1) + c.b2 * static_cast<double>(s2);
  s2 = s1;
  s1 = static_cast<float>(w);
  return y;
}

// Release step: a falling input is followed at once, a rising one with the pole c.
void releaseStep(float u, float& s, float c) {
  if (u > s) {
    s = (s - u) * c + u;
  } else {
    s = u;
  }
}

// 0 when x is not at least 0, 1 when it is above 1.
float clampUnit(float x) {
  if (!(x >= 0.0f)) return 0.0f;
  if (x > 1.0f) return 1.0f;
  return x;
}

// Peak follower: rises at once to v, falls toward it by the fraction alpha.
void peakFollow(float v, float& m, float alpha) {
  if (v > m) {
    m = v;
  } else {
    m = m + (v - m) * alpha;
  }
}

}  // namespace

Chain::Chain() {
  computeRateConstants();
  for (bool& changed : paramChanged_) changed = true;
  suspend();
}

void Chain::setParameter(int index, float value) {
  paramValue_[index] = value;
  paramChanged_[index] = true;
}

void Chain::setSampleRate(float rate) {
  sampleRate_ = rate;
  sampleRateChanged_ = true;
  for (bool& changed : paramChanged_) changed = true;
}

void Chain::resume() {
  if (!sampleRateChanged_) return;
  sampleRateChanged_ = false;
  computeRateConstants();
}

void Chain::computeRateConstants() {
  const double fs = sampleRate_;
  rampLength_ = static_cast<uint32_t>(std::nearbyint(0.1 * fs));
  coef3ms_ = static_cast<float>(polePerSample(0.003, fs));
  alpha2ms_ = static_cast<float>(stepPerSample(0.002, fs));
  left_.adaptAlpha = alpha2ms_;
  right_.adaptAlpha = alpha2ms_;
  alpha200ms_ = static_cast<float>(1.0 - std::exp(-1.0 / (0.2 * fs)));  // true exponential
  inHp_ = inputHighPassDesign(fs);
}

void Chain::suspend() {
  for (Channel* c : {&left_, &right_}) {
    c->inMeter = 0.0f;
    c->outMeter = 0.0f;
    c->grMeter = 1.0f;
    c->releaseCoef = 1.0f;
    c->fastReleaseCoef = 1.0f;
    c->attackCoef = 0.0f;
    c->gainAvg = 1.0f;
    c->gainSmooth = 1.0f;
  }
}

// ---- Block update ----

void Chain::updateBlock() {
  for (int i = 0; i < kNumParams; ++i) {
    if (!paramChanged_[i]) continue;
    paramChanged_[i] = false;
    targetValue_[i] = params::targetValue(i, paramValue_[i]);
    deriveParameter(i);
    // A linear glide of rampLength samples from where the value is now.
    rampCount_[i] = rampLength_;
    rampRemaining_ = rampLength_;
    rampStep_[i] = static_cast<float>(
        (static_cast<double>(targetValue_[i]) - static_cast<double>(currentValue_[i])) /
        rampLength_);
  }

  // The very first block starts on the targets.
  if (snapPending_) {
    snapPending_ = false;
    rampRemaining_ = 0;
    for (int i = 0; i < kNumParams; ++i) {
      rampCount_[i] = 0;
      currentValue_[i] = targetValue_[i];
    }
  }

  if (tableDirty_ && rampRemaining_ == 0) rebuildGainTable();
}

void Chain::deriveParameter(int i) {
  const double fs = sampleRate_;
  switch (i) {
    case kThreshold:
    case kOutputGain:
    case kRatio:
    case kKnee:
    case kLinearity:
      tableDirty_ = true;
      updateAutoGain();
      break;
    case kAutoGain:
      updateAutoGain();
      break;
    case kAttack:
      targetValue_[i] = static_cast<float>(stepPerSample(targetValue_[i], fs));
      break;
    case kRelease: {
      double seconds = targetValue_[i];
      if (nearestInteger(targetValue_[kReleaseType]) == 1) seconds = 0.154 * seconds;
      targetValue_[i] = static_cast<float>(polePerSample(seconds, fs));
      break;
    }
    case kInputFilter:
      left_.inHp1 = left_.inHp2 = right_.inHp1 = right_.inHp2 = 0.0f;
      break;
    case kReleaseType: {
      paramChanged_[kRelease] = true;  // its pole depends on the type: next block
      releaseType_ = nearestInteger(targetValue_[i]);
      double seconds = 0.02;
      if (releaseType_ == 0 || releaseType_ == 3) seconds = seconds * 0.455;
      if (releaseType_ == 2) seconds = seconds * 0.185;
      releaseTypeCoef_ = static_cast<float>(polePerSample(seconds, fs));
      for (Channel* c : {&left_, &right_}) {
        for (float& s : c->releaseStage) s = 1.0f;
        c->attackStage = 1.0f;
      }
      break;
    }
    case kPdeTime:
      targetValue_[i] = static_cast<float>(stepPerSample(targetValue_[i], fs));
      break;
    case kRelease2:
      targetValue_[i] = static_cast<float>(polePerSample(targetValue_[i], fs));
      break;
    case kStereoLink:
      stereoLinkMode_ = nearestInteger(targetValue_[i]);
      break;
    case kDetFilter:
      left_.detHp = right_.detHp = 0.0f;
      break;
    case kFilterFreq:
      detHp_ = detectorHighPassDesign(targetValue_[i], fs);
      break;
    case kDetEq:
      for (Channel* c : {&left_, &right_}) {
        c->eqLow1 = c->eqLow2 = c->eqMid1 = c->eqMid2 = c->eqHigh1 = c->eqHigh2 = 0.0f;
      }
      break;
    case kEqLow:
      eqLow_ = eqLowDesign(targetValue_[i], fs);
      break;
    case kEqMid:
      eqMid_ = eqMidDesign(targetValue_[i], fs);
      break;
    case kEqHigh:
      eqHigh_ = eqHighDesign(targetValue_[i], fs);
      break;
    default:
      break;
  }
}

// Make-up gain: the reciprocal of the static curve at full scale, from the targets.
void Chain::updateAutoGain() {
  makeupGain_ = 1.0f;
  if (targetValue_[kAutoGain] > 0.5f) {
    const float g = gainCurve(1.0f, targetValue_[kThreshold], targetValue_[kRatio],
                              targetValue_[kKnee], targetValue_[kLinearity]);
    makeupGain_ = static_cast<float>(1.0 / g);
  }
}

void Chain::rebuildGainTable() {
  tableDirty_ = false;
  const float t = currentValue_[kThreshold], r = currentValue_[kRatio];
  const float k = currentValue_[kKnee], l = currentValue_[kLinearity];
  kneeStart_ = kneeStartOf(t, k);
  for (int j = 0; j < kGainTableSize; ++j) {
    gainTable_[j] = gainCurve(static_cast<float>(j * 0.001), t, r, k, l);
  }
}

// ---- Block loops ----

void Chain::processReplacing(const float* inL, const float* inR, float* outL, float* outR,
                             int32_t frames) {
  updateBlock();
  glideEndedAt_ = -1;
  for (int32_t i = 0; i < frames; ++i) {
    const bool gliding = rampRemaining_ != 0;
    processSample(inL[i], inR[i], outL[i], outR[i]);
    if (gliding && rampRemaining_ == 0) glideEndedAt_ = i;
  }
}

void Chain::process(const float* inL, const float* inR, float* outL, float* outR, int32_t frames) {
  updateBlock();
  glideEndedAt_ = -1;
  for (int32_t i = 0; i < frames; ++i) {
    const bool gliding = rampRemaining_ != 0;
    float l, r;
    processSample(inL[i], inR[i], l, r);
    if (gliding && rampRemaining_ == 0) glideEndedAt_ = i;
    outL[i] += l;
    outR[i] += r;
  }
}

// ---- The chain of one sample pair ----

void Chain::processSample(float inL, float inR, float& outL, float& outR) {
  advanceRamps();
  const float noise = drawNoise();
  inputGainAndBalance(hostSample(inL), hostSample(inR), noise);
  if (on(kInputFilter)) {
    inputHighPass(left_);
    inputHighPass(right_);
  }
  left_.detect = left_.audio;
  right_.detect = right_.audio;
  if (on(kDetEq)) {
    detectorEq(left_);
    detectorEq(right_);
  }
  if (on(kDetFilter)) {
    detectorHighPass(left_);
    detectorHighPass(right_);
  }
  rectifyAndMeter(left_);
  rectifyAndMeter(right_);

  // The left (or linked) channel, then the right one on its own only when unlinked.
  left_.gain = staticGain(linkedLevel());
  releaseCascade(left_);
  attackStage(left_);
  programDependentTiming(left_);
  adaptiveSmoother(left_);
  if (stereoLinkMode_ == 2) {
    right_.gain = staticGain(right_.level);
    releaseCascade(right_);
    attackStage(right_);
    programDependentTiming(right_);
    adaptiveSmoother(right_);
  } else {
    right_.gain = left_.gain;
  }

  gainMeters();
  outputStage(outL, outR);
}

// Each running glide takes one step; a step that would pass the target stops on it, and
// the last step lands on the target exactly.
void Chain::advanceRamps() {
  if (rampRemaining_ == 0) return;
  for (int i = 0; i < kNumParams; ++i) {
    if (rampCount_[i] == 0) continue;
    if (rampCount_[i] == 1) {
      currentValue_[i] = targetValue_[i];
    } else {
      const float step = rampStep_[i], target = targetValue_[i];
      float next = currentValue_[i] + step;
      if ((step > 0.0f && next > target) || (step < 0.0f && next < target)) next = target;
      currentValue_[i] = next;
    }
    --rampCount_[i];
  }
  --rampRemaining_;
}

// 32-bit linear congruential generator; n = (seed / 2^32 - 0.5) * 6e-8, one per pair.
float Chain::drawNoise() {
  noiseSeed_ = noiseSeed_ * 134775813u + 1u;
  const double u = static_cast<double>(noiseSeed_) / 4294967296.0;
  return static_cast<float>((u - 0.5) * 6e-8);
}

void Chain::inputGainAndBalance(float inL, float inR, float noise) {
  const float gain = currentValue_[kInputGain];
  const float balance = currentValue_[kBalance];
  left_.audio = inL * gain * (1.0f - balance) + noise;
  right_.audio = inR * gain * (1.0f + balance) + noise;
}

// 20 Hz high-pass on the audio itself.
void Chain::inputHighPass(Channel& c) {
  c.audio = static_cast<float>(secondOrder(c.audio, inHp_, c.inHp1, c.inHp2));
}

// Low, mid and high bands in series; each band's output, scaled by its gain minus 1, is
// added to the detector signal.
void Chain::detectorEq(Channel& c) {
  double y = secondOrder(c.detect, eqLow_, c.eqLow1, c.eqLow2);
  c.detect = static_cast<float>(c.detect + (currentValue_[kEqLow] - 1.0) * y);

  // The band-pass has no first-delay term.
  const double x = c.detect;
  const double w =
      x - eqMid_.a1 * static_cast<double>(c.eqMid1) - eqMid_.a2 * static_cast<double>(c.eqMid2);
  y = eqMid_.b0 * w + eqMid_.b2 * static_cast<double>(c.eqMid2);
  c.eqMid2 = c.eqMid1;
  c.eqMid1 = static_cast<float>(w);
  c.detect = static_cast<float>(c.detect + (currentValue_[kEqMid] - 1.0) * y);

  y = secondOrder(c.detect, eqHigh_, c.eqHigh1, c.eqHigh2);
  c.detect = static_cast<float>(c.detect + (currentValue_[kEqHigh] - 1.0) * y);
}

// First-order high-pass on the detector signal, worked in double.
void Chain::detectorHighPass(Channel& c) {
  const double w = c.detect - detHp_.a1 * static_cast<double>(c.detHp);
  c.detect = static_cast<float>(detHp_.b0 * w + detHp_.b1 * static_cast<double>(c.detHp));
  c.detHp = static_cast<float>(w);
}

void Chain::rectifyAndMeter(Channel& c) {
  c.level = std::fabs(c.detect) + 1e-20f;
  peakFollow(c.level, c.inMeter, alpha200ms_);
}

// The level the left gain computer sees: Highest, Mix (the mean before the absolute
// value) or Off (the left level).
float Chain::linkedLevel() {
  if (stereoLinkMode_ == 0) {
    return right_.level > left_.level ? right_.level : left_.level;
  }
  if (stereoLinkMode_ == 1) return std::fabs(left_.detect + right_.detect) * 0.5f + 1e-20f;
  return left_.level;
}

// Static gain of a level: the table between its points while it is fresh and the level
// lies within it, else the curve itself with the glided values; the reciprocal when the
// curve expands.
float Chain::staticGain(float x) {
  const float t = currentValue_[kThreshold], r = currentValue_[kRatio];
  const float k = currentValue_[kKnee], l = currentValue_[kLinearity];
  float g;
  if (tableDirty_ || x > 2.0f) {
    kneeStart_ = kneeStartOf(t, k);
    g = x > kneeStart_ ? gainCurveAbove(x, kneeStart_, t, r, k, l) : 1.0f;
  } else {
    const float pos = static_cast<float>(x / 0.001);
    const int i = static_cast<int>(pos);
    const float f = pos - static_cast<float>(i);
    g = (1.0f - f) * gainTable_[i] + f * gainTable_[i + 1];
  }
  if (currentValue_[kRatio] > 1.0f) g = 1.0f / g;
  return g;
}

// The release stages of the channel's type, from the gain c.gain.
void Chain::releaseCascade(Channel& c) {
  float* s = c.releaseStage;
  const float main = c.releaseCoef, fast = c.fastReleaseCoef;
  const float g = c.gain;
  switch (nearestInteger(targetValue_[kReleaseType])) {
    case 0: {  // "Opto": the main and the Release2 paths branch from the second stage
      const float rel2 = currentValue_[kRelease2], mix2 = currentValue_[kRel2Level];
      releaseStep(g, s[0], fast);
      releaseStep(s[0], s[1], fast);
      releaseStep(s[1], s[2], main);
      releaseStep(s[1], s[3], rel2);
      c.gain = (1.0f - mix2) * s[2] + mix2 * s[3];
      break;
    }
    case 1:  // "Pumper"
      releaseStep(g, s[0], main);
      for (int k = 1; k < 6; ++k) releaseStep(s[k - 1], s[k], main);
      c.gain = s[5];
      break;
    case 2:  // "Smooth 2"
      releaseStep(g, s[0], fast);
      for (int k = 1; k < 5; ++k) releaseStep(s[k - 1], s[k], fast);
      releaseStep(s[4], s[5], main);
      c.gain = s[5];
      break;
    case 3:  // "Smooth 1"
      releaseStep(g, s[0], fast);
      releaseStep(s[0], s[1], fast);
      releaseStep(s[1], s[2], main);
      c.gain = s[2];
      break;
    case 4:  // "Classic"
      releaseStep(g, s[0], main);
      c.gain = s[0];
      break;
    default:
      break;
  }
}

// A rising gain passes, a falling one is slowed by the attack fraction.
void Chain::attackStage(Channel& c) {
  if (c.gain >= c.attackStage) {
    c.attackStage = c.gain;
  } else {
    c.attackStage = (c.gain - c.attackStage) * c.attackCoef + c.attackStage;
  }
  c.gain = c.attackStage;
}

// Poles and the attack fraction for the next sample, from the gain against its average.
void Chain::programDependentTiming(Channel& c) {
  const float g = c.gain;
  const float rate = currentValue_[kPdeRate];
  c.gainAvg = (g - c.gainAvg) * currentValue_[kPdeTime] + c.gainAvg;
  const float w = clampUnit(2.0f * rate * rate * (1.0f - g / c.gainAvg));
  c.releaseCoef = w * coef3ms_ + (1.0f - w) * currentValue_[kRelease];
  c.fastReleaseCoef = w * coef3ms_ + (1.0f - w) * releaseTypeCoef_;
  const float f = clampUnit(8.0f * rate * rate * (1.0f - c.gainAvg / g));
  c.attackCoef = (1.0f - f) * currentValue_[kAttack] + f;
}

// Changes under 1 % glide with 2 ms; larger ones are followed at once from the next sample.
void Chain::adaptiveSmoother(Channel& c) {
  const float g = c.gain;
  c.gainSmooth = (g - c.gainSmooth) * c.adaptAlpha + c.gainSmooth;
  float d = 100.0f * std::fabs(g - c.gainSmooth);
  if (d > 1.0f) {
    d = 1.0f;
  } else if (!(d >= 0.0f)) {
    d = 0.0f;
  }
  c.adaptAlpha = (1.0f - d) * alpha2ms_ + d;
  c.gain = c.gainSmooth;
}

// Back from the reciprocal when expanding; the gain meters take each larger change at
// once and return with 200 ms.
void Chain::gainMeters() {
  const bool expand = currentValue_[kRatio] > 1.0f;
  for (Channel* c : {&left_, &right_}) {
    if (expand) {
      c->gain = 1.0f / c->gain;
      if (c->gain > c->grMeter) {
        c->grMeter = c->gain;
      } else {
        c->grMeter = (c->gain - c->grMeter) * alpha200ms_ + c->grMeter;
      }
    } else {
      if (c->gain >= c->grMeter) {
        c->grMeter = (c->gain - c->grMeter) * alpha200ms_ + c->grMeter;
      } else {
        c->grMeter = c->gain;
      }
    }
  }
}

void Chain::outputStage(float& outL, float& outR) {
  const float outGain = currentValue_[kOutputGain];
  outL = left_.audio * left_.gain * makeupGain_ * outGain;
  outR = right_.audio * right_.gain * makeupGain_ * outGain;
  peakFollow(std::fabs(outL), left_.outMeter, alpha200ms_);
  peakFollow(std::fabs(outR), right_.outMeter, alpha200ms_);
}

}  // namespace tarvo::dsp::reference
