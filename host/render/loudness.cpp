#include "render/loudness.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

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

v2d splat(double x) {
  return v2d{x, x};
}

constexpr double kNegativeInfinity = -std::numeric_limits<double>::infinity();

// Denormal results are flushed to zero while measuring, as libebur128 does around its
// filter: a filter ringing out into silence would otherwise crawl through denormals.
class FlushToZero {
 public:
#if defined(__SSE2__)
  FlushToZero() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | _MM_FLUSH_ZERO_ON); }
  ~FlushToZero() { _mm_setcsr(saved_); }

 private:
  unsigned saved_;
#endif
};

// BS.1770's K-weighting at `rate` as one 4th-order section: the +4 dB high shelf (the
// head) and the 38 Hz high-pass, each by the bilinear transform, multiplied out. The
// constants and the order of every operation are libebur128's, so the coefficients are
// the same to the bit.
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

// The largest magnitude among n samples; NaNs are passed over (they compare false).
float largestMagnitude(const float* x, int64_t n) {
  v4f best{};
  int64_t i = 0;
  for (; i + 4 <= n; i += 4) {
    v4f v;
    std::memcpy(&v, x + i, sizeof v);
    v = v < 0 ? -v : v;
    best = v > best ? v : best;
  }
  float m = std::max({best[0], best[1], best[2], best[3]});
  for (; i < n; ++i) {
    const float v = std::fabs(x[i]);
    if (v > m) m = v;
  }
  return m;
}

// Every interpolated output of n interleaved samples at x (their history before them)
// for `phases` phases of kTaps taps at delays 0, 1, ... kTaps - 1 frames (coefficients
// phase after phase): the largest magnitude, or `peak` if none is larger. Lanes are
// consecutive samples: a frame's channels, or mono frames. Each lane's sum is libebur128's
// sum, term by term in the same order, in double precision, then rounded to float.
template <int kTaps, typename V, typename F>
[[gnu::always_inline]] inline double interpolateSpan(const float* x, int64_t n, int channels,
                                                     const double* coeffs, int phases,
                                                     double peak) {
  constexpr int kLanes = sizeof(V) / sizeof(double);
  V lane{};
  for (int l = 0; l < kLanes; ++l) lane[l] = l;
  V best = V{} + peak;
  for (int64_t i = 0; i < n; i += kLanes) {
    V xs[kTaps];
    for (int d = 0; d < kTaps; ++d) {
      F f;
      std::memcpy(&f, x + i - static_cast<int64_t>(d) * channels, sizeof f);
      xs[d] = __builtin_convertvector(f, V);
    }
    const V remaining = V{} + static_cast<double>(n - i);
    for (int p = 0; p < phases; ++p) {
      const double* c = coeffs + p * kTaps;
      V acc{};
      for (int t = 0; t < kTaps; ++t) acc += xs[t] * c[t];
      // The interpolator's output is a float. (Casting the lanes one by one instead lets
      // GCC 12's SLP vectorizer drop the rounding.)
      const V out = __builtin_convertvector(__builtin_convertvector(acc, F), V);
      V magnitude = out < 0 ? -out : out;
      magnitude = lane < remaining ? magnitude : V{};  // past the end: no output (yet)
      best = magnitude > best ? magnitude : best;
    }
  }
  double m = peak;
  for (int l = 0; l < kLanes; ++l) m = std::max(m, best[l]);
  return m;
}

using v4d = double __attribute__((vector_size(32)));

template <int kTaps>
double interpolateSse2(const float* x, int64_t n, int channels, const double* coeffs,
                       int phases, double peak) {
  return interpolateSpan<kTaps, v2d, v2f>(x, n, channels, coeffs, phases, peak);
}

// Four lanes where the processor has AVX2 (no FMA: the products are rounded before the
// sums, as in libebur128).
template <int kTaps>
__attribute__((target("avx2"))) double interpolateAvx2(const float* x, int64_t n,
                                                        int channels, const double* coeffs,
                                                        int phases, double peak) {
  return interpolateSpan<kTaps, v4d, v4f>(x, n, channels, coeffs, phases, peak);
}

bool haveAvx2() {
#if defined(__x86_64__) || defined(__i386__)
  static const bool have = __builtin_cpu_supports("avx2");
  return have;
#else
  return false;
#endif
}

// The true peak: the largest magnitude of the signal upsampled 4x (below 96 kHz) or 2x
// (below 192 kHz) by libebur128's polyphase interpolator (a 49-tap Hann-windowed sinc),
// and of the samples themselves. Each output is the same sum, in the same order and
// precision, as there; but a stretch of samples is interpolated only when the largest
// magnitude it holds, times the filter's gain bound, could beat the peak found so far.
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
    // The fast kernels take phases whose taps lie at delays 0, 1, 2, ... (they do: the odd
    // tap count puts every phase but the unit one on a full run of samples).
    const size_t n = phases_.empty() ? 0 : phases_[0].size();
    bool runs = n == 12 || n == 24;
    for (const auto& phase : phases_) {
      runs = runs && phase.size() == n;
      for (size_t t = 0; runs && t < phase.size(); ++t) {
        runs = phase[t].delay == static_cast<int>(t);
        coeffs_.push_back(phase[t].coeff);
      }
    }
    runTaps_ = runs ? static_cast<int>(n) : 0;
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
      if (static_cast<double>(reached) * gainBound_ > peak_) interpolate(at, n);
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
  static constexpr int64_t kPad = 4;

  void interpolate(const float* x, int64_t n) {
    const int phases = static_cast<int>(phases_.size());
    const bool wide = haveAvx2();
    if (runTaps_ == 12) {
      peak_ = (wide ? interpolateAvx2<12> : interpolateSse2<12>)(x, n, channels_,
                                                                coeffs_.data(), phases, peak_);
    } else if (runTaps_ == 24) {
      peak_ = (wide ? interpolateAvx2<24> : interpolateSse2<24>)(x, n, channels_,
                                                                coeffs_.data(), phases, peak_);
    } else {
      interpolateAnyTaps(x, n);
    }
  }

  // The same outputs for any arrangement of taps, two lanes at a time.
  void interpolateAnyTaps(const float* x, int64_t n) {
    v2d best = splat(peak_);
    for (int64_t i = 0; i < n; i += 2) {
      const v2d valid = i + 1 < n ? v2d{1.0, 1.0} : v2d{1.0, 0.0};
      for (const auto& phase : phases_) {
        v2d acc{};
        for (const Tap& t : phase) {
          const float* p = x + i - static_cast<int64_t>(t.delay) * channels_;
          acc += v2d{p[0], p[1]} * splat(t.coeff);
        }
        const v2d out = __builtin_convertvector(__builtin_convertvector(acc, v2f), v2d);
        const v2d magnitude = (out < 0 ? -out : out) * valid;
        best = magnitude > best ? magnitude : best;
      }
    }
    peak_ = std::max(best[0], best[1]);
  }

  int channels_;
  std::vector<std::vector<Tap>> phases_;  // all but a unit phase
  std::vector<double> coeffs_;            // phase after phase, for the fast kernels
  int runTaps_ = 0;                       // taps of each phase there, or 0: none fits
  int reach_ = 0;                         // frames of history the taps reach back to
  double gainBound_ = 0.0;
  std::vector<float> history_, scratch_;
  double peak_ = 0.0;
};

// One signal's K-weighting filter state and gating: the mean squares of 400 ms blocks
// every 100 ms (integrated loudness) and of 3 s blocks every second (loudness range),
// both summed from the 100 ms segments' sums.
struct Stream {
  Stream(int channels, int sampleRate) : peak(channels, sampleRate) {}

  v2d v1{}, v2{}, v3{}, v4{};  // the filter's state, per channel
  v2d segment{};               // the open segment's sum of squares, per channel
  int64_t segments = 0;        // closed so far
  v2d recent[30] = {};         // the last 30 closed segments' sums
  std::vector<double> blocks, shortTerm;  // energies that pass the absolute gate
  TruePeak peak;

  void closeSegment(int64_t segmentFrames) {
    recent[segments % 30] = segment;
    segment = v2d{};
    ++segments;
    if (segments >= 4) keep(blocks, energy(4, segmentFrames));
    if (segments >= 30 && segments % 10 == 0) keep(shortTerm, energy(30, segmentFrames));
  }

  // The mean square of the last `count` segments, summed per channel, then over channels.
  double energy(int64_t count, int64_t segmentFrames) const {
    v2d sum{};
    for (int64_t k = segments - count; k < segments; ++k) sum += recent[k % 30];
    return (sum[0] + sum[1]) / static_cast<double>(count * segmentFrames);
  }

  static void keep(std::vector<double>& list, double energy) {
    if (energy >= kAbsoluteGate) list.push_back(energy);
  }

  Loudness result() const {
    Loudness l;
    l.integratedLufs = integrated();
    l.rangeLu = range();
    const double p = peak.peak();
    l.truePeakDbtp = p > 0.0 ? 20.0 * std::log10(p) : kNegativeInfinity;
    return l;
  }

  // The mean of the blocks above the relative gate (10 LU under their mean).
  double integrated() const {
    if (blocks.empty()) return kNegativeInfinity;
    double sum = 0.0;
    for (double z : blocks) sum += z;
    const double gate = sum / static_cast<double>(blocks.size()) * kIntegratedGate;
    double gated = 0.0;
    size_t count = 0;
    for (double z : blocks) {
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
    if (shortTerm.empty()) return 0.0;
    std::vector<double> sorted = shortTerm;
    std::sort(sorted.begin(), sorted.end());
    double power = 0.0;
    for (double z : sorted) power += z;
    power /= static_cast<double>(sorted.size());
    const double gate = kRangeGate * power;
    const auto first = std::find_if(sorted.begin(), sorted.end(), [gate](double z) {
      return !(z < gate);
    });
    const auto n = static_cast<size_t>(sorted.end() - first);
    if (n == 0) return 0.0;
    const double high = first[static_cast<size_t>(static_cast<double>(n - 1) * 0.95 + 0.5)];
    const double low = first[static_cast<size_t>(static_cast<double>(n - 1) * 0.1 + 0.5)];
    return lufsOf(high) - lufsOf(low);
  }
};

}  // namespace

struct LoudnessAnalysis::State {
  State(int channels, int sampleRate)
      : channels(channels),
        segmentFrames((sampleRate + 5) / 10),
        k(kWeighting(sampleRate)),
        in(channels, sampleRate),
        out(channels, sampleRate) {}

  // Both signals through their filters, `n` frames that stay inside the open segment.
  // The filters' recursions are long chains of dependent operations: run side by side,
  // each one's wait is the other's work.
  template <int kChannels>
  void filter(const float* x, const float* y, int64_t n) {
    const v2d a1 = splat(k.a[1]), a2 = splat(k.a[2]), a3 = splat(k.a[3]), a4 = splat(k.a[4]);
    const v2d b0 = splat(k.b[0]), b1 = splat(k.b[1]), b2 = splat(k.b[2]),
              b3 = splat(k.b[3]), b4 = splat(k.b[4]);
    v2d p1 = in.v1, p2 = in.v2, p3 = in.v3, p4 = in.v4, ps = in.segment;
    v2d q1 = out.v1, q2 = out.v2, q3 = out.v3, q4 = out.v4, qs = out.segment;
    for (int64_t i = 0; i < n; ++i) {
      const v2d xi = kChannels == 2 ? v2d{x[2 * i], x[2 * i + 1]} : v2d{x[i], 0.0};
      const v2d yi = kChannels == 2 ? v2d{y[2 * i], y[2 * i + 1]} : v2d{y[i], 0.0};
      const v2d p0 = xi - a1 * p1 - a2 * p2 - a3 * p3 - a4 * p4;
      const v2d q0 = yi - a1 * q1 - a2 * q2 - a3 * q3 - a4 * q4;
      const v2d pw = b0 * p0 + b1 * p1 + b2 * p2 + b3 * p3 + b4 * p4;
      const v2d qw = b0 * q0 + b1 * q1 + b2 * q2 + b3 * q3 + b4 * q4;
      p4 = p3, p3 = p2, p2 = p1, p1 = p0;
      q4 = q3, q3 = q2, q2 = q1, q1 = q0;
      ps += pw * pw;
      qs += qw * qw;
    }
    in.v1 = p1, in.v2 = p2, in.v3 = p3, in.v4 = p4, in.segment = ps;
    out.v1 = q1, out.v2 = q2, out.v3 = q3, out.v4 = q4, out.segment = qs;
  }

  void add(const float* x, const float* y, int64_t frames) {
    FlushToZero flush;
    in.peak.add(x, frames);
    out.peak.add(y, frames);
    while (frames > 0) {
      const int64_t n = std::min(frames, segmentFrames - filled);
      if (channels == 2) {
        filter<2>(x, y, n);
      } else {
        filter<1>(x, y, n);
      }
      filled += n;
      if (filled == segmentFrames) {
        in.closeSegment(segmentFrames);
        out.closeSegment(segmentFrames);
        filled = 0;
      }
      x += n * channels;
      y += n * channels;
      frames -= n;
    }
  }

  int channels;
  int64_t segmentFrames;  // 100 ms
  KWeighting k;
  Stream in, out;
  int64_t filled = 0;  // frames in the open segment
};

LoudnessAnalysis::LoudnessAnalysis(int channels, int sampleRate) {
  // The rates libebur128 measures at.
  if (channels < 1 || channels > 2 || sampleRate < 16 || sampleRate > 2822400) {
    throw std::runtime_error("cannot start the loudness meter");
  }
  state_ = std::make_unique<State>(channels, sampleRate);
}

LoudnessAnalysis::~LoudnessAnalysis() = default;

void LoudnessAnalysis::add(const float* input, const float* output, int64_t frames) {
  state_->add(input, output, frames);
}

std::pair<Loudness, Loudness> LoudnessAnalysis::finish() {
  return {state_->in.result(), state_->out.result()};
}

}  // namespace tarvo::render
