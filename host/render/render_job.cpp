#include "render/render_job.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>

#include "plugin/meter_query.h"

namespace tarvo::render {

namespace {

using v2d = double __attribute__((vector_size(16)));
using v4f = float __attribute__((vector_size(16)));
using v4i = int32_t __attribute__((vector_size(16)));

// Audio moves between the threads in chunks of whole blocks, about a third of a second at
// 48 kHz: large enough that handing one over costs nothing next to its audio, small
// enough that the last one, which the writer finishes alone, is soon done.
constexpr int64_t kChunkFrames = 16384;
constexpr int kChunks = 4;

struct Chunk {
  std::vector<float> asRead;                 // interleaved, as the reader gave it
  std::vector<float> inL, inR, outL, outR;   // what the plug-in sees and gives
  std::vector<float> written;                // interleaved, as written
  std::vector<std::pair<double, double>> gains;  // each block's smallest and largest gain
  int64_t frames = 0;
  bool last = false;  // the end of the input
};

// Chunk numbers on their way round: free -> read -> processed -> free. A stop (an error
// anywhere) wakes every thread that waits and makes take() answer -1.
class Handover {
 public:
  enum Stage { kFree, kRead, kProcessed, kStages };

  void put(Stage stage, int chunk) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      Queue& q = queues_[stage];
      q.slots[(q.first + q.count++) % kChunks] = chunk;
    }
    changed_.notify_all();
  }

  int take(Stage stage) {
    std::unique_lock<std::mutex> lock(mutex_);
    Queue& q = queues_[stage];
    changed_.wait(lock, [&] { return stopped_ || q.count > 0; });
    if (stopped_) return -1;
    const int chunk = q.slots[q.first];
    q.first = (q.first + 1) % kChunks;
    --q.count;
    return chunk;
  }

  // Stops the render; the first error is the one reported.
  void stop(std::exception_ptr error) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!error_) error_ = error;
      stopped_ = true;
    }
    changed_.notify_all();
  }

  std::exception_ptr error() {
    std::lock_guard<std::mutex> lock(mutex_);
    return error_;
  }

 private:
  struct Queue {
    int slots[kChunks] = {};
    int first = 0, count = 0;
  };
  std::mutex mutex_;
  std::condition_variable changed_;
  Queue queues_[kStages];
  bool stopped_ = false;
  std::exception_ptr error_;
};

// Level figures of what went in and out, kept by the writer thread.
struct Levels {
  double inPeak = 0.0, outPeak = 0.0;
  double inSquares = 0.0, outSquares = 0.0;
  int64_t overFullScale = 0;
};

// The largest magnitude of n samples (NaNs passed over, as std::max passes over them) and
// how many exceed full scale.
float peakOf(const float* x, int64_t n, int64_t* over) {
  v4f best{};
  v4i above{};
  int64_t i = 0;
  for (; i + 4 <= n; i += 4) {
    v4f v;
    std::memcpy(&v, x + i, sizeof v);
    v = v < 0 ? -v : v;
    best = v > best ? v : best;
    above -= v > 1.0f;  // a true comparison is -1
  }
  float m = std::max({best[0], best[1], best[2], best[3]});
  int64_t count = int64_t{above[0]} + above[1] + above[2] + above[3];
  for (; i < n; ++i) {
    const float v = std::fabs(x[i]);
    if (v > m) m = v;
    count += v > 1.0f;
  }
  if (over != nullptr) *over += count;
  return m;
}

// The chunk's levels, and its output interleaved for writing (mono: the average of the
// two outputs). The sums of squares add frame after frame in the order they always have,
// so the RMS figures stay the same to the bit.
void measureAndInterleave(Chunk& k, int channels, Levels& levels) {
  const int64_t n = k.frames;
  levels.inPeak = std::max<double>(
      levels.inPeak, std::max(peakOf(k.inL.data(), n, nullptr), peakOf(k.inR.data(), n, nullptr)));
  const float outPeak = std::max(peakOf(k.outL.data(), n, &levels.overFullScale),
                                 peakOf(k.outR.data(), n, &levels.overFullScale));
  levels.outPeak = std::max<double>(levels.outPeak, outPeak);
  v2d squares{levels.inSquares, levels.outSquares};  // lanes: in, out
  for (int64_t i = 0; i < n; ++i) {
    const v2d left{k.inL[i], k.outL[i]}, right{k.inR[i], k.outR[i]};
    squares += left * left + right * right;
  }
  levels.inSquares = squares[0];
  levels.outSquares = squares[1];
  float* w = k.written.data();
  if (channels == 2) {
    for (int64_t i = 0; i < n; ++i) {
      w[2 * i] = k.outL[i];
      w[2 * i + 1] = k.outR[i];
    }
  } else {
    for (int64_t i = 0; i < n; ++i) w[i] = 0.5f * (k.outL[i] + k.outR[i]);
  }
}

// Fills a chunk from the reader: as many frames as it holds, fewer only at the end.
void fill(Chunk& k, int64_t capacity, int channels, const ReadFrames& read) {
  int64_t n = 0;
  while (n < capacity) {
    const int64_t got = read(k.asRead.data() + n * channels, capacity - n);
    if (got <= 0) break;
    n += got;
  }
  const float* x = k.asRead.data();
  if (channels == 2) {
    for (int64_t i = 0; i < n; ++i) {
      k.inL[i] = x[2 * i];
      k.inR[i] = x[2 * i + 1];
    }
  } else {
    std::copy_n(x, n, k.inL.data());
    std::copy_n(x, n, k.inR.data());
  }
  k.frames = n;
  k.last = n < capacity;
}

}  // namespace

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
  const int64_t capacity = std::max<int64_t>(1, kChunkFrames / block) * block;
  std::vector<Chunk> chunks(kChunks);
  for (Chunk& k : chunks) {
    k.asRead.resize(static_cast<size_t>(capacity * channels));
    for (auto* v : {&k.inL, &k.inR, &k.outL, &k.outR}) v->resize(static_cast<size_t>(capacity));
    k.written.resize(static_cast<size_t>(capacity * channels));
    k.gains.resize(static_cast<size_t>(capacity / block));
  }

  RenderStats stats;
  Levels levels;
  Handover handover;
  for (int c = 0; c < kChunks; ++c) handover.put(Handover::kFree, c);
  const auto start = std::chrono::steady_clock::now();

  std::thread reader([&] {
    try {
      for (;;) {
        const int c = handover.take(Handover::kFree);
        if (c < 0) return;
        fill(chunks[c], capacity, channels, read);
        // Once handed on, a chunk belongs to the next thread: nothing of it is read here.
        const bool last = chunks[c].last;
        handover.put(Handover::kRead, c);
        if (last) return;
      }
    } catch (...) {
      handover.stop(std::current_exception());
    }
  });

  std::thread writer([&] {
    try {
      int64_t done = 0;
      for (;;) {
        const int c = handover.take(Handover::kProcessed);
        if (c < 0) return;
        Chunk& k = chunks[c];
        if (k.frames > 0) {
          measureAndInterleave(k, channels, levels);
          if (observe) {
            for (int64_t at = 0, b = 0; at < k.frames; at += block, ++b) {
              observe(k.asRead.data() + at * channels, k.written.data() + at * channels,
                      std::min(block, k.frames - at), k.gains[b].first, k.gains[b].second);
            }
          }
          write(k.written.data(), k.frames);
          done += k.frames;
          if (progress) progress(done);
        }
        const bool last = k.last;
        handover.put(Handover::kFree, c);
        if (last) return;
      }
    } catch (...) {
      handover.stop(std::current_exception());
    }
  });

  // The plug-in, here: block by block through each chunk.
  try {
    for (;;) {
      const int c = handover.take(Handover::kRead);
      if (c < 0) break;
      Chunk& k = chunks[c];
      for (int64_t at = 0, b = 0; at < k.frames; at += block, ++b) {
        const int64_t n = std::min(block, k.frames - at);
        float* inputs[2] = {k.inL.data() + at, k.inR.data() + at};
        float* outputs[2] = {k.outL.data() + at, k.outR.data() + at};
        plugin.processReplacing(inputs, outputs, static_cast<int32_t>(n));
        // The gain meters' extremes since the last block (every 64 samples inside it), so
        // the figures do not depend on the block size; a plug-in without that request
        // gives its meters as they stand at the end of the block.
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
        for (int m = 0; m < count; ++m) {
          if (std::isfinite(gains[m]) && gains[m] > 0.0f) {
            blockMin = std::min<double>(blockMin, gains[m]);
            blockMax = std::max<double>(blockMax, gains[m]);
          }
        }
        stats.minGain = std::min(stats.minGain, blockMin);
        stats.maxGain = std::max(stats.maxGain, blockMax);
        k.gains[b] = {blockMin, blockMax};
        stats.frames += n;
      }
      const bool last = k.last;
      handover.put(Handover::kProcessed, c);
      if (last) break;
    }
  } catch (...) {
    handover.stop(std::current_exception());
  }
  reader.join();
  writer.join();
  if (const std::exception_ptr error = handover.error()) std::rethrow_exception(error);

  stats.wallSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  plugin.dispatch(effMainsChanged, 0, 0);
  stats.inPeak = levels.inPeak;
  stats.outPeak = levels.outPeak;
  stats.overFullScale = levels.overFullScale;
  stats.seconds = double(stats.frames) / sampleRate;
  if (stats.frames > 0) {
    stats.inRms = std::sqrt(levels.inSquares / (2.0 * stats.frames));
    stats.outRms = std::sqrt(levels.outSquares / (2.0 * stats.frames));
  }
  return stats;
}

}  // namespace tarvo::render
