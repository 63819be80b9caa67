#include "render/sound_file.h"

// What both backends share: the meaning of the format codes.
namespace tarvo::render {

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
