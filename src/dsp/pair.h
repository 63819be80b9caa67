// A left/right pair of 32-bit floats processed together, and the few per-lane steps the
// chain builds from it. With SSE2 (every x86-64 build, and the 32-bit Windows build's
// baseline) the two channels share one register and each operation is one packed
// instruction; elsewhere a pair is two floats. Either way each lane computes exactly what
// the scalar operation computes, so the chain's results do not depend on the choice.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "dsp/input_guard.h"

#define TARVO_INLINE [[gnu::always_inline]] inline
// Lambdas of the kernel are always inlined, so their captured state stays in registers.
#define TARVO_LAMBDA_INLINE __attribute__((always_inline))

namespace tarvo::dsp::chain {

// With SSE2 the two upper lanes hold zeros.
#if defined(__SSE2__)
struct Pair {
  __m128 v;
};
TARVO_INLINE Pair pairOf(float l, float r) {
  return {_mm_unpacklo_ps(_mm_set_ss(l), _mm_set_ss(r))};
}
TARVO_INLINE Pair splat(float x) {
  return {_mm_set_ps(0.0f, 0.0f, x, x)};
}
TARVO_INLINE float left(Pair a) {
  return _mm_cvtss_f32(a.v);
}
TARVO_INLINE float right(Pair a) {
  return _mm_cvtss_f32(_mm_shuffle_ps(a.v, a.v, _MM_SHUFFLE(3, 2, 0, 1)));
}
TARVO_INLINE Pair operator+(Pair a, Pair b) {
  return {_mm_add_ps(a.v, b.v)};
}
TARVO_INLINE Pair operator-(Pair a, Pair b) {
  return {_mm_sub_ps(a.v, b.v)};
}
TARVO_INLINE Pair operator*(Pair a, Pair b) {
  return {_mm_mul_ps(a.v, b.v)};
}
TARVO_INLINE Pair abs(Pair a) {
  return {_mm_andnot_ps(_mm_set1_ps(-0.0f), a.v)};
}
// a > b ? a : b per lane (b when either is not a number).
TARVO_INLINE Pair greaterOf(Pair a, Pair b) {
  return {_mm_max_ps(a.v, b.v)};
}
// a < b ? a : b per lane (b when either is not a number).
TARVO_INLINE Pair lesserOf(Pair a, Pair b) {
  return {_mm_min_ps(a.v, b.v)};
}
// Each lane as guardInput takes it: limited to +-kInputLimit, 0 where it is not a finite
// number (min/max give the limit for a NaN lane, which the finite mask then clears).
TARVO_INLINE Pair limitInput(Pair a) {
  const __m128 finite = _mm_cmple_ps(abs(a).v, _mm_set1_ps(3.40282347e38f));
  const __m128 limit = _mm_set1_ps(kInputLimit);
  const __m128 clamped = _mm_max_ps(_mm_min_ps(a.v, limit), _mm_sub_ps(_mm_setzero_ps(), limit));
  return {_mm_and_ps(clamped, finite)};
}
// Each lane unchanged when it is a finite number, else 0.
TARVO_INLINE Pair finiteOrZero(Pair a) {
  return {_mm_and_ps(a.v, _mm_cmple_ps(abs(a).v, _mm_set1_ps(3.40282347e38f)))};
}
// Two consecutive floats, which need only a float's alignment: copied as one 8-byte value
// (one move) rather than read through a pointer to a wider type.
TARVO_INLINE void storePair(float* to, Pair a) {
  const double both = _mm_cvtsd_f64(_mm_castps_pd(a.v));
  std::memcpy(to, &both, sizeof both);
}
TARVO_INLINE Pair loadPair(const float* from) {
  double both;
  std::memcpy(&both, from, sizeof both);
  return {_mm_castpd_ps(_mm_set_sd(both))};
}
// a / b; the upper lanes divide by 1, so that they never raise a floating-point exception.
TARVO_INLINE Pair operator/(Pair a, Pair b) {
  return {_mm_div_ps(a.v, _mm_movelh_ps(b.v, _mm_set1_ps(1.0f)))};
}
// a >= b ? x : y per lane.
TARVO_INLINE Pair ifAtLeast(Pair a, Pair b, Pair x, Pair y) {
  const __m128 m = _mm_cmpge_ps(a.v, b.v);
  return {_mm_or_ps(_mm_and_ps(m, x.v), _mm_andnot_ps(m, y.v))};
}
// Whether the left or the right lane is greater than 0.
TARVO_INLINE bool anyPositive(Pair a) {
  return (_mm_movemask_ps(_mm_cmpgt_ps(a.v, _mm_setzero_ps())) & 3) != 0;
}
// Whether a >= b in both the left and the right lane.
TARVO_INLINE bool allAtLeast(Pair a, Pair b) {
  return (_mm_movemask_ps(_mm_cmpge_ps(a.v, b.v)) & 3) == 3;
}
// Whether a > b in both the left and the right lane.
TARVO_INLINE bool allGreater(Pair a, Pair b) {
  return (_mm_movemask_ps(_mm_cmpgt_ps(a.v, b.v)) & 3) == 3;
}
// Whether both the left and the right lane are greater than 0.
TARVO_INLINE bool allPositive(Pair a) {
  return (_mm_movemask_ps(_mm_cmpgt_ps(a.v, _mm_setzero_ps())) & 3) == 3;
}
// Whether a == b in both the left and the right lane.
TARVO_INLINE bool allEqual(Pair a, Pair b) {
  return (_mm_movemask_ps(_mm_cmpeq_ps(a.v, b.v)) & 3) == 3;
}
// Whether a <= limit in both the left and the right lane (not where either is not a number).
TARVO_INLINE bool allAtMost(Pair a, float limit) {
  return (_mm_movemask_ps(_mm_cmple_ps(a.v, _mm_set1_ps(limit))) & 3) == 3;
}
// Each lane truncated toward zero as static_cast<int32_t> does (into l and r), and that
// integer as a float.
TARVO_INLINE Pair truncated(Pair a, int32_t& l, int32_t& r) {
  const __m128i i = _mm_cvttps_epi32(a.v);
  l = _mm_cvtsi128_si32(i);
  r = _mm_cvtsi128_si32(_mm_shuffle_epi32(i, 1));
  return {_mm_cvtepi32_ps(i)};
}
// A left/right pair of doubles, for the filters (which run in double). Widening a pair
// and narrowing it back round exactly as static_cast does on each float.
struct PairD {
  __m128d v;
};
TARVO_INLINE PairD widen(Pair a) {
  return {_mm_cvtps_pd(a.v)};
}
TARVO_INLINE Pair narrow(PairD a) {
  return {_mm_cvtpd_ps(a.v)};
}
TARVO_INLINE PairD splatD(double x) {
  return {_mm_set1_pd(x)};
}
TARVO_INLINE PairD operator+(PairD a, PairD b) {
  return {_mm_add_pd(a.v, b.v)};
}
TARVO_INLINE PairD operator-(PairD a, PairD b) {
  return {_mm_sub_pd(a.v, b.v)};
}
TARVO_INLINE PairD operator*(PairD a, PairD b) {
  return {_mm_mul_pd(a.v, b.v)};
}
#else
struct Pair {
  float l, r;
};
TARVO_INLINE Pair pairOf(float l, float r) {
  return {l, r};
}
TARVO_INLINE Pair splat(float x) {
  return {x, x};
}
TARVO_INLINE float left(Pair a) {
  return a.l;
}
TARVO_INLINE float right(Pair a) {
  return a.r;
}
TARVO_INLINE Pair operator+(Pair a, Pair b) {
  return {a.l + b.l, a.r + b.r};
}
TARVO_INLINE Pair operator-(Pair a, Pair b) {
  return {a.l - b.l, a.r - b.r};
}
TARVO_INLINE Pair operator*(Pair a, Pair b) {
  return {a.l * b.l, a.r * b.r};
}
TARVO_INLINE Pair abs(Pair a) {
  return {std::fabs(a.l), std::fabs(a.r)};
}
TARVO_INLINE Pair greaterOf(Pair a, Pair b) {
  return {a.l > b.l ? a.l : b.l, a.r > b.r ? a.r : b.r};
}
TARVO_INLINE Pair lesserOf(Pair a, Pair b) {
  return {a.l < b.l ? a.l : b.l, a.r < b.r ? a.r : b.r};
}
TARVO_INLINE Pair limitInput(Pair a) {
  return {guardInput(a.l), guardInput(a.r)};
}
TARVO_INLINE Pair finiteOrZero(Pair a) {
  return {std::isfinite(a.l) ? a.l : 0.0f, std::isfinite(a.r) ? a.r : 0.0f};
}
TARVO_INLINE Pair operator/(Pair a, Pair b) {
  return {a.l / b.l, a.r / b.r};
}
TARVO_INLINE void storePair(float* to, Pair a) {
  to[0] = a.l;
  to[1] = a.r;
}
TARVO_INLINE Pair loadPair(const float* from) {
  return {from[0], from[1]};
}
TARVO_INLINE Pair ifAtLeast(Pair a, Pair b, Pair x, Pair y) {
  return {a.l >= b.l ? x.l : y.l, a.r >= b.r ? x.r : y.r};
}
TARVO_INLINE bool anyPositive(Pair a) {
  return a.l > 0.0f || a.r > 0.0f;
}
TARVO_INLINE bool allAtLeast(Pair a, Pair b) {
  return a.l >= b.l && a.r >= b.r;
}
TARVO_INLINE bool allGreater(Pair a, Pair b) {
  return a.l > b.l && a.r > b.r;
}
TARVO_INLINE bool allPositive(Pair a) {
  return a.l > 0.0f && a.r > 0.0f;
}
TARVO_INLINE bool allEqual(Pair a, Pair b) {
  return a.l == b.l && a.r == b.r;
}
TARVO_INLINE bool allAtMost(Pair a, float limit) {
  return a.l <= limit && a.r <= limit;
}
TARVO_INLINE Pair truncated(Pair a, int32_t& l, int32_t& r) {
  l = static_cast<int32_t>(a.l);
  r = static_cast<int32_t>(a.r);
  return {static_cast<float>(l), static_cast<float>(r)};
}
struct PairD {
  double l, r;
};
TARVO_INLINE PairD widen(Pair a) {
  return {a.l, a.r};
}
TARVO_INLINE Pair narrow(PairD a) {
  return {static_cast<float>(a.l), static_cast<float>(a.r)};
}
TARVO_INLINE PairD splatD(double x) {
  return {x, x};
}
TARVO_INLINE PairD operator+(PairD a, PairD b) {
  return {a.l + b.l, a.r + b.r};
}
TARVO_INLINE PairD operator-(PairD a, PairD b) {
  return {a.l - b.l, a.r - b.r};
}
TARVO_INLINE PairD operator*(PairD a, PairD b) {
  return {a.l * b.l, a.r * b.r};
}
#endif

// Each lane limited to 0..1, and 0 where it is not a number: "if x is not at least 0 it
// becomes 0, else if x > 1 it becomes 1", except that -0 becomes +0, which no use of the
// result can tell apart (each adds it to a positive product or multiplies it by a finite
// value that is added to one).
TARVO_INLINE Pair clamp01(Pair a) {
  return lesserOf(greaterOf(a, splat(0.0f)), splat(1.0f));
}

// Peak follower on a pair: rises at once to the value v, else falls toward it with the
// fraction alpha. With 0 <= alpha < 0.5 the falling step m + (v - m) * alpha never passes
// v (rounding is monotonic) and a rising one never exceeds it, so "v > m ? v : step" is the
// larger of v and the step, with the same result for every input that is not a number.
TARVO_INLINE Pair peakFollow(Pair v, Pair m, Pair alpha) {
  return greaterOf(v, m + (v - m) * alpha);
}

// Level of a detector pair, never below 1e-20 so the gain curve sees a positive level.
TARVO_INLINE Pair rectify(Pair d) {
  return abs(d) + splat(1e-20f);
}

}  // namespace tarvo::dsp::chain
