// A RIFF/WAVE reader and writer of its own, for builds without libsndfile (the Windows
// renderer). Reads PCM 8 (unsigned), 16, 24 and 32 bit and IEEE float 32 and 64 bit, in
// the plain format and as WAVE_FORMAT_EXTENSIBLE; skips chunks it does not know (with their
// odd-size pad byte); rejects truncated or malformed files with a reason. Writes the same
// sample types in the plain format, with a 'fact' chunk for floating point.
//
// Samples cross the interface as floats with full scale at 1.0: an integer sample v of b
// bits is v / 2^(b-1). Integer output is rounded to nearest (ties to even) and clipped at
// full scale; NaN is written as 0.
#pragma once

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvo::render::wav {

enum class SampleType { Pcm8, Pcm16, Pcm24, Pcm32, Float32, Float64 };

struct WavFormat {
  SampleType type = SampleType::Pcm16;
  int channels = 0;
  int sampleRate = 0;
  int bytesPerSample() const;
  int blockAlign() const { return bytesPerSample() * channels; }
  bool isFloat() const { return type == SampleType::Float32 || type == SampleType::Float64; }
};

// What the reader found, for messages and tests.
struct WavLayout {
  WavFormat format;
  bool extensible = false;    // the fmt chunk was WAVE_FORMAT_EXTENSIBLE
  int64_t dataOffset = 0;     // file offset of the first sample byte
  int64_t frames = 0;         // whole frames in the data chunk
  int64_t skippedChunks = 0;  // chunks other than fmt, fact and data
};

// A file that is not a WAV file this reader understands: the message says why, without
// the path (the caller adds it).
struct WavError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Sample conversions, one sample at a time.
int32_t floatToPcm(float x, int bits);  // bits 8 (as signed -128..127), 16, 24 or 32
float pcmToFloat(int32_t v, int bits);

class WavReader {
 public:
  // Opens and parses the file; throws WavError (unreadable file, not WAV, unsupported
  // encoding, truncated or inconsistent header).
  explicit WavReader(const std::string& utf8Path);
  ~WavReader();
  WavReader(const WavReader&) = delete;
  WavReader& operator=(const WavReader&) = delete;

  const WavLayout& layout() const { return layout_; }
  const WavFormat& format() const { return layout_.format; }
  int64_t frames() const { return layout_.frames; }
  // Reads up to `frames` interleaved frames as floats; answers the number read (0 at the
  // end). Throws WavError when the file ends early or cannot be read.
  int64_t read(float* interleaved, int64_t frames);

 private:
  std::FILE* file_ = nullptr;
  WavLayout layout_;
  int64_t position_ = 0;  // frames read so far
  std::vector<unsigned char> bytes_;
};

class WavWriter {
 public:
  // Creates (or truncates) the file and writes a header with empty sizes. Throws
  // std::runtime_error when the file cannot be created or the format is invalid.
  WavWriter(const std::string& utf8Path, const WavFormat& format);
  // Closes the file; an unfinished file keeps its empty sizes (the caller deletes it).
  ~WavWriter();
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  // Appends interleaved frames. Throws std::runtime_error on a write error or when the
  // data would outgrow the 4 GiB that RIFF sizes can describe.
  void write(const float* interleaved, int64_t frames);
  // Adds the pad byte of an odd-sized data chunk, writes the final sizes and closes the
  // file. Throws std::runtime_error when any of it fails.
  void finish();

  int64_t frames() const { return frames_; }

 private:
  std::FILE* file_ = nullptr;
  WavFormat format_;
  int64_t frames_ = 0;
  int64_t factOffset_ = -1;  // where the frame count of the fact chunk goes
  int64_t dataSizeOffset_ = 0;
  std::vector<unsigned char> bytes_;
};

}  // namespace tarvo::render::wav
