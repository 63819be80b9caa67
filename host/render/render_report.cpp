#include "render/render_report.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cmath>
#include <cstdio>

#include "params/factory_presets.h"
#include "params/number_text.h"
#include "params/param_table.h"

namespace tarvo::render {

namespace {

bool stderrIsTerminal() {
#if defined(_WIN32)
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(2) != 0;
#endif
}

// Decibels of a linear level; minus infinity for silence.
double decibels(double linear) {
  return linear > 0.0 ? 20.0 * std::log10(linear) : -HUGE_VAL;
}

std::string dB(double linear) {
  if (!(linear > 0.0)) return "-inf";
  return params::fixedText(decibels(linear), 1);
}

std::string containerName(int format) {
  switch (format & format_code::kSubMask) {
    case format_code::kVorbis:
      return "Ogg Vorbis";
    case format_code::kOpus:
      return "Opus";
    case format_code::kMpegLayer3:
      return "MP3";
    default:
      return "lossy";
  }
}

}  // namespace

ProgressBar::ProgressBar(int64_t total)
    : total_(total), enabled_(stderrIsTerminal() && total > 0) {}

void ProgressBar::operator()(int64_t done) {
  if (!enabled_) return;
  const int percent = static_cast<int>(100 * std::min(done, total_) / total_);
  if (percent == shown_) return;
  shown_ = percent;
  const int width = 40;
  const int filled = percent * width / 100;
  std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
               std::string(width - filled, '.').c_str(), percent);
  std::fflush(stderr);
}

void ProgressBar::finish() {
  if (enabled_ && shown_ >= 0) std::fprintf(stderr, "\r%60s\r", "");
  shown_ = -1;
}

std::string summaryText(const RenderStats& s) {
  std::string line = "Rendered " + params::fixedText(s.seconds, 2) + " s: in peak " + dB(s.inPeak) +
                     " dBFS, RMS " + dB(s.inRms) + " dBFS; out peak " + dB(s.outPeak) +
                     " dBFS, RMS " + dB(s.outRms) + " dBFS";
  if (s.metersAvailable) {
    line += "; gain reduction up to " + params::fixedText(-20.0 * std::log10(s.minGain), 1) +
            " dB, gain increase up to " + params::fixedText(20.0 * std::log10(s.maxGain), 1) +
            " dB";
  }
  if (s.wallSeconds > 0.0) {
    line += "; " + params::fixedText(s.seconds / s.wallSeconds, 0) + "x real time";
  }
  line += "\n";
  if (s.inLoudness && s.outLoudness) {
    const auto figures = [](const Loudness& l) {
      const auto lu = [](double x) { return std::isfinite(x) ? params::fixedText(x, 1) : "-inf"; };
      std::string tp = lu(l.truePeakDbtp);
      if (std::isfinite(l.truePeakDbtp) && l.truePeakDbtp >= 0.0) tp = "+" + tp;
      return lu(l.integratedLufs) + " LUFS, range " + params::fixedText(l.rangeLu, 1) +
             " LU, true peak " + tp + " dBTP";
    };
    line += "Loudness: in " + figures(*s.inLoudness) + "; out " + figures(*s.outLoudness) + "\n";
  }
  return line;
}

namespace {

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      static const char* const hex = "0123456789abcdef";
      out += "\\u00";
      out += hex[u >> 4];
      out += hex[u & 15];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// A number with `decimals` decimals; null for an infinity or NaN.
std::string jsonNumber(double x, int decimals) {
  return std::isfinite(x) ? params::fixedText(x, decimals) : "null";
}

std::string jsonLevels(double peak, double rms, const std::optional<Loudness>& l) {
  std::string out = "{\"peak_dbfs\":" + jsonNumber(decibels(peak), 2) +
                    ",\"rms_dbfs\":" + jsonNumber(decibels(rms), 2);
  if (l) {
    out += ",\"integrated_lufs\":" + jsonNumber(l->integratedLufs, 2) +
           ",\"loudness_range_lu\":" + jsonNumber(l->rangeLu, 2) +
           ",\"true_peak_dbtp\":" + jsonNumber(l->truePeakDbtp, 2);
  }
  return out + "}";
}

}  // namespace

std::string summaryJson(const RenderStats& s, const RenderFacts& f) {
  std::string out = "{\"input\":" + (f.input.empty() ? std::string("null") : jsonString(f.input));
  out += ",\"output\":" + jsonString(f.output);
  out += ",\"input_format\":" + jsonString(f.inFormat.describe());
  out += ",\"output_format\":" + jsonString(f.outFormat.describe());
  out += ",\"sample_rate\":" + std::to_string(f.inFormat.sampleRate);
  out += ",\"channels\":" + std::to_string(f.inFormat.channels);
  out += ",\"frames\":" + std::to_string(s.frames);
  out += ",\"seconds\":" + jsonNumber(s.seconds, 6);
  out += ",\"in\":" + jsonLevels(s.inPeak, s.inRms, s.inLoudness);
  out += ",\"out\":" + jsonLevels(s.outPeak, s.outRms, s.outLoudness);
  if (s.metersAvailable) {
    out += ",\"gain_reduction_max_db\":" + jsonNumber(-20.0 * std::log10(s.minGain), 2);
    out += ",\"gain_increase_max_db\":" + jsonNumber(20.0 * std::log10(s.maxGain), 2);
  }
  out += ",\"samples_over_full_scale\":" + std::to_string(s.overFullScale);
  out += ",\"clipped\":" +
         std::string(s.overFullScale > 0 && f.outFormat.isInteger() ? "true" : "false");
  out += ",\"truncated_input\":" + std::string(f.truncatedInput ? "true" : "false");
  out += ",\"speed_x_real_time\":" +
         jsonNumber(s.wallSeconds > 0 ? s.seconds / s.wallSeconds : 0.0, 0);
  return out + "}";
}

std::string clippingMessage(const RenderStats& s, const AudioFormat& format) {
  if (s.overFullScale == 0) return "";
  const std::string count = std::to_string(s.overFullScale);
  switch (format.sndfileFormat & format_code::kSubMask) {
    case format_code::kFloat:
    case format_code::kDouble:
      return "note: the output peaks at +" + dB(s.outPeak) +
             " dBFS; the floating-point file keeps it unclipped";
    case format_code::kVorbis:
    case format_code::kOpus:
    case format_code::kMpegLayer3:
      return "warning: " + count + " output samples are above full scale (by up to " +
             dB(s.outPeak) + " dB); the " + containerName(format.sndfileFormat) +
             " file may keep them, but players will clip them: lower \"Output Gain\"";
    default:
      return "warning: " + count +
             " output samples above full scale were clipped in the integer file (by up to " +
             dB(s.outPeak) +
             " dB); lower \"Output Gain\" or write floating point with --format wavf";
  }
}

std::string unchangedSoundNote(const RenderSettings& settings) {
  using namespace params;
  float v[kNumParams];
  for (int i = 0; i < kNumParams; ++i) v[i] = factoryPresets[settings.program.value_or(0)][i];
  for (const auto& [index, value] : settings.values) v[index] = value;
  // At 1:1 the static curve is 1 at every level, so neither threshold, knee, linearity,
  // attack, release nor auto-gain changes anything; only the gains, the balance and the
  // 20 Hz input filter act on the audio itself.
  const bool unity = targetValue(kRatio, v[kRatio]) == 1.0f;
  const bool flat = std::fabs(displayValue(kInputGain, v[kInputGain])) < 0.05f &&
                    std::fabs(displayValue(kOutputGain, v[kOutputGain])) < 0.05f &&
                    std::fabs(displayValue(kBalance, v[kBalance])) < 0.5f &&
                    !(v[kInputFilter] > 0.5f);
  if (!unity || !flat) return "";
  return "note: with Ratio at 1:1 and no gain, balance or input filter, these settings leave "
         "the sound unchanged; set a ratio too, e.g. --set Ratio=4:1";
}

}  // namespace tarvo::render
