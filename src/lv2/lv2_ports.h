// The LV2 face of the parameter table: the port layout of the plug-in and the conversion
// between a control port's value, in the units the editor shows, and the normalized
// value the parameter store holds. The Turtle generator and the plug-in binary both read
// it, so the description and the running code cannot disagree.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "params/param_table.h"

namespace tarvo::lv2 {

inline constexpr const char* kPluginUri = "urn:velmora:tarvo";
inline constexpr const char* kBinaryName = "tarvo_lv2.so";
// The editor as an LV2 UI (ui:X11UI) and its binary in the same bundle.
inline constexpr const char* kUiUri = "urn:velmora:tarvo#ui";
inline constexpr const char* kUiBinaryName = "tarvo_lv2_ui.so";
// Factory program n (0..24) as an LV2 preset: kPresetUriPrefix followed by n in decimal.
// Saved projects refer to these URIs: never renumber them.
inline constexpr const char* kPresetUriPrefix = "urn:velmora:tarvo:program:";

// Parameters with a control port: every row but the reserved ones.
constexpr bool hasPort(int index) {
  return params::kParams[index].kind != params::DisplayKind::Nothing;
}

constexpr int countControlPorts() {
  int n = 0;
  for (int i = 0; i < params::kNumParams; ++i) {
    if (hasPort(i)) ++n;
  }
  return n;
}
inline constexpr int kNumControlPorts = countControlPorts();

// The parameter index of each control port, in table order.
constexpr std::array<int, kNumControlPorts> listControlParams() {
  std::array<int, kNumControlPorts> indices{};
  int k = 0;
  for (int i = 0; i < params::kNumParams; ++i) {
    if (hasPort(i)) indices[k++] = i;
  }
  return indices;
}
inline constexpr std::array<int, kNumControlPorts> controlParams = listControlParams();

// Port layout: stereo audio in and out, the parameters, the six meters, the latency.
inline constexpr uint32_t kAudioInL = 0, kAudioInR = 1, kAudioOutL = 2, kAudioOutR = 3;
inline constexpr uint32_t kFirstControlPort = 4;
inline constexpr uint32_t kFirstMeterPort = kFirstControlPort + kNumControlPorts;
inline constexpr int kNumMeterPorts = 6;  // in L, in R, out L, out R, gain L, gain R
inline constexpr uint32_t kLatencyPort = kFirstMeterPort + kNumMeterPorts;
inline constexpr uint32_t kNumPorts = kLatencyPort + 1;

// Symbols and names of the meter ports, in the order of dsp::MeterReadings.
extern const char* const meterSymbols[kNumMeterPorts];
extern const char* const meterNames[kNumMeterPorts];

// How a host presents a control port.
enum class PortKind : uint8_t {
  Number,       // a value in the display mapping's range (dB, ms, Hz, %, ratio slope)
  Toggle,       // 0 or 1 (lv2:toggled)
  Enumeration,  // selector position 0..count - 1, named by scale points
};

PortKind portKind(int index);

// The port's range in its own units, lowest first.
struct PortRange {
  float min, max;
};
PortRange portRange(int index);

// The port symbol of parameter `index`: its name in lower case with every run of other
// characters turned into one underscore ("Rel.2 Level" -> "rel_2_level").
std::string portSymbol(int index);

// The value a control port shows for the normalized value v: the display mapping's value,
// the selector position, or 0/1 for a switch.
float portValue(int index, float v);

// The normalized value 0..1 for a control port value: the inverse of portValue, with values
// outside the port's range taken as its ends and a non-number as the range's low end.
// portValue followed by this gives back every factory program's value exactly.
float normalizedValue(int index, float value);

// A meter reading (linear amplitude or gain factor) in dB, at least kMeterFloorDb.
inline constexpr float kMeterFloorDb = -120.0f;
float meterDb(float linear);

}  // namespace tarvo::lv2
