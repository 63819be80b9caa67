#include "params/display_text.h"

#include <string_view>

#include "params/number_text.h"
#include "params/param_table.h"

namespace tarvo::params {

namespace {

// a followed by b. Appended into a reserved string rather than with operator+, where
// GCC 12 at -O3 reports a false -Wrestrict inside libstdc++.
std::string joined(std::string_view a, std::string_view b) {
  std::string text;
  text.reserve(a.size() + b.size());
  text.append(a);
  text.append(b);
  return text;
}

// "1:2" for expansion slopes above 1, "2:1" for compression, "oo:1" above 100:1.
std::string ratioText(float slope) {
  std::string text;
  if (slope > 1.0f) {
    text = joined("1:", generalText(slope, 3));
  } else {
    const float r = static_cast<float>(1.0 / (double(slope) + 1e-20));
    text = r > 100.0f ? std::string("oo:1") : joined(generalText(r, 3), ":1");
  }
  if (text.size() > 10) text.resize(10);
  return text;
}

// "L100" .. "0" .. "R100"; the side is decided on the nearest integer, ties to even.
std::string balanceText(float d) {
  const int n = nearestEven(d);
  if (n == 0) return "0";
  if (n < 0) return joined("L", fixedText(-double(d), 0));
  return joined("R", fixedText(d, 0));
}

// Name of the selector position that v selects; none for a position outside the list.
std::optional<std::string> selectorName(int index, float v, const char* const* names, int count) {
  const std::optional<int> position = selectorPosition(index, v, count);
  if (!position) return std::nullopt;
  return std::string(names[*position]);
}

}  // namespace

std::optional<std::string> displayText(int index, float v) {
  if (index < 0 || index >= kNumParams) return std::nullopt;
  const float d = displayValue(index, v);
  switch (kParams[index].kind) {
    case DisplayKind::Number:
      return joined(fiveCharNumber(d), kParams[index].unit);
    case DisplayKind::OnOff:
      return std::string(v > 0.5f ? "On" : "Off");
    case DisplayKind::Knee:
      if (d == 0.0f) return std::string("Hard");
      if (d == 100.0f) return std::string("Soft");
      return joined(fiveCharNumber(d), " %");
    case DisplayKind::Ratio:
      return ratioText(d);
    case DisplayKind::Balance:
      return balanceText(d);
    case DisplayKind::ReleaseType:
    case DisplayKind::LinkMode:
      return selectorName(index, v, selectorOf(index).names, selectorOf(index).count);
    case DisplayKind::Nothing:
      break;
  }
  return std::nullopt;
}

}  // namespace tarvo::params
