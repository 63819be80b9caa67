// Block update: turns changed parameters into targets, coefficients and ramps, and keeps
// the gain table of the static curve in step with the settled parameter values.
#include <cmath>

#include "dsp/engine.h"
#include "dsp/filters.h"
#include "dsp/gain_curve.h"
#include "dsp/time_constants.h"
#include "params/param_table.h"

namespace tarvo::dsp {

using namespace tarvo::params;

void Engine::updateBlock(ParamStore& store) {
  const double fs = sampleRate_;
  for (int i = 0; i < kNumParams; ++i) {
    // Clear the flag before reading the value: a change racing with this pass is either
    // seen now or left flagged for the next block. The plain load first spares the
    // locked exchange for the flags that are clear (nearly all of them, nearly always).
    if (store.paramChanged[i].load(std::memory_order_relaxed) == 0) continue;
    if (store.paramChanged[i].exchange(0, std::memory_order_acquire) == 0) continue;
    const float v = store.paramValue[i].load(std::memory_order_relaxed);
    targetValue_[i] = params::targetValue(i, v);

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
        // "Pumper" (type 1) runs six stages in series, each at 0.154 of the set time. The
        // type is read as it stood before this pass; a type change re-flags Release.
        double seconds = targetValue_[i];
        if (nearestEven(targetValue_[kReleaseType]) == 1) seconds = 0.154 * seconds;
        targetValue_[i] = static_cast<float>(polePerSample(seconds, fs));
        break;
      }
      case kInputFilter:
        for (float& s : inHpState_) s = 0.0f;
        break;
      case kReleaseType: {
        store.paramChanged[kRelease].store(1, std::memory_order_release);
        const int type = nearestEven(targetValue_[i]);
        releaseType_.store(type, std::memory_order_relaxed);
        double seconds = 0.02;
        if (type == 0 || type == 3) {
          seconds *= 0.455;
        } else if (type == 2) {
          seconds *= 0.185;
        }
        releaseTypeCoef_ = static_cast<float>(polePerSample(seconds, fs));
        for (ChannelEnvelope& e : envelope_) {
          for (float& s : e.releaseStage) s = 1.0f;
          e.attackStage = 1.0f;
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
        stereoLinkMode_.store(nearestEven(targetValue_[i]), std::memory_order_relaxed);
        break;
      case kDetFilter:
        detHpState_[0] = detHpState_[1] = 0.0f;
        break;
      case kFilterFreq:
        detectorHighPass_ = detectorHighPassDesign(targetValue_[i], fs);
        break;
      case kDetEq:
        for (float& s : eqState_) s = 0.0f;
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
      default:  // Input Gain, Balance, PDE Rate, Rel.2 Level, reserved: no derived work
        break;
    }

    // Linear ramp of 0.1 s from the present smoothed value to the new target.
    rampCount_[i] = rampLength_;
    rampRemaining_ = rampLength_;
    rampStep_[i] =
        static_cast<float>((static_cast<double>(targetValue_[i]) - currentValue_[i]) / rampLength_);
  }

  // First block after creation: start at the targets, no glide.
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

void Engine::rebuildGainTable() {
  tableDirty_ = false;
  const float t = currentValue_[kThreshold];
  const float r = currentValue_[kRatio];
  const float k = currentValue_[kKnee];
  const float l = currentValue_[kLinearity];
  kneeStart_ = kneeStartOf(t, k);
  for (int j = 0; j < kGainTableSize; ++j) {
    const float x = static_cast<float>(j * 0.001);
    gainTable_[j] = x > kneeStart_ ? gainCurveAbove(x, kneeStart_, t, r, k, l) : 1.0f;
  }
}

void Engine::updateAutoGain() {
  // The reciprocal of the static curve at full-scale level 1.0 with the target values
  // (no expansion inversion), so that a full-scale detector level comes out at full
  // scale. 1.0 with Auto-Gain off or when the knee start is at or above full scale.
  makeupGain_ = 1.0f;
  if (targetValue_[kAutoGain] > 0.5f) {
    const float g = gainCurve(1.0f, targetValue_[kThreshold], targetValue_[kRatio],
                              targetValue_[kKnee], targetValue_[kLinearity]);
    makeupGain_ = static_cast<float>(1.0 / g);
  }
}

}  // namespace tarvo::dsp
