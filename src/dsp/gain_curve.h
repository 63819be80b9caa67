// The static gain curve G(x; T, R, K, L) of the compressor/expander: the factor by which
// the audio would be multiplied at a steady detector level x if there were no attack or
// release. One formula shared by the per-sample gain computer, the gain table, the make-up
// gain and the editor's transfer graph.
#pragma once

namespace tarvo::dsp {

// Level above which the curve departs from 1.0: threshold / knee, as a 32-bit float.
// Inline: the block loops take it for every sample while the curve is evaluated directly.
inline float kneeStartOf(float threshold, float knee) {
  return static_cast<float>(static_cast<double>(threshold) / knee);
}

// The curve above the knee start (x > kneeStart), with kneeStart from kneeStartOf.
// x: detector level, linear amplitude (> 0). threshold T: linear amplitude 0.01..1.
// ratio R: slope factor 2 (1:2 expansion) .. 1 (no change) .. 0 (limiter).
// knee K: 1 (hard) .. 10 (soft). linearity L: 1 (power law) .. 0 (linear-domain law).
float gainCurveAbove(float x, float kneeStart, float threshold, float ratio, float knee,
                     float linearity);

// The whole curve: 1.0 at and below threshold / knee, gainCurveAbove above it.
float gainCurve(float x, float threshold, float ratio, float knee, float linearity);

}  // namespace tarvo::dsp
