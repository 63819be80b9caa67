#include "params/param_table.h"

#include <cmath>

namespace tarvo::params {

const char* const releaseTypeNames[kNumReleaseTypes] = {
    "Opto", "Pumper", "Smooth 2", "Smooth 1", "Classic",
};
const char* const linkModeNames[kNumLinkModes] = {"Highest", "Mix", "Off"};

double mapValue(const Mapping& mapping, double v) {
  const double min = mapping.min;
  const double max = mapping.max;
  switch (mapping.map) {
    case MapKind::Linear:
      return (max - min) * v + min;
    case MapKind::Log:
      return min * std::exp(v * std::log(max / min));
    case MapKind::None:
      break;
  }
  return 0.0;
}

double unmapValue(const Mapping& mapping, double value) {
  const double min = mapping.min;
  const double max = mapping.max;
  switch (mapping.map) {
    case MapKind::Linear:
      return (value - min) / (max - min);
    case MapKind::Log:
      return std::log(value / min) / std::log(max / min);
    case MapKind::None:
      break;
  }
  return 0.0;
}

}  // namespace tarvo::params
