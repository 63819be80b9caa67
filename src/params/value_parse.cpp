#include "params/value_parse.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "params/factory_presets.h"
#include "params/number_text.h"
#include "params/param_table.h"

namespace tarvo::params {

namespace {

std::string squeeze(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == ' ' || c == '.' || c == '-' || c == '_' || c == '\t') continue;
    out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return out;
}

std::string lower(std::string_view text) {
  std::string out;
  for (char c : text) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

// A whole-text decimal number (locale-independent); nullopt if anything else is there.
std::optional<double> number(std::string_view text) {
  text = trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0.0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

// Removes a trailing unit (case-insensitive) if present.
std::string_view withoutUnit(std::string_view text, std::string_view unit) {
  text = trim(text);
  if (unit.empty() || text.size() < unit.size()) return text;
  const std::string tail = lower(text.substr(text.size() - unit.size()));
  if (tail == lower(unit)) text.remove_suffix(unit.size());
  return trim(text);
}

ParsedValue fail(std::string message) {
  return ParsedValue{false, 0.0f, std::move(message)};
}

ParsedValue accept(double v) {
  // Values that land a rounding error outside 0..1 at the ends of the range are ends.
  if (v < 0.0 && v > -1e-6) v = 0.0;
  if (v > 1.0 && v < 1.0 + 1e-6) v = 1.0;
  return ParsedValue{true, static_cast<float>(v), {}};
}

ParsedValue outOfRange(int index) {
  return fail(std::string(kParams[index].name) +
              ": value out of range; accepted: " + describeRange(index));
}

ParsedValue parseNumberRow(int index, std::string_view text) {
  const std::string_view unit = trim(kParams[index].unit);
  const auto d = number(withoutUnit(text, unit));
  if (!d)
    return fail(std::string(kParams[index].name) + ": '" + std::string(text) +
                "' is not a number; accepted: " + describeRange(index));
  const Mapping& display = kParams[index].display;
  const double lo = std::min(display.min, display.max);
  const double hi = std::max(display.min, display.max);
  // The range ends are 32-bit floats: allow their rounding error.
  const double slack = 1e-6 * std::max({std::fabs(lo), std::fabs(hi), 1.0});
  if (*d < lo - slack || *d > hi + slack) return outOfRange(index);
  return accept(unmapValue(display, std::clamp(*d, lo, hi)));
}

ParsedValue parseRatio(std::string_view text) {
  const std::string t = lower(trim(text));
  if (t == "oo:1" || t == "inf:1" || t == "oo" || t == "inf") return accept(1.0);
  const auto colon = t.find(':');
  double slope = 0.0;
  if (colon == std::string::npos) {
    const auto r = number(t);
    if (!r || *r <= 0.0)
      return fail("Ratio: '" + std::string(text) + "' is not a ratio; " +
                  "accepted: " + describeRange(kRatio));
    slope = 1.0 / *r;
  } else {
    const auto a = number(std::string_view(t).substr(0, colon));
    const auto b = number(std::string_view(t).substr(colon + 1));
    if (!a || !b || *a <= 0.0 || *b <= 0.0) {
      return fail("Ratio: '" + std::string(text) +
                  "' is not a ratio; accepted: " + describeRange(kRatio));
    }
    slope = *b / *a;  // "4:1" = 4 dB in for 1 dB out: slope 1/4
  }
  if (slope > 2.0 + 1e-9) return outOfRange(kRatio);
  return accept((2.0 - slope) / 2.0);
}

ParsedValue parseNamed(int index, std::string_view text, const char* const* names, int count) {
  const std::string wanted = squeeze(text);
  for (int k = 0; k < count; ++k) {
    if (squeeze(names[k]) == wanted) return accept(double(k) / double(count - 1));
  }
  return fail(std::string(kParams[index].name) + ": unknown value '" + std::string(text) +
              "'; accepted: " + describeRange(index));
}

}  // namespace

std::optional<int> findParameter(std::string_view name) {
  const std::string wanted = squeeze(name);
  for (int i = 0; i < kNumParams; ++i) {
    if (squeeze(kParams[i].name) == wanted) return i;
  }
  return std::nullopt;
}

std::optional<int> findProgram(std::string_view nameOrNumber) {
  const auto n = number(nameOrNumber);
  if (n) {
    if (*n >= 0 && *n < kNumPrograms && std::floor(*n) == *n) return static_cast<int>(*n);
    return std::nullopt;
  }
  const std::string wanted = squeeze(nameOrNumber);
  for (int p = 0; p < kNumPrograms; ++p) {
    if (squeeze(factoryProgramNames[p]) == wanted) return p;
  }
  return std::nullopt;
}

ParsedValue parseValue(int index, std::string_view text) {
  if (index < 0 || index >= kNumParams) return fail("no such parameter");
  text = trim(text);
  if (kParams[index].kind == DisplayKind::Nothing) {
    return fail(std::string(kParams[index].name) + " is reserved and has no effect");
  }
  // A normalized value: "0.5n".
  if (!text.empty() && (text.back() == 'n' || text.back() == 'N')) {
    const auto v = number(text.substr(0, text.size() - 1));
    if (v) {
      if (*v < 0.0 || *v > 1.0) {
        return fail(std::string(kParams[index].name) + ": normalized values run from 0n to 1n");
      }
      return accept(*v);
    }
  }
  switch (kParams[index].kind) {
    case DisplayKind::Number:
      return parseNumberRow(index, text);
    case DisplayKind::OnOff: {
      const std::string t = lower(text);
      if (t == "on" || t == "1" || t == "true" || t == "yes") return accept(1.0);
      if (t == "off" || t == "0" || t == "false" || t == "no") return accept(0.0);
      return fail(std::string(kParams[index].name) + ": '" + std::string(text) +
                  "' is neither On nor Off");
    }
    case DisplayKind::Knee: {
      const std::string t = lower(text);
      if (t == "hard") return accept(0.0);
      if (t == "soft") return accept(1.0);
      return parseNumberRow(index, text);
    }
    case DisplayKind::Ratio:
      return parseRatio(text);
    case DisplayKind::Balance: {
      const std::string t = lower(text);
      std::optional<double> d;
      if (!t.empty() && (t[0] == 'l' || t[0] == 'r')) {
        const auto amount = number(std::string_view(t).substr(1));
        if (amount && *amount >= 0.0) d = t[0] == 'l' ? -*amount : *amount;
      } else {
        d = number(t);
      }
      if (!d)
        return fail("Balance: '" + std::string(text) +
                    "' is not a balance; accepted: " + describeRange(kBalance));
      if (*d < -100.0 || *d > 100.0) return outOfRange(kBalance);
      return accept((*d + 100.0) / 200.0);
    }
    case DisplayKind::ReleaseType:
    case DisplayKind::LinkMode:
      return parseNamed(index, text, selectorOf(index).names, selectorOf(index).count);
    case DisplayKind::Nothing:
      break;
  }
  return fail("unsupported parameter");
}

std::string describeRange(int index) {
  if (index < 0 || index >= kNumParams) return {};
  auto num = [](double x) { return generalText(x, 4); };
  switch (kParams[index].kind) {
    case DisplayKind::Number: {
      const Mapping& display = kParams[index].display;
      const double lo = std::min(display.min, display.max);
      const double hi = std::max(display.min, display.max);
      return num(lo) + " to " + num(hi) + kParams[index].unit;
    }
    case DisplayKind::OnOff:
      return "On or Off";
    case DisplayKind::Knee:
      return "Hard, Soft, or 0 to 100 %";
    case DisplayKind::Ratio:
      return "1:2 (expansion) to oo:1 (limiting), e.g. 4:1";
    case DisplayKind::Balance:
      return "L100 to R100 (or -100 to 100)";
    case DisplayKind::ReleaseType: {
      std::string out;
      for (int k = 0; k < kNumReleaseTypes; ++k)
        out += (k ? ", " : "") + std::string(releaseTypeNames[k]);
      return out;
    }
    case DisplayKind::LinkMode:
      return "Highest, Mix or Off";
    case DisplayKind::Nothing:
      return "reserved";
  }
  return {};
}

}  // namespace tarvo::params
