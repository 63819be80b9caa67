// The factory program bank: 25 named rows of 25 normalized parameter values.
#pragma once

#include "params/param_table.h"

namespace tarvo::params {

inline constexpr int kNumPrograms = 25;

extern const char* const factoryProgramNames[kNumPrograms];
extern const float factoryPresets[kNumPrograms][kNumParams];

}  // namespace tarvo::params
