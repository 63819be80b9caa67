// tarvo-render-diff: the test tool that compares renders made by different builds.
//
//   tarvo-render-diff signal OUT.wav [--seconds S] [--rate HZ] [--as-rate HZ]
//       writes the renderer's drum-and-bass demo (S seconds at HZ) as a 32-bit float WAV
//       file; --as-rate labels the same samples with another sample rate.
//   tarvo-render-diff diff A.wav B.wav [--max-abs X] [--max-rms-db D] [--ignore-rate]
//                                      [--label TEXT]
//       compares two renders sample by sample and prints the largest and the RMS
//       difference; exits 0 when both are within the tolerance, 1 when not (or when the
//       files differ in length, channels or rate), 2 on a usage or read error.
//
// The default tolerance allows for the plug-in's dither noise: one value in [-3e-8, 3e-8)
// per sample pair, seeded from the clock, so two renders never match bit for bit. Through
// the detector the noise can move a gain change by a fraction of a sample at a steep
// transient: two renders of the drum loop with the same settings differ by up to 5e-6
// there (output peaking at +6 dBFS), with an RMS difference near -138 dBFS. The limits sit
// ten times (18 dB) above that; a parameter half a decibel off or a wrong sample rate
// differs by 3e-3 to 1e-2 (RMS -50 to -65 dBFS), far outside them
// (tests/host/render_compare_test.sh shows both).
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/audio_diff.h"
#include "params/number_text.h"
#include "render/demo_signal.h"
#include "render/wav_file.h"

namespace {

using namespace tarvo;
using render::wav::SampleType;
using render::wav::WavFormat;
using render::wav::WavReader;
using render::wav::WavWriter;

constexpr double kDefaultMaxAbs = 5e-5;  // -86 dBFS
constexpr double kDefaultMaxRmsDb = -120.0;

struct Usage : std::runtime_error {
  using std::runtime_error::runtime_error;
};

double number(const std::string& text, const std::string& option) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0') throw Usage(option + " takes a number, not '" + text + "'");
  return v;
}

std::string db(double linear) {
  const double v = test::dbfs(linear);
  return std::isinf(v) ? "-inf" : params::fixedText(v, 1);
}

std::string sci(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3g", v);
  return text;
}

int writeSignal(const std::vector<std::string>& args) {
  if (args.empty()) throw Usage("signal needs an output file");
  double seconds = 10.0;
  int rate = 44100, asRate = 0;
  for (size_t i = 1; i < args.size(); ++i) {
    if (i + 1 >= args.size()) throw Usage(args[i] + " needs a value");
    if (args[i] == "--seconds") {
      seconds = number(args[++i], "--seconds");
    } else if (args[i] == "--rate") {
      rate = static_cast<int>(number(args[++i], "--rate"));
    } else if (args[i] == "--as-rate") {
      asRate = static_cast<int>(number(args[++i], "--as-rate"));
    } else {
      throw Usage("unknown option " + args[i]);
    }
  }
  if (rate < 8000 || seconds <= 0.0) throw Usage("--rate of 8000 Hz or more and --seconds above 0");
  const render::StereoSignal demo = render::makeDemoSignal(rate);
  const int64_t frames = std::min<int64_t>(demo.frames(), int64_t(seconds * rate));
  WavWriter writer(args[0], WavFormat{SampleType::Float32, 2, asRate > 0 ? asRate : rate});
  writer.write(demo.interleaved.data(), frames);
  writer.finish();
  std::printf("wrote %s: %lld frames, stereo float\n", args[0].c_str(),
              static_cast<long long>(frames));
  return 0;
}

std::vector<float> readAll(WavReader& reader) {
  std::vector<float> out(static_cast<size_t>(reader.frames()) * reader.format().channels);
  int64_t done = 0;
  while (done < reader.frames()) {
    const int64_t n = reader.read(out.data() + done * reader.format().channels, 65536);
    if (n == 0) break;
    done += n;
  }
  return out;
}

int compareFiles(const std::vector<std::string>& args) {
  if (args.size() < 2) throw Usage("diff needs two files");
  double maxAbs = kDefaultMaxAbs, maxRmsDb = kDefaultMaxRmsDb;
  bool ignoreRate = false;
  std::string label = args[0] + " vs " + args[1];
  for (size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--ignore-rate") {
      ignoreRate = true;
      continue;
    }
    if (i + 1 >= args.size()) throw Usage(args[i] + " needs a value");
    if (args[i] == "--max-abs") {
      maxAbs = number(args[++i], "--max-abs");
    } else if (args[i] == "--max-rms-db") {
      maxRmsDb = number(args[++i], "--max-rms-db");
    } else if (args[i] == "--label") {
      label = args[++i];
    } else {
      throw Usage("unknown option " + args[i]);
    }
  }
  WavReader a(args[0]);
  WavReader b(args[1]);
  const WavFormat& fa = a.format();
  const WavFormat& fb = b.format();
  if (fa.channels != fb.channels || a.frames() != b.frames() ||
      (!ignoreRate && fa.sampleRate != fb.sampleRate)) {
    std::printf(
        "%s: DIFFERENT SHAPE: %lld frames x %d ch at %d Hz vs %lld frames x %d ch at %d Hz\n",
        label.c_str(), static_cast<long long>(a.frames()), fa.channels, fa.sampleRate,
        static_cast<long long>(b.frames()), fb.channels, fb.sampleRate);
    return 1;
  }
  const test::AudioDiff d = test::compareAudio(readAll(a), readAll(b), fa.channels);
  const bool ok = d.maxAbs <= maxAbs && test::dbfs(d.rms) <= maxRmsDb;
  std::printf(
      "%s: %lld frames x %d ch; max |diff| %s (%s dBFS) at frame %lld ch %d; RMS diff %s dBFS "
      "(signal RMS %s dBFS); %s (tolerance: max %s, RMS %s dB)\n",
      label.c_str(), static_cast<long long>(a.frames()), fa.channels, sci(d.maxAbs).c_str(),
      db(d.maxAbs).c_str(), static_cast<long long>(d.maxFrame), d.maxChannel, db(d.rms).c_str(),
      db(d.referenceRms).c_str(), ok ? "WITHIN TOLERANCE" : "OUTSIDE TOLERANCE",
      sci(maxAbs).c_str(), params::fixedText(maxRmsDb, 1).c_str());
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (!args.empty() && args[0] == "signal") return writeSignal({args.begin() + 1, args.end()});
    if (!args.empty() && args[0] == "diff") return compareFiles({args.begin() + 1, args.end()});
    throw Usage(
        "usage: tarvo-render-diff signal OUT.wav [--seconds S] [--rate HZ] [--as-rate HZ]\n"
        "       tarvo-render-diff diff A.wav B.wav [--max-abs X] [--max-rms-db D] "
        "[--ignore-rate] [--label TEXT]");
  } catch (const Usage& e) {
    std::fprintf(stderr, "tarvo-render-diff: %s\n", e.what());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarvo-render-diff: %s\n", e.what());
    return 2;
  }
}
