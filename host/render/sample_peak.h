// The largest magnitude among n samples, four at a time, for the render's level figures and
// its loudness measurement alike.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace tarvo::render {

// The largest magnitude of n samples (NaNs are passed over, as std::max passes over them);
// with overFullScale, also adds to it how many of them exceed full scale.
inline float largestMagnitude(const float* x, int64_t n, int64_t* overFullScale = nullptr) {
  using v4f = float __attribute__((vector_size(16)));
  using v4i = int32_t __attribute__((vector_size(16)));
  v4f best{};
  v4i above{};
  int64_t i = 0;
  for (; i + 4 <= n; i += 4) {
    v4f v;
    std::memcpy(&v, x + i, sizeof v);
    v = v < 0 ? -v : v;
    best = v > best ? v : best;
    if (overFullScale != nullptr) above -= v > 1.0f;  // a true comparison is -1
  }
  float m = std::max({best[0], best[1], best[2], best[3]});
  int64_t over = int64_t{above[0]} + above[1] + above[2] + above[3];
  for (; i < n; ++i) {
    const float v = std::fabs(x[i]);
    if (v > m) m = v;
    over += v > 1.0f;
  }
  if (overFullScale != nullptr) *overFullScale += over;
  return m;
}

}  // namespace tarvo::render
