#include "render/sound_file.h"

#include <cctype>
#include <optional>
#include <string>

#include "render/native_file.h"

// What both backends share: the meaning of the format codes and the `--format` names.
namespace tarvo::render {

namespace fc = format_code;

namespace {

struct NamedFormat {
  const char* name;
  int format;
};

constexpr NamedFormat kFormats[] = {
    {"wav16", fc::kWav | fc::kPcm16},   {"wav24", fc::kWav | fc::kPcm24},
    {"wav32", fc::kWav | fc::kPcm32},   {"wavf", fc::kWav | fc::kFloat},
    {"aiff16", fc::kAiff | fc::kPcm16}, {"aiff24", fc::kAiff | fc::kPcm24},
    {"flac16", fc::kFlac | fc::kPcm16}, {"flac24", fc::kFlac | fc::kPcm24},
    {"ogg", fc::kOgg | fc::kVorbis},
};

// The built-in backend (TARVO_SOUND_FILE_WAV_ONLY) writes WAV files only.
constexpr bool offered(const NamedFormat& f) {
#ifdef TARVO_SOUND_FILE_WAV_ONLY
  return (f.format & fc::kTypeMask) == fc::kWav;
#else
  (void)f;
  return true;
#endif
}

}  // namespace

std::optional<int> formatFromName(const std::string& name) {
  for (const NamedFormat& f : kFormats) {
    if (offered(f) && name == f.name) return f.format;
  }
  return std::nullopt;
}

std::string formatNames() {
  std::string out;
  for (const NamedFormat& f : kFormats) {
    if (offered(f)) out += (out.empty() ? "" : ", ") + std::string(f.name);
  }
  return out;
}

namespace {

struct NamedContainer {
  const char* extension;
  int container;
  int ownEncoding;  // the only encoding the container takes, or 0 (PCM or float)
};

constexpr NamedContainer kContainers[] = {
    {".wav", fc::kWav, 0},
    {".flac", fc::kFlac, 0},
    {".aif", fc::kAiff, 0},
    {".aiff", fc::kAiff, 0},
    {".ogg", fc::kOgg, fc::kVorbis},
    {".opus", fc::kOgg, fc::kOpus},
    {".mp3", fc::kMpeg, fc::kMpegLayer3},
    {".caf", fc::kCaf, 0},
    {".w64", fc::kW64, 0},
};

// Whether this build writes the container at all (stereo, 48 kHz: every container here
// takes that).
bool writes(const NamedContainer& c) {
  const int encoding = c.ownEncoding != 0 ? c.ownEncoding : fc::kPcm16;
  return canWrite(AudioFormat{c.container | encoding, 2, 48000});
}

std::string lowerExtension(const std::string& utf8Path) {
  std::string ext = utf8FromPath(pathFromUtf8(utf8Path).extension());
  for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return ext;
}

}  // namespace

std::optional<int> formatForFileName(const std::string& utf8Path, const AudioFormat& input) {
  const std::string ext = lowerExtension(utf8Path);
  if (ext.empty()) return input.sndfileFormat;
  for (const NamedContainer& c : kContainers) {
    if (ext != c.extension || !writes(c)) continue;
    if (c.ownEncoding != 0) return c.container | c.ownEncoding;
    for (int encoding : {input.sndfileFormat & fc::kSubMask, fc::kPcm24, fc::kPcm16}) {
      const AudioFormat candidate{c.container | encoding, input.channels, input.sampleRate};
      if (canWrite(candidate)) return candidate.sndfileFormat;
    }
    return c.container | fc::kPcm24;  // let the writer say why it cannot
  }
  return std::nullopt;
}

std::string extensionOf(int format) {
  if ((format & fc::kSubMask) == fc::kOpus) return ".opus";
  for (const NamedContainer& c : kContainers) {
    if (c.container == (format & fc::kTypeMask) && c.ownEncoding != fc::kOpus) {
      return c.container == fc::kAiff ? ".aiff" : c.extension;
    }
  }
  return ".wav";
}

std::string extensionNames() {
  std::string out;
  for (const NamedContainer& c : kContainers) {
    if (writes(c)) out += (out.empty() ? "" : ", ") + std::string(c.extension);
  }
  return out;
}

bool AudioFormat::isInteger() const {
  switch (sndfileFormat & format_code::kSubMask) {
    case format_code::kFloat:
    case format_code::kDouble:
    case format_code::kVorbis:
    case format_code::kOpus:
    case format_code::kMpegLayer3:
      return false;
    default:
      return true;
  }
}

}  // namespace tarvo::render
