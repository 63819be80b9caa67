#include "params/display_text.h"

#include "params/number_text.h"
#include "params/param_table.h"

namespace tarvo::params {

namespace {

// "1:2" for expansion slopes above 1, "2:1" for compression, "oo:1" above 100:1.
std::string ratioText(float slope) {
  std::string text;
  if (slope > 1.0f) {
    text = "1:" + generalText(slope, 3);
  } else {
    const float r = static_cast<float>(1.0 / (double(slope) + 1e-20));
    text = r > 100.0f ? "oo:1" : generalText(r, 3) + ":1";
  }
  if (text.size() > 10) text.resize(10);
  return text;
}

// "L100" .. "0" .. "R100"; the side is decided on the nearest integer, ties to even.
std::string balanceText(float d) {
  const int n = nearestEven(d);
  if (n == 0) return "0";
  if (n < 0) return "L" + fixedText(-double(d), 0);
  return "R" + fixedText(d, 0);
}

}  // namespace

std::optional<std::string> displayText(int index, float v, int releaseType, int stereoLinkMode) {
  if (index < 0 || index >= kNumParams) return std::nullopt;
  const float d = displayValue(index, v);
  switch (displayKind[index]) {
    case DisplayKind::Number:
      return fiveCharNumber(d) + displayUnit[index];
    case DisplayKind::OnOff:
      return std::string(v > 0.5f ? "On" : "Off");
    case DisplayKind::Knee:
      if (d == 0.0f) return std::string("Hard");
      if (d == 100.0f) return std::string("Soft");
      return fiveCharNumber(d) + " %";
    case DisplayKind::Ratio:
      return ratioText(d);
    case DisplayKind::Balance:
      return balanceText(d);
    case DisplayKind::ReleaseType:
      if (releaseType < 0 || releaseType >= kNumReleaseTypes) return std::nullopt;
      return std::string(releaseTypeNames[releaseType]);
    case DisplayKind::LinkMode:
      if (stereoLinkMode < 0 || stereoLinkMode >= kNumLinkModes) return std::nullopt;
      return std::string(linkModeNames[stereoLinkMode]);
    case DisplayKind::Nothing:
      break;
  }
  return std::nullopt;
}

}  // namespace tarvo::params
