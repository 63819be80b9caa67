// Fuzzes the audio path: a sample rate from 8 kHz to 384 kHz (changed now and then with a
// suspend and resume), parameter automation and program changes at block boundaries, and
// blocks of hostile input: NaN, infinities, denormals, huge finite values, full-scale
// squares, DC, and raw bit patterns. Invariants: every output sample and every meter is
// finite after every block, and once the input is ordinary program material again the
// output recovers: after the factory settings and a settling time it matches, within a
// few dB, what a fresh effect gives for the same material at the same rate.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <vector>

#include "fuzz_host.h"
#include "params/factory_presets.h"

namespace {

using namespace tarvo;

constexpr int kMaxBlocks = 48;
constexpr int kMaxFramesPerInput = 1 << 16;
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

float pickRate(FuzzedDataProvider& in) {
  if (in.ConsumeBool()) {
    return in.PickValueInArray<float>(
        {8000.0f, 11025.0f, 22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f, 384000.0f});
  }
  return in.ConsumeFloatingPointInRange<float>(8000.0f, 384000.0f);
}

void startAt(vst::AEffect* e, float rate) {
  e->dispatcher(e, vst::effMainsChanged, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, vst::effSetSampleRate, 0, 0, nullptr, rate);
  e->dispatcher(e, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
}

// One channel of a block of hostile or ordinary input.
void fill(FuzzedDataProvider& in, float* x, int n) {
  const int kind = in.ConsumeIntegralInRange<int>(0, 9);
  const float level =
      in.PickValueInArray<float>({1.0f, -1.0f, 0.5f, 1e-3f, 1e-30f, 1e-40f, -1e-45f, 1e6f, 1e20f,
                                  1e37f, 3.4e38f, -std::numeric_limits<float>::max(), 0.0f});
  const int period = 2 * in.ConsumeIntegralInRange<int>(1, 2000);
  switch (kind) {
    case 0:  // silence
      std::fill(x, x + n, 0.0f);
      break;
    case 1:  // DC
      std::fill(x, x + n, level);
      break;
    case 2:  // square wave at the level (full scale when 1)
      for (int i = 0; i < n; ++i) x[i] = (i % period) < period / 2 ? level : -level;
      break;
    case 3:  // sine at the level
      for (int i = 0; i < n; ++i) x[i] = level * std::sin(6.2831853f * float(i) / float(period));
      break;
    case 4:  // denormals, alternating sign
      for (int i = 0; i < n; ++i) x[i] = (i & 1) ? 1e-40f : -3e-42f;
      break;
    case 5: {  // non-finite bursts inside a sine
      const float bad = in.PickValueInArray<float>({kNaN, kInf, -kInf});
      for (int i = 0; i < n; ++i) {
        x[i] = (i % period) < 3 ? bad : 0.5f * std::sin(6.2831853f * float(i) / float(period));
      }
      break;
    }
    case 6:  // all non-finite
      std::fill(x, x + n, in.PickValueInArray<float>({kNaN, kInf, -kInf}));
      break;
    case 7: {  // raw bit patterns from the input, repeated
      const int taken = std::min(n, 256);
      for (int i = 0; i < taken; ++i) x[i] = in.ConsumeFloatingPoint<float>();
      for (int i = taken; i < n; ++i) x[i] = taken > 0 ? x[i % taken] : 0.0f;
      break;
    }
    case 8: {  // a slow decay into silence
      float v = level;
      for (int i = 0; i < n; ++i, v *= 0.999f) x[i] = (i & 1) ? v : -v;
      break;
    }
    default: {  // ordinary noise-like material
      uint32_t s = in.ConsumeIntegral<uint32_t>() | 1u;
      for (int i = 0; i < n; ++i) {
        s ^= s << 13, s ^= s >> 17, s ^= s << 5;
        x[i] = 0.8f * (float(s) / 4294967296.0f - 0.5f);
      }
    }
  }
}

void checkBlock(vst::AEffect* e, const float* l, const float* r, int n) {
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(l[i])) tarvo::fuzz::fail("left output not finite", l[i]);
    if (!std::isfinite(r[i])) tarvo::fuzz::fail("right output not finite", r[i]);
  }
  fuzz::checkMeters(e);
}

// Peak of the last tenth of `seconds` of a 997 Hz sine at -12 dBFS, after the factory
// settings of program 0 are written as parameters.
float settledPeak(vst::AEffect* e, float rate, double seconds) {
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
      l[i] = r[i] = 0.25f * std::sin(6.2831853f * 997.0f * float(start + i) / rate);
    }
    float* in[2] = {l.data(), r.data()};
    e->processReplacing(e, in, in, n);
    checkBlock(e, l.data(), r.data(), n);
    if (start + n > total - tail) {
      for (int i = 0; i < n; ++i) peak = std::max(peak, std::fabs(l[i]));
    }
  }
  return peak;
}

constexpr double kSettleSeconds = 0.2;

// settledPeak of a fresh effect at `rate`, remembered for the last few rates.
float freshPeak(float rate) {
  static std::map<float, float> known;
  if (const auto it = known.find(rate); it != known.end()) return it->second;
  vst::AEffect* fresh = fuzz::createEffect();
  startAt(fresh, rate);
  const float peak = settledPeak(fresh, rate, kSettleSeconds);
  fresh->dispatcher(fresh, vst::effClose, 0, 0, nullptr, 0.0f);
  if (known.size() >= 64) known.clear();
  known[rate] = peak;
  return peak;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  vst::AEffect* e = fuzz::createEffect();
  float rate = pickRate(in);
  startAt(e, rate);

  std::vector<float> l, r;
  int framesLeft = kMaxFramesPerInput;
  for (int block = 0; block < kMaxBlocks && in.remaining_bytes() > 0 && framesLeft > 0; ++block) {
    // Automation at the block boundary.
    const int changes = in.ConsumeIntegralInRange<int>(0, 4);
    for (int c = 0; c < changes; ++c) {
      const int index = in.ConsumeIntegralInRange<int>(0, params::kNumParams - 1);
      const float value = in.ConsumeBool() ? float(in.ConsumeBool())
                                           : in.ConsumeFloatingPointInRange<float>(0.0f, 1.0f);
      e->setParameter(e, index, value);
    }
    if (in.ConsumeIntegralInRange<int>(0, 15) == 0) {
      e->dispatcher(e, vst::effSetProgram, 0, in.ConsumeIntegralInRange<int>(0, 24), nullptr, 0.0f);
    }
    if (in.ConsumeIntegralInRange<int>(0, 31) == 0) {
      rate = pickRate(in);
      startAt(e, rate);
    }

    const int n = std::min(framesLeft, in.PickValueInArray<int>({1, 7, 64, 257, 512, 4096}));
    framesLeft -= n;
    l.resize(n);
    r.resize(n);
    fill(in, l.data(), n);
    fill(in, r.data(), n);
    float* io[2] = {l.data(), r.data()};
    e->processReplacing(e, io, io, n);
    checkBlock(e, l.data(), r.data(), n);
  }

  // Recovery: ordinary material after whatever came before behaves as on a fresh effect.
  const float peak = settledPeak(e, rate, kSettleSeconds);
  const float reference = freshPeak(rate);
  if (!(peak > 0.5f * reference && peak < 2.0f * reference)) {
    fuzz::fail("output did not recover; peak / fresh peak", double(peak) / reference);
  }
  e->dispatcher(e, vst::effClose, 0, 0, nullptr, 0.0f);
  return 0;
}
