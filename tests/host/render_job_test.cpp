// renderThrough with the plug-in: the same audio and figures whichever threads read and
// write and whichever build of the measuring loops runs, and an error on either side that
// stops the render instead of leaving a thread waiting.
#include "render/render_job.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "render/cpu_features.h"

namespace {

using tarvo::render::RenderIo;
using tarvo::render::RenderSettings;
using tarvo::render::RenderStats;

constexpr int kRate = 48000;
// Five chunks and a short one, so that every chunk of the ring is used more than once.
constexpr int64_t kFrames = 16384 * 5 + 333;

std::vector<float> material(int channels) {
  std::vector<float> x(static_cast<size_t>(kFrames * channels));
  for (int64_t i = 0; i < kFrames; ++i) {
    const double level = (i / 9000) % 2 == 0 ? 1.4 : 0.02;  // over full scale, then quiet
    for (int c = 0; c < channels; ++c) {
      x[static_cast<size_t>(i * channels + c)] =
          static_cast<float>(level * std::sin(0.01 * static_cast<double>(i) * (c + 1)));
    }
  }
  return x;
}

struct Rendered {
  RenderStats stats;
  std::vector<float> out;
};

// failAt: the read (or, negative, the write) of that chunk throws.
Rendered render(const std::vector<float>& in, int channels, int ioThreads, int failAt = 0) {
  tarvo::host::PluginLibrary library(TARVO_PLUGIN_FILE);
  tarvo::host::PluginInstance plugin(library);
  RenderSettings settings;
  settings.program = 13;  // compresses
  settings.noiseSeed = 11;
  Rendered run;
  int64_t at = 0;
  int reads = 0, writes = 0;
  RenderIo io;
  io.ioThreads = ioThreads;
  io.read = [&](float* buffer, int64_t frames) {
    if (++reads == failAt) throw std::runtime_error("read failed");
    frames = std::min(frames, kFrames - at);
    std::copy_n(in.data() + at * channels, frames * channels, buffer);
    at += frames;
    return frames;
  };
  io.write = [&](const float* buffer, int64_t frames) {
    if (++writes == -failAt) throw std::runtime_error("write failed");
    run.out.insert(run.out.end(), buffer, buffer + frames * channels);
  };
  run.stats = tarvo::render::renderThrough(plugin, settings, kRate, channels, io);
  return run;
}

TEST(RenderThrough, SameResultWithAnyThreadsAndLoopBuild) {
  for (int channels : {1, 2}) {
    SCOPED_TRACE(std::to_string(channels) + " channel(s)");
    const std::vector<float> in = material(channels);
    tarvo::render::setWideLoops(false);
    const Rendered first = render(in, channels, 2);
    ASSERT_EQ(first.out.size(), in.size());
    // The input's figures as the plug-in sees it (mono: the channel twice).
    double squares = 0.0, peak = 0.0;
    for (float v : in) {
      squares += double(v) * v;
      peak = std::max(peak, double(std::fabs(v)));
    }
    EXPECT_EQ(first.stats.inPeak, peak);
    EXPECT_NEAR(first.stats.inRms, std::sqrt(squares / (channels * kFrames)), 1e-12);
    EXPECT_GT(first.stats.overFullScale, 0);
    for (bool wide : {false, true}) {
      tarvo::render::setWideLoops(wide);
      for (int ioThreads : {1, 2}) {
        SCOPED_TRACE("io threads " + std::to_string(ioThreads) + (wide ? ", wide" : ""));
        const Rendered again = render(in, channels, ioThreads);
        EXPECT_EQ(again.out, first.out);
        EXPECT_EQ(again.stats.inRms, first.stats.inRms);
        EXPECT_EQ(again.stats.outRms, first.stats.outRms);
        EXPECT_EQ(again.stats.outPeak, first.stats.outPeak);
        EXPECT_EQ(again.stats.overFullScale, first.stats.overFullScale);
        EXPECT_EQ(again.stats.minGain, first.stats.minGain);
      }
    }
  }
}

TEST(RenderThrough, AnErrorOnEitherSideStopsTheRender) {
  const std::vector<float> in = material(2);
  for (int ioThreads : {1, 2}) {
    for (int failAt : {1, 4, -1, -5}) {
      SCOPED_TRACE("io threads " + std::to_string(ioThreads) + ", at " + std::to_string(failAt));
      EXPECT_THROW(render(in, 2, ioThreads, failAt), std::runtime_error);
    }
  }
}

}  // namespace
