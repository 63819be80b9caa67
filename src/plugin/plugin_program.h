// One program of the bank: 25 normalized parameter values and a name.
#pragma once

#include <atomic>

#include "params/param_table.h"

namespace tarvo::plugin {

struct APluginProgram {
  static constexpr int kNameSize = 52;  // up to 51 characters and a terminating zero

  APluginProgram(const float (&factoryValues)[params::kNumParams], const char* factoryName);

  // Normalized values 0..1 by parameter index. The current program is written by
  // setParameter on whatever thread the host uses, so each value is a relaxed atomic.
  std::atomic<float> values[params::kNumParams];
  char name[kNameSize] = {};
};

}  // namespace tarvo::plugin
