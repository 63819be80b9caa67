#include "ardour/audio_diff.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "params/number_text.h"

namespace tarvo::ardour {

DiffStats compareSignals(const std::vector<float>& a, const std::vector<float>& b, int channels) {
  if (channels < 1) throw std::invalid_argument("a signal needs at least one channel");
  if (a.size() != b.size()) {
    throw std::invalid_argument("the signals differ in length: " + std::to_string(a.size()) +
                                " and " + std::to_string(b.size()) + " samples");
  }
  if (a.size() % static_cast<size_t>(channels) != 0) {
    throw std::invalid_argument("the sample count is not a whole number of frames");
  }
  DiffStats s;
  s.channels = channels;
  s.frames = static_cast<int64_t>(a.size() / static_cast<size_t>(channels));
  // Sums in double: 10^6 squared differences near 1e-14 each lose nothing that matters.
  double sumDiff2 = 0.0;
  double sumRef2 = 0.0;
  for (size_t i = 0; i < a.size(); ++i) {
    const double x = a[i];
    const double y = b[i];
    if (!std::isfinite(x) || !std::isfinite(y)) {
      if (s.nonFinite++ == 0) {
        s.maxAbs = std::numeric_limits<double>::infinity();
        s.maxAbsFrame = static_cast<int64_t>(i / static_cast<size_t>(channels));
        s.maxAbsChannel = static_cast<int>(i % static_cast<size_t>(channels));
      }
      continue;
    }
    const double d = x - y;
    sumDiff2 += d * d;
    sumRef2 += y * y;
    if (s.nonFinite == 0 && std::fabs(d) > s.maxAbs) {
      s.maxAbs = std::fabs(d);
      s.maxAbsFrame = static_cast<int64_t>(i / static_cast<size_t>(channels));
      s.maxAbsChannel = static_cast<int>(i % static_cast<size_t>(channels));
    }
  }
  const double n = a.empty() ? 1.0 : static_cast<double>(a.size());
  s.rmsDifference = std::sqrt(sumDiff2 / n);
  s.rmsReference = std::sqrt(sumRef2 / n);
  return s;
}

std::string dBText(double linear) {
  if (!(linear >= 1e-30)) return "-inf";
  if (std::isinf(linear)) return "+inf";
  return params::fixedText(20.0 * std::log10(linear), 1);
}

int64_t bestLag(const std::vector<float>& a, const std::vector<float>& b, int channels,
                int64_t maxLag, int64_t window) {
  if (channels < 1 || a.size() != b.size()) {
    throw std::invalid_argument("bestLag needs two signals of the same shape");
  }
  const int64_t frames = static_cast<int64_t>(a.size()) / channels;
  int64_t loudest = 0;
  float peak = -1.0f;
  for (size_t i = 0; i < b.size(); ++i) {
    if (std::fabs(b[i]) > peak) {
      peak = std::fabs(b[i]);
      loudest = static_cast<int64_t>(i) / channels;
    }
  }
  // The window and every lag stay inside both signals.
  const int64_t first = std::max(maxLag, loudest - window / 2);
  const int64_t last = std::min(frames - maxLag, first + window);
  int64_t best = 0;
  double bestError = std::numeric_limits<double>::infinity();
  for (int64_t lag = -maxLag; lag <= maxLag; ++lag) {
    double error = 0.0;
    for (int64_t t = first; t < last; ++t) {
      for (int c = 0; c < channels; ++c) {
        const double d = static_cast<double>(a[t * channels + c]) - b[(t - lag) * channels + c];
        error += d * d;
      }
    }
    if (error < bestError) {
      bestError = error;
      best = lag;
    }
  }
  return best;
}

DiffStats compareShifted(const std::vector<float>& a, const std::vector<float>& b, int channels,
                         int64_t lag) {
  if (channels < 1 || a.size() != b.size()) {
    throw std::invalid_argument("compareShifted needs two signals of the same shape");
  }
  const int64_t frames = static_cast<int64_t>(a.size()) / channels;
  const int64_t from = std::max<int64_t>(0, lag);  // a[t] with b[t - lag]
  const int64_t to = std::min<int64_t>(frames, frames + lag);
  if (to <= from) return compareSignals({}, {}, channels);
  const std::vector<float> part(a.begin() + from * channels, a.begin() + to * channels);
  const std::vector<float> ref(b.begin() + (from - lag) * channels,
                               b.begin() + (to - lag) * channels);
  return compareSignals(part, ref, channels);
}

bool withinTolerance(const DiffStats& stats, const Tolerance& tolerance) {
  return stats.nonFinite == 0 && stats.maxAbs <= tolerance.maxAbs &&
         stats.rmsDifference <= tolerance.rms;
}

}  // namespace tarvo::ardour
