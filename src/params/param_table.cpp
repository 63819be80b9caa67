#include "params/param_table.h"

#include <cmath>

namespace tarvo::params {

const char* const paramNames[kNumParams] = {
    "Threshold", "Auto-Gain",   "Output Gain", "Ratio",        "Attack",
    "Release",   "Input Gain",  "Balance",     "Input Filter", "Release Type",
    "PDE Rate",  "PDE Time",    "Release2",    "Rel.2 Level",  "Knee",
    "Linearity", "Stereo Link", "Det. Filter", "Filter Freq.", "Det. EQ",
    "EQ Low",    "EQ Mid",      "EQ High",     "Reserved1",    "Reserved2",
};

// Physical targets: threshold and gains as linear amplitude, times in seconds,
// "Filter Freq." as 6.28 x frequency in Hz.
const float paramMin[kNumParams] = {
    0.01f, 0.0f, 0.01f, 2.0f, 0.0001f, 0.005f, 0.1f, -1.0f, 0.0f, 0.0f, 0.0f, 0.04f, 0.02f,
    0.0f,  1.0f, 1.0f,  0.0f, 0.0f,    6.28f,  0.0f, 0.1f,  0.1f, 0.1f, 0.0f, 0.0f,
};
const float paramMax[kNumParams] = {
    1.0f, 1.0f,  100.0f, 0.0f, 1.0f, 5.0f,   10.0f, 1.0f,  1.0f,  4.0f,  1.0f, 1.0f, 0.1f,
    1.0f, 10.0f, 0.0f,   2.0f, 1.0f, 628.0f, 1.0f,  10.0f, 10.0f, 10.0f, 0.0f, 0.0f,
};
const uint8_t paramIsLog[kNumParams] = {
    1, 0, 1, 0, 1, 1, 1, 0, 0, 0, 0, 1, 1, 0, 1, 0, 0, 0, 1, 0, 1, 1, 1, 0, 0,
};

// What the host's display text shows: dB, ms, Hz, % and the ratio slope.
const float displayMin[kNumParams] = {
    -40.0f, 0.0f, -40.0f, 2.0f, 0.1f, 5.0f, -20.0f, -100.0f, 0.0f,   0.0f,   0.0f, 40.0f, 20.0f,
    0.0f,   0.0f, 0.0f,   0.0f, 0.0f, 1.0f, 0.0f,   -20.0f,  -20.0f, -20.0f, 0.0f, 0.0f,
};
const float displayMax[kNumParams] = {
    0.0f,   0.0f,   40.0f,   0.0f,   1000.0f, 5000.0f, 20.0f,  100.0f, 0.0f,
    0.0f,   100.0f, 1000.0f, 100.0f, 100.0f,  100.0f,  100.0f, 0.0f,   0.0f,
    100.0f, 0.0f,   20.0f,   20.0f,  20.0f,   0.0f,    0.0f,
};

namespace {
constexpr MapKind L = MapKind::Linear;
constexpr MapKind G = MapKind::Log;
constexpr MapKind N = MapKind::None;
constexpr DisplayKind Num = DisplayKind::Number;
constexpr DisplayKind Sw = DisplayKind::OnOff;
}  // namespace

const MapKind displayMap[kNumParams] = {
    L, N, L, L, G, G, L, L, N, N, L, G, G, L, L, L, N, N, G, N, L, L, L, N, N,
};
const DisplayKind displayKind[kNumParams] = {
    Num,
    Sw,
    Num,
    DisplayKind::Ratio,
    Num,
    Num,
    Num,
    DisplayKind::Balance,
    Sw,
    DisplayKind::ReleaseType,
    Num,
    Num,
    Num,
    Num,
    DisplayKind::Knee,
    Num,
    DisplayKind::LinkMode,
    Sw,
    Num,
    Sw,
    Num,
    Num,
    Num,
    DisplayKind::Nothing,
    DisplayKind::Nothing,
};
const char* const displayUnit[kNumParams] = {
    " dB", "",   " dB", "", " ms", " ms", " dB", "",    "",    "",    " %", " ms", " ms",
    " %",  " %", " %",  "", "",    " Hz", "",    " dB", " dB", " dB", "",   "",
};

const char* const releaseTypeNames[kNumReleaseTypes] = {
    "Opto", "Pumper", "Smooth 2", "Smooth 1", "Classic",
};
const char* const linkModeNames[kNumLinkModes] = {"Highest", "Mix", "Off"};

namespace {

// (max - min) * v + min, or min * (max/min)^v, in double precision.
double mapValue(bool isLog, float min, float max, float v) {
  if (isLog) return double(min) * std::exp(double(v) * std::log(double(max) / double(min)));
  return (double(max) - double(min)) * double(v) + double(min);
}

}  // namespace

float targetValue(int index, float v) {
  return static_cast<float>(mapValue(paramIsLog[index] != 0, paramMin[index], paramMax[index], v));
}

float displayValue(int index, float v) {
  switch (displayMap[index]) {
    case MapKind::Linear:
      return static_cast<float>(mapValue(false, displayMin[index], displayMax[index], v));
    case MapKind::Log:
      return static_cast<float>(mapValue(true, displayMin[index], displayMax[index], v));
    case MapKind::None:
      break;
  }
  return 0.0f;
}

int nearestEven(double x) {
  return static_cast<int>(std::nearbyint(x));
}

}  // namespace tarvo::params
