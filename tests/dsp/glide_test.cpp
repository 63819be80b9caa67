// Glides over time, as hosts make them: every parameter from one end of its range to the
// other and back, and one program's values to another's, at rates up to 384 kHz and in
// blocks of 1, 64 and 4096 frames, with loud noise, DC and a full-scale square. Each
// smoothed value must stay between where its glide started and its target, and the output
// and meters must stay finite during each glide and after it. Then a chain whose state was
// poisoned must come back within one block.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "params/param_table.h"

namespace tarvo::dsp {
namespace {

using namespace tarvo::params;
using test::Rig;

enum class Input { Noise, Dc, Square };

constexpr float kRates[] = {44100.0f, 96000.0f, 192000.0f, 384000.0f};
constexpr int kBlocks[] = {1, 64, 4096};

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// Drives a Rig block by block with one kind of input and checks every block.
class GlideRun {
 public:
  GlideRun(int program, float rate, int block, Input input)
      : rig_(program, rate), rate_(rate), block_(block), input_(input) {
    const int n = std::max(block, 1);
    inL_.resize(n), inR_.resize(n), outL_.resize(n), outR_.resize(n);
  }

  Rig& rig() { return rig_; }

  // Runs `seconds` of audio; while a glide runs, checks that each smoothed value lies
  // between the value it started from and its target. Returns a failure text or "".
  std::string run(double seconds, const std::string& what) {
    const float* cv = EngineProbe::smoothedValues(rig_.engine);
    const float* tv = EngineProbe::targetValues(rig_.engine);
    const long total = std::lround(seconds * rate_);
    for (long done = 0; done < total; done += block_) {
      const int n = static_cast<int>(std::min<long>(block_, total - done));
      fill(n);
      // Each glide starts at the first block after a write: note where it starts.
      for (int i = 0; i < kNumParams; ++i) {
        if (rig_.changed(i)) from_[i] = cv[i];
      }
      float* in[2] = {inL_.data(), inR_.data()};
      float* out[2] = {outL_.data(), outR_.data()};
      rig_.engine.processReplacing(in, out, n, rig_.store);
      for (int k = 0; k < n; ++k) {
        if (!std::isfinite(outL_[k]) || !std::isfinite(outR_[k])) {
          return what + ": output not finite " + std::to_string((done + k) / rate_) + " s in";
        }
      }
      const Engine& e = rig_.engine;
      const MeterReadings mr = e.meters();
      for (float m : {mr.inL, mr.inR, mr.outL, mr.outR, mr.gainL, mr.gainR}) {
        if (!std::isfinite(m)) return what + ": meter not finite";
      }
      for (int i = 0; i < kNumParams; ++i) {
        const float lo = std::min(from_[i], tv[i]), hi = std::max(from_[i], tv[i]);
        if (!(cv[i] >= lo && cv[i] <= hi)) {  // a settled value is its target
          return what + ": " + kParams[i].name + " at " + std::to_string(cv[i]) + " outside " +
                 std::to_string(lo) + ".." + std::to_string(hi);
        }
      }
    }
    return "";
  }

 private:
  void fill(int n) {
    for (int k = 0; k < n; ++k, ++t_) {
      switch (input_) {
        case Input::Noise:
          inL_[k] = uni_(rng_), inR_[k] = uni_(rng_);
          break;
        case Input::Dc:
          inL_[k] = inR_[k] = 1.0f;
          break;
        case Input::Square:  // 100 Hz at full scale
          inL_[k] = inR_[k] = std::fmod(t_ * 100.0 / rate_, 1.0) < 0.5 ? 1.0f : -1.0f;
          break;
      }
    }
  }

  Rig rig_;
  float rate_;
  int block_;
  Input input_;
  std::mt19937 rng_{77u};
  std::uniform_real_distribution<float> uni_{-1.0f, 1.0f};
  long t_ = 0;
  float from_[kNumParams] = {};
  std::vector<float> inL_, inR_, outL_, outR_;
};

std::string caseName(float rate, int block, Input input) {
  static const char* const names[] = {"noise", "DC", "square"};
  return std::to_string(static_cast<int>(rate)) + " Hz, block " + std::to_string(block) + ", " +
         names[static_cast<int>(input)];
}

// Each parameter of "Mix Down" (program 13) glides from one end of its range to the other
// and back. Under the sanitizers, which run many times slower, each rate
// and block size takes one of the three inputs in turn.
TEST(Glides, EveryParameterEndToEndStaysInRangeAndFinite) {
  int turn = 0;
  for (float rate : kRates) {
    for (int block : kBlocks) {
      const int only = turn++ % 3;
      for (Input input : {Input::Noise, Input::Dc, Input::Square}) {
        if (kSanitized && static_cast<int>(input) != only) continue;
        for (int i = 0; i < kNumParams; ++i) {
          // Starts at 0 (the first block jumps there), glides to 1 and back to 0.
          GlideRun g(13, rate, block, input);
          const std::string name = caseName(rate, block, input) + ", " + kParams[i].name;
          g.rig().set(i, 0.0f);
          std::string fault = g.run(0.01, name + " at 0");
          if (fault.empty()) {
            g.rig().set(i, 1.0f);
            fault = g.run(0.11, name + " to 1");
          }
          if (fault.empty()) {
            g.rig().set(i, 0.0f);
            fault = g.run(0.15, name + " to 0");
          }
          ASSERT_EQ(fault, "");
        }
      }
    }
  }
}

// One program's values glide to the next program's and to the program halfway round the
// bank, with noise at full scale, at every rate and block size; then the output must stay
// finite for a further 0.1 s.
TEST(Glides, ProgramToProgramStaysFinite) {
  for (float rate : kRates) {
    for (int block : kBlocks) {
      if (kSanitized && block == 1 && rate > 100000.0f) continue;
      for (int p = 0; p < kNumPrograms; ++p) {
        for (int q : {(p + 1) % kNumPrograms, (p + 12) % kNumPrograms}) {
          GlideRun g(p, rate, block, Input::Noise);
          std::string fault = g.run(0.01, caseName(rate, block, Input::Noise) + " settling");
          g.rig().load(q);
          if (fault.empty()) {
            fault = g.run(0.2, caseName(rate, block, Input::Noise) + ", program " +
                                   std::to_string(p) + " to " + std::to_string(q));
          }
          ASSERT_EQ(fault, "");
        }
      }
    }
  }
}

// The glide that stuck the output at NaN: "Mix Down" at 192 kHz, Ratio written to 0.3 and,
// one 4096-frame block later, to its end (oo:1), with full-scale noise. The glide must end
// exactly on the target, and the output is checked for a second after it.
TEST(Glides, RatioToInfinityAtHighRateEndsOnTarget) {
  GlideRun g(13, 192000.0f, 4096, Input::Noise);
  g.rig().set(kRatio, 0.3f);
  ASSERT_EQ(g.run(4096 / 192000.0, "Ratio 0.3"), "");
  g.rig().set(kRatio, 1.0f);
  ASSERT_EQ(g.run(1.0, "Ratio to oo:1"), "");
  EXPECT_EQ(EngineProbe::smoothedValues(g.rig().engine)[kRatio], 0.0f);
}

// A state that is not a number, however it came there, lasts at most one block: after
// the next block every output sample and meter is finite again.
TEST(Glides, PoisonedStateRecoversWithinOneBlock) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (float link : {test::kLinkHighest, test::kLinkOff}) {
    for (int part = 0; part < 5; ++part) {
      GlideRun g(3, 48000.0f, 256, Input::Noise);  // "Vocal": input filter, detector EQ on
      g.rig().set(kStereoLink, link);
      ASSERT_EQ(g.run(0.2, "settling"), "");
      Engine& e = g.rig().engine;
      switch (part) {
        case 0:
          EngineProbe::inputHighPassState(e)[1] = nan;
          break;
        case 1:
          EngineProbe::detectorEqState(e)[7] = nan;
          break;
        case 2:
          EngineProbe::detectorHighPassState(e)[1] = std::numeric_limits<float>::infinity();
          break;
        case 3:
          EngineProbe::envelope(e, 0).releaseStage[0] =
              EngineProbe::envelope(e, 1).releaseStage[0] = nan;
          EngineProbe::envelope(e, 1).gainSmooth = EngineProbe::envelope(e, 0).gainAvg = nan;
          break;
        case 4:
          EngineProbe::inputMeters(e)[0].store(nan), EngineProbe::gainMeters(e)[1].store(nan);
          break;
      }
      g.run(256 / 48000.0, "poisoned block");  // may be anything
      EXPECT_EQ(g.run(0.05, "after"), "") << "part " << part << ", link " << link;
    }
  }
}

}  // namespace
}  // namespace tarvo::dsp
