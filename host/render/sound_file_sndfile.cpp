// The libsndfile backend of sound_file.h: every format libsndfile reads and writes.
#include <sndfile.h>

#include <stdexcept>

#include "render/native_file.h"
#include "render/sound_file.h"

namespace tarvo::render {

namespace fc = format_code;
static_assert(fc::kWav == SF_FORMAT_WAV && fc::kAiff == SF_FORMAT_AIFF &&
              fc::kFlac == SF_FORMAT_FLAC && fc::kOgg == SF_FORMAT_OGG);
static_assert(fc::kPcmS8 == SF_FORMAT_PCM_S8 && fc::kPcm16 == SF_FORMAT_PCM_16 &&
              fc::kPcm24 == SF_FORMAT_PCM_24 && fc::kPcm32 == SF_FORMAT_PCM_32 &&
              fc::kPcmU8 == SF_FORMAT_PCM_U8 && fc::kFloat == SF_FORMAT_FLOAT &&
              fc::kDouble == SF_FORMAT_DOUBLE && fc::kVorbis == SF_FORMAT_VORBIS &&
              fc::kOpus == SF_FORMAT_OPUS);
static_assert(fc::kSubMask == SF_FORMAT_SUBMASK && fc::kTypeMask == SF_FORMAT_TYPEMASK);

struct SoundFileReader::Backend {
  SNDFILE* file = nullptr;
  ~Backend() {
    if (file != nullptr) sf_close(file);
  }
};

struct SoundFileWriter::Backend {
  SNDFILE* file = nullptr;
  ~Backend() {
    if (file != nullptr) sf_close(file);
  }
};

std::string AudioFormat::describe() const {
  SF_FORMAT_INFO major{};
  major.format = sndfileFormat & SF_FORMAT_TYPEMASK;
  sf_command(nullptr, SFC_GET_FORMAT_INFO, &major, sizeof major);
  SF_FORMAT_INFO sub{};
  sub.format = sndfileFormat & SF_FORMAT_SUBMASK;
  sf_command(nullptr, SFC_GET_FORMAT_INFO, &sub, sizeof sub);
  return std::string(major.name ? major.name : "?") + ", " + (sub.name ? sub.name : "?") + ", " +
         std::to_string(channels) + " ch, " + std::to_string(sampleRate) + " Hz";
}

SoundFileReader::SoundFileReader(const std::string& path) : backend_(std::make_unique<Backend>()) {
  SF_INFO info{};
  backend_->file = sf_open(path.c_str(), SFM_READ, &info);
  if (backend_->file == nullptr) {
    throw std::runtime_error("cannot read input '" + path + "': " + sf_strerror(nullptr));
  }
  format_ = AudioFormat{info.format, info.channels, info.samplerate};
  frames_ = info.frames;
}

SoundFileReader::~SoundFileReader() = default;

int64_t SoundFileReader::read(float* interleaved, int64_t frames) {
  return sf_readf_float(backend_->file, interleaved, frames);
}

SoundFileWriter::SoundFileWriter(const std::string& path, const AudioFormat& format)
    : backend_(std::make_unique<Backend>()), path_(path) {
  SF_INFO info{};
  info.format = format.sndfileFormat;
  info.channels = format.channels;
  info.samplerate = format.sampleRate;
  if (!sf_format_check(&info)) {
    throw std::runtime_error("the output format (" + format.describe() +
                             ") cannot hold this audio; choose another with --format");
  }
  tempPath_ = temporaryPathBeside(path);
  backend_->file = sf_open(tempPath_.c_str(), SFM_WRITE, &info);
  if (backend_->file == nullptr) {
    const std::string reason = sf_strerror(nullptr);
    removeFile(tempPath_);
    throw std::runtime_error("cannot write output '" + path + "': " + reason);
  }
  // Integer formats clip at full scale instead of wrapping around.
  sf_command(backend_->file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

SoundFileWriter::~SoundFileWriter() {
  backend_.reset();  // closes the file first
  if (!committed_) removeFile(tempPath_);
}

void SoundFileWriter::write(const float* interleaved, int64_t frames) {
  if (sf_writef_float(backend_->file, interleaved, frames) != frames) {
    throw std::runtime_error("writing '" + path_ + "' failed: " + sf_strerror(backend_->file));
  }
}

void SoundFileWriter::commit() {
  const int rc = sf_close(backend_->file);
  backend_->file = nullptr;
  if (rc != 0) throw std::runtime_error("finishing '" + path_ + "' failed: " + sf_error_number(rc));
  try {
    replaceFile(tempPath_, path_);
  } catch (const std::exception& e) {
    throw std::runtime_error("cannot replace '" + path_ + "': " + e.what());
  }
  committed_ = true;
}

}  // namespace tarvo::render
