// The built-in backend of sound_file.h: WAV files only, through render/wav_file.h.
#include <optional>
#include <stdexcept>

#include "render/native_file.h"
#include "render/sound_file.h"
#include "render/wav_file.h"

namespace tarvo::render {

namespace fc = format_code;
using wav::SampleType;

namespace {

struct TypeCode {
  SampleType type;
  int code;
  const char* name;  // as libsndfile names the subtype
};

constexpr TypeCode kTypes[] = {
    {SampleType::Pcm8, fc::kPcmU8, "Unsigned 8 bit PCM"},
    {SampleType::Pcm16, fc::kPcm16, "Signed 16 bit PCM"},
    {SampleType::Pcm24, fc::kPcm24, "Signed 24 bit PCM"},
    {SampleType::Pcm32, fc::kPcm32, "Signed 32 bit PCM"},
    {SampleType::Float32, fc::kFloat, "32 bit float"},
    {SampleType::Float64, fc::kDouble, "64 bit float"},
};

int codeOf(SampleType type) {
  for (const TypeCode& t : kTypes) {
    if (t.type == type) return t.code;
  }
  return 0;
}

// The WAV sample type of a format code, if this backend writes it.
std::optional<SampleType> typeOf(int code) {
  if ((code & fc::kTypeMask) != fc::kWav) return std::nullopt;
  for (const TypeCode& t : kTypes) {
    if (t.code == (code & fc::kSubMask)) return t.type;
  }
  return std::nullopt;
}

}  // namespace

struct SoundFileReader::Backend {
  explicit Backend(const std::string& path) : reader(path) {}
  wav::WavReader reader;
};

struct SoundFileWriter::Backend {
  Backend(const std::string& path, const wav::WavFormat& format) : writer(path, format) {}
  wav::WavWriter writer;
};

std::string AudioFormat::describe() const {
  std::string major = (sndfileFormat & fc::kTypeMask) == fc::kWav ? "WAV (Microsoft)" : "?";
  std::string sub = "?";
  for (const TypeCode& t : kTypes) {
    if (t.code == (sndfileFormat & fc::kSubMask)) sub = t.name;
  }
  return major + ", " + sub + ", " + std::to_string(channels) + " ch, " +
         std::to_string(sampleRate) + " Hz";
}

SoundFileReader::SoundFileReader(const std::string& path) {
  try {
    backend_ = std::make_unique<Backend>(path);
  } catch (const wav::WavError& e) {
    throw std::runtime_error("cannot read input '" + path + "': " + e.what() +
                             " (this build reads WAV files only)");
  }
  const wav::WavFormat& f = backend_->reader.format();
  format_ = AudioFormat{fc::kWav | codeOf(f.type), f.channels, f.sampleRate};
  frames_ = backend_->reader.frames();
}

SoundFileReader::~SoundFileReader() = default;

int64_t SoundFileReader::read(float* interleaved, int64_t frames) {
  try {
    return backend_->reader.read(interleaved, frames);
  } catch (const wav::WavError& e) {
    throw std::runtime_error(std::string("reading the input failed: ") + e.what());
  }
}

SoundFileWriter::SoundFileWriter(const std::string& path, const AudioFormat& format) : path_(path) {
  const std::optional<SampleType> type = typeOf(format.sndfileFormat);
  if (!type) {
    throw std::runtime_error("the output format (" + format.describe() +
                             ") cannot be written by this build, which writes WAV only; choose " +
                             formatNames() + " with --format");
  }
  tempPath_ = temporaryPathBeside(path);
  try {
    backend_ = std::make_unique<Backend>(tempPath_,
                                         wav::WavFormat{*type, format.channels, format.sampleRate});
  } catch (const std::exception& e) {
    removeFile(tempPath_);
    throw std::runtime_error("cannot write output '" + path + "': " + e.what());
  }
}

SoundFileWriter::~SoundFileWriter() {
  backend_.reset();  // closes the file first
  if (!committed_ && !tempPath_.empty()) removeFile(tempPath_);
}

void SoundFileWriter::write(const float* interleaved, int64_t frames) {
  try {
    backend_->writer.write(interleaved, frames);
  } catch (const std::exception& e) {
    throw std::runtime_error("writing '" + path_ + "' failed: " + e.what());
  }
}

void SoundFileWriter::commit() {
  try {
    backend_->writer.finish();
  } catch (const std::exception& e) {
    throw std::runtime_error("finishing '" + path_ + "' failed: " + e.what());
  }
  try {
    replaceFile(tempPath_, path_);
  } catch (const std::exception& e) {
    throw std::runtime_error("cannot replace '" + path_ + "': " + e.what());
  }
  committed_ = true;
}

}  // namespace tarvo::render
