// Tarvo next to a peer compressor (LSP Compressor Stereo) through one host, case by case:
// CPU ns per stereo frame of processReplacing in 512-frame blocks over a few seconds of
// program-like material, after one untimed warm-up pass, median of several rounds. Within
// each round the two plug-ins take turns and swap who goes first. The peer always runs at its
// own defaults; only Tarvo's program and parameters change between cases.
//
//   tarvo_peer_bench [--tarvo PATH] [--peer PATH | --tarvo-only] [--rounds N]
//                    [--seconds S] [--case TEXT] [--verbose]
//
// --case TEXT runs only the cases whose name contains TEXT (for profiling one of them).
//
// Both binaries are loaded by tarvo_vsthost's PluginLibrary and driven only through the
// AEffect record; host calls get tarvo_vsthost's default answers. Exit
// status 3 when the peer cannot be loaded, 1 when Tarvo cannot or does not take a setting.
#include <time.h>
#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "params/factory_presets.h"
#include "params/param_table.h"
#include "vsthost/vst_host.h"

namespace {

namespace vst = tarvo::vst;
namespace p = tarvo::params;

constexpr int kBlock = 512;

vst::VstIntPtr VSTCALL answerHost(vst::AEffect* e, int32_t opcode, int32_t index,
                                  vst::VstIntPtr value, void* ptr, float opt) {
  return tarvo::host::defaultHostAnswer(e, opcode, index, value, ptr, opt);
}

using tarvo::host::PluginLibrary;

vst::VstIntPtr call(vst::AEffect* e, int32_t op, int32_t index = 0, vst::VstIntPtr value = 0,
                    void* ptr = nullptr, float opt = 0.0f) {
  return e->dispatcher(e, op, index, value, ptr, opt);
}

std::string text(vst::AEffect* e, int32_t op, int32_t index) {
  char buffer[256] = {};
  call(e, op, index, 0, buffer);
  buffer[sizeof buffer - 1] = '\0';
  return buffer;
}

// Bass and chord tones under noise bursts four times a second that decay in 30 ms; a quiet
// first half and a loud second half; scaled so that the peak is -3 dBFS. Same for every run.
struct Material {
  std::vector<float> left, right;
  Material(double rate, double seconds, bool silent) {
    const size_t frames = size_t(seconds * rate) / kBlock * kBlock;
    left.assign(frames, 0.0f);
    right.assign(frames, 0.0f);
    if (silent) return;
    std::mt19937 rng(1234);
    std::uniform_real_distribution<double> uni(-1.0, 1.0);
    const size_t beat = size_t(rate / 4);
    const double w = 6.283185307179586;
    double peak = 0.0;
    for (size_t i = 0; i < frames; ++i) {
      const double t = double(i) / rate;
      const double level = i < frames / 2 ? 0.15 : 0.6;
      const double burst = std::exp(-double(i % beat) / (0.03 * rate));
      const double chord =
          std::sin(w * 220.0 * t) + std::sin(w * 277.18 * t) + std::sin(w * 329.63 * t);
      const double tone = 0.4 * std::sin(w * 55.0 * t) + 0.08 * chord;
      const double l = level * (tone + burst * uni(rng));
      const double r = level * (0.9 * tone + burst * uni(rng));
      left[i] = float(l);
      right[i] = float(r);
      peak = std::max({peak, std::fabs(l), std::fabs(r)});
    }
    const float gain = float(std::pow(10.0, -3.0 / 20.0) / peak);
    for (size_t i = 0; i < frames; ++i) {
      left[i] *= gain;
      right[i] *= gain;
    }
  }
};

struct Case {
  std::string name;
  int program = 13;  // "Mix Down"
  std::vector<std::pair<int, float>> params{};
  std::string expect{};  // display text of the first parameter once set
  float rate = 44100.0f;
  bool silent = false;
  bool glide = false;
};

// Normalized value of selector position k among n positions (the target is v * (n - 1)).
float selector(int k, int n) {
  return float(k) / float(n - 1);
}

std::vector<Case> cases() {
  std::vector<Case> list;
  for (int k = 0; k < p::kNumReleaseTypes; ++k) {
    list.push_back({std::string("Mix Down, ") + p::releaseTypeNames[k],
                    13,
                    {{p::kReleaseType, selector(k, p::kNumReleaseTypes)}},
                    p::releaseTypeNames[k]});
  }
  for (int k : {2, 1, 0}) {  // Off, Mix, Highest
    list.push_back({std::string("Mix Down, link ") + p::linkModeNames[k],
                    13,
                    {{p::kStereoLink, selector(k, p::kNumLinkModes)}},
                    p::linkModeNames[k]});
  }
  list.push_back({"Vocal, every filter on",
                  3,
                  {{p::kInputFilter, 1.0f}, {p::kDetFilter, 1.0f}, {p::kDetEq, 1.0f}},
                  "On"});
  Case glide{"Mix Down, glide Thr/Ratio", 13};
  glide.glide = true;
  list.push_back(glide);
  Case silence{"Mix Down, silence", 13};
  silence.silent = true;
  list.push_back(silence);
  list.push_back({"Mix Down, 44.1 kHz", 13});
  Case fast{"Mix Down, 96 kHz", 13};
  fast.rate = 96000.0f;
  list.push_back(fast);
  return list;
}

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

struct Run {
  double nsPerFrame = 0.0;
  double inDb = 0.0, outDb = 0.0;  // RMS levels of the warm-up pass, dBFS
  bool nonFinite = false;
  bool modeChanged = false;  // FTZ, DAZ, rounding or exception masks left changed
  unsigned flags = 0;        // MXCSR exception flags raised while processing
};

constexpr unsigned kCsrFlags = 0x3f;  // IE DE ZE OE UE PE

// A fresh instance set up as a host does (open, rate, block size, program and parameters,
// resume), one warm-up pass that also checks the output, then the timed pass. `tarvo`
// selects whether the case's program and parameters apply; the peer keeps its defaults.
bool runOnce(const PluginLibrary& bin, const Case& c, const Material& m, bool tarvo, Run& out) {
  vst::AEffect* e = bin.entry()(answerHost);
  if (e == nullptr) return false;
  call(e, vst::effOpen);
  call(e, vst::effSetSampleRate, 0, 0, nullptr, c.rate);
  call(e, vst::effSetBlockSize, 0, kBlock);
  bool ok = true;
  if (tarvo) {
    call(e, vst::effSetProgram, 0, c.program);
    ok = text(e, vst::effGetProgramName, 0) == p::factoryProgramNames[c.program];
    for (const auto& [index, value] : c.params) e->setParameter(e, index, value);
    if (!c.expect.empty()) {
      ok = ok && text(e, vst::effGetParamDisplay, c.params[0].first) == c.expect;
    }
    if (!ok) std::fprintf(stderr, "tarvo_peer_bench: Tarvo did not take the settings\n");
  }
  call(e, vst::effMainsChanged, 0, 1);
  const float thr = p::factoryPresets[c.program][p::kThreshold];
  const float ratio = p::factoryPresets[c.program][p::kRatio];
  std::vector<float> outL(kBlock), outR(kBlock);
  float* outs[2] = {outL.data(), outR.data()};
  // The exception flags are cleared first, so that those raised by the plug-in show; the
  // caller's register is put back afterwards, so that no run inherits modes from another.
  const unsigned csr = _mm_getcsr();
  _mm_setcsr(csr & ~kCsrFlags);
  double inSq = 0.0, outSq = 0.0;
  for (int pass = 0; pass < 2 && ok; ++pass) {
    const double start = cpuSeconds();
    for (size_t pos = 0, k = 0; pos < m.left.size(); pos += kBlock, ++k) {
      if (tarvo && c.glide) {  // one of the two moves every block: its ramp never ends
        const float step = (k / 2) % 2 == 0 ? 0.0f : 0.03f;
        if (k % 2 == 0)
          e->setParameter(e, p::kThreshold, thr - step);
        else
          e->setParameter(e, p::kRatio, ratio - step);
      }
      float* ins[2] = {const_cast<float*>(m.left.data() + pos),
                       const_cast<float*>(m.right.data() + pos)};
      e->processReplacing(e, ins, outs, kBlock);
      if (pass == 0) {  // the checks stay out of the timed pass
        for (int i = 0; i < kBlock; ++i) {
          const double a = outL[i], b = outR[i];
          if (!std::isfinite(a + b))
            out.nonFinite = true;
          else
            outSq += a * a + b * b;
          inSq += double(ins[0][i]) * ins[0][i] + double(ins[1][i]) * ins[1][i];
        }
      }
    }
    out.nsPerFrame = 1e9 * (cpuSeconds() - start) / double(m.left.size());
  }
  const unsigned after = _mm_getcsr();
  out.flags = after & kCsrFlags;
  out.modeChanged = (after & ~kCsrFlags) != (csr & ~kCsrFlags);
  _mm_setcsr(csr);
  const double samples = 2.0 * double(m.left.size());
  out.inDb = 10.0 * std::log10(inSq / samples + 1e-30);
  out.outDb = 10.0 * std::log10(outSq / samples + 1e-30);
  call(e, vst::effMainsChanged, 0, 0);
  call(e, vst::effClose);
  return ok;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

double spread(const std::vector<double>& v) {  // (max - min) / median, %
  const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
  return 100.0 * (*hi - *lo) / median(v);
}

}  // namespace

int main(int argc, char** argv) {
  std::string tarvoPath = TARVO_PLUGIN_PATH;
  std::string peerPath = "/usr/lib/vst/lsp-plugins/compressor-stereo.so";
  bool withPeer = true, verbose = false;
  std::string only;  // cases whose name contains this, or all
  int rounds = 5;
  double seconds = 3.0;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool more = i + 1 < argc;
    if (a == "--tarvo" && more)
      tarvoPath = argv[++i];
    else if (a == "--peer" && more)
      peerPath = argv[++i];
    else if (a == "--tarvo-only")
      withPeer = false;
    else if (a == "--rounds" && more)
      rounds = std::max(1, std::atoi(argv[++i]));
    else if (a == "--seconds" && more)
      seconds = std::max(0.1, std::atof(argv[++i]));
    else if (a == "--verbose")
      verbose = true;
    else if (a == "--case" && more)
      only = argv[++i];
    else {
      std::fprintf(stderr,
                   "usage: tarvo_peer_bench [--tarvo PATH] [--peer PATH | --tarvo-only] "
                   "[--rounds N] [--seconds S] [--case TEXT] [--verbose]\n");
      return 2;
    }
  }
  std::unique_ptr<PluginLibrary> tarvo, peer;
  try {
    tarvo = std::make_unique<PluginLibrary>(tarvoPath);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarvo_peer_bench: Tarvo: %s\n", e.what());
    return 1;
  }
  if (withPeer) {
    try {
      peer = std::make_unique<PluginLibrary>(peerPath);
    } catch (const std::exception& e) {
      std::fprintf(stderr,
                   "tarvo_peer_bench: peer plug-in not usable: %s\n"
                   "  (Debian: apt-get install lsp-plugins-vst; or pass --tarvo-only)\n",
                   e.what());
      return 3;
    }
  }

  std::vector<Case> list = cases();
  std::erase_if(list, [&](const Case& c) { return c.name.find(only) == std::string::npos; });
  const int sides = withPeer ? 2 : 1;
  std::vector<std::vector<double>> ns[2];
  ns[0].resize(list.size());
  ns[1].resize(list.size());
  bool modeChanged[2] = {false, false}, nonFinite[2] = {false, false};
  unsigned flags[2] = {0, 0};
  for (int r = 0; r < rounds; ++r) {
    for (size_t ci = 0; ci < list.size(); ++ci) {
      const Case& c = list[ci];
      const Material m(c.rate, seconds, c.silent);
      for (int turn = 0; turn < sides; ++turn) {
        const int side = sides == 2 ? (turn + r) % 2 : 0;  // 0 Tarvo, 1 peer
        Run run;
        if (!runOnce(side == 0 ? *tarvo : *peer, c, m, side == 0, run)) {
          std::fprintf(stderr, "tarvo_peer_bench: %s failed in case '%s'\n",
                       side == 0 ? "Tarvo" : "the peer", c.name.c_str());
          return side == 0 ? 1 : 3;
        }
        ns[side][ci].push_back(run.nsPerFrame);
        modeChanged[side] = modeChanged[side] || run.modeChanged;
        flags[side] |= run.flags;
        nonFinite[side] = nonFinite[side] || run.nonFinite;
        if (verbose) {
          std::fprintf(stderr,
                       "round %d  %-28s %-5s %7.1f ns/frame  RMS in %6.1f out %6.1f dBFS  "
                       "MXCSR flags 0x%02x\n",
                       r, c.name.c_str(), side == 0 ? "Tarvo" : "LSP", run.nsPerFrame, run.inDb,
                       run.outDb, run.flags);
        }
      }
    }
  }

  std::printf(
      "# CPU ns per stereo frame, %d-frame blocks, %.1f s of material, median of %d "
      "rounds (spread = (max - min) / median)\n",
      kBlock, seconds, rounds);
  std::printf("%-28s %10s %10s %10s %9s %9s\n", "case", "Tarvo", "LSP", "Tarvo/LSP", "spread T",
              "spread L");
  for (size_t ci = 0; ci < list.size(); ++ci) {
    const double t = median(ns[0][ci]);
    if (withPeer) {
      const double l = median(ns[1][ci]);
      std::printf("%-28s %10.1f %10.1f %10.2f %8.0f%% %8.0f%%\n", list[ci].name.c_str(), t, l,
                  t / l, spread(ns[0][ci]), spread(ns[1][ci]));
    } else {
      std::printf("%-28s %10.1f %10s %10s %8.0f%% %9s\n", list[ci].name.c_str(), t, "-", "-",
                  spread(ns[0][ci]), "-");
    }
  }
  for (int s = 0; s < sides; ++s) {
    const char* who = s == 0 ? "Tarvo" : "LSP";
    if (modeChanged[s]) std::printf("# note: %s left FTZ/DAZ/rounding/masks changed\n", who);
    if (nonFinite[s]) std::printf("# note: %s produced non-finite output\n", who);
    // Precision (0x20) is raised by nearly any arithmetic; the others are worth a line.
    if (flags[s] & 0x1f) {
      std::printf(
          "# note: %s raised MXCSR flags 0x%02x (1 invalid, 2 denormal operand, "
          "4 divide by zero, 8 overflow, 16 underflow)\n",
          who, flags[s] & 0x1f);
    }
  }
  return 0;
}
