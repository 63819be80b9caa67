// Audio files through libsndfile: a reader for any format it knows, and a writer that
// writes to a temporary file beside the target and renames it only when the run succeeds,
// so an existing file is never lost to a failed run.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvo::render {

struct AudioFormat {
  int sndfileFormat = 0;  // container | subtype, as libsndfile names them
  int channels = 0;
  int sampleRate = 0;
  bool isInteger() const;
  std::string describe() const;
};

// `--format` names: wav16, wav24, wav32, wavf, aiff16, aiff24, flac16, flac24, ogg.
// nullopt for an unknown name.
std::optional<int> formatFromName(const std::string& name);
std::string formatNames();

class SoundFileReader {
 public:
  // Throws std::runtime_error with libsndfile's reason when the file cannot be read.
  explicit SoundFileReader(const std::string& path);
  ~SoundFileReader();
  SoundFileReader(const SoundFileReader&) = delete;
  SoundFileReader& operator=(const SoundFileReader&) = delete;

  const AudioFormat& format() const { return format_; }
  int64_t frames() const { return frames_; }
  // Reads up to `frames` interleaved frames; answers the number read (0 at the end).
  int64_t read(float* interleaved, int64_t frames);

 private:
  SNDFILE* file_ = nullptr;
  AudioFormat format_;
  int64_t frames_ = 0;
};

class SoundFileWriter {
 public:
  // Opens a temporary file beside `path`. Throws std::runtime_error when the format does
  // not suit the data or the folder is not writable.
  SoundFileWriter(const std::string& path, const AudioFormat& format);
  // Removes the temporary file unless commit() succeeded.
  ~SoundFileWriter();
  SoundFileWriter(const SoundFileWriter&) = delete;
  SoundFileWriter& operator=(const SoundFileWriter&) = delete;

  void write(const float* interleaved, int64_t frames);
  // Closes the file and renames it over the target. Throws on failure.
  void commit();

 private:
  std::string path_;
  std::string tempPath_;
  SNDFILE* file_ = nullptr;
  bool committed_ = false;
};

}  // namespace tarvo::render
