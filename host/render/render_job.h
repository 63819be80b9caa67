// Runs audio through a loaded plug-in instance block by block and keeps the figures the
// renderer reports.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "vsthost/vst_host.h"

namespace tarvo::render {

struct RenderSettings {
  std::optional<int> program;                 // factory program to select first
  std::vector<std::pair<int, float>> values;  // then these normalized parameter values
  int blockSize = 512;                        // frames per processReplacing call
  std::optional<uint32_t> noiseSeed;          // dither noise seed; unset: the plug-in's own
};

// Loudness as EBU R128 measures it (render/loudness.h).
struct Loudness {
  double integratedLufs = 0;  // LUFS; -inf when the audio stays below the gate (silence)
  double rangeLu = 0;         // loudness range, LU
  double truePeakDbtp = 0;    // dBTP, largest of the channels; -inf for silence
};

struct RenderStats {
  int64_t frames = 0;
  double seconds = 0.0;  // audio duration
  double inPeak = 0.0;   // linear, largest magnitude over both channels
  double outPeak = 0.0;
  double inRms = 0.0;  // linear, over both channels
  double outRms = 0.0;
  double minGain = 1.0;  // gain meters: smallest (reduction) and largest (increase)
  double maxGain = 1.0;
  bool metersAvailable = false;
  double wallSeconds = 0.0;                         // processing time
  int64_t overFullScale = 0;                        // output samples above full scale
  std::optional<Loudness> inLoudness, outLoudness;  // when measured
};

// Pulls up to n interleaved frames (of `channels`) into the buffer; answers the count.
using ReadFrames = std::function<int64_t(float* interleaved, int64_t frames)>;
using WriteFrames = std::function<void(const float* interleaved, int64_t frames)>;
using Progress = std::function<void(int64_t done)>;
// Sees each block as read and as written (interleaved, `frames` frames of `channels`),
// with the smallest and largest gain the plug-in's meters showed over it (linear).
using Observe = std::function<void(const float* in, const float* out, int64_t frames,
                                   double minGain, double maxGain)>;
// Sees the input as read and the output as written in order, interleaved, a stretch of
// the same frames of each at a time.
using Analyse = std::function<void(const float* input, const float* output, int64_t frames)>;

// Where a render's audio comes from and goes, and who else sees it. The plug-in runs on
// the thread that calls renderThrough while a reader thread reads ahead and a writer
// thread writes behind it, a few hundred milliseconds of audio apart (or one thread does
// both: see ioThreads); each function is called on the thread named, one call at a time,
// in the order of the audio.
struct RenderIo {
  ReadFrames read;    // reader thread
  WriteFrames write;  // writer thread: as much as is ready at a time, or block by block
  bool writeBlockByBlock = false;  // for encoders whose output depends on the pieces
  Progress progress;               // writer thread, after each write (may be empty)
  Observe observe;                 // writer thread, block by block (may be empty)
  Analyse analyse;                 // writer thread, chunk by chunk (may be empty)
  // Threads for reading and writing beside the plug-in's: 2, a reader and a writer; 1, one
  // thread that is both; 0, 2 where there are three or more processors, else 1 (three busy
  // threads on two processors spend much of their time handing them to each other).
  int ioThreads = 0;
};

// Applies the settings, starts processing at `sampleRate`, runs every frame the reader
// gives through processReplacing in blocks of settings.blockSize frames (the last one
// shorter; mono as dual mono, written back as the average of the two outputs), and stops
// processing. `channels` must be 1 or 2. An exception from any of the functions stops the
// render and is rethrown here once all three threads have stopped.
RenderStats renderThrough(host::PluginInstance& plugin, const RenderSettings& settings,
                          int sampleRate, int channels, const RenderIo& io);

}  // namespace tarvo::render
