// Pictures of the editor panel without a display: the panel as it looks after the first
// idle call for a program, some parameter values and steady meter levels, written to PNG.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "toolkit/surface.h"

namespace tarvo::snapshot {

// Steady levels for the meters, in dB, the same on both channels: the detector (input)
// level, the output level and the gain change (negative = reduction).
struct MeterLevels {
  double inDb = 0.0;
  double outDb = 0.0;
  double gainDb = 0.0;
};

struct PanelSettings {
  int program = 0;                            // factory program whose values are shown
  std::vector<std::pair<int, float>> values;  // then these normalized parameter values
  std::optional<MeterLevels> meters;          // none: the meters of an effect at rest
};

// Parses "IN_DB,OUT_DB,GAIN_DB" ("-12,-6,-4.5"); on failure answers nullopt and says why
// in `error`.
std::optional<MeterLevels> ParseMeterLevels(std::string_view text, std::string& error);

// The panel after the window's first refresh and first meter update.
toolkit::Surface RenderPanel(const PanelSettings& settings);

// Writes `picture` as an 8-bit RGB PNG; throws std::runtime_error with the reason when the
// file cannot be written.
void WritePng(const toolkit::Surface& picture, const std::string& path);

}  // namespace tarvo::snapshot
