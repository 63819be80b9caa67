// tarvo-audio-compare: the audio side of the Windows and the Ardour stages.
//   signal OUT.wav [--rate HZ] [--as-rate HZ]
//       writes the renderer's 10-second drum-and-bass demo loop, unprocessed, as a 32-bit
//       float stereo WAV made at HZ (44100); --as-rate labels the same samples with another
//       sample rate.
//   compare REFERENCE CANDIDATE [--max-db DB] [--rms-db DB] [--ignore-rate] [--label TEXT]
//                               [--diagnose-shift FRAMES]
//       compares CANDIDATE with REFERENCE sample by sample at offset 0. Exit 0 when every
//       sample is finite and the largest and the RMS difference lie within the limits (dBFS);
//       1 when not, or when the files differ in length, channel count or sample rate (unless
//       --ignore-rate); 2 on a usage or read error. With --diagnose-shift, a candidate outside
//       the limits that is the reference moved in time by at most FRAMES, and otherwise within
//       them, exits with 3 instead of 1: a host's time shift, not a processing difference.
// Files are read through libsndfile, not through the renderer's file layer, so the check
// shares no file code with what it checks; nothing is shifted, trimmed or scaled, so a delay,
// a gain or a missing plug-in in a host's chain shows up as a difference.
//
// The default limits allow for the plug-in's dither noise between two renders of the demo
// loop: one value in [-3e-8, 3e-8) per sample pair, seeded from the clock, so two renders
// never match bit for bit. Through the detector the noise can move a gain change by a
// fraction of a sample at a steep transient: two renders with the same settings differ by up
// to 5e-6 (-106 dBFS) there, output peaking at +6 dBFS, with an RMS difference near
// -138 dBFS. The limits sit 20 dB (largest, 5e-5) and 18 dB (RMS) above that; a parameter
// half a decibel off or a wrong sample rate differs by 3e-3 to 1e-2 (RMS -50 to -65 dBFS),
// far outside them (tolerance_test.sh shows both).
#include <sndfile.h>

#include <CLI/CLI.hpp>
#include <cstdint>
#include <iostream>
#include <locale>
#include <stdexcept>
#include <string>
#include <vector>

#include "compare/audio_diff.h"
#include "params/number_text.h"
#include "render/demo_signal.h"

namespace {

using namespace tarvo;

constexpr compare::Limits kRenderLimits{-86.02, -120.0};

// A whole sound file in memory, read as floats with full scale at 1.0.
struct Loaded {
  int channels = 0;
  int sampleRate = 0;
  int format = 0;              // libsndfile's container | sample type
  std::vector<float> samples;  // interleaved
  int64_t frames() const { return static_cast<int64_t>(samples.size()) / channels; }
  std::string describe() const {
    SF_FORMAT_INFO sub{};
    sub.format = format & SF_FORMAT_SUBMASK;
    sf_command(nullptr, SFC_GET_FORMAT_INFO, &sub, sizeof sub);
    return std::to_string(frames()) + " frames x " + std::to_string(channels) + " ch at " +
           std::to_string(sampleRate) + " Hz, " + (sub.name ? sub.name : "?");
  }
};

Loaded load(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    throw std::runtime_error("cannot read '" + path + "': " + sf_strerror(nullptr));
  }
  Loaded out;
  out.channels = info.channels;
  out.sampleRate = info.samplerate;
  out.format = info.format;
  out.samples.resize(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
  const sf_count_t got = sf_readf_float(file, out.samples.data(), info.frames);
  sf_close(file);
  if (got != info.frames) {
    throw std::runtime_error("'" + path + "' ended after " + std::to_string(got) + " of " +
                             std::to_string(info.frames) + " frames");
  }
  return out;
}

int writeSignal(const std::string& path, int rate, int asRate) {
  const render::StereoSignal signal = render::makeDemoSignal(rate);
  SF_INFO info{};
  info.channels = 2;
  info.samplerate = asRate > 0 ? asRate : rate;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) {
    throw std::runtime_error("cannot write '" + path + "': " + sf_strerror(nullptr));
  }
  const sf_count_t written = sf_writef_float(file, signal.interleaved.data(), signal.frames());
  if (sf_close(file) != 0 || written != signal.frames()) {
    throw std::runtime_error("writing '" + path + "' failed");
  }
  std::cout << "test signal: " << path << ", " << signal.frames() << " frames, 2 channels, "
            << info.samplerate << " Hz, 32-bit float\n";
  return 0;
}

struct CompareOptions {
  std::string referencePath, candidatePath, label = "comparison";
  compare::Limits limits = kRenderLimits;
  bool ignoreRate = false;
  int64_t diagnoseShift = 0;
};

int compareFiles(const CompareOptions& o) {
  const Loaded ref = load(o.referencePath);
  const Loaded cand = load(o.candidatePath);
  std::cout << o.label << "\n  reference " << o.referencePath << "\n  candidate " << o.candidatePath
            << "\n";
  if (ref.channels != cand.channels || ref.frames() != cand.frames() ||
      (!o.ignoreRate && ref.sampleRate != cand.sampleRate)) {
    std::cout << "  DIFFERENT SHAPE: " << ref.describe() << " against " << cand.describe()
              << " -> OUTSIDE\n";
    return 1;
  }
  const compare::Difference d = compare::difference(ref.samples, cand.samples, ref.channels);
  const bool ok = compare::within(d, o.limits);
  std::cout << "  " << cand.describe() << ", offset 0\n"
            << "  max |difference| " << compare::dbText(d.maxAbs) << " dBFS at frame " << d.maxFrame
            << " ch " << d.maxChannel << "; RMS difference " << compare::dbText(d.rms)
            << " dBFS (reference RMS " << compare::dbText(d.referenceRms) << " dBFS)\n";
  if (d.nonFinite > 0) std::cout << "  NaN or infinite samples: " << d.nonFinite << "\n";
  std::cout << "  limits: max " << params::generalText(o.limits.maxDb, 5) << " dBFS, RMS "
            << params::generalText(o.limits.rmsDb, 5) << " dBFS -> " << (ok ? "WITHIN" : "OUTSIDE")
            << "\n";
  if (ok || o.diagnoseShift <= 0) return ok ? 0 : 1;
  // Diagnosis only: is the whole difference a shift in time?
  const int64_t lag =
      compare::bestLag(ref.samples, cand.samples, ref.channels, o.diagnoseShift, 8192);
  if (lag != 0) {
    const compare::Difference shifted =
        compare::differenceAtLag(ref.samples, cand.samples, ref.channels, lag);
    if (compare::within(shifted, o.limits)) {
      std::cout << "  diagnosis: the candidate is the reference moved " << (lag < 0 ? -lag : lag)
                << " frames " << (lag < 0 ? "earlier" : "later") << " (max |difference| "
                << compare::dbText(shifted.maxAbs) << " dBFS over the " << shifted.frames
                << " frames both cover): a time shift, not a processing difference\n";
      return 3;
    }
  }
  std::cout << "  diagnosis: no time shift within " << o.diagnoseShift
            << " frames explains the difference\n";
  return 1;
}

int run(int argc, char** argv) {
  std::cout.imbue(std::locale::classic());
  CLI::App app{"tarvo-audio-compare: test signal and sample-by-sample comparison"};
  app.require_subcommand(1);
  std::string out;
  int rate = 44100, asRate = 0;
  CLI::App* signal = app.add_subcommand("signal", "write the stereo float test signal");
  signal->add_option("output", out, "WAV file to write")->required();
  signal->add_option("--rate", rate, "sample rate in Hz")->check(CLI::Range(8000, 192000));
  signal->add_option("--as-rate", asRate, "sample rate written in the file, when another")
      ->check(CLI::Range(8000, 192000));
  CompareOptions o;
  CLI::App* cmp = app.add_subcommand("compare", "compare CANDIDATE with REFERENCE");
  cmp->add_option("reference", o.referencePath, "reference file")->required();
  cmp->add_option("candidate", o.candidatePath, "file under test")->required();
  cmp->add_option("--max-db", o.limits.maxDb, "largest allowed |difference|, dBFS")
      ->capture_default_str();
  cmp->add_option("--rms-db", o.limits.rmsDb, "largest allowed RMS of the difference, dBFS")
      ->capture_default_str();
  cmp->add_flag("--ignore-rate", o.ignoreRate, "compare files of different sample rates");
  cmp->add_option("--label", o.label, "name of the comparison in the output");
  cmp->add_option("--diagnose-shift", o.diagnoseShift,
                  "when outside the limits, look for a time shift of up to this many frames "
                  "(exit 3 when one explains the difference)")
      ->check(CLI::Range(int64_t{0}, int64_t{4096}));
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }
  return *signal ? writeSignal(out, rate, asRate) : compareFiles(o);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "tarvo-audio-compare: " << e.what() << "\n";
  } catch (...) {
    std::cerr << "tarvo-audio-compare: unknown error\n";
  }
  return 2;
}
