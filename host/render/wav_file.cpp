#include "render/wav_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <system_error>

#include "render/native_file.h"

namespace tarvo::render::wav {

namespace {

constexpr uint16_t kTagPcm = 0x0001;
constexpr uint16_t kTagFloat = 0x0003;
constexpr uint16_t kTagExtensible = 0xFFFE;
// The sub-format GUID of WAVE_FORMAT_EXTENSIBLE is the format tag in its first two bytes
// followed by these 14 (the GUID xxxxxxxx-0000-0010-8000-00AA00389B71 as stored).
constexpr unsigned char kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                         0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// A RIFF size field is 32 bits: the largest file it can describe.
constexpr int64_t kMaxRiffBytes = 0xFFFFFFFFll;

uint16_t u16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t u32(const unsigned char* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

void put16(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

void put32(unsigned char* p, uint32_t v) {
  put16(p, v);
  put16(p + 2, v >> 16);
}

// A four-character code as text for messages: printable characters as they are, the rest
// as \xNN.
std::string fourCc(const unsigned char* p) {
  std::string out;
  for (int i = 0; i < 4; ++i) {
    if (p[i] >= 0x20 && p[i] < 0x7F) {
      out += static_cast<char>(p[i]);
    } else {
      static const char* hex = "0123456789ABCDEF";
      out += "\\x";
      out += hex[p[i] >> 4];
      out += hex[p[i] & 15];
    }
  }
  return "'" + out + "'";
}

std::string encodingName(uint16_t tag) {
  switch (tag) {
    case 0x0002:
      return "Microsoft ADPCM";
    case 0x0006:
      return "A-law";
    case 0x0007:
      return "mu-law";
    case 0x0011:
      return "IMA ADPCM";
    case 0x0031:
      return "GSM 6.10";
    case 0x0050:
      return "MPEG";
    case 0x0055:
      return "MPEG Layer 3";
    default:
      return "unknown";
  }
}

std::string hex16(uint16_t v) {
  static const char* hex = "0123456789ABCDEF";
  std::string out = "0x";
  for (int shift = 12; shift >= 0; shift -= 4) out += hex[(v >> shift) & 15];
  return out;
}

SampleType pcmType(int bytes) {
  switch (bytes) {
    case 1:
      return SampleType::Pcm8;
    case 2:
      return SampleType::Pcm16;
    case 3:
      return SampleType::Pcm24;
    default:
      return SampleType::Pcm32;
  }
}

int bitsOf(SampleType type) {
  switch (type) {
    case SampleType::Pcm8:
      return 8;
    case SampleType::Pcm16:
      return 16;
    case SampleType::Pcm24:
      return 24;
    case SampleType::Pcm32:
    case SampleType::Float32:
      return 32;
    case SampleType::Float64:
      return 64;
  }
  return 0;
}

// Reads exactly n bytes at the current position.
bool readExactly(std::FILE* file, unsigned char* out, size_t n) {
  return std::fread(out, 1, n, file) == n;
}

// The fmt chunk's fields as they matter here.
WavFormat parseFmt(const unsigned char* p, uint32_t size, bool& extensible) {
  if (size < 16) {
    throw WavError("the 'fmt ' chunk is " + std::to_string(size) +
                   " bytes, too short (16 at least)");
  }
  uint16_t tag = u16(p);
  const int channels = u16(p + 2);
  const uint32_t rate = u32(p + 4);
  const int blockAlign = u16(p + 12);
  const int bits = u16(p + 14);
  int validBits = bits;
  extensible = tag == kTagExtensible;
  if (extensible) {
    if (size < 40 || u16(p + 16) < 22) {
      throw WavError("the WAVE_FORMAT_EXTENSIBLE 'fmt ' chunk is too short (" +
                     std::to_string(size) + " bytes, 40 needed)");
    }
    validBits = u16(p + 18);
    const unsigned char* guid = p + 24;
    if (std::memcmp(guid + 2, kGuidTail, sizeof kGuidTail) != 0) {
      throw WavError(
          "unsupported WAVE_FORMAT_EXTENSIBLE sub-format (not a PCM or IEEE float GUID)");
    }
    tag = u16(guid);
  }
  if (channels == 0) throw WavError("the 'fmt ' chunk gives 0 channels");
  if (rate == 0 || rate > 0x7FFFFFFFu) {
    throw WavError("the 'fmt ' chunk gives an impossible sample rate of " + std::to_string(rate) +
                   " Hz");
  }
  if (tag != kTagPcm && tag != kTagFloat) {
    throw WavError("unsupported encoding " + encodingName(tag) + " (format tag " + hex16(tag) +
                   "); PCM and IEEE float WAV files are read");
  }
  const int containerBytes = (bits + 7) / 8;
  if (validBits == 0 || validBits > bits) {
    throw WavError("the 'fmt ' chunk gives " + std::to_string(validBits) + " valid bits in " +
                   std::to_string(bits) + "-bit samples");
  }
  WavFormat format;
  format.channels = channels;
  format.sampleRate = static_cast<int>(rate);
  if (tag == kTagPcm) {
    if (containerBytes < 1 || containerBytes > 4) {
      throw WavError("unsupported PCM sample size of " + std::to_string(bits) +
                     " bits (8, 16, 24 and 32 are read)");
    }
    format.type = pcmType(containerBytes);
  } else {
    if (bits != 32 && bits != 64) {
      throw WavError("unsupported floating-point sample size of " + std::to_string(bits) +
                     " bits (32 and 64 are read)");
    }
    format.type = bits == 32 ? SampleType::Float32 : SampleType::Float64;
  }
  if (blockAlign != format.blockAlign()) {
    throw WavError("inconsistent 'fmt ' chunk: block align " + std::to_string(blockAlign) +
                   " for " + std::to_string(channels) + " channels of " + std::to_string(bits) +
                   "-bit samples (expected " + std::to_string(format.blockAlign()) + ")");
  }
  return format;
}

// One sample of the given type at p, as a float with full scale at 1.0.
float decode(SampleType type, const unsigned char* p) {
  switch (type) {
    case SampleType::Pcm8:
      return pcmToFloat(int32_t(p[0]) - 128, 8);
    case SampleType::Pcm16:
      return pcmToFloat(static_cast<int16_t>(u16(p)), 16);
    case SampleType::Pcm24: {
      const uint32_t raw = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
      // Sign-extend bit 23.
      const int32_t v = (raw & 0x800000u) ? int32_t(raw) - 0x1000000 : int32_t(raw);
      return pcmToFloat(v, 24);
    }
    case SampleType::Pcm32:
      return pcmToFloat(static_cast<int32_t>(u32(p)), 32);
    case SampleType::Float32: {
      const uint32_t raw = u32(p);
      float f;
      std::memcpy(&f, &raw, sizeof f);
      return f;
    }
    case SampleType::Float64: {
      const uint64_t raw = uint64_t(u32(p)) | (uint64_t(u32(p + 4)) << 32);
      double d;
      std::memcpy(&d, &raw, sizeof d);
      return static_cast<float>(d);
    }
  }
  return 0.0f;
}

void encode(SampleType type, float x, unsigned char* p) {
  switch (type) {
    case SampleType::Pcm8:
      p[0] = static_cast<unsigned char>(floatToPcm(x, 8) + 128);
      return;
    case SampleType::Pcm16:
      put16(p, static_cast<uint32_t>(floatToPcm(x, 16)));
      return;
    case SampleType::Pcm24: {
      const uint32_t v = static_cast<uint32_t>(floatToPcm(x, 24));
      p[0] = static_cast<unsigned char>(v);
      p[1] = static_cast<unsigned char>(v >> 8);
      p[2] = static_cast<unsigned char>(v >> 16);
      return;
    }
    case SampleType::Pcm32:
      put32(p, static_cast<uint32_t>(floatToPcm(x, 32)));
      return;
    case SampleType::Float32: {
      uint32_t raw;
      std::memcpy(&raw, &x, sizeof raw);
      put32(p, raw);
      return;
    }
    case SampleType::Float64: {
      const double d = x;
      uint64_t raw;
      std::memcpy(&raw, &d, sizeof raw);
      put32(p, static_cast<uint32_t>(raw));
      put32(p + 4, static_cast<uint32_t>(raw >> 32));
      return;
    }
  }
}

std::string systemReason() {
  return std::generic_category().message(errno);
}

}  // namespace

int WavFormat::bytesPerSample() const {
  return bitsOf(type) / 8;
}

int32_t floatToPcm(float x, int bits) {
  // 2^(bits - 1), exactly (as std::ldexp gives it, without a library call per sample).
  const auto scale = static_cast<double>(int64_t{1} << (bits - 1));
  if (std::isnan(x)) return 0;
  const double s = double(x) * scale;  // exact: a power-of-two scale of a float
  if (s >= scale - 1.0) return static_cast<int32_t>(scale - 1.0);
  if (s <= -scale) return static_cast<int32_t>(-scale);
  return static_cast<int32_t>(std::nearbyint(s));
}

float pcmToFloat(int32_t v, int bits) {
  return static_cast<float>(double(v) / std::ldexp(1.0, bits - 1));
}

WavReader::WavReader(const std::string& utf8Path) {
  file_ = openFile(utf8Path, "rb");
  if (file_ == nullptr) throw WavError(systemReason());
  try {
    int64_t fileSize = -1;
    if (seekFile(file_, 0, SEEK_END) == 0) fileSize = tellFile(file_);
    if (fileSize < 0 || seekFile(file_, 0, SEEK_SET) != 0) {
      throw WavError("the file cannot be searched (" + systemReason() + ")");
    }
    unsigned char head[12];
    if (fileSize < 12 || !readExactly(file_, head, sizeof head)) {
      throw WavError("the file is too short to be a WAV file (" + std::to_string(fileSize) +
                     " bytes)");
    }
    if (std::memcmp(head, "RIFX", 4) == 0) {
      throw WavError("big-endian (RIFX) WAV files are not supported");
    }
    if (std::memcmp(head, "RF64", 4) == 0 || std::memcmp(head, "BW64", 4) == 0) {
      throw WavError("RF64 WAV files (over 4 GiB) are not supported");
    }
    if (std::memcmp(head, "RIFF", 4) != 0) {
      throw WavError("not a WAV file (it starts with " + fourCc(head) + ", not 'RIFF')");
    }
    if (std::memcmp(head + 8, "WAVE", 4) != 0) {
      throw WavError("a RIFF file of type " + fourCc(head + 8) + ", not 'WAVE'");
    }
    // Chunks are read up to the end of the RIFF chunk (anything appended after it is not
    // WAV data) or of the file, whichever comes first. Writers that could not finish leave
    // 0 or 0xFFFFFFFF in the RIFF size: then the file's end counts.
    const uint32_t riffSize = u32(head + 4);
    int64_t scanEnd = fileSize;
    if (riffSize >= 4 && riffSize != 0xFFFFFFFFu)
      scanEnd = std::min<int64_t>(fileSize, 8 + int64_t(riffSize));

    bool haveFmt = false, haveData = false;
    int64_t dataBytes = 0;
    int64_t pos = 12;
    while (pos + 8 <= scanEnd) {
      unsigned char chunk[8];
      if (seekFile(file_, pos, SEEK_SET) != 0 || !readExactly(file_, chunk, sizeof chunk)) {
        throw WavError("read error in the chunk header at offset " + std::to_string(pos));
      }
      const int64_t size = u32(chunk + 4);
      const int64_t body = pos + 8;
      const bool isFmt = std::memcmp(chunk, "fmt ", 4) == 0;
      const bool isData = std::memcmp(chunk, "data", 4) == 0;
      if (body + size > fileSize) {
        const std::string what = "the " + fourCc(chunk) + " chunk at offset " +
                                 std::to_string(pos) + " declares " + std::to_string(size) +
                                 " bytes but only " + std::to_string(fileSize - body) +
                                 " follow: the file is truncated";
        // Damaged metadata after the audio does not make the audio unreadable.
        if (isFmt || isData || !(haveFmt && haveData)) throw WavError(what);
        break;
      }
      if (isFmt) {
        if (haveFmt) throw WavError("the file has two 'fmt ' chunks");
        unsigned char fmt[40] = {};
        const size_t n = static_cast<size_t>(std::min<int64_t>(size, sizeof fmt));
        if (!readExactly(file_, fmt, n)) throw WavError("read error in the 'fmt ' chunk");
        layout_.format = parseFmt(fmt, static_cast<uint32_t>(size), layout_.extensible);
        haveFmt = true;
      } else if (isData) {
        if (haveData) throw WavError("the file has two 'data' chunks");
        layout_.dataOffset = body;
        dataBytes = size;
        haveData = true;
      } else if (std::memcmp(chunk, "fact", 4) != 0) {
        ++layout_.skippedChunks;
      }
      pos = body + size + (size & 1);  // chunks start on even offsets
    }
    if (!haveFmt) throw WavError("not a usable WAV file: it has no 'fmt ' chunk");
    if (!haveData) throw WavError("not a usable WAV file: it has no 'data' chunk");
    layout_.frames = dataBytes / layout_.format.blockAlign();  // a partial last frame is dropped
    if (seekFile(file_, layout_.dataOffset, SEEK_SET) != 0) {
      throw WavError("cannot reach the audio data (" + systemReason() + ")");
    }
  } catch (...) {
    std::fclose(file_);
    file_ = nullptr;
    throw;
  }
}

WavReader::~WavReader() {
  if (file_ != nullptr) std::fclose(file_);
}

int64_t WavReader::read(float* interleaved, int64_t frames) {
  const int64_t n = std::min(frames, layout_.frames - position_);
  if (n <= 0) return 0;
  const WavFormat& f = layout_.format;
  const size_t stride = static_cast<size_t>(f.bytesPerSample());
  bytes_.resize(static_cast<size_t>(n) * f.blockAlign());
  if (!readExactly(file_, bytes_.data(), bytes_.size())) {
    throw WavError("the audio data ends early, at frame " + std::to_string(position_) +
                   " or later of " + std::to_string(layout_.frames));
  }
  const size_t samples = static_cast<size_t>(n) * f.channels;
  for (size_t i = 0; i < samples; ++i) interleaved[i] = decode(f.type, bytes_.data() + i * stride);
  position_ += n;
  return n;
}

WavWriter::WavWriter(const std::string& utf8Path, const WavFormat& format) : format_(format) {
  if (format.channels < 1 || format.channels > 65535 || format.sampleRate < 1 ||
      format.blockAlign() > 65535) {
    throw std::runtime_error("a WAV file cannot hold " + std::to_string(format.channels) +
                             " channels at " + std::to_string(format.sampleRate) + " Hz");
  }
  file_ = openFile(utf8Path, "wb");
  if (file_ == nullptr) throw std::runtime_error(systemReason());

  // RIFF header, fmt chunk (18 bytes with cbSize for floating point, as non-PCM formats
  // require, 16 for PCM), fact chunk for floating point, data chunk header. Sizes are filled
  // in by finish().
  std::vector<unsigned char> h;
  auto append = [&h](const void* p, size_t n) {
    h.insert(h.end(), static_cast<const unsigned char*>(p),
             static_cast<const unsigned char*>(p) + n);
  };
  unsigned char b[4];
  auto append16 = [&](uint32_t v) {
    put16(b, v);
    append(b, 2);
  };
  auto append32 = [&](uint32_t v) {
    put32(b, v);
    append(b, 4);
  };
  append("RIFF", 4);
  append32(0);
  append("WAVE", 4);
  append("fmt ", 4);
  append32(format.isFloat() ? 18 : 16);
  append16(format.isFloat() ? kTagFloat : kTagPcm);
  append16(static_cast<uint32_t>(format.channels));
  append32(static_cast<uint32_t>(format.sampleRate));
  append32(static_cast<uint32_t>(format.sampleRate) * static_cast<uint32_t>(format.blockAlign()));
  append16(static_cast<uint32_t>(format.blockAlign()));
  append16(static_cast<uint32_t>(bitsOf(format.type)));
  if (format.isFloat()) {
    append16(0);  // cbSize
    append("fact", 4);
    append32(4);
    factOffset_ = static_cast<int64_t>(h.size());
    append32(0);
  }
  append("data", 4);
  dataSizeOffset_ = static_cast<int64_t>(h.size());
  append32(0);
  if (std::fwrite(h.data(), 1, h.size(), file_) != h.size()) {
    const std::string reason = systemReason();
    std::fclose(file_);
    file_ = nullptr;
    throw std::runtime_error(reason);
  }
}

WavWriter::~WavWriter() {
  if (file_ != nullptr) std::fclose(file_);
}

void WavWriter::write(const float* interleaved, int64_t frames) {
  if (file_ == nullptr) throw std::runtime_error("the WAV file is already finished");
  if (frames <= 0) return;
  const int64_t dataBytes = (frames_ + frames) * format_.blockAlign();
  // The RIFF size (file length - 8) must fit in 32 bits, pad byte included.
  if (dataSizeOffset_ + 4 + dataBytes + 1 - 8 > kMaxRiffBytes) {
    throw std::runtime_error("the audio is too long for a WAV file (over 4 GiB)");
  }
  const size_t stride = static_cast<size_t>(format_.bytesPerSample());
  const size_t samples = static_cast<size_t>(frames) * format_.channels;
  bytes_.resize(samples * stride);
  for (size_t i = 0; i < samples; ++i)
    encode(format_.type, interleaved[i], bytes_.data() + i * stride);
  if (std::fwrite(bytes_.data(), 1, bytes_.size(), file_) != bytes_.size()) {
    throw std::runtime_error(systemReason());
  }
  frames_ += frames;
}

void WavWriter::finish() {
  if (file_ == nullptr) throw std::runtime_error("the WAV file is already finished");
  const int64_t dataBytes = frames_ * format_.blockAlign();
  bool ok = true;
  if (dataBytes & 1) ok = std::fputc(0, file_) != EOF;
  const int64_t end = dataSizeOffset_ + 4 + dataBytes + (dataBytes & 1);
  unsigned char b[4];
  auto patch = [&](int64_t offset, uint32_t v) {
    put32(b, v);
    ok = ok && seekFile(file_, offset, SEEK_SET) == 0 && std::fwrite(b, 1, 4, file_) == 4;
  };
  patch(4, static_cast<uint32_t>(end - 8));
  patch(dataSizeOffset_, static_cast<uint32_t>(dataBytes));
  if (factOffset_ >= 0)
    patch(factOffset_, static_cast<uint32_t>(std::min<int64_t>(frames_, 0xFFFFFFFFll)));
  ok = ok && std::fflush(file_) == 0 && !std::ferror(file_);
  const std::string reason = ok ? std::string() : systemReason();
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!ok) throw std::runtime_error(reason);
  if (!closed) throw std::runtime_error(systemReason());
}

}  // namespace tarvo::render::wav
