#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "dsp/engine.h"
#include "dsp/engine_probe.h"

namespace tarvo::dsp {
namespace {

using P = EngineProbe;

TEST(RateConstants, ValuesAt44100) {
  Engine e;
  e.setSampleRate(44100.0f);
  e.resume();
  const P::RateConstants c = P::rateConstants(e);
  EXPECT_EQ(c.rampLength, 4410u);
  EXPECT_NEAR(c.alpha200ms, 1.1337e-4, 5e-9);
  EXPECT_NEAR(c.coef3ms, 0.99247, 5e-6);
  EXPECT_FLOAT_EQ(c.coef3ms, static_cast<float>(std::pow(0.368, 1.0 / 132.3)));
  EXPECT_NEAR(c.alpha2ms, 0.011270, 5e-7);
  EXPECT_EQ(P::envelope(e, 0).adaptAlpha, c.alpha2ms);
  EXPECT_EQ(P::envelope(e, 1).adaptAlpha, c.alpha2ms);
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
    EXPECT_EQ(P::rateConstants(e).rampLength, c.length) << c.rate;
  }
}

TEST(RateConstants, ReadyBeforeTheFirstResume) {
  Engine e;
  EXPECT_EQ(e.sampleRate(), 44100.0f);
  EXPECT_EQ(P::rateConstants(e).rampLength, 4410u);
  EXPECT_NE(P::rateConstants(e).inputHighPassB0, 0.0f);
  EXPECT_NE(P::rateConstants(e).coef3ms, 0.0f);
  // The first resume still recomputes, as for a fresh object.
  EXPECT_TRUE(P::rateConstants(e).changePending);
  P::envelope(e, 0).adaptAlpha = 0.5f;
  e.resume();
  EXPECT_FALSE(P::rateConstants(e).changePending);
  EXPECT_EQ(P::envelope(e, 0).adaptAlpha, P::rateConstants(e).alpha2ms);
}

TEST(RateConstants, ResumeRecomputesOnlyAfterARateIsSet) {
  Engine e;
  e.resume();
  P::envelope(e, 0).adaptAlpha = 0.25f;
  P::envelope(e, 1).adaptAlpha = 0.5f;
  e.resume();
  EXPECT_EQ(P::envelope(e, 0).adaptAlpha, 0.25f);
  EXPECT_EQ(P::envelope(e, 1).adaptAlpha, 0.5f);
  // The same rate again still marks the constants.
  e.setSampleRate(44100.0f);
  EXPECT_TRUE(P::rateConstants(e).changePending);
  e.resume();
  EXPECT_EQ(P::envelope(e, 0).adaptAlpha, P::rateConstants(e).alpha2ms);
  EXPECT_EQ(P::envelope(e, 1).adaptAlpha, P::rateConstants(e).alpha2ms);
}

TEST(RateConstants, InvalidRatesAreIgnored) {
  Engine e;
  e.setSampleRate(48000.0f);
  e.resume();
  for (float bad : {0.0f, -44100.0f, std::numeric_limits<float>::quiet_NaN(),
                    std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                    2.0e7f, 999.0f, 1.0f}) {
    e.setSampleRate(bad);
    EXPECT_EQ(e.sampleRate(), 48000.0f) << bad;
    EXPECT_FALSE(P::rateConstants(e).changePending) << bad;
  }
  e.resume();
  EXPECT_EQ(P::rateConstants(e).rampLength, 4800u);
}

}  // namespace
}  // namespace tarvo::dsp
