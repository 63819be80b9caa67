#include "compare/audio_diff.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "params/number_text.h"

namespace tarvo::compare {

Difference difference(const std::vector<float>& reference, const std::vector<float>& candidate,
                      int channels) {
  if (channels < 1) throw std::invalid_argument("a signal needs at least one channel");
  if (reference.size() != candidate.size()) {
    throw std::invalid_argument(
        "the signals differ in length: " + std::to_string(reference.size()) + " and " +
        std::to_string(candidate.size()) + " samples");
  }
  const auto perFrame = static_cast<size_t>(channels);
  if (reference.size() % perFrame != 0) {
    throw std::invalid_argument("the sample count is not a whole number of frames");
  }
  Difference d;
  d.channels = channels;
  d.frames = static_cast<int64_t>(reference.size() / perFrame);
  // Sums in double: 10^6 squared differences near 1e-14 each lose nothing that matters.
  double squares = 0.0;
  double referenceSquares = 0.0;
  for (size_t i = 0; i < reference.size(); ++i) {
    const double r = reference[i];
    const double c = candidate[i];
    const bool finite = std::isfinite(r) && std::isfinite(c);
    const double diff = finite ? std::fabs(c - r) : std::numeric_limits<double>::infinity();
    if (!finite) ++d.nonFinite;
    if (diff > d.maxAbs) {
      d.maxAbs = diff;
      d.maxFrame = static_cast<int64_t>(i / perFrame);
      d.maxChannel = static_cast<int>(i % perFrame);
    }
    if (finite) {
      squares += diff * diff;
      referenceSquares += r * r;
    }
  }
  const double n = reference.empty() ? 1.0 : static_cast<double>(reference.size());
  d.rms = std::sqrt(squares / n);
  d.referenceRms = std::sqrt(referenceSquares / n);
  return d;
}

bool within(const Difference& d, const Limits& limits) {
  // In decibels, as the limits are given; no difference at all is -inf dB, within any limit.
  return d.nonFinite == 0 && 20.0 * std::log10(d.maxAbs) <= limits.maxDb &&
         20.0 * std::log10(d.rms) <= limits.rmsDb;
}

std::string dbText(double linear) {
  if (!(linear >= 1e-30)) return "-inf";
  if (std::isinf(linear)) return "+inf";
  return params::fixedText(20.0 * std::log10(linear), 1);
}

int64_t bestLag(const std::vector<float>& reference, const std::vector<float>& candidate,
                int channels, int64_t maxLag, int64_t window) {
  if (channels < 1 || reference.size() != candidate.size()) {
    throw std::invalid_argument("bestLag needs two signals of the same shape");
  }
  const int64_t frames = static_cast<int64_t>(reference.size()) / channels;
  int64_t loudest = 0;
  float peak = -1.0f;
  for (size_t i = 0; i < reference.size(); ++i) {
    if (std::fabs(reference[i]) > peak) {
      peak = std::fabs(reference[i]);
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
        const double d =
            static_cast<double>(candidate[t * channels + c]) - reference[(t - lag) * channels + c];
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

Difference differenceAtLag(const std::vector<float>& reference, const std::vector<float>& candidate,
                           int channels, int64_t lag) {
  if (channels < 1 || reference.size() != candidate.size()) {
    throw std::invalid_argument("differenceAtLag needs two signals of the same shape");
  }
  const int64_t frames = static_cast<int64_t>(reference.size()) / channels;
  const int64_t from = std::max<int64_t>(0, lag);  // candidate[t] with reference[t - lag]
  const int64_t to = std::min<int64_t>(frames, frames + lag);
  if (to <= from) return difference({}, {}, channels);
  const std::vector<float> ref(reference.begin() + (from - lag) * channels,
                               reference.begin() + (to - lag) * channels);
  const std::vector<float> part(candidate.begin() + from * channels,
                                candidate.begin() + to * channels);
  return difference(ref, part, channels);
}

}  // namespace tarvo::compare
