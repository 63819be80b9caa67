#include "render/sound_file.h"

#include <optional>
#include <string>

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

bool AudioFormat::isInteger() const {
  switch (sndfileFormat & format_code::kSubMask) {
    case format_code::kFloat:
    case format_code::kDouble:
    case format_code::kVorbis:
    case format_code::kOpus:
      return false;
    default:
      return true;
  }
}

}  // namespace tarvo::render
