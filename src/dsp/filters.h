// Filter designs of the signal path, all bilinear transforms with the cotangent prewarp
// c = cot(pi * f / fs). Designs are computed in double precision and stored as 32-bit
// coefficients; the per-sample code runs them in direct form II:
//   second order: w = x - a1*w1 - a2*w2;  y = b0*w + b1*w1 + b2*w2;  w2 = w1; w1 = w
//   first order:  w = x - a1*w1;          y = b0*w + b1*w1;          w1 = w
#pragma once

namespace tarvo::dsp {

// Second-order section coefficients (direct form II, signs as above).
struct Biquad {
  float b0 = 0, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
};

// First-order section coefficients (direct form II, signs as above).
struct FirstOrder {
  float b0 = 0, b1 = 0, a1 = 0;
};

// cot(pi * f / fs); a frequency above fs / 2.205 is first lowered to fs / 2.205, so at
// 44.1 kHz nothing above 20 kHz is designed.
double prewarpCot(double f, double sampleRate);

// Band-pass prewarp for the detector EQ mid band: widens the band for cuts and narrows it
// with the boost G (linear band gain), replaces q by the prewarped band's Q and returns c.
double bandPassDesign(double f, double gain, double& q, double sampleRate);

// High-pass prewarp for the detector EQ high band: the corner rises with the boost G and
// a cut raises q (replaced through the reference). Returns c.
double highPassDesign(double f, double gain, double& q, double sampleRate);

// 20 Hz Butterworth high-pass (Q 0.707) on the audio, unity gain at high frequencies.
Biquad inputHighPassDesign(double sampleRate);

// Detector EQ bands for the band gain G (0.1..10, linear). Each section's output, scaled
// by G - 1, is added to the detector signal. Low: low-pass whose corner falls as G rises.
Biquad eqLowDesign(double gain, double sampleRate);
// Mid: band-pass around 1 kHz with unity gain at its centre; b1 is 0.
Biquad eqMidDesign(double gain, double sampleRate);
// High: high-pass whose corner rises with G.
Biquad eqHighDesign(double gain, double sampleRate);

// Detector first-order high-pass s / (s + omega), omega in radians per second (6.28 x the
// corner in Hz): unity gain at high frequencies, -3 dB at the corner.
FirstOrder detectorHighPassDesign(double omega, double sampleRate);

}  // namespace tarvo::dsp
