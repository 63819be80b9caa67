// Fuzzes the audio path over time, as a host plays a session: one effect runs a script of
// long stretches of blocks (thousands, mostly small) at rates from 8 kHz to 384 kHz, with
// rate changes mid-stream (while running, between suspend and resume, resumed twice),
// parameters written at, next to and past the ends of their range (negative, infinite, not
// a number) while earlier writes are still gliding, program changes during glides, and
// hostile input: NaN, infinities, denormals, huge values, full-scale noise and squares.
// Invariants, after every block: every output sample and every meter is finite. At the end,
// ordinary material after the factory settings must come out as a fresh effect gives it.
//
// The input is read front to back as a script (past its end every read gives 0):
//   rate                       byte r: kHostRates[r % 11] if r < 220, else 2 bytes: any rate
//   then operations, each a byte (op % 8) and its operands:
//   0-2 play   2 bytes count-1 (% 2048), byte block size (kBlockSizes), byte automation
//              (0 none; else before each block, with chance 1 in that byte, a pseudo-random
//              parameter write or program change), signal left, byte (odd: right has its
//              own signal, read next; even: the same as the left)
//   3-4 set    byte index (% 27 - 1), value
//   5   program byte (% 27 - 1)
//   6   rate   rate, byte mode (changeRate)
//   7   mains  byte: bit 0 suspend, bit 1 resume, bit 2 resume again
//   value      byte kind: 255 = 4 bytes raw float, else hostValue(kind, 2 bytes / 65535)
//   signal     byte kind (% 11), byte level (kLevels), 2 bytes period, 4 bytes seed;
//              kind 7 (raw) then a byte count (% 17) and that many raw floats
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <vector>

#include "fuzz_host.h"
#include "params/factory_presets.h"

namespace {

using namespace tarvo;

constexpr int kMaxFramesPerInput = 1 << 19;
constexpr int kMaxBlocksPerInput = 1 << 14;
constexpr int kBlockSizes[] = {1,  2,   16,  32,  32,  64,  64,   64,
                               64, 128, 128, 256, 256, 512, 1024, 4096};
constexpr float kLevels[] = {1.0f, -1.0f, 0.5f,  1e-3f,   1e-30f,   1e-40f, -1e-45f,
                             1e6f, 1e20f, 1e37f, 3.4e38f, -3.4e38f, 0.0f};
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

class Script {
 public:
  Script(const uint8_t* data, size_t size) : p(data), end(data + size) {}
  bool done() const { return p >= end; }
  uint32_t u8() { return p < end ? *p++ : 0u; }
  uint32_t u16() {
    const uint32_t low = u8();
    return low | u8() << 8;
  }
  uint32_t u32() {
    const uint32_t low = u16();
    return low | u16() << 16;
  }
  float f32() {
    const uint32_t bits = u32();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }

 private:
  const uint8_t* p;
  const uint8_t* end;
};

float readRate(Script& s) {
  const uint32_t r = s.u8();
  if (r < 220) return fuzz::kHostRates[r % fuzz::kNumHostRates];
  return 8000.0f + 376000.0f * static_cast<float>(s.u16()) / 65535.0f;
}

float readValue(Script& s) {
  const uint32_t kind = s.u8();
  if (kind == 255) return s.f32();
  return fuzz::hostValue(kind, static_cast<float>(s.u16()) / 65535.0f);
}

// One channel of input that continues from block to block.
struct Signal {
  uint32_t kind = 0;
  float level = 0.0f;
  uint32_t period = 2;
  uint32_t noise = 1;
  float decay = 0.0f;
  std::vector<float> raw;
  uint64_t t = 0;

  explicit Signal(Script& s) {
    kind = s.u8() % 11;
    level = kLevels[s.u8() % (sizeof kLevels / sizeof kLevels[0])];
    period = 2 + s.u16() % 4000;
    noise = s.u32() | 1u;
    decay = level;
    if (kind == 7) {
      raw.resize(s.u8() % 17);
      for (float& x : raw) x = s.f32();
    }
  }

  float sine() const {
    return std::sin(6.2831853f * static_cast<float>(t % period) / static_cast<float>(period));
  }
  float bad() const { return period % 3 == 0 ? kNaN : period % 3 == 1 ? kInf : -kInf; }

  void fill(float* x, int n) {
    for (int i = 0; i < n; ++i, ++t) {
      switch (kind) {
        case 0:  // silence
          x[i] = 0.0f;
          break;
        case 1:  // DC
          x[i] = level;
          break;
        case 2:  // square
          x[i] = t % period < period / 2 ? level : -level;
          break;
        case 3:
          x[i] = level * sine();
          break;
        case 4:  // denormals, alternating sign
          x[i] = (t & 1) ? 1e-40f : -3e-42f;
          break;
        case 5:  // non-finite bursts inside a sine
          x[i] = t % period < 3 ? bad() : 0.5f * sine();
          break;
        case 6:  // nothing but non-finite samples
          x[i] = bad();
          break;
        case 7:  // raw bit patterns, repeated
          x[i] = raw.empty() ? 0.0f : raw[t % raw.size()];
          break;
        case 8:  // a slow decay into silence
          decay *= 0.999f;
          x[i] = (t & 1) ? decay : -decay;
          break;
        default:  // uniform noise at the level (full scale at 1)
          noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
          x[i] = level * (static_cast<float>(noise) * (2.0f / 4294967296.0f) - 1.0f);
      }
    }
  }
};

// Peak of the last tenth of `seconds` of a 997 Hz sine at -12 dBFS, after the factory
// settings of program 0 are written as parameters; output and meters checked on the way.
float settledPeak(fuzz::Instance& fx, float rate, double seconds) {
  vst::AEffect* e = fx.e;
  for (int j = 0; j < params::kNumParams; ++j) {
    e->setParameter(e, j, params::factoryPresets[0][j]);
  }
  const int total = static_cast<int>(rate * seconds);
  const int tail = total / 10;
  constexpr int kBlock = 512;
  std::vector<float> l(kBlock), r(kBlock);
  float peak = 0.0f;
  for (int start = 0; start < total; start += kBlock) {
    const int n = std::min(kBlock, total - start);
    for (int i = 0; i < n; ++i) {
      l[i] = r[i] = 0.25f * std::sin(6.2831853f * 997.0f * static_cast<float>(start + i) / rate);
    }
    float* io[2] = {l.data(), r.data()};
    e->processReplacing(e, io, io, n);
    fx.output(io, n, false);
    if (start + n > total - tail) {
      for (int i = 0; i < n; ++i) peak = std::max(peak, std::fabs(l[i]));
    }
  }
  return peak;
}

// Long enough for the 0.1 s glide to program 0 and then for its 158 ms release to bring an
// envelope that the glide left deep in compression (the release still long while it
// glided) back within 6 dB of rest.
constexpr double kSettleSeconds = 0.5;

// settledPeak of a fresh effect at `rate`, remembered for the last few rates. Reference
// effects are not counted as fuzzed instances.
float freshPeak(float rate) {
  static std::map<float, float> known;
  if (const auto it = known.find(rate); it != known.end()) return it->second;
  fuzz::Instance fresh;
  --fuzz::runStats().instances;
  fuzz::changeRate(fresh.e, rate, 1);
  const float peak = settledPeak(fresh, rate, kSettleSeconds);
  fresh.e->dispatcher(fresh.e, vst::effClose, 0, 0, nullptr, 0.0f);
  if (known.size() >= 64) known.clear();
  known[rate] = peak;
  return peak;
}

struct Player {
  explicit Player(fuzz::Instance& instance) : fx(instance) {}

  fuzz::Instance& fx;
  int framesLeft = kMaxFramesPerInput;
  int blocksLeft = kMaxBlocksPerInput;
  std::vector<float> l, r;

  void play(Script& s) {
    int count = 1 + static_cast<int>(s.u16() % 2048);
    const int size = kBlockSizes[s.u8() % (sizeof kBlockSizes / sizeof kBlockSizes[0])];
    const uint32_t every = s.u8();
    Signal left(s);
    const bool ownRight = s.u8() & 1;
    Signal right = ownRight ? Signal(s) : left;
    fuzz::Rng rng(left.noise ^ 0x9e3779b9u);
    vst::AEffect* e = fx.e;
    for (; count > 0 && blocksLeft > 0 && framesLeft > 0; --count, --blocksLeft) {
      if (every != 0 && rng.below(every) == 0) {
        if (rng.below(8) == 0) {
          e->dispatcher(e, vst::effSetProgram, 0, rng.below(25), nullptr, 0.0f);
        } else {
          e->setParameter(e, static_cast<int32_t>(rng.below(params::kNumParams)),
                          fuzz::hostValue(rng.next(), rng.unit()));
        }
      }
      const int n = std::min(size, framesLeft);
      framesLeft -= n;
      l.resize(n);
      r.resize(n);
      left.fill(l.data(), n);
      right.fill(r.data(), n);
      float* io[2] = {l.data(), r.data()};
      fx.input(io, 2, n);
      e->processReplacing(e, io, io, n);
      fx.output(io, n, false);
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  fuzz::reportRunStatsAtExit("fuzz_audio");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ++fuzz::runStats().executions;
  Script s(data, size);
  fuzz::Instance fx;
  vst::AEffect* e = fx.e;
  // The rate the effect runs at, and the one it takes at its next resume.
  float rate = readRate(s);
  fuzz::changeRate(e, rate, 1);
  float nextRate = rate;

  Player player(fx);
  while (!s.done() && player.framesLeft > 0 && player.blocksLeft > 0) {
    switch (s.u8() % 8) {
      case 0:
      case 1:
      case 2:
        player.play(s);
        break;
      case 3:
      case 4: {
        const auto index = static_cast<int32_t>(s.u8() % 27) - 1;
        e->setParameter(e, index, readValue(s));
        break;
      }
      case 5:
        e->dispatcher(e, vst::effSetProgram, 0, static_cast<int32_t>(s.u8() % 27) - 1, nullptr,
                      0.0f);
        break;
      case 6: {
        nextRate = readRate(s);
        const uint32_t mode = s.u8();
        fuzz::changeRate(e, nextRate, mode);
        if (mode % 4 != 0) rate = nextRate;
        break;
      }
      default: {
        const uint32_t mains = s.u8();
        if (mains & 1) e->dispatcher(e, vst::effMainsChanged, 0, 0, nullptr, 0.0f);
        if (mains & 6) rate = nextRate;
        if (mains & 2) e->dispatcher(e, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
        if (mains & 4) e->dispatcher(e, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
      }
    }
  }

  // Recovery: ordinary material after whatever came before behaves as on a fresh effect at
  // the rate this one runs at.
  const float peak = settledPeak(fx, rate, kSettleSeconds);
  const float reference = freshPeak(rate);
  if (!(peak > 0.5f * reference && peak < 2.0f * reference)) {
    fuzz::fail("output did not recover; peak / fresh peak", double(peak) / reference);
  }
  fx.close();
  return 0;
}
