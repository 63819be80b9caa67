#include "render/render_job.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "plugin/meter_query.h"

namespace tarvo::render {

RenderStats renderThrough(host::PluginInstance& plugin, const RenderSettings& settings,
                          int sampleRate, int channels, const ReadFrames& read,
                          const WriteFrames& write, const Progress& progress,
                          const Observe& observe) {
  using vst::effMainsChanged;
  if (settings.program) plugin.dispatch(vst::effSetProgram, 0, *settings.program);
  for (const auto& [index, value] : settings.values) plugin.setParameter(index, value);
  plugin.dispatch(vst::effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  plugin.dispatch(vst::effSetBlockSize, 0, settings.blockSize);
  plugin.dispatch(effMainsChanged, 0, 1);
  if (settings.noiseSeed) {
    uint32_t seed = *settings.noiseSeed;
    plugin.dispatch(vst::effVendorSpecific, plugin::kMeterQueryIndex, plugin::kNoiseSeedValue,
                    &seed);
  }

  const int64_t block = settings.blockSize;
  std::vector<float> interleaved(static_cast<size_t>(block) * channels);
  std::vector<float> inL(block), inR(block), outL(block), outR(block);
  std::vector<float> asRead(observe ? interleaved.size() : 0);
  float* inputs[2] = {inL.data(), inR.data()};
  float* outputs[2] = {outL.data(), outR.data()};

  RenderStats stats;
  double inSquares = 0.0, outSquares = 0.0;
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    const int64_t n = read(interleaved.data(), block);
    if (n <= 0) break;
    for (int64_t i = 0; i < n; ++i) {
      inL[i] = interleaved[i * channels];
      inR[i] = channels == 2 ? interleaved[i * channels + 1] : inL[i];
    }
    if (observe) std::copy_n(interleaved.data(), n * channels, asRead.data());
    plugin.processReplacing(inputs, outputs, static_cast<int32_t>(n));
    // The gain meters' extremes since the last block (every 64 samples inside it), so the
    // figures do not depend on the block size; a plug-in without that request gives its
    // meters as they stand at the end of the block.
    float meters[6] = {};
    const float* gains = meters;
    int count = 4;
    if (plugin.dispatch(vst::effVendorSpecific, plugin::kMeterQueryIndex,
                        plugin::kGainExtremesQueryValue, meters) != 1) {
      gains = meters + 4;
      count = 2;
      if (plugin.dispatch(vst::effVendorSpecific, plugin::kMeterQueryIndex,
                          plugin::kMeterQueryValue, meters) != 1) {
        count = 0;
      }
    }
    stats.metersAvailable = stats.metersAvailable || count > 0;
    double blockMin = 1.0, blockMax = 1.0;
    for (int k = 0; k < count; ++k) {
      if (std::isfinite(gains[k]) && gains[k] > 0.0f) {
        blockMin = std::min<double>(blockMin, gains[k]);
        blockMax = std::max<double>(blockMax, gains[k]);
      }
    }
    stats.minGain = std::min(stats.minGain, blockMin);
    stats.maxGain = std::max(stats.maxGain, blockMax);
    for (int64_t i = 0; i < n; ++i) {
      const double a = inL[i], b = inR[i], x = outL[i], y = outR[i];
      stats.inPeak = std::max({stats.inPeak, std::fabs(a), std::fabs(b)});
      stats.outPeak = std::max({stats.outPeak, std::fabs(x), std::fabs(y)});
      inSquares += a * a + b * b;
      outSquares += x * x + y * y;
      stats.overFullScale += (std::fabs(x) > 1.0) + (std::fabs(y) > 1.0);
      if (channels == 2) {
        interleaved[i * 2] = outL[i];
        interleaved[i * 2 + 1] = outR[i];
      } else {
        interleaved[i] = 0.5f * (outL[i] + outR[i]);
      }
    }
    if (observe) observe(asRead.data(), interleaved.data(), n, blockMin, blockMax);
    write(interleaved.data(), n);
    stats.frames += n;
    if (progress) progress(stats.frames);
  }
  stats.wallSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  plugin.dispatch(effMainsChanged, 0, 0);
  stats.seconds = double(stats.frames) / sampleRate;
  if (stats.frames > 0) {
    stats.inRms = std::sqrt(inSquares / (2.0 * stats.frames));
    stats.outRms = std::sqrt(outSquares / (2.0 * stats.frames));
  }
  return stats;
}

}  // namespace tarvo::render
