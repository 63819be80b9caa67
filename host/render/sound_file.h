// Audio files for the renderer: a reader, and a writer that writes to a temporary file
// beside the target and renames it only when the run succeeds, so an existing file is
// never lost to a failed run. Two backends, chosen when building: libsndfile (any format it
// knows; Linux) or the built-in WAV reader and writer (render/wav_file.h; Windows).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "render/output_file.h"

namespace tarvo::render {

// Format codes, container | sample type, numbered as libsndfile numbers them (so that the
// libsndfile backend passes them through unchanged).
namespace format_code {
inline constexpr int kWav = 0x010000;
inline constexpr int kAiff = 0x020000;
inline constexpr int kFlac = 0x170000;
inline constexpr int kOgg = 0x200000;
inline constexpr int kW64 = 0x0B0000;
inline constexpr int kCaf = 0x180000;
inline constexpr int kMpeg = 0x230000;
inline constexpr int kPcmS8 = 0x0001;
inline constexpr int kPcm16 = 0x0002;
inline constexpr int kPcm24 = 0x0003;
inline constexpr int kPcm32 = 0x0004;
inline constexpr int kPcmU8 = 0x0005;
inline constexpr int kFloat = 0x0006;
inline constexpr int kDouble = 0x0007;
inline constexpr int kVorbis = 0x0060;
inline constexpr int kOpus = 0x0064;
inline constexpr int kMpegLayer3 = 0x0082;
inline constexpr int kSubMask = 0x0000FFFF;
inline constexpr int kTypeMask = 0x0FFF0000;
}  // namespace format_code

struct AudioFormat {
  int sndfileFormat = 0;  // container | subtype, as libsndfile names them (format_code)
  int channels = 0;
  int sampleRate = 0;
  bool isInteger() const;
  std::string describe() const;
};

// `--format` names: wav16, wav24, wav32, wavf, and with libsndfile also aiff16, aiff24,
// flac16, flac24, ogg. nullopt for an unknown name.
std::optional<int> formatFromName(const std::string& name);
std::string formatNames();

// The output format for a file name when --format is not given: the container from the
// extension (.wav, .flac, .aif/.aiff, .ogg, .opus, .mp3, .caf, .w64: those this build
// writes), with the input's sample type where that container has it (else 24-bit PCM, or
// the container's own lossy encoding). A name without extension keeps the input's format;
// nullopt for an extension this build does not write.
std::optional<int> formatForFileName(const std::string& utf8Path, const AudioFormat& input);
// The usual extension of a format's container (".wav", ".aiff", ".flac", ".ogg", ...).
std::string extensionOf(int format);
// The extensions formatForFileName knows in this build: ".wav, .flac, ...".
std::string extensionNames();
// Whether this build can write audio of this format, channel count and rate.
bool canWrite(const AudioFormat& format);

class SoundFileReader {
 public:
  // `path` is UTF-8. Throws std::runtime_error "cannot read input '<path>': <reason>"
  // when the file cannot be read.
  explicit SoundFileReader(const std::string& path);
  ~SoundFileReader();
  SoundFileReader(const SoundFileReader&) = delete;
  SoundFileReader& operator=(const SoundFileReader&) = delete;

  const AudioFormat& format() const { return format_; }
  int64_t frames() const { return frames_; }
  // Reads up to `frames` interleaved frames; answers the number read (0 at the end).
  int64_t read(float* interleaved, int64_t frames);
  // Whether the file's header promised more audio than the file holds (a download or copy
  // cut short): the reader then gives what is there.
  bool looksTruncated() const;

 private:
  struct Backend;
  std::unique_ptr<Backend> backend_;
  AudioFormat format_;
  int64_t frames_ = 0;
};

class SoundFileWriter {
 public:
  // Opens a temporary file beside the file `path` (UTF-8) stands for (render/output_file.h).
  // Throws std::runtime_error when the path is not a file that can be written, the format
  // does not suit the data or the folder is not writable.
  SoundFileWriter(const std::string& path, const AudioFormat& format);
  // Removes the temporary file unless commit() succeeded.
  ~SoundFileWriter();
  SoundFileWriter(const SoundFileWriter&) = delete;
  SoundFileWriter& operator=(const SoundFileWriter&) = delete;

  // Integer sample types are rounded to nearest (ties to even) and clipped at full scale.
  void write(const float* interleaved, int64_t frames);
  // Hard links of the file that will be replaced (see OutputFile::otherLinks).
  int otherLinks() const { return output_.otherLinks(); }
  // Closes the file and renames it over the target. Throws on failure.
  void commit();

 private:
  struct Backend;
  OutputFile output_;  // declared first: destroyed after the backend has closed the file
  std::unique_ptr<Backend> backend_;
};

}  // namespace tarvo::render
