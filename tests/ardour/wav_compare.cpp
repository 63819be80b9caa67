// tarvo-wav-compare: the audio side of the Ardour check.
//   signal OUT.wav [--rate HZ]   writes the 10-second drum-and-bass test signal (the same
//                                synthetic loop as tarvo-render's demo, unprocessed) as a
//                                32-bit float stereo WAV
//   compare TEST REF --max-abs-db DB --max-rms-db DB [--diagnose-shift FRAMES]
//                                compares TEST sample by sample with the reference REF at
//                                zero offset: exit 0 within the limits, 1 outside them,
//                                2 when the files cannot be compared (unreadable, another
//                                rate, channel count or length). With --diagnose-shift, a
//                                file outside the limits that is the reference moved in
//                                time by at most FRAMES, and otherwise within the limits,
//                                exits with 3 instead of 1: a host's time shift, not a
//                                processing difference. The comparison itself never moves
//                                anything.
// Files are read through libsndfile; nothing is shifted, trimmed or scaled, so a delay, a
// gain or a missing plug-in in the host's chain shows up as a difference.
#include <sndfile.h>

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <locale>
#include <stdexcept>
#include <string>
#include <vector>

#include "ardour/audio_diff.h"
#include "render/demo_signal.h"

namespace {

using namespace tarvo;

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
    return std::to_string(channels) + " ch, " + std::to_string(sampleRate) + " Hz, " +
           (sub.name ? sub.name : "?");
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

int writeSignal(const std::string& path, int rate) {
  const render::StereoSignal signal = render::makeDemoSignal(rate);
  SF_INFO info{};
  info.channels = 2;
  info.samplerate = rate;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) {
    throw std::runtime_error("cannot write '" + path + "': " + sf_strerror(nullptr));
  }
  const sf_count_t written = sf_writef_float(file, signal.interleaved.data(), signal.frames());
  if (sf_close(file) != 0 || written != signal.frames()) {
    throw std::runtime_error("writing '" + path + "' failed");
  }
  std::cout << "test signal: " << path << ", " << signal.frames() << " frames, 2 channels, " << rate
            << " Hz, 32-bit float\n";
  return 0;
}

int compare(const std::string& testPath, const std::string& refPath, double maxAbsDb,
            double maxRmsDb, int64_t diagnoseShift) {
  const Loaded test = load(testPath);
  const Loaded ref = load(refPath);
  std::cout << "compare " << testPath << "\n   with " << refPath << "\n";
  if (test.sampleRate != ref.sampleRate || test.channels != ref.channels) {
    std::cout << "NOT COMPARABLE: " << test.describe() << " against " << ref.describe() << "\n";
    return 2;
  }
  if (test.frames() != ref.frames()) {
    std::cout << "NOT COMPARABLE: " << test.frames() << " frames against " << ref.frames()
              << " in the reference (" << (test.frames() - ref.frames()) << ")\n";
    return 2;
  }
  const ardour::DiffStats s = ardour::compareSignals(test.samples, ref.samples, test.channels);
  const ardour::Tolerance tolerance{std::pow(10.0, maxAbsDb / 20.0),
                                    std::pow(10.0, maxRmsDb / 20.0)};
  const bool ok = ardour::withinTolerance(s, tolerance);
  std::cout << "  " << s.frames << " frames x " << s.channels << " channels at " << test.sampleRate
            << " Hz (" << test.describe() << "), offset 0\n"
            << "  max abs difference " << s.maxAbs << " (" << ardour::dBText(s.maxAbs)
            << " dBFS) at frame " << s.maxAbsFrame << " channel " << s.maxAbsChannel << "\n"
            << "  RMS difference " << ardour::dBText(s.rmsDifference) << " dBFS (reference RMS "
            << ardour::dBText(s.rmsReference) << " dBFS)\n";
  if (s.nonFinite > 0) std::cout << "  " << s.nonFinite << " samples are NaN or infinite\n";
  std::cout << "  limits: max abs " << ardour::dBText(tolerance.maxAbs) << " dBFS, RMS "
            << ardour::dBText(tolerance.rms) << " dBFS -> " << (ok ? "WITHIN" : "OUTSIDE") << "\n";
  if (ok || diagnoseShift <= 0) return ok ? 0 : 1;
  // Diagnosis only: is the whole difference a shift in time?
  const int64_t lag =
      ardour::bestLag(test.samples, ref.samples, test.channels, diagnoseShift, 8192);
  if (lag != 0) {
    const ardour::DiffStats shifted =
        ardour::compareShifted(test.samples, ref.samples, test.channels, lag);
    if (ardour::withinTolerance(shifted, tolerance)) {
      std::cout << "  diagnosis: the file is the reference moved " << (lag < 0 ? -lag : lag)
                << " frames " << (lag < 0 ? "earlier" : "later") << " (max abs difference "
                << ardour::dBText(shifted.maxAbs) << " dBFS over the " << shifted.frames
                << " frames both cover): a time shift, not a processing difference\n";
      return 3;
    }
  }
  std::cout << "  diagnosis: no time shift within " << diagnoseShift
            << " frames explains the difference\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::cout.imbue(std::locale::classic());
  CLI::App app{"tarvo-wav-compare: test signal and sample-by-sample comparison"};
  app.require_subcommand(1);
  std::string out;
  int rate = 48000;
  CLI::App* signal = app.add_subcommand("signal", "write the stereo float test signal");
  signal->add_option("output", out, "WAV file to write")->required();
  signal->add_option("--rate", rate, "sample rate in Hz")->check(CLI::Range(8000, 192000));
  std::string testPath, refPath;
  double maxAbsDb = -110.0, maxRmsDb = -120.0;
  int64_t diagnoseShift = 0;
  CLI::App* cmp = app.add_subcommand("compare", "compare TEST with the reference REF");
  cmp->add_option("test", testPath, "file under test")->required();
  cmp->add_option("reference", refPath, "reference file")->required();
  cmp->add_option("--max-abs-db", maxAbsDb, "largest allowed |difference|, dBFS")
      ->capture_default_str();
  cmp->add_option("--max-rms-db", maxRmsDb, "largest allowed RMS of the difference, dBFS")
      ->capture_default_str();
  cmp->add_option("--diagnose-shift", diagnoseShift,
                  "when outside the limits, look for a time shift of up to this many frames "
                  "(exit 3 when one explains the difference)")
      ->check(CLI::Range(int64_t{0}, int64_t{4096}));
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }
  try {
    if (*signal) return writeSignal(out, rate);
    return compare(testPath, refPath, maxAbsDb, maxRmsDb, diagnoseShift);
  } catch (const std::exception& e) {
    std::cerr << "tarvo-wav-compare: " << e.what() << "\n";
    return 2;
  }
}
