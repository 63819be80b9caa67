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

bool canWrite(const AudioFormat& format) {
  return typeOf(format.sndfileFormat).has_value() && format.channels >= 1 && format.sampleRate >= 1;
}

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

bool SoundFileReader::looksTruncated() const {
  return false;  // the built-in reader refuses a file shorter than its header says
}

SoundFileWriter::SoundFileWriter(const std::string& path, const AudioFormat& format)
    : output_(path) {
  if (output_.isStandardOutput()) {
    throw std::runtime_error("this build cannot write to standard output; name a file");
  }
  const std::optional<SampleType> type = typeOf(format.sndfileFormat);
  if (!type) {
    throw std::runtime_error("the output format (" + format.describe() +
                             ") cannot be written by this build, which writes WAV only; choose " +
                             formatNames() + " with --format");
  }
  try {
    backend_ = std::make_unique<Backend>(output_.temporaryPath(),
                                         wav::WavFormat{*type, format.channels, format.sampleRate});
  } catch (const std::exception& e) {
    output_.discard();
    throw std::runtime_error("cannot write output '" + path + "': " + e.what());
  }
}

SoundFileWriter::~SoundFileWriter() {
  backend_.reset();  // closes the file before output_ removes an unfinished one
}

void SoundFileWriter::write(const float* interleaved, int64_t frames) {
  try {
    backend_->writer.write(interleaved, frames);
  } catch (const std::exception& e) {
    throw std::runtime_error("writing '" + output_.path() + "' failed: " + e.what());
  }
}

void SoundFileWriter::commit() {
  try {
    backend_->writer.finish();
  } catch (const std::exception& e) {
    throw std::runtime_error("finishing '" + output_.path() + "' failed: " + e.what());
  }
  output_.commit();
}

}  // namespace tarvo::render
