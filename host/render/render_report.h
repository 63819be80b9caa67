// What tarvo-render tells the user about a render: the progress bar, the warnings about
// the output's peaks and the input, the note when the settings cannot change the sound,
// and the summary line.
#pragma once

#include <cstdint>
#include <string>

#include "render/render_job.h"
#include "render/sound_file.h"

namespace tarvo::render {

// A progress bar on stderr (a terminal only), redrawn at most once per percent.
class ProgressBar {
 public:
  explicit ProgressBar(int64_t total);
  ~ProgressBar() { finish(); }
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;
  void operator()(int64_t done);
  // Clears the bar's line, so that what follows starts on a clean line.
  void finish();

 private:
  int64_t total_;
  bool enabled_;
  int shown_ = -1;
};

// The summary: a line of levels, gain change and speed, and a line of loudness figures
// when they were measured (each line ends with a newline).
std::string summaryText(const RenderStats& stats);

// The whole summary as one JSON object (a line), for scripts: what was read and written,
// levels in dBFS, loudness, gain change, clipped samples, speed. Levels that are minus
// infinity (silence) are null.
struct RenderFacts {
  std::string input, output;  // paths as given; input empty for the demo
  AudioFormat inFormat, outFormat;
  bool truncatedInput = false;
};
std::string summaryJson(const RenderStats& stats, const RenderFacts& facts);

// The warning (or note) about output samples above full scale, worded for what the file
// does with them; empty when there are none.
std::string clippingMessage(const RenderStats& stats, const AudioFormat& format);

// Why these settings leave the sound as it is (Ratio 1:1 with no gain, balance or input
// filter), or empty when they can change it.
std::string unchangedSoundNote(const RenderSettings& settings);

}  // namespace tarvo::render
