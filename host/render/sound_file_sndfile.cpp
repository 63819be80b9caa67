// The libsndfile backend of sound_file.h: every format libsndfile reads and writes.
#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "render/native_file.h"
#include "render/sound_file.h"
#include "render/wav_file.h"

namespace tarvo::render {

namespace fc = format_code;
static_assert(fc::kWav == SF_FORMAT_WAV && fc::kAiff == SF_FORMAT_AIFF &&
              fc::kFlac == SF_FORMAT_FLAC && fc::kOgg == SF_FORMAT_OGG);
static_assert(fc::kPcmS8 == SF_FORMAT_PCM_S8 && fc::kPcm16 == SF_FORMAT_PCM_16 &&
              fc::kPcm24 == SF_FORMAT_PCM_24 && fc::kPcm32 == SF_FORMAT_PCM_32 &&
              fc::kPcmU8 == SF_FORMAT_PCM_U8 && fc::kFloat == SF_FORMAT_FLOAT &&
              fc::kDouble == SF_FORMAT_DOUBLE && fc::kVorbis == SF_FORMAT_VORBIS &&
              fc::kOpus == SF_FORMAT_OPUS && fc::kW64 == SF_FORMAT_W64 &&
              fc::kCaf == SF_FORMAT_CAF && fc::kMpeg == SF_FORMAT_MPEG &&
              fc::kMpegLayer3 == SF_FORMAT_MPEG_LAYER_III);
static_assert(fc::kSubMask == SF_FORMAT_SUBMASK && fc::kTypeMask == SF_FORMAT_TYPEMASK);

namespace {

// Bits of a plain PCM sample type that libsndfile takes from the top of a 32-bit integer
// (WAV, AIFF, FLAC, CAF, W64, ...), or 0 for every other encoding.
int pcmBits(int format) {
  switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
      return 8;
    case SF_FORMAT_PCM_16:
      return 16;
    case SF_FORMAT_PCM_24:
      return 24;
    case SF_FORMAT_PCM_32:
      return 32;
    default:
      return 0;
  }
}

// Standard output on a pipe cannot seek back to finish a header: WAV gets a header that
// leaves its sizes open (0xFFFFFFFF, as streaming tools write them; readers take the
// data to the end of the stream), followed by the samples as raw little-endian data;
// the formats libsndfile streams itself (FLAC, raw, ...) go to it directly.
SNDFILE* openStandardOutput(SF_INFO& info) {
  // Redirected to a file, standard output can seek: libsndfile writes any format there.
  if ((info.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_WAV || ::lseek(1, 0, SEEK_CUR) >= 0) {
    return sf_open_fd(1, SFM_WRITE, &info, SF_FALSE);
  }
  const int sub = info.format & SF_FORMAT_SUBMASK;
  const int bits = sub == SF_FORMAT_FLOAT    ? 32
                   : sub == SF_FORMAT_DOUBLE ? 64
                                             : pcmBits(info.format);
  if (bits == 0) return nullptr;
  const bool isFloat = sub == SF_FORMAT_FLOAT || sub == SF_FORMAT_DOUBLE;
  const auto align = static_cast<uint32_t>(info.channels * bits / 8);
  unsigned char h[44];
  const auto put = [&h](int at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) h[at + i] = static_cast<unsigned char>(v >> (8 * i));
  };
  std::memcpy(h, "RIFF", 4);
  put(4, 0xFFFFFFFFu, 4);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  put(16, 16, 4);
  put(20, isFloat ? 3 : 1, 2);
  put(22, static_cast<uint32_t>(info.channels), 2);
  put(24, static_cast<uint32_t>(info.samplerate), 4);
  put(28, static_cast<uint32_t>(info.samplerate) * align, 4);
  put(32, align, 2);
  put(34, static_cast<uint32_t>(bits), 2);
  std::memcpy(h + 36, "data", 4);
  put(40, 0xFFFFFFFFu, 4);
  if (::write(1, h, sizeof h) != static_cast<ssize_t>(sizeof h)) return nullptr;
  SF_INFO raw = info;
  raw.format = SF_FORMAT_RAW | sub | SF_ENDIAN_LITTLE;
  return sf_open_fd(1, SFM_WRITE, &raw, SF_FALSE);
}

}  // namespace

bool canWrite(const AudioFormat& format) {
  SF_INFO info{};
  info.format = format.sndfileFormat;
  info.channels = format.channels;
  info.samplerate = format.sampleRate;
  return sf_format_check(&info) != 0;
}

struct SoundFileReader::Backend {
  SNDFILE* file = nullptr;
  ~Backend() {
    if (file != nullptr) sf_close(file);
  }
};

struct SoundFileWriter::Backend {
  SNDFILE* file = nullptr;
  int fd = -1;             // the temporary file's descriptor, where we opened it ourselves
  int64_t handedOver = 0;  // bytes already given to the kernel to write out
  int channels = 0;
  int bits = 0;  // rounded here to this many bits, or 0: written as floats
  std::vector<int> ints;
  ~Backend() {
    if (file != nullptr) sf_close(file);
    if (fd >= 0) ::close(fd);
  }

  // Starts writing the finished part of the file out, every few megabytes, while the render
  // goes on. Otherwise the rename over an existing file would do it at the end (ext4 writes
  // out a file renamed over another before the rename returns), with nothing else to do
  // meanwhile. The first page, whose header is rewritten at the end, is left for then.
  void startWriteBack() {
#if defined(__linux__)
    constexpr int64_t kStep = int64_t{4} << 20;
    if (fd < 0) return;
    const int64_t end = ::lseek(fd, 0, SEEK_CUR);
    if (handedOver == 0) handedOver = 4096;
    if (end - handedOver < kStep) return;
    ::sync_file_range(fd, handedOver, end - handedOver, SYNC_FILE_RANGE_WRITE);  // a hint
    handedOver = end;
#endif
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

bool SoundFileReader::looksTruncated() const {
  // libsndfile reads a short file as far as it goes and notes a sample data chunk (WAV's
  // "data", AIFF's "SSND") larger than the file as "<size> (should be <what is there>)" in
  // its log. Other chunks' sizes (RIFF's) are often wrong in files that are whole.
  std::string log(16384, '\0');
  sf_command(backend_->file, SFC_GET_LOG_INFO, log.data(), static_cast<int>(log.size()));
  log.resize(log.find('\0'));
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(start, end - start);
    if ((line.rfind("data", 0) == 0 || line.rfind("SSND", 0) == 0) &&
        line.find("(should be") != std::string::npos) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

SoundFileWriter::SoundFileWriter(const std::string& path, const AudioFormat& format)
    : output_(path), backend_(std::make_unique<Backend>()) {
  SF_INFO info{};
  info.format = format.sndfileFormat;
  info.channels = format.channels;
  info.samplerate = format.sampleRate;
  if (!sf_format_check(&info)) {
    throw std::runtime_error("the output format (" + format.describe() +
                             ") cannot hold this audio; choose another with --format");
  }
  if (output_.isStandardOutput()) {
    backend_->file = openStandardOutput(info);
  } else {
    // Opened here as libsndfile opens it, to keep the descriptor for startWriteBack; where
    // that fails, libsndfile tries and words the reason.
    const int fd = ::open(output_.temporaryPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd >= 0) {
      backend_->file = sf_open_fd(fd, SFM_WRITE, &info, SF_FALSE);
      if (backend_->file == nullptr) {
        ::close(fd);
      } else {
        backend_->fd = fd;
      }
    }
    if (backend_->file == nullptr) {
      backend_->file = sf_open(output_.temporaryPath().c_str(), SFM_WRITE, &info);
    }
  }
  if (backend_->file == nullptr) {
    const std::string reason = sf_strerror(nullptr);
    output_.discard();
    throw std::runtime_error("cannot write output '" + path + "': " + reason);
  }
  backend_->channels = format.channels;
  backend_->bits = pcmBits(format.sndfileFormat);
  // Samples written as floats (other integer encodings) clip at full scale instead of
  // wrapping around.
  sf_command(backend_->file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

SoundFileWriter::~SoundFileWriter() {
  backend_.reset();  // closes the file before output_ removes an unfinished one
}

void SoundFileWriter::write(const float* interleaved, int64_t frames) {
  sf_count_t written;
  if (backend_->bits > 0) {
    // libsndfile's own conversion truncates (with clipping on) instead of rounding, which
    // would shift every sample down by half a step: the samples are rounded here and
    // handed over in the top bits of 32-bit integers, which libsndfile shifts down exactly.
    const int channels = backend_->channels;
    const int shift = 32 - backend_->bits;
    std::vector<int>& ints = backend_->ints;
    ints.resize(static_cast<size_t>(frames) * channels);
    for (size_t i = 0; i < ints.size(); ++i) {
      ints[i] = static_cast<int>(
          static_cast<uint32_t>(wav::floatToPcm(interleaved[i], backend_->bits)) << shift);
    }
    written = sf_writef_int(backend_->file, ints.data(), frames);
  } else {
    written = sf_writef_float(backend_->file, interleaved, frames);
  }
  if (written != frames) {
    throw std::runtime_error("writing '" + output_.path() +
                             "' failed: " + sf_strerror(backend_->file));
  }
  backend_->startWriteBack();
}

void SoundFileWriter::commit() {
  int rc = sf_close(backend_->file);
  backend_->file = nullptr;
  if (backend_->fd >= 0) {
    // libsndfile's own close reports a failing close() the same way.
    if (::close(backend_->fd) != 0 && rc == 0) rc = SF_ERR_SYSTEM;
    backend_->fd = -1;
  }
  if (rc != 0) {
    throw std::runtime_error("finishing '" + output_.path() + "' failed: " + sf_error_number(rc));
  }
  output_.commit();
}

}  // namespace tarvo::render
