#include "render/loudness.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <stdexcept>
#include <vector>

#include "render/cpu_features.h"
#include "render/sample_peak.h"

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

namespace tarvo::render {

namespace {

// Two lanes of doubles (the two channels of a frame, or two mono frames) and four of
// floats: the compiler's vector extensions, SSE2 on x86-64.
using v2d = double __attribute__((vector_size(16)));
using v4f = float __attribute__((vector_size(16)));
using v2f = float __attribute__((vector_size(8)));

constexpr double kNegativeInfinity = -std::numeric_limits<double>::infinity();

// Denormal results are flushed to zero while measuring, as libebur128 does around its
// filter: a filter ringing out into silence would otherwise crawl through denormals.
class FlushToZero {
 public:
#if defined(__SSE2__)
  FlushToZero() : saved_(_mm_getcsr()) {
    _mm_setcsr(saved_ | _MM_FLUSH_ZERO_ON);
  }
  ~FlushToZero() {
    _mm_setcsr(saved_);
  }

 private:
  unsigned saved_;
#endif
};

// BS.1770's K-weighting at `rate` as one 4th-order section: the +4 dB high shelf (the
// head) and the 38 Hz high-pass, each by the bilinear transform, multiplied out, with
// libebur128's constants and order of operations.
struct KWeighting {
  double b[5], a[5];
};

KWeighting kWeighting(int sampleRate) {
  const double rate = sampleRate;
  double K = std::tan(M_PI * 1681.974450955533 / rate);
  const double shelfQ = 0.7071752369554196;
  const double Vh = std::pow(10.0, 3.999843853973347 / 20.0);
  const double Vb = std::pow(Vh, 0.4996667741545416);
  const double a0 = 1.0 + K / shelfQ + K * K;
  const double sb[3] = {(Vh + Vb * K / shelfQ + K * K) / a0, 2.0 * (K * K - Vh) / a0,
                        (Vh - Vb * K / shelfQ + K * K) / a0};
  const double sa[3] = {1.0, 2.0 * (K * K - 1.0) / a0, (1.0 - K / shelfQ + K * K) / a0};
  K = std::tan(M_PI * 38.13547087602444 / rate);
  const double passQ = 0.5003270373238773;
  const double hb[3] = {1.0, -2.0, 1.0};
  const double ha[3] = {1.0, 2.0 * (K * K - 1.0) / (1.0 + K / passQ + K * K),
                        (1.0 - K / passQ + K * K) / (1.0 + K / passQ + K * K)};
  const auto multiply = [](const double* p, const double* q, double* r) {
    r[0] = p[0] * q[0];
    r[1] = p[0] * q[1] + p[1] * q[0];
    r[2] = p[0] * q[2] + p[1] * q[1] + p[2] * q[0];
    r[3] = p[1] * q[2] + p[2] * q[1];
    r[4] = p[2] * q[2];
  };
  KWeighting k;
  multiply(sb, hb, k.b);
  multiply(sa, ha, k.a);
  return k;
}

// Loudness of a mean square; the absolute gate (-70 LUFS) as an energy; the relative
// gates, -10 LU for the integrated loudness and -20 LU for the range.
double lufsOf(double energy) {
  return 10 * (std::log(energy) / std::log(10.0)) - 0.691;
}
const double kAbsoluteGate = std::pow(10.0, (-70.0 + 0.691) / 10.0);
const double kIntegratedGate = std::pow(10.0, -10.0 / 10.0);
const double kRangeGate = std::pow(10.0, -20.0 / 10.0);

// Adds the kTaps taps of every phase for the two vectors of lanes that start at x: the
// float samples converted to the accumulators' type V (from F, the same width of floats),
// each product rounded before its sum, taps in order.
template <int kTaps, int kPhases, typename V, typename F, typename C>
[[gnu::always_inline]] inline void accumulateTaps(const float* x, int channels, const C* coeffs,
                                                  V (&acc)[2][kPhases]) {
  constexpr int kLanes = sizeof(V) / sizeof(C);
#pragma GCC unroll 24
  for (int t = 0; t < kTaps; ++t) {
    const float* at = x - static_cast<int64_t>(t) * channels;
    F f0, f1;
    std::memcpy(&f0, at, sizeof f0);
    std::memcpy(&f1, at + kLanes, sizeof f1);
    const V x0 = __builtin_convertvector(f0, V), x1 = __builtin_convertvector(f1, V);
#pragma GCC unroll 4
    for (int p = 0; p < kPhases; ++p) {
      const C c = coeffs[p * kTaps + t];
      acc[0][p] += x0 * c;
      acc[1][p] += x1 * c;
    }
  }
}

// Every interpolated output of n interleaved samples at x (their history before them)
// for kPhases phases of kTaps taps at delays 0, 1, ... kTaps - 1 frames (coefficients
// phase after phase): the largest magnitude, or `peak` if none is larger. Lanes are
// consecutive samples: a frame's channels, or mono frames. Each lane's sum is libebur128's
// sum, term by term in the same order, in double precision, then rounded to float; the
// phases' sums and two vectors of lanes run side by side, each waiting on its own.
template <int kTaps, int kPhases, typename V, typename F>
[[gnu::always_inline]] inline double interpolateSpan(const float* x, int64_t n, int channels,
                                                     const double* coeffs, double peak) {
  constexpr int kLanes = sizeof(V) / sizeof(double);
  V lane{};
  for (int l = 0; l < kLanes; ++l) lane[l] = l;
  V best = V{} + peak;
  for (int64_t i = 0; i < n; i += 2 * kLanes) {
    V acc[2][kPhases] = {};
    accumulateTaps<kTaps, kPhases, V, F>(x + i, channels, coeffs, acc);
    for (int v = 0; v < 2; ++v) {
      const V remaining = V{} + static_cast<double>(n - i - v * kLanes);
      for (int p = 0; p < kPhases; ++p) {
        // The interpolator's output is a float. (Casting the lanes one by one instead lets
        // GCC 12's SLP vectorizer drop the rounding.)
        const V out = __builtin_convertvector(__builtin_convertvector(acc[v][p], F), V);
        V magnitude = out < 0 ? -out : out;
        magnitude = lane < remaining ? magnitude : V{};  // past the end: no output (yet)
        best = magnitude > best ? magnitude : best;
      }
    }
  }
  double m = peak;
  for (int l = 0; l < kLanes; ++l) m = std::max(m, best[l]);
  return m;
}

// A float estimate of the same outputs' largest magnitude, for twice the lanes per
// operation: within a few millionths of the largest input magnitude of the exact figure.
// Lanes past the end see the zeros after the samples and count too (an estimate may be
// high, never low).
template <int kTaps, int kPhases, typename VF>
[[gnu::always_inline]] inline float estimateSpan(const float* x, int64_t n, int channels,
                                                 const float* coeffs) {
  constexpr int kLanes = sizeof(VF) / sizeof(float);
  VF best{};
  for (int64_t i = 0; i < n; i += 2 * kLanes) {
    VF acc[2][kPhases] = {};
    accumulateTaps<kTaps, kPhases, VF, VF>(x + i, channels, coeffs, acc);
    for (int v = 0; v < 2; ++v) {
      for (int p = 0; p < kPhases; ++p) {
        const VF magnitude = acc[v][p] < 0 ? -acc[v][p] : acc[v][p];
        best = magnitude > best ? magnitude : best;
      }
    }
  }
  float m = 0.0f;
  for (int l = 0; l < kLanes; ++l) m = std::max(m, best[l]);
  return m;
}

using v4d = double __attribute__((vector_size(32)));
using v8f = float __attribute__((vector_size(32)));

// Two builds of each: SSE2, and AVX2 where the processor has it (no FMA: products are
// rounded before the sums, as in libebur128).
template <int kTaps, int kPhases>
double interpolateSse2(const float* x, int64_t n, int channels, const double* coeffs, double peak) {
  return interpolateSpan<kTaps, kPhases, v2d, v2f>(x, n, channels, coeffs, peak);
}

template <int kTaps, int kPhases>
__attribute__((target("avx2"))) double interpolateAvx2(const float* x, int64_t n, int channels,
                                                       const double* coeffs, double peak) {
  return interpolateSpan<kTaps, kPhases, v4d, v4f>(x, n, channels, coeffs, peak);
}

template <int kTaps, int kPhases>
float estimateSse2(const float* x, int64_t n, int channels, const float* coeffs) {
  return estimateSpan<kTaps, kPhases, v4f>(x, n, channels, coeffs);
}

// The estimate may fuse its multiplies and adds (its error bound only tightens).
template <int kTaps, int kPhases>
__attribute__((target("avx2,fma"))) float estimateAvx2(const float* x, int64_t n, int channels,
                                                       const float* coeffs) {
  return estimateSpan<kTaps, kPhases, v8f>(x, n, channels, coeffs);
}

// The true peak: the largest magnitude of the signal upsampled 4x (below 96 kHz) or 2x
// (below 192 kHz) by libebur128's polyphase interpolator (a 49-tap Hann-windowed sinc),
// and of the samples themselves. Each output is the same sum, in the same order and
// precision, as there; but a stretch of 64 frames is interpolated only where it could beat
// the peak found so far: when the largest magnitude it reaches, times the filter's gain
// bound, is above that peak, and then a float estimate of its outputs comes near it too.
class TruePeak {
 public:
  TruePeak(int channels, int sampleRate) : channels_(channels) {
    const int factor = sampleRate < 96000 ? 4 : sampleRate < 192000 ? 2 : 0;
    if (factor == 0) return;  // the samples' peak only
    const unsigned taps = 49;
    std::vector<std::vector<Tap>> phases(factor);
    for (unsigned j = 0; j < taps; ++j) {
      const double m = static_cast<double>(j) - static_cast<double>(taps - 1) / 2.0;
      double c = 1.0;
      if (std::fabs(m) > 0.000001) {
        c = std::sin(m * M_PI / factor) / (m * M_PI / factor);
      }
      c *= 0.5 * (1 - std::cos(2 * M_PI * j / (taps - 1)));
      if (std::fabs(c) > 0.000001) {
        phases[j % factor].push_back({static_cast<int>(j / factor), c});
      }
    }
    double gain = 0.0;
    for (const auto& phase : phases) {
      double sum = 0.0;
      for (const Tap& t : phase) {
        sum += std::fabs(t.coeff);
        reach_ = std::max(reach_, t.delay);
      }
      gain = std::max(gain, sum);
      // A phase of one tap of exactly 1 gives the samples themselves (acc = 0 + x * 1),
      // whose peak counts anyway.
      if (phase.size() == 1 && phase[0].coeff == 1.0) continue;
      phases_.push_back(phase);
    }
    // Rounding in the sums and in the conversion to float stays far inside this margin.
    gainBound_ = gain * (1.0 + 1e-6);
    history_.assign(static_cast<size_t>(reach_) * channels_, 0.0f);
    // The kernels take three phases of 12 taps (4x) or one of 24 (2x) at delays 0, 1, 2,
    // ... (the odd tap count puts every phase but the unit one on a full run of samples).
    taps_ = static_cast<int>(phases_[0].size());
    bool runs = (taps_ == 12 && phases_.size() == 3) || (taps_ == 24 && phases_.size() == 1);
    for (const auto& phase : phases_) {
      runs = runs && static_cast<int>(phase.size()) == taps_;
      for (size_t t = 0; runs && t < phase.size(); ++t) {
        runs = phase[t].delay == static_cast<int>(t);
        coeffs_.push_back(phase[t].coeff);
        floatCoeffs_.push_back(static_cast<float>(phase[t].coeff));
      }
    }
    if (!runs) throw std::logic_error("unexpected layout of the true-peak interpolator");
  }

  // Interleaved frames, in order.
  void add(const float* x, int64_t frames) {
    const int64_t head = static_cast<int64_t>(reach_) * channels_;
    const int64_t samples = frames * channels_;
    if (phases_.empty()) {
      peak_ = std::max<double>(peak_, largestMagnitude(x, samples));
      return;
    }
    // The samples the interpolator reaches back to, then the new ones, then zeros so that
    // the last lanes can be loaded whole.
    scratch_.resize(static_cast<size_t>(head + samples + kPad));
    float* s = scratch_.data();
    std::copy(history_.begin(), history_.end(), s);
    std::copy_n(x, samples, s + head);
    std::fill_n(s + head + samples, kPad, 0.0f);
    for (int64_t start = 0; start < frames; start += kStretch) {
      const int64_t n = std::min(kStretch, frames - start) * channels_;
      const float* at = s + head + start * channels_;
      const float newest = largestMagnitude(at, n);
      if (newest > peak_) peak_ = newest;
      const float reached = std::max(newest, largestMagnitude(at - head, head));
      if (static_cast<double>(reached) * gainBound_ <= peak_) continue;
      // A float estimate first where it can be trusted (its sums stay far from the float
      // range): the exact outputs only where it comes near the peak.
      if (reached < 1e30f && static_cast<double>(estimate(at, n)) + 1e-5 * reached <= peak_) {
        continue;
      }
      interpolate(at, n);
    }
    std::copy_n(s + samples, head, history_.begin());
  }

  double peak() const { return peak_; }

 private:
  struct Tap {
    int delay;  // in frames
    double coeff;
  };
  static constexpr int64_t kStretch = 64;  // frames judged at once
  static constexpr int64_t kPad = 16;      // two vectors of eight floats

  float estimate(const float* x, int64_t n) const {
    const float* c = floatCoeffs_.data();
    const bool wide = haveAvx2Fma();
    if (taps_ == 12) return (wide ? estimateAvx2<12, 3> : estimateSse2<12, 3>)(x, n, channels_, c);
    return (wide ? estimateAvx2<24, 1> : estimateSse2<24, 1>)(x, n, channels_, c);
  }

  void interpolate(const float* x, int64_t n) {
    const double* c = coeffs_.data();
    const bool wide = haveAvx2Fma();
    if (taps_ == 12) {
      peak_ = (wide ? interpolateAvx2<12, 3> : interpolateSse2<12, 3>)(x, n, channels_, c, peak_);
    } else {
      peak_ = (wide ? interpolateAvx2<24, 1> : interpolateSse2<24, 1>)(x, n, channels_, c, peak_);
    }
  }

  int channels_;
  std::vector<std::vector<Tap>> phases_;  // all but a unit phase
  std::vector<double> coeffs_;            // phase after phase, for the kernels
  std::vector<float> floatCoeffs_;        // the same rounded to float, for the estimate
  int taps_ = 0;                          // taps of each phase
  int reach_ = 0;                         // frames of history the taps reach back to
  double gainBound_ = 0.0;
  std::vector<float> history_, scratch_;
  double peak_ = 0.0;
};

// One signal's loudness: its K-weighting filter, the mean squares of 400 ms blocks every
// 100 ms (integrated loudness) and of 3 s blocks every second (loudness range), both
// summed from the 100 ms segments' sums, and its true peak.
class Meter {
 public:
  Meter(int channels, int sampleRate)
      : channels_(channels),
        segmentFrames_((sampleRate + 5) / 10),
        k_(kWeighting(sampleRate)),
        peak_(channels, sampleRate) {}

  // Interleaved frames of two signals of the same length, in order, into two meters of the
  // same rate and channels (the input's and the output's): their filters run side by side
  // in one pass, each waiting only on itself, so two signals cost about what one costs.
  static void addBoth(Meter& a, const float* xa, Meter& b, const float* xb, int64_t frames) {
    FlushToZero flush;
    a.peak_.add(xa, frames);
    b.peak_.add(xb, frames);
    const int channels = a.channels_;
    while (frames > 0) {
      const int64_t n = std::min(frames, a.segmentFrames_ - a.filled_);
      if (wideLoops()) {
        (channels == 2 ? filterBothAvx<2> : filterBothAvx<1>)(a, xa, b, xb, n);
      } else {
        (channels == 2 ? filterBoth<2> : filterBoth<1>)(a, xa, b, xb, n);
      }
      for (Meter* m : {&a, &b}) {
        m->filled_ += n;
        if (m->filled_ == m->segmentFrames_) m->closeSegment();
      }
      xa += n * channels;
      xb += n * channels;
      frames -= n;
    }
  }

  Loudness result() const {
    Loudness l;
    l.integratedLufs = integrated();
    l.rangeLu = range();
    const double p = peak_.peak();
    l.truePeakDbtp = p > 0.0 ? 20.0 * std::log10(p) : kNegativeInfinity;
    return l;
  }

 private:
  // `n` frames of each signal that stay inside the open segments; lanes: the channels of
  // both signals (input left, right, output left, right), one 256-bit vector where there
  // are AVX registers and two 128-bit ones elsewhere, the same operations lane for lane.
  // Each frame waits for the one before; the term of the newest state goes last, so that
  // the wait is one multiply and one subtraction (libebur128 takes the terms the other way
  // round; the sums differ in the last bits of a double). The two signals' steps are
  // independent of each other, so the processor overlaps them.
  template <int kChannels>
  [[gnu::always_inline]] static void filterSpan(Meter& a, const float* xa, Meter& b,
                                                const float* xb, int64_t n) {
    const KWeighting& k = a.k_;
    const v4d a1 = v4d{} + k.a[1], a2 = v4d{} + k.a[2], a3 = v4d{} + k.a[3], a4 = v4d{} + k.a[4];
    const v4d b0 = v4d{} + k.b[0], b1 = v4d{} + k.b[1], b2 = v4d{} + k.b[2], b3 = v4d{} + k.b[3],
              b4 = v4d{} + k.b[4];
    v4d v1 = __builtin_shufflevector(a.v1_, b.v1_, 0, 1, 2, 3);
    v4d v2 = __builtin_shufflevector(a.v2_, b.v2_, 0, 1, 2, 3);
    v4d v3 = __builtin_shufflevector(a.v3_, b.v3_, 0, 1, 2, 3);
    v4d v4 = __builtin_shufflevector(a.v4_, b.v4_, 0, 1, 2, 3);
    v4d sum = __builtin_shufflevector(a.segment_, b.segment_, 0, 1, 2, 3);
    for (int64_t i = 0; i < n; ++i) {
      const v4f f = kChannels == 2 ? v4f{xa[2 * i], xa[2 * i + 1], xb[2 * i], xb[2 * i + 1]}
                                   : v4f{xa[i], 0.0f, xb[i], 0.0f};
      const v4d xi = __builtin_convertvector(f, v4d);
      const v4d v0 = xi - a4 * v4 - a3 * v3 - a2 * v2 - a1 * v1;
      const v4d w = b0 * v0 + b1 * v1 + b2 * v2 + b3 * v3 + b4 * v4;
      v4 = v3, v3 = v2, v2 = v1, v1 = v0;
      sum += w * w;
    }
    a.v1_ = __builtin_shufflevector(v1, v1, 0, 1), b.v1_ = __builtin_shufflevector(v1, v1, 2, 3);
    a.v2_ = __builtin_shufflevector(v2, v2, 0, 1), b.v2_ = __builtin_shufflevector(v2, v2, 2, 3);
    a.v3_ = __builtin_shufflevector(v3, v3, 0, 1), b.v3_ = __builtin_shufflevector(v3, v3, 2, 3);
    a.v4_ = __builtin_shufflevector(v4, v4, 0, 1), b.v4_ = __builtin_shufflevector(v4, v4, 2, 3);
    a.segment_ = __builtin_shufflevector(sum, sum, 0, 1);
    b.segment_ = __builtin_shufflevector(sum, sum, 2, 3);
  }

  template <int kChannels>
  static void filterBoth(Meter& a, const float* xa, Meter& b, const float* xb, int64_t n) {
    filterSpan<kChannels>(a, xa, b, xb, n);
  }
  template <int kChannels>
  TARVO_TARGET_AVX static void filterBothAvx(Meter& a, const float* xa, Meter& b, const float* xb,
                                             int64_t n) {
    filterSpan<kChannels>(a, xa, b, xb, n);
  }

  void closeSegment() {
    recent_[segments_ % 30] = segment_;
    segment_ = v2d{};
    filled_ = 0;
    ++segments_;
    if (segments_ >= 4) keep(blocks_, energy(4));
    if (segments_ >= 30 && segments_ % 10 == 0) keep(shortTerm_, energy(30));
  }

  // The mean square of the last `count` segments, summed per channel, then over channels.
  double energy(int64_t count) const {
    v2d sum{};
    for (int64_t k = segments_ - count; k < segments_; ++k) sum += recent_[k % 30];
    return (sum[0] + sum[1]) / static_cast<double>(count * segmentFrames_);
  }

  static void keep(std::vector<double>& list, double energy) {
    if (energy >= kAbsoluteGate) list.push_back(energy);
  }

  // The mean of the blocks above the relative gate (10 LU under their mean).
  double integrated() const {
    if (blocks_.empty()) return kNegativeInfinity;
    double sum = 0.0;
    for (double z : blocks_) sum += z;
    const double gate = sum / static_cast<double>(blocks_.size()) * kIntegratedGate;
    double gated = 0.0;
    size_t count = 0;
    for (double z : blocks_) {
      if (z >= gate) {
        gated += z;
        ++count;
      }
    }
    return count == 0 ? kNegativeInfinity : lufsOf(gated / static_cast<double>(count));
  }

  // From the 10th to the 95th percentile of the 3 s blocks above the relative gate
  // (20 LU under their mean).
  double range() const {
    if (shortTerm_.empty()) return 0.0;
    std::vector<double> sorted = shortTerm_;
    std::sort(sorted.begin(), sorted.end());
    double power = 0.0;
    for (double z : sorted) power += z;
    power /= static_cast<double>(sorted.size());
    const double gate = kRangeGate * power;
    const auto first =
        std::find_if(sorted.begin(), sorted.end(), [gate](double z) { return !(z < gate); });
    const auto n = static_cast<size_t>(sorted.end() - first);
    if (n == 0) return 0.0;
    const double high = first[static_cast<size_t>(static_cast<double>(n - 1) * 0.95 + 0.5)];
    const double low = first[static_cast<size_t>(static_cast<double>(n - 1) * 0.1 + 0.5)];
    return lufsOf(high) - lufsOf(low);
  }

  int channels_;
  int64_t segmentFrames_;  // 100 ms
  KWeighting k_;
  v2d v1_{}, v2_{}, v3_{}, v4_{};           // the filter's state, per channel (lanes)
  v2d segment_{};                           // the open segment's sum of squares, per channel
  int64_t filled_ = 0;                      // frames in the open segment
  int64_t segments_ = 0;                    // closed so far
  v2d recent_[30] = {};                     // the last 30 closed segments' sums
  std::vector<double> blocks_, shortTerm_;  // energies that pass the absolute gate
  TruePeak peak_;
};

}  // namespace

struct LoudnessAnalysis::Meters {
  Meter in, out;
};

LoudnessAnalysis::LoudnessAnalysis(int channels, int sampleRate) {
  // The rates libebur128 measures at.
  if (channels < 1 || channels > 2 || sampleRate < 16 || sampleRate > 2822400) {
    throw std::runtime_error("cannot start the loudness meter");
  }
  meters_ =
      std::make_unique<Meters>(Meters{Meter(channels, sampleRate), Meter(channels, sampleRate)});
}

LoudnessAnalysis::~LoudnessAnalysis() = default;

void LoudnessAnalysis::add(const float* input, const float* output, int64_t frames) {
  Meter::addBoth(meters_->in, input, meters_->out, output, frames);
}

std::pair<Loudness, Loudness> LoudnessAnalysis::finish() {
  return {meters_->in.result(), meters_->out.result()};
}

}  // namespace tarvo::render
