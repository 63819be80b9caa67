#include "lv2/lv2_ports.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace tarvo::lv2 {

using params::DisplayKind;
using params::kParams;

const char* const meterSymbols[kNumMeterPorts] = {"meter_in_l",  "meter_in_r", "meter_out_l",
                                                  "meter_out_r", "gain_l",     "gain_r"};
const char* const meterNames[kNumMeterPorts] = {"Input Level L",  "Input Level R", "Output Level L",
                                                "Output Level R", "Gain Change L", "Gain Change R"};

PortKind portKind(int index) {
  switch (kParams[index].kind) {
    case DisplayKind::OnOff:
      return PortKind::Toggle;
    case DisplayKind::ReleaseType:
    case DisplayKind::LinkMode:
      return PortKind::Enumeration;
    default:
      return PortKind::Number;
  }
}

PortRange portRange(int index) {
  switch (portKind(index)) {
    case PortKind::Toggle:
      return {0.0f, 1.0f};
    case PortKind::Enumeration:
      return {0.0f, float(params::selectorOf(index).count - 1)};
    case PortKind::Number:
      break;
  }
  const params::Mapping& display = kParams[index].display;
  return {std::min(display.min, display.max), std::max(display.min, display.max)};
}

std::string portSymbol(int index) {
  std::string symbol;
  bool gap = false;
  for (const char* c = kParams[index].name; *c != '\0'; ++c) {
    const auto u = static_cast<unsigned char>(*c);
    if (std::isalnum(u) == 0) {
      gap = true;
      continue;
    }
    if (gap && !symbol.empty()) symbol += '_';
    gap = false;
    symbol += static_cast<char>(std::tolower(u));
  }
  return symbol;
}

float portValue(int index, float v) {
  switch (portKind(index)) {
    case PortKind::Toggle:
      return v > 0.5f ? 1.0f : 0.0f;
    case PortKind::Enumeration:
      return float(params::selectorPosition(index, v, params::selectorOf(index).count).value_or(0));
    case PortKind::Number:
      break;
  }
  return params::displayValue(index, v);
}

namespace {

// Length of the shortest decimal form of x that reads back as x.
size_t decimalLength(float x) {
  char text[32] = {};
  return size_t(std::to_chars(text, text + sizeof text, x).ptr - text);
}

// Where the display mapping is flat, several floats beside the exact inverse v show the
// same 32-bit port value, and the float nearest to the inverse need not be the one a
// program holds. Of the floats around v that show `port`, this takes the one with the
// shortest decimal form (the program tables hold short decimals such as 0.4 and 0.43),
// the nearest to v among equals; v itself when none shows it.
float shortestShowing(int index, float v, float port) {
  constexpr int kMaxSteps = 64;  // floats tried on each side of v
  float best = v;
  size_t bestLength = SIZE_MAX;
  auto consider = [&](float x) {
    const size_t length = decimalLength(x);
    if (length < bestLength || (length == bestLength && std::fabs(x - v) < std::fabs(best - v))) {
      best = x;
      bestLength = length;
    }
  };
  if (portValue(index, v) == port) consider(v);
  for (const float toward : {0.0f, 1.0f}) {
    bool inside = portValue(index, v) == port;
    float x = v;
    for (int step = 0; step < kMaxSteps && x != toward; ++step) {
      x = std::nextafter(x, toward);
      const bool shows = portValue(index, x) == port;
      if (!shows && inside) break;  // past the end of the run of floats that show it
      inside = shows;
      if (shows) consider(x);
    }
  }
  return best;
}

}  // namespace

float normalizedValue(int index, float value) {
  const PortRange range = portRange(index);
  const float port = std::isnan(value) ? range.min : std::clamp(value, range.min, range.max);
  switch (portKind(index)) {
    case PortKind::Toggle:
      return port > 0.5f ? 1.0f : 0.0f;
    case PortKind::Enumeration:
      return float(params::nearestEven(port) / double(params::selectorOf(index).count - 1));
    case PortKind::Number:
      break;
  }
  const auto v =
      static_cast<float>(std::clamp(params::unmapValue(kParams[index].display, port), 0.0, 1.0));
  return shortestShowing(index, v, port);
}

float meterDb(float linear) {
  if (!(linear > 0.0f)) return kMeterFloorDb;
  return std::max(kMeterFloorDb, 20.0f * std::log10(linear));
}

}  // namespace tarvo::lv2
