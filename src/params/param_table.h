// The 25 parameters: indices, names, mappings from normalized values to physical
// targets and display values. One table that the effect, the signal path, the editor
// and the renderer all read.
#pragma once

#include <cstdint>

namespace tarvo::params {

inline constexpr int kNumParams = 25;

enum ParamIndex : int {
  kThreshold = 0,
  kAutoGain = 1,
  kOutputGain = 2,
  kRatio = 3,
  kAttack = 4,
  kRelease = 5,
  kInputGain = 6,
  kBalance = 7,
  kInputFilter = 8,
  kReleaseType = 9,
  kPdeRate = 10,
  kPdeTime = 11,
  kRelease2 = 12,
  kRel2Level = 13,
  kKnee = 14,
  kLinearity = 15,
  kStereoLink = 16,
  kDetFilter = 17,
  kFilterFreq = 18,
  kDetEq = 19,
  kEqLow = 20,
  kEqMid = 21,
  kEqHigh = 22,
  kReserved1 = 23,
  kReserved2 = 24,
};

// How a normalized value v in 0..1 maps onto a range [min, max].
enum class MapKind : uint8_t {
  Linear,  // (max - min) * v + min
  Log,     // min * (max / min)^v
  None,    // no value (switches, selectors, reserved)
};

// How the host's display text of a parameter is composed.
enum class DisplayKind : uint8_t {
  Number,       // five-character number + unit
  OnOff,        // "On" above 0.5, else "Off"
  Knee,         // "Hard" / "Soft" / number + " %"
  Ratio,        // "1:2", "2:1", "oo:1"
  Balance,      // "L100", "0", "R50"
  ReleaseType,  // release character name
  LinkMode,     // stereo link mode name
  Nothing,      // reserved: no text
};

// Parameter names as the host lists them (up to 12 characters).
extern const char* const paramNames[kNumParams];

// Target mapping used by the block update.
extern const float paramMin[kNumParams];
extern const float paramMax[kNumParams];
extern const uint8_t paramIsLog[kNumParams];

// Display mapping used by the display texts and the editor labels.
extern const float displayMin[kNumParams];
extern const float displayMax[kNumParams];
extern const MapKind displayMap[kNumParams];
extern const DisplayKind displayKind[kNumParams];
// Unit with its leading space (" dB", " ms", " Hz", " %"), or "" where there is none.
extern const char* const displayUnit[kNumParams];

// Names of the release characters (selector positions 0..4) and stereo link modes (0..2).
inline constexpr int kNumReleaseTypes = 5;
inline constexpr int kNumLinkModes = 3;
extern const char* const releaseTypeNames[kNumReleaseTypes];
extern const char* const linkModeNames[kNumLinkModes];

// Physical target of parameter `index` for the normalized value v, computed in double
// precision and stored as a 32-bit float. `index` must be 0..24.
float targetValue(int index, float v);

// Display value of parameter `index` for v (0 for rows without a display mapping).
float displayValue(int index, float v);

// Nearest integer with ties to even, as every selector step and balance text uses.
int nearestEven(double x);

}  // namespace tarvo::params
