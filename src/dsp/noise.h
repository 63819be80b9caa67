// The dither noise generator: one 32-bit linear congruential generator shared by every
// engine of the loaded library. Each sample pair draws one value n in [-3e-8, +3e-8),
// added to both channels after the input gain so that silence never reaches the filters
// and envelopes as exact zeros.
#pragma once

#include <atomic>
#include <cstdint>

namespace tarvo::dsp {

// Generator state. Relaxed loads and stores only (no read-modify-write): an engine loads
// it into a local at the start of a block and stores it back at the end, so engines that
// run concurrently stay free of data races (they may draw overlapping sequences).
extern std::atomic<uint32_t> noiseSeed;

// One step of the generator: seed = seed * 134775813 + 1 modulo 2^32.
inline uint32_t nextNoiseSeed(uint32_t seed) {
  return seed * 134775813u + 1u;
}

// Noise value for a seed: u = seed / 2^32 in [0, 1), n = (u - 0.5) * 6e-8.
inline double noiseValue(uint32_t seed) {
  return (static_cast<double>(seed) * (1.0 / 4294967296.0) - 0.5) * 6e-8;
}

// Re-seeds the generator from the low 32 bits of a high-resolution clock.
void reseedNoiseFromClock();

}  // namespace tarvo::dsp
