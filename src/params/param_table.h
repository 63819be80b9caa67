// The 25 parameters: one record each with its name, the mapping from a normalized value
// to the physical target, the mapping to the displayed value, the kind of display text,
// the unit and the knob's reset value. One table that the effect, the signal path, the
// editor and the renderer all read.
#pragma once

#include <cmath>
#include <cstdint>
#include <iterator>
#include <optional>

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

// A range with the way normalized values spread over it.
struct Mapping {
  float min, max;
  MapKind map;
};

// One parameter.
struct ParamRecord {
  ParamIndex index;  // its position in the table
  const char* name;  // as the host lists it (up to 12 characters)
  // Physical target used by the block update: threshold and gains as linear amplitude,
  // times in seconds, "Filter Freq." as 6.28 x frequency in Hz. Linear or Log.
  Mapping target;
  // What the display texts and the editor labels show: dB, ms, Hz, % and the ratio slope.
  Mapping display;
  DisplayKind kind;
  const char* unit;  // with its leading space (" dB", " ms", " Hz", " %"), or ""
  float reset;       // the normalized value a Ctrl-click puts the knob to
};

namespace table_terms {
using enum DisplayKind;
inline constexpr MapKind Lin = MapKind::Linear;
inline constexpr MapKind Log = MapKind::Log;
inline constexpr Mapping kNoDisplay{0.0f, 0.0f, MapKind::None};

// Each row: index, name, target {min, max, map}, display {min, max, map}, display kind,
// unit, reset value.
inline constexpr ParamRecord kRecords[] = {
    {kThreshold, "Threshold", {0.01f, 1.0f, Log}, {-40.0f, 0.0f, Lin}, Number, " dB", 1.0f},
    {kAutoGain, "Auto-Gain", {0.0f, 1.0f, Lin}, kNoDisplay, OnOff, "", 0.0f},
    {kOutputGain, "Output Gain", {0.01f, 100.0f, Log}, {-40.0f, 40.0f, Lin}, Number, " dB", 0.5f},
    {kRatio, "Ratio", {2.0f, 0.0f, Lin}, {2.0f, 0.0f, Lin}, Ratio, "", 0.5f},
    {kAttack, "Attack", {0.0001f, 1.0f, Log}, {0.1f, 1000.0f, Log}, Number, " ms", 0.0f},
    {kRelease, "Release", {0.005f, 5.0f, Log}, {5.0f, 5000.0f, Log}, Number, " ms", 0.5f},
    {kInputGain, "Input Gain", {0.1f, 10.0f, Log}, {-20.0f, 20.0f, Lin}, Number, " dB", 0.5f},
    {kBalance, "Balance", {-1.0f, 1.0f, Lin}, {-100.0f, 100.0f, Lin}, Balance, "", 0.5f},
    {kInputFilter, "Input Filter", {0.0f, 1.0f, Lin}, kNoDisplay, OnOff, "", 0.0f},
    {kReleaseType, "Release Type", {0.0f, 4.0f, Lin}, kNoDisplay, ReleaseType, "", 0.0f},
    {kPdeRate, "PDE Rate", {0.0f, 1.0f, Lin}, {0.0f, 100.0f, Lin}, Number, " %", 0.5f},
    {kPdeTime, "PDE Time", {0.04f, 1.0f, Log}, {40.0f, 1000.0f, Log}, Number, " ms", 0.5f},
    {kRelease2, "Release2", {0.02f, 0.1f, Log}, {20.0f, 100.0f, Log}, Number, " ms", 0.5f},
    {kRel2Level, "Rel.2 Level", {0.0f, 1.0f, Lin}, {0.0f, 100.0f, Lin}, Number, " %", 0.5f},
    {kKnee, "Knee", {1.0f, 10.0f, Log}, {0.0f, 100.0f, Lin}, Knee, " %", 0.5f},
    {kLinearity, "Linearity", {1.0f, 0.0f, Lin}, {0.0f, 100.0f, Lin}, Number, " %", 0.0f},
    {kStereoLink, "Stereo Link", {0.0f, 2.0f, Lin}, kNoDisplay, LinkMode, "", 0.0f},
    {kDetFilter, "Det. Filter", {0.0f, 1.0f, Lin}, kNoDisplay, OnOff, "", 0.0f},
    {kFilterFreq, "Filter Freq.", {6.28f, 628.0f, Log}, {1.0f, 100.0f, Log}, Number, " Hz", 0.5f},
    {kDetEq, "Det. EQ", {0.0f, 1.0f, Lin}, kNoDisplay, OnOff, "", 0.0f},
    {kEqLow, "EQ Low", {0.1f, 10.0f, Log}, {-20.0f, 20.0f, Lin}, Number, " dB", 0.5f},
    {kEqMid, "EQ Mid", {0.1f, 10.0f, Log}, {-20.0f, 20.0f, Lin}, Number, " dB", 0.5f},
    {kEqHigh, "EQ High", {0.1f, 10.0f, Log}, {-20.0f, 20.0f, Lin}, Number, " dB", 0.5f},
    {kReserved1, "Reserved1", {0.0f, 0.0f, Lin}, kNoDisplay, Nothing, "", 0.0f},
    {kReserved2, "Reserved2", {0.0f, 0.0f, Lin}, kNoDisplay, Nothing, "", 0.0f},
};

// Every row at the position of its index, a target map that yields a value, and a
// logarithmic map only over a range of positive ends (else min * (max/min)^v is no number).
constexpr bool wellFormed() {
  for (int i = 0; i < kNumParams; ++i) {
    const ParamRecord& r = kRecords[i];
    if (r.index != i || r.target.map == MapKind::None) return false;
    for (const Mapping& m : {r.target, r.display}) {
      if (m.map == Log && !(m.min > 0.0f && m.max > 0.0f)) return false;
    }
  }
  return true;
}
}  // namespace table_terms

inline constexpr const ParamRecord (&kParams)[kNumParams] = table_terms::kRecords;
static_assert(std::size(table_terms::kRecords) == kNumParams, "one record per parameter index");
static_assert(table_terms::wellFormed(), "each record sits at its index with a usable mapping");

// Names of the release characters (selector positions 0..4) and stereo link modes (0..2).
inline constexpr int kNumReleaseTypes = 5;
inline constexpr int kNumLinkModes = 3;
extern const char* const releaseTypeNames[kNumReleaseTypes];
extern const char* const linkModeNames[kNumLinkModes];

// The position names of a selector row (release type, stereo link) and their number;
// {nullptr, 0} for every other row.
struct Selector {
  const char* const* names;
  int count;
};
constexpr Selector selectorOf(int index) {
  switch (kParams[index].kind) {
    case DisplayKind::ReleaseType:
      return {releaseTypeNames, kNumReleaseTypes};
    case DisplayKind::LinkMode:
      return {linkModeNames, kNumLinkModes};
    default:
      return {nullptr, 0};
  }
}

// A normalized value as every store keeps it: above 1 is 1, below 0 or not a number is 0.
constexpr float clampNormalized(float value) {
  if (value > 1.0f) return 1.0f;
  if (!(value >= 0.0f)) return 0.0f;
  return value;
}

// The value at v of a mapping, computed in double precision: (max - min) * v + min, or
// min * exp(v * ln(max / min)); 0 for MapKind::None.
double mapValue(const Mapping& mapping, double v);
// The inverse of mapValue: the normalized value at which the mapping gives `value`,
// computed in double precision; 0 for MapKind::None.
double unmapValue(const Mapping& mapping, double value);

// Physical target of parameter `index` (0..24) for the normalized value v, computed in
// double precision and stored as a 32-bit float.
inline float targetValue(int index, float v) {
  return static_cast<float>(mapValue(kParams[index].target, v));
}

// Display value of parameter `index` for v (0 for rows without a display mapping).
inline float displayValue(int index, float v) {
  return static_cast<float>(mapValue(kParams[index].display, v));
}

// Nearest integer with ties to even, as every selector step and balance text uses.
inline int nearestEven(double x) {
  return static_cast<int>(std::nearbyint(x));
}

// The position (0 to count - 1) that v selects on the release type or stereo link selector:
// the target rounded to the nearest position, ties to even, so that the editor's arrow and
// the text show the position the signal path takes for v. nullopt for a value off the
// selector (the editor's marker, a non-number).
inline std::optional<int> selectorPosition(int index, float v, int count) {
  const float target = targetValue(index, v);
  if (!(target > -1.0f && target < float(count))) return std::nullopt;  // also NaN
  const int position = nearestEven(target);
  if (position < 0 || position >= count) return std::nullopt;
  return position;
}

}  // namespace tarvo::params
