// What the in-process fuzzers share: a minimal host callback, effect creation the way the
// entry point does it, checks of the record and the audio invariants, and the pieces of a
// host that plays for a long time: rate changes, parameter values at and past the ends,
// and per-instance block counts reported when the fuzzer exits.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "plugin/meter_query.h"
#include "plugin/plugin.h"

namespace tarvo::fuzz {

// Answers the version request and the two name requests; 0 to everything else (the
// editor's automation reports land here too).
inline vst::VstIntPtr VSTCALL hostCallback(vst::AEffect* /*effect*/, int32_t opcode,
                                           int32_t /*index*/, vst::VstIntPtr /*value*/, void* ptr,
                                           float /*opt*/) {
  switch (opcode) {
    case vst::audioMasterVersion:
      return 2400;
    case vst::audioMasterGetVendorString:
    case vst::audioMasterGetProductString:
      // Hosts write at most 64 bytes here.
      if (ptr != nullptr) std::strcpy(static_cast<char*>(ptr), "Fuzz Host");
      return 1;
    default:
      return 0;
  }
}

// An effect as the entry point creates it; destroyed through effClose.
inline vst::AEffect* createEffect() {
  return (new plugin::APlugin(hostCallback))->getAeffect();
}

// Stops the run with a message: libFuzzer records the input as a crash.
[[noreturn]] inline void fail(const char* what, double detail = 0.0) {
  std::fprintf(stderr, "invariant broken: %s (%g)\n", what, detail);
  std::abort();
}

// The fields a host reads from the record never change after creation.
inline void checkRecord(const vst::AEffect* e) {
  if (e->magic != vst::kEffectMagic) fail("record magic changed");
  if (e->numParams != 25 || e->numPrograms != 25) fail("record counts changed");
  if (e->numInputs != 2 || e->numOutputs != 2) fail("record channel counts changed");
  if (e->object == nullptr) fail("record object cleared");
}

// The six meter fields through the private meter request; every one a finite number.
inline void checkMeters(vst::AEffect* e) {
  float meters[6];
  if (e->dispatcher(e, vst::effVendorSpecific, plugin::kMeterQueryIndex, plugin::kMeterQueryValue,
                    meters, 0.0f) != 1) {
    fail("meter request not answered");
  }
  for (float m : meters) {
    if (!std::isfinite(m)) fail("meter not finite", m);
  }
}

// A small deterministic generator: a long stretch of host behaviour comes from a few input
// bytes, and the same input always replays the same stretch.
struct Rng {
  uint32_t s;
  explicit Rng(uint32_t seed) : s(seed | 1u) {}
  uint32_t next() {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
  }
  uint32_t below(uint32_t n) { return next() % n; }
  float unit() { return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f); }  // [0, 1)
};

// The rates hosts run at, up to 384 kHz.
inline constexpr float kHostRates[] = {8000.0f,   11025.0f,  22050.0f, 44100.0f,
                                       48000.0f,  88200.0f,  96000.0f, 176400.0f,
                                       192000.0f, 352800.0f, 384000.0f};
inline constexpr uint32_t kNumHostRates = sizeof kHostRates / sizeof kHostRates[0];

// A parameter value as hosts send it: the ends and their neighbours, any value between
// (`unit`), and what careless hosts send: past the ends, negative, infinite, not a number.
inline float hostValue(uint32_t pick, float unit) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  switch (pick % 12) {
    case 0:
      return 0.0f;
    case 1:
      return 1.0f;
    case 2:
      return std::nextafter(1.0f, 0.0f);
    case 3:
      return std::numeric_limits<float>::denorm_min();
    case 4:
      return -unit - 1e-7f;
    case 5:
      return 1.0f + unit * 1000.0f;
    case 6:
      return std::numeric_limits<float>::quiet_NaN();
    case 7:
      return pick & 16 ? kInf : -kInf;
    default:
      return unit;
  }
}

// A sample-rate change the ways hosts make one (mode 0..3): while running (it takes effect
// at the next resume); between suspend and resume; the same, resumed twice; resumed twice
// without a suspend.
inline void changeRate(vst::AEffect* e, float rate, uint32_t mode) {
  const auto mains = [e](int on) { e->dispatcher(e, vst::effMainsChanged, 0, on, nullptr, 0.0f); };
  if (mode % 4 == 1 || mode % 4 == 2) mains(0);
  e->dispatcher(e, vst::effSetSampleRate, 0, 0, nullptr, rate);
  if (mode % 4 != 0) mains(1);
  if (mode % 4 >= 2) mains(1);
}

// What a fuzzer run did, printed when the process exits (scripts/fuzz.sh shows the line).
struct RunStats {
  const char* name = "fuzzer";
  uint64_t executions = 0, instances = 0, longInstances = 0, longestRun = 0;
};
inline constexpr uint64_t kLongRunBlocks = 1000;

inline RunStats& runStats() {
  static RunStats stats;
  return stats;
}

inline void reportRunStatsAtExit(const char* name) {
  runStats().name = name;
  std::atexit([] {
    const RunStats& s = runStats();
    std::fprintf(stderr,
                 "%s: %llu executions, %llu of %llu instances ran more than %llu blocks "
                 "(longest %llu)\n",
                 s.name, static_cast<unsigned long long>(s.executions),
                 static_cast<unsigned long long>(s.longInstances),
                 static_cast<unsigned long long>(s.instances),
                 static_cast<unsigned long long>(kLongRunBlocks),
                 static_cast<unsigned long long>(s.longestRun));
  });
}

// One effect as a fuzzer drives it over time: its blocks, and how many blocks in a row
// (the current one included) carried only finite input.
struct Instance {
  vst::AEffect* e = createEffect();
  uint64_t blocks = 0;
  int cleanBlocks = 2;

  Instance() { ++runStats().instances; }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  // Before a block: whether any of its input samples is not finite.
  void input(const float* const* channels, int numChannels, int n) {
    bool finite = true;
    for (int c = 0; c < numChannels; ++c) {
      if (channels[c] == nullptr) continue;
      for (int i = 0; i < n; ++i) finite = finite && std::isfinite(channels[c][i]);
    }
    cleanBlocks = finite ? cleanBlocks + 1 : 0;
    ++blocks;
  }

  // After a block: every meter is finite, and so is every output sample. The input guard
  // silences non-finite host samples, so only where the output was added to the input's
  // own buffer (process() in place) may the host's own non-finite samples remain, and
  // only until two blocks in a row have carried finite input.
  void output(const float* const* channels, int n, bool addedToInput) const {
    const bool excused = addedToInput && cleanBlocks < 2;
    for (int c = 0; c < 2 && !excused; ++c) {
      for (int i = 0; i < n; ++i) {
        if (!std::isfinite(channels[c][i])) {
          std::fprintf(stderr, "block %llu, channel %d, sample %d of %d; %d clean blocks\n",
                       static_cast<unsigned long long>(blocks), c, i, n, cleanBlocks);
          fail("output sample not finite", channels[c][i]);
        }
      }
    }
    checkMeters(e);
  }

  // effClose, counting the run.
  void close() {
    if (e->dispatcher(e, vst::effClose, 0, 0, nullptr, 0.0f) != 1)
      fail("effClose did not answer 1");
    RunStats& s = runStats();
    if (blocks > kLongRunBlocks) ++s.longInstances;
    s.longestRun = std::max(s.longestRun, blocks);
    e = nullptr;
  }
};

}  // namespace tarvo::fuzz
