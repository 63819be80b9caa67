#include "dsp/noise.h"

#include <chrono>

namespace tarvo::dsp {

std::atomic<uint32_t> noiseSeed{0};

void reseedNoiseFromClock() {
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  noiseSeed.store(static_cast<uint32_t>(ticks), std::memory_order_relaxed);
}

}  // namespace tarvo::dsp
