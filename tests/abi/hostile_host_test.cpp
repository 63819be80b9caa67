// Hosts that break the usual order or send nonsense, through the built binary: audio before
// the first resume, invalid sample rates, a different block size at every call, huge and
// non-finite samples, and thousands of create/process/close cycles with flat memory.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "plugin/meter_query.h"
#include "vsthost/vst_host.h"

namespace tarvo::host {
namespace {

using namespace tarvo::vst;

// Bursts of a loud sine with pauses: the compressor works and releases, so the result
// depends on every time constant (and so on the sample rate).
std::vector<float> bursts(int frames, double rate, double freq) {
  std::vector<float> s(frames);
  for (int i = 0; i < frames; ++i) {
    const bool on = (i / int(rate / 20)) % 3 != 2;
    s[i] = on ? float(0.8 * std::sin(6.283185307179586 * freq * i / rate)) : 0.0f;
  }
  return s;
}

class HostileHost : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { library = new PluginLibrary(TARVO_PLUGIN_PATH); }
  static void TearDownTestSuite() {
    delete library;
    library = nullptr;
  }
  std::unique_ptr<PluginInstance> create() { return std::make_unique<PluginInstance>(*library); }
  static void start(PluginInstance& p, float rate) {
    p.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    p.dispatch(effMainsChanged, 0, 1);
  }
  // Settings under which the time constants and filters shape the result: about 10:1
  // from -20 dB, the 20 Hz input high-pass on.
  static void compressing(PluginInstance& p) {
    p.setParameter(3, 0.95f);  // Ratio
    p.setParameter(0, 0.5f);   // Threshold
    p.setParameter(8, 1.0f);   // Input Filter
  }
  // processReplacing over the whole signal; block sizes taken in turn from `sizes`.
  static void render(PluginInstance& p, const std::vector<float>& inL,
                     const std::vector<float>& inR, std::vector<float>& outL,
                     std::vector<float>& outR, const std::vector<int>& sizes = {512},
                     bool announce = false) {
    outL.assign(inL.size(), 0.0f);
    outR.assign(inR.size(), 0.0f);
    size_t k = 0;
    for (size_t pos = 0; pos < inL.size(); ++k) {
      const int n = int(std::min<size_t>(sizes[k % sizes.size()], inL.size() - pos));
      if (announce) p.dispatch(effSetBlockSize, 0, n);
      std::vector<float> l(inL.begin() + pos, inL.begin() + pos + n);
      std::vector<float> r(inR.begin() + pos, inR.begin() + pos + n);
      float* in[2] = {l.data(), r.data()};
      float* out[2] = {outL.data() + pos, outR.data() + pos};
      p.processReplacing(in, out, n);
      pos += n;
    }
  }
  static float maxDifference(const std::vector<float>& a, const std::vector<float>& b) {
    float d = 0.0f;
    for (size_t i = 0; i < a.size(); ++i) d = std::max(d, std::fabs(a[i] - b[i]));
    return d;
  }
  static std::array<float, 6> meters(PluginInstance& p) {
    std::array<float, 6> m{};
    p.dispatch(effVendorSpecific, plugin::kMeterQueryIndex, plugin::kMeterQueryValue, m.data());
    return m;
  }
  static inline PluginLibrary* library = nullptr;
  // The chains' noise (about 1e-8, times the gains) differs between instances.
  static constexpr float kNoise = 2e-5f;
};

TEST_F(HostileHost, AudioBeforeTheFirstResumeIsTheAudioOf44100Hz) {
  auto early = create();  // neither a sample rate nor effMainsChanged
  auto proper = create();
  start(*proper, 44100.0f);
  compressing(*early);
  compressing(*proper);
  const auto l = bursts(44100, 44100.0, 440.0), r = bursts(44100, 44100.0, 550.0);
  std::vector<float> eL, eR, pL, pR;
  render(*early, l, r, eL, eR);
  render(*proper, l, r, pL, pR);
  EXPECT_LT(maxDifference(eL, pL), kNoise);
  EXPECT_LT(maxDifference(eR, pR), kNoise);
  float peak = 0.0f;
  for (float x : eL) peak = std::max(peak, std::fabs(x));
  EXPECT_GT(peak, 0.05f);  // real audio, not silence
}

TEST_F(HostileHost, InvalidSampleRatesKeepTheLastValidRate) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  auto sloppy = create();
  start(*sloppy, 48000.0f);
  for (float bad : {0.0f, -48000.0f, nan, 1e9f, inf, -inf, 999.0f}) {
    sloppy->dispatch(effMainsChanged, 0, 0);
    sloppy->dispatch(effSetSampleRate, 0, 0, nullptr, bad);
    sloppy->dispatch(effSetBlockSizeAndSampleRate, 0, 512, nullptr, bad);
    sloppy->dispatch(effMainsChanged, 0, 1);
  }
  auto at48 = create();
  start(*at48, 48000.0f);
  auto at44 = create();
  start(*at44, 44100.0f);
  for (auto* p : {sloppy.get(), at48.get(), at44.get()}) compressing(*p);
  const auto l = bursts(48000, 48000.0, 440.0), r = bursts(48000, 48000.0, 550.0);
  std::vector<float> sL, sR, aL, aR, bL, bR;
  render(*sloppy, l, r, sL, sR);
  render(*at48, l, r, aL, aR);
  render(*at44, l, r, bL, bR);
  EXPECT_LT(maxDifference(sL, aL), kNoise);
  EXPECT_LT(maxDifference(sR, aR), kNoise);
  EXPECT_GT(maxDifference(aL, bL), 1e-3f);  // the rate is audible: the comparison means something
}

TEST_F(HostileHost, BlockSizesChangingAtEveryCallGiveTheSameAudio) {
  auto steady = create();
  auto erratic = create();
  start(*steady, 44100.0f);
  start(*erratic, 44100.0f);
  compressing(*steady);
  compressing(*erratic);
  const auto l = bursts(60000, 44100.0, 440.0), r = bursts(60000, 44100.0, 331.0);
  std::vector<float> sL, sR, eL, eR;
  render(*steady, l, r, sL, sR, {512});
  render(*erratic, l, r, eL, eR, {1, 7, 0, 4096, 3, 1000, 64, 0, 13, 8192, 2, 511}, true);
  EXPECT_LT(maxDifference(sL, eL), kNoise);
  EXPECT_LT(maxDifference(sR, eR), kNoise);
}

// Samples far beyond any real level, and non-finite ones, at 1:2 expansion with the input,
// output and detector EQ gains at their maximum: every output sample and meter stays
// finite, and ordinary audio afterwards sounds as on a fresh instance.
TEST_F(HostileHost, HugeAndNonFiniteSamplesLeaveOutputAndMetersFinite) {
  auto configure = [](PluginInstance& p) {
    start(p, 48000.0f);
    p.setParameter(3, 0.0f);   // Ratio 1:2
    p.setParameter(6, 1.0f);   // Input Gain +20 dB
    p.setParameter(2, 1.0f);   // Output Gain +40 dB
    p.setParameter(19, 1.0f);  // Det. EQ on
    for (int band = 20; band <= 22; ++band) p.setParameter(band, 1.0f);
    p.setParameter(0, 0.0f);  // Threshold -40 dB
  };
  auto p = create();
  auto fresh = create();
  configure(*p);
  configure(*fresh);
  const float max = std::numeric_limits<float>::max();
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (float level : {1e37f, max, -max, 1e20f, inf, nan, 1e7f, 1e-40f}) {
    std::vector<float> l(777), r(777), oL, oR;
    for (int i = 0; i < 777; ++i) {
      l[i] = (i / 50) % 2 ? level : -level;
      r[i] = level;
    }
    render(*p, l, r, oL, oR, {777});
    for (int i = 0; i < 777; ++i) {
      ASSERT_TRUE(std::isfinite(oL[i]) && std::isfinite(oR[i])) << level << " at " << i;
    }
    for (float m : meters(*p)) ASSERT_TRUE(std::isfinite(m)) << level;
  }
  const auto quiet = bursts(96000, 48000.0, 440.0);
  std::vector<float> q(quiet.size());
  for (size_t i = 0; i < q.size(); ++i) q[i] = 0.01f * quiet[i];
  std::vector<float> aL, aR, bL, bR;
  render(*p, q, q, aL, aR);
  render(*fresh, q, q, bL, bR);
  float pa = 0.0f, pb = 0.0f;
  for (size_t i = 86000; i < q.size(); ++i) {
    pa = std::max(pa, std::fabs(aL[i]));
    pb = std::max(pb, std::fabs(bL[i]));
  }
  ASSERT_GT(pb, 0.0f);
  EXPECT_NEAR(pa / pb, 1.0f, 0.12f);
}

// Resident memory of this process in KiB.
long residentKiB() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> value;
      return value;
    }
    status.ignore(1 << 12, '\n');
  }
  return -1;
}

// Under AddressSanitizer, LeakSanitizer reports any leak at exit; without a sanitizer the
// resident size must not grow over the cycles.
TEST_F(HostileHost, TenThousandCreateProcessCloseCyclesKeepMemoryFlat) {
  std::vector<float> left(64, 0.25f), right(64, -0.25f);
  auto cycle = [&] {
    PluginInstance p(*library);
    ASSERT_NE(p.effect(), nullptr);
    start(p, 44100.0f);
    float* io[2] = {left.data(), right.data()};
    p.processReplacing(io, io, 64);
    ASSERT_EQ(p.close(), 1);
  };
  for (int i = 0; i < 500; ++i) cycle();  // allocator pools reach their working size
  const long before = residentKiB();
  for (int i = 0; i < 10000; ++i) cycle();
  const long after = residentKiB();
  RecordProperty("rss_before_kib", std::to_string(before));
  RecordProperty("rss_after_kib", std::to_string(after));
  std::printf("resident memory: %ld KiB before, %ld KiB after 10000 cycles\n", before, after);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  EXPECT_LT(after - before, 1024);
#endif
}

}  // namespace
}  // namespace tarvo::host
