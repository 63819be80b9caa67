// The renderer's own loudness figures against libebur128's on the same signals: the true
// peak to the bit (the same sums, and the interpolation skipped only where it cannot
// matter), integrated loudness and range far inside the digits the report prints.
#include "render/loudness.h"

#include <ebur128.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "render/cpu_features.h"

namespace {

using tarvo::render::Loudness;
using tarvo::render::LoudnessAnalysis;

Loudness reference(const std::vector<float>& x, int channels, int rate) {
  ebur128_state* st =
      ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(rate),
                   EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK);
  ebur128_add_frames_float(st, x.data(), x.size() / channels);
  Loudness l;
  ebur128_loudness_global(st, &l.integratedLufs);
  ebur128_loudness_range(st, &l.rangeLu);
  double peak = 0.0;
  for (int c = 0; c < channels; ++c) {
    double p = 0.0;
    ebur128_true_peak(st, static_cast<unsigned>(c), &p);
    peak = std::max(peak, p);
  }
  l.truePeakDbtp = peak > 0.0 ? 20.0 * std::log10(peak) : -HUGE_VAL;
  ebur128_destroy(&st);
  return l;
}

// Loud and quiet passages (the gates at work), a sharp transient between samples (the
// true peak above the sample peak), noise, and a fade into silence.
std::vector<float> programme(int channels, int rate, double seconds, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
  const auto frames = static_cast<int64_t>(seconds * rate);
  std::vector<float> x(static_cast<size_t>(frames * channels));
  for (int64_t i = 0; i < frames; ++i) {
    const double t = double(i) / rate;
    const double level = (i / (rate / 2)) % 3 == 0 ? 0.7 : 0.05 * (1 + (i / rate) % 4);
    const double fade = t > seconds - 1.0 ? std::max(0.0, seconds - t - 0.5) : 1.0;
    for (int c = 0; c < channels; ++c) {
      double v = level * std::sin(2 * M_PI * (440.0 + 110 * c) * t) + 0.02 * noise(rng);
      if (i % (rate / 3) == 7) v = (c ? -0.93 : 0.95);  // lone spikes
      x[static_cast<size_t>(i * channels + c)] = static_cast<float>(v * fade);
    }
  }
  return x;
}

// Fed in uneven pieces, as blocks of any --block size arrive.
std::pair<Loudness, Loudness> measured(const std::vector<float>& in, const std::vector<float>& out,
                                       int channels, int rate) {
  LoudnessAnalysis meter(channels, rate);
  const int64_t frames = static_cast<int64_t>(in.size()) / channels;
  int64_t at = 0;
  for (int64_t piece = 1; at < frames; piece = piece * 7 % 5003 + 1) {
    const int64_t n = std::min(piece, frames - at);
    meter.add(in.data() + at * channels, out.data() + at * channels, n);
    at += n;
  }
  return meter.finish();
}

void expectSame(const Loudness& ours, const Loudness& theirs) {
  EXPECT_EQ(ours.truePeakDbtp, theirs.truePeakDbtp);
  if (std::isinf(theirs.integratedLufs)) {
    EXPECT_EQ(ours.integratedLufs, theirs.integratedLufs);
  } else {
    EXPECT_NEAR(ours.integratedLufs, theirs.integratedLufs, 1e-9);
  }
  EXPECT_NEAR(ours.rangeLu, theirs.rangeLu, 1e-9);
}

// Both builds of the measuring loops (AVX where the processor has it, and the baseline)
// against libebur128, and against each other to the bit.
TEST(Loudness, MatchesLibebur128) {
  for (int channels : {1, 2}) {
    for (int rate : {44100, 48000, 96000, 192000, 22050}) {
      SCOPED_TRACE(std::to_string(channels) + " ch, " + std::to_string(rate) + " Hz");
      const std::vector<float> x = programme(channels, rate, 9.3, static_cast<unsigned>(rate));
      std::vector<float> quiet(x.size());
      for (size_t i = 0; i < x.size(); ++i) quiet[i] = x[i] * 1e-4f;  // under the gate
      tarvo::render::setWideLoops(false);
      const auto [in, out] = measured(x, quiet, channels, rate);
      expectSame(in, reference(x, channels, rate));
      expectSame(out, reference(quiet, channels, rate));
      tarvo::render::setWideLoops(true);
      const auto [wideIn, wideOut] = measured(x, quiet, channels, rate);
      for (const auto& [a, b] : {std::pair{in, wideIn}, std::pair{out, wideOut}}) {
        EXPECT_EQ(a.integratedLufs, b.integratedLufs);
        EXPECT_EQ(a.rangeLu, b.rangeLu);
        EXPECT_EQ(a.truePeakDbtp, b.truePeakDbtp);
      }
    }
  }
}

// Peaks between the samples: a burst at a quarter of the rate, 45 degrees off the samples
// (which stay 3 dB under its peak), apart from a louder sine whose samples are above them;
// and a level that fades in and stays, where outputs that took the end of a piece for
// silence would overshoot.
TEST(Loudness, TruePeakBetweenSamples) {
  for (int channels : {1, 2}) {
    std::vector<float> burst, level;
    for (int i = 0; i < 100000; ++i) {
      const double x = i < 48000   ? 0.6 * std::sin(0.01 * i)
                       : i < 50000 ? 0.0
                       : i < 50480 ? 0.75 * std::sin(M_PI / 2 * i + M_PI / 4)
                                   : 0.0;
      for (int c = 0; c < channels; ++c) {
        burst.push_back(static_cast<float>(x));
        level.push_back(0.5f * std::min(1.0f, i / 4000.0f));
      }
    }
    const auto [in, out] = measured(burst, level, channels, 48000);
    EXPECT_EQ(in.truePeakDbtp, reference(burst, channels, 48000).truePeakDbtp) << channels;
    EXPECT_EQ(out.truePeakDbtp, reference(level, channels, 48000).truePeakDbtp) << channels;
  }
}

TEST(Loudness, ShortSilentAndNonFiniteInput) {
  // Shorter than one gating block: no loudness, but a peak.
  std::vector<float> x = programme(2, 48000, 0.3, 1);
  expectSame(measured(x, x, 2, 48000).second, reference(x, 2, 48000));
  const std::vector<float> silence(2 * 48000 * 4, 0.0f);
  const Loudness s = measured(silence, silence, 2, 48000).first;
  EXPECT_EQ(s.truePeakDbtp, -HUGE_VAL);
  EXPECT_EQ(s.integratedLufs, -HUGE_VAL);
  EXPECT_EQ(s.rangeLu, 0.0);
  // An input file may hold NaN or infinity: the peak follows libebur128's comparisons.
  x = programme(2, 48000, 4.0, 2);
  x[1001] = NAN;
  expectSame(measured(x, x, 2, 48000).first, reference(x, 2, 48000));
  x[5000] = INFINITY;
  EXPECT_EQ(measured(x, x, 2, 48000).second.truePeakDbtp, reference(x, 2, 48000).truePeakDbtp);
}

}  // namespace
