#include "dsp/filters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

namespace tarvo::dsp {
namespace {

constexpr double kPi = 3.141592653589793;

// Magnitude of a direct-form-II section (denominator 1 + a1 z^-1 + a2 z^-2) at f Hz.
double magnitude(const Biquad& s, double f, double fs) {
  const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * f / fs);
  const std::complex<double> z2 = z1 * z1;
  const double b0 = s.b0, b1 = s.b1, b2 = s.b2, a1 = s.a1, a2 = s.a2;
  return std::abs((b0 + b1 * z1 + b2 * z2) / (1.0 + a1 * z1 + a2 * z2));
}

double magnitude(const FirstOrder& s, double f, double fs) {
  const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * f / fs);
  const double b0 = s.b0, b1 = s.b1, a1 = s.a1;
  return std::abs((b0 + b1 * z1) / (1.0 + a1 * z1));
}

double dB(double m) {
  return 20.0 * std::log10(m);
}

// Frequency whose prewarp is c: cot(pi * f / fs) = c.
double cornerOf(double c, double fs) {
  return std::atan(1.0 / c) * fs / kPi;
}

TEST(Prewarp, CotangentBelowLimitAndClampedAbove) {
  EXPECT_NEAR(prewarpCot(1000.0, 44100.0), 1.0 / std::tan(kPi * 1000.0 / 44100.0), 1e-12);
  EXPECT_NEAR(prewarpCot(20000.0, 44100.0), 1.0 / std::tan(kPi * 20000.0 / 44100.0), 1e-12);
  EXPECT_EQ(prewarpCot(21000.0, 44100.0), prewarpCot(20000.0, 44100.0));
  EXPECT_EQ(prewarpCot(10000.0, 16000.0), prewarpCot(16000.0 / 2.205, 16000.0));
}

TEST(InputHighPass, ButterworthAt20HzAtEveryRate) {
  for (double fs : {22050.0, 44100.0, 48000.0, 96000.0, 192000.0}) {
    const Biquad hp = inputHighPassDesign(fs);
    EXPECT_EQ(hp.b0, hp.b2);
    EXPECT_EQ(hp.b1, -2.0f * hp.b0);
    EXPECT_NEAR(dB(magnitude(hp, 10000.0, fs)), 0.0, 0.01) << fs;
    EXPECT_NEAR(dB(magnitude(hp, 20.0, fs)), -3.0, 0.05) << fs;
    EXPECT_LT(dB(magnitude(hp, 2.0, fs)), -39.0) << fs;
  }
}

TEST(EqLowBand, CornerMovesWithGainAndCutRaisesQ) {
  const double fs = 44100.0;
  // A second-order low-pass has |H| = Q at its corner.
  struct Case {
    double gain, corner, q;
  } cases[] = {{0.1, 1415.0, 0.158 / std::sqrt(0.1)}, {1.0, 795.7, 0.158}, {10.0, 447.5, 0.158}};
  for (const Case& c : cases) {
    const Biquad s = eqLowDesign(c.gain, fs);
    EXPECT_NEAR(magnitude(s, c.corner, fs), c.q, 2e-3) << c.gain;
    EXPECT_NEAR(magnitude(s, 1.0, fs), 1.0, 5e-4) << c.gain;  // 32-bit coefficients
  }
}

TEST(EqMidBand, BandEdgesAndQ) {
  const double fs = 44100.0;
  double q = 0.684;
  bandPassDesign(1000.0, 0.5, q, fs);
  EXPECT_NEAR(q, 0.0683, 5e-5);
  q = 0.684;
  bandPassDesign(1000.0, 1.0, q, fs);
  EXPECT_NEAR(q, 0.0683, 5e-5);
  q = 0.684;
  const double c = bandPassDesign(1000.0, 10.0, q, fs);
  EXPECT_NEAR(q, 0.683, 5e-4);
  EXPECT_NEAR(c, 1.0 / std::tan(kPi * 1000.0 / fs), 1e-9);

  for (double gain : {1.0, 10.0}) {
    const Biquad s = eqMidDesign(gain, fs);
    EXPECT_EQ(s.b1, 0.0f);
    EXPECT_EQ(s.b2, -s.b0);
    EXPECT_NEAR(magnitude(s, 1000.0, fs), 1.0, 1e-4) << gain;
  }
  // The lower band edge is the -3 dB point: about 68 Hz for G <= 1, 508 Hz for G = 10.
  EXPECT_NEAR(dB(magnitude(eqMidDesign(1.0, fs), 68.0, fs)), -3.01, 0.1);
  EXPECT_NEAR(dB(magnitude(eqMidDesign(10.0, fs), 508.0, fs)), -3.01, 0.1);
}

TEST(EqHighBand, CornerRisesWithGain) {
  const double fs = 44100.0;
  struct Case {
    double gain, corner, q;
  } cases[] = {{0.1, 707.0, 0.158 / std::sqrt(0.1)}, {1.0, 1255.0, 0.158}, {10.0, 2218.0, 0.158}};
  for (const Case& c : cases) {
    double q = 0.158;
    const double cot = highPassDesign(10000.0, c.gain, q, fs);
    EXPECT_NEAR(q, c.q, 1e-12) << c.gain;
    EXPECT_NEAR(cornerOf(cot, fs), c.corner, 1.0) << c.gain;
    // A second-order high-pass has |H| = Q at its corner and unity near Nyquist.
    const Biquad s = eqHighDesign(c.gain, fs);
    EXPECT_NEAR(magnitude(s, c.corner, fs), c.q, 3e-3) << c.gain;
    EXPECT_NEAR(magnitude(s, fs / 2, fs), 1.0, 1e-4) << c.gain;
  }
}

TEST(EqHighBand, FrequencyLimitedBelow22kHz) {
  const double fs = 16000.0;
  double q1 = 0.158, q2 = 0.158;
  EXPECT_EQ(highPassDesign(10000.0, 2.0, q1, fs), highPassDesign(fs / 2.205, 2.0, q2, fs));
  const Biquad s = eqHighDesign(2.0, fs);
  EXPECT_TRUE(std::isfinite(s.a1) && std::isfinite(s.a2) && std::isfinite(s.b0));
}

TEST(DetectorHighPass, MinusThreeDbAtCorner) {
  for (double fs : {44100.0, 96000.0}) {
    for (double hz : {1.0, 10.0, 100.0}) {
      const FirstOrder s = detectorHighPassDesign(6.28 * hz, fs);
      EXPECT_EQ(s.b1, -s.b0);
      EXPECT_NEAR(dB(magnitude(s, hz, fs)), -3.01, 0.02) << hz;
      EXPECT_NEAR(dB(magnitude(s, 10000.0, fs)), 0.0, 0.01) << hz;
    }
  }
}

}  // namespace
}  // namespace tarvo::dsp
