#include "toolkit/dial_geometry.h"

#include <cmath>
#include <numbers>

namespace tarvo::toolkit {

namespace {

int CeilingOfNearlyWhole(double v) {
  const double whole = std::nearbyint(v);
  if (std::fabs(v - whole) < 1e-9) return static_cast<int>(whole);
  return static_cast<int>(std::ceil(v));
}

}  // namespace

int DialPointerAngle(int start, int range, int position, int min, int max) {
  const double span = static_cast<double>(max) - static_cast<double>(min);
  const double offset = static_cast<double>(position) - static_cast<double>(min);
  const double fraction = span != 0.0 ? offset * 360.0 / span : 0.0;
  double a = start + fraction * range / 360.0;
  a = std::fmod(a, 360.0);
  if (a < 0.0) a += 360.0;
  return static_cast<int>(std::nearbyint(a));
}

Point DialPointerCentre(int cx, int cy, int radius, int angleDegrees) {
  const double radians = (angleDegrees - 90) * std::numbers::pi / 180.0;
  return Point{CeilingOfNearlyWhole(cx + radius * std::cos(radians)),
               CeilingOfNearlyWhole(cy + radius * std::sin(radians))};
}

}  // namespace tarvo::toolkit
