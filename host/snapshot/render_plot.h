// A picture of what a render did: the input and output levels over the whole file, and
// below them the gain change, drawn with the editor's own chart and font, written as PNG.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/surface.h"

namespace tarvo::snapshot {

// The figures of a render, gathered block by block and kept per slice of time.
class RenderTrace {
 public:
  // `sliceFrames`: frames per kept point (10 ms is plenty for a picture).
  RenderTrace(int sampleRate, int sliceFrames);
  // One block: its interleaved input and output (`channels` each) and the extremes of the
  // gain meters over it (linear; 1 = no change).
  void add(const float* in, const float* out, int64_t frames, int channels, double minGain,
           double maxGain);

  struct Slice {
    float inPeak = 0, outPeak = 0;  // linear
    float minGain = 1, maxGain = 1;
  };
  const std::vector<Slice>& slices() const { return slices_; }
  double secondsPerSlice() const { return double(sliceFrames_) / sampleRate_; }

 private:
  int sampleRate_;
  int sliceFrames_;
  int64_t inSlice_ = 0;  // frames in the last slice
  std::vector<Slice> slices_;
};

// The picture: levels in dBFS on top, gain change in dB below, time in seconds along the
// bottom; `title` above it.
toolkit::Surface DrawRenderPlot(const RenderTrace& trace, const std::string& title);

}  // namespace tarvo::snapshot
