// Turns texts a user types ("Threshold", "-20 dB", "4:1", "Opto", "0.5n") into parameter
// indices and normalized values, through the one parameter table.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvo::params {

// Index of the parameter named `name`, compared without regard to case, spaces, dots and
// dashes ("Release Type", "releasetype", "auto-gain"); nullopt when there is none.
std::optional<int> findParameter(std::string_view name);

// Index of the factory program named `name` (same comparison) or given by its number
// 0..24; nullopt when there is none.
std::optional<int> findProgram(std::string_view nameOrNumber);

struct ParsedValue {
  bool ok = false;
  float value = 0.0f;  // normalized 0..1 when ok
  std::string error;   // what is wrong and what is accepted, when not ok
};

// Parses `text` for parameter `index` in the units the editor shows:
//   dB / ms / Hz / % numbers (the unit may be given or left out), ratios "4:1", "1:2",
//   "oo:1" (or a plain number n meaning n:1), knee "Hard"/"Soft"/percent, balance "L50",
//   "R20", "0" or -100..100, "On"/"Off", the release-type and stereo-link names;
// or a normalized value with the suffix "n" ("0.5n"). Values outside the range are
// refused with the range in the message.
ParsedValue parseValue(int index, std::string_view text);

// A one-line description of the accepted values of parameter `index`, for listings.
std::string describeRange(int index);

}  // namespace tarvo::params
