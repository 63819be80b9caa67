#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "dsp/engine.h"

namespace tarvo::dsp {
namespace {

TEST(RateConstants, ValuesAt44100) {
  Engine e;
  e.setSampleRate(44100.0f);
  e.resume();
  EXPECT_EQ(e.rampLength, 4410u);
  EXPECT_NEAR(e.alpha200ms, 1.1337e-4, 5e-9);
  EXPECT_NEAR(e.coef3ms, 0.99247, 5e-6);
  EXPECT_FLOAT_EQ(e.coef3ms, static_cast<float>(std::pow(0.368, 1.0 / 132.3)));
  EXPECT_NEAR(e.alpha2ms, 0.011270, 5e-7);
  EXPECT_EQ(e.adaptAlphaL, e.alpha2ms);
  EXPECT_EQ(e.adaptAlphaR, e.alpha2ms);
}

TEST(RateConstants, RampLengthIsATenthOfASecond) {
  const struct {
    float rate;
    uint32_t length;
  } cases[] = {{48000.0f, 4800u}, {96000.0f, 9600u},   {22050.0f, 2205u},  {44105.0f, 4410u},
               {44115.0f, 4412u}, {655360.0f, 65536u}, {768000.0f, 76800u}};
  for (const auto& c : cases) {
    Engine e;
    e.setSampleRate(c.rate);
    e.resume();
    EXPECT_EQ(e.rampLength, c.length) << c.rate;
  }
}

TEST(RateConstants, ReadyBeforeTheFirstResume) {
  Engine e;
  EXPECT_EQ(e.sampleRate, 44100.0f);
  EXPECT_EQ(e.rampLength, 4410u);
  EXPECT_NE(e.inHpB0, 0.0f);
  EXPECT_NE(e.coef3ms, 0.0f);
  // The first resume still recomputes, as for a fresh object.
  EXPECT_EQ(e.sampleRateChanged, 1);
  e.adaptAlphaL = 0.5f;
  e.resume();
  EXPECT_EQ(e.sampleRateChanged, 0);
  EXPECT_EQ(e.adaptAlphaL, e.alpha2ms);
}

TEST(RateConstants, ResumeRecomputesOnlyAfterARateIsSet) {
  Engine e;
  e.resume();
  e.adaptAlphaL = 0.25f;
  e.adaptAlphaR = 0.5f;
  e.resume();
  EXPECT_EQ(e.adaptAlphaL, 0.25f);
  EXPECT_EQ(e.adaptAlphaR, 0.5f);
  // The same rate again still marks the constants.
  e.setSampleRate(44100.0f);
  EXPECT_EQ(e.sampleRateChanged, 1);
  e.resume();
  EXPECT_EQ(e.adaptAlphaL, e.alpha2ms);
  EXPECT_EQ(e.adaptAlphaR, e.alpha2ms);
}

TEST(RateConstants, InvalidRatesAreIgnored) {
  Engine e;
  e.setSampleRate(48000.0f);
  e.resume();
  for (float bad : {0.0f, -44100.0f, std::numeric_limits<float>::quiet_NaN(),
                    std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                    2.0e7f, 999.0f, 1.0f}) {
    e.setSampleRate(bad);
    EXPECT_EQ(e.sampleRate, 48000.0f) << bad;
    EXPECT_EQ(e.sampleRateChanged, 0) << bad;
  }
  e.resume();
  EXPECT_EQ(e.rampLength, 4800u);
}

TEST(Suspend, ResetsEnvelopeCoefficientsAndMetersOnly) {
  Engine e;
  e.releaseCoefL = e.releaseCoefR = 0.5f;
  e.fastReleaseCoefL = e.fastReleaseCoefR = 0.5f;
  e.attackCoefL = e.attackCoefR = 0.5f;
  e.gainAvgL = e.gainAvgR = 0.5f;
  e.gainSmoothL = e.gainSmoothR = 0.5f;
  e.inMeterL = e.inMeterR = e.outMeterL = e.outMeterR = 0.5f;
  e.grMeterL = e.grMeterR = 0.5f;
  e.releaseStageL[2] = 0.3f;
  e.attackStageR = 0.3f;
  e.inHpState[1] = 0.3f;
  e.currentValue[4] = 0.3f;
  e.suspend();
  for (float v :
       {e.releaseCoefL, e.releaseCoefR, e.fastReleaseCoefL, e.fastReleaseCoefR, e.gainAvgL,
        e.gainAvgR, e.gainSmoothL, e.gainSmoothR, e.grMeterL.load(), e.grMeterR.load()}) {
    EXPECT_EQ(v, 1.0f);
  }
  for (float v : {e.attackCoefL, e.attackCoefR, e.inMeterL.load(), e.inMeterR.load(),
                  e.outMeterL.load(), e.outMeterR.load()}) {
    EXPECT_EQ(v, 0.0f);
  }
  EXPECT_EQ(e.releaseStageL[2], 0.3f);
  EXPECT_EQ(e.attackStageR, 0.3f);
  EXPECT_EQ(e.inHpState[1], 0.3f);
  EXPECT_EQ(e.currentValue[4], 0.3f);
}

}  // namespace
}  // namespace tarvo::dsp
