#include "render/sound_file.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace tarvo::render {

namespace {

struct NamedFormat {
  const char* name;
  int format;
};

constexpr NamedFormat kFormats[] = {
    {"wav16", SF_FORMAT_WAV | SF_FORMAT_PCM_16},   {"wav24", SF_FORMAT_WAV | SF_FORMAT_PCM_24},
    {"wav32", SF_FORMAT_WAV | SF_FORMAT_PCM_32},   {"wavf", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
    {"aiff16", SF_FORMAT_AIFF | SF_FORMAT_PCM_16}, {"aiff24", SF_FORMAT_AIFF | SF_FORMAT_PCM_24},
    {"flac16", SF_FORMAT_FLAC | SF_FORMAT_PCM_16}, {"flac24", SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
    {"ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
};

std::string sndfileError(SNDFILE* file) {
  return sf_strerror(file);
}

}  // namespace

bool AudioFormat::isInteger() const {
  switch (sndfileFormat & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE:
    case SF_FORMAT_VORBIS:
    case SF_FORMAT_OPUS:
      return false;
    default:
      return true;
  }
}

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

std::optional<int> formatFromName(const std::string& name) {
  for (const NamedFormat& f : kFormats) {
    if (name == f.name) return f.format;
  }
  return std::nullopt;
}

std::string formatNames() {
  std::string out;
  for (const NamedFormat& f : kFormats) out += (out.empty() ? "" : ", ") + std::string(f.name);
  return out;
}

SoundFileReader::SoundFileReader(const std::string& path) {
  SF_INFO info{};
  file_ = sf_open(path.c_str(), SFM_READ, &info);
  if (file_ == nullptr) {
    throw std::runtime_error("cannot read input '" + path + "': " + sndfileError(nullptr));
  }
  format_ = AudioFormat{info.format, info.channels, info.samplerate};
  frames_ = info.frames;
}

SoundFileReader::~SoundFileReader() {
  if (file_ != nullptr) sf_close(file_);
}

int64_t SoundFileReader::read(float* interleaved, int64_t frames) {
  return sf_readf_float(file_, interleaved, frames);
}

SoundFileWriter::SoundFileWriter(const std::string& path, const AudioFormat& format) : path_(path) {
  SF_INFO info{};
  info.format = format.sndfileFormat;
  info.channels = format.channels;
  info.samplerate = format.sampleRate;
  if (!sf_format_check(&info)) {
    throw std::runtime_error("the output format (" + format.describe() +
                             ") cannot hold this audio; choose another with --format");
  }
  const std::filesystem::path target(path);
  const std::filesystem::path folder =
      target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  tempPath_ = (folder /
               ("." + target.filename().string() + ".tarvo-" + std::to_string(::getpid()) + ".tmp"))
                  .string();
  file_ = sf_open(tempPath_.c_str(), SFM_WRITE, &info);
  if (file_ == nullptr) {
    const std::string reason = sndfileError(nullptr);
    std::remove(tempPath_.c_str());
    throw std::runtime_error("cannot write output '" + path + "': " + reason);
  }
  // Integer formats clip at full scale instead of wrapping around.
  sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

SoundFileWriter::~SoundFileWriter() {
  if (file_ != nullptr) sf_close(file_);
  if (!committed_) std::remove(tempPath_.c_str());
}

void SoundFileWriter::write(const float* interleaved, int64_t frames) {
  if (sf_writef_float(file_, interleaved, frames) != frames) {
    throw std::runtime_error("writing '" + path_ + "' failed: " + sndfileError(file_));
  }
}

void SoundFileWriter::commit() {
  const int rc = sf_close(file_);
  file_ = nullptr;
  if (rc != 0) throw std::runtime_error("finishing '" + path_ + "' failed: " + sf_error_number(rc));
  std::error_code ec;
  std::filesystem::rename(tempPath_, path_, ec);
  if (ec) throw std::runtime_error("cannot replace '" + path_ + "': " + ec.message());
  committed_ = true;
}

}  // namespace tarvo::render
