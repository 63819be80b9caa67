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
  const double fs = sampleRate;
  for (int i = 0; i < kNumParams; ++i) {
    // Clear the flag before reading the value: a change racing with this pass is either
    // seen now or left flagged for the next block. The plain load first spares the
    // locked exchange for the flags that are clear (nearly all of them, nearly always).
    if (store.paramChanged[i].load(std::memory_order_relaxed) == 0) continue;
    if (store.paramChanged[i].exchange(0, std::memory_order_acquire) == 0) continue;
    const float v = store.paramValue[i].load(std::memory_order_relaxed);
    targetValue[i] = params::targetValue(i, v);

    switch (i) {
      case kThreshold:
      case kOutputGain:
      case kRatio:
      case kKnee:
      case kLinearity:
        tableDirty = 1;
        updateAutoGain();
        break;
      case kAutoGain:
        updateAutoGain();
        break;
      case kAttack:
        targetValue[i] = static_cast<float>(stepPerSample(targetValue[i], fs));
        break;
      case kRelease: {
        // "Pumper" (type 1) runs six stages in series, each at 0.154 of the set time. The
        // type is read as it stood before this pass; a type change re-flags Release.
        double seconds = targetValue[i];
        if (nearestEven(targetValue[kReleaseType]) == 1) seconds = 0.154 * seconds;
        targetValue[i] = static_cast<float>(polePerSample(seconds, fs));
        break;
      }
      case kInputFilter:
        for (float& s : inHpState) s = 0.0f;
        break;
      case kReleaseType: {
        store.paramChanged[kRelease].store(1, std::memory_order_release);
        const int type = nearestEven(targetValue[i]);
        releaseType.store(type, std::memory_order_relaxed);
        double seconds = 0.02;
        if (type == 0 || type == 3) {
          seconds *= 0.455;
        } else if (type == 2) {
          seconds *= 0.185;
        }
        releaseTypeCoef = static_cast<float>(polePerSample(seconds, fs));
        for (int k = 0; k < 6; ++k) releaseStageL[k] = releaseStageR[k] = 1.0f;
        attackStageL = attackStageR = 1.0f;
        break;
      }
      case kPdeTime:
        targetValue[i] = static_cast<float>(stepPerSample(targetValue[i], fs));
        break;
      case kRelease2:
        targetValue[i] = static_cast<float>(polePerSample(targetValue[i], fs));
        break;
      case kStereoLink:
        stereoLinkMode.store(nearestEven(targetValue[i]), std::memory_order_relaxed);
        break;
      case kDetFilter:
        detHpStateL = detHpStateR = 0.0f;
        break;
      case kFilterFreq: {
        const FirstOrder hp = detectorHighPassDesign(targetValue[i], fs);
        detHpB0 = hp.b0;
        detHpB1 = hp.b1;
        detHpA1 = hp.a1;
        break;
      }
      case kDetEq:
        for (float& s : eqState) s = 0.0f;
        break;
      case kEqLow: {
        const Biquad s = eqLowDesign(targetValue[i], fs);
        eqLowB0 = s.b0;
        eqLowB1 = s.b1;
        eqLowB2 = s.b2;
        eqLowA1 = s.a1;
        eqLowA2 = s.a2;
        break;
      }
      case kEqMid: {
        const Biquad s = eqMidDesign(targetValue[i], fs);
        eqMidB0 = s.b0;
        eqMidB2 = s.b2;
        eqMidA1 = s.a1;
        eqMidA2 = s.a2;
        break;
      }
      case kEqHigh: {
        const Biquad s = eqHighDesign(targetValue[i], fs);
        eqHighB0 = s.b0;
        eqHighB1 = s.b1;
        eqHighB2 = s.b2;
        eqHighA1 = s.a1;
        eqHighA2 = s.a2;
        break;
      }
      default:  // Input Gain, Balance, PDE Rate, Rel.2 Level, reserved: no derived work
        break;
    }

    // Linear ramp of 0.1 s from the present smoothed value to the new target.
    rampCount[i] = rampLength;
    rampRemaining = rampLength;
    rampStep[i] =
        static_cast<float>((static_cast<double>(targetValue[i]) - currentValue[i]) / rampLength);
  }

  // First block after creation: start at the targets, no glide.
  if (snapPending) {
    snapPending = 0;
    rampRemaining = 0;
    for (int i = 0; i < kNumParams; ++i) {
      rampCount[i] = 0;
      currentValue[i] = targetValue[i];
    }
  }

  if (tableDirty && rampRemaining == 0) rebuildGainTable();
}

void Engine::rebuildGainTable() {
  tableDirty = 0;
  const float t = currentValue[kThreshold];
  const float r = currentValue[kRatio];
  const float k = currentValue[kKnee];
  const float l = currentValue[kLinearity];
  kneeStart = kneeStartOf(t, k);
  for (int j = 0; j < kGainTableSize; ++j) {
    const float x = static_cast<float>(j * 0.001);
    gainTable[j] = x > kneeStart ? gainCurveAbove(x, kneeStart, t, r, k, l) : 1.0f;
  }
}

void Engine::updateAutoGain() {
  // The reciprocal of the static curve at full-scale level 1.0 with the target values
  // (no expansion inversion), so that a full-scale detector level comes out at full
  // scale. 1.0 with Auto-Gain off or when the knee start is at or above full scale.
  makeupGain = 1.0f;
  if (targetValue[kAutoGain] > 0.5f) {
    const float g = gainCurve(1.0f, targetValue[kThreshold], targetValue[kRatio],
                              targetValue[kKnee], targetValue[kLinearity]);
    makeupGain = static_cast<float>(1.0 / g);
  }
}

}  // namespace tarvo::dsp
