// The soak: hours of 48 kHz stereo program material through the built binary as fast as
// it goes, with random automation of all 25 parameters and a program change every few
// seconds. Automation comes in gestures, as from a host's automation lanes: about every two
// seconds one parameter either jumps or is swept over a fraction of a second (a new value
// at every block of the sweep). --dense instead changes one to three parameters at every
// block, which keeps the parameter glide running all the time (the slowest path). Reports the
// throughput, the largest output sample, how many output samples were NaN or infinite (must be
// none) and the resident memory after a warm-up and at the end (must not grow). Then a denormal
// check: a slowly decaying input into silence against program material, in ns per frame.
//
//   tarvo_soak [--hours H] [--time-box SECONDS] [--rate HZ] [--seed N] [--dense] [PLUGIN]
//
// --time-box stops the run early after that many seconds of wall time (the figures cover
// what was processed). Exit status 1 when an output sample was not finite or memory grew.
#include <time.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "vsthost/vst_host.h"

namespace {

using namespace tarvo;
using host::PluginInstance;
using host::PluginLibrary;

double seconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

// A field of /proc/self/status in KiB ("VmRSS:", "VmHWM:").
long statusKiB(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string word;
  long value = -1;
  while (status >> word) {
    if (word == key) {
      status >> value;
      break;
    }
    status.ignore(1 << 12, '\n');
  }
  return value;
}

// A minute of program material, looped by the soak: bass, chords and noise bursts four
// times a second at changing levels, a few seconds of silence, loud transients, and a
// slow decay into silence.
struct Material {
  std::vector<float> left, right;
  Material(double rate, unsigned seed) {
    const int frames = static_cast<int>(60 * rate);
    left.resize(frames);
    right.resize(frames);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> uni(-1.0f, 1.0f);
    const int beat = static_cast<int>(rate / 4);
    for (int i = 0; i < frames; ++i) {
      const double t = i / rate;
      const int section = static_cast<int>(t / 5.0);  // twelve 5 s sections
      double level = 0.05 + 0.08 * (section % 7);
      if (section == 3) level = 0.0;                                // silence
      if (section == 8) level = 0.9 * std::exp(-(t - 40.0) / 1.5);  // decay into silence
      const double tone = 0.4 * std::sin(6.283185307179586 * 55.0 * t) +
                          0.2 * std::sin(6.283185307179586 * 440.0 * t) +
                          0.1 * std::sin(6.283185307179586 * 659.3 * t);
      const double burst = std::exp(-(i % beat) / (0.03 * rate));
      const double transient = section == 10 && i % beat < 64 ? 1.0 : 0.0;
      left[i] = static_cast<float>(level * (tone + burst * uni(rng)) + transient * uni(rng));
      right[i] = static_cast<float>(level * (0.8 * tone + burst * uni(rng)) + transient * uni(rng));
    }
  }
};

struct Totals {
  long long frames = 0;
  long long nonFinite = 0;
  float largest = 0.0f;
};

// Branch-free so the check costs little next to the plug-in: a NaN fails `<= FLT_MAX`.
void account(Totals& t, const float* l, const float* r, int n) {
  float largest = t.largest;
  long long nonFinite = 0;
  for (int i = 0; i < n; ++i) {
    const float a = std::fabs(l[i]);
    const float b = std::fabs(r[i]);
    const bool finite = a <= FLT_MAX && b <= FLT_MAX;
    nonFinite += finite ? 0 : 1;
    largest = std::max(largest, finite ? std::max(a, b) : 0.0f);
  }
  t.largest = largest;
  t.nonFinite += nonFinite;
  t.frames += n;
}

// One parameter on the move: from `from` to `to` over `blocks` block boundaries.
struct Sweep {
  int index = -1;
  float from = 0.0f, to = 0.0f;
  int blocks = 0, done = 0;
};

// CPU ns per frame of `frames` frames of `l`/`r` through a fresh instance (no automation).
double nsPerFrame(const PluginLibrary& library, float rate, const std::vector<float>& l,
                  const std::vector<float>& r) {
  PluginInstance p(library);
  p.dispatch(vst::effSetSampleRate, 0, 0, nullptr, rate);
  p.dispatch(vst::effMainsChanged, 0, 1);
  constexpr int kBlock = 512;
  std::vector<float> outL(kBlock), outR(kBlock);
  const double start = seconds(CLOCK_PROCESS_CPUTIME_ID);
  for (size_t pos = 0; pos + kBlock <= l.size(); pos += kBlock) {
    float* in[2] = {const_cast<float*>(l.data() + pos), const_cast<float*>(r.data() + pos)};
    float* out[2] = {outL.data(), outR.data()};
    p.processReplacing(in, out, kBlock);
  }
  return 1e9 * (seconds(CLOCK_PROCESS_CPUTIME_ID) - start) / double(l.size());
}

}  // namespace

int main(int argc, char** argv) {
  double hours = 10.0;
  double timeBox = 0.0;
  float rate = 48000.0f;
  unsigned seed = 20240607u;
  bool dense = false;
  std::string path = TARVO_PLUGIN_PATH;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--hours" && i + 1 < argc) {
      hours = std::atof(argv[++i]);
    } else if (a == "--time-box" && i + 1 < argc) {
      timeBox = std::atof(argv[++i]);
    } else if (a == "--rate" && i + 1 < argc) {
      rate = static_cast<float>(std::atof(argv[++i]));
    } else if (a == "--dense") {
      dense = true;
    } else if (a == "--seed" && i + 1 < argc) {
      seed = static_cast<unsigned>(std::atol(argv[++i]));
    } else if (a == "--help" || a == "-h") {
      std::printf(
          "usage: %s [--hours H] [--time-box SECONDS] [--rate HZ] [--seed N] [--dense] [PLUGIN]\n",
          argv[0]);
      return 0;
    } else {
      path = a;
    }
  }

  PluginLibrary library(path);
  const Material material(rate, seed);
  const size_t loop = material.left.size();
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  constexpr int kMinBlock = 32, kMaxBlock = 1024;
  constexpr double kMeanBlock = (kMinBlock + kMaxBlock) / 2.0;
  std::uniform_int_distribution<int> blockSize(kMinBlock, kMaxBlock);

  PluginInstance p(library);
  p.dispatch(vst::effSetSampleRate, 0, 0, nullptr, rate);
  p.dispatch(vst::effSetBlockSize, 0, kMaxBlock);
  p.dispatch(vst::effMainsChanged, 0, 1);

  const long long target = static_cast<long long>(hours * 3600.0 * rate);
  const long long warmUp = static_cast<long long>(10.0 * rate);
  std::vector<float> outL(kMaxBlock), outR(kMaxBlock);
  Totals totals;
  long rssAfterWarmUp = -1;
  long long nextProgramChange = 0;
  long long nextGesture = 0;
  long long automationWrites = 0;
  Sweep sweep;
  int programChanges = 0;
  size_t pos = 0;
  const double wallStart = seconds(CLOCK_MONOTONIC);
  const double cpuStart = seconds(CLOCK_PROCESS_CPUTIME_ID);
  while (totals.frames < target) {
    const int n = static_cast<int>(
        std::min<long long>({blockSize(rng), target - totals.frames, (long long)(loop - pos)}));
    // Automation at the block boundary.
    if (dense) {
      const int changes = 1 + static_cast<int>(rng() % 3);
      for (int c = 0; c < changes; ++c) p.setParameter(static_cast<int>(rng() % 25), unit(rng));
      ++automationWrites;
    } else {
      if (totals.frames >= nextGesture) {
        const int index = static_cast<int>(rng() % 25);
        if (rng() % 2 == 0) {
          p.setParameter(index, unit(rng));  // a jump
          ++automationWrites;
        } else {
          // A sweep over 0.2 .. 1 s from where the parameter stands now.
          const double seconds = 0.2 + 0.8 * unit(rng);
          sweep = {index, p.getParameter(index), unit(rng),
                   std::max(1, static_cast<int>(seconds * rate / kMeanBlock)), 0};
        }
        nextGesture = totals.frames + static_cast<long long>((1.0 + 2.0 * unit(rng)) * rate);
      }
      if (sweep.index >= 0) {
        ++sweep.done;
        const float f = float(sweep.done) / float(sweep.blocks);
        p.setParameter(sweep.index, sweep.from + (sweep.to - sweep.from) * f);
        ++automationWrites;
        if (sweep.done >= sweep.blocks) sweep.index = -1;
      }
    }
    if (totals.frames >= nextProgramChange) {
      p.dispatch(vst::effSetProgram, 0, static_cast<vst::VstIntPtr>(rng() % 25));
      nextProgramChange = totals.frames + static_cast<long long>((2.0 + 4.0 * unit(rng)) * rate);
      ++programChanges;
    }
    float* in[2] = {const_cast<float*>(material.left.data() + pos),
                    const_cast<float*>(material.right.data() + pos)};
    float* out[2] = {outL.data(), outR.data()};
    p.processReplacing(in, out, n);
    account(totals, outL.data(), outR.data(), n);
    pos = (pos + n) % loop;
    if (rssAfterWarmUp < 0 && totals.frames >= warmUp) rssAfterWarmUp = statusKiB("VmRSS:");
    if (timeBox > 0.0 && (totals.frames & 0xFFFF) < 1024 &&
        seconds(CLOCK_MONOTONIC) - wallStart > timeBox) {
      break;
    }
  }
  const double cpu = seconds(CLOCK_PROCESS_CPUTIME_ID) - cpuStart;
  const double wall = seconds(CLOCK_MONOTONIC) - wallStart;
  const long rssEnd = statusKiB("VmRSS:");
  if (rssAfterWarmUp < 0) rssAfterWarmUp = rssEnd;
  const double audioSeconds = double(totals.frames) / rate;

  std::printf(
      "soak: %.2f h of %.0f Hz stereo audio (%lld frames), %d program changes, %lld "
      "automated block boundaries (%s automation)\n",
      audioSeconds / 3600.0, rate, totals.frames, programChanges, automationWrites,
      dense ? "dense" : "gesture");
  std::printf(
      "soak: %.1f s wall, %.1f s CPU in the plug-in and host loop: %.1f ns per frame, "
      "%.0f x real time\n",
      wall, cpu, 1e9 * cpu / double(totals.frames), audioSeconds / cpu);
  std::printf("soak: largest output sample %.4g (%.2f dBFS); non-finite output samples %lld\n",
              totals.largest, 20.0 * std::log10(std::max(totals.largest, 1e-30f)),
              totals.nonFinite);
  std::printf(
      "soak: resident memory %ld KiB after 10 s warm-up, %ld KiB at the end "
      "(peak %ld KiB)\n",
      rssAfterWarmUp, rssEnd, statusKiB("VmHWM:"));

  // Denormal check: 20 s of a slow decay into silence against 20 s of program material.
  const int frames = static_cast<int>(20 * rate);
  std::vector<float> decayL(frames), decayR(frames);
  for (int i = 0; i < frames; ++i) {
    const double t = i / rate;
    const float v =
        static_cast<float>(0.5 * std::exp(-t / 0.8) * std::sin(6.283185307179586 * 220.0 * t));
    decayL[i] = v;
    decayR[i] = -v;
  }
  const std::vector<float> progL(material.left.begin(), material.left.begin() + frames);
  const std::vector<float> progR(material.right.begin(), material.right.begin() + frames);
  const double nsProgram = nsPerFrame(library, rate, progL, progR);
  const double nsDecay = nsPerFrame(library, rate, decayL, decayR);
  std::printf(
      "denormal check: decay into silence %.1f ns per frame, program material %.1f ns "
      "per frame (ratio %.2f)\n",
      nsDecay, nsProgram, nsDecay / nsProgram);

  bool ok = true;
  if (totals.nonFinite != 0) {
    std::fprintf(stderr, "soak: FAILED: %lld output samples were not finite\n", totals.nonFinite);
    ok = false;
  }
  // Nothing is allocated while processing: the resident size may move by a few pages only.
  if (rssEnd - rssAfterWarmUp > 2048) {
    std::fprintf(stderr, "soak: FAILED: resident memory grew by %ld KiB\n",
                 rssEnd - rssAfterWarmUp);
    ok = false;
  }
  return ok ? 0 : 1;
}
