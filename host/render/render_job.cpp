#include "render/render_job.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "render/cpu_features.h"
#include "render/sample_peak.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "plugin/meter_query.h"

namespace tarvo::render {

namespace {

// Audio moves between the threads in chunks of whole blocks, about a third of a second at
// 48 kHz: large enough that handing one over costs nothing next to its audio, small
// enough that the last one, which the writer finishes alone, is soon done.
constexpr int64_t kChunkFrames = 16384;

using v4f = float __attribute__((vector_size(16)));
constexpr int kChunks = 4;

// The render's audio buffers, a few megabytes in one piece. On Linux they are asked for as
// transparent huge pages where the system allows it: one fault and one clear of 2 MB
// instead of hundreds of 4 kB faults, each of which costs microseconds (tens of them in a
// virtual machine).
class AudioMemory {
 public:
  explicit AudioMemory(size_t floats) {
#if defined(__linux__)
    constexpr size_t kHuge = size_t{2} << 20;
    const size_t rounded = (floats * sizeof(float) + kHuge - 1) / kHuge * kHuge;
    mapped_ = rounded + kHuge;  // room to start on a 2 MB boundary
    void* p = ::mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p != MAP_FAILED) {
      base_ = p;
      const uintptr_t aligned = (reinterpret_cast<uintptr_t>(p) + kHuge - 1) & ~(kHuge - 1);
      data_ = reinterpret_cast<float*>(aligned);
      ::madvise(data_, rounded, MADV_HUGEPAGE);  // a hint: ignored where not offered
      return;
    }
#endif
    owned_.reset(new float[floats]);
    data_ = owned_.get();
  }
  ~AudioMemory() {
#if defined(__linux__)
    if (base_ != nullptr) ::munmap(base_, mapped_);
#endif
  }
  AudioMemory(const AudioMemory&) = delete;
  AudioMemory& operator=(const AudioMemory&) = delete;

  float* data() const {
    return data_;
  }

 private:
  float* data_ = nullptr;
  void* base_ = nullptr;  // the mapping, where there is one
  size_t mapped_ = 0;
  std::unique_ptr<float[]> owned_;
};

struct Chunk {
  float* asRead;                                 // interleaved, as the reader gave it
  float *inL, *inR, *outL, *outR;                // what the plug-in sees and gives
  float* written;                                // interleaved, for the writer
  std::vector<std::pair<double, double>> gains;  // each block's smallest and largest gain
  int64_t frames = 0;
  bool last = false;  // the end of the input
};

// Chunk numbers on their way round: free -> read -> processed -> free, each stage taken by
// one thread (the reader, the plug-in's, the writer), which alone is woken for it. A stop
// (an error anywhere) wakes every thread that waits and makes take() answer -1.
class Handover {
 public:
  enum Stage { kFree, kRead, kProcessed, kStages };

  void put(Stage stage, int chunk) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      Queue& q = queues_[stage];
      q.slots[(q.first + q.count++) % kChunks] = chunk;
    }
    queues_[stage].filled.notify_one();
  }

  int take(Stage stage) {
    std::unique_lock<std::mutex> lock(mutex_);
    Queue& q = queues_[stage];
    q.filled.wait(lock, [&] { return stopped_ || q.count > 0; });
    return stopped_ ? -1 : pop(q);
  }

  // A chunk waiting at `stage`, or -1 when there is none (or the render has stopped).
  int tryTake(Stage stage) {
    std::lock_guard<std::mutex> lock(mutex_);
    Queue& q = queues_[stage];
    return stopped_ || q.count == 0 ? -1 : pop(q);
  }

  // Stops the render; the first error is the one reported.
  void stop(std::exception_ptr error) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!error_) error_ = error;
      stopped_ = true;
    }
    for (Queue& q : queues_) q.filled.notify_all();
  }

  std::exception_ptr error() {
    std::lock_guard<std::mutex> lock(mutex_);
    return error_;
  }

 private:
  struct Queue {
    int slots[kChunks] = {};
    int first = 0, count = 0;
    std::condition_variable filled;
  };
  static int pop(Queue& q) {
    const int chunk = q.slots[q.first];
    q.first = (q.first + 1) % kChunks;
    --q.count;
    return chunk;
  }
  std::mutex mutex_;
  Queue queues_[kStages];
  bool stopped_ = false;
  std::exception_ptr error_;
};

// Level figures of one side, input or output, kept by the thread that sees it.
struct Levels {
  double peak = 0.0;
  double squares = 0.0;
  int64_t overFullScale = 0;
};

// The levels of the two channels the plug-in sees (mono: the same samples twice). Each
// frame's term is a * a + b * b in double, as always; the terms are summed in four running
// sums (frames 4k, 4k + 1, 4k + 2 and 4k + 3), so that the additions do not wait on each
// other frame after frame. That changes the RMS figures only in the last bits of a double,
// far below the hundredths of a dB they are printed to.
[[gnu::always_inline]] inline void measureSpan(const float* left, const float* right, int64_t n,
                                               Levels& levels) {
  using v4d = double __attribute__((vector_size(32)));
  const float peak = std::max(largestMagnitude(left, n, &levels.overFullScale),
                              largestMagnitude(right, n, &levels.overFullScale));
  levels.peak = std::max<double>(levels.peak, peak);
  v4d sums{};
  int64_t i = 0;
  for (; i + 4 <= n; i += 4) {
    v4f l, r;
    std::memcpy(&l, left + i, sizeof l);
    std::memcpy(&r, right + i, sizeof r);
    const v4d a = __builtin_convertvector(l, v4d), b = __builtin_convertvector(r, v4d);
    sums += a * a + b * b;
  }
  double squares = levels.squares + ((sums[0] + sums[1]) + (sums[2] + sums[3]));
  for (; i < n; ++i) {
    const double a = left[i], b = right[i];
    squares += a * a + b * b;
  }
  levels.squares = squares;
}

// Two builds: the baseline, and 256-bit vectors where the processor has them (the same
// operations lane for lane, so the same figures).
TARVO_TARGET_AVX void measureAvx(const float* left, const float* right, int64_t n, Levels& levels) {
  measureSpan(left, right, n, levels);
}

void measure(const float* left, const float* right, int64_t n, Levels& levels) {
  if (wideLoops()) return measureAvx(left, right, n, levels);
  measureSpan(left, right, n, levels);
}

// Fills a chunk from the reader: as many frames as it holds, fewer only at the end.
void fill(Chunk& k, int64_t capacity, int channels, const ReadFrames& read) {
  int64_t n = 0;
  while (n < capacity) {
    const int64_t got = read(k.asRead + n * channels, capacity - n);
    if (got <= 0) break;
    n += got;
  }
  k.frames = n;
  k.last = n < capacity;
}

// The input as the plug-in takes it, a channel per buffer (mono: the same samples twice).
void deinterleave(Chunk& k, int channels) {
  const int64_t n = k.frames;
  const float* x = k.asRead;
  if (channels == 2) {
    int64_t i = 0;
    for (; i + 4 <= n; i += 4) {  // four frames at a time
      v4f a, b;
      std::memcpy(&a, x + 2 * i, sizeof a);
      std::memcpy(&b, x + 2 * i + 4, sizeof b);
      const v4f left = __builtin_shufflevector(a, b, 0, 2, 4, 6);
      const v4f right = __builtin_shufflevector(a, b, 1, 3, 5, 7);
      std::memcpy(k.inL + i, &left, sizeof left);
      std::memcpy(k.inR + i, &right, sizeof right);
    }
    for (; i < n; ++i) {
      k.inL[i] = x[2 * i];
      k.inR[i] = x[2 * i + 1];
    }
  } else {
    std::copy_n(x, n, k.inL);
    std::copy_n(x, n, k.inR);
  }
}

// The output interleaved for writing (mono: the average of the two outputs).
void interleave(Chunk& k, int channels) {
  const int64_t n = k.frames;
  float* const w = k.written;
  if (channels == 2) {
    int64_t i = 0;
    for (; i + 4 <= n; i += 4) {  // four frames at a time
      v4f left, right;
      std::memcpy(&left, k.outL + i, sizeof left);
      std::memcpy(&right, k.outR + i, sizeof right);
      const v4f a = __builtin_shufflevector(left, right, 0, 4, 1, 5);
      const v4f b = __builtin_shufflevector(left, right, 2, 6, 3, 7);
      std::memcpy(w + 2 * i, &a, sizeof a);
      std::memcpy(w + 2 * i + 4, &b, sizeof b);
    }
    for (; i < n; ++i) {
      w[2 * i] = k.outL[i];
      w[2 * i + 1] = k.outR[i];
    }
  } else {
    for (int64_t i = 0; i < n; ++i) w[i] = 0.5f * (k.outL[i] + k.outR[i]);
  }
}

}  // namespace

RenderStats renderThrough(host::PluginInstance& plugin, const RenderSettings& settings,
                          int sampleRate, int channels, const RenderIo& io) {
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
  // All the audio in one allocation, left as it comes (every sample is written before it
  // is read).
  const int64_t perChunk = capacity * (2 * channels + 4);
  const AudioMemory memory(static_cast<size_t>(perChunk * kChunks));
  std::vector<Chunk> chunks(kChunks);
  for (int c = 0; c < kChunks; ++c) {
    Chunk& k = chunks[c];
    k.asRead = memory.data() + c * perChunk;
    k.inL = k.asRead + capacity * channels;
    k.inR = k.inL + capacity;
    k.outL = k.inR + capacity;
    k.outR = k.outL + capacity;
    k.written = k.outR + capacity;
    k.gains.resize(static_cast<size_t>(capacity / block));
  }

  RenderStats stats;
  Levels in, out;
  Handover handover;
  for (int c = 0; c < kChunks; ++c) handover.put(Handover::kFree, c);
  const auto start = std::chrono::steady_clock::now();

  // Reading a free chunk (true: it holds the end of the input) and writing a processed one
  // (true: it was the last).
  const auto readChunk = [&](Chunk& k) {
    fill(k, capacity, channels, io.read);
    return k.last;
  };
  int64_t done = 0;
  const auto writeChunk = [&](Chunk& k) {
    if (k.frames > 0) {
      const float* const written = k.written;
      if (io.observe) {
        for (int64_t at = 0, b = 0; at < k.frames; at += block, ++b) {
          io.observe(k.asRead + at * channels, written + at * channels,
                     std::min(block, k.frames - at), k.gains[b].first, k.gains[b].second);
        }
      }
      if (io.writeBlockByBlock) {
        for (int64_t at = 0; at < k.frames; at += block) {
          io.write(written + at * channels, std::min(block, k.frames - at));
        }
      } else {
        io.write(written, k.frames);
      }
      done += k.frames;
      if (io.progress) io.progress(done);
      if (io.analyse) io.analyse(k.asRead, written, k.frames);
    }
    return k.last;
  };
  // Once handed on, a chunk belongs to the next thread: nothing of it is read after put().
  const auto guarded = [&](auto body) {
    return [&handover, body] {
      try {
        body();
      } catch (...) {
        handover.stop(std::current_exception());
      }
    };
  };
  const auto readAll = [&] {
    for (int c; (c = handover.take(Handover::kFree)) >= 0;) {
      const bool last = readChunk(chunks[c]);
      handover.put(Handover::kRead, c);
      if (last) return;
    }
  };
  const auto writeAll = [&] {
    for (int c; (c = handover.take(Handover::kProcessed)) >= 0;) {
      const bool last = writeChunk(chunks[c]);
      handover.put(Handover::kFree, c);
      if (last) return;
    }
  };
  // One thread for both: it reads into every free chunk while the input lasts, then waits
  // for the next processed chunk and writes it, which frees it to be read into again.
  const auto readAndWriteAll = [&] {
    bool inputDone = false;
    for (;;) {
      for (int c; !inputDone && (c = handover.tryTake(Handover::kFree)) >= 0;) {
        inputDone = readChunk(chunks[c]);
        handover.put(Handover::kRead, c);
      }
      const int c = handover.take(Handover::kProcessed);
      if (c < 0) return;
      const bool last = writeChunk(chunks[c]);
      handover.put(Handover::kFree, c);
      if (last) return;
    }
  };
  std::thread reader, writer;
  const int ioThreads = io.ioThreads != 0                          ? io.ioThreads
                        : std::thread::hardware_concurrency() >= 3 ? 2
                                                                   : 1;
  if (ioThreads >= 2) {
    reader = std::thread(guarded(readAll));
    writer = std::thread(guarded(writeAll));
  } else {
    writer = std::thread(guarded(readAndWriteAll));
  }

  // The plug-in, here: block by block through each chunk, with the chunk's layout changed
  // and its levels measured on either side.
  try {
    for (;;) {
      const int c = handover.take(Handover::kRead);
      if (c < 0) break;
      Chunk& k = chunks[c];
      deinterleave(k, channels);
      measure(k.inL, k.inR, k.frames, in);
      for (int64_t at = 0, b = 0; at < k.frames; at += block, ++b) {
        const int64_t n = std::min(block, k.frames - at);
        float* inputs[2] = {k.inL + at, k.inR + at};
        float* outputs[2] = {k.outL + at, k.outR + at};
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
      interleave(k, channels);
      measure(k.outL, k.outR, k.frames, out);
      const bool last = k.last;
      handover.put(Handover::kProcessed, c);
      if (last) break;
    }
  } catch (...) {
    handover.stop(std::current_exception());
  }
  if (reader.joinable()) reader.join();
  writer.join();
  if (const std::exception_ptr error = handover.error()) std::rethrow_exception(error);

  stats.wallSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  plugin.dispatch(effMainsChanged, 0, 0);
  stats.inPeak = in.peak;
  stats.outPeak = out.peak;
  stats.overFullScale = out.overFullScale;
  stats.seconds = double(stats.frames) / sampleRate;
  if (stats.frames > 0) {
    stats.inRms = std::sqrt(in.squares / (2.0 * stats.frames));
    stats.outRms = std::sqrt(out.squares / (2.0 * stats.frames));
  }
  return stats;
}

}  // namespace tarvo::render
