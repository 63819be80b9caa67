#include "params/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace tarvo::params {

namespace {

// Decimal exponent of |x| (floor(log10|x|)), 0 for zero.
int decimalExponent(double x) {
  if (x == 0.0 || !std::isfinite(x)) return 0;
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific, 20);
  std::string_view s(buf, res.ptr - buf);
  int e = 0;
  auto pos = s.find('e');
  std::from_chars(s.data() + pos + (s[pos + 1] == '+' ? 2 : 1), s.data() + s.size(), e);
  return e;
}

}  // namespace

std::string fixedText(double x, int decimals) {
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x < 0 ? "-INF" : "INF";
  // The exact decimal expansion of a double needs at most 1074 fractional digits; 60 are
  // plenty to decide a tie at the few decimals used here for values of display size.
  char buf[512];
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::fixed, 60);
  const std::string_view digits(buf, static_cast<size_t>(res.ptr - buf));
  const size_t point = digits.find('.');
  const size_t wanted = static_cast<size_t>(decimals);
  // The integer digits and the kept decimals as one run of digits, without the point.
  // Built by appending pieces: GCC 12 at -O3 misreports -Wrestrict inside
  // std::string's operator+ and front inserts.
  std::string kept;
  kept.reserve(point + wanted + 1);
  kept.append(digits.substr(0, point));
  kept.append(digits.substr(point + 1, wanted));
  // Half away from zero: round up when the first dropped digit is 5 or more.
  const size_t dropped = point + 1 + wanted;
  if (dropped < digits.size() && digits[dropped] >= '5') {
    size_t i = kept.size();
    while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
    if (i > 0) {
      ++kept[i - 1];
    } else {
      // Every digit carried over (999 -> 000): one more digit in front, 1000.
      kept[0] = '1';
      kept.push_back('0');
    }
  }
  const size_t intLen = kept.size() - wanted;
  const bool allZero = std::all_of(kept.begin(), kept.end(), [](char c) { return c == '0'; });
  std::string out;
  out.reserve(kept.size() + 2);
  if (x < 0 && !allZero) out.push_back('-');
  out.append(kept, 0, intLen);
  if (decimals > 0) {
    out.push_back('.');
    out.append(kept, intLen, std::string::npos);
  }
  return out;
}

std::string fiveCharNumber(float d) {
  // Round once, at 3 decimals or at the fifth significant digit, whichever comes first.
  const int e = decimalExponent(d);
  const int decimals = std::clamp(4 - e, 0, 3);
  std::string text = fixedText(d, decimals);
  if (decimals < 3) {
    if (decimals == 0) text += '.';
    text.append(static_cast<size_t>(3 - decimals), '0');
  }
  text.resize(std::min<size_t>(text.size(), 5));
  if (text.size() == 5 && (text[4] == '.' || text[4] == ',')) text[4] = ' ';
  return text;
}

std::string generalText(double x, int significant) {
  const int e = decimalExponent(x);
  const int decimals = std::max(0, significant - 1 - e);
  std::string text = fixedText(x, decimals);
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

}  // namespace tarvo::params
